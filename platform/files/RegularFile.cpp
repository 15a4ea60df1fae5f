#include "platform/files/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace files {

Descriptor openRegularAt(int folder, const char *name, int flags, mode_t mode, Links links,
                         struct stat *status)
{
    flags |= O_NONBLOCK | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
    Descriptor fd;
    do
        fd.reset(::openat(folder, name, flags, mode));
    while (!fd && errno == EINTR);
    if (!fd)
        return {};
    struct stat st
    {};
    if (::fstat(fd.get(), &st) != 0)
        return {};
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return {};
    }
    if (status)
        *status = st;
    return fd;
}

int lockWithin(int fd, int operation, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0)
            return 0;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() > deadline)
            return errno;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

int readUpTo(int fd, std::string &content, std::size_t limit)
{
    content.clear();
    // A regular file says how much it holds: room is made for that at once,
    // without copying the text as it grows, and reading ends once it came.
    struct stat st
    {};
    std::size_t known = 0;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const off_t position = ::lseek(fd, 0, SEEK_CUR);
        if (position >= 0 && position < st.st_size)
            known = std::min(static_cast<std::size_t>(st.st_size - position), limit);
    }
    constexpr std::size_t chunk = 65536;
    while (content.size() < limit) {
        const std::size_t had = content.size();
        const std::size_t wanted = std::min(had < known ? known - had : chunk, limit - had);
        content.resize(had + wanted);
        const ssize_t n = ::read(fd, content.data() + had, wanted);
        content.resize(had + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0 || (known > 0 && content.size() == known))
            break;
    }
    return 0;
}

int writeAll(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

} // namespace files
