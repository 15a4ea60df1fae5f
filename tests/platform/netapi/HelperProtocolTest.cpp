// The local helper's answers to DETAILS: what one side writes the other reads
// back, and a malformed answer is refused rather than half read.

#include "platform/netapi/HelperProtocol.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

namespace helper = netapi::helper;
using netapi::AccountDetails;
using netapi::FailedLogon;

// The first line and the FAILURE lines of an answer.
std::vector<std::string> linesOf(const std::string &answer)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = answer.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(answer.substr(start, end - start));
    EXPECT_EQ(start, answer.size()) << "every line ends in LF";
    return lines;
}

AccountDetails readBack(const std::string &answer)
{
    const auto lines = linesOf(answer);
    AccountDetails out;
    std::uint32_t count = 0;
    EXPECT_TRUE(helper::parseDetails(lines.at(0), out, count)) << lines.at(0);
    EXPECT_EQ(count + 1, lines.size());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        FailedLogon failure;
        EXPECT_TRUE(helper::parseFailure(lines[i], failure)) << lines[i];
        out.failures.push_back(failure);
    }
    return out;
}

TEST(HelperDetails, EveryRecordIsReadBackAsWrittenUnknownTimesAndExtremesToo)
{
    AccountDetails local;
    local.failedLogons = 2;
    local.lastFailedLogon = 1'765'185'340;
    local.lastFailedLogonFrom = "ws 17\x1b[2J";
    local.lockedOutSince = 1'765'185'300;
    local.unlocksAt = 1'765'186'240;
    local.failures = {
        {1'765'185'300, "10.0.0.23", FailedLogon::Source::Host, true},
        {1'765'185'320, "", FailedLogon::Source::Service, false},
        {std::numeric_limits<std::int64_t>::min(), "tty1", FailedLogon::Source::Terminal, true},
        {std::numeric_limits<std::int64_t>::max(), "-", FailedLogon::Source::Host, true}};

    AccountDetails counted = netapi::countedDetails(3, true, ~std::int64_t{18'000'000'000});
    AccountDetails untilReset;
    untilReset.lockedOutSince = -1; // before 1970: still a time
    for (const AccountDetails &written : {local, counted, untilReset, AccountDetails{}}) {
        const std::string answer = helper::detailsAnswer(written);
        for (const char c : answer)
            EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << answer;
        const AccountDetails read = readBack(answer);
        EXPECT_EQ(read.failedLogons, written.failedLogons);
        EXPECT_EQ(read.lastFailedLogon, written.lastFailedLogon);
        EXPECT_EQ(read.lastFailedLogonFrom, written.lastFailedLogonFrom);
        EXPECT_EQ(read.lockedOutSince, written.lockedOutSince);
        EXPECT_EQ(read.unlocksAt, written.unlocksAt);
        EXPECT_EQ(read.lastFailedLogonKnown, written.lastFailedLogonKnown);
        EXPECT_EQ(read.lockedOutSinceKnown, written.lockedOutSinceKnown);
        EXPECT_EQ(read.unlocksAtKnown, written.unlocksAtKnown);
        EXPECT_EQ(read.lockoutLength, written.lockoutLength);
        ASSERT_EQ(read.failures.size(), written.failures.size());
        for (std::size_t i = 0; i < read.failures.size(); ++i) {
            EXPECT_EQ(read.failures[i].time, written.failures[i].time);
            EXPECT_EQ(read.failures[i].from, written.failures[i].from);
            EXPECT_EQ(read.failures[i].kind, written.failures[i].kind);
            EXPECT_EQ(read.failures[i].counts, written.failures[i].counts);
        }
    }
    EXPECT_EQ(linesOf(helper::detailsAnswer(counted)).at(0), "OK 0 3 ? - ? ? 1800 0");
}

TEST(HelperDetails, MalformedAnswersAreRefused)
{
    AccountDetails out;
    std::uint32_t count = 0;
    for (const std::string &bad : std::vector<std::string>{
             "OK 0 3 - - - - - 0 extra",              // a field too many
             "OK 0 3 - - - - 0",                      // one missing
             "OK 2221 3 - - - - - 0",                 // not a success
             "OK 0 -3 - - - - - 0",                   // a negative count
             "OK 0 3 +5 - - - - 0",                   // a sign numbers do not carry
             "OK 0 3 99999999999999999999 - - - - 0", // past 64 bits
             "OK 0 3 1.5 - - - - 0",
             "OK 0 3 -- - - - - 0",
             "OK 0 3 - %zz - - - 0", // a broken escape
             "OK 0 3 - - - - ? 0",   // the length is never unknown
             "OK 0 3 - - - - - 99999999999",
             "OK 0 3 - a\tb - - - 0",
         })
        EXPECT_FALSE(helper::parseDetails(bad, out, count)) << bad;

    FailedLogon failure;
    for (const std::string &bad : std::vector<std::string>{
             "FAILURE 1 RHOST host", "FAILURE 1 RHOST host V more", "ENTRY 1 RHOST host V",
             "FAILURE 1 HOST host V", "FAILURE 1 RHOST host v", "FAILURE x RHOST host V",
             "FAILURE 1 RHOST %4 V", "FAILURE  RHOST host V"})
        EXPECT_FALSE(helper::parseFailure(bad, failure)) << bad;
}

TEST(HelperDetails, TheRequestNamesOneAccountAsTheOtherRequestsDo)
{
    std::string why;
    const auto request = helper::parseRequest("DETAILS am%C3%BCller", why);
    ASSERT_TRUE(request) << why;
    EXPECT_EQ(request->verb, helper::Request::Verb::Details);
    EXPECT_EQ(request->name, "amüller");
    for (const std::string &bad :
         std::vector<std::string>{"DETAILS", "DETAILS a b", "DETAILS %2E%2E", "DETAILS -x",
                                  "DETAILS " + std::string(300, 'a'), "DETAILS a\x01",
                                  "details jsmith", "DETAILS " + std::string(1100, 'a')}) {
        EXPECT_FALSE(helper::parseRequest(bad, why)) << bad;
        EXPECT_FALSE(why.empty());
    }
}

} // namespace
