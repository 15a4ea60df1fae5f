// The Samba module: the remote provider that tumblerset-samba.so holds.

#include "platform/WinError.h"
#include "platform/netapi/NetApi.h"
#include "platform/netapi/remote/RemoteProvider.h"
#include "platform/netapi/remote/SambaCredentials.h"
#include "platform/netapi/remote/SambaSession.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <set>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace netapi {
namespace {

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

// Whether anything answers on port of server within timeout.
bool listens(const std::string &server, const char *port, std::chrono::milliseconds timeout)
{
    AddressList addresses;
    if (!resolves(server, port, addresses))
        return false;
    for (const addrinfo *a = addresses.first; a; a = a->ai_next) {
        if (accepts(*a, timeout))
            return true;
    }
    return false;
}

// Whether anything answers on the SMB ports. The client answers 1003 for some
// failures to connect or log on; this tells the two apart without a second
// logon, which would count as another bad password towards a lockout.
bool reachable(const std::string &server)
{
    using namespace std::chrono_literals;
    return listens(server, "445", 3s) || listens(server, "139", 3s);
}

// The name a Kerberos ticket could be issued for: the host name the server's
// address is registered under, when it is another name than the one given.
// Empty when the resolver knows none.
std::string hostNameFor(const std::string &server)
{
    AddressList addresses;
    if (!resolves(server, nullptr, addresses))
        return {};
    for (const addrinfo *a = addresses.first; a; a = a->ai_next) {
        char name[NI_MAXHOST] = {};
        if (getnameinfo(a->ai_addr, a->ai_addrlen, name, sizeof name, nullptr, 0, NI_NAMEREQD) ==
                0 &&
            strcasecmp(name, server.c_str()) != 0)
            return name;
    }
    return {};
}

std::string ticketAdvice(const std::string &server, const std::string &principal)
{
    const std::string hostName = hostNameFor(server);
    const std::string realm = principal.substr(principal.find('@') + 1);
    if (!hostName.empty())
        return "The Kerberos ticket of " + principal + " cannot be used for " + server +
               ": tickets are issued for a server's host name. Name the server " + hostName +
               ", or give a password.";
    return "The Kerberos ticket of " + principal + " could not be used for " + server +
           ": name the server by its full host name in " + realm +
           ", renew the ticket (kinit), or give a password.";
}

// Listings kept going at once: a second listing may start inside the first
// (the window stays live while it lists) and the first goes on afterwards.
constexpr std::size_t listingsKept = 4;

// How long one call of a listing waits for a server at work before it hands
// control back with nothing: a window pumps its messages between calls.
constexpr std::chrono::milliseconds listingStep{25};

// One listing: the accounts fetched and not yet handed out, and where the
// server's list goes on.
struct Listing
{
    std::uint32_t id = 0;     // for its whole life
    std::uint32_t handle = 0; // the resume handle the caller passes back
    std::string server;
    std::uint32_t next = 0; // the server's position after the last page
    bool more = true;       // pages remain on the server
    std::deque<samba::ListedAccount> fetched;
};

class SambaRemoteProvider final : public RemoteProvider
{
public:
    ~SambaRemoteProvider() override
    {
        std::lock_guard guard(sambaLock());
        // The connection uses the credentials' objects: it goes first.
        m_session.reset();
    }

    std::uint32_t enumerate(const std::string &server, std::uint32_t filter,
                            std::uint32_t prefMaxLen, std::uint32_t &resumeHandle,
                            std::vector<AccountEntry> &out) override
    {
        std::lock_guard guard(sambaLock());
        // Only the batch handed out last answers lookups (see getInfo).
        m_justListed.start(server);
        m_lookedUp.reset();
        if (filter != 0 && !(filter & FILTER_NORMAL_ACCOUNT))
            return 0;
        Listing *listing =
            resumeHandle == 0 ? startListing(server) : findListing(server, resumeHandle);
        if (!listing)
            return ERROR_INVALID_PARAMETER;
        const std::uint32_t handle = listing->handle;
        const auto until = std::chrono::steady_clock::now() + listingStep;
        // The logon, too, goes a step at a time.
        if (listing->fetched.empty() && listing->more) {
            if (const std::uint32_t code = logOn(server, true, until))
                return failListing(handle, resumeHandle, code);
            if (!m_session->ready())
                return notYet(*listing, resumeHandle);
        }
        while (listing->fetched.empty() && listing->more) {
            std::vector<samba::ListedAccount> page;
            const std::uint32_t code = withSession(server, [&](samba::Session &session) {
                return session.listPage(listing->id, until, listing->next, listing->more, page);
            });
            for (samba::ListedAccount &account : page)
                listing->fetched.push_back(std::move(account));
            if (code)
                return failListing(handle, resumeHandle, code);
            if (listing->fetched.empty() && listing->more &&
                std::chrono::steady_clock::now() >= until)
                return notYet(*listing, resumeHandle);
        }
        const std::size_t taken = fillBatch(
            prefMaxLen, 0, listing->fetched.size(),
            [&](std::size_t i) { return listing->fetched[i].entry; }, out);
        for (std::size_t i = 0; i < taken; ++i) {
            samba::ListedAccount &account = listing->fetched.front();
            // The name is copied before the account is moved: the order in
            // which arguments are made is the compiler's choice.
            std::string name = account.entry.name;
            m_justListed.add(std::move(name), std::move(account));
            listing->fetched.pop_front();
        }
        resumeHandle = listing->handle;
        if (listing->fetched.empty() && !listing->more) {
            dropListing(handle);
            return 0;
        }
        return ERROR_MORE_DATA;
    }

