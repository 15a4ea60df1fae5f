#include "app/LockoutDetails.h"

#include "app/ResultLines.h"
#include "app/TerminalLogon.h"
#include "platform/netapi/NetApi.h"
#include "platform/text/Printable.h"
#include "platform/text/TextConversion.h"

#include <QDateTime>
#include <cstdio>
#include <iostream>

namespace {

const char *typeName(netapi::FailedLogon::Source kind)
{
    switch (kind) {
    case netapi::FailedLogon::Source::Host:
        return "RHOST";
    case netapi::FailedLogon::Source::Terminal:
        return "TTY";
    case netapi::FailedLogon::Source::Service:
        break;
    }
    return "SVC";
}

std::string padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

constexpr const char *unknown = "unknown (the server does not record it)";

std::string lengthText(std::int64_t seconds)
{
    const auto count = [](std::int64_t n, const char *unit) {
        return std::to_string(n) + ' ' + unit + (n == 1 ? "" : "s");
    };
    if (seconds % 86400 == 0 && seconds > 0)
        return count(seconds / 86400, "day");
    if (seconds % 3600 == 0 && seconds > 0)
        return count(seconds / 3600, "hour");
    if (seconds % 60 == 0)
        return count(seconds / 60, "minute");
    return count(seconds, "second");
}

std::string unlocksAtText(const netapi::AccountDetails &d)
{
    if (d.unlocksAt)
        return LocalTimeText(*d.unlocksAt, false);
    if (d.unlocksAtKnown)
        return "only when an administrator resets it";
    if (d.lockoutLength)
        return "unknown (a lockout there ends " + lengthText(*d.lockoutLength) +
               " after it began; the server does not record when it began)";
    return unknown;
}

} // namespace

std::string LocalTimeText(std::int64_t secondsSince1970, bool iso)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(secondsSince1970);
    const int offset = time.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    const QString format =
        iso ? QStringLiteral("yyyy-MM-ddTHH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm:ss ");
    return time.toString(format).toStdString() + zone;
}

std::string LockoutDetailsText(const ListedAccount &account)
{
    std::string out = text::printable(account.name) + ":";
    if (!account.checked)
        out += " not checked";
    else if (account.lockedOut || account.disabled)
        out += std::string(" ") + (account.lockedOut && account.disabled ? "locked,disabled"
                                   : account.lockedOut                   ? "locked"
                                                                         : "disabled");
    out += '\n';
    if (!account.details) {
        out += "No lockout details are recorded for this account.\n";
        return out;
    }
    const netapi::AccountDetails &d = *account.details;
    if (!d.failures.empty()) {
        out += padded("When", 28) + padded("Type", 6) + padded("Source", 31) + "Valid\n";
        for (const netapi::FailedLogon &failure : d.failures)
            out += LocalTimeText(failure.time, false) + "  " + padded(typeName(failure.kind), 5) +
                   " " + padded(text::printable(failure.from), 30) + " " +
                   (failure.counts ? "V" : "I") + "\n";
    }
    out += "Failed logons: " + std::to_string(d.failedLogons) + "\n";
    out += "Last failed logon: " + (d.lastFailedLogon ? LocalTimeText(*d.lastFailedLogon, false)
                                    : d.lastFailedLogonKnown ? std::string("never")
                                                             : std::string(unknown));
    if (d.lastFailedLogon && !d.lastFailedLogonFrom.empty())
        out += " from " + text::printable(d.lastFailedLogonFrom);
    out += "\n";
    if (d.lockedOutSince) {
        out += "Locked out since: " + LocalTimeText(*d.lockedOutSince, false) + "\n";
        out += "Unlocks at: " + unlocksAtText(d) + "\n";
    } else if (!d.lockedOutSinceKnown) {
        out += std::string("Locked out since: ") + unknown + "\n";
        out += "Unlocks at: " + unlocksAtText(d) + "\n";
    } else if (account.lockedOut) {
        out += "Locked out since: not recorded\nUnlocks at: not recorded\n";
    } else {
        out += "Locked out since: not locked out\n";
    }
    return out;
}

int RunShowCommand(const std::string &serverText, const std::string &user)
{
    const std::u16string server = ServerNameForCalls(serverText);
    const std::u16string name = text::toUtf16(user);
    const char16_t *serverArg = server.empty() ? nullptr : server.c_str();
    ListedAccount account;
    account.name = user;
    NET_API_STATUS status = ERROR_LOGON_FAILURE;
    for (bool asked = false;;) {
        LPBYTE raw = nullptr;
        status = NetUserGetInfo(serverArg, name.c_str(), 20, &raw);
        NetApiBufferPtr info(raw);
        if (status == ERROR_LOGON_FAILURE && !asked) {
            asked = true;
            if (AskForLogonOnTerminal(serverText))
                continue;
        }
        if (status != NERR_Success || !info)
            break;
        const auto *record = reinterpret_cast<const USER_INFO_20 *>(info.get());
        account.name = text::toUtf8(record->usri20_name);
        account.fullName = text::toUtf8(record->usri20_full_name);
        account.lockedOut = (record->usri20_flags & UF_LOCKOUT) != 0;
        account.disabled = (record->usri20_flags & UF_ACCOUNTDISABLE) != 0;
        break;
    }
    if (status != NERR_Success) {
        std::cout << ResultLine(AccountCall::NetUserGetInfo, status) << '\n';
        return 1;
    }
    netapi::AccountDetails details;
    const NET_API_STATUS detailStatus = NetUserGetLockoutDetails(serverArg, name.c_str(), &details);
    if (detailStatus == NERR_Success)
        account.details = std::move(details);
    else if (detailStatus != ERROR_NOT_SUPPORTED)
        std::cerr << "tumblerset: the lockout details could not be read (error " << detailStatus
                  << ").\n";
    std::cout << LockoutDetailsText(account);
    std::cout.flush();
    return detailStatus == NERR_Success || detailStatus == ERROR_NOT_SUPPORTED ? 0 : 1;
}
