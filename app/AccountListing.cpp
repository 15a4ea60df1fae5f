#include "app/AccountListing.h"

#include "app/ResultLines.h"
#include "framework/SysUtils.h"
#include "platform/netapi/NetApi.h"
#include "platform/text/TextConversion.h"

#include <memory>

namespace {

const char16_t *orNull(const std::u16string &name)
{
    return name.empty() ? nullptr : name.c_str();
}

} // namespace

std::u16string ServerNameForCalls(const std::string &serverText)
{
    if (serverText.empty())
        return {};
    return text::toUtf16("\\\\" + serverText);
}

ListingOutcome RunAccountListing(const std::string &serverText, ListingView &view)
{
    const std::u16string server = ServerNameForCalls(serverText);
    DWORD resumeHandle = 0;
    NET_API_STATUS result = NERR_Success;
    int lockedOut = 0, disabled = 0, unchecked = 0;
    bool anyAccount = false;

    for (;;) {
        LPBYTE raw = nullptr;
        DWORD entriesRead = 0, totalEntries = 0;
        result = NetUserEnum(orNull(server), 10, FILTER_NORMAL_ACCOUNT, &raw, 1, &entriesRead,
                             &totalEntries, &resumeHandle);
        NetApiBufferPtr batch(raw);
        // A refused logon before anything came back: ask, then start over.
        if (result == ERROR_LOGON_FAILURE && !anyAccount && resumeHandle == 0 && !batch &&
            view.AskForLogon(serverText))
            continue;

        const auto *records = reinterpret_cast<const USER_INFO_10 *>(batch.get());
        for (DWORD i = 0; records && i < entriesRead; ++i) {
            anyAccount = true;
            ListedAccount account;
            account.name = text::toUtf8(records[i].usri10_name);
            account.fullName = text::toUtf8(records[i].usri10_full_name);

            LPBYTE rawInfo = nullptr;
            const NET_API_STATUS lookup =
                NetUserGetInfo(orNull(server), records[i].usri10_name, 20, &rawInfo);
            NetApiBufferPtr info(rawInfo);
            if (lookup == NERR_Success && info) {
                const DWORD flags =
                    reinterpret_cast<const USER_INFO_20 *>(info.get())->usri20_flags;
                account.lockedOut = (flags & UF_LOCKOUT) != 0;
                account.disabled = (flags & UF_ACCOUNTDISABLE) != 0;
                lockedOut += account.lockedOut;
                disabled += account.disabled;
                netapi::AccountDetails details;
                if (view.WantsDetails() &&
                    NetUserGetLockoutDetails(orNull(server), records[i].usri10_name, &details) ==
                        NERR_Success)
                    account.details = std::move(details);
            } else {
                account.checked = false;
                ++unchecked;
            }
            if (view.ShowAllUsers() || account.lockedOut)
                view.AddRow(account);
        }
        batch.reset();
        if (!view.AfterBatch())
            return ListingOutcome::Superseded;
        if (result != ERROR_MORE_DATA)
            break;
    }

    if (result != NERR_Success) {
        // An unreachable server must not read as a server without lockouts.
        view.AddLine(ResultLine(AccountCall::NetUserEnum, result));
        return ListingOutcome::Failed;
    }

    if (view.ShowAllUsers())
        view.AddLine(Format("%d users found.", {view.RowCount()}));
    view.AddLine(disabled > 0 ? Format("%d disabled users found.", {disabled})
                              : String("No disabled users found."));
    view.AddLine(lockedOut > 0 ? Format("%d locked out users found.", {lockedOut})
                               : String("No locked out users found."));
    if (unchecked == 0)
        return ListingOutcome::Summary;
    view.AddLine(Format("%d users could not be checked.", {unchecked}));
    return ListingOutcome::SummaryUnchecked;
}
