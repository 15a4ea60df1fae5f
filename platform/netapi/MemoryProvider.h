#pragma once

// Scripted accounts for tests of the layers above: servers and accounts held in
// memory, result codes and delays per kind of call or per account, a hook that
// runs inside every call, and a log of the calls made.
//
//   auto memory = std::make_shared<netapi::MemoryProvider>();
//   memory->addAccount("dc01", {"jsmith", "John Smith"}).lockedOut = true;
//   memory->setResult(netapi::MemoryProvider::Call::SetFlags, 2226);
//   netapi::installProviders(memory, memory);

#include "platform/netapi/AccountProvider.h"

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace netapi {

class MemoryProvider : public AccountProvider
{
public:
    enum class Call
    {
        Enumerate,
        GetInfo,
        SetFlags
    };

    struct Account
    {
        Account(std::string name = {}, std::string fullName = {}, std::string comment = {})
            : name(std::move(name)), fullName(std::move(fullName)), comment(std::move(comment))
        {}

        std::string name;
        std::string fullName;
        std::string comment;
        bool lockedOut = false;
        bool disabled = false;
        std::uint32_t userId = 0; // 0: numbered from 1000 in order of adding
        std::uint32_t flags() const;
    };

    struct CallRecord
    {
        Call call;
        std::string server;
        std::string user;        // empty for Enumerate
        std::uint32_t value = 0; // SetFlags: the flags; Enumerate: the resume handle passed in
    };

    // Servers match without regard to case, as do account names. A server
    // that was never added answers 2351.
    void addServer(const std::string &server);
    // Adds the server when needed; returns the stored account to adjust.
    Account &addAccount(const std::string &server, const Account &account);
    // The stored account, or null.
    Account *account(const std::string &server, const std::string &user);

    // Every call of this kind answers `code` (0 lifts it), before looking at anything.
    void setResult(Call call, std::uint32_t code);
    // Calls of this kind about this account answer `code` (0 lifts it).
    void setAccountResult(const std::string &server, const std::string &user, Call call,
                          std::uint32_t code);
    // The listing of this server ends with `code` after `accounts` accounts:
    // the call after the last of them returns it with no entries.
    void setEnumFailure(const std::string &server, std::size_t accounts, std::uint32_t code);
    // Every call of this kind sleeps this long first, like a slow link.
    void setDelay(Call call, std::chrono::milliseconds delay);
    // Runs at the start of every call, after the delay; may call back into the
    // layers above (a second listing started in the middle of one).
    void setHook(std::function<void(const CallRecord &)> hook);

    const std::vector<CallRecord> &calls() const { return m_calls; }
    std::size_t callCount(Call call) const;
    void clearCalls() { m_calls.clear(); }

    std::uint32_t enumerate(const std::string &server, std::uint32_t filter,
                            std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                            std::vector<AccountEntry> &out) override;
    std::uint32_t getInfo(const std::string &server, const std::string &user,
                          AccountInfo &out) override;
    std::uint32_t setFlags(const std::string &server, const std::string &user,
                           std::uint32_t flags) override;

private:
    struct Server
    {
        std::vector<Account> accounts;
        std::map<std::string, std::map<Call, std::uint32_t>> accountResults; // by folded name
        std::optional<std::pair<std::size_t, std::uint32_t>> enumFailure;
    };

    Server *findServer(const std::string &server);
    std::uint32_t begin(Call call, const std::string &server, const std::string &user,
                        std::uint32_t value);

    std::map<std::string, Server> m_servers; // by folded name
    std::map<Call, std::uint32_t> m_results;
    std::map<Call, std::chrono::milliseconds> m_delays;
    std::function<void(const CallRecord &)> m_hook;
    std::vector<CallRecord> m_calls;
    std::uint32_t m_nextUserId = 1000;
};

} // namespace netapi
