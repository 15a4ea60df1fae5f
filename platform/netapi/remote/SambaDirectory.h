#pragma once

// A domain controller's directory, read through Samba's own LDAP client
// (ldb) with the credentials the server has just accepted: the computed
// lockout of every account, hundreds per round trip.

#include "platform/netapi/remote/SambaMemory.h"
#include "platform/netapi/remote/SambaSession.h"

#include <cstddef>
#include <memory>
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
    std::uint32_t readAccounts(std::vector<ListedAccount> &out, std::vector<std::size_t> &unread);

private:
    Directory() = default;

    TallocMemory m_memory; // the connection and everything it read
    ldb_context *m_ldb = nullptr;
    ldb_dn *m_base = nullptr;
};

} // namespace netapi::samba
