// The SAMR client. Every account call goes over one SAMR connection per
// server: a listing reads pages of display information (names, full names
// and flags of hundreds of accounts per round trip), a lookup and a reset
// read the one account afresh, and the lockout is cleared with the few calls
// that touch the flags and nothing else. libnetapi would open a connection of
// its own per context, fall back to an anonymous session when the
// credentials are refused, and read one account per round trip.

#include "platform/netapi/remote/SambaSession.h"

#include "platform/WinError.h"
#include "platform/netapi/NetApi.h"
#include "platform/netapi/remote/SambaAccountFlags.h"
#include "platform/netapi/remote/SambaCredentials.h"
#include "platform/netapi/remote/SambaDirectory.h"
#include "platform/netapi/remote/SambaLibraries.h"
#include "platform/netapi/remote/SambaServerRole.h"
#include "platform/netapi/remote/SambaStatus.h"

#include <algorithm>
#include <optional>
#include <strings.h>

namespace netapi::samba {
namespace {

// Accounts per page of a listing: one round trip each. Small enough that the
// window is repainted between pages of a slow link.
constexpr std::uint32_t pageSize = 512;
// Account queries kept in flight at once where the flags need one per account.
constexpr std::size_t queriesInFlight = 64;
// The display information level that lists user accounts.
constexpr std::uint16_t displayUsers = 1;

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

// Sends one call per slot of requests (null: none), then runs the connection
// until every answer is in. Returns 0, or the failure of the connection.
template <typename Request>
std::uint32_t inFlight(tevent_context *events, dcerpc_binding_handle *rpc, TALLOC_CTX *memory,
                       std::uint32_t operation, std::vector<Request *> &requests,
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
                return ERROR_CAN_NOT_COMPLETE;
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

} // namespace

// A SAMR handle, closed on every way out once it is open.
class SamrHandle
{
public:
    SamrHandle(dcerpc_binding_handle *rpc, TALLOC_CTX *memory) : m_rpc(rpc), m_memory(memory) {}
    ~SamrHandle()
    {
        if (!m_open)
            return;
        samr_Close request{};
        request.in.handle = &m_handle;
        request.out.handle = &m_handle;
        samrCall(m_rpc, m_memory, NDR_SAMR_CLOSE, request);
    }
    SamrHandle(const SamrHandle &) = delete;
    SamrHandle &operator=(const SamrHandle &) = delete;

