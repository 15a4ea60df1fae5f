// The Samba module: the remote provider that tumblerset-samba.so holds.

#include "platform/netapi/remote/RemoteProvider.h"
#include "platform/netapi/remote/SambaClient.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace netapi {
namespace {

constexpr std::uint32_t errorBadNetPath = 53;
constexpr std::uint32_t errorCannotComplete = 1003;
constexpr std::uint32_t errorNoneMapped = 1332;
constexpr std::uint32_t errorLogonFailure = 1326;
constexpr std::uint32_t nerrUserNotFound = 2221;
constexpr std::uint32_t nerrInvalidComputer = 2351;

// Samba's libraries keep process-wide state and are not thread-safe.
std::mutex &sambaLock()
{
    static std::mutex lock;
    return lock;
}

struct AddressList
{
    addrinfo *first = nullptr;
    ~AddressList()
    {
        if (first)
            freeaddrinfo(first);
    }
};

// Resolved by the system's resolver. Samba would go on to NetBIOS broadcasts
// for a name the resolver does not know; a server the tool is pointed at has
// a name that resolves, and no broadcast leaves the machine.
bool resolves(const std::string &server, const char *port, AddressList &out)
{
    if (server.empty() || server.size() > 255)
        return false;
    const bool plain = std::none_of(server.begin(), server.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= ' ' || byte == 0x7F || c == '\\' || c == '/' || c == '%' || c == '@';
    });
    if (!plain)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    return getaddrinfo(server.c_str(), port, &hints, &out.first) == 0;
}

bool accepts(const addrinfo &address, std::chrono::milliseconds timeout)
{
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
    if (fd < 0)
        return false;
    bool connected = connect(fd, address.ai_addr, address.ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd waiting{fd, POLLOUT, 0};
        if (poll(&waiting, 1, static_cast<int>(timeout.count())) == 1) {
            int error = 0;
            socklen_t length = sizeof error;
            connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
    }
    close(fd);
    return connected;
}

// Whether anything answers on the SMB ports. libnetapi answers 1003 for every
// failure to connect or log on; this tells the two apart without a second
// logon, which would count as another bad password towards a lockout.
bool reachable(const std::string &server)
{
    using namespace std::chrono_literals;
    for (const char *port : {"445", "139"}) {
        AddressList addresses;
        if (!resolves(server, port, addresses))
            return false;
        for (const addrinfo *a = addresses.first; a; a = a->ai_next) {
            if (accepts(*a, 3s))
                return true;
        }
    }
    return false;
}

class SambaRemoteProvider final : public RemoteProvider
{
public:
    ~SambaRemoteProvider() override
    {
        std::lock_guard guard(sambaLock());
        if (credentials_)
            samba::forgetCredentials(credentials_->get());
    }

    std::uint32_t enumerate(const std::string &server, std::uint32_t filter,
                            std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                            std::vector<AccountEntry> &out) override
    {
        std::lock_guard guard(sambaLock());
        if (const std::uint32_t refused = prepare(server))
            return refused;
        return translate(server,
                         samba::enumerateUsers(server, filter, prefMaxLen, resumeHandle, out));
    }

    std::uint32_t getInfo(const std::string &server, const std::string &user,
                          AccountInfo &out) override
    {
        std::lock_guard guard(sambaLock());
        if (const std::uint32_t refused = prepare(server))
            return refused;
        return translate(server, samba::getUserInfo(server, user, out));
    }

    std::uint32_t setFlags(const std::string &server, const std::string &user,
                           std::uint32_t flags) override
    {
        std::lock_guard guard(sambaLock());
        if (const std::uint32_t refused = prepare(server))
            return refused;
        return translate(server, credentials_->clearLockout(server, user, flags));
    }

    void setCredentials(const Credentials &credentials) override
    {
        std::lock_guard guard(sambaLock());
        if (credentials_)
            samba::forgetCredentials(credentials_->get());
        credentials_ = std::make_unique<samba::Credentials>(credentials.user, credentials.password);
        given_ = true;
    }

private:
    // 0 when a call may go to the server.
    std::uint32_t prepare(const std::string &server)
    {
        // Samba's usual sources are read again until they yield something, so
        // a ticket obtained after the first attempt is found.
        if (!given_ && (!credentials_ || !credentials_->canLogOn())) {
            if (credentials_)
                samba::forgetCredentials(credentials_->get());
            credentials_ = std::make_unique<samba::Credentials>();
        }
        // Without a password or a ticket Samba would log on anonymously or
        // ask on the terminal; neither is what the operator meant.
        if (!credentials_->canLogOn())
            return errorLogonFailure;
        AddressList addresses;
        if (!resolves(server, nullptr, addresses))
            return nerrInvalidComputer;
        return samba::useCredentials(credentials_->get());
    }

    static std::uint32_t translate(const std::string &server, std::uint32_t code)
    {
        switch (code) {
        case errorNoneMapped:
            return nerrUserNotFound;
        case errorCannotComplete:
            return reachable(server) ? errorLogonFailure : errorBadNetPath;
        default:
            return code;
        }
    }

    std::unique_ptr<samba::Credentials> credentials_;
    bool given_ = false;
};

} // namespace
} // namespace netapi

// The only symbol the module exports (the rest is hidden by the build).
extern "C" __attribute__((visibility("default"))) netapi::RemoteProvider *
tumblerset_create_remote_provider() noexcept
{
    try {
        return std::make_unique<netapi::SambaRemoteProvider>().release();
    } catch (...) {
        return nullptr;
    }
}
