#include "platform/files/TrustedFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

int openTrustedFolder(const char *path, int extraFlags, const char *&refused)
{
    refused = nullptr;
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC | extraFlags);
    if (fd < 0) {
        if (errno == ELOOP && (extraFlags & O_NOFOLLOW)) {
            refused = "is a symbolic link";
            errno = EACCES;
        }
        return -1;
    }
    struct stat st
    {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    // Root's own folders (the system store, pam_faillock's) are as safe as ours.
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        refused = "belongs to another user";
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        refused = "is writable by other users";
    if (!refused)
        return fd;
    ::close(fd);
    errno = EACCES;
    return -1;
}

} // namespace files
