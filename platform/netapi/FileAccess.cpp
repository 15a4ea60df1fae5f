#include "platform/netapi/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace netapi {

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
    char buffer[65536];
    while (content.size() < limit) {
        const std::size_t wanted = std::min(sizeof buffer, limit - content.size());
        const ssize_t n = ::read(fd, buffer, wanted);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return 0;
}

} // namespace netapi
