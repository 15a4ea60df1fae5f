// Loading a module of the program's own, possibly as root: only a file that
// nobody but root or the running user could have put or changed is loaded.

#include "platform/files/TrustedModule.h"

#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t otherUser = 65534; // nobody

class TrustedModule : public ::testing::Test
{
protected:
    std::string path(const QString &relative) const
    {
        return QFile::encodeName(dir.file(relative)).toStdString();
    }
    // A copy of the fixture module at `relative`, with `mode`.
    std::string module(const QString &relative, mode_t mode = 0755) const
    {
        const QString target = dir.file(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(target).path()));
        EXPECT_TRUE(QFile::copy(QStringLiteral(TRUSTED_MODULE_FIXTURE), target));
        EXPECT_EQ(::chmod(path(relative).c_str(), mode), 0);
        return path(relative);
    }
    static int call(const files::LoadedModule &loaded)
    {
        const auto entry =
            reinterpret_cast<int (*)()>(dlsym(loaded.handle, "trusted_module_fixture"));
        return entry ? entry() : -1;
    }
    static void expectRefused(const files::LoadedModule &loaded, const std::string &path,
                              const char *why)
    {
        EXPECT_EQ(loaded.handle, nullptr) << path;
        EXPECT_FALSE(loaded.missing) << path;
        EXPECT_NE(loaded.failure.find(path), std::string::npos) << loaded.failure;
        EXPECT_NE(loaded.failure.find(why), std::string::npos) << loaded.failure;
    }
    static bool isRoot() { return ::geteuid() == 0; }

    TempDir dir;
};

TEST_F(TrustedModule, OursInFoldersClosedToOthersIsLoaded)
{
    const files::LoadedModule loaded = files::loadTrustedModule(module("lib/fixture.so"));
    ASSERT_NE(loaded.handle, nullptr) << loaded.failure;
    EXPECT_EQ(call(loaded), 42);

    // A bare name is the file in the working folder, never one found through
    // the library path.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(path("lib"));
    const files::LoadedModule bare = files::loadTrustedModule("fixture.so");
    const files::LoadedModule libc = files::loadTrustedModule("libc.so.6");
    std::filesystem::current_path(before);
    EXPECT_NE(bare.handle, nullptr) << bare.failure;
    EXPECT_EQ(libc.handle, nullptr);
    EXPECT_TRUE(libc.missing);
}

TEST_F(TrustedModule, WhatOthersCouldHaveChangedIsRefused)
{
    for (const mode_t mode : {0757, 0775}) {
        const std::string shared = module(QStringLiteral("writable-%1.so").arg(mode, 0, 8), mode);
        expectRefused(files::loadTrustedModule(shared), shared, "is writable by other users");
    }
    // A folder on the way others may write to: they could swap the file.
    const std::string inOpenFolder = module("open/fixture.so");
    ASSERT_EQ(::chmod(path("open").c_str(), 0777), 0);
    expectRefused(files::loadTrustedModule(inOpenFolder), inOpenFolder,
                  "is writable by other users");

    if (!isRoot())
        GTEST_SKIP() << "giving files away needs root";
    const std::string theirs = module("theirs.so");
    ASSERT_EQ(::chown(theirs.c_str(), otherUser, otherUser), 0);
    expectRefused(files::loadTrustedModule(theirs), theirs, "belongs to another user");
    const std::string inTheirFolder = module("their-folder/fixture.so");
    ASSERT_EQ(::chown(path("their-folder").c_str(), otherUser, otherUser), 0);
    expectRefused(files::loadTrustedModule(inTheirFolder), inTheirFolder,
                  "belongs to another user");
}

TEST_F(TrustedModule, MissingIsToldApartFromBroken)
{
    for (const char *relative : {"none.so", "no-folder/none.so"}) {
        const files::LoadedModule loaded = files::loadTrustedModule(path(relative));
        EXPECT_EQ(loaded.handle, nullptr);
        EXPECT_TRUE(loaded.missing) << relative;
        EXPECT_TRUE(loaded.failure.empty()) << loaded.failure;
    }
    // Cut short, as by an interrupted install: refused before it is mapped.
    const std::string cut = module("cut.so");
    ASSERT_EQ(::truncate(cut.c_str(), 4096), 0);
    expectRefused(files::loadTrustedModule(cut), cut, "damaged or cut short");
    // Not a library at all: dlopen's own refusal, naming the file.
    QFile text(dir.file("text.so"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a library");
    text.close();
    const files::LoadedModule notLibrary = files::loadTrustedModule(path("text.so"));
    EXPECT_EQ(notLibrary.handle, nullptr);
    EXPECT_FALSE(notLibrary.missing);
    EXPECT_NE(notLibrary.failure.find(path("text.so")), std::string::npos) << notLibrary.failure;
}

TEST(ModulePaths, TheBuildsModuleServesOnlyTheBuildsOwnPrograms)
{
    // This test program lies in the build folder.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string folder = std::filesystem::path(self).parent_path().string();
    const files::ModulePlaces places{folder, "/built/module.so", "../lib/m/module.so",
                                     "/usr/lib/m/module.so"};
    const std::string besideProgram =
        (std::filesystem::path(folder) / "../lib/m/module.so").lexically_normal().string();
    EXPECT_EQ(
        files::modulePaths(places),
        (std::vector<std::string>{"/built/module.so", besideProgram, "/usr/lib/m/module.so"}));

    files::ModulePlaces elsewhere = places;
    elsewhere.buildFolder = "/nonexistent/build";
    EXPECT_EQ(files::modulePaths(elsewhere),
              (std::vector<std::string>{besideProgram, "/usr/lib/m/module.so"}));
    // Installed where the program's layout already leads: tried once.
    elsewhere.installed = besideProgram;
    EXPECT_EQ(files::modulePaths(elsewhere), std::vector<std::string>{besideProgram});
}

} // namespace
