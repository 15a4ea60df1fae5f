#pragma once

// An account's lockout details as people read them: the text of --show and
// of the window's tooltip, with times in the local time zone.

#include "app/AccountListing.h"

#include <cstdint>
#include <string>

// "2026-12-08 19:10:02 +01:00" (text) or "2026-12-08T19:10:02+01:00" (ISO
// 8601), in the local time zone.
std::string LocalTimeText(std::int64_t secondsSince1970, bool iso);

// The marks, each recorded failure (time, type, source, valid), the count,
// the last failure, locked out since and unlocks at; names escaped. Lines end
// in '\n'.
std::string LockoutDetailsText(const ListedAccount &account);

// Looks the account up on serverText (empty: this computer) with its details
// and prints them as LockoutDetailsText does; asks for a logon once when the
// server refuses it. Returns the program's exit status.
int RunShowCommand(const std::string &serverText, const std::string &user);
