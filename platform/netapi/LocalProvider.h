#pragma once

// The accounts of this Linux computer, served for the empty server name.
//
// Normal accounts are the /etc/passwd entries whose UID lies from UID_MIN to
// UID_MAX of /etc/login.defs (1000 to 60000 when not set), in file order; the
// full name is the first comma-separated field of GECOS. An account is
// disabled when its /etc/shadow password starts with '!' or its expiry day
// has come, and locked out when pam_faillock would deny it now (its tally file
// under its "dir"). Its settings are combined as pam_faillock combines them:
// /etc/security/faillock.conf (or the file a conf= argument names), then the
// arguments of the pam_faillock lines in /etc/pam.d, which win. A reset
// empties that tally file under pam_faillock's lock, as "faillock --user NAME
// --reset" does; no other flag can be written.
//
// A listing reads passwd, login.defs, shadow, pam_faillock's settings and the
// names in its tally folder once, when it starts, and answers the lookup of
// each account it has just handed out from what it read, with the account's
// tally (if it had one then) read at that moment; every other lookup, and a
// reset, reads the files afresh.
//
// The shadow and tally files are readable by root only: without the right to
// read them a lookup answers 5 (access denied), and so does a reset.

#include "platform/netapi/AccountProvider.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace netapi {

struct FaillockConfig;

class LocalProvider : public AccountProvider
{
public:
    struct Options
    {
        // Every file is looked for under this folder; tests point it at a tree
        // of their own. Defaults to "/".
        std::string root = "/";
        // Asked before each file is opened, with its full path: 0 goes ahead,
        // an errno value (EACCES) fails the open as the system would. The
        // system's own checks still apply. Lets tests that run as root, who
        // may read everything, see a refusal. Defaults to none.
        std::function<int(const std::string &path, bool forWriting)> access;
        // Seconds since 1970, for expiry days and lockout windows. Defaults to
        // the system clock.
        std::function<std::int64_t()> now;
    };

    LocalProvider();
    explicit LocalProvider(Options options);

    std::uint32_t enumerate(const std::string &server, std::uint32_t filter,
                            std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                            std::vector<AccountEntry> &out) override;
    std::uint32_t getInfo(const std::string &server, const std::string &user,
                          AccountInfo &out) override;
    std::uint32_t setFlags(const std::string &server, const std::string &user,
                           std::uint32_t flags) override;

    // A user name that must never become part of a path: empty, holding '/',
    // starting with '.', or holding a control character.
    static bool isUnsafeUserName(const std::string &user);

private:
    struct PasswdEntry
    {
        std::string name;
        std::uint32_t uid = 0;
        std::string fullName;
    };

    // An account's /etc/shadow state.
    struct ShadowEntry
    {
        bool passwordLocked = false;
        std::int64_t expireDay = -1; // -1: never expires
    };
    using FaillockSettings = std::shared_ptr<const FaillockConfig>;
    // What decides the flags besides the tally: shadow and pam_faillock's
    // settings, each with the outcome of reading it.
    struct FlagSources
    {
        std::uint32_t shadowStatus = 0;
        std::unique_ptr<const std::string> shadowNames; // what the names below point into
        std::unordered_map<std::string_view, ShadowEntry> shadow;
        std::uint32_t faillockStatus = 0;
        FaillockSettings faillock;
        // The names in the tally folder when a listing started: an account
        // without a tally then is not opened. Unset: every tally is opened.
        std::optional<std::unordered_set<std::string>> tallies;
    };
    // The files of one listing, read when it starts.
    struct Snapshot
    {
        std::vector<PasswdEntry> accounts; // the normal accounts, in file order
        FlagSources sources;
    };

    std::string pathOf(const std::string &systemPath) const;
    // 0, or the errno of the failure.
    int readFile(const std::string &systemPath, std::string &content) const;
    // The first records of a tally, under pam_faillock's lock. 0, or the errno.
    int readTally(const std::string &systemPath, std::string &content) const;
    std::uint32_t readPasswd(std::vector<PasswdEntry> &entries) const;
    std::uint32_t findUser(const std::string &user, PasswdEntry &entry) const;
    std::uint32_t readAccounts(std::vector<PasswdEntry> &accounts) const;
    FlagSources readFlagSources() const;
    std::uint32_t readFlags(const PasswdEntry &entry, const FlagSources &sources,
                            std::uint32_t &flags) const;
    // pam_faillock's settings, from faillock.conf and the pam_faillock lines of /etc/pam.d.
    std::uint32_t readFaillockConfig(FaillockSettings &settings) const;
    // The names in a tally folder; unset when it cannot be listed.
    std::optional<std::unordered_set<std::string>>
    listTallies(const std::string &systemFolder) const;
    bool servesServer(const std::string &server) const;

    Options m_options;

    std::mutex m_mutex;
    std::shared_ptr<const Snapshot> m_listing; // of the listing started last
    // The accounts of m_listing handed out last whose lookups are still to
    // come, in the order the listing makes them: from m_answerNext to m_batchEnd.
    std::size_t m_answerNext = 0;
    std::size_t m_batchEnd = 0;
};

} // namespace netapi
