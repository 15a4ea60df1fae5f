#include "platform/netapi/remote/SambaDirectory.h"

#include "platform/WinError.h"
#include "platform/netapi/NetApi.h"
#include "platform/netapi/remote/SambaCredentials.h"
#include "platform/netapi/remote/SambaLibraries.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace netapi::samba {
namespace {

// GENSEC_FEATURE_SIGN of Samba's private gensec header.
constexpr std::uint32_t gensecFeatureSign = 0x00000002;
// What a Windows domain controller hands out per page unless told otherwise
// (MaxPageSize), asked for when the server wants the search paged.
constexpr int defaultPageSize = 1000;

// The accounts the display information lists: normal user accounts.
constexpr char normalAccounts[] = "(sAMAccountType=805306368)";

const char *const accountAttributes[] = {"sAMAccountName",
                                         "displayName",
                                         "description",
                                         "userAccountControl",
                                         "msDS-User-Account-Control-Computed",
                                         "objectSid",
                                         "badPwdCount",
                                         "badPasswordTime",
                                         "lockoutTime",
                                         nullptr};

// The account an entry describes (the end of its lockout aside: see
// Search::finish); false for an entry without an account name.
bool readEntry(const ldb_message *message, ListedAccount &account, bool &flagsMissing)
{
    account.entry.name = text(ldb_msg_find_attr_as_string(message, "sAMAccountName", nullptr));
    if (account.entry.name.empty())
        return false;
    account.entry.fullName = text(ldb_msg_find_attr_as_string(message, "displayName", nullptr));
    account.entry.comment = text(ldb_msg_find_attr_as_string(message, "description", nullptr));
    account.info.name = account.entry.name;
    account.info.fullName = account.entry.fullName;
    account.info.comment = account.entry.comment;
    // These are Windows account flags already; the lockout is computed.
    // Windows always reports UF_SCRIPT, as windowsFlags() does.
    account.info.flags =
        UF_SCRIPT | ldb_msg_find_attr_as_uint(message, "userAccountControl", 0) |
        ldb_msg_find_attr_as_uint(message, "msDS-User-Account-Control-Computed", 0);
    // The relative ID is the last part of the account's SID.
    if (const ldb_val *sid = ldb_msg_find_ldb_val(message, "objectSid"); sid && sid->length >= 12)
        std::memcpy(&account.info.userId, sid->data + sid->length - 4, 4);
    AccountDetails details;
    details.failedLogons = ldb_msg_find_attr_as_uint(message, "badPwdCount", 0);
    details.lastFailedLogon =
        times::fromFileTime(ldb_msg_find_attr_as_int64(message, "badPasswordTime", 0));
    // lockoutTime stays set after the lockout has run out, until the next
    // logon: the computed flag says whether it holds.
    if (account.info.flags & UF_LOCKOUT)
        details.lockedOutSince =
            times::fromFileTime(ldb_msg_find_attr_as_int64(message, "lockoutTime", 0));
    account.details = std::move(details);
    flagsMissing = !ldb_msg_find_element(message, "userAccountControl") ||
                   !ldb_msg_find_element(message, "msDS-User-Account-Control-Computed");
    return true;
}

void timeUp(tevent_context *, tevent_timer *, timeval, void *rang)
{
    *static_cast<bool *>(rang) = true;
}

} // namespace

// One search for accounts, run by its owner's calls. It asks for everything
// at once, which costs a domain controller least, and a page at a time only
// when the server will not hand out everything unpaged (a Windows server
// stops at MaxPageSize with sizeLimitExceeded). Its accounts count only once
// the search has ended well: a search that changes course or fails leaves
// nothing behind to be listed twice.
class Directory::Search
{
public:
    Search(Directory &directory, std::string filter)
        : m_directory(directory), m_filter(std::move(filter))
    {}
    Search(const Search &) = delete;
    Search &operator=(const Search &) = delete;

    // Sends the first request; 0 or why it could not be sent.
    std::uint32_t start()
    {
        // Read once per search, before it: the end of each lockout. (Not
        // after it is sent: the server answers one connection's requests in
        // order, so this would wait for the whole search.)
        const TallocMemory scratch = newTallocMemory();
        m_duration = m_directory.lockoutDuration(scratch.get());
        return send();
    }

