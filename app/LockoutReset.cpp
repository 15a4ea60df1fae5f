#include "app/LockoutReset.h"

#include "app/AccountListing.h"
#include "app/ResultLines.h"
#include "framework/SysUtils.h"
#include "platform/netapi/NetApi.h"
#include "platform/text/TextConversion.h"

#include <memory>

ResetOutcome ResetLockout(const std::string &serverText, const std::string &userName,
                          const ResetCallbacks &callbacks)
{
    const std::u16string server = ServerNameForCalls(serverText);
    const char16_t *serverName = server.empty() ? nullptr : server.c_str();
    const std::u16string user = text::toUtf16(userName);
    const auto retry = [&](NET_API_STATUS result) {
        return result == ERROR_LOGON_FAILURE && callbacks.askForLogon &&
               callbacks.askForLogon(serverText);
    };

    NET_API_STATUS lookup;
    NetApiBufferPtr info;
    do {
        LPBYTE raw = nullptr;
        lookup = NetUserGetInfo(serverName, user.c_str(), 20, &raw);
        info.reset(raw);
    } while (retry(lookup));

    if (lookup != NERR_Success) {
        callbacks.addLine(ResultLine(AccountCall::NetUserGetInfo, lookup));
        return lookup == ERROR_LOGON_FAILURE ? ResetOutcome::LogonRefused : ResetOutcome::Failed;
    }
    if (!info)
        return ResetOutcome::NoAnswer;

    const auto *record = reinterpret_cast<const USER_INFO_20 *>(info.get());
    const DWORD flags = record->usri20_flags;
    if (callbacks.accountFound) {
        ListedAccount found;
        found.name = userName;
        found.fullName = text::toUtf8(record->usri20_full_name);
        found.lockedOut = (flags & UF_LOCKOUT) != 0;
        found.disabled = (flags & UF_ACCOUNTDISABLE) != 0;
        callbacks.accountFound(found);
    }
    if ((flags & UF_LOCKOUT) == 0) {
        callbacks.addLine("User was not locked out.");
        return ResetOutcome::NotLockedOut;
    }
    callbacks.addLine("User was locked out.");

    USER_INFO_1008 unlocked{};
    unlocked.usri1008_flags = flags & ~UF_LOCKOUT;
    NET_API_STATUS result;
    do {
        result = NetUserSetInfo(serverName, user.c_str(), 1008, reinterpret_cast<LPBYTE>(&unlocked),
                                nullptr);
    } while (retry(result));
    callbacks.addLine(ResultLine(AccountCall::NetUserSetInfo, result));
    if (result == ERROR_LOGON_FAILURE)
        return ResetOutcome::LogonRefused;
    return result == NERR_Success ? ResetOutcome::Reset : ResetOutcome::Failed;
}
