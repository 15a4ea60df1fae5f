// The pane's line for each result code, per call: the listing, the reset's
// lookup and its write share one table, and each call keeps its own lines.

#include "app/ResultLines.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    AccountCall call;
    NET_API_STATUS code;
    const char *line;
};

TEST(ResultLines, EachCallShowsItsOwnLineForEveryCode)
{
    const Case cases[] = {
        // A listing tells a bad server name and a refusal apart, and names
        // every other failure with its number.
        {AccountCall::NetUserEnum, NERR_InvalidComputer, "Invalid server name."},
        {AccountCall::NetUserEnum, ERROR_ACCESS_DENIED, "Access denied."},
        {AccountCall::NetUserEnum, ERROR_BAD_NETPATH, "Error 53 returned from NetUserEnum"},
        {AccountCall::NetUserEnum, NERR_UserNotFound, "Error 2221 returned from NetUserEnum"},
        {AccountCall::NetUserEnum, NERR_NotPrimary, "Error 2226 returned from NetUserEnum"},
        // The reset's lookup reports every failure by its number.
        {AccountCall::NetUserGetInfo, ERROR_ACCESS_DENIED, "Error 5 returned from NetUserGetInfo"},
        {AccountCall::NetUserGetInfo, NERR_UserNotFound, "Error 2221 returned from NetUserGetInfo"},
        {AccountCall::NetUserGetInfo, ERROR_LOGON_FAILURE,
         "Error 1326 returned from NetUserGetInfo"},
        // The write has a line for each code it tells apart.
        {AccountCall::NetUserSetInfo, NERR_Success, "Lockout was successfully reset."},
        {AccountCall::NetUserSetInfo, ERROR_ACCESS_DENIED, "Access denied."},
        {AccountCall::NetUserSetInfo, NERR_UserNotFound, "Invalid user name."},
        {AccountCall::NetUserSetInfo, NERR_NotPrimary, "Not a primary domain controller."},
        {AccountCall::NetUserSetInfo, NERR_InvalidComputer, "Invalid server name."},
        {AccountCall::NetUserSetInfo, ERROR_NOT_SUPPORTED, "Error 50 returned from NetUserSetInfo"},
        {AccountCall::NetUserSetInfo, ERROR_MORE_DATA, "Error 234 returned from NetUserSetInfo"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ResultLine(c.call, c.code), c.line) << c.code;
}

} // namespace
