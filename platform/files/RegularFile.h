#pragma once

// The steps every module takes on a file it reads or writes, possibly as
// root, in a folder it has opened: open it as a regular file only, lock it,
// read it within a bound, write it whole. Each reports failure through errno
// (or returns it) and never throws, so a descriptor's owner closes it on
// every path.

#include "platform/files/Descriptor.h"

#include <chrono>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace files {

// Whether the last step of a path may be a symbolic link. Only reading a
// system's own files (which distributions do link) follows one.
enum class Links
{
    Refuse,
    Follow
};

// Opens `name` relative to the folder `folder` (or AT_FDCWD) with `flags`
// (O_RDONLY, O_WRONLY, O_RDWR, and O_CREAT with `mode`), and keeps it only if
// it is a regular file: never a link (unless `links` says Follow), a FIFO
// that would hang the program, or a device that would be written to. Adds
// O_NOFOLLOW, O_NONBLOCK and O_CLOEXEC. Empty with errno set otherwise: ELOOP
// for a link, EINVAL for anything but a regular file. `status`, when given,
// receives the file's fstat.
Descriptor openRegularAt(int folder, const char *name, int flags, mode_t mode = 0,
                         Links links = Links::Refuse, struct stat *status = nullptr);

// Takes a flock (LOCK_SH or LOCK_EX), retrying with a growing pause while
// another holder keeps it, up to `timeout`: the other programs that share
// these files hold their lock only for one read and one rewrite. 0, or the
// errno of the failure (EWOULDBLOCK when it stayed held).
int lockWithin(int fd, int operation, std::chrono::milliseconds timeout);

// Reads from the descriptor's position to its end, but no more than `limit`
// bytes, into `content`, retrying when a signal interrupts. 0, or the errno
// of the failure (`content` then holds what was read).
int readUpTo(int fd, std::string &content,
             std::size_t limit = std::numeric_limits<std::size_t>::max());

// Writes all of `content`, going on after a short write or a signal. 0, or
// the errno of the failure (EIO when a write wrote nothing).
int writeAll(int fd, std::string_view content);

} // namespace files
