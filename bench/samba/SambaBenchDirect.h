#pragma once

// The same work as the provider's, with libnetapi called directly. Kept apart
// because Samba's netapi.h collides with the project's account headers.

#include <string>
#include <vector>

namespace bench {

// Logs on with user and password and opens the connection with one lookup,
// then times `rounds` rounds of NetUserGetInfo level 20 for each name. libnetapi
// keeps one context per process, so this must not run while the provider holds
// it: run it before the provider's first call. Returns the seconds of the
// timed rounds, or a negative value when libnetapi cannot start.
// failed counts the lookups that did not succeed.
double directLookups(const std::string &server, const std::string &user,
                     const std::string &password, const std::vector<std::string> &names, int rounds,
                     int &failed);

// The listing as a program on libnetapi makes it: NetUserEnum level 10 for
// every name, then one NetUserGetInfo level 20 per account. Returns the
// seconds it took, logon included, or a negative value when libnetapi cannot
// start; accounts counts the accounts listed and failed the lookups that did
// not succeed.
double directListing(const std::string &server, const std::string &user,
                     const std::string &password, int &accounts, int &failed);

} // namespace bench
