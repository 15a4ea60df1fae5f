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

} // namespace bench