    // Runs the search until it ends, or until `until` when given. True when
    // it has ended: result() says how.
    bool run(std::optional<std::chrono::steady_clock::time_point> until)
    {
        const TallocMemory alarm = newTallocMemory();
        bool rang = false;
        if (until) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                *until - std::chrono::steady_clock::now());
            const long micros = std::max<long>(0, static_cast<long>(left.count()));
            if (!tevent_add_timer(m_directory.m_events, alarm.get(),
                                  tevent_timeval_current_ofs(micros / 1000000, micros % 1000000),
                                  timeUp, &rang))
                finish(ERROR_NOT_ENOUGH_MEMORY);
        }
        while (!m_done) {
            if (m_requestEnded) {
                next();
                continue;
            }
            if (rang)
                return false;
            if (tevent_loop_once(m_directory.m_events) != 0)
                finish(ERROR_CAN_NOT_COMPLETE);
        }
        return true;
    }

    std::uint32_t result() const { return m_result; }
    std::vector<ListedAccount> accounts;
    std::vector<std::size_t> unread; // indexes in accounts

private:
    std::uint32_t send()
    {
        m_request = newTallocMemory();
        m_requestEnded = false;
        m_received = 0;
        struct ldb_request *request = nullptr;
        if (ldb_build_search_req(&request, m_directory.m_ldb, m_request.get(), m_directory.m_base,
                                 LDB_SCOPE_SUBTREE, m_filter.c_str(), accountAttributes, nullptr,
                                 this, &Search::received, nullptr) != LDB_SUCCESS)
            return ERROR_NOT_ENOUGH_MEMORY;
        if (m_paged) {
            // Spelt as C does: the encoder checks the memory's type name.
            auto *paging = talloc_zero(request, struct ldb_paged_control);
            if (!paging)
                return ERROR_NOT_ENOUGH_MEMORY;
            paging->size = pageSize();
            paging->cookie_len = static_cast<int>(m_cookie.size());
            if (!m_cookie.empty() && !(paging->cookie = static_cast<char *>(talloc_memdup(
                                           paging, m_cookie.data(), m_cookie.size()))))
                return ERROR_NOT_ENOUGH_MEMORY;
            if (ldb_request_add_control(request, LDB_CONTROL_PAGED_RESULTS_OID, true, paging) !=
                LDB_SUCCESS)
                return ERROR_NOT_ENOUGH_MEMORY;
        }
        return status(ldb_request(m_directory.m_ldb, request));
    }

    int pageSize() const
    {
        const std::size_t limit = m_directory.m_maxPageSize;
        return limit > 0 && limit < defaultPageSize ? static_cast<int>(limit) : defaultPageSize;
    }

    // The request has ended: the next page, the search again with paging,
    // or the end.
    void next()
    {
        int error = m_requestError;
        if (!m_paged && m_truncated && error == LDB_SUCCESS)
            error = LDB_ERR_SIZE_LIMIT_EXCEEDED;
        if (error == LDB_ERR_SIZE_LIMIT_EXCEEDED && !m_paged) {
            accounts.clear();
            unread.clear();
            m_paged = true;
            m_cookie.clear();
        } else if (error != LDB_SUCCESS) {
            return finish(status(error));
        } else if (!m_paged || m_cookie.empty()) {
            return finish(0);
        }
        if (const std::uint32_t code = send())
            finish(code);
    }

    void finish(std::uint32_t code)
    {
        m_done = true;
        m_result = code;
        if (code) {
            accounts.clear();
            unread.clear();
        }
        for (ListedAccount &account : accounts) {
            if (!(account.info.flags & UF_LOCKOUT))
                continue;
            // A lockout without its start, or a domain whose duration could
            // not be read, ends at an unknown time: not "only an
            // administrator", which a forever duration alone means.
            AccountDetails &details = *account.details;
            if (!details.lockedOutSince) {
                details.lockedOutSinceKnown = false;
                details.unlocksAtKnown = false;
            } else if (!m_duration) {
                details.unlocksAtKnown = false;
            } else if (*m_duration) {
                details.unlocksAt = *details.lockedOutSince + **m_duration;
            }
        }
    }

    static std::uint32_t status(int ldbCode)
    {
        if (ldbCode == LDB_SUCCESS)
            return 0;
        return ldbCode == LDB_ERR_INSUFFICIENT_ACCESS_RIGHTS ? ERROR_ACCESS_DENIED
                                                             : ERROR_CAN_NOT_COMPLETE;
    }

    static int received(struct ldb_request *request, ldb_reply *reply)
    {
        auto *search = static_cast<Search *>(request->context);
        if (!reply) {
            search->ended(LDB_ERR_OPERATIONS_ERROR);
            return LDB_ERR_OPERATIONS_ERROR;
        }
        try {
            search->take(*reply);
        } catch (...) {
            search->ended(LDB_ERR_OPERATIONS_ERROR);
        }
        talloc_free(reply);
        return LDB_SUCCESS;
    }

    void take(const ldb_reply &reply)
    {
        switch (reply.type) {
        case LDB_REPLY_ENTRY: {
            if (m_requestEnded)
                return;
            const std::size_t limit = m_directory.m_maxPageSize;
            if (++m_received > limit && limit > 0) {
                // What a server with this limit would not have sent.
                m_truncated = !m_paged;
                if (m_truncated)
                    return;
            }
            ListedAccount account;
            bool flagsMissing = false;
            if (!readEntry(reply.message, account, flagsMissing))
                return;
            if (flagsMissing)
                unread.push_back(accounts.size());
            accounts.push_back(std::move(account));
            return;
        }
        case LDB_REPLY_REFERRAL: // another domain's: its accounts are not listed here
            return;
        case LDB_REPLY_DONE:
            m_cookie.clear();
            if (reply.error == LDB_SUCCESS && m_paged) {
                ldb_control *control = ldb_reply_get_control(const_cast<ldb_reply *>(&reply),
                                                             LDB_CONTROL_PAGED_RESULTS_OID);
                const auto *paging =
                    control ? static_cast<const ldb_paged_control *>(control->data) : nullptr;
                if (paging && paging->cookie && paging->cookie_len > 0)
                    m_cookie.assign(paging->cookie, static_cast<std::size_t>(paging->cookie_len));
            }
            ended(reply.error);
            return;
        }
    }

    void ended(int error)
    {
        if (m_requestEnded)
            return;
        m_requestEnded = true;
        m_requestError = error;
    }

    Directory &m_directory;
    const std::string m_filter;
    std::optional<std::optional<std::int64_t>> m_duration;
    // The request under way and everything it received so far.
    TallocMemory m_request;
    bool m_requestEnded = false;
    int m_requestError = LDB_SUCCESS;
    std::size_t m_received = 0; // entries of the current request
    bool m_truncated = false;   // more entries than the server is taken to send
    bool m_paged = false;
    std::string m_cookie; // where the next page starts; empty after the last
    bool m_done = false;
    std::uint32_t m_result = 0;
};

