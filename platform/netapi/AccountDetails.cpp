#include "platform/netapi/AccountDetails.h"

#include <limits>

namespace netapi {

namespace {
constexpr std::int64_t samba32BitForever = 0xFFFFFFFFLL * 60;
} // namespace

AccountDetails countedDetails(std::uint32_t failedLogons, bool lockedOut,
                              std::optional<std::int64_t> lockoutDuration)
{
    AccountDetails out;
    out.failedLogons = failedLogons;
    out.lastFailedLogonKnown = false;
    if (!lockedOut)
        return out;
    out.lockedOutSinceKnown = false;
    if (lockoutDuration)
        out.lockoutLength = times::fromInterval(*lockoutDuration);
    // Samba keeps its "forever", -1 minutes, unsigned and reports 2^32 - 1
    // minutes; Windows allows 99,999 at most.
    if (out.lockoutLength && *out.lockoutLength >= samba32BitForever)
        out.lockoutLength.reset();
    // A lockout no time ends is known to last until a reset; any other ends
    // at a time counted from its unknown start.
    out.unlocksAtKnown = lockoutDuration && !out.lockoutLength;
    return out;
}

} // namespace netapi

namespace netapi::times {

namespace {

constexpr std::int64_t ticksPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t epochDifference = 11'644'473'600;
// 9999-12-31T23:59:59Z: ISO 8601 texts have four-digit years.
constexpr std::int64_t latestTime = 253'402'300'799;

} // namespace

std::optional<std::int64_t> fromUnixTime(std::int64_t seconds)
{
    if (seconds == 0 || seconds == -1 || seconds > latestTime || seconds < -epochDifference)
        return std::nullopt;
    return seconds;
}

std::optional<std::int64_t> fromFileTime(std::int64_t fileTime)
{
    if (fileTime <= 0 || fileTime == std::numeric_limits<std::int64_t>::max())
        return std::nullopt;
    return fromUnixTime(fileTime / ticksPerSecond - epochDifference);
}

std::optional<std::int64_t> fromInterval(std::int64_t interval)
{
    if (interval == 0 || interval == std::numeric_limits<std::int64_t>::min())
        return std::nullopt;
    // Some writers store the length as a positive number.
    const std::int64_t ticks = interval < 0 ? -interval : interval;
    return ticks / ticksPerSecond;
}

} // namespace netapi::times
