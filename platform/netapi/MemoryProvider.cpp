#include "platform/netapi/MemoryProvider.h"

#include "platform/netapi/NetApi.h"
#include "platform/text/CaseFolding.h"

#include <QString>
#include <thread>

namespace netapi {

std::uint32_t MemoryProvider::Account::flags() const
{
    return UF_NORMAL_ACCOUNT | (lockedOut ? UF_LOCKOUT : 0) | (disabled ? UF_ACCOUNTDISABLE : 0);
}

void MemoryProvider::addServer(const std::string &server)
{
    m_servers.try_emplace(text::foldCase(server));
}

MemoryProvider::Account &MemoryProvider::addAccount(const std::string &server,
                                                    const Account &account)
{
    Server &s = m_servers[text::foldCase(server)];
    Account &added = s.accounts.emplace_back(account);
    if (added.userId == 0)
        added.userId = m_nextUserId++;
    return added;
}

MemoryProvider::Account *MemoryProvider::account(const std::string &server, const std::string &user)
{
    Server *s = findServer(server);
    if (!s)
        return nullptr;
    const std::string key = text::foldCase(user);
    for (Account &a : s->accounts) {
        if (text::foldCase(a.name) == key)
            return &a;
    }
    return nullptr;
}

void MemoryProvider::setResult(Call call, std::uint32_t code)
{
    m_results[call] = code;
}

void MemoryProvider::setAccountResult(const std::string &server, const std::string &user, Call call,
                                      std::uint32_t code)
{
    m_servers[text::foldCase(server)].accountResults[text::foldCase(user)][call] = code;
}

void MemoryProvider::setEnumFailure(const std::string &server, std::size_t accounts,
                                    std::uint32_t code)
{
    m_servers[text::foldCase(server)].enumFailure = std::make_pair(accounts, code);
}

void MemoryProvider::setDelay(Call call, std::chrono::milliseconds delay)
{
    m_delays[call] = delay;
}

void MemoryProvider::setHook(std::function<void(const CallRecord &)> hook)
{
    m_hook = std::move(hook);
}

std::size_t MemoryProvider::callCount(Call call) const
{
    std::size_t count = 0;
    for (const CallRecord &record : m_calls)
        count += record.call == call ? 1 : 0;
    return count;
}

MemoryProvider::Server *MemoryProvider::findServer(const std::string &server)
{
    const auto it = m_servers.find(text::foldCase(server));
    return it == m_servers.end() ? nullptr : &it->second;
}

std::uint32_t MemoryProvider::begin(Call call, const std::string &server, const std::string &user,
                                    std::uint32_t value)
{
    const CallRecord record{call, server, user, value};
    m_calls.push_back(record);
    if (const auto delay = m_delays.find(call); delay != m_delays.end())
        std::this_thread::sleep_for(delay->second);
    if (m_hook)
        m_hook(record);
    if (const auto result = m_results.find(call); result != m_results.end() && result->second)
        return result->second;
    Server *s = findServer(server);
    if (!s)
        return NERR_InvalidComputer;
    if (call != Call::Enumerate) {
        const auto perAccount = s->accountResults.find(text::foldCase(user));
        if (perAccount != s->accountResults.end()) {
            const auto code = perAccount->second.find(call);
            if (code != perAccount->second.end() && code->second)
                return code->second;
        }
    }
    return NERR_Success;
}

std::uint32_t MemoryProvider::enumerate(const std::string &server, std::uint32_t filter,
                                        std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                                        std::vector<AccountEntry> &out)
{
    if (const std::uint32_t code = begin(Call::Enumerate, server, {}, resumeHandle))
        return code;
    // The hook may have changed the servers: look again.
    const Server &s = *findServer(server);
    if (filter != 0 && !(filter & FILTER_NORMAL_ACCOUNT))
        return NERR_Success;
    std::size_t end = s.accounts.size();
    std::uint32_t finalCode = NERR_Success;
    if (s.enumFailure && s.enumFailure->first < end) {
        end = s.enumFailure->first;
        finalCode = s.enumFailure->second;
    } else if (s.enumFailure) {
        finalCode = s.enumFailure->second;
    }
    return listBatch(
        prefMaxLen, resumeHandle, end, finalCode,
        [&](std::size_t i) {
            const Account &a = s.accounts[i];
            return AccountEntry{a.name, a.comment, {}, a.fullName};
        },
        out);
}

std::uint32_t MemoryProvider::getInfo(const std::string &server, const std::string &user,
                                      AccountInfo &out)
{
    if (const std::uint32_t code = begin(Call::GetInfo, server, user, 0))
        return code;
    const Account *a = account(server, user);
    if (!a)
        return NERR_UserNotFound;
    out = AccountInfo{a->name, a->fullName, a->comment, a->flags(), a->userId};
    return NERR_Success;
}

std::uint32_t MemoryProvider::setFlags(const std::string &server, const std::string &user,
                                       std::uint32_t flags)
{
    if (const std::uint32_t code = begin(Call::SetFlags, server, user, flags))
        return code;
    Account *a = account(server, user);
    if (!a)
        return NERR_UserNotFound;
    // As on Windows, the lockout bit can be cleared but not set.
    a->lockedOut = a->lockedOut && (flags & UF_LOCKOUT);
    a->disabled = flags & UF_ACCOUNTDISABLE;
    return NERR_Success;
}

} // namespace netapi
