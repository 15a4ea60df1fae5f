#include "platform/files/AtomicReplace.h"

#include "platform/files/Descriptor.h"
#include "platform/files/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

namespace files {

namespace {

// Writes the file and syncs it, leaving the descriptor open for the caller.
// 0, or the errno of the failure.
int fill(int fd, std::string_view content)
{
    if (const int error = writeAll(fd, content))
        return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Gives the new file the owner and mode of the one it replaces. A user who
// is not root cannot give a file away; theirs it stays.
int keepOwnerAndMode(int fd, const struct stat &old)
{
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0 && ::geteuid() == 0)
        return errno;
    // After the owner: giving a file away clears its set-id bits.
    return ::fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

std::string temporaryName(const char *name)
{
    // One per thread: two writers in one process may replace files at once.
    thread_local std::random_device source;
    std::uniform_int_distribution<unsigned> digit(0, 35);
    std::string result = std::string(name) + '.';
    for (int i = 0; i < 8; ++i)
        result += "0123456789abcdefghijklmnopqrstuvwxyz"[digit(source)];
    return result + ".tmp";
}

} // namespace

int writeNewAt(int folder, const char *name, std::string_view content, mode_t mode)
{
    const Descriptor fd(
        ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd)
        return errno;
    const int error = fill(fd.get(), content);
    if (error)
        ::unlinkat(folder, name, 0);
    return error;
}

int replaceAt(int folder, const char *name, std::string_view content, mode_t mode,
              struct stat *made)
{
    struct stat old
    {};
    const bool replacing =
        ::fstatat(folder, name, &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    Descriptor fd;
    std::string temporary;
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
        temporary = temporaryName(name);
        fd.reset(::openat(folder, temporary.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 0600));
        if (!fd && errno != EEXIST)
            return errno;
    }
    if (!fd)
        return EEXIST;
    int error =
        replacing ? keepOwnerAndMode(fd.get(), old) : (::fchmod(fd.get(), mode) == 0 ? 0 : errno);
    if (!error)
        error = fill(fd.get(), content);
    if (!error && made && ::fstat(fd.get(), made) != 0)
        error = errno;
    if (!error && ::renameat(folder, temporary.c_str(), folder, name) != 0)
        error = errno;
    if (error) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return error;
    }
    ::fsync(folder);
    return 0;
}

} // namespace files
