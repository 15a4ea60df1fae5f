// Credentials, configuration and the SAMR client from Samba's client
// libraries. libnetapi cannot write an account's flags alone (level 1008 is
// not supported, and level 3 rewrites most of the account), so the lockout is
// cleared here with the few SAMR calls that touch the flags and nothing else.

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
#include <param.h>
#include <talloc.h>
#include <tevent.h>
#include <util/time.h>
}

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string.h>
#include <strings.h>
#include <unistd.h>

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

} // namespace

struct Credentials::Private
{
    TALLOC_CTX *memory = talloc_new(nullptr);
    loadparm_context *config = nullptr;
    tevent_context *events = nullptr;
    cli_credentials *credentials = nullptr;
    bool canLogOn = false;

    Private()
    {
        static std::once_flag initialised;
        std::call_once(initialised, [] { dcerpc_init(); });
        config = loadparm_init(memory);
        lpcfg_load(config, configFile().c_str());
        events = tevent_context_init(memory);
        credentials = cli_credentials_init(memory);
        cli_credentials_set_conf(credentials, config);
    }
    ~Private() { talloc_free(memory); }
};

namespace {

// Run by root under sudo, the environment is the user's: their USER, PASSWD
// and PASSWD_FILE must not become root's logon. Samba reads them while it
// guesses; they are hidden for that time only.
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
    static constexpr const char *names[] = {"USER", "PASSWD", "PASSWD_FILE"};
    std::optional<std::string> saved[std::size(names)];
};

} // namespace

Credentials::Credentials() : d(std::make_unique<Private>())
{
    {
        const SudoEnvironmentHidden hidden;
        cli_credentials_guess(d->credentials, d->config);
    }
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
    talloc_free(probe);
    refusePrompts();
    const char *password = cli_credentials_get_password(d->credentials);
    d->canLogOn = hasTicket || (password && *password);
}

Credentials::Credentials(const std::string &user, const std::string &password)
    : d(std::make_unique<Private>())
{
    cli_credentials_parse_string(d->credentials, user.c_str(), CRED_SPECIFIED);
    cli_credentials_set_password(d->credentials, password.c_str(), CRED_SPECIFIED);
    refusePrompts();
    d->canLogOn = !password.empty();
}

void Credentials::refusePrompts()
{
    // libnetapi installs a callback that asks for a missing password on the
    // terminal each time it connects, unless a callback is already there.
    // This one answers "no password"; it only takes a password's place when
    // no source gave one.
    cli_credentials_set_password_callback(
        d->credentials, [](cli_credentials *) -> const char * { return nullptr; });
}

Credentials::~Credentials() = default;

bool Credentials::canLogOn() const
{
    return d->canLogOn;
}

cli_credentials *Credentials::get() const
{
    return d->credentials;
}

std::uint32_t Credentials::clearLockout(const std::string &server, const std::string &user,
                                        std::uint32_t flags) const
{
    Scratch scratch(d->memory);
    TALLOC_CTX *memory = scratch.memory;

    dcerpc_pipe *pipe = nullptr;
    const char *binding = talloc_asprintf(memory, "ncacn_np:%s", server.c_str());
    const NTSTATUS connected = dcerpc_pipe_connect(memory, &pipe, binding, &ndr_table_samr,
                                                   d->credentials, d->events, d->config);
    if (!NT_STATUS_IS_OK(connected))
        return connectError(connected);
    dcerpc_binding_handle *rpc = pipe->binding_handle;

    SamrHandle connection(rpc, memory);
    samr_Connect2 connect{};
    connect.in.system_name = talloc_asprintf(memory, "\\\\%s", server.c_str());
    connect.in.access_mask = SAMR_ACCESS_ENUM_DOMAINS | SAMR_ACCESS_LOOKUP_DOMAIN;
    connect.out.connect_handle = connection.get();
    if (const auto code = connection.opened(samrCall(rpc, memory, NDR_SAMR_CONNECT2, connect)))
        return code;

    // The account domain is the server's one domain besides "Builtin".
    std::uint32_t resume = 0;
    std::uint32_t domainCount = 0;
    samr_SamArray *domains = nullptr;
    samr_EnumDomains enumDomains{};
    enumDomains.in.connect_handle = connection.get();
    enumDomains.in.buf_size = 0xFFFFFFFF;
    enumDomains.in.resume_handle = &resume;
    enumDomains.out.resume_handle = &resume;
    enumDomains.out.sam = &domains;
    enumDomains.out.num_entries = &domainCount;
    if (const auto code = samrCall(rpc, memory, NDR_SAMR_ENUMDOMAINS, enumDomains))
        return code;
    const char *domainName = nullptr;
    for (std::uint32_t i = 0; domains && i < domains->count; ++i) {
        const char *name = domains->entries[i].name.string;
        if (name && strcasecmp(name, "Builtin") != 0)
            domainName = name;
    }
    if (!domainName)
        return nerrUserNotFound;

    lsa_String domainString = lsaString(domainName);
    dom_sid2 *domainSid = nullptr;
    samr_LookupDomain lookupDomain{};
    lookupDomain.in.connect_handle = connection.get();
    lookupDomain.in.domain_name = &domainString;
    lookupDomain.out.sid = &domainSid;
    if (const auto code = samrCall(rpc, memory, NDR_SAMR_LOOKUPDOMAIN, lookupDomain))
        return code;

    SamrHandle domain(rpc, memory);
    samr_OpenDomain openDomain{};
    openDomain.in.connect_handle = connection.get();
    openDomain.in.access_mask = SAMR_DOMAIN_ACCESS_OPEN_ACCOUNT;
    openDomain.in.sid = domainSid;
    openDomain.out.domain_handle = domain.get();
    if (const auto code = domain.opened(samrCall(rpc, memory, NDR_SAMR_OPENDOMAIN, openDomain)))
        return code;

    lsa_String userString = lsaString(user.c_str());
    samr_Ids rids{};
    samr_Ids types{};
    samr_LookupNames lookupNames{};
    lookupNames.in.domain_handle = domain.get();
    lookupNames.in.num_names = 1;
    lookupNames.in.names = &userString;
    lookupNames.out.rids = &rids;
    lookupNames.out.types = &types;
    if (const auto code = samrCall(rpc, memory, NDR_SAMR_LOOKUPNAMES, lookupNames))
        return code;
    if (rids.count != 1 || types.count != 1 || types.ids[0] != SID_NAME_USER)
        return nerrUserNotFound;

    // Reading and writing the account control flags is all this needs.
    SamrHandle account(rpc, memory);
    samr_OpenUser openUser{};
    openUser.in.domain_handle = domain.get();
    openUser.in.access_mask = SAMR_USER_ACCESS_GET_ATTRIBUTES | SAMR_USER_ACCESS_SET_ATTRIBUTES;
    openUser.in.rid = rids.ids[0];
    openUser.out.user_handle = account.get();
    if (const auto code = account.opened(samrCall(rpc, memory, NDR_SAMR_OPENUSER, openUser)))
        return code;

    samr_UserInfo *current = nullptr;
    samr_QueryUserInfo query{};
    query.in.user_handle = account.get();
    query.in.level = UserControlInformation;
    query.out.info = &current;
    if (const auto code = samrCall(rpc, memory, NDR_SAMR_QUERYUSERINFO, query))
        return code;
    if (!current)
        return errorNotSupported;
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
    return samrCall(rpc, memory, NDR_SAMR_SETUSERINFO, set);
}

} // namespace netapi::samba