    policy_handle *get() { return &m_handle; }
    // The outcome of the call that opened it.
    std::uint32_t opened(std::uint32_t code)
    {
        m_open = code == 0;
        return code;
    }

private:
    dcerpc_binding_handle *m_rpc;
    TALLOC_CTX *m_memory;
    policy_handle m_handle{};
    bool m_open = false;
};

namespace {

std::uint32_t lookUpRid(dcerpc_binding_handle *rpc, SamrHandle &domain, TALLOC_CTX *memory,
                        const std::string &user, std::uint32_t &rid)
{
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
        return NERR_UserNotFound;
    rid = rids.ids[0];
    return 0;
}

// Finds the account, opens it on account with access and reads its
// information at level into info (never null on success).
std::uint32_t openAndQuery(dcerpc_binding_handle *rpc, SamrHandle &domain, TALLOC_CTX *memory,
                           const std::string &user, std::uint32_t access, samr_UserInfoLevel level,
                           SamrHandle &account, std::uint32_t &rid, samr_UserInfo *&info)
{
    if (const auto code = lookUpRid(rpc, domain, memory, user, rid))
        return code;
    samr_OpenUser openUser{};
    openUser.in.domain_handle = domain.get();
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
    return info ? 0 : ERROR_NOT_SUPPORTED;
}

} // namespace

Session::Session() : m_memory(newTallocMemory()) {}

Session::~Session()
{
    // Closed while the pipe is still there; a broken one closes nothing.
    m_domain.reset();
    m_connection.reset();
}

bool Session::broken() const
{
    return ready() && (!m_rpc || !dcerpc_binding_handle_is_connected(m_rpc));
}

Session::ListingSource Session::listingSource() const
{
    if (m_flagsInDisplay)
        return ListingSource::displayInformation;
    return m_directory ? ListingSource::directory : ListingSource::accountQueries;
}

std::unique_ptr<Session> Session::create(const Credentials &credentials, const std::string &server,
                                         bool directoryReachable, bool listing)
{
    std::unique_ptr<Session> session(new Session);
    session->m_credentials = &credentials;
    session->m_server = server;
    session->m_events = credentials.events();
    session->m_directoryReachable = directoryReachable;
    session->m_listing = listing;
    return session;
}

bool Session::ready() const
{
    return m_phase == Phase::ready;
}

std::uint32_t Session::logOn(std::optional<std::chrono::steady_clock::time_point> until)
{
    const auto timeUp = [&] { return until && std::chrono::steady_clock::now() >= *until; };
    if (m_phase == Phase::directory) {
        // Where there may be a directory, it is logged on to first:
        // credentials it refuses are refused here, once, and not tried over
        // SMB (a second bad logon). Credentials it accepts are good for SMB
        // too, and a listing's search goes to the server at once: SMB and
        // SAMR log on while the server works on it. Its accounts count only
        // if the server turns out to be a domain controller (below).
        if (m_directoryReachable) {
            if (Directory::open(*m_credentials, m_server, m_pendingDirectory) ==
                ERROR_LOGON_FAILURE)
                return ERROR_LOGON_FAILURE;
            if (m_pendingDirectory && m_listing)
                m_pendingDirectory->startReadingAccounts();
        }
        m_phase = Phase::pipe;
        if (timeUp())
            return 0;
    }
    if (m_phase == Phase::pipe) {
        const char *binding = talloc_asprintf(m_memory.get(), "ncacn_np:%s", m_server.c_str());
        const NTSTATUS connected =
            dcerpc_pipe_connect(m_memory.get(), &m_pipe, binding, &ndr_table_samr,
                                m_credentials->get(), m_events, m_credentials->config());
        if (!NT_STATUS_IS_OK(connected))
            return connectError(connected);
        m_rpc = m_pipe->binding_handle;
        m_phase = Phase::domain;
        if (timeUp())
            return 0;
    }
    if (m_phase == Phase::domain) {
        if (const std::uint32_t code = openDomain())
            return code;
        m_phase = Phase::ready;
    }
    return 0;
}

std::uint32_t Session::openDomain()
{
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    TALLOC_CTX *memory = scratch.get();
    m_connection = std::make_unique<SamrHandle>(m_rpc, m_memory.get());
    samr_Connect2 connect{};
    connect.in.system_name = talloc_asprintf(memory, "\\\\%s", m_server.c_str());
    connect.in.access_mask = SAMR_ACCESS_ENUM_DOMAINS | SAMR_ACCESS_LOOKUP_DOMAIN;
    connect.out.connect_handle = m_connection->get();
    if (const auto code = m_connection->opened(samrCall(m_rpc, memory, NDR_SAMR_CONNECT2, connect)))
        return code;

    // The account domain is the server's one domain besides "Builtin".
    std::uint32_t resume = 0;
    std::uint32_t domainCount = 0;
    samr_SamArray *domains = nullptr;
    samr_EnumDomains enumDomains{};
    enumDomains.in.connect_handle = m_connection->get();
    enumDomains.in.buf_size = 0xFFFFFFFF;
    enumDomains.in.resume_handle = &resume;
    enumDomains.out.resume_handle = &resume;
    enumDomains.out.sam = &domains;
    enumDomains.out.num_entries = &domainCount;
    if (const auto code = samrCall(m_rpc, memory, NDR_SAMR_ENUMDOMAINS, enumDomains))
        return code;
    const char *domainName = nullptr;
    for (std::uint32_t i = 0; domains && i < domains->count; ++i) {
        const char *name = domains->entries[i].name.string;
        if (name && strcasecmp(name, "Builtin") != 0)
            domainName = name;
    }
    if (!domainName)
        return NERR_InvalidComputer;

    lsa_String domainString = lsaString(domainName);
    dom_sid2 *domainSid = nullptr;
    samr_LookupDomain lookupDomain{};
    lookupDomain.in.connect_handle = m_connection->get();
    lookupDomain.in.domain_name = &domainString;
    lookupDomain.out.sid = &domainSid;
    if (const auto code = samrCall(m_rpc, memory, NDR_SAMR_LOOKUPDOMAIN, lookupDomain))
        return code;

    m_domain = std::make_unique<SamrHandle>(m_rpc, m_memory.get());
    samr_OpenDomain openDomain{};
    openDomain.in.connect_handle = m_connection->get();
    openDomain.in.access_mask = SAMR_DOMAIN_ACCESS_OPEN_ACCOUNT | SAMR_DOMAIN_ACCESS_ENUM_ACCOUNTS |
                                SAMR_DOMAIN_ACCESS_LOOKUP_INFO_1 | SAMR_DOMAIN_ACCESS_LOOKUP_INFO_2;
    openDomain.in.sid = domainSid;
    openDomain.out.domain_handle = m_domain->get();
    if (const auto code =
            m_domain->opened(samrCall(m_rpc, memory, NDR_SAMR_OPENDOMAIN, openDomain)))
        return code;

    // Only a server that is no domain controller keeps the lockout in the
    // flags it lists: a domain controller keeps it apart from the stored
    // flags and reports only those there (Samba's reports none). Its
    // directory gives the computed lockout in bulk; when the directory cannot
    // be used, each account's flags are queried. A server that does not say
    // what it is gets the queries too: slower, never wrong. (SAMR's own
    // server role says "primary domain controller" for a standalone Samba
    // server too, and its server type word is the same on both.)
    const std::optional<bool> controller = isDirectoryController(m_pipe, *m_credentials);
    m_flagsInDisplay = controller.has_value() && !*controller;
    // A ticket alone reaches the directory as well (Kerberos, signed and
    // sealed).
    if (controller.value_or(false))
        m_directory = std::move(m_pendingDirectory);
    m_pendingDirectory.reset();
    return 0;
}

std::uint32_t Session::listPage(std::uint32_t listing, std::chrono::steady_clock::time_point until,
                                std::uint32_t &next, bool &more, std::vector<ListedAccount> &out)
{
    if (!m_flagsInDisplay && m_directory) {
        if (directoryPage(listing, until, next, more, out) == 0)
            return 0;
        // The directory failed before it gave anything: SAMR serves instead.
        m_directory.reset();
    }
    if (next == 0)
        m_listingLockoutDuration.reset();
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    TALLOC_CTX *memory = scratch.get();
    std::uint32_t totalSize = 0;
    std::uint32_t returnedSize = 0;
    samr_DispInfo info{};
    samr_QueryDisplayInfo query{};
    query.in.domain_handle = m_domain->get();
    query.in.level = displayUsers;
    query.in.start_idx = next;
    query.in.max_entries = pageSize;
    query.in.buf_size = 0xFFFFFFFF;
    query.out.total_size = &totalSize;
    query.out.returned_size = &returnedSize;
    query.out.info = &info;
    const NTSTATUS transport = dcerpc_binding_handle_call(
        m_rpc, nullptr, &ndr_table_samr, NDR_SAMR_QUERYDISPLAYINFO, memory, &query);
    if (!NT_STATUS_IS_OK(transport))
        return connectError(transport);
    const std::uint32_t result = NT_STATUS_V(query.out.result);
    if (result != 0 && result != statusMoreEntries)
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
    if (!m_flagsInDisplay && !page.empty()) {
        if (const std::uint32_t code = queryFlags(memory, page))
            return code;
    }
    next += static_cast<std::uint32_t>(page.size());
    more = result == statusMoreEntries && !page.empty();
    for (ListedAccount &account : page)
        out.push_back(std::move(account));
    return 0;
}

std::uint32_t Session::directoryPage(std::uint32_t listing,
                                     std::chrono::steady_clock::time_point until,
                                     std::uint32_t &next, bool &more,
                                     std::vector<ListedAccount> &out)
{
    // Handed out only whole: a failure leaves out as it was, for SAMR to fill.
    std::vector<ListedAccount> listed;
    std::vector<std::size_t> unread;
    bool done = false;
    if (const std::uint32_t code = m_directory->readAccounts(listing, until, done, listed, unread))
        return code;
    if (!done)
        return 0;
    if (!unread.empty()) {
        std::vector<ListedAccount> queried;
        queried.reserve(unread.size());
        for (const std::size_t index : unread)
            queried.push_back(listed[index]);
        const TallocMemory scratch = newTallocMemory(m_memory.get());
        if (const std::uint32_t code = queryFlags(scratch.get(), queried))
            return code;
        for (std::size_t i = 0; i < unread.size(); ++i) {
            listed[unread[i]].info.flags = queried[i].info.flags;
            listed[unread[i]].infoStatus = queried[i].infoStatus;
        }
    }
    next += static_cast<std::uint32_t>(listed.size());
    more = false;
    for (ListedAccount &account : listed)
        out.push_back(std::move(account));
    return 0;
}

namespace {

AccountDetails detailsOf(const samr_UserInfo21 &info, std::optional<std::int64_t> lockoutDuration)
{
    return countedDetails(info.bad_password_count, (info.acct_flags & ACB_AUTOLOCK) != 0,
                          lockoutDuration);
}

} // namespace

std::uint32_t Session::queryFlags(void *memory, std::vector<ListedAccount> &page)
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
            q.open.in.domain_handle = m_domain->get();
            q.open.in.access_mask = SAMR_USER_ACCESS_GET_ATTRIBUTES;
            q.open.in.rid = page[first + i].info.userId;
            q.open.out.user_handle = &q.handle;
            opens[i] = &q.open;
        }
        if (const std::uint32_t code =
                inFlight(m_events, m_rpc, memory, NDR_SAMR_OPENUSER, opens, transport))
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
            inFlight(m_events, m_rpc, memory, NDR_SAMR_QUERYUSERINFO, reads, transport);

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
        const std::uint32_t closeFailure =
            inFlight(m_events, m_rpc, memory, NDR_SAMR_CLOSE, closes, transport);
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
                account.infoStatus = ERROR_NOT_SUPPORTED;
            else
                account.info.flags = windowsFlags(q.info->info16.acct_flags);
        }
    }
    return 0;
}

