// The walk to a folder the tool writes in as root: every folder from `/`
// down must be root's or ours and closed to everyone else, and nothing anyone
// else planted on the way may lead it elsewhere.

#include "platform/files/TrustedFolder.h"

#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// nobody's, as a user's own folder would be when root runs the tool.
constexpr uid_t otherUser = 65534;

class TrustedWalk : public ::testing::Test
{
protected:
    std::string path(const QString &relative) const
    {
        return QFile::encodeName(dir.file(relative)).toStdString();
    }
    void makeFolder(const QString &relative, mode_t mode = 0755) const
    {
        ASSERT_TRUE(QDir().mkpath(dir.file(relative)));
        ASSERT_EQ(::chmod(path(relative).c_str(), mode), 0);
    }
    void link(const QString &target, const QString &relative) const
    {
        ASSERT_EQ(::symlink(target.toLocal8Bit().constData(), path(relative).c_str()), 0);
    }
    static bool isRoot() { return ::geteuid() == 0; }

    // Whether `fd` is the folder at `relative`.
    bool isFolder(const files::Descriptor &fd, const QString &relative) const
    {
        struct stat opened
        {};
        struct stat named
        {};
        return fd && ::fstat(fd.get(), &opened) == 0 &&
               ::stat(path(relative).c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
               opened.st_ino == named.st_ino;
    }

    // What the walk to `relative` comes to: "" when it opened the folder,
    // else "<refused folder, relative> <why>" or the error's name.
    std::string outcome(const QString &relative, const files::WalkOptions &options = {}) const
    {
        files::Refusal refusal;
        const files::Descriptor fd = files::openTrustedFolder(path(relative), refusal, options);
        if (fd)
            return isFolder(fd, relative) ? "" : "another folder";
        if (!refusal)
            return std::string("error ") + ::strerrordesc_np(errno);
        EXPECT_EQ(errno, EACCES);
        const std::string top = dir.pathUtf8();
        std::string folder = refusal.folder;
        if (folder.starts_with(top))
            folder.erase(0, top.size() + 1);
        return folder + " " + refusal.why;
    }

    TempDir dir;
};

TEST_F(TrustedWalk, OpensAFolderWhoseEveryFolderIsRootsOrOurs)
{
    makeFolder("a/b/c");
    makeFolder("a/b/c/private", 0700);
    EXPECT_EQ(outcome("a/b/c"), "");
    EXPECT_EQ(outcome("a/b/c/private"), "");
    // `..` and `.` step as the kernel would, each folder checked.
    EXPECT_EQ(outcome("a/b/c/../c/./private"), "");
    EXPECT_EQ(outcome("a/missing"), "error No such file or directory");
    QFile file(dir.file("a/file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(outcome("a/file"), "error Not a directory");
}

// Whoever may change a folder on the way may swap what follows it.
TEST_F(TrustedWalk, RefusesAFolderOnTheWayThatOthersMayChange)
{
    makeFolder("a/b/c");
    for (const mode_t mode : {0777, 0775, 0757, 0770}) {
        ASSERT_EQ(::chmod(path("a/b").c_str(), mode), 0);
        EXPECT_EQ(outcome("a/b/c"), "a/b is writable by other users") << std::oct << mode;
        EXPECT_EQ(outcome("a/b"), "a/b is writable by other users") << std::oct << mode;
    }
    ASSERT_EQ(::chmod(path("a/b").c_str(), 0755), 0);
    if (!isRoot())
        GTEST_SKIP() << "giving a folder to another user needs root";
    ASSERT_EQ(::chown(path("a").c_str(), otherUser, otherUser), 0);
    EXPECT_EQ(outcome("a/b/c"), "a belongs to another user");
    ASSERT_EQ(::chown(path("a").c_str(), 0, 0), 0);
    EXPECT_EQ(outcome("a/b/c"), "");
}

// /tmp: anyone may make a name in it, but nobody may move another's entry.
TEST_F(TrustedWalk, AStickyFolderOthersMayWriteIsPassedThroughButNeverWrittenIn)
{
    makeFolder("shared/ours");
    ASSERT_EQ(::chmod(path("shared").c_str(), 01777), 0);
    EXPECT_EQ(outcome("shared/ours"), "");
    EXPECT_EQ(outcome("shared"), "shared is writable by other users");
    EXPECT_EQ(outcome("shared/ours/.."), "shared is writable by other users");
    // A link in it may be anyone's.
    makeFolder("target");
    link(dir.file("target"), "shared/link");
    EXPECT_EQ(outcome("shared/link"),
              "shared/link is a symbolic link in a folder other users may write to");
    if (!isRoot())
        GTEST_SKIP() << "giving a folder to another user needs root";
    makeFolder("shared/theirs");
    ASSERT_EQ(::chown(path("shared/theirs").c_str(), otherUser, otherUser), 0);
    EXPECT_EQ(outcome("shared/theirs"), "shared/theirs belongs to another user");
}

// A link in a folder only root or we may change was put there by root or
// us: it is followed, its target walked the same way (/var/run -> /run).
TEST_F(TrustedWalk, LinksAreFollowedOnlyWhereNobodyElseCouldHavePutThem)
{
    makeFolder("run/faillock");
    makeFolder("var");
    link("../run", "var/run");
    link(dir.file("run"), "var/absolute");
    EXPECT_EQ(outcome("var/run/faillock"), "");
    EXPECT_EQ(outcome("var/absolute/faillock"), "");

    makeFolder("open");
    link("../run", "open/run");
    ASSERT_EQ(::chmod(path("open").c_str(), 0777), 0);
    EXPECT_EQ(outcome("open/run/faillock"), "open is writable by other users");
    // Targets are checked as if named directly.
    ASSERT_EQ(::chmod(path("open").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path("run").c_str(), 0775), 0);
    EXPECT_EQ(outcome("var/run/faillock"), "run is writable by other users");

    link("loop", "var/loop");
    EXPECT_EQ(outcome("var/loop"), "error Too many levels of symbolic links");
}

// As the fault was met: a user's `.config` linked to a folder of root's.
TEST_F(TrustedWalk, AUsersLinkToAFolderOfRootsLeadsNowhere)
{
    if (!isRoot())
        GTEST_SKIP() << "giving a folder to another user needs root";
    makeFolder("home/user");
    makeFolder("etc", 0700);
    link(dir.file("etc"), "home/user/.config");
    ASSERT_EQ(::chown(path("home/user").c_str(), otherUser, otherUser), 0);
    files::WalkOptions create;
    create.create = true;
    EXPECT_EQ(outcome("home/user/.config/store", create), "home/user belongs to another user");
    EXPECT_TRUE(QDir(dir.file("etc")).isEmpty());
}

TEST_F(TrustedWalk, MissingFoldersAreMadeOwnerOnlyWhereTheWalkTrustsTheFolder)
{
    makeFolder("a");
    files::WalkOptions create;
    create.create = true;
    EXPECT_EQ(outcome("a/b/c", create), "");
    struct stat st
    {};
    ASSERT_EQ(::stat(path("a/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::chmod(path("a").c_str(), 0777), 0);
    EXPECT_EQ(outcome("a/d", create), "a is writable by other users");
    EXPECT_FALSE(QFileInfo::exists(dir.file("a/d")));
}

// Tests and fuzzers keep a system of their own under a folder: nothing in
// it may lead the walk out of it.
TEST_F(TrustedWalk, AWalkKeptInAFolderNeverLeavesIt)
{
    makeFolder("root/etc");
    makeFolder("root/run/faillock");
    makeFolder("outside");
    const std::string root = path("root");
    files::WalkOptions kept;
    kept.root = root;
    files::Refusal refusal;
    EXPECT_TRUE(files::openTrustedFolder("/etc/../run/faillock", refusal, kept));
    EXPECT_FALSE(files::openTrustedFolder("/../outside", refusal, kept));
    EXPECT_EQ(refusal.folder, root + "/..");
    EXPECT_EQ(std::string(refusal.why), "leads above the folder the walk is kept in");
    EXPECT_FALSE(files::openTrustedFolder("/etc/../../outside", refusal, kept));
    EXPECT_TRUE(refusal);

    // An absolute link means the same path under the folder.
    link("/run", "root/etc/run");
    const files::Descriptor fd = files::openTrustedFolder("/etc/run/faillock", refusal, kept);
    EXPECT_TRUE(isFolder(fd, "root/run/faillock"));
}

TEST_F(TrustedWalk, AFileIsOpenedInTheFolderItReallyLivesIn)
{
    makeFolder("data");
    makeFolder("links");
    QFile file(dir.file("data/file.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    link(dir.file("data/file.json"), "links/file.json");
    files::Refusal refusal;
    std::string name;
    const files::Descriptor fd = files::openTrustedParent(path("links/file.json"), name, refusal);
    EXPECT_TRUE(isFolder(fd, "data"));
    EXPECT_EQ(name, "file.json");

    ASSERT_EQ(::chmod(path("links").c_str(), 01777), 0);
    EXPECT_FALSE(files::openTrustedParent(path("links/file.json"), name, refusal));
    EXPECT_EQ(refusal.describe(path("links")), path("links") + " is writable by other users");
    EXPECT_EQ(refusal.describe(path("links/file.json")),
              path("links/file.json") + " is reached through " + path("links") +
                  ", which is writable by other users");
}

} // namespace
