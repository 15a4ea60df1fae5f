// Credentials, configuration and the SAMR client from Samba's client
// libraries. Every account call goes over one SAMR connection per server:
// a listing reads pages of display information (names, full names and flags
// of hundreds of accounts per round trip), a lookup and a reset read the one
// account afresh, and the lockout is cleared with the few calls that touch
// the flags and nothing else. libnetapi would open a connection of its own
// per context, fall back to an anonymous session when the credentials are
// refused, and read one account per round trip.

#include "platform/netapi/remote/SambaClient.h"

#include <cstdbool>
#include <cstdint>

// credentials.h declares these enums without defining them, which C allows
// and C++ only with a fixed underlying type. Nothing here uses them.
enum smb_signing_setting : int;
enum smb_encryption_setting : int;

extern "C" {
#include <core/error.h>
#include <credentials.h>
#include <dcerpc.h>
#include <gen_ndr/ndr_samr.h>
#include <ldb.h>
#include <param.h>
#include <talloc.h>
#include <tevent.h>
#include <util/time.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string.h>
#include <strings.h>
#include <sys/prctl.h>
#include <unistd.h>

// Exported by libsamba-util but declared in no installed header: the path of
// the smb.conf Samba's clients load by default.
extern "C" const char *get_dyn_CONFIGFILE(void);

// The dssetup interface: libndr-standard exports its NDR table, but samba-dev
// installs no header for it. The one call used, as dssetup.idl defines it and
// pidl lays it out (enums are C enums, strings are UTF-8 after conversion).
// The table's own record of the call's size is checked before each use.
extern "C" {
extern const struct ndr_interface_table ndr_table_dssetup;
}

namespace netapi::samba {
namespace {
namespace dssetup {
enum Role : int
{
    standaloneWorkstation = 0,
    memberWorkstation = 1,
    standaloneServer = 2,
    memberServer = 3,
    backupController = 4,
    primaryController = 5
};
constexpr std::uint32_t directoryRunning = 0x00000001; // DS_ROLE_PRIMARY_DS_RUNNING
constexpr int basicInformation = 1;                    // DS_ROLE_BASIC_INFORMATION
constexpr std::uint32_t getPrimaryDomainInformation = 0;

struct BasicInformation
{
    Role role;
    std::uint32_t flags;
    const char *domain;
    const char *dnsDomain;
    const char *forest;
    GUID domainGuid;
};
struct UpgradeStatus
{
    int upgrading;
    int previousRole;
};
struct OperationStatus
{
    int status;
};
union Information {
    BasicInformation basic;
    UpgradeStatus upgrade;
    OperationStatus operation;
};
struct GetPrimaryDomainInformation
{
    struct
    {
        int level;
    } in;
    struct
    {
        Information *info;
        WERROR result;
    } out;
};
} // namespace dssetup
} // namespace
} // namespace netapi::samba

namespace netapi::samba {
namespace {

// Windows result codes.
constexpr std::uint32_t errorAccessDenied = 5;
constexpr std::uint32_t errorNotSupported = 50;
constexpr std::uint32_t errorBadNetPath = 53;
constexpr std::uint32_t errorLogonFailure = 1326;
constexpr std::uint32_t errorCannotComplete = 1003;
constexpr std::uint32_t nerrUserNotFound = 2221;
constexpr std::uint32_t nerrNotPrimary = 2226;
constexpr std::uint32_t nerrInvalidComputer = 2351;

// Accounts per page of a listing: one round trip each. Small enough that the
// window is repainted between pages of a slow link.
constexpr std::uint32_t pageSize = 512;
// Account queries kept in flight at once where the flags need one per account.
constexpr std::size_t queriesInFlight = 64;
// The display information level that lists user accounts.
constexpr std::uint16_t displayUsers = 1;

// Windows account flags without a SAMR counterpart.
constexpr std::uint32_t ufScript = 0x0001;
constexpr std::uint32_t ufLockout = 0x0010;

// The Windows UF_* flag for each SAMR ACB_* flag, as [MS-SAMR] 2.2.1.13 pairs
// them and as libnetapi reports them.
struct FlagPair
{
    std::uint32_t uf;
    std::uint32_t acb;
};
constexpr FlagPair flagPairs[] = {
    {0x00000002, ACB_DISABLED},
    {0x00000008, ACB_HOMDIRREQ},
    {0x00000020, ACB_PWNOTREQ},
    {0x00000100, ACB_TEMPDUP},
    {0x00000200, ACB_NORMAL},
    {0x00020000, ACB_MNS},
    {0x00000800, ACB_DOMTRUST},
    {0x00001000, ACB_WSTRUST},
    {0x00002000, ACB_SVRTRUST},
    {0x00010000, ACB_PWNOEXP},
    {ufLockout, ACB_AUTOLOCK},
    {0x00000080, ACB_ENC_TXT_PWD_ALLOWED},
    {0x00040000, ACB_SMARTCARD_REQUIRED},
    {0x00080000, ACB_TRUSTED_FOR_DELEGATION},
    {0x00100000, ACB_NOT_DELEGATED},
    {0x00200000, ACB_USE_DES_KEY_ONLY},
    {0x00400000, ACB_DONT_REQUIRE_PREAUTH},
    {0x00800000, ACB_PW_EXPIRED},
    {0x01000000, ACB_TRUSTED_TO_AUTHENTICATE_FOR_DELEGATION},
    {0x02000000, ACB_NO_AUTH_DATA_REQD},
    {0x04000000, ACB_PARTIAL_SECRETS_ACCOUNT},
    {0x08000000, ACB_USE_AES_KEYS},
};

// The flags as NetUserGetInfo shows them: Windows always reports UF_SCRIPT.
std::uint32_t windowsFlags(std::uint32_t acb)
{
    std::uint32_t uf = ufScript;
    for (const FlagPair &pair : flagPairs) {
        if (acb & pair.acb)
            uf |= pair.uf;
    }
    return uf;
}

// NTSTATUS codes told apart below.
namespace status {
constexpr std::uint32_t accessDenied = 0xC0000022;
constexpr std::uint32_t noSuchUser = 0xC0000064;
constexpr std::uint32_t wrongPassword = 0xC000006A;
constexpr std::uint32_t passwordRestriction = 0xC000006C;
constexpr std::uint32_t logonFailure = 0xC000006D;
constexpr std::uint32_t accountRestriction = 0xC000006E;
constexpr std::uint32_t invalidLogonHours = 0xC000006F;
constexpr std::uint32_t invalidWorkstation = 0xC0000070;
constexpr std::uint32_t passwordExpired = 0xC0000071;
constexpr std::uint32_t accountDisabled = 0xC0000072;
constexpr std::uint32_t noneMapped = 0xC0000073;
constexpr std::uint32_t ioTimeout = 0xC00000B5;
constexpr std::uint32_t badNetworkPath = 0xC00000BE;
constexpr std::uint32_t badNetworkName = 0xC00000CC;
constexpr std::uint32_t invalidDomainRole = 0xC00000DE;
constexpr std::uint32_t invalidComputerName = 0xC0000122;
constexpr std::uint32_t backupController = 0xC0000187;
constexpr std::uint32_t accountExpired = 0xC0000193;
constexpr std::uint32_t passwordMustChange = 0xC0000224;
constexpr std::uint32_t accountLockedOut = 0xC0000234;
constexpr std::uint32_t connectionRefused = 0xC0000236;
constexpr std::uint32_t hostUnreachable = 0xC000023D;
constexpr std::uint32_t networkUnreachable = 0xC000023C;
constexpr std::uint32_t portUnreachable = 0xC000023F;
constexpr std::uint32_t connectionReset = 0xC000020D;
constexpr std::uint32_t connectionDisconnected = 0xC000020C;
constexpr std::uint32_t endOfFile = 0xC0000011;
constexpr std::uint32_t notFound = 0xC0000225;
constexpr std::uint32_t moreEntries = 0x00000105;
} // namespace status

std::uint32_t windowsError(NTSTATUS result)
{
    switch (NT_STATUS_V(result)) {
    case 0:
        return 0;
    case status::accessDenied:
        return errorAccessDenied;
    case status::noSuchUser:
    case status::noneMapped:
        return nerrUserNotFound;
    case status::invalidDomainRole:
    case status::backupController:
        return nerrNotPrimary;
    default:
        return W_ERROR_V(ntstatus_to_werror(result));
    }
}

// The outcome of connecting and logging on.
std::uint32_t connectError(NTSTATUS result)
{
    switch (NT_STATUS_V(result)) {
    case status::wrongPassword:
    case status::passwordRestriction:
    case status::logonFailure:
    case status::accountRestriction:
    case status::invalidLogonHours:
    case status::invalidWorkstation:
    case status::passwordExpired:
    case status::accountDisabled:
    case status::accountExpired:
    case status::passwordMustChange:
    case status::accountLockedOut:
    case status::noSuchUser:
        return errorLogonFailure;
    case status::badNetworkName:
    case status::invalidComputerName:
    case status::notFound:
        return nerrInvalidComputer;
    case status::ioTimeout:
    case status::badNetworkPath:
    case status::connectionRefused:
    case status::hostUnreachable:
    case status::networkUnreachable:
    case status::portUnreachable:
    case status::connectionReset:
    case status::connectionDisconnected:
    case status::endOfFile:
        return errorBadNetPath;
    case status::accessDenied:
        return errorAccessDenied;
    default:
        // The client reports some failures to connect as unrelated statuses
        // (a refused connection as NT_STATUS_NO_MEMORY); the provider tells
        // them apart as it does libnetapi's.
        return errorCannotComplete;
    }
}

// One call's talloc context, freed (with the connection made in it) at the end.
struct Scratch
{
    TALLOC_CTX *memory;
    explicit Scratch(const void *parent) : memory(talloc_new(parent)) {}
    ~Scratch() { talloc_free(memory); }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;
};

lsa_String lsaString(const char *value)
{
    lsa_String out{};
    out.string = value;
    return out;
}

// One SAMR call through the generic client. Debian builds the generated
// dcerpc_samr_* functions into a private library only, so the calls go by
// operation number with the public NDR table. Transport failure and the call's
// own result fold into one Windows code.
template <typename Request>
std::uint32_t samrCall(dcerpc_binding_handle *rpc, TALLOC_CTX *memory, std::uint32_t operation,
                       Request &request)
{
    const NTSTATUS transport =
        dcerpc_binding_handle_call(rpc, nullptr, &ndr_table_samr, operation, memory, &request);
    if (!NT_STATUS_IS_OK(transport))
        return connectError(transport);
    return windowsError(request.out.result);
}

// A SAMR handle, closed on every way out once it is open.
class SamrHandle
{
public:
    SamrHandle(dcerpc_binding_handle *rpc, TALLOC_CTX *memory) : rpc_(rpc), memory_(memory) {}
    ~SamrHandle()
    {
        if (!open_)
            return;
        samr_Close request{};
        request.in.handle = &handle_;
        request.out.handle = &handle_;
        samrCall(rpc_, memory_, NDR_SAMR_CLOSE, request);
    }
    SamrHandle(const SamrHandle &) = delete;
    SamrHandle &operator=(const SamrHandle &) = delete;

    policy_handle *get() { return &handle_; }
    // The outcome of the call that opened it.
    std::uint32_t opened(std::uint32_t code)
    {
        open_ = code == 0;
        return code;
    }

private:
    dcerpc_binding_handle *rpc_;
    TALLOC_CTX *memory_;
    policy_handle handle_{};
    bool open_ = false;
};

std::string text(const char *value)
{
    return value ? std::string(value) : std::string();
}

} // namespace

std::string configFile()
{
    static const std::string path = [] {
        const std::string samba = text(get_dyn_CONFIGFILE());
        // An empty configuration means Samba's defaults.
        return access(samba.c_str(), R_OK) == 0 ? samba : std::string("/dev/null");
    }();
    return path;
}

struct Credentials::Private
{
    TALLOC_CTX *memory = talloc_new(nullptr);
    loadparm_context *config = nullptr;
    tevent_context *events = nullptr;
    cli_credentials *credentials = nullptr;
    bool canLogOn = false;
    bool hasPassword = false;
    // A Kerberos ticket and no password: Kerberos or nothing.
    bool ticketOnly = false;
    std::string ticketPrincipal;

    Private()
    {
        static std::once_flag initialised;
        std::call_once(initialised, [] {
#if defined(__SANITIZE_ADDRESS__)
            // Sanitizer builds only: the sanitizer refuses libraries opened with
            // RTLD_DEEPBIND, which ldb uses for the LDAP client's modules
            // unless told not to.
            setenv("LDB_MODULES_DISABLE_DEEPBIND", "1", 0);
#endif
            dcerpc_init();
        });
        config = loadparm_init(memory);
        lpcfg_load(config, configFile().c_str());
        events = tevent_context_init(memory);
        credentials = cli_credentials_init(memory);
        cli_credentials_set_conf(credentials, config);
    }
    ~Private()
    {
        talloc_free(memory);
    }
};

namespace {

// Run by root under sudo, the environment is the user's: their USER, PASSWD,
// PASSWD_FILE and PASSWD_FD must not become root's logon (the descriptor
// would be read from whatever root's process has open under that number).
// Samba reads them while it guesses; they are hidden for that time only.
class SudoEnvironmentHidden
{
public:
    SudoEnvironmentHidden()
    {
        if (!std::getenv("SUDO_UID") || ::geteuid() != 0)
            return;
        for (std::size_t i = 0; i < std::size(names); ++i) {
            if (const char *value = std::getenv(names[i])) {
                saved[i] = value;
                ::unsetenv(names[i]);
            }
        }
    }
    ~SudoEnvironmentHidden()
    {
        for (std::size_t i = 0; i < std::size(names); ++i) {
            if (saved[i]) {
                ::setenv(names[i], saved[i]->c_str(), 1);
                ::explicit_bzero(saved[i]->data(), saved[i]->capacity());
            }
        }
    }
    SudoEnvironmentHidden(const SudoEnvironmentHidden &) = delete;
    SudoEnvironmentHidden &operator=(const SudoEnvironmentHidden &) = delete;

private:
    static constexpr const char *names[] = {"USER", "PASSWD", "PASSWD_FILE", "PASSWD_FD"};
    std::optional<std::string> saved[std::size(names)];
};

} // namespace

namespace {

// A process that holds a password leaves no core dump and cannot be attached
// to by other processes of the same user.
void keepOutOfCoreDumps()
{
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

} // namespace

Credentials::Credentials() : d(std::make_unique<Private>())
{
    {
        const SudoEnvironmentHidden hidden;
        cli_credentials_guess(d->credentials, d->config);
    }
    // No password callback is installed: Samba's client asks none on its
    // own, and the empty answer of one would outrank the ticket, which Samba
    // then drops (every logon after the first would go without it).
    const char *password = cli_credentials_get_password(d->credentials);
    d->hasPassword = password && *password;
    if (d->hasPassword)
        keepOutOfCoreDumps();
    // guess takes the ticket cache's principal when the cache has one; a
    // ticket is enough to log on.
    TALLOC_CTX *probe = talloc_new(d->memory);
    cli_credentials *ticket = cli_credentials_init(probe);
    cli_credentials_set_conf(ticket, d->config);
    const char *error = nullptr;
    cli_credentials_set_ccache(ticket, d->config, nullptr, CRED_SPECIFIED, &error);
    credentials_obtained obtained = CRED_UNINITIALISED;
    const char *principal = cli_credentials_get_principal_and_obtained(ticket, probe, &obtained);
    const bool hasTicket = principal && obtained == CRED_SPECIFIED;
    if (hasTicket)
        d->ticketPrincipal = principal;
    talloc_free(probe);
    d->canLogOn = hasTicket || d->hasPassword;
    // Where the ticket cannot be used (a server named by its address, or by a
    // name it has no service principal for) Samba would go on to a logon
    // with the ticket's user name and an empty password, which the server
    // counts as a bad one. With nothing but the ticket, it is Kerberos or no
    // logon at all; the directory's logon follows the same rule.
    d->ticketOnly = hasTicket && !d->hasPassword;
    if (d->ticketOnly)
        cli_credentials_set_kerberos_state(d->credentials, CRED_USE_KERBEROS_REQUIRED,
                                           CRED_SPECIFIED);
}

Credentials::Credentials(const std::string &user, const std::string &password)
    : d(std::make_unique<Private>())
{
    if (!password.empty())
        keepOutOfCoreDumps();
    cli_credentials_parse_string(d->credentials, user.c_str(), CRED_SPECIFIED);
    cli_credentials_set_password(d->credentials, password.c_str(), CRED_SPECIFIED);
    d->hasPassword = !password.empty();
    d->canLogOn = d->hasPassword;
}

Credentials::~Credentials() = default;

bool Credentials::canLogOn() const
{
    return d->canLogOn;
}

bool Credentials::ticketOnly() const
{
    return d->ticketOnly;
}

std::string Credentials::ticketPrincipal() const
{
    return d->ticketPrincipal;
}

cli_credentials *Credentials::get() const
{
    return d->credentials;
}

namespace {

// GENSEC_FEATURE_SIGN of Samba's private gensec header.
constexpr std::uint32_t gensecFeatureSign = 0x00000002;

// The LDAP service of a domain controller, through Samba's own LDAP client
// with the same credentials (signed and sealed, Kerberos or NTLM). Null when
// it cannot be reached.
ldb_context *openDirectory(cli_credentials *credentials, tevent_context *events,
                           loadparm_context *config, const std::string &server, TALLOC_CTX *memory,
                           ldb_dn *&base)
{
    ldb_context *directory = ldb_init(memory, events);
    if (!directory)
        return nullptr;
    // A directory that cannot be used is not the operator's concern: the
    // accounts are then read over SAMR. ldb would say why on standard error.
    ldb_set_debug(
        directory, [](void *, ldb_debug_level, const char *, va_list) {}, nullptr);
    ldb_set_opaque(directory, "credentials", credentials);
    ldb_set_opaque(directory, "loadparm", config);
    const std::string url = "ldap://" + server;
    static const char *options[] = {"modules:paged_searches", nullptr};
    // Samba's LDAP client binds anonymously unless the credentials ask for
    // authentication, which guessed ones (a ticket, USER and PASSWD) do not;
    // asking for signing makes them.
    const std::uint32_t features = cli_credentials_get_gensec_features(credentials);
    cli_credentials_set_gensec_features(credentials, features | gensecFeatureSign, CRED_SPECIFIED);
    const int connected = ldb_connect(directory, url.c_str(), 0, options);
    cli_credentials_set_gensec_features(credentials, features, CRED_SPECIFIED);
    if (connected != LDB_SUCCESS || !(base = ldb_get_default_basedn(directory))) {
        talloc_free(directory);
        return nullptr;
    }
    return directory;
}

// What the server says of itself: whether it is an Active Directory domain
// controller with its directory running, asked on a second pipe of the SMB
// connection that is already logged on (no second logon). Empty when the
// server does not say; the caller then trusts no listed lockout.
std::optional<bool> isDirectoryController(dcerpc_pipe *samr, cli_credentials *credentials,
                                          loadparm_context *config, TALLOC_CTX *parent)
{
    // The layout above must be the one the library was built with.
    if (ndr_table_dssetup.num_calls < 1 ||
        ndr_table_dssetup.calls[dssetup::getPrimaryDomainInformation].struct_size !=
            sizeof(dssetup::GetPrimaryDomainInformation))
        return std::nullopt;
    Scratch scratch(parent);
    TALLOC_CTX *memory = scratch.memory;
    dcerpc_binding *binding = dcerpc_binding_dup(memory, samr->binding);
    if (!binding ||
        !NT_STATUS_IS_OK(dcerpc_binding_set_string_option(binding, "endpoint", "\\pipe\\lsarpc")))
        return std::nullopt;
    dcerpc_pipe *pipe = nullptr;
    if (!NT_STATUS_IS_OK(dcerpc_secondary_auth_connection(samr, binding, &ndr_table_dssetup,
                                                          credentials, config, memory, &pipe)))
        return std::nullopt;
    dssetup::GetPrimaryDomainInformation request{};
    request.in.level = dssetup::basicInformation;
    const NTSTATUS transport =
        dcerpc_binding_handle_call(pipe->binding_handle, nullptr, &ndr_table_dssetup,
                                   dssetup::getPrimaryDomainInformation, memory, &request);
    const dssetup::Information *info = request.out.info;
    if (!NT_STATUS_IS_OK(transport) || !W_ERROR_IS_OK(request.out.result) || !info)
        return std::nullopt;
    const bool controller = info->basic.role == dssetup::backupController ||
                            info->basic.role == dssetup::primaryController;
    return controller && (info->basic.flags & dssetup::directoryRunning) != 0;
}

} // namespace

struct Session::Private
{
    TALLOC_CTX *memory = talloc_new(nullptr); // the pipe and every call's data
    tevent_context *events = nullptr;         // the credentials'
    dcerpc_binding_handle *rpc = nullptr;
    std::unique_ptr<SamrHandle> connection;
    std::unique_ptr<SamrHandle> domain;
    // Whether the display information carries each account's lockout. A
    // domain controller keeps the lockout apart from the account's stored
    // flags and reports only the stored ones there (Samba's reports none).
    bool flagsInDisplay = false;
    // A domain controller's directory, which gives the computed lockout of
    // hundreds of accounts per page; null when it cannot be reached, and
    // then each account's flags are queried over SAMR.
    ldb_context *directory = nullptr;
    ldb_dn *directoryBase = nullptr;

    ~Private()
    {
        // Closed while the pipe is still there; a broken one closes nothing.
        domain.reset();
        connection.reset();
        talloc_free(memory);
    }

    // Reads the flags of every account of `page` with one query per account,
    // many of them in flight at once on the open domain handle.
    std::uint32_t queryFlags(TALLOC_CTX *memory, std::vector<ListedAccount> &page);
    // Sends one call per slot, then runs the connection until every answer is
    // in. Returns 0, or the failure of the connection.
    template <typename Request>
    std::uint32_t inFlight(TALLOC_CTX *memory, std::uint32_t operation,
                           std::vector<Request *> &requests, std::vector<NTSTATUS> &transport);
    std::uint32_t lookUpRid(TALLOC_CTX *memory, const std::string &user, std::uint32_t &rid);
    // Finds the account, opens it on Account with Access and reads its
    // information at Level into Info (never null on success).
    std::uint32_t openAndQuery(TALLOC_CTX *memory, const std::string &user, std::uint32_t access,
                               samr_UserInfoLevel level, SamrHandle &account, std::uint32_t &rid,
                               samr_UserInfo *&info);
    std::uint32_t directoryPage(std::uint32_t &next, bool &more, std::vector<ListedAccount> &out);
};

Session::Session() : d(std::make_unique<Private>()) {}

Session::~Session() = default;

bool Session::broken() const
{
    return !d->rpc || !dcerpc_binding_handle_is_connected(d->rpc);
}

Session::ListingSource Session::listingSource() const
{
    if (d->flagsInDisplay)
        return ListingSource::displayInformation;
    return d->directory ? ListingSource::directory : ListingSource::accountQueries;
}

std::uint32_t Session::open(const Credentials &credentials, const std::string &server,
                            bool directoryReachable, std::unique_ptr<Session> &out)
{
    std::unique_ptr<Session> session(new Session);
    Private &p = *session->d;
    p.events = credentials.d->events;

    dcerpc_pipe *pipe = nullptr;
    const char *binding = talloc_asprintf(p.memory, "ncacn_np:%s", server.c_str());
    const NTSTATUS connected =
        dcerpc_pipe_connect(p.memory, &pipe, binding, &ndr_table_samr, credentials.d->credentials,
                            p.events, credentials.d->config);
    if (!NT_STATUS_IS_OK(connected))
        return connectError(connected);
    p.rpc = pipe->binding_handle;

    Scratch scratch(p.memory);
    TALLOC_CTX *memory = scratch.memory;
    p.connection = std::make_unique<SamrHandle>(p.rpc, p.memory);
    samr_Connect2 connect{};
    connect.in.system_name = talloc_asprintf(memory, "\\\\%s", server.c_str());
    connect.in.access_mask = SAMR_ACCESS_ENUM_DOMAINS | SAMR_ACCESS_LOOKUP_DOMAIN;
    connect.out.connect_handle = p.connection->get();
    if (const auto code = p.connection->opened(samrCall(p.rpc, memory, NDR_SAMR_CONNECT2, connect)))
        return code;

    // The account domain is the server's one domain besides "Builtin".
    std::uint32_t resume = 0;
    std::uint32_t domainCount = 0;
    samr_SamArray *domains = nullptr;
    samr_EnumDomains enumDomains{};
    enumDomains.in.connect_handle = p.connection->get();
    enumDomains.in.buf_size = 0xFFFFFFFF;
    enumDomains.in.resume_handle = &resume;
    enumDomains.out.resume_handle = &resume;
    enumDomains.out.sam = &domains;
    enumDomains.out.num_entries = &domainCount;
    if (const auto code = samrCall(p.rpc, memory, NDR_SAMR_ENUMDOMAINS, enumDomains))
        return code;
    const char *domainName = nullptr;
    for (std::uint32_t i = 0; domains && i < domains->count; ++i) {
        const char *name = domains->entries[i].name.string;
        if (name && strcasecmp(name, "Builtin") != 0)
            domainName = name;
    }
    if (!domainName)
        return nerrInvalidComputer;

    lsa_String domainString = lsaString(domainName);
    dom_sid2 *domainSid = nullptr;
    samr_LookupDomain lookupDomain{};
    lookupDomain.in.connect_handle = p.connection->get();
    lookupDomain.in.domain_name = &domainString;
    lookupDomain.out.sid = &domainSid;
    if (const auto code = samrCall(p.rpc, memory, NDR_SAMR_LOOKUPDOMAIN, lookupDomain))
        return code;

    p.domain = std::make_unique<SamrHandle>(p.rpc, p.memory);
    samr_OpenDomain openDomain{};
    openDomain.in.connect_handle = p.connection->get();
    openDomain.in.access_mask = SAMR_DOMAIN_ACCESS_OPEN_ACCOUNT | SAMR_DOMAIN_ACCESS_ENUM_ACCOUNTS |
                                SAMR_DOMAIN_ACCESS_LOOKUP_INFO_1 | SAMR_DOMAIN_ACCESS_LOOKUP_INFO_2;
    openDomain.in.sid = domainSid;
    openDomain.out.domain_handle = p.domain->get();
    if (const auto code =
            p.domain->opened(samrCall(p.rpc, memory, NDR_SAMR_OPENDOMAIN, openDomain)))
        return code;

    // Only a server that is no domain controller keeps the lockout in the
    // flags it lists: a domain controller keeps it apart from the stored
    // flags and reports only those there (Samba's reports none). Its
    // directory gives the computed lockout in bulk; when the directory cannot
    // be used, each account's flags are queried. A server that does not say
    // what it is gets the queries too: slower, never wrong. (SAMR's own
    // server role says "primary domain controller" for a standalone Samba
    // server too, and its server type word is the same on both.)
    const std::optional<bool> controller =
        isDirectoryController(pipe, credentials.d->credentials, credentials.d->config, memory);
    p.flagsInDisplay = controller.has_value() && !*controller;
    // The directory is logged on to only now, with credentials the server
    // has just accepted: a wrong password costs one bad logon, not two. A
    // ticket alone reaches it as well (Kerberos, signed and sealed).
    if (controller.value_or(false) && directoryReachable)
        p.directory = openDirectory(credentials.d->credentials, p.events, credentials.d->config,
                                    server, p.memory, p.directoryBase);
    out = std::move(session);
    return 0;
}

std::uint32_t Session::listPage(std::uint32_t &next, bool &more, std::vector<ListedAccount> &out)
{
    if (!d->flagsInDisplay && d->directory) {
        if (d->directoryPage(next, more, out) == 0)
            return 0;
        // The directory failed before it gave anything: SAMR serves instead.
        talloc_free(d->directory);
        d->directory = nullptr;
        d->directoryBase = nullptr;
    }
    Scratch scratch(d->memory);
    TALLOC_CTX *memory = scratch.memory;
    std::uint32_t totalSize = 0;
    std::uint32_t returnedSize = 0;
    samr_DispInfo info{};
    samr_QueryDisplayInfo query{};
    query.in.domain_handle = d->domain->get();
    query.in.level = displayUsers;
    query.in.start_idx = next;
    query.in.max_entries = pageSize;
    query.in.buf_size = 0xFFFFFFFF;
    query.out.total_size = &totalSize;
    query.out.returned_size = &returnedSize;
    query.out.info = &info;
    const NTSTATUS transport = dcerpc_binding_handle_call(
        d->rpc, nullptr, &ndr_table_samr, NDR_SAMR_QUERYDISPLAYINFO, memory, &query);
    if (!NT_STATUS_IS_OK(transport))
        return connectError(transport);
    const std::uint32_t result = NT_STATUS_V(query.out.result);
    if (result != 0 && result != status::moreEntries)
        return windowsError(query.out.result);

    const samr_DispInfoGeneral &general = info.info1;
    std::vector<ListedAccount> page;
    page.reserve(general.count);
    for (std::uint32_t i = 0; general.entries && i < general.count; ++i) {
        const samr_DispEntryGeneral &e = general.entries[i];
        ListedAccount account;
        account.entry.name = text(e.account_name.string);
        account.entry.comment = text(e.description.string);
        account.entry.fullName = text(e.full_name.string);
        account.info.name = account.entry.name;
        account.info.fullName = account.entry.fullName;
        account.info.comment = account.entry.comment;
        account.info.flags = windowsFlags(e.acct_flags);
        account.info.userId = e.rid;
        page.push_back(std::move(account));
    }
    if (!d->flagsInDisplay && !page.empty()) {
        if (const std::uint32_t code = d->queryFlags(memory, page))
            return code;
    }
    next += static_cast<std::uint32_t>(page.size());
    more = result == status::moreEntries && !page.empty();
    for (ListedAccount &account : page)
        out.push_back(std::move(account));
    return 0;
}

template <typename Request>
std::uint32_t Session::Private::inFlight(TALLOC_CTX *memory, std::uint32_t operation,
                                         std::vector<Request *> &requests,
                                         std::vector<NTSTATUS> &transport)
{
    std::vector<tevent_req *> pending(requests.size(), nullptr);
    transport.assign(requests.size(), NT_STATUS_OK);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (!requests[i])
            continue;
        pending[i] = dcerpc_binding_handle_call_send(memory, events, rpc, nullptr, &ndr_table_samr,
                                                     operation, memory, requests[i]);
        if (!pending[i])
            transport[i] = NT_STATUS_NO_MEMORY;
    }
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (!pending[i])
            continue;
        while (tevent_req_is_in_progress(pending[i])) {
            if (tevent_loop_once(events) != 0)
                return errorCannotComplete;
        }
        transport[i] = dcerpc_binding_handle_call_recv(pending[i]);
        TALLOC_FREE(pending[i]);
    }
    for (const NTSTATUS &failure : transport) {
        if (!NT_STATUS_IS_OK(failure))
            return connectError(failure);
    }
    return 0;
}

std::uint32_t Session::Private::directoryPage(std::uint32_t &next, bool &more,
                                              std::vector<ListedAccount> &out)
{
    // The accounts the display information lists: normal user accounts. The
    // directory's paged-search module fetches them a page at a time, as a
    // domain controller wants, and answers with all of them.
    static const char *const attributes[] = {"sAMAccountName",
                                             "displayName",
                                             "description",
                                             "userAccountControl",
                                             "msDS-User-Account-Control-Computed",
                                             "objectSid",
                                             nullptr};
    Scratch scratch(memory);
    ldb_result *result = nullptr;
    const int code = ldb_search(directory, scratch.memory, &result, directoryBase,
                                LDB_SCOPE_SUBTREE, attributes, "(sAMAccountType=805306368)");
    if (code == LDB_ERR_INSUFFICIENT_ACCESS_RIGHTS)
        return errorAccessDenied;
    if (code != LDB_SUCCESS || !result)
        return errorCannotComplete;
    // Accounts whose entry lacks either word: their flags are queried over
    // SAMR rather than taken as "neither locked out nor disabled".
    std::vector<ListedAccount> unread;
    // Handed out only whole: a failure leaves out as it was, for SAMR to fill.
    std::vector<ListedAccount> listed;
    listed.reserve(result->count);
    for (unsigned i = 0; i < result->count; ++i) {
        const ldb_message *message = result->msgs[i];
        ListedAccount account;
        account.entry.name = text(ldb_msg_find_attr_as_string(message, "sAMAccountName", nullptr));
        account.entry.fullName = text(ldb_msg_find_attr_as_string(message, "displayName", nullptr));
        account.entry.comment = text(ldb_msg_find_attr_as_string(message, "description", nullptr));
        account.info.name = account.entry.name;
        account.info.fullName = account.entry.fullName;
        account.info.comment = account.entry.comment;
        // These are Windows account flags already; the lockout is computed.
        // Windows always reports UF_SCRIPT, as windowsFlags() does.
        account.info.flags =
            ufScript | ldb_msg_find_attr_as_uint(message, "userAccountControl", 0) |
            ldb_msg_find_attr_as_uint(message, "msDS-User-Account-Control-Computed", 0);
        // The relative ID is the last part of the account's SID.
        if (const ldb_val *sid = ldb_msg_find_ldb_val(message, "objectSid");
            sid && sid->length >= 12)
            std::memcpy(&account.info.userId, sid->data + sid->length - 4, 4);
        if (account.entry.name.empty())
            continue;
        if (!ldb_msg_find_element(message, "userAccountControl") ||
            !ldb_msg_find_element(message, "msDS-User-Account-Control-Computed"))
            unread.push_back(account);
        listed.push_back(std::move(account));
    }
    if (!unread.empty()) {
        if (const std::uint32_t code = queryFlags(scratch.memory, unread))
            return code;
        for (const ListedAccount &queried : unread) {
            for (ListedAccount &account : listed) {
                if (account.entry.name == queried.entry.name) {
                    account.info.flags = queried.info.flags;
                    account.infoStatus = queried.infoStatus;
                }
            }
        }
    }
    for (ListedAccount &account : listed)
        out.push_back(std::move(account));
    next += result->count;
    more = false;
    return 0;
}

std::uint32_t Session::Private::queryFlags(TALLOC_CTX *memory, std::vector<ListedAccount> &page)
{
    struct Query
    {
        policy_handle handle{};
        samr_OpenUser open{};
        samr_UserInfo *info = nullptr;
        samr_QueryUserInfo query{};
        samr_Close close{};
    };
    for (std::size_t first = 0; first < page.size(); first += queriesInFlight) {
        const std::size_t count = std::min(queriesInFlight, page.size() - first);
        std::vector<Query> queries(count);
        std::vector<NTSTATUS> transport;

        std::vector<samr_OpenUser *> opens(count);
        for (std::size_t i = 0; i < count; ++i) {
            Query &q = queries[i];
            q.open.in.domain_handle = domain->get();
            q.open.in.access_mask = SAMR_USER_ACCESS_GET_ATTRIBUTES;
            q.open.in.rid = page[first + i].info.userId;
            q.open.out.user_handle = &q.handle;
            opens[i] = &q.open;
        }
        if (const std::uint32_t code = inFlight(memory, NDR_SAMR_OPENUSER, opens, transport))
            return code;

        std::vector<samr_QueryUserInfo *> reads(count, nullptr);
        for (std::size_t i = 0; i < count; ++i) {
            Query &q = queries[i];
            if (const std::uint32_t code = windowsError(q.open.out.result)) {
                page[first + i].infoStatus = code;
                continue;
            }
            q.query.in.user_handle = &q.handle;
            q.query.in.level = UserControlInformation;
            q.query.out.info = &q.info;
            reads[i] = &q.query;
        }
        const std::uint32_t readFailure =
            inFlight(memory, NDR_SAMR_QUERYUSERINFO, reads, transport);

        // Every handle that was opened is closed, also after a failed read.
        std::vector<samr_Close *> closes(count, nullptr);
        for (std::size_t i = 0; i < count; ++i) {
            Query &q = queries[i];
            if (!NT_STATUS_IS_OK(q.open.out.result))
                continue;
            q.close.in.handle = &q.handle;
            q.close.out.handle = &q.handle;
            closes[i] = &q.close;
        }
        const std::uint32_t closeFailure = inFlight(memory, NDR_SAMR_CLOSE, closes, transport);
        if (readFailure)
            return readFailure;
        if (closeFailure)
            return closeFailure;

        for (std::size_t i = 0; i < count; ++i) {
            ListedAccount &account = page[first + i];
            const Query &q = queries[i];
            if (!reads[i])
                continue;
            if (const std::uint32_t code = windowsError(q.query.out.result))
                account.infoStatus = code;
            else if (!q.info)
                account.infoStatus = errorNotSupported;
            else
                account.info.flags = windowsFlags(q.info->info16.acct_flags);
        }
    }
    return 0;
}

std::uint32_t Session::Private::lookUpRid(TALLOC_CTX *memory, const std::string &user,
                                          std::uint32_t &rid)
{
    lsa_String userString = lsaString(user.c_str());
    samr_Ids rids{};
    samr_Ids types{};
    samr_LookupNames lookupNames{};
    lookupNames.in.domain_handle = domain->get();
    lookupNames.in.num_names = 1;
    lookupNames.in.names = &userString;
    lookupNames.out.rids = &rids;
    lookupNames.out.types = &types;
    if (const auto code = samrCall(rpc, memory, NDR_SAMR_LOOKUPNAMES, lookupNames))
        return code;
    if (rids.count != 1 || types.count != 1 || types.ids[0] != SID_NAME_USER)
        return nerrUserNotFound;
    rid = rids.ids[0];
    return 0;
}

std::uint32_t Session::Private::openAndQuery(TALLOC_CTX *memory, const std::string &user,
                                             std::uint32_t access, samr_UserInfoLevel level,
                                             SamrHandle &account, std::uint32_t &rid,
                                             samr_UserInfo *&info)
{
    if (const auto code = lookUpRid(memory, user, rid))
        return code;
    samr_OpenUser openUser{};
    openUser.in.domain_handle = domain->get();
    openUser.in.access_mask = access;
    openUser.in.rid = rid;
    openUser.out.user_handle = account.get();
    if (const auto code = account.opened(samrCall(rpc, memory, NDR_SAMR_OPENUSER, openUser)))
        return code;
    info = nullptr;
    samr_QueryUserInfo query{};
    query.in.user_handle = account.get();
    query.in.level = level;
    query.out.info = &info;
    if (const auto code = samrCall(rpc, memory, NDR_SAMR_QUERYUSERINFO, query))
        return code;
    return info ? 0 : errorNotSupported;
}

std::uint32_t Session::lookUp(const std::string &user, AccountInfo &out)
{
    Scratch scratch(d->memory);
    TALLOC_CTX *memory = scratch.memory;
    std::uint32_t rid = 0;
    SamrHandle account(d->rpc, memory);
    samr_UserInfo *info = nullptr;
    if (const auto code = d->openAndQuery(memory, user, SEC_FLAG_MAXIMUM_ALLOWED,
                                          UserAllInformation, account, rid, info))
        return code;
    out.name = text(info->info21.account_name.string);
    out.fullName = text(info->info21.full_name.string);
    out.comment = text(info->info21.description.string);
    out.flags = windowsFlags(info->info21.acct_flags);
    out.userId = rid;
    return 0;
}

std::uint32_t Session::clearLockout(const std::string &user, std::uint32_t flags)
{
    Scratch scratch(d->memory);
    TALLOC_CTX *memory = scratch.memory;
    std::uint32_t rid = 0;
    // Reading and writing the account control flags is all this needs.
    SamrHandle account(d->rpc, memory);
    samr_UserInfo *current = nullptr;
    if (const auto code = d->openAndQuery(
            memory, user, SAMR_USER_ACCESS_GET_ATTRIBUTES | SAMR_USER_ACCESS_SET_ATTRIBUTES,
            UserControlInformation, account, rid, current))
        return code;
    const std::uint32_t acb = current->info16.acct_flags;
    const std::uint32_t now = windowsFlags(acb);
    if ((flags ^ now) & ~ufLockout)
        return errorNotSupported;
    if (flags & ufLockout) // a lockout can be cleared, never set
        return (now & ufLockout) ? 0 : errorNotSupported;
    if (!(acb & ACB_AUTOLOCK))
        return 0;

    samr_UserInfo wanted{};
    wanted.info16.acct_flags = acb & ~ACB_AUTOLOCK;
    samr_SetUserInfo set{};
    set.in.user_handle = account.get();
    set.in.level = UserControlInformation;
    set.in.info = &wanted;
    return samrCall(d->rpc, memory, NDR_SAMR_SETUSERINFO, set);
}

} // namespace netapi::samba
