#include "app/Session.h"

#include "platform/netapi/DirectoryProvider.h"
#include "platform/netapi/LocalProvider.h"
#include "platform/netapi/remote/RemoteProvider.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/prctl.h>

namespace {
std::shared_ptr<netapi::RemoteProvider> &remoteProvider()
{
    static std::shared_ptr<netapi::RemoteProvider> remote;
    return remote;
}
} // namespace

void InstallAccountProviders(const std::string &directoryFile)
{
    if (!directoryFile.empty()) {
        auto directory = std::make_shared<netapi::DirectoryProvider>(directoryFile);
        remoteProvider().reset();
        netapi::installProviders(directory, directory);
        return;
    }
    remoteProvider() = netapi::createRemoteProvider();
    netapi::installProviders(std::make_shared<netapi::LocalProvider>(), remoteProvider());
}

void InstallLocalProvider(std::shared_ptr<netapi::AccountProvider> local)
{
    netapi::installProviders(std::move(local), remoteProvider());
}

bool AcceptsCredentials()
{
    return remoteProvider() != nullptr;
}

void KeepSecretsOutOfCoreDumps()
{
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

void KeepEnvironmentSecretsOutOfCoreDumps()
{
    const char *user = std::getenv("USER");
    if (std::getenv("PASSWD") || std::getenv("PASSWD_FILE") || std::getenv("PASSWD_FD") ||
        (user && std::strchr(user, '%')))
        KeepSecretsOutOfCoreDumps();
}

std::string LogonAdvice(const std::string &server)
{
    return remoteProvider() ? remoteProvider()->logonAdvice(server) : std::string();
}

void ApplyCredentials(const netapi::Credentials &credentials)
{
    KeepSecretsOutOfCoreDumps();
    if (remoteProvider())
        remoteProvider()->setCredentials(credentials);
}