    std::uint32_t getInfo(const std::string &server, const std::string &user,
                          AccountInfo &out) override
    {
        std::lock_guard guard(sambaLock());
        // The listing looks up each account it was just given: the page that
        // listed it answers, once. Any other lookup (a reset's among them)
        // reads the account from the server now.
        m_lookedUp.reset();
        if (auto listed = m_justListed.take(server, user)) {
            if (listed->infoStatus == 0)
                out = listed->info;
            const std::uint32_t status = listed->infoStatus;
            m_lookedUp = LookedUp{server, user, std::move(*listed)};
            return status;
        }
        return withSession(server,
                           [&](samba::Session &session) { return session.lookUp(user, out); });
    }

    std::uint32_t getDetails(const std::string &server, const std::string &user,
                             AccountDetails &out) override
    {
        std::lock_guard guard(sambaLock());
        // Right after the listing's lookup of the account: what the same
        // directory search gave, without another round trip; or, where the
        // listing gave none, read now by the account's RID, without looking
        // its name up again. (Queries kept in flight for a whole page took
        // longer on a loopback smbd than these, one after the other.)
        if (m_lookedUp && m_lookedUp->server == server && m_lookedUp->user == user) {
            LookedUp lookedUp = std::move(*m_lookedUp);
            m_lookedUp.reset();
            samba::ListedAccount &account = lookedUp.account;
            if (!account.details && !account.detailsStatus) {
                if (const std::uint32_t code = withSession(server, [&](samba::Session &session) {
                        return session.queryDetails(account);
                    }))
                    return code;
            }
            if (!account.details)
                return account.detailsStatus ? account.detailsStatus : ERROR_NOT_SUPPORTED;
            out = std::move(*account.details);
            return 0;
        }
        m_lookedUp.reset();
        return withSession(
            server, [&](samba::Session &session) { return session.lookUpDetails(user, out); });
    }

    std::uint32_t setFlags(const std::string &server, const std::string &user,
                           std::uint32_t flags) override
    {
        std::lock_guard guard(sambaLock());
        m_justListed.clear();
        m_lookedUp.reset();
        return withSession(
            server, [&](samba::Session &session) { return session.clearLockout(user, flags); });
    }

    void setCredentials(const Credentials &credentials) override
    {
        std::lock_guard guard(sambaLock());
        m_session.reset();
        m_listings.clear();
        m_justListed.clear();
        m_lookedUp.reset();
        m_credentials =
            std::make_unique<samba::Credentials>(credentials.user, credentials.password);
        m_given = true;
        m_refusedBy.clear();
        m_advice.clear();
    }

    std::string logonAdvice(const std::string &server) override
    {
        std::lock_guard guard(sambaLock());
        return server == m_adviceFor ? m_advice : std::string();
    }

private:
    struct LookedUp
    {
        std::string server;
        std::string user;
        samba::ListedAccount account;
    };

    Listing *startListing(const std::string &server)
    {
        if (m_listings.size() >= listingsKept)
            m_listings.erase(m_listings.begin());
        Listing listing;
        listing.handle = newHandle();
        listing.id = listing.handle;
        listing.server = server;
        m_listings.push_back(std::move(listing));
        return &m_listings.back();
    }

    // A listing that fails is gone, and its handle is 0 again: a caller
    // that was refused before any account came (after the calls that only
    // logged on) asks for credentials and starts over, as it would had the
    // first call failed.
    std::uint32_t failListing(std::uint32_t handle, std::uint32_t &resumeHandle, std::uint32_t code)
    {
        dropListing(handle);
        resumeHandle = 0;
        return code;
    }

