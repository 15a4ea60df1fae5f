#pragma once

// A domain controller's directory, read through Samba's own LDAP client
// (ldb) with the credentials the server has just accepted: the computed
// lockout of every account, hundreds per round trip.

#include "platform/netapi/remote/SambaMemory.h"
#include "platform/netapi/remote/SambaSession.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ldb_context;
struct ldb_dn;

namespace netapi::samba {

class Credentials;

class Directory
{
public:
    // The LDAP service of server, signed and sealed (Kerberos or NTLM). Null
    // when it cannot be reached or used: the accounts are then read over SAMR.
    static std::unique_ptr<Directory> open(const Credentials &credentials,
                                           const std::string &server);
    ~Directory();
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;

    // Appends every normal user account to out, with its flags. The indexes
    // in out of the accounts whose entry lacks a flags word go to unread: their
    // flags are to be read over SAMR rather than taken as "neither locked out
    // nor disabled". Returns 0, 5 or 1003; on failure out is as it was.
    // Each with its details: the bad password count and time and the
    // lockout time of its entry, and the domain's lockout duration.
    std::uint32_t readAccounts(std::vector<ListedAccount> &out, std::vector<std::size_t> &unread);

    // One account's details. 0, 5, 2221 (no such account) or 1003.
    std::uint32_t readDetails(const std::string &user, AccountDetails &out);

private:
    Directory() = default;

    // The domain's lockoutDuration in seconds, unset for "until an
    // administrator resets it" (also when it cannot be read: the lockout
    // then has no end this program can promise).
    std::optional<std::int64_t> lockoutDuration(void *memory);
    // The accounts matching filter, as readAccounts lists them.
    std::uint32_t search(const std::string &filter, std::vector<ListedAccount> &out,
                         std::vector<std::size_t> &unread);

    TallocMemory m_memory; // the connection and everything it read
    ldb_context *m_ldb = nullptr;
    ldb_dn *m_base = nullptr;
};

} // namespace netapi::samba
