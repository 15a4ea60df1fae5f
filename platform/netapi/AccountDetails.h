#pragma once

// Why an account is locked out and until when, as far as its source records
// it, with the times of every source in one form: seconds since 1970 (UTC).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace netapi {

// One failed logon a source kept a record of (this computer's tally).
struct FailedLogon
{
    enum class Source
    {
        Host,     // a remote host
        Terminal, // a terminal
        Service   // neither known: the PAM service
    };
    std::int64_t time = 0;
    std::string from; // as recorded, empty when unknown
    Source kind = Source::Service;
    bool counts = true; // pam_faillock still counts it
};

struct AccountDetails
{
    std::uint32_t failedLogons = 0; // the failures that count now
    std::optional<std::int64_t> lastFailedLogon;
    std::string lastFailedLogonFrom; // empty when unknown
    std::optional<std::int64_t> lockedOutSince;
    // Unset while locked out: only an administrator's reset ends it. Unset
    // too when not locked out.
    std::optional<std::int64_t> unlocksAt;
    std::vector<FailedLogon> failures; // oldest first, where recorded one by one

    // False where the source does not keep that time at all: the time is
    // then unset and means "unknown", neither "never" nor "not locked out"
    // nor "only an administrator".
    bool lastFailedLogonKnown = true;
    bool lockedOutSinceKnown = true;
    bool unlocksAtKnown = true;
    // How long a lockout lasts on the source, in seconds, where that is all
    // it tells of the end of one.
    std::optional<std::int64_t> lockoutLength;
};

// The record of a source that keeps the count of failed logons and the
// length of a lockout but no time (SAMR): when the lockout began is unknown,
// and so is when it ends, unless no time ends it. lockoutDuration is the
// domain's as it stores it (see times::fromInterval); unset when it could not
// be read.
AccountDetails countedDetails(std::uint32_t failedLogons, bool lockedOut,
                              std::optional<std::int64_t> lockoutDuration);

namespace times {

// A Windows FILETIME (100 ns since 1601) as seconds since 1970, rounded down.
// 0 and the largest value both mean "never" and give none.
std::optional<std::int64_t> fromFileTime(std::int64_t fileTime);

// A Windows interval as a directory stores it (lockoutDuration,
// lockOutObservationWindow): negative 100 ns units. Gives the length in
// seconds; none for "forever" (0 for a lockout duration, or the most
// negative value), which only an administrator ends.
std::optional<std::int64_t> fromInterval(std::int64_t interval);

// pam_faillock's and Unix times, seconds since 1970; none for 0 and -1,
// which the systems write for "never", and for times past year 9999.
std::optional<std::int64_t> fromUnixTime(std::int64_t seconds);

} // namespace times
} // namespace netapi
