#include "platform/netapi/remote/SambaDirectory.h"

#include "platform/WinError.h"
#include "platform/netapi/NetApi.h"
#include "platform/netapi/remote/SambaCredentials.h"
#include "platform/netapi/remote/SambaLibraries.h"

#include <cstring>

namespace netapi::samba {
namespace {

// GENSEC_FEATURE_SIGN of Samba's private gensec header.
constexpr std::uint32_t gensecFeatureSign = 0x00000002;

} // namespace

std::unique_ptr<Directory> Directory::open(const Credentials &credentials,
                                           const std::string &server)
{
    std::unique_ptr<Directory> directory(new Directory);
    directory->m_memory = newTallocMemory();
    ldb_context *ldb = ldb_init(directory->m_memory.get(), credentials.events());
    if (!ldb)
        return nullptr;
    // A directory that cannot be used is not the operator's concern: the
    // accounts are then read over SAMR. ldb would say why on standard error.
    ldb_set_debug(
        ldb, [](void *, ldb_debug_level, const char *, va_list) {}, nullptr);
    ldb_set_opaque(ldb, "credentials", credentials.get());
    ldb_set_opaque(ldb, "loadparm", credentials.config());
    const std::string url = "ldap://" + server;
    static const char *options[] = {"modules:paged_searches", nullptr};
    // Samba's LDAP client binds anonymously unless the credentials ask for
    // authentication, which guessed ones (a ticket, USER and PASSWD) do not;
    // asking for signing makes them.
    cli_credentials *logon = credentials.get();
    const std::uint32_t features = cli_credentials_get_gensec_features(logon);
    cli_credentials_set_gensec_features(logon, features | gensecFeatureSign, CRED_SPECIFIED);
    const int connected = ldb_connect(ldb, url.c_str(), 0, options);
    cli_credentials_set_gensec_features(logon, features, CRED_SPECIFIED);
    if (connected != LDB_SUCCESS || !(directory->m_base = ldb_get_default_basedn(ldb)))
        return nullptr;
    directory->m_ldb = ldb;
    return directory;
}

Directory::~Directory() = default;

std::optional<std::int64_t> Directory::lockoutDuration(void *memory)
{
    static const char *const attributes[] = {"lockoutDuration", nullptr};
    ldb_result *result = nullptr;
    if (ldb_search(m_ldb, memory, &result, m_base, LDB_SCOPE_BASE, attributes, nullptr) !=
            LDB_SUCCESS ||
        !result || result->count != 1 || !ldb_msg_find_element(result->msgs[0], "lockoutDuration"))
        return std::nullopt;
    return times::fromInterval(ldb_msg_find_attr_as_int64(result->msgs[0], "lockoutDuration", 0));
}

std::uint32_t Directory::readAccounts(std::vector<ListedAccount> &out,
                                      std::vector<std::size_t> &unread)
{
    // The accounts the display information lists: normal user accounts. The
    // directory's paged-search module fetches them a page at a time, as a
    // domain controller wants, and answers with all of them.
    return search("(sAMAccountType=805306368)", out, unread);
}

std::uint32_t Directory::readDetails(const std::string &user, AccountDetails &out)
{
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    char *escaped = ldb_binary_encode_string(scratch.get(), user.c_str());
    if (!escaped)
        return ERROR_NOT_ENOUGH_MEMORY;
    std::vector<ListedAccount> found;
    std::vector<std::size_t> unread;
    if (const std::uint32_t code =
            search("(&(sAMAccountType=805306368)(sAMAccountName=" + std::string(escaped) + "))",
                   found, unread))
        return code;
    if (found.size() != 1 || !found.front().details)
        return NERR_UserNotFound;
    out = *found.front().details;
    return 0;
}

std::uint32_t Directory::search(const std::string &filter, std::vector<ListedAccount> &out,
                                std::vector<std::size_t> &unread)
{
    static const char *const attributes[] = {"sAMAccountName",
                                             "displayName",
                                             "description",
                                             "userAccountControl",
                                             "msDS-User-Account-Control-Computed",
                                             "objectSid",
                                             "badPwdCount",
                                             "badPasswordTime",
                                             "lockoutTime",
                                             nullptr};
    const TallocMemory scratch = newTallocMemory(m_memory.get());
    // Read with the accounts, once per listing: the end of each lockout.
    const std::optional<std::int64_t> duration = lockoutDuration(scratch.get());
    ldb_result *result = nullptr;
    const int code = ldb_search(m_ldb, scratch.get(), &result, m_base, LDB_SCOPE_SUBTREE,
                                attributes, "%s", filter.c_str());
    if (code == LDB_ERR_INSUFFICIENT_ACCESS_RIGHTS)
        return ERROR_ACCESS_DENIED;
    if (code != LDB_SUCCESS || !result)
        return ERROR_CAN_NOT_COMPLETE;
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
            UF_SCRIPT | ldb_msg_find_attr_as_uint(message, "userAccountControl", 0) |
            ldb_msg_find_attr_as_uint(message, "msDS-User-Account-Control-Computed", 0);
        // The relative ID is the last part of the account's SID.
        if (const ldb_val *sid = ldb_msg_find_ldb_val(message, "objectSid");
            sid && sid->length >= 12)
            std::memcpy(&account.info.userId, sid->data + sid->length - 4, 4);
        if (account.entry.name.empty())
            continue;
        AccountDetails details;
        details.failedLogons = ldb_msg_find_attr_as_uint(message, "badPwdCount", 0);
        details.lastFailedLogon =
            times::fromFileTime(ldb_msg_find_attr_as_int64(message, "badPasswordTime", 0));
        // lockoutTime stays set after the lockout has run out, until the next
        // logon: the computed flag says whether it holds.
        if (account.info.flags & UF_LOCKOUT) {
            details.lockedOutSince =
                times::fromFileTime(ldb_msg_find_attr_as_int64(message, "lockoutTime", 0));
            if (details.lockedOutSince && duration)
                details.unlocksAt = *details.lockedOutSince + *duration;
        }
        account.details = std::move(details);
        if (!ldb_msg_find_element(message, "userAccountControl") ||
            !ldb_msg_find_element(message, "msDS-User-Account-Control-Computed"))
            unread.push_back(out.size());
        out.push_back(std::move(account));
    }
    return 0;
}

} // namespace netapi::samba
