#pragma once

// Asking the operator for credentials when a server refused the logon.

#include <string>

// Shows a small dialog asking for a user name (DOMAIN\user) and a password for
// `server`, and applies them to this run's account calls. False when the
// operator cancels, or when nothing would change (a directory file answers
// for every server).
bool AskForLogonAndApply(const std::string &server);
