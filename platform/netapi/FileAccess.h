#pragma once

// Reading and locking the files the account providers own or share with
// other programs (the directory file, pam_faillock's tallies), on open
// descriptors: retried when a signal interrupts, bounded where the file may
// be anyone's.

#include <chrono>
#include <cstddef>
#include <limits>
#include <string>

namespace netapi {

// Takes a flock (LOCK_SH or LOCK_EX), waiting up to `timeout` for another
// holder, who keeps it only for one read and rewrite. 0, or the errno of the
// failure (EWOULDBLOCK when it stayed held).
int lockWithin(int fd, int operation, std::chrono::milliseconds timeout);

// Reads from the descriptor's position to its end, but no more than `limit`
// bytes, into `content`. 0, or the errno of the failure.
int readUpTo(int fd, std::string &content,
             std::size_t limit = std::numeric_limits<std::size_t>::max());

} // namespace netapi
