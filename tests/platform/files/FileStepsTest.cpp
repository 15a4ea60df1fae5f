// The steps every writer takes on a file, on real files: what sits where a
// file should be, a file larger than allowed, a write the kernel cuts short,
// a lock someone else keeps, and a replace that fails half-way.

#include "platform/files/AtomicReplace.h"
#include "platform/files/RegularFile.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

class FileSteps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = files::Descriptor(::open(m_dir.pathUtf8().c_str(), O_RDONLY | O_DIRECTORY));
        ASSERT_TRUE(m_folder);
    }
    std::string path(const char *name) const { return m_dir.pathUtf8() + "/" + name; }
    void write(const char *name, const std::string &content, mode_t mode = 0644) const
    {
        ASSERT_EQ(files::writeNewAt(m_folder.get(), name, content, mode), 0);
    }
    std::string read(const char *name) const
    {
        const files::Descriptor fd = files::openRegularAt(m_folder.get(), name, O_RDONLY);
        std::string content;
        EXPECT_TRUE(fd);
        EXPECT_EQ(files::readUpTo(fd.get(), content), 0);
        return content;
    }
    // errno of opening `name` for reading, 0 when it opened.
    int openError(const char *name, files::Links links = files::Links::Refuse) const
    {
        errno = 0;
        const files::Descriptor fd = files::openRegularAt(m_folder.get(), name, O_RDONLY, 0, links);
        return fd ? 0 : errno;
    }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    }

    TempDir m_dir;
    files::Descriptor m_folder;
};

TEST_F(FileSteps, OnlyARegularFileOpens)
{
    write("file", "text");
    ASSERT_EQ(::symlink("file", path("link").c_str()), 0);
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(path("folder").c_str(), 0700), 0);

    EXPECT_EQ(openError("file"), 0);
    EXPECT_EQ(openError("link"), ELOOP);
    EXPECT_EQ(openError("link", files::Links::Follow), 0);
    // Opened without blocking, then refused: a FIFO with no writer must not
    // hang the program.
    EXPECT_EQ(openError("fifo"), EINVAL);
    EXPECT_EQ(openError("folder"), EINVAL);
    EXPECT_EQ(openError("missing"), ENOENT);
    // Nor is a FIFO written to, with or without a reader.
    EXPECT_FALSE(files::openRegularAt(m_folder.get(), "fifo", O_WRONLY));

    struct stat st
    {};
    const files::Descriptor fd =
        files::openRegularAt(m_folder.get(), "file", O_RDONLY, 0, files::Links::Refuse, &st);
    ASSERT_TRUE(fd);
    EXPECT_EQ(st.st_size, 4);
    EXPECT_TRUE(::fcntl(fd.get(), F_GETFD) & FD_CLOEXEC);
}

TEST_F(FileSteps, ReadingStopsAtTheLimit)
{
    const std::string big(200000, 'x');
    write("big", big + "tail");
    const files::Descriptor fd = files::openRegularAt(m_folder.get(), "big", O_RDONLY);
    std::string content = "left over";
    ASSERT_EQ(files::readUpTo(fd.get(), content, big.size()), 0);
    EXPECT_EQ(content, big);
    ASSERT_EQ(::lseek(fd.get(), 0, SEEK_SET), 0);
    ASSERT_EQ(files::readUpTo(fd.get(), content), 0);
    EXPECT_EQ(content.size(), big.size() + 4);
}

TEST_F(FileSteps, ReadingTakesTheRestFromThePositionAndFilesThatDoNotSayTheirSize)
{
    write("file", "0123456789");
    const files::Descriptor fd = files::openRegularAt(m_folder.get(), "file", O_RDONLY);
    ASSERT_EQ(::lseek(fd.get(), 4, SEEK_SET), 4);
    std::string content;
    ASSERT_EQ(files::readUpTo(fd.get(), content), 0);
    EXPECT_EQ(content, "456789");
    // At the end already: nothing, not the whole file again.
    ASSERT_EQ(files::readUpTo(fd.get(), content), 0);
    EXPECT_EQ(content, "");

    // A kernel file says it holds nothing, and holds text all the same.
    const files::Descriptor status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(status);
    ASSERT_EQ(files::readUpTo(status.get(), content), 0);
    EXPECT_NE(content.find("VmHWM:"), std::string::npos);
}

