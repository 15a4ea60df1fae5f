// The stand-in for the remote provider: loads the Samba module when a named
// server is first asked, and forwards every call to the provider it makes.

#include "platform/Logging.h"
#include "platform/WinError.h"
#include "platform/netapi/remote/RemoteProvider.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace netapi {
namespace {

// Where the build put the module, which build that was, and where an
// installation keeps it (as a path from the program's folder, and in full).
constexpr const char *buildDirectory = TUMBLERSET_BUILD_DIR;
constexpr const char *builtModule = TUMBLERSET_BUILT_MODULE;
constexpr const char *moduleFromProgram = TUMBLERSET_MODULE_FROM_PROGRAM;
constexpr const char *installedModule = TUMBLERSET_INSTALLED_MODULE;

bool within(const std::filesystem::path &path, const std::filesystem::path &folder)
{
    if (folder.empty())
        return false;
    const auto [end, rest] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return end == folder.end() && rest != path.end();
}

std::vector<std::string> defaultModulePaths()
{
    std::vector<std::string> paths;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        // A build's module serves only that build's programs: an installed
        // program never runs code from a build folder, which anyone who can
        // write there could replace.
        if (within(program, std::filesystem::weakly_canonical(buildDirectory, error)))
            paths.emplace_back(builtModule);
        // The package may install under another prefix than the build was
        // configured for; the layout relative to the program stays the same.
        paths.push_back((program.parent_path() / moduleFromProgram).lexically_normal().string());
    }
    if (std::find(paths.begin(), paths.end(), installedModule) == paths.end())
        paths.emplace_back(installedModule);
    return paths;
}

// Why the library at path is shorter than its own headers say, or empty when
// it is not. dlopen maps a library's segments as its headers describe them, so
// a file cut short (an interrupted install, a full disk) would not fail to
// load: the process would fault on the first touch of a page past its end.
// What is not a 64-bit ELF file at all is left to dlopen to refuse.
std::string cutShort(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    Elf64_Ehdr header{};
    if (!file.read(reinterpret_cast<char *>(&header), sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        return {};
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (error)
        return error.message();
    const auto beyond = [size](std::uint64_t offset, std::uint64_t length) {
        return offset > size || length > size - offset;
    };
    if (header.e_phentsize != sizeof(Elf64_Phdr) ||
        beyond(header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(Elf64_Phdr)) ||
        beyond(header.e_shoff, std::uint64_t{header.e_shnum} * header.e_shentsize))
        return "the file is damaged or cut short";
    file.seekg(static_cast<std::streamoff>(header.e_phoff));
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment{};
        if (!file.read(reinterpret_cast<char *>(&segment), sizeof segment))
            return "the file cannot be read";
        if (segment.p_type == PT_LOAD && beyond(segment.p_offset, segment.p_filesz))
            return "the file is damaged or cut short";
    }
    return {};
}

// "path: reason", once: dlerror names the file itself for some failures.
std::string failure(const std::string &path, const char *reason, const char *otherwise)
{
    const std::string why = reason ? reason : otherwise;
    return why.starts_with(path) ? why : path + ": " + why;
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
    const auto fail = [&failures](const std::string &path, const char *reason,
                                  const char *otherwise) {
        failures += (failures.empty() ? "" : "; ") + failure(path, reason, otherwise);
    };
    for (const std::string &path : paths) {
        searched += (searched.empty() ? "" : ", ") + path;
        if (access(path.c_str(), F_OK) != 0)
            continue;
        if (const std::string damage = cutShort(path); !damage.empty()) {
            fail(path, damage.c_str(), "");
            continue;
        }
        // RTLD_NOW: a missing Samba symbol fails here, not in the middle of
        // a call. The handle is never closed (see the factory's comment).
        void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            fail(path, dlerror(), "cannot be loaded");
            continue;
        }
        using Factory = decltype(&tumblerset_create_remote_provider);
        const auto factory =
            reinterpret_cast<Factory>(dlsym(module, tumblersetRemoteProviderFactory));
        if (!factory) {
            fail(path, dlerror(), "not the Samba module");
            continue;
        }
        if (std::unique_ptr<RemoteProvider> provider{factory()})
            return {std::move(provider), {}};
        fail(path, nullptr, "the module could not make its provider");
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
