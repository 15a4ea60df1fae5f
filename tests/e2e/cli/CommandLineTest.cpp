// Runs the built program as scripts do, and reads what it prints.

#include "platform/version/Version.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        demo = dir.file("demo.json");
        ASSERT_TRUE(QFile::copy(sourcePath("examples/demo-directory.json"), demo));
        QFile::setPermissions(demo, QFile::ReadOwner | QFile::WriteOwner);
    }

    Outcome run(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No display at all: the command-line modes must not need one.
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_CONFIG_HOME", dir.file("config"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TUMBLERSET_EXECUTABLE), arguments);
        process.closeWriteChannel(); // no terminal: nothing may be asked
        EXPECT_TRUE(process.waitForFinished(60000));
        Outcome r;
        r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    QString writeDirectory(const QByteArray &json)
    {
        const QString path = dir.file("made.json");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        return path;
    }

    TempDir dir;
    QString demo;
};

const QByteArray madeDomain = R"({ "servers": [
  { "name": "dc.test", "accounts": [
    { "name": "alice", "fullName": "Alice Ämmälä", "lockedOut": true },
    { "name": "bob", "fullName": "Bob", "disabled": true },
    { "name": "carol", "fullName": "Carol\tTab", "lockedOut": true, "disabled": true },
    { "name": "dave", "fullName": "" } ] },
  { "name": "pdc.test", "setResult": 2226, "accounts": [
    { "name": "erin", "lockedOut": true } ] },
  { "name": "down.test", "enumResult": 53, "enumFailsAfter": 1, "accounts": [
    { "name": "x", "lockedOut": true }, { "name": "y" } ] }
] })";

} // namespace

TEST_F(CommandLine, ListPrintsRowsThenThePanesLines)
{
    const Outcome r = run({"--directory", writeDirectory(madeDomain), "--list", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "alice\tAlice Ämmälä\tlocked\n"
                     "carol\tCarol\\x09Tab\tlocked,disabled\n"
                     "2 disabled users found.\n"
                     "2 locked out users found.\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CommandLine, ListAllPrintsEveryAccountWithItsMarks)
{
    const Outcome r =
        run({"--directory", writeDirectory(madeDomain), "--list", "--all", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "alice\tAlice Ämmälä\tlocked\n"
                     "bob\tBob\tdisabled\n"
                     "carol\tCarol\\x09Tab\tlocked,disabled\n"
                     "dave\t\t-\n"
                     "4 users found.\n"
                     "2 disabled users found.\n"
                     "2 locked out users found.\n");
}

TEST_F(CommandLine, ListFailuresEndWithOneErrorLineAndStatusOne)
{
    const QString made = writeDirectory(madeDomain);
    Outcome r = run({"--directory", made, "--list", "nowhere.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Invalid server name.\n");
    r = run({"--directory", made, "--list", "--all", "down.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "x\t\tlocked\nError 53 returned from NetUserEnum\n");
    r = run({"--directory", demo, "--list", "hr-dc.corp.example.com"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Access denied.\n");
}

TEST_F(CommandLine, UnlockResetsAndWritesTheDirectoryBack)
{
    const QString made = writeDirectory(madeDomain);
    Outcome r = run({"--directory", made, "--unlock", "carol", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "User was locked out.\nLockout was successfully reset.\n");
    r = run({"--directory", made, "--unlock", "carol", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "User was not locked out.\n");
    // Still disabled; no longer locked.
    r = run({"--directory", made, "--list", "--all", "dc.test"});
    EXPECT_NE(r.out.indexOf("carol\tCarol\\x09Tab\tdisabled\n"), -1) << r.out.toStdString();
}

TEST_F(CommandLine, UnlockFailuresSayWhyWithStatusOne)
{
    const QString made = writeDirectory(madeDomain);
    Outcome r = run({"--directory", made, "--unlock", "erin", "pdc.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "User was locked out.\nNot a primary domain controller.\n");
    r = run({"--directory", made, "--unlock", "nobody", "dc.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error 2221 returned from NetUserGetInfo\n");
}

TEST_F(CommandLine, TheDemoDirectoryListsItsDomain)
{
    const Outcome r = run({"--directory", demo, "--list", "dc01.ad.corp.example.com"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.endsWith("12 disabled users found.\n10 locked out users found.\n"))
        << r.out.toStdString();
    const Outcome big = run({"--directory", demo, "--list", "loadtest.lab.example.com"});
    EXPECT_EQ(big.status, 0);
}

TEST_F(CommandLine, BadArgumentsGiveUsageAndStatusTwo)
{
    const QList<QStringList> bad = {
        {"--bogus"},  {"--list", "--unlock", "x"},
        {"--all"},    {"--list", "a", "b"},
        {"--unlock"}, {"--directory"},
        {"dc01"},
    };
    for (const QStringList &arguments : bad) {
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("tumblerset: ")) << r.err.toStdString();
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CommandLine, AMalformedDirectoryGivesOneLineNamingFileAndLine)
{
    const QString broken =
        writeDirectory("{ \"servers\": [\n  { \"name\": \"x\",\n    oops }\n] }\n");
    const Outcome r = run({"--directory", broken, "--list"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(broken + ":3:")) << r.err.toStdString();
    const Outcome missing = run({"--directory", dir.file("absent.json"), "--list"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains("absent.json")) << missing.err.toStdString();
}

TEST_F(CommandLine, HelpAndVersionWorkWithoutADisplay)
{
    Outcome r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "tumblerset " TUMBLERSET_VERSION "\n");
    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: tumblerset")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("--unlock <USER>"));
}

TEST(ProgramFile, CarriesItsVersionInformationForTheVersionLabel)
{
    const char *program = TUMBLERSET_EXECUTABLE;
    std::uint32_t handle = 0;
    const std::uint32_t size = GetFileVersionInfoSizeA(program, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size + 1);
    ASSERT_TRUE(GetFileVersionInfoA(program, 0, size + 1, block.data()));
    void *value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    std::uint32_t translation = 0;
    std::memcpy(&translation, value, 4);
    EXPECT_EQ(translation, 0x04E40409u);
    const std::pair<const char *, const char *> strings[] = {
        {"CompanyName", "Marrowlight Software"},
        {"FileDescription", "Tumblerset"},
        {"FileVersion", TUMBLERSET_VERSION},
        {"InternalName", "Tumblerset"},
        {"OriginalFilename", "Tumblerset"},
        {"ProductName", "Tumblerset"},
        {"ProductVersion", TUMBLERSET_VERSION},
        {"LegalCopyright", ""},
    };
    for (const auto &[name, expected] : strings) {
        const std::string key = std::string("\\StringFileInfo\\040904e4\\") + name;
        ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), &value, &length)) << name;
        EXPECT_STREQ(static_cast<const char *>(value), expected) << name;
    }
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
}
