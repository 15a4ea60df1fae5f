#include "app/ResultLines.h"

#include <iterator>

namespace {

constexpr const char *callNames[] = {"NetUserEnum", "NetUserGetInfo", "NetUserSetInfo"};

// The codes that have a line of their own, and after which calls. A lookup
// reports every failure with its number; a listing tells only a bad server
// name and a refusal apart.
struct PaneLine
{
    NET_API_STATUS code;
    const char *text;
    bool afterEnum;
    bool afterGetInfo;
    bool afterSetInfo;
};
constexpr PaneLine paneLines[] = {
    {NERR_Success, "Lockout was successfully reset.", false, false, true},
    {ERROR_ACCESS_DENIED, "Access denied.", true, false, true},
    {NERR_UserNotFound, "Invalid user name.", false, false, true},
    {NERR_NotPrimary, "Not a primary domain controller.", false, false, true},
    {NERR_InvalidComputer, "Invalid server name.", true, false, true},
};

bool appliesTo(const PaneLine &line, AccountCall call)
{
    switch (call) {
    case AccountCall::NetUserEnum:
        return line.afterEnum;
    case AccountCall::NetUserGetInfo:
        return line.afterGetInfo;
    case AccountCall::NetUserSetInfo:
        return line.afterSetInfo;
    }
    return false;
}

} // namespace

String ResultLine(AccountCall call, NET_API_STATUS code)
{
    for (const PaneLine &line : paneLines) {
        if (line.code == code && appliesTo(line, call))
            return line.text;
    }
    const auto index = static_cast<std::size_t>(call);
    static_assert(std::size(callNames) == 3);
    return Format("Error %d returned from %s", {code, callNames[index]});
}
