#pragma once

// The accounts of this Linux computer, served for the empty server name.
//
// Normal accounts are the /etc/passwd entries whose UID lies from UID_MIN to
// UID_MAX of /etc/login.defs (1000 to 60000 when not set), in file order; the
// full name is the first comma-separated field of GECOS. An account is
// disabled when its /etc/shadow password starts with '!' or its expiry day
// has come, and locked out when a pam_faillock line of any PAM service's auth
// stack in /etc/pam.d would refuse it now, each line with its own settings
// (see Faillock.h). A reset empties the account's tally in every folder those
// lines read, under pam_faillock's lock, as "faillock --user NAME --reset"
// does; no other flag can be written. With no service using pam_faillock,
// nobody is locked out.
//
// A service file that cannot be read, or that names pam_faillock but is one
// PAM gives up on, and a pam_faillock line whose settings file is missing or
// one pam_faillock refuses, leave the lockout unknown: every lookup then
// answers an error (5 when access was denied, 2 for a missing settings file,
// 1610 otherwise) rather than "not locked", and standard error says once
// which file is to blame. Such a service refuses everyone, which no reset
// mends.
//
// A listing reads passwd, login.defs, shadow, group, pam_faillock's settings
// and the names in its tally folders once, when it starts, and answers the lookup of
// each account it has just handed out from what it read, with the account's
// tally (if it had one then) read at that moment; every other lookup, and a
// reset, reads the files afresh.
//
// The shadow and tally files are readable by root only: without the right to
// read them a lookup answers 5 (access denied), and so does a reset.

#include "platform/netapi/AccountProvider.h"
#include "platform/netapi/Faillock.h"
#include "platform/netapi/LocalAccounts.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace netapi {

class LocalProvider : public AccountProvider
{
public:
    struct Options
    {
        // Every file is looked for under this folder; tests point it at a tree
        // of their own. Defaults to "/".
        std::string root = "/";
        // The PAM service files, under root. Tests point it at services of
        // their own beside the system's.
        std::string pamFolder = "/etc/pam.d";
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
    // Every failure in the account's tallies, and the lock of each refusing
    // line: locked out since the earliest, until the latest end (none when
    // a line holds it until a reset). Read afresh.
    std::uint32_t getDetails(const std::string &server, const std::string &user,
                             AccountDetails &out) override;

private:
    using PasswdEntry = local::PasswdEntry;
    using GroupEntry = local::GroupEntry;
    // One pam_faillock line of a service.
    struct FaillockLine
    {
        std::string source;  // "/etc/pam.d/sshd:3", for messages
        bool refuses = true; // of the auth stack: refuses a locked-out account
        faillock::Settings settings;
    };
    // What decides the flags besides the tallies: shadow, pam_faillock's
    // lines and their admin groups, each with the outcome of reading it.
    struct FlagSources
    {
        std::uint32_t shadowStatus = 0;
        local::ShadowTable shadow;
        std::uint32_t faillockStatus = 0;
        std::vector<FaillockLine> faillock;
        std::unordered_map<std::string, GroupEntry> adminGroups; // absent: no such group
        // By tally folder, the names in it when a listing started: an account
        // without a tally then is not opened. Unset or absent: every tally is opened.
        std::unordered_map<std::string, std::optional<local::NameSet>> tallies;
    };
    // The files of one listing, read when it starts.
    struct Snapshot
    {
        std::vector<PasswdEntry> accounts; // the normal accounts, in file order
        FlagSources sources;
        // By pam_faillock line, which accounts had a tally in its folder;
        // unset when the folder could not be listed.
        std::vector<std::optional<std::vector<bool>>> tallied;
    };
    // Where the lookup of an account a listing just handed out stands.
    struct ListedPlace
    {
        const Snapshot &listing;
        std::size_t index;         // of the account in listing.accounts
        std::size_t &shadowCursor; // the listing's walk through shadow
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
    // An account's tally in each folder that was read, by folder.
    using TallyContents = std::vector<std::pair<std::string, std::string>>;
    // Reads only the tallies `tallies` does not hold yet.
    std::uint32_t readDetails(const PasswdEntry &entry, const FlagSources &sources,
                              TallyContents tallies, AccountDetails &out) const;
    // The tallies it read go to `read`, when given. `listed`: for the
    // account a listing just handed out, where it stands in that listing.
    std::uint32_t readFlags(const PasswdEntry &entry, const FlagSources &sources,
                            std::uint32_t &flags, TallyContents *read = nullptr,
                            const ListedPlace *listed = nullptr) const;
    // The pam_faillock lines of every service in the PAM folder, with their settings.
    std::uint32_t readFaillockLines(std::vector<FaillockLine> &lines) const;
    // The groups the lines name as admin_group.
    std::uint32_t readAdminGroups(const std::vector<FaillockLine> &lines,
                                  std::unordered_map<std::string, GroupEntry> &groups) const;
    // Empties the account's tally in one folder. 0, or an error code.
    std::uint32_t resetTally(const std::string &systemFolder, const std::string &user) const;
    // The names in a tally folder; unset when it cannot be listed.
    std::optional<local::NameSet> listTallies(const std::string &systemFolder) const;
    bool servesServer(const std::string &server) const;

    Options m_options;

    std::mutex m_mutex;
    std::shared_ptr<const Snapshot> m_listing; // of the listing started last
    std::size_t m_shadowCursor = 0;            // m_listing's walk through shadow
    // The accounts of m_listing handed out last, by their place in it, whose
    // lookups are still to come.
    JustListed<std::size_t> m_justListed;
    // The account looked up last from m_listing: its name, its place in it
    // and the tallies its lookup read, which its details need again.
    struct LookedUp
    {
        std::string name;
        std::size_t index = 0;
        TallyContents tallies;
    };
    std::optional<LookedUp> m_lookedUpLast;
};

} // namespace netapi
