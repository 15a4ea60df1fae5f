#pragma once

// The account providers behind the account management calls, and the routing
// from a server name to a provider. Providers speak UTF-8; the calls in
// NetApi.h convert to and from UTF-16 and own every buffer they hand out.
//
// Deliberately free of NetApi.h, so that a provider built on Samba's own
// netapi.h can include this header without the two colliding.

#include "platform/netapi/AccountDetails.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace netapi {

// One account as the enumeration returns it (level 10).
struct AccountEntry
{
    std::string name;
    std::string comment;
    std::string userComment;
    std::string fullName;
};

// One account as a lookup returns it (level 20).
struct AccountInfo
{
    std::string name;
    std::string fullName;
    std::string comment;
    std::uint32_t flags = 0;
    std::uint32_t userId = 0;
};

class AccountProvider
{
public:
    virtual ~AccountProvider() = default;

    // server: UTF-8, without leading backslashes, empty for this computer.
    // Appends at most about prefMaxLen bytes' worth of accounts (at least one)
    // to out; returns 0 when the last account is out, 234 while more remain, or
    // an error code. resumeHandle is 0 on the first call of a listing and is
    // whatever the provider set it to on the later ones.
    virtual std::uint32_t enumerate(const std::string &server, std::uint32_t filter,
                                    std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                                    std::vector<AccountEntry> &out) = 0;

    // Fills out for one account; returns 0 or an error code.
    virtual std::uint32_t getInfo(const std::string &server, const std::string &user,
                                  AccountInfo &out) = 0;

    // Writes the account's flags (level 1008); returns 0 or an error code.
    virtual std::uint32_t setFlags(const std::string &server, const std::string &user,
                                   std::uint32_t flags) = 0;

    // Why the account is locked out and until when, as far as the source
    // records it; returns 0 or an error code. 50 (not supported) where the
    // provider keeps no such record.
    virtual std::uint32_t getDetails(const std::string &server, const std::string &user,
                                     AccountDetails &out)
    {
        (void)server, (void)user, (void)out;
        return 50;
    }
};

// Installs the providers the calls route to: `local` serves the empty server
// name, `remote` every other. Either may be the same object. Set once at
// start-up; tests install their own. Until something is installed, the calls
// use this computer's accounts and Samba for named servers.
void installProviders(std::shared_ptr<AccountProvider> local,
                      std::shared_ptr<AccountProvider> remote);

// The provider that serves `server` (UTF-8, no leading backslashes).
AccountProvider &providerFor(const std::string &server);

// The same, shared: the calls hold it for their duration, so a provider
// replaced in the middle of a call lives until that call returns.
std::shared_ptr<AccountProvider> sharedProviderFor(const std::string &server);

// Counts how many accounts fit one enumeration batch. A record costs what it
// takes in the caller's buffer: one USER_INFO_10 plus its four texts in UTF-16
// with terminators. The first account always fits; MAX_PREFERRED_LENGTH
// (0xFFFFFFFF) lets everything fit.
class BatchBudget
{
public:
    explicit BatchBudget(std::uint32_t prefMaxLen) : m_limit(prefMaxLen) {}

    // True when the account joins the batch (and is counted); false when the
    // batch is full and the account belongs to the next one.
    bool take(const AccountEntry &entry);
    bool take(std::size_t recordBytes);
    // True when no further account can join, whatever its size: a listing of
    // one account per call then makes no entry only to leave it out.
    bool full() const;

    static std::size_t recordBytes(const AccountEntry &entry);

private:
    std::uint64_t m_limit;
    std::uint64_t m_used = 0;
    std::size_t m_count = 0;
};

// Appends to out the accounts from position `next` up to `end`, as many as
// one batch of prefMaxLen holds (at least one); entryAt(i) gives the account
// at position i. Returns the position after the last one appended.
template <typename EntryAt>
std::size_t fillBatch(std::uint32_t prefMaxLen, std::size_t next, std::size_t end,
                      EntryAt &&entryAt, std::vector<AccountEntry> &out)
{
    BatchBudget budget(prefMaxLen);
    for (; next < end && !budget.full(); ++next) {
        AccountEntry entry = entryAt(next);
        if (!budget.take(entry))
            break;
        out.push_back(std::move(entry));
    }
    return next;
}

// The accounts a listing handed out last, each answering once the lookup that
// follows it: a listing looks every account up right after receiving it, and
// the provider answers from what it listed rather than ask again. Every other
// call (a reset above all) clears it, and a lookup it does not answer reads
// the account afresh.
template <typename Value> class JustListed
{
public:
    // A listing of server hands out a batch: what an earlier one left goes.
    void start(const std::string &server)
    {
        m_server = server;
        m_entries.clear();
        m_first = 0;
    }
    void clear() { start({}); }

    void add(std::string name, Value value)
    {
        m_entries.emplace_back(std::move(name), std::move(value));
    }

    // What was listed for user on server, once; unset when it was not just listed.
    std::optional<Value> take(const std::string &server, const std::string &user)
    {
        if (server != m_server)
            return std::nullopt;
        for (std::size_t at = m_first; at < m_entries.size(); ++at) {
            if (m_entries[at].first != user)
                continue;
            std::optional<Value> value(std::move(m_entries[at].second));
            // The lookups come in the order handed out: the first is the
            // one nearly always taken, and is passed over rather than erased.
            if (at == m_first)
                ++m_first;
            else
                m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(at));
            if (m_first == m_entries.size())
                start(m_server);
            return value;
        }
        return std::nullopt;
    }

private:
    std::string m_server;
    // In the order handed out, which is the order the lookups come in;
    // those before m_first are answered.
    std::vector<std::pair<std::string, Value>> m_entries;
    std::size_t m_first = 0;
};

// One call of a listing held in order, whose resume handle is the position of
// its next account: appends the next batch, moves the handle on, and notes the
// accounts with their positions in `listed` when given. A listing that ends in
// an error (endCode, not 0) answers it alone on the call after its last
// account, as a server does, so the accounts handed out stay valid. Returns 0
// after the last batch, 234 (more data) while more remain.
template <typename EntryAt>
std::uint32_t listBatch(std::uint32_t prefMaxLen, std::uint32_t &resumeHandle, std::size_t end,
                        std::uint32_t endCode, EntryAt &&entryAt, std::vector<AccountEntry> &out,
                        JustListed<std::size_t> *listed = nullptr)
{
    constexpr std::uint32_t moreData = 234;
    const std::size_t first = resumeHandle;
    if (first >= end)
        return endCode;
    const std::size_t had = out.size();
    const std::size_t next = fillBatch(prefMaxLen, first, end, entryAt, out);
    for (std::size_t i = had; listed && i < out.size(); ++i)
        listed->add(out[i].name, first + (i - had));
    resumeHandle = static_cast<std::uint32_t>(next);
    return next < end || endCode != 0 ? moreData : 0;
}

} // namespace netapi
