#pragma once

// The message pane's line for each result code of the account calls, in one
// table for the listing, the reset and the command line that shares their
// lines.

#include "framework/SysUtils.h"
#include "platform/netapi/NetApi.h"

enum class AccountCall
{
    NetUserEnum,
    NetUserGetInfo,
    NetUserSetInfo
};

// The line for code as call returned it: the fixed line the call has for that
// code, else "Error <code> returned from <call>". A listing that succeeds
// writes its summary instead, and a lookup that succeeds the lockout state,
// so neither asks for a line then.
String ResultLine(AccountCall call, NET_API_STATUS code);
