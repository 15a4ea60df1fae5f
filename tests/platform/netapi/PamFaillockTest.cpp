// The local provider's lockout marks against what the real pam_faillock
// decides, asked through libpam with pamtester. The services are written to
// /etc/pam.d under names of their own (libpam reads nothing else) and, for the
// provider, to a private folder it is pointed at, so the system's own services
// play no part. Tallies and settings live in a private folder too.

#include "platform/netapi/LocalProvider.h"
#include "platform/netapi/NetApi.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <ctime>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

using netapi::LocalProvider;

class RealPamFaillock : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root: PAM reads services only from /etc/pam.d";
        if (QStandardPaths::findExecutable("pamtester").isEmpty())
            GTEST_SKIP() << "pamtester is not installed (tools/install-deps.sh installs it)";
        const passwd *nobody = ::getpwnam("nobody");
        if (!nobody)
            GTEST_SKIP() << "no account 'nobody' to lock out";
        if (const group *g = ::getgrgid(nobody->pw_gid))
            nobodysGroup = g->gr_name;
        // Under /run, which root alone may write, so that the reset trusts
        // the tally folders all the way down.
        // libpam looks a service up by its name in lower case.
        static int fixtures = 0;
        m_prefix =
            "tumblerset-pam-" + std::to_string(::getpid()) + "-" + std::to_string(++fixtures);
        m_private = "/run/" + m_prefix;
        QDir().mkpath(QString::fromStdString(m_private + "/pam.d"));
        QFile::setPermissions(QString::fromStdString(m_private),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                  QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                  QFile::ExeOther);
        write(m_private + "/faillock.conf", "# empty: the module's defaults\n");
        // Records one failed logon, in the given folder, and denies nobody.
        for (const char *folder : {"tally", "other"})
            service(std::string("record-") + folder,
                    "auth [default=die] pam_faillock.so authfail deny=0", folder, false);
    }

    void TearDown() override
    {
        for (const std::string &path : m_written)
            QFile::remove(QString::fromStdString(path));
        if (!m_private.empty())
            QDir(QString::fromStdString(m_private)).removeRecursively();
    }

    void write(const std::string &path, const std::string &content)
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path;
        file.write(content.data(), static_cast<qint64>(content.size()));
    }

    // A service named `name` whose auth stack asks pam_faillock (module and
    // arguments, in tally folder `folder`), then lets everyone in; or, for a
    // line that starts with its type, that line alone. `modelled`: the
    // provider sees it too.
    std::string service(const std::string &name, const std::string &line,
                        const std::string &folder = "tally", bool modelled = true)
    {
        const std::string faillock = (line.starts_with("auth ") ? "" : "auth requisite ") + line +
                                     " dir=" + m_private + "/" + folder + " conf=" + m_private +
                                     "/faillock.conf nodelay\n";
        const std::string content =
            line.starts_with("auth ") ? faillock : faillock + "auth sufficient pam_permit.so\n";
        const std::string file = "/etc/pam.d/" + m_prefix + "-" + name;
        write(file, content);
        m_written.push_back(file);
        if (modelled)
            write(m_private + "/pam.d/" + name, content);
        return m_prefix + "-" + name;
    }

    void forget(const std::string &name)
    {
        QFile::remove(QString::fromStdString(m_private + "/pam.d/" + name));
    }

    struct Outcome
    {
        bool authenticated = false;
        std::string output;
    };

    // `rhost`: the remote host PAM is told the logon comes from.
    Outcome authenticate(const std::string &service, const std::string &user,
                         const std::string &rhost = {})
    {
        QProcess pamtester;
        pamtester.setProcessChannelMode(QProcess::MergedChannels);
        QStringList arguments{QString::fromStdString(service), QString::fromStdString(user),
                              "authenticate"};
        if (!rhost.empty())
            arguments = QStringList{"-I", QString::fromStdString("rhost=" + rhost)} + arguments;
        pamtester.start("pamtester", arguments);
        pamtester.closeWriteChannel();
        EXPECT_TRUE(pamtester.waitForFinished(10000)) << service;
        return {pamtester.exitStatus() == QProcess::NormalExit && pamtester.exitCode() == 0,
                pamtester.readAll().toStdString()};
    }

    void failLogons(const std::string &user, int count, const std::string &folder = "tally",
                    const std::string &rhost = {})
    {
        for (int i = 0; i < count; ++i)
            EXPECT_FALSE(authenticate(m_prefix + "-record-" + folder, user, rhost).authenticated);
    }

    // What a program prints, run with the test's environment.
    std::string output(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(m_private));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("TZ", "UTC");
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
        return process.readAll().toStdString();
    }

    LocalProvider provider()
    {
        LocalProvider::Options options;
        options.pamFolder = m_private + "/pam.d";
        return LocalProvider(options);
    }

    // The program's own answer to --unlock USER for this computer.
    Outcome unlockWithTheProgram(const std::string &user)
    {
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(m_private));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(TUMBLERSET_PROGRAM,
                      {"--unlock", QString::fromStdString(user), "--server", ""});
        program.closeWriteChannel();
        EXPECT_TRUE(program.waitForFinished(30000));
        return {program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                program.readAll().toStdString()};
    }

    bool markedLocked(const std::string &user)
    {
        netapi::AccountInfo info;
        EXPECT_EQ(provider().getInfo("", user, info), NERR_Success) << user;
        return (info.flags & UF_LOCKOUT) != 0;
    }

    // Whether any of the services refuses the account, as pamtester finds;
    // the provider must mark it so.
    bool expectAgreement(const std::string &user, const std::vector<std::string> &services)
    {
        bool refused = false;
        std::string said;
        for (const std::string &name : services) {
            const Outcome outcome = authenticate(m_prefix + "-" + name, user);
            refused = refused || !outcome.authenticated;
            said += name + ": " + outcome.output + "\n";
        }
        EXPECT_EQ(markedLocked(user), refused) << user << "\n" << said;
        return refused;
    }

    std::string m_prefix;
    std::string m_private;
    std::vector<std::string> m_written;
    std::string nobodysGroup;
};