std::uint32_t Session::queryDetails(ListedAccount &account)
{
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    TALLOC_CTX *memory = scratch.get();
    // Read once per listing, for the accounts asked for one by one.
    if (!m_listingLockoutDuration)
        m_listingLockoutDuration = lockoutDuration(memory);
    SamrHandle user(m_rpc, memory);
    samr_OpenUser openUser{};
    openUser.in.domain_handle = m_domain->get();
    openUser.in.access_mask = SAMR_USER_ACCESS_GET_ATTRIBUTES;
    openUser.in.rid = account.info.userId;
    openUser.out.user_handle = user.get();
    samr_UserInfo *info = nullptr;
    samr_QueryUserInfo query{};
    query.in.user_handle = user.get();
    query.in.level = UserAllInformation;
    query.out.info = &info;
    std::uint32_t code = user.opened(samrCall(m_rpc, memory, NDR_SAMR_OPENUSER, openUser));
    if (code == 0)
        code = samrCall(m_rpc, memory, NDR_SAMR_QUERYUSERINFO, query);
    if (code == 0 && !info)
        code = ERROR_NOT_SUPPORTED;
    if (broken())
        return code ? code : ERROR_CAN_NOT_COMPLETE;
    if (code)
        account.detailsStatus = code;
    else
        account.details = detailsOf(info->info21, *m_listingLockoutDuration);
    return 0;
}

