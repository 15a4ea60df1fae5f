#pragma once

// The lockout reset: looks the account up again and, when it is locked out,
// writes its flags back without the lockout bit. Every outcome is one or two
// lines of text.

#include "app/AccountListing.h"

#include <functional>
#include <string>

enum class ResetOutcome
{
    NotLockedOut, // "User was not locked out."
    Reset,        // "Lockout was successfully reset."
    Failed,       // any error line
    LogonRefused, // the error line of a refused logon ("Error 1326 ..."): trying
                  // further accounts would cost further bad logons
    NoAnswer      // the lookup succeeded without an answer: nothing to say
};

struct ResetCallbacks
{
    std::function<void(const std::string &line)> addLine;
    // The server refused the logon: ask for credentials; true to try again.
    std::function<bool(const std::string &server)> askForLogon;
    // Optional: the account as the lookup found it, before any change. Not
    // called when the lookup failed or came back empty.
    std::function<void(const ListedAccount &account)> accountFound;
};

// Resets the lockout of `userName` on `serverText` (empty: this computer).
ResetOutcome ResetLockout(const std::string &serverText, const std::string &userName,
                          const ResetCallbacks &callbacks);
