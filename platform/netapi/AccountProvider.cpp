#include "platform/netapi/AccountProvider.h"

#include "platform/netapi/LocalProvider.h"
#include "platform/netapi/NetApi.h"
#include "platform/netapi/remote/RemoteProvider.h"

#include <mutex>

namespace netapi {

namespace {

struct Routing
{
    std::mutex mutex;
    std::shared_ptr<AccountProvider> local;
    std::shared_ptr<AccountProvider> remote;
};

Routing &routing()
{
    static Routing instance;
    return instance;
}

// UTF-16 code units the UTF-8 text becomes, without converting it: every
// byte that starts a character gives one unit, four-byte ones a surrogate pair.
std::size_t utf16Units(const std::string &utf8)
{
    std::size_t units = 0;
    for (unsigned char byte : utf8) {
        if ((byte & 0xC0) != 0x80)
            ++units;
        if (byte >= 0xF0)
            ++units;
    }
    return units;
}

} // namespace

void installProviders(std::shared_ptr<AccountProvider> local,
                      std::shared_ptr<AccountProvider> remote)
{
    Routing &r = routing();
    const std::lock_guard lock(r.mutex);
    r.local = std::move(local);
    r.remote = std::move(remote);
}

std::shared_ptr<AccountProvider> sharedProviderFor(const std::string &server)
{
    Routing &r = routing();
    const std::lock_guard lock(r.mutex);
    // The defaults are made on first use: a run on a directory file never
    // touches this computer's account files or Samba.
    if (server.empty()) {
        if (!r.local)
            r.local = std::make_shared<LocalProvider>();
        return r.local;
    }
    if (!r.remote)
        r.remote = createRemoteProvider();
    return r.remote;
}

AccountProvider &providerFor(const std::string &server)
{
    // The routing keeps the provider alive until the next installProviders.
    return *sharedProviderFor(server);
}

std::size_t BatchBudget::recordBytes(const AccountEntry &entry)
{
    const std::size_t units = utf16Units(entry.name) + utf16Units(entry.comment) +
                              utf16Units(entry.userComment) + utf16Units(entry.fullName) + 4;
    return sizeof(USER_INFO_10) + units * sizeof(char16_t);
}

bool BatchBudget::take(const AccountEntry &entry)
{
    return take(recordBytes(entry));
}

bool BatchBudget::take(std::size_t recordBytes)
{
    if (m_count > 0 && m_limit != MAX_PREFERRED_LENGTH && m_used + recordBytes > m_limit)
        return false;
    m_used += recordBytes;
    ++m_count;
    return true;
}

} // namespace netapi
