#include "app/HelperSession.h"

#include "app/Session.h"
#include "platform/netapi/HelperProvider.h"
#include "platform/netapi/LocalProvider.h"

#include <unistd.h>

namespace {

std::shared_ptr<netapi::HelperProvider> &helperProvider()
{
    static std::shared_ptr<netapi::HelperProvider> helper;
    return helper;
}

} // namespace

std::vector<std::string> InstalledHelperCommand()
{
    static constexpr const char *pkexec = "/usr/bin/pkexec";
    if (::access(pkexec, X_OK) != 0 || ::access(TUMBLERSET_INSTALLED_HELPER, X_OK) != 0)
        return {};
    return {pkexec, TUMBLERSET_INSTALLED_HELPER};
}

void UseLocalHelperWhenUnprivileged(const std::string &directoryFile)
{
    if (!directoryFile.empty() || ::geteuid() == 0)
        return;
    UseLocalHelper(InstalledHelperCommand(), std::make_shared<netapi::LocalProvider>());
}

void UseLocalHelper(std::vector<std::string> command,
                    std::shared_ptr<netapi::AccountProvider> fallback)
{
    helperProvider() =
        std::make_shared<netapi::HelperProvider>(std::move(command), std::move(fallback));
    InstallLocalProvider(helperProvider());
}

std::string TakeLocalHelperNotice()
{
    return helperProvider() ? helperProvider()->takeNotice() : std::string();
}
