#pragma once

// An open file descriptor with one owner, who closes it (and with it any
// flock taken on it), on every path out of a function.

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace files {

class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor(int fd) noexcept : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor &&other) noexcept : m_fd(other.release()) {}
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    // -1 when it holds none.
    int get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }

    // Hands the descriptor over to the caller, who closes it.
    int release() noexcept { return std::exchange(m_fd, -1); }

    // Closes the descriptor held, if any, and holds `fd`. errno is kept, so
    // that a failure can be reported after the descriptors on its way are
    // closed.
    void reset(int fd = -1) noexcept
    {
        if (m_fd >= 0) {
            const int error = errno;
            ::close(m_fd);
            errno = error;
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

} // namespace files