std::optional<std::int64_t> Session::lockoutDuration(void *memory)
{
    samr_DomainInfo *info = nullptr;
    samr_QueryDomainInfo query{};
    query.in.domain_handle = m_domain->get();
    query.in.level = DomainLockoutInformation;
    query.out.info = &info;
    if (samrCall(m_rpc, static_cast<TALLOC_CTX *>(memory), NDR_SAMR_QUERYDOMAININFO, query) != 0 ||
        !info)
        return std::nullopt;
    return static_cast<std::int64_t>(info->info12.lockout_duration);
}

std::uint32_t Session::lookUp(const std::string &user, AccountInfo &out)
{
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    TALLOC_CTX *memory = scratch.get();
    std::uint32_t rid = 0;
    SamrHandle account(m_rpc, memory);
    samr_UserInfo *info = nullptr;
    if (const auto code = openAndQuery(m_rpc, *m_domain, memory, user, SEC_FLAG_MAXIMUM_ALLOWED,
                                       UserAllInformation, account, rid, info))
        return code;
    out.name = text(info->info21.account_name.string);
    out.fullName = text(info->info21.full_name.string);
    out.comment = text(info->info21.description.string);
    out.flags = windowsFlags(info->info21.acct_flags);
    out.userId = rid;
    return 0;
}

