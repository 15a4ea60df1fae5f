// The local helper's test copy, run as root directly against a private
// computer: its protocol, and its refusals of requests it must not act on.

#include "platform/netapi/HelperProtocol.h"
#include "platform/netapi/NetApi.h"
#include "tests/app/helper/PrivateComputer.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct Outcome
{
    int exitCode = -1;
    std::string output;
};

class LocalHelper : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::getuid() != 0)
            GTEST_SKIP() << "the helper's test copy runs for root only";
    }

    // Runs the test copy with input on standard input, then closes it.
    Outcome run(const std::string &input, const QProcessEnvironment &environment = {})
    {
        QProcess helper;
        if (!environment.isEmpty())
            helper.setProcessEnvironment(environment);
        helper.start(QStringLiteral(TUMBLERSET_HELPER_TEST_COPY),
                     {QStringLiteral("--root"), QString::fromStdString(computer.root())});
        EXPECT_TRUE(helper.waitForStarted());
        helper.write(input.data(), static_cast<qint64>(input.size()));
        helper.closeWriteChannel();
        EXPECT_TRUE(helper.waitForFinished(10000));
        return {helper.exitCode(), helper.readAllStandardOutput().toStdString()};
    }

    PrivateComputer computer;
};

const std::string greeting = std::string(netapi::helper::Greeting) + "\n";

TEST_F(LocalHelper, ListsLooksUpAndResetsAsTheLocalProviderDoes)
{
    const Outcome listed = run("LIST 2 4294967295 0\n"
                               "INFO jsmith\n"
                               "INFO am%C3%BCller\n"
                               "INFO nobody\n");
    EXPECT_EQ(listed.exitCode, 0);
    const std::string lockedOut = std::to_string(UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    const std::string disabled = std::to_string(UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE);
    EXPECT_EQ(listed.output, greeting +
                                 "OK 0 2 2\n"
                                 "ENTRY jsmith - - John%20Smith\n"
                                 "ENTRY am%C3%BCller - - Anna%20M%C3%BCller\n"
                                 "OK 0 jsmith John%20Smith - " +
                                 lockedOut +
                                 " 1000\n"
                                 "OK 0 am%C3%BCller Anna%20M%C3%BCller - " +
                                 disabled + " 1001\nOK 2221\n");

    // One account a batch, as the window asks.
    EXPECT_EQ(run("LIST 2 1 0\nLIST 2 1 1\n").output,
              greeting + "OK 234 1 1\nENTRY jsmith - - John%20Smith\n"
                         "OK 0 2 1\nENTRY am%C3%BCller - - Anna%20M%C3%BCller\n");

    const Outcome reset =
        run("RESET jsmith " + std::to_string(UF_NORMAL_ACCOUNT) + "\nINFO jsmith\n");
    EXPECT_EQ(reset.output, greeting + "OK 0\nOK 0 jsmith John%20Smith - " +
                                std::to_string(UF_NORMAL_ACCOUNT) + " 1000\n");
    EXPECT_EQ(computer.tallySize(), 0);
}

// jsmith's tally holds three failures on tty1 a minute ago; the default
// deny=3 refuses it, and unlock_time=600 ends that.
TEST_F(LocalHelper, TellsWhyAndUntilWhenAsTheLocalProviderReadsIt)
{
    const Outcome asked = run("DETAILS jsmith\nDETAILS am%C3%BCller\nDETAILS nobody\n");
    EXPECT_EQ(asked.exitCode, 0);
    ASSERT_TRUE(asked.output.starts_with(greeting)) << asked.output;
    std::vector<std::string> lines;
    for (std::size_t start = greeting.size(), end;
         (end = asked.output.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(asked.output.substr(start, end - start));
    ASSERT_EQ(lines.size(), 6u) << asked.output;

    netapi::AccountDetails details;
    std::uint32_t count = 0;
    ASSERT_TRUE(netapi::helper::parseDetails(lines[0], details, count)) << lines[0];
    ASSERT_EQ(count, 3u);
    std::vector<std::int64_t> times;
    for (int i = 1; i <= 3; ++i) {
        netapi::FailedLogon failure;
        ASSERT_TRUE(netapi::helper::parseFailure(lines[i], failure)) << lines[i];
        // Recorded without a type flag: read as the service, as faillock does.
        EXPECT_EQ(failure.kind, netapi::FailedLogon::Source::Service);
        EXPECT_EQ(failure.from, "tty1");
        EXPECT_TRUE(failure.counts);
        times.push_back(failure.time);
    }
    EXPECT_EQ(times[1], times[0] + 1);
    EXPECT_EQ(details.failedLogons, 3u);
    EXPECT_EQ(details.lastFailedLogon, times[2]);
    EXPECT_EQ(details.lastFailedLogonFrom, "tty1");
    EXPECT_EQ(details.lockedOutSince, times[2]);
    EXPECT_EQ(details.unlocksAt, times[2] + 600);
    // Disabled, never failed: known to be none.
    EXPECT_EQ(lines[4], "OK 0 0 - - - - - 0");
    EXPECT_EQ(lines[5], "OK 2221");
}

TEST_F(LocalHelper, RefusesWhatIsNoAccountNameOrNoRequestAndStops)
{
    const std::string unlock = std::to_string(UF_NORMAL_ACCOUNT);
    for (const std::string &bad : std::vector<std::string>{
             "RESET ../../etc/passwd " + unlock, // a path
             "RESET %2E%2E%2Fjsmith " + unlock,  // an encoded one
             "RESET %2D%2Dall " + unlock,        // an option
             "INFO --help",                      // an unencoded one
             "RESET jsmith\t" + unlock,          // a control character
             "INFO js%0Amith",                   // an encoded one
             "INFO jsm\xC3\xBCller",             // a byte left unencoded
             "INFO " + std::string(300, 'a'),    // a name too long
             "DELETE jsmith",                    // an unknown verb
             "DETAILS ../../etc/shadow",         // a path, asked for details
             "DETAILS jsmith amüller",           // two names
             "RESET jsmith",                     // a field missing
             "RESET jsmith 99999999999",         // a number too large
             "INFO %4",                          // a broken escape
             "",                                 // nothing
         }) {
        // What follows a refusal is not carried out either.
        const Outcome refused = run(bad + "\nRESET jsmith " + unlock + "\n");
        EXPECT_EQ(refused.exitCode, 2) << bad;
        EXPECT_TRUE(refused.output.starts_with(greeting + "REFUSED ")) << refused.output;
        EXPECT_EQ(refused.output.find("\nOK"), std::string::npos) << bad;
    }
    // An oversize request, with or without its end.
    for (const std::string &oversize : std::vector<std::string>{
             std::string(5000, 'A'), "INFO " + std::string(1100, 'a') + "\n"}) {
        const Outcome refused = run(oversize);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.output, greeting + "REFUSED request%20too%20long\n");
    }
    EXPECT_GT(computer.tallySize(), 0);
}

TEST_F(LocalHelper, ARequestCutShortByTheClosedPipeIsNotCarriedOut)
{
    const Outcome cut = run("INFO jsmith\nRESET jsmith " + std::to_string(UF_NORMAL_ACCOUNT));
    EXPECT_EQ(cut.exitCode, 3);
    EXPECT_TRUE(cut.output.starts_with(greeting + "OK 0 jsmith"));
    EXPECT_GT(computer.tallySize(), 0);
}

TEST_F(LocalHelper, TheTestCopyIgnoresItsFolderWhenStartedThroughPkexec)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PKEXEC_UID"), QStringLiteral("1000"));
    const Outcome refused = run("LIST 2 4294967295 0\n", environment);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.output, "");
}