// The default deny=3 beside sshd's deny=10.
TEST_F(RealPamFaillock, TheAccountIsLockedOutWhenAnyServiceRefusesIt)
{
    service("common", "pam_faillock.so preauth deny=3");
    service("sshd", "pam_faillock.so preauth deny=10");
    for (int failures = 1; failures <= 4; ++failures) {
        failLogons("nobody", 1);
        EXPECT_EQ(expectAgreement("nobody", {"common", "sshd"}), failures >= 3) << failures;
    }
    const Outcome common = authenticate(m_prefix + "-common", "nobody");
    EXPECT_NE(common.output.find("The account is locked due to 4 failed logins."),
              std::string::npos)
        << common.output;
    EXPECT_TRUE(authenticate(m_prefix + "-sshd", "nobody").authenticated);

    // The program, which reads the system's /etc/pam.d where these services
    // are too, resets the lockout, and then finds none.
    const Outcome unlocked = unlockWithTheProgram("nobody");
    EXPECT_NE(unlocked.output.find("Lockout was successfully reset."), std::string::npos)
        << unlocked.output;
    EXPECT_FALSE(expectAgreement("nobody", {"common", "sshd"}));
    const Outcome again = unlockWithTheProgram("nobody");
    EXPECT_NE(again.output.find("User was not locked out."), std::string::npos) << again.output;
    EXPECT_TRUE(authenticate(m_prefix + "-common", "nobody").authenticated);
}

TEST_F(RealPamFaillock, EveryTallyFolderTheServicesReadIsReadAndReset)
{
    service("common", "pam_faillock.so preauth deny=3", "tally");
    service("sshd", "pam_faillock.so preauth deny=3", "other");
    failLogons("nobody", 3, "other");
    failLogons("nobody", 1, "tally");
    EXPECT_TRUE(expectAgreement("nobody", {"common", "sshd"}));
    EXPECT_EQ(provider().setFlags("", "nobody", UF_NORMAL_ACCOUNT), NERR_Success);
    EXPECT_FALSE(expectAgreement("nobody", {"common", "sshd"}));
    EXPECT_EQ(QFile(QString::fromStdString(m_private + "/tally/nobody")).size(), 0);
}

