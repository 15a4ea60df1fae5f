// The stand-in for the remote provider: loads the Samba module when a named
// server is first asked, and forwards every call to the provider it makes.

#include "platform/Logging.h"
#include "platform/WinError.h"
#include "platform/files/TrustedModule.h"
#include "platform/netapi/remote/RemoteProvider.h"

#include <dlfcn.h>
#include <mutex>
#include <optional>

namespace netapi {
namespace {

// This build's module, or the installed package's.
std::vector<std::string> defaultModulePaths()
{
    return files::modulePaths({TUMBLERSET_BUILD_DIR, TUMBLERSET_BUILT_MODULE,
                               TUMBLERSET_MODULE_FROM_PROGRAM, TUMBLERSET_INSTALLED_MODULE});
}

struct Loaded
{
    std::unique_ptr<RemoteProvider> provider;
    std::string failure; // why there is no provider
};

// Tries each path in turn; the first that yields a provider serves.
Loaded loadModule(const std::vector<std::string> &paths)
{
    std::string failures;
    std::string searched;
    const auto fail = [&failures](const std::string &why) {
        failures += (failures.empty() ? "" : "; ") + why;
    };
    for (const std::string &path : paths) {
        searched += (searched.empty() ? "" : ", ") + path;
        // Bound at load: a missing Samba symbol fails here, not in the middle
        // of a call. The handle is never closed (see the factory's comment).
        const files::LoadedModule module = files::loadTrustedModule(path);
        if (module.missing)
            continue;
        if (!module.handle) {
            fail(module.failure);
            continue;
        }
        using Factory = decltype(&tumblerset_create_remote_provider);
        const auto factory =
            reinterpret_cast<Factory>(dlsym(module.handle, tumblersetRemoteProviderFactory));
        if (!factory) {
            const char *error = dlerror();
            const std::string why = error ? error : "not the Samba module";
            fail(why.starts_with(path) ? why : path + ": " + why);
            continue;
        }
        if (std::unique_ptr<RemoteProvider> provider{factory()})
            return {std::move(provider), {}};
        fail(path + ": the module could not make its provider");
    }
    if (failures.empty())
        return {nullptr, "tumblerset-samba.so was not found (looked in " + searched + ")"};
    return {nullptr, failures};
}

class ModuleRemoteProvider final : public RemoteProvider
{
public:
    explicit ModuleRemoteProvider(std::vector<std::string> modulePaths)
        : m_paths(std::move(modulePaths))
    {}

    std::uint32_t enumerate(const std::string &server, std::uint32_t filter,
                            std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                            std::vector<AccountEntry> &out) override
    {
        RemoteProvider *provider = loaded();
        return provider ? provider->enumerate(server, filter, prefMaxLen, resumeHandle, out)
                        : ERROR_NOT_SUPPORTED;
    }

    std::uint32_t getInfo(const std::string &server, const std::string &user,
                          AccountInfo &out) override
    {
        RemoteProvider *provider = loaded();
        return provider ? provider->getInfo(server, user, out) : ERROR_NOT_SUPPORTED;
    }

    std::uint32_t setFlags(const std::string &server, const std::string &user,
                           std::uint32_t flags) override
    {
        RemoteProvider *provider = loaded();
        return provider ? provider->setFlags(server, user, flags) : ERROR_NOT_SUPPORTED;
    }

    std::uint32_t getDetails(const std::string &server, const std::string &user,
                             AccountDetails &out) override
    {
        RemoteProvider *provider = loaded();
        return provider ? provider->getDetails(server, user, out) : ERROR_NOT_SUPPORTED;
    }

    // Kept until the module is loaded: giving credentials asks no server, so
    // it loads nothing.
    std::string logonAdvice(const std::string &server) override
    {
        RemoteProvider *provider = loaded();
        return provider ? provider->logonAdvice(server) : std::string();
    }

    void setCredentials(const Credentials &credentials) override
    {
        const std::lock_guard guard(m_mutex);
        if (m_provider)
            m_provider->setCredentials(credentials);
        else
            m_credentials = credentials;
    }

private:
    // The module's provider, loaded on the first call; null when it cannot be.
    // Set once, so the pointer stays valid after the lock is released.
    RemoteProvider *loaded()
    {
        const std::lock_guard guard(m_mutex);
        if (m_tried)
            return m_provider.get();
        m_tried = true;
        Loaded loaded = loadModule(m_paths);
        m_provider = std::move(loaded.provider);
        if (!m_provider) {
            qCWarning(lcNetApi, "named servers cannot be reached: %s", loaded.failure.c_str());
        } else if (m_credentials) {
            m_provider->setCredentials(*m_credentials);
        }
        m_credentials.reset();
        return m_provider.get();
    }

    std::mutex m_mutex;
    const std::vector<std::string> m_paths;
    bool m_tried = false;
    std::unique_ptr<RemoteProvider> m_provider;
    std::optional<Credentials> m_credentials;
};

} // namespace

std::shared_ptr<RemoteProvider> createRemoteProvider()
{
    return createRemoteProvider(defaultModulePaths());
}

std::shared_ptr<RemoteProvider> createRemoteProvider(std::vector<std::string> modulePaths)
{
    return std::make_shared<ModuleRemoteProvider>(std::move(modulePaths));
}

} // namespace netapi