TEST_F(LocalHelper, TheInstalledCopyTakesNoArguments)
{
    QProcess helper;
    helper.start(QStringLiteral(TUMBLERSET_HELPER_INSTALLED_COPY),
                 {QStringLiteral("--root"), QString::fromStdString(computer.root())});
    helper.closeWriteChannel();
    ASSERT_TRUE(helper.waitForFinished(10000));
    EXPECT_EQ(helper.exitCode(), 2);
    EXPECT_TRUE(helper.readAllStandardOutput().isEmpty());
}

TEST(HelperProtocol, TextsSurviveEncodingAndNamesAreCheckedOnceDecoded)
{
    namespace helper = netapi::helper;
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte += static_cast<char>(c);
    for (const std::string &text :
         std::vector<std::string>{std::string(), std::string("-"), std::string("a b%c"),
                                  std::string("\0x", 2), everyByte}) {
        const std::string field = helper::encode(text);
        EXPECT_EQ(helper::splitFields(field).size(), 1u);
        for (const char c : field)
            EXPECT_TRUE(c > 0x20 && c < 0x7F) << field;
        EXPECT_EQ(helper::decode(field), text);
    }
    EXPECT_EQ(helper::decode("a%2"), std::nullopt);
    EXPECT_EQ(helper::decode("a%zz"), std::nullopt);
    EXPECT_EQ(helper::decode(""), std::nullopt);

    EXPECT_EQ(helper::nameRefusal("amüller"), "");
    EXPECT_EQ(helper::nameRefusal("john smith"), "");
    for (const std::string &bad :
         std::vector<std::string>{"", ".", "..", "-x", "a/b", "a:b", "a,b", "a\x7F", "a\x1B[2J",
                                  std::string("a\0b", 3), std::string(257, 'a')})
        EXPECT_NE(helper::nameRefusal(bad), "") << bad;
}

} // namespace