std::uint32_t Session::lookUpDetails(const std::string &user, AccountDetails &out)
{
    if (m_directory)
        return m_directory->readDetails(user, out);
    // SAMR keeps the count and the domain's lockout length, but no time.
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    TALLOC_CTX *memory = scratch.get();
    std::uint32_t rid = 0;
    SamrHandle account(m_rpc, memory);
    samr_UserInfo *info = nullptr;
    if (const auto code = openAndQuery(m_rpc, *m_domain, memory, user, SEC_FLAG_MAXIMUM_ALLOWED,
                                       UserAllInformation, account, rid, info))
        return code;
    out = detailsOf(info->info21, lockoutDuration(memory));
    return 0;
}

std::uint32_t Session::clearLockout(const std::string &user, std::uint32_t flags)
{
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    TALLOC_CTX *memory = scratch.get();
    std::uint32_t rid = 0;
    // Reading and writing the account control flags is all this needs.
    SamrHandle account(m_rpc, memory);
    samr_UserInfo *current = nullptr;
    if (const auto code =
            openAndQuery(m_rpc, *m_domain, memory, user,
                         SAMR_USER_ACCESS_GET_ATTRIBUTES | SAMR_USER_ACCESS_SET_ATTRIBUTES,
                         UserControlInformation, account, rid, current))
        return code;
    const std::uint32_t acb = current->info16.acct_flags;
    const std::uint32_t now = windowsFlags(acb);
    if ((flags ^ now) & ~UF_LOCKOUT)
        return ERROR_NOT_SUPPORTED;
    if (flags & UF_LOCKOUT) // a lockout can be cleared, never set
        return (now & UF_LOCKOUT) ? 0 : ERROR_NOT_SUPPORTED;
    if (!(acb & ACB_AUTOLOCK))
        return 0;

    samr_UserInfo wanted{};
    wanted.info16.acct_flags = acb & ~ACB_AUTOLOCK;
    samr_SetUserInfo set{};
    set.in.user_handle = account.get();
    set.in.level = UserControlInformation;
    set.in.info = &wanted;
    return samrCall(m_rpc, memory, NDR_SAMR_SETUSERINFO, set);
}

} // namespace netapi::samba