TEST_F(RealPamFaillock, RootAndAdminGroupMembersAsTheModuleSparesThem)
{
    failLogons("root", 3);
    failLogons("nobody", 3);
    service("plain", "pam_faillock.so preauth root_unlock_time=900");
    EXPECT_FALSE(expectAgreement("root", {"plain"}));
    service("even", "pam_faillock.so preauth even_deny_root");
    EXPECT_TRUE(expectAgreement("root", {"plain", "even"}));

    forget("plain");
    forget("even");
    if (nobodysGroup.empty())
        GTEST_SKIP() << "nobody's group has no name";
    service("admins", "pam_faillock.so preauth admin_group=" + nobodysGroup);
    EXPECT_FALSE(expectAgreement("nobody", {"admins"}));
    service("admins", "pam_faillock.so preauth even_deny_root admin_group=" + nobodysGroup);
    EXPECT_TRUE(expectAgreement("nobody", {"admins"}));
}

// A service that refuses everyone because its settings file is missing: not
// a lockout, and not "not locked" either.
TEST_F(RealPamFaillock, AServiceWhoseSettingsCannotBeReadIsNoServiceWithoutLockouts)
{
    const std::string name = m_prefix + "-broken";
    const std::string content = "auth requisite pam_faillock.so preauth conf=" + m_private +
                                "/missing.conf\n"
                                "auth sufficient pam_permit.so\n";
    write("/etc/pam.d/" + name, content);
    m_written.push_back("/etc/pam.d/" + name);
    write(m_private + "/pam.d/broken", content);
    EXPECT_FALSE(authenticate(name, "nobody").authenticated);
    netapi::AccountInfo info;
    EXPECT_EQ(provider().getInfo("", "nobody", info), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(provider().setFlags("", "nobody", UF_NORMAL_ACCOUNT), ERROR_FILE_NOT_FOUND);
}

// Each record as `faillock --user` lists it, and the lock's dates as the
// module's settings make them; the program's --show prints the same.
TEST_F(RealPamFaillock, TheDetailsAreTheTallysRecordsAndTheRefusingLinesUnlockTime)
{
    service("short", "pam_faillock.so preauth deny=3 unlock_time=300");
    service("long", "pam_faillock.so preauth deny=3 unlock_time=900");
    service("lenient", "pam_faillock.so preauth deny=9 unlock_time=5000");
    failLogons("nobody", 1);
    failLogons("nobody", 2, "tally", "host-a.example");

    netapi::AccountDetails details;
    ASSERT_EQ(provider().getDetails("", "nobody", details), NERR_Success);
    ASSERT_EQ(details.failures.size(), 3u);
    EXPECT_EQ(details.failedLogons, 3u);
    EXPECT_EQ(details.failures[0].kind, netapi::FailedLogon::Source::Service);
    EXPECT_EQ(details.failures[2].kind, netapi::FailedLogon::Source::Host);
    EXPECT_EQ(details.lastFailedLogonFrom, "host-a.example");
    ASSERT_TRUE(details.lastFailedLogon && details.lockedOutSince && details.unlocksAt);
    EXPECT_EQ(*details.lockedOutSince, details.failures[2].time);
    // The later of the two refusing lines' ends; the lenient one does not refuse.
    EXPECT_EQ(*details.unlocksAt, *details.lastFailedLogon + 900);

    // faillock's own listing, one row per record: time, type, source, validity.
    const std::string listed = output(
        "faillock", {"--dir", QString::fromStdString(m_private + "/tally"), "--user", "nobody"});
    for (const netapi::FailedLogon &failure : details.failures) {
        char when[32];
        const std::time_t time = failure.time;
        std::tm utc{};
        ::gmtime_r(&time, &utc);
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &utc);
        const std::string type =
            failure.kind == netapi::FailedLogon::Source::Host ? "RHOST" : "SVC";
        EXPECT_NE(listed.find(when), std::string::npos) << when << "\n" << listed;
        EXPECT_NE(listed.find(type), std::string::npos) << type << "\n" << listed;
        if (!failure.from.empty()) {
            EXPECT_NE(listed.find(failure.from), std::string::npos) << listed;
        }
    }

    const std::string shown = output(TUMBLERSET_PROGRAM, {"--show", "nobody"});
    EXPECT_NE(shown.find("nobody: locked\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("RHOST host-a.example"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Failed logons: 3\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find(" +00:00 from host-a.example\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Unlocks at: "), std::string::npos) << shown;

    // Held until a reset by one line: no end at all.
    service("forever", "pam_faillock.so preauth deny=3 unlock_time=0");
    ASSERT_EQ(provider().getDetails("", "nobody", details), NERR_Success);
    EXPECT_TRUE(details.lockedOutSince);
    EXPECT_FALSE(details.unlocksAt);
}

} // namespace
