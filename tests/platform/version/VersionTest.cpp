#include "platform/version/Version.h"

#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<char> readBlock(const QByteArray &path)
{
    std::uint32_t handle = 99;
    const std::uint32_t size = GetFileVersionInfoSizeA(path.constData(), &handle);
    EXPECT_EQ(handle, 0u);
    std::vector<char> block(size + 1);
    if (size == 0 || !GetFileVersionInfoA(path.constData(), 0, size + 1, block.data()))
        return {};
    return block;
}

QByteArray selfPath()
{
    return QCoreApplication::applicationFilePath().toUtf8();
}

} // namespace

TEST(VersionInformation, TheProgramFileCarriesItsOwnVersion)
{
    const std::vector<char> block = readBlock(selfPath());
    ASSERT_FALSE(block.empty());

    void *value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto *fixed = static_cast<VS_FIXEDFILEINFO *>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020003u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00040005u);

    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 8u);
    std::uint32_t first;
    std::memcpy(&first, value, 4);
    EXPECT_EQ(first, 0x04E40409u); // language low, code page high

    // Table names match in either case of their hex digits.
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\FileVersion", &value, &length));
    EXPECT_STREQ(static_cast<char *>(value), "2.3.4.5");
    EXPECT_EQ(length, 8u);
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\StringFileInfo\\040704b0\\FileVersion", &value, &length));
    EXPECT_STREQ(static_cast<char *>(value), "2,3,4,5 (de)");
    EXPECT_FALSE(
        VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\Missing", &value, &length));
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4", &value, &length));
}

TEST(VersionInformation, FilesWithoutVersionOrNotProgramsGiveNothing)
{
    TempDir dir;
    const auto write = [&](const char *name, const QByteArray &data) {
        QFile f(dir.file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return dir.file(name).toUtf8();
    };
    std::uint32_t handle;
    EXPECT_EQ(GetFileVersionInfoSizeA(write("text", "not a program").constData(), &handle), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA(write("empty", "").constData(), &handle), 0u);
    // A truncated copy of a real program: headers that point past the end.
    QFile self(QString::fromUtf8(selfPath()));
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    const QByteArray start = self.read(200);
    EXPECT_EQ(GetFileVersionInfoSizeA(write("truncated", start).constData(), &handle), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA("/nonexistent/program", &handle), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA(nullptr, &handle), 0u);

    char small[4];
    EXPECT_FALSE(GetFileVersionInfoA(selfPath().constData(), 0, sizeof small, small));
}