Directory::Directory() = default;

std::uint32_t Directory::open(const Credentials &credentials, const std::string &server,
                              std::unique_ptr<Directory> &out)
{
    std::unique_ptr<Directory> directory(new Directory);
    directory->m_memory = newTallocMemory();
    directory->m_events = credentials.events();
    ldb_context *ldb = ldb_init(directory->m_memory.get(), credentials.events());
    if (!ldb)
        return ERROR_NOT_ENOUGH_MEMORY;
    // A directory that cannot be used is not the operator's concern: the
    // accounts are then read over SAMR. ldb would say why on standard error.
    ldb_set_debug(
        ldb, [](void *, ldb_debug_level, const char *, va_list) {}, nullptr);
    ldb_set_opaque(ldb, "credentials", credentials.get());
    ldb_set_opaque(ldb, "loadparm", credentials.config());
    const std::string url = "ldap://" + server;
    // Samba's LDAP client binds anonymously unless the credentials ask for
    // authentication, which guessed ones (a ticket, USER and PASSWD) do not;
    // asking for signing makes them.
    cli_credentials *logon = credentials.get();
    const std::uint32_t features = cli_credentials_get_gensec_features(logon);
    cli_credentials_set_gensec_features(logon, features | gensecFeatureSign, CRED_SPECIFIED);
    // No modules: the searches page themselves, and only where the server
    // wants it (see Search).
    const int connected = ldb_connect(ldb, url.c_str(), 0, nullptr);
    cli_credentials_set_gensec_features(logon, features, CRED_SPECIFIED);
    // Whatever the server or the Kerberos service refused the credentials
    // for (a wrong password, a locked or disabled account) comes as
    // invalidCredentials.
    if (connected == LDB_ERR_INVALID_CREDENTIALS)
        return ERROR_LOGON_FAILURE;
    if (connected != LDB_SUCCESS || !(directory->m_base = ldb_get_default_basedn(ldb)))
        return ERROR_CAN_NOT_COMPLETE;
    directory->m_ldb = ldb;
    // Samba's directory hands out any number of entries unpaged; the tests
    // take the way a Windows server's MaxPageSize forces with a limit of
    // their own.
    if (const char *limit = std::getenv("TUMBLERSET_DIRECTORY_MAX_PAGE_SIZE"))
        directory->m_maxPageSize = std::strtoul(limit, nullptr, 10);
    out = std::move(directory);
    return 0;
}

