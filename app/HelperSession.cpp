#include "app/HelperSession.h"

#include "app/Session.h"
#include "platform/netapi/HelperProvider.h"
#include "platform/netapi/LocalProvider.h"

#include <filesystem>
#include <system_error>
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
    if (::access(pkexec, X_OK) != 0)
        return {};
    // Installed beside the Samba module, found from the program's own place
    // (the package's prefix need not be the one the build was configured
    // for); pkexec matches the action by the path exactly, so it gets the
    // canonical one.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    const std::filesystem::path helper =
        std::filesystem::canonical(program.parent_path() / TUMBLERSET_HELPER_FROM_PROGRAM, error);
    if (error || ::access(helper.c_str(), X_OK) != 0)
        return {};
    return {pkexec, helper.string()};
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
