// The window of a normal user for this computer: its listing and reset go
// through the local helper, started by a stand-in for pkexec.

#include "app/HelperSession.h"
#include "platform/netapi/LocalProvider.h"
#include "tests/app/helper/PrivateComputer.h"
#include "tests/app/main/MainWindowFixture.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

class HelperWindow : public MainWindow
{
protected:
    void SetUp() override
    {
        if (::getuid() != 0)
            GTEST_SKIP() << "the helper's test copy runs for root only";
        MainWindow::SetUp();
    }

    // pkexec as the tests see it: runs the helper, or exits as pkexec does
    // when the authorisation is not given.
    void useHelper(int pkexecExit = 0)
    {
        std::vector<std::string> command = {"/bin/sh",
                                            "-c",
                                            pkexecExit ? "exit " + std::to_string(pkexecExit)
                                                       : std::string("exec \"$@\""),
                                            "pkexec",
                                            TUMBLERSET_HELPER_TEST_COPY,
                                            "--root",
                                            computer.root()};
        // This user's own reading of the computer: what a normal user may.
        netapi::LocalProvider::Options options;
        options.root = computer.root();
        options.access = [](const std::string &path, bool) {
            return path.ends_with("/etc/shadow") || path.find("/run/faillock/") != std::string::npos
                       ? EACCES
                       : 0;
        };
        UseLocalHelper(std::move(command),
                       std::make_shared<netapi::LocalProvider>(std::move(options)));
    }

    PrivateComputer computer;
};

TEST_F(HelperWindow, ListsAndResetsThroughTheHelper)
{
    useHelper();
    openWindow();
    connect("", true);
    EXPECT_EQ(captions(), (Lines{"jsmith", "amüller"}));
    EXPECT_EQ(lines(),
              (Lines{"2 users found.", "1 disabled users found.", "1 locked out users found."}));

    select("jsmith");
    form->btnReset->Click();
    const Lines all = lines();
    EXPECT_EQ(Lines(all.end() - 2, all.end()),
              (Lines{"User was locked out.", "Lockout was successfully reset."}));
    EXPECT_EQ(computer.tallySize(), 0);
}

TEST_F(HelperWindow, EachRowsTooltipTellsWhyAndUntilWhenThroughTheHelper)
{
    useHelper();
    openWindow();
    connect("", false);
    ASSERT_EQ(captions(), (Lines{"jsmith"}));
    const std::string hint = form->lvUsers->Items()->Item(0)->Hint();
    EXPECT_TRUE(hint.starts_with("jsmith: locked\nWhen")) << hint;
    EXPECT_NE(hint.find("  SVC   tty1"), std::string::npos) << hint;
    EXPECT_NE(hint.find("\nFailed logons: 3\nLast failed logon: "), std::string::npos) << hint;
    EXPECT_NE(hint.find(" from tty1\nLocked out since: "), std::string::npos) << hint;
    EXPECT_EQ(hint.find("only when an administrator"), std::string::npos) << hint;
}

TEST_F(HelperWindow, ARefusedOrCancelledAuthorisationReadsAsANormalUsersRunPlusOneLine)
{
    const std::string refused =
        "The authorisation to read and reset this computer's lockouts was refused.";
    for (const int pkexecExit : {126, 127}) {
        useHelper(pkexecExit);
        openWindow();
        connect("", true);
        EXPECT_EQ(captions(), (Lines{"jsmith", "amüller"}));
        EXPECT_EQ(lines(),
                  (Lines{"2 users found.", "No disabled users found.", "No locked out users found.",
                         "2 users could not be checked.", refused}));

        select("jsmith");
        form->btnReset->Click();
        const Lines all = lines();
        // A normal user's reset stops at the lookup, as it always did.
        EXPECT_EQ(Lines(all.end() - 2, all.end()),
                  (Lines{"Error 5 returned from NetUserGetInfo", refused}));
        EXPECT_GT(computer.tallySize(), 0);
    }
}

TEST_F(HelperWindow, TheNextListingAsksAgainAfterARefusal)
{
    // Dismissed the first time, given the second.
    const std::string marker = computer.dir.pathUtf8() + "/asked";
    UseLocalHelper({"/bin/sh", "-c",
                    "m=$1; shift; [ -e \"$m\" ] && exec \"$@\"; : >\"$m\"; exit 126", "pkexec",
                    marker, TUMBLERSET_HELPER_TEST_COPY, "--root", computer.root()},
                   std::make_shared<netapi::LocalProvider>(netapi::LocalProvider::Options{
                       computer.root(), computer.root() + "etc/pam.d",
                       [](const std::string &, bool) { return EACCES; }, nullptr}));
    openWindow();
    connect("", true);
    EXPECT_EQ(lines().back(),
              "The authorisation to read and reset this computer's lockouts was refused.");
    connect("", true);
    EXPECT_EQ(lines(),
              (Lines{"2 users found.", "1 disabled users found.", "1 locked out users found."}));
}

TEST_F(HelperWindow, AHelperThatCannotBeStartedSaysSo)
{
    UseLocalHelper({}, std::make_shared<netapi::LocalProvider>(netapi::LocalProvider::Options{
                           computer.root(), computer.root() + "etc/pam.d", nullptr, nullptr}));
    openWindow();
    connect("", true);
    EXPECT_EQ(lines().back(),
              "The helper that reads this computer's lockouts could not be started.");
}

} // namespace

namespace {

// Run by polkit-e2e.sh as its test user, with the real pkexec and polkitd.
class PolkitEndToEnd : public MainWindow
{
protected:
    void SetUp() override
    {
        if (!std::getenv("TUMBLERSET_E2E_HELPER"))
            GTEST_SKIP() << "runs inside polkit-e2e.sh, as its test user";
        MainWindow::SetUp();
    }
};

TEST_F(PolkitEndToEnd, ATestUsersWindowListsAndResetsARealLockoutThroughPkexec)
{
    ASSERT_NE(::getuid(), 0u);
    const std::string user = std::getenv("TUMBLERSET_E2E_USER");
    UseLocalHelper({"/usr/bin/pkexec", std::getenv("TUMBLERSET_E2E_HELPER")},
                   std::make_shared<netapi::LocalProvider>());
    openWindow();
    connect("");
    EXPECT_EQ(captions(), Lines{user});
    EXPECT_EQ(lines().back(), "1 locked out users found.");
    // Why and until when, read by the helper from the real tally.
    const std::string hint = form->lvUsers->Items()->Item(0)->Hint();
    EXPECT_NE(hint.find("  SVC   tumblerset-e2e"), std::string::npos) << hint;
    EXPECT_NE(hint.find("\nFailed logons: 3\n"), std::string::npos) << hint;
    EXPECT_NE(hint.find("\nUnlocks at: 20"), std::string::npos) << hint;

    select(user);
    form->btnReset->Click();
    const Lines all = lines();
    EXPECT_EQ(Lines(all.end() - 2, all.end()),
              (Lines{"User was locked out.", "Lockout was successfully reset."}));
    connect("");
    EXPECT_EQ(captions(), Lines{});
}

} // namespace