Directory::~Directory() = default;

std::optional<std::optional<std::int64_t>> Directory::lockoutDuration(void *memory)
{
    static const char *const attributes[] = {"lockoutDuration", nullptr};
    ldb_result *result = nullptr;
    if (ldb_search(m_ldb, memory, &result, m_base, LDB_SCOPE_BASE, attributes, nullptr) !=
            LDB_SUCCESS ||
        !result || result->count != 1 || !ldb_msg_find_element(result->msgs[0], "lockoutDuration"))
        return std::nullopt;
    return times::fromInterval(ldb_msg_find_attr_as_int64(result->msgs[0], "lockoutDuration", 0));
}

std::uint32_t Directory::readAccounts(std::uint32_t listing,
                                      std::chrono::steady_clock::time_point until, bool &done,
                                      std::vector<ListedAccount> &out,
                                      std::vector<std::size_t> &unread)
{
    done = false;
    if (m_listing && m_listingId == 0)
        m_listingId = listing; // started before any listing asked
    if (!m_listing || m_listingId != listing) {
        m_listing = std::make_unique<Search>(*this, normalAccounts);
        m_listingId = listing;
        if (const std::uint32_t code = m_listing->start()) {
            m_listing.reset();
            done = true;
            return code;
        }
    }
    if (!m_listing->run(until))
        return 0;
    done = true;
    const std::unique_ptr<Search> search = std::move(m_listing);
    if (const std::uint32_t code = search->result())
        return code;
    const std::size_t first = out.size();
    for (const std::size_t index : search->unread)
        unread.push_back(first + index);
    for (ListedAccount &account : search->accounts)
        out.push_back(std::move(account));
    return 0;
}

void Directory::startReadingAccounts()
{
    m_listing = std::make_unique<Search>(*this, normalAccounts);
    m_listingId = 0;
    if (m_listing->start())
        m_listing.reset();
}

std::uint32_t Directory::readDetails(const std::string &user, AccountDetails &out)
{
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    char *escaped = ldb_binary_encode_string(scratch.get(), user.c_str());
    if (!escaped)
        return ERROR_NOT_ENOUGH_MEMORY;
    Search search(*this,
                  "(&(sAMAccountType=805306368)(sAMAccountName=" + std::string(escaped) + "))");
    if (const std::uint32_t code = search.start())
        return code;
    search.run(std::nullopt);
    if (const std::uint32_t code = search.result())
        return code;
    if (search.accounts.size() != 1 || !search.accounts.front().details)
        return NERR_UserNotFound;
    out = *search.accounts.front().details;
    return 0;
}

} // namespace netapi::samba