    // The server is still at work. The caller gets control back with
    // nothing and a new handle (progress all the same) and asks again.
    std::uint32_t notYet(Listing &listing, std::uint32_t &resumeHandle)
    {
        listing.handle = newHandle();
        resumeHandle = listing.handle;
        return ERROR_MORE_DATA;
    }

    // Never 0, which starts a listing.
    std::uint32_t newHandle() { return ++m_lastHandle == 0 ? ++m_lastHandle : m_lastHandle; }

    Listing *findListing(const std::string &server, std::uint32_t handle)
    {
        for (Listing &listing : m_listings) {
            if (listing.handle == handle && listing.server == server)
                return &listing;
        }
        return nullptr;
    }

    void dropListing(std::uint32_t handle)
    {
        std::erase_if(m_listings, [handle](const Listing &l) { return l.handle == handle; });
    }

    // Runs call on the open connection to server, opening one when there is
    // none. A connection the server has dropped since is opened again, once:
    // a refused logon never gets there, so this costs no bad password.
    template <typename Call> std::uint32_t withSession(const std::string &server, Call call)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const bool reused = sessionTo(server);
            if (const std::uint32_t refused = logOn(server, false, std::nullopt))
                return refused;
            const std::uint32_t code = call(*m_session);
            if (!m_session->broken())
                return code;
            m_session.reset();
            if (!reused)
                return translate(server, code);
        }
        return ERROR_CAN_NOT_COMPLETE;
    }

    // Whether m_session is a connection to server that may be used or logged
    // on further.
    bool sessionTo(const std::string &server) const
    {
        return m_session && m_sessionServer == server && !m_session->broken();
    }

    // Logs on to server, opening a connection when there is none, a step at
    // a time where `until` is given (for a listing: see Session::logOn).
    // 0 while all is well; m_session->ready() then says whether steps remain.
    std::uint32_t logOn(const std::string &server, bool listing,
                        std::optional<std::chrono::steady_clock::time_point> until)
    {
        if (!sessionTo(server)) {
            m_session.reset();
            if (const std::uint32_t refused = create(server, listing))
                return refused;
        }
        if (m_session->ready())
            return 0;
        const std::uint32_t code = translate(server, m_session->logOn(until));
        if (code == ERROR_LOGON_FAILURE) {
            m_refusedBy.insert(server);
            if (m_credentials->ticketOnly()) {
                m_adviceFor = server;
                m_advice = ticketAdvice(server, m_credentials->ticketPrincipal());
            }
        }
        if (code)
            m_session.reset();
        return code;
    }

    // 0 when m_session is a new connection to server, not logged on yet.
    std::uint32_t create(const std::string &server, bool listing)
    {
        // One bad logon per command at most: the credentials a server refused
        // are not tried on it again.
        if (m_refusedBy.count(server))
            return ERROR_LOGON_FAILURE;
        // Samba's usual sources are read again until they yield something, so
        // a ticket obtained after the first attempt is found.
        if (!m_given && (!m_credentials || !m_credentials->canLogOn()))
            m_credentials = std::make_unique<samba::Credentials>();
        // Without a password or a ticket Samba would log on anonymously or
        // ask on the terminal; neither is what the operator meant.
        if (!m_credentials->canLogOn())
            return ERROR_LOGON_FAILURE;
        AddressList addresses;
        if (!resolves(server, nullptr, addresses))
            return NERR_InvalidComputer;
        m_session = samba::Session::create(
            *m_credentials, server, listens(server, "389", std::chrono::seconds(1)), listing);
        m_sessionServer = server;
        return 0;
    }

    static std::uint32_t translate(const std::string &server, std::uint32_t code)
    {
        if (code == ERROR_CAN_NOT_COMPLETE)
            return reachable(server) ? ERROR_LOGON_FAILURE : ERROR_BAD_NETPATH;
        return code;
    }

    std::unique_ptr<samba::Credentials> m_credentials;
    bool m_given = false;
    // Servers that refused the logon with the credentials held now.
    std::set<std::string> m_refusedBy;
    std::string m_adviceFor;
    std::string m_advice;
    std::unique_ptr<samba::Session> m_session;
    std::string m_sessionServer;
    std::vector<Listing> m_listings;
    std::uint32_t m_lastHandle = 0;
    // The batch handed out last.
    JustListed<samba::ListedAccount> m_justListed;
    // The account the listing looked up last, for the call that asks for its
    // details next.
    std::optional<LookedUp> m_lookedUp;
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