TEST_F(FileSteps, AShortWriteIsContinuedAndAStuckOneReported)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    files::Descriptor reader(ends[0]);
    files::Descriptor writer(ends[1]);
    // More than a pipe holds: the writes come back short until the reader
    // has taken everything.
    const std::string content(1 << 20, 'y');
    std::string received;
    std::thread drain([&] { files::readUpTo(reader.get(), received); });
    EXPECT_EQ(files::writeAll(writer.get(), content), 0);
    writer.reset();
    drain.join();
    EXPECT_EQ(received, content);

    // With nobody reading, a pipe that will not take more is an error, not a
    // loop and not a success.
    ASSERT_EQ(::pipe(ends), 0);
    reader.reset(ends[0]);
    writer.reset(ends[1]);
    ASSERT_EQ(::fcntl(writer.get(), F_SETFL, O_NONBLOCK), 0);
    EXPECT_EQ(files::writeAll(writer.get(), content), EAGAIN);
}

TEST_F(FileSteps, ALockKeptElsewhereIsWaitedForThenGivenUp)
{
    write("locked", "");
    // flock belongs to an open file: a second open is another holder, as
    // another process would be.
    const files::Descriptor holder = files::openRegularAt(m_folder.get(), "locked", O_RDONLY);
    const files::Descriptor waiter = files::openRegularAt(m_folder.get(), "locked", O_RDONLY);
    ASSERT_EQ(::flock(holder.get(), LOCK_EX), 0);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(files::lockWithin(waiter.get(), LOCK_SH, std::chrono::milliseconds(100)),
              EWOULDBLOCK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));

    // Released while waiting: taken.
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::flock(holder.get(), LOCK_UN);
    });
    EXPECT_EQ(files::lockWithin(waiter.get(), LOCK_EX, std::chrono::seconds(10)), 0);
    release.join();
}

TEST_F(FileSteps, AReplaceKeepsOwnerAndModeAndLeavesOnlyTheFile)
{
    write("settings", "old");
    ASSERT_EQ(::chmod(path("settings").c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path("settings").c_str(), 65534, 65534), 0);
    }
    struct stat made
    {};
    ASSERT_EQ(files::replaceAt(m_folder.get(), "settings", "new", 0600, &made), 0);
    EXPECT_EQ(read("settings"), "new");
    struct stat st
    {};
    ASSERT_EQ(::stat(path("settings").c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, made.st_ino);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    // A file that was not there gets the mode asked for, whatever the umask.
    ASSERT_EQ(files::replaceAt(m_folder.get(), "fresh", "x", 0604), 0);
    ASSERT_EQ(::stat(path("fresh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(entries(), (QStringList{"fresh", "settings"}));
}

TEST_F(FileSteps, AReplaceThatFailsLeavesEverythingAsItWas)
{
    // The rename cannot put a file over a folder that holds something.
    ASSERT_EQ(::mkdir(path("taken").c_str(), 0700), 0);
    write("taken/inside", "kept");
    EXPECT_EQ(files::replaceAt(m_folder.get(), "taken", "new"), EISDIR);
    EXPECT_EQ(entries(), QStringList{"taken"});

    // A link in the file's place is replaced, never written through.
    write("target", "untouched");
    ASSERT_EQ(::symlink("target", path("link").c_str()), 0);
    ASSERT_EQ(files::replaceAt(m_folder.get(), "link", "new"), 0);
    EXPECT_EQ(read("target"), "untouched");
    EXPECT_EQ(read("link"), "new");

    // A new file never goes over one that is there.
    EXPECT_EQ(files::writeNewAt(m_folder.get(), "target", "other"), EEXIST);
    EXPECT_EQ(read("target"), "untouched");
}

} // namespace
