#pragma once

// pam_faillock's decision, made as the module makes it (Linux-PAM 1.5), from
// text the caller has read: no file is opened here.
//
// Each pam_faillock line of a PAM service's auth stack works with settings of
// its own: the module's defaults, then its settings file (faillock.conf, or
// the file its last conf= argument names), then the line's other arguments.
// The line refuses an account while at least `deny` valid failures lie within
// fail_interval of the newest one, and the newest is no older than
// unlock_time (root_unlock_time for root and the members of admin_group, who
// are refused only with even_deny_root). An account is locked out when any
// such line would refuse it now.

#include "platform/netapi/FaillockTally.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netapi::faillock {

inline constexpr std::string_view defaultConfPath = "/etc/security/faillock.conf";
inline constexpr std::string_view defaultTallyFolder = "/var/run/faillock";

// The settings one pam_faillock line decides with.
struct Settings
{
    std::string dir{defaultTallyFolder};
    std::uint16_t deny = 3;
    std::uint32_t failInterval = 900;
    std::uint32_t unlockTime = 600;
    std::uint32_t rootUnlockTime = 600; // unlock_time unless given
    bool evenDenyRoot = false;
    std::string adminGroup; // empty: none

    bool operator==(const Settings &) const = default;
};

// One pam_faillock line of a service's auth or account stack.
struct ModuleLine
{
    int line = 0; // where the line starts, from 1
    // In the auth stack, where the module refuses a locked account; in the
    // account stack it only empties the tally after a logon (and, like
    // every line, fails when its settings file cannot be read).
    bool auth = true;
    std::vector<std::string> arguments;
};

// What PAM makes of one service file.
struct ServiceFile
{
    std::vector<ModuleLine> faillockLines; // in file order
    // PAM refuses the whole file (a line longer than it reads, a continuation
    // cut off by the end of the file), so the service refuses everyone.
    bool malformed = false;
    // The file names pam_faillock somewhere, even where it could not be parsed.
    bool mentionsFaillock = false;
};

ServiceFile parseServiceFile(std::string_view content);

// The settings file a line reads: its last conf= argument, else faillock.conf.
std::string confPathOf(const std::vector<std::string> &arguments);

// The line's settings. `conf` is the settings file's text, or none when the
// default file does not exist (pam_faillock then starts from its defaults).
// Unset when pam_faillock refuses the settings file (a line longer than it
// reads, a NUL byte): the line then refuses everyone.
std::optional<Settings> settingsOf(const std::optional<std::string_view> &conf,
                                   const std::vector<std::string> &arguments);

// Whether a line with these settings refuses the account now. `tally` is the
// account's tally file as read (at most maxRecords records count); `isAdmin`:
// root, or a member of the line's admin_group.
bool refusesNow(std::string_view tally, const Settings &settings, bool isAdmin, std::uint64_t now);

// The lock a line holds on the account now.
struct Lock
{
    // The failure that began the run of refusals still going on: each later
    // failure came while the lock held and kept deny failures in the window.
    std::uint64_t since = 0;
    std::optional<std::uint64_t> until; // the newest failure plus unlock_time; unset: until reset
};

// The lock, when the line refuses the account now (as refusesNow says).
std::optional<Lock> lockNow(std::string_view tally, const Settings &settings, bool isAdmin,
                            std::uint64_t now);

} // namespace netapi::faillock
