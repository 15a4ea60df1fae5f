#pragma once

// The account providers of this run, chosen once at start-up, and the
// credentials the operator hands in for named servers (memory only).

#include <memory>
#include <string>

namespace netapi {
struct Credentials;
class AccountProvider;
} // namespace netapi

// directoryFile empty: this computer's accounts for the empty server name and
// Samba for named servers. Otherwise the directory file serves every name.
// Throws netapi::DirectoryFileError ("<file>:<line>: <what>") for a file that
// cannot be used.
void InstallAccountProviders(const std::string &directoryFile);

// Puts local in charge of this computer's accounts, keeping the provider of
// named servers.
void InstallLocalProvider(std::shared_ptr<netapi::AccountProvider> local);

// True when named servers take credentials from the operator (not when a
// directory file answers for them).
bool AcceptsCredentials();
void ApplyCredentials(const netapi::Credentials &credentials);

// Called before a password is asked for: from then on the process leaves no
// core dump (and cannot be attached to by other processes of the same user)
// that could hold it.
void KeepSecretsOutOfCoreDumps();

// The same, at start-up, when the environment carries a password the way
// Samba's clients read one (PASSWD, PASSWD_FILE, PASSWD_FD, or USER as
// "user%password"): the process holds it from its first instruction.
void KeepEnvironmentSecretsOutOfCoreDumps();

// Why the last logon to server could not be made, when there is more to say
// than that it was refused (a Kerberos ticket that cannot be used for the
// name given, and the name that would do). Empty otherwise.
std::string LogonAdvice(const std::string &server);
