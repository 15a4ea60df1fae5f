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

} // namespace netapi
