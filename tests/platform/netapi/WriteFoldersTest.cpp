// The providers write files as root: a lockout reset truncates a tally, a
// directory file is written back. Only in folders nobody else controls, from
// `/` down, whatever anyone planted on the way.

#include "platform/netapi/DirectoryProvider.h"
#include "platform/netapi/LocalProvider.h"
#include "platform/netapi/NetApi.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::int64_t now = 1'700'000'000;
// nobody's, as a user's own folder would be when root runs the tool.
constexpr uid_t otherUser = 65534;

bool isRoot()
{
    return ::geteuid() == 0;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void chownTo(const QString &path, uid_t owner)
{
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), owner, owner), 0);
}

void chmodTo(const QString &path, mode_t mode)
{
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

// Three failures just now: locked out under deny = 3.
QByteArray lockedTally()
{
    QByteArray content;
    for (int i = 3; i > 0; --i) {
        char record[64] = {};
        const std::uint16_t status = 1;
        const auto time = static_cast<std::uint64_t>(now - i);
        std::memcpy(record + 54, &status, 2);
        std::memcpy(record + 56, &time, 8);
        content.append(record, 64);
    }
    return content;
}

// A small system under `root`, beside folders that are not part of it.
class LockoutReset : public ::testing::Test
{
protected:
    LockoutReset()
    {
        put(file("etc/passwd"), "jsmith:x:1000:1000:John Smith:/home/jsmith:/bin/bash\n"
                                "passwd:x:1001:1001::/:/bin/sh\n");
        put(file("etc/shadow"), "jsmith:$6$x:19000:0:99999:7:::\npasswd:$6$x:19000:0:99999:7:::\n");
        put(file("etc/pam.d/common-auth"), "auth required pam_faillock.so preauth\n"
                                           "auth required pam_unix.so\n"
                                           "auth required pam_faillock.so authfail\n");
    }

    QString file(const QString &relative) const { return outer.file("root/" + relative); }

    void useTallyFolder(const QString &folder)
    {
        put(file("etc/security/faillock.conf"), "deny = 3\ndir = " + folder.toUtf8() + "\n");
    }

    netapi::LocalProvider provider() const
    {
        netapi::LocalProvider::Options options;
        options.root = QFile::encodeName(outer.file("root")).toStdString();
        options.now = [] { return now; };
        return netapi::LocalProvider(options);
    }

    std::uint32_t reset(const std::string &user) const
    {
        return provider().setFlags("", user, UF_NORMAL_ACCOUNT);
    }

    TempDir outer;
};

// As the fault was met: the tally folder under a folder a user owns, swapped
// by the user for a link to a folder of root's after the listing.
TEST_F(LockoutReset, AFolderOnTheWayThatAUserOwnsIsRefusedEvenWhenSwappedForALink)
{
    if (!isRoot())
        GTEST_SKIP() << "giving a folder to another user needs root";
    useTallyFolder("/home/user/faillock");
    put(file("home/user/faillock/jsmith"), lockedTally());
    chownTo(file("home/user"), otherUser);
    netapi::AccountInfo info;
    ASSERT_EQ(provider().getInfo("", "jsmith", info), NERR_Success);
    EXPECT_TRUE(info.flags & UF_LOCKOUT);

    testing::internal::CaptureStderr();
    EXPECT_EQ(reset("jsmith"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(contentOf(file("home/user/faillock/jsmith")), lockedTally());

    const QString victim = outer.file("sudoers.d/jsmith");
    put(victim, "jsmith ALL=(ALL) ALL\n");
    ASSERT_TRUE(QDir(file("home/user/faillock")).removeRecursively());
    ASSERT_TRUE(QFile::link(outer.file("sudoers.d"), file("home/user/faillock")));
    EXPECT_EQ(reset("jsmith"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(contentOf(victim), "jsmith ALL=(ALL) ALL\n");
    // One line for the folder, however many resets it refuses.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tumblerset: the lockout folder " + file("home/user/faillock").toStdString() +
                  " is reached through " + file("home/user").toStdString() +
                  ", which belongs to another user; no lockout in it is reset\n");
}

// What the fuzzer met: `dir=/../../..` and an account named passwd emptied
// a copy of /etc/passwd outside the folder the system was kept in.
TEST_F(LockoutReset, ATallyPathWithDotDotNeverLeavesTheSystemsRoot)
{
    const QString victim = outer.file("etc/passwd");
    put(victim, lockedTally());
    useTallyFolder("/../etc");
    netapi::AccountInfo info;
    EXPECT_EQ(provider().getInfo("", "passwd", info), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reset("passwd"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(contentOf(victim), lockedTally());

    // Within the root, `..` is only a step back.
    useTallyFolder("/etc/../var/run/faillock");
    put(file("var/run/faillock/passwd"), lockedTally());
    EXPECT_EQ(reset("passwd"), NERR_Success);
    EXPECT_EQ(QFileInfo(file("var/run/faillock/passwd")).size(), 0);
}

const QByteArray smallDirectory = R"({
  "servers": [ { "name": "dc", "accounts": [ { "name": "jsmith", "lockedOut": true } ] } ]
}
)";

class DirectoryWriteBack : public ::testing::Test
{
protected:
    // Loads the directory file at `relative`, resets jsmith, and says what came of it.
    std::uint32_t resetIn(const QString &relative, std::string *error = nullptr) const
    {
        netapi::DirectoryProvider provider(QFile::encodeName(dir.file(relative)).toStdString());
        netapi::AccountInfo info;
        EXPECT_EQ(provider.getInfo("dc", "jsmith", info), NERR_Success);
        const std::uint32_t status = provider.setFlags("dc", "jsmith", UF_NORMAL_ACCOUNT);
        if (error)
            *error = provider.lastWriteError();
        return status;
    }

    TempDir dir;
};

TEST_F(DirectoryWriteBack, NoWriteBackInAFolderOthersMayWrite)
{
    put(dir.file("shared/directory.json"), smallDirectory);
    for (const mode_t mode : {01777, 0777, 0775}) {
        chmodTo(dir.file("shared"), mode);
        std::string error;
        testing::internal::CaptureStderr();
        EXPECT_EQ(resetIn("shared/directory.json", &error), ERROR_ACCESS_DENIED)
            << std::oct << mode;
        const std::string expected =
            QFile::encodeName(dir.file("shared")).toStdString() + " is writable by other users";
        EXPECT_NE(error.find(expected), std::string::npos) << error;
        EXPECT_NE(testing::internal::GetCapturedStderr().find(expected), std::string::npos);
        EXPECT_EQ(contentOf(dir.file("shared/directory.json")), smallDirectory);
        EXPECT_EQ(QDir(dir.file("shared")).entryList(QDir::Files), QStringList{"directory.json"});
    }
    if (!isRoot())
        return;
    // The fault as met: in /tmp, a user's file swapped for a link to root's.
    chmodTo(dir.file("shared"), 01777);
    chownTo(dir.file("shared/directory.json"), otherUser);
    put(dir.file("victim"), "root's own\n");
    netapi::DirectoryProvider provider(
        QFile::encodeName(dir.file("shared/directory.json")).toStdString());
    ASSERT_TRUE(QFile::remove(dir.file("shared/directory.json")));
    ASSERT_TRUE(QFile::link(dir.file("victim"), dir.file("shared/directory.json")));
    testing::internal::CaptureStderr();
    EXPECT_EQ(provider.setFlags("dc", "jsmith", UF_NORMAL_ACCOUNT), ERROR_ACCESS_DENIED);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(contentOf(dir.file("victim")), "root's own\n");
}

TEST_F(DirectoryWriteBack, NoWriteBackThroughAFolderAnotherUserOwns)
{
    if (!isRoot())
        GTEST_SKIP() << "giving a folder to another user needs root";
    put(dir.file("home/user/data/directory.json"), smallDirectory);
    chownTo(dir.file("home/user"), otherUser);
    std::string error;
    testing::internal::CaptureStderr();
    EXPECT_EQ(resetIn("home/user/data/directory.json", &error), ERROR_ACCESS_DENIED);
    testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find(QFile::encodeName(dir.file("home/user")).toStdString() +
                         " belongs to another user"),
              std::string::npos)
        << error;
    EXPECT_EQ(contentOf(dir.file("home/user/data/directory.json")), smallDirectory);

    chownTo(dir.file("home/user"), 0);
    EXPECT_EQ(resetIn("home/user/data/directory.json"), NERR_Success);
    EXPECT_NE(contentOf(dir.file("home/user/data/directory.json")), smallDirectory);
}

// A link we made ourselves, as `--directory` often names one: the file is
// written where it lives, and the link stays.
TEST_F(DirectoryWriteBack, AFileLinkedFromOurOwnFolderIsWrittenWhereItLives)
{
    put(dir.file("data/directory.json"), smallDirectory);
    ASSERT_TRUE(QDir().mkpath(dir.file("links")));
    ASSERT_TRUE(QFile::link(dir.file("data/directory.json"), dir.file("links/directory.json")));
    EXPECT_EQ(resetIn("links/directory.json"), NERR_Success);
    EXPECT_TRUE(QFileInfo(dir.file("links/directory.json")).isSymLink());
    EXPECT_FALSE(contentOf(dir.file("data/directory.json")).contains("\"lockedOut\": true"));
}

} // namespace
