// Tumblerset itself against the Samba domain controller: the window and the
// command line list its accounts, mark a user locked out by bad logons, and
// reset it, with the same lines.

#include "app/Main.h"
#include "app/Session.h"
#include "platform/netapi/AccountProvider.h"
#include "platform/netapi/remote/RemoteProvider.h"
#include "platform/registry/Registry.h"
#include "tests/peers/PeerNamespace.h"
#include "tests/support/TempDir.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimeZone>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

class SambaTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "the Samba peers need root (network namespace, port 445)";
        ASSERT_TRUE(joinedPeerNamespace()) << "no peers in " TUMBLERSET_PEERS_DIR;
        // No ticket or password of whoever runs the tests.
        setenv("KRB5CCNAME", "FILE:" TUMBLERSET_PEERS_DIR "/no-ticket", 1);
        unsetenv("PASSWD");
        unsetenv("PASSWD_FILE");
        setenv("USER", "nobody", 1);
        registry::setStoreFolder(dir.file("registry"));
        if (!Application)
            application = std::make_unique<TApplication>();
        Application->Initialize();
        InstallAccountProviders(""); // this computer, and Samba for named servers
    }

    void TearDown() override
    {
        delete form;
        application.reset();
        netapi::installProviders(nullptr, nullptr);
        registry::setStoreFolder(QString());
    }

    void openWindow()
    {
        form = new TMainForm(nullptr);
        form->AfterConstruction();
        form->Show();
    }

    void connect(bool all)
    {
        form->tbServer->SetText(peers::dc);
        form->cbAll->SetChecked(all);
        form->btnConnect->Click();
    }

    TListItem *row(const std::string &name) const
    {
        for (int i = 0; i < form->lvUsers->Items()->Count(); ++i)
            if (form->lvUsers->Items()->Item(i)->Caption() == name)
                return form->lvUsers->Items()->Item(i);
        return nullptr;
    }

    Lines pane() const { return form->Memo1->Lines()->ToVector(); }

    // The program as a script runs it, with the administrator's password in
    // Samba's usual environment unless `env` says otherwise.
    QString runTool(const QStringList &arguments, int &status,
                    QProcessEnvironment env = adminEnvironment(), QString *errors = nullptr)
    {
        QProcess process;
        env.insert("XDG_CONFIG_HOME", dir.file("config"));
#if defined(__SANITIZE_ADDRESS__)
        // The program keeps Samba's process-wide leftovers as this process
        // does: the same suppressions, and stacks that reach Samba's frames.
        const QString asan = env.value("ASAN_OPTIONS");
        env.insert("ASAN_OPTIONS", asan + (asan.isEmpty() ? "" : ":") + "fast_unwind_on_malloc=0");
        if (!env.contains("LSAN_OPTIONS"))
            env.insert("LSAN_OPTIONS", "suppressions=" TUMBLERSET_SOURCE_DIR "/tests/lsan.supp");
#endif
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TUMBLERSET_EXECUTABLE), arguments);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(120000));
        status = process.exitCode();
        if (errors)
            *errors = QString::fromUtf8(process.readAllStandardError());
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // The DC's count of bad passwords for user since the last good logon,
    // read from its database.
    static int badLogons(const QString &user)
    {
        return attribute(user, "badPwdCount").toInt();
    }

    // One attribute of user's entry as samba-tool shows it from the DC's
    // database; empty when never set.
    static QString attribute(const QString &user, const QString &name)
    {
        const QString peersDir = QStringLiteral(TUMBLERSET_PEERS_DIR);
        QProcess show;
        show.start("samba-tool", {"user", "show", user, "-H", peersDir + "/dc/private/sam.ldb",
                                  "-s", peersDir + "/dc/etc/smb.conf", "--attributes=" + name});
        EXPECT_TRUE(show.waitForFinished(60000));
        for (const QString &line : QString::fromUtf8(show.readAllStandardOutput()).split('\n'))
            if (line.startsWith(name + ": "))
                return line.mid(name.size() + 2);
        return {};
    }

    // The environment of an operator with a Kerberos ticket of user's and no
    // password: the DC's realm and host name come from files of the peers'
    // folder, nothing of this machine's configuration. Empty without kinit.
    std::optional<QProcessEnvironment> ticketEnvironment(const QString &user, const char *password)
    {
        const QString peersDir = QStringLiteral(TUMBLERSET_PEERS_DIR);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KRB5_CONFIG", peersDir + "/krb5.conf");
        env.insert("KRB5CCNAME", "FILE:" + dir.file("ticket-" + user));
        env.insert("USER", "nobody");
        env.remove("PASSWD");
        QProcess kinit;
        kinit.setProcessEnvironment(env);
        kinit.start("kinit", {user + "@TEST.LAN"});
        if (!kinit.waitForStarted())
            return std::nullopt;
        kinit.write(QByteArray(password) + "\n");
        kinit.closeWriteChannel();
        EXPECT_TRUE(kinit.waitForFinished(30000));
        EXPECT_EQ(kinit.exitCode(), 0) << kinit.readAllStandardError().toStdString();

        env.insert("LD_PRELOAD", "libnss_wrapper.so");
        env.insert("NSS_WRAPPER_HOSTS", peersDir + "/hosts");
#if defined(__SANITIZE_ADDRESS__)
        // libnss-wrapper comes before the sanitizer's runtime, and must not
        // open the C library with RTLD_DEEPBIND, which the sanitizer refuses.
        const QString asan = env.value("ASAN_OPTIONS");
        env.insert("ASAN_OPTIONS", asan + (asan.isEmpty() ? "" : ":") + "verify_asan_link_order=0");
        env.insert("NSS_WRAPPER_DISABLE_DEEPBIND", "1");
#endif
        return env;
    }

    static QProcessEnvironment adminEnvironment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("USER", peers::dcAdminUser);
        env.insert("PASSWD", peers::dcAdminPassword);
        return env;
    }

    TempDir dir;
    std::unique_ptr<TApplication> application;
    TMainForm *form = nullptr;
};

} // namespace

TEST_F(SambaTool, TheWindowListsTheDomainAndResetsALockout)
{
    ApplyCredentials({peers::dcAdminUser, peers::dcAdminPassword});
    openWindow();
    connect(false);
    ASSERT_NE(row("winlock"), nullptr) << "locked out by bad logons";
    EXPECT_EQ(row("winlock")->ImageIndex(), 0);
    EXPECT_EQ(row("worker"), nullptr);  // not locked out: no row
    EXPECT_EQ(row("normal2"), nullptr); // only disabled: no row either
    const Lines summary = pane();
    ASSERT_GE(summary.size(), 2u);
    EXPECT_NE(summary.back().find("locked out users found."), std::string::npos);

    row("winlock")->SetSelected(true);
    form->btnReset->Click();
    const Lines after = pane();
    EXPECT_EQ(Lines(after.end() - 2, after.end()),
              (Lines{"User was locked out.", "Lockout was successfully reset."}));
    EXPECT_EQ(row("winlock")->ImageIndex(), -1);

    connect(true);
    ASSERT_NE(row("winlock"), nullptr);
    EXPECT_EQ(row("winlock")->ImageIndex(), -1);
    ASSERT_NE(row("normal2"), nullptr);
    EXPECT_EQ(row("normal2")->StateIndex(), 1);
    ASSERT_NE(row("jürgen"), nullptr);
    EXPECT_EQ(row("jürgen")->SubItems()->Get(0), "Jürgen Größe-Øster");
}

TEST_F(SambaTool, ARefusedLogonAsksForCredentialsAndTheListingGoesOn)
{
    openWindow();
    int asked = 0;
    form->SetLogonPrompt([&](const std::string &server) {
        EXPECT_EQ(server, peers::dc);
        ++asked;
        ApplyCredentials({peers::dcAdminUser, peers::dcAdminPassword});
        return true;
    });
    connect(true);
    EXPECT_EQ(asked, 1);
    EXPECT_NE(row("Administrator"), nullptr);
    EXPECT_NE(pane().front().find(" users found."), std::string::npos);
}

TEST_F(SambaTool, TheCommandLineGivesTheWindowsLines)
{
    ApplyCredentials({peers::dcAdminUser, peers::dcAdminPassword});
    openWindow();
    connect(true);
    QString expected;
    for (int i = 0; i < form->lvUsers->Items()->Count(); ++i) {
        TListItem *item = form->lvUsers->Items()->Item(i);
        const bool locked = item->ImageIndex() == 0, disabled = item->StateIndex() == 1;
        expected +=
            QString::fromStdString(item->Caption() + "\t" + item->SubItems()->Get(0) + "\t") +
            (locked && disabled ? "locked,disabled"
             : locked           ? "locked"
             : disabled         ? "disabled"
                                : "-") +
            "\n";
    }
    for (const std::string &line : pane())
        expected += QString::fromStdString(line) + "\n";

    int status = -1;
    EXPECT_EQ(runTool({"--list", "--all", QString::fromStdString(peers::dc)}, status), expected);
    EXPECT_EQ(status, 0);

    EXPECT_EQ(runTool({"--unlock", "clilock", QString::fromStdString(peers::dc)}, status),
              "User was locked out.\nLockout was successfully reset.\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(runTool({"--unlock", "clilock", QString::fromStdString(peers::dc)}, status),
              "User was not locked out.\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(runTool({"--unlock", "nobody-here", QString::fromStdString(peers::dc)}, status),
              "Error 2221 returned from NetUserGetInfo\n");
    EXPECT_EQ(status, 1);
}

TEST_F(SambaTool, RefusedCredentialsAreSaidSoAndNeverListAnonymously)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // normal1 is no one's logon in these tests: one bad password costs nothing.
    env.insert("USER", "TEST\\normal1");
    env.insert("PASSWD", "not-the-password");
    int status = -1;
    EXPECT_EQ(runTool({"--list", "--all", QString::fromStdString(peers::dc)}, status, env),
              "Error 1326 returned from NetUserEnum\n");
    EXPECT_EQ(status, 1);
}

TEST_F(SambaTool, AKerberosTicketAloneListsAndResets)
{
    const auto env = ticketEnvironment("Administrator", peers::dcAdminPassword);
    if (!env)
        GTEST_SKIP() << "no kinit (krb5-user)";
    int status = -1;
    const QString listing = runTool({"--list", "--all", "dc1.test.lan"}, status, *env);
    EXPECT_EQ(status, 0) << listing.toStdString();
    // A line of its own, wherever the directory's order puts it.
    EXPECT_TRUE(listing.split('\n').contains("ssolock\tGnssolock Snssolock\tlocked"))
        << listing.toStdString();

    EXPECT_EQ(runTool({"--unlock", "ssolock", "dc1.test.lan"}, status, *env),
              "User was locked out.\nLockout was successfully reset.\n");
    EXPECT_EQ(status, 0);
}

// Each logon case below reads the operator's count of bad passwords before
// and after every command: one command may cost one at most.

TEST_F(SambaTool, ATicketThatCannotBeUsedCostsNoBadLogonAndNamesTheHostThatWould)
{
    const auto env = ticketEnvironment("opticket", "User-Pass1x");
    if (!env)
        GTEST_SKIP() << "no kinit (krb5-user)";
    const QString address = QString::fromStdString(peers::dc);
    const int before = badLogons("opticket");
    // Three runs each: before, each cost one, and three locked the operator
    // out. By the address, and by an alias without a service principal.
    for (const QString &server : {address, QStringLiteral("files.test.lan")}) {
        for (int run = 0; run < 3; ++run) {
            int status = -1;
            QString errors;
            EXPECT_EQ(runTool({"--list", server}, status, *env, &errors),
                      "Error 1326 returned from NetUserEnum\n");
            EXPECT_EQ(status, 1);
            EXPECT_TRUE(errors.contains("Name the server dc1.test.lan")) << errors.toStdString();
            EXPECT_EQ(badLogons("opticket"), before) << server.toStdString() << ", run " << run;
        }
    }
    int status = -1;
    QString errors;
    EXPECT_EQ(runTool({"--unlock", "clilock", address}, status, *env, &errors),
              "Error 1326 returned from NetUserGetInfo\n");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(errors.contains("dc1.test.lan")) << errors.toStdString();
    EXPECT_EQ(badLogons("opticket"), before);

    // With the environment's password beside the ticket, that password logs
    // on where the ticket cannot.
    QProcessEnvironment withPassword = *env;
    withPassword.insert("PASSWD", "User-Pass1x");
    runTool({"--list", address}, status, withPassword);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(badLogons("opticket"), before);
}

TEST_F(SambaTool, ARefusedLogonCostsOneBadLogonHoweverManyAccountsAreNamed)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("USER", "TEST\\oppass");
    env.insert("PASSWD", "not-the-password");
    const int before = badLogons("oppass");
    int status = -1;
    EXPECT_EQ(runTool({"--unlock", "victim", "both", "clilock", "--server",
                       QString::fromStdString(peers::dc)},
                      status, env),
              "victim:\n"
              "Error 1326 returned from NetUserGetInfo\n"
              "both:\n"
              "Not attempted: the server refused the logon.\n"
              "clilock:\n"
              "Not attempted: the server refused the logon.\n");
    EXPECT_EQ(status, 1);
    const int afterText = badLogons("oppass");
    EXPECT_LE(afterText - before, 1);

    const QString json = runTool(
        {"--json", "--unlock", "victim", "both", "--server", QString::fromStdString(peers::dc)},
        status, env);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(json.contains("\"outcome\": \"notAttempted\"")) << json.toStdString();
    EXPECT_LE(badLogons("oppass") - afterText, 1);

    // A listing: one logon, however many pages.
    const int beforeListing = badLogons("oppass");
    EXPECT_EQ(runTool({"--list", "--all", QString::fromStdString(peers::dc)}, status, env),
              "Error 1326 returned from NetUserEnum\n");
    EXPECT_LE(badLogons("oppass") - beforeListing, 1);
}

// frank was locked out by three bad logons when the standalone server
// started. SAMR gives the count and the server's lockout length, and no time:
// those members are left out of the JSON and read "unknown" in the text,
// never "never" or "only an administrator".
TEST_F(SambaTool, TheDetailsOfAStandaloneServersLockoutAreItsCountAndLength)
{
    // The server's own view of the account, from its database.
    const QString peersDir = QStringLiteral(TUMBLERSET_PEERS_DIR);
    QProcess pdbedit;
    QProcessEnvironment pdbEnv = QProcessEnvironment::systemEnvironment();
    pdbEnv.insert("LD_PRELOAD", "libnss_wrapper.so");
    pdbEnv.insert("NSS_WRAPPER_PASSWD", peersDir + "/smbd/nss/passwd");
    pdbEnv.insert("NSS_WRAPPER_GROUP", peersDir + "/smbd/nss/group");
    pdbedit.setProcessEnvironment(pdbEnv);
    pdbedit.start("pdbedit", {"-s", peersDir + "/smbd/etc/smb.conf", "-Lv", "-u", "frank"});
    ASSERT_TRUE(pdbedit.waitForFinished(60000));
    const QString view = QString::fromUtf8(pdbedit.readAllStandardOutput());
    const qsizetype at = view.indexOf("Bad password count  : ");
    ASSERT_GE(at, 0) << view.toStdString();
    const int count = view.mid(at + 22).section('\n', 0, 0).trimmed().toInt();
    ASSERT_GE(count, 3);
    ASSERT_TRUE(view.contains("Account Flags:        [UL")) << view.toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("USER", "root");
    env.insert("PASSWD", "Adm1n-Pass!");
    env.insert("TZ", "UTC");
    int status = -1;
    const QString listed =
        runTool({"--list", "--all", "--json", "--server", QString::fromStdString(peers::smbd)},
                status, env);
    EXPECT_EQ(status, 0);
    QJsonObject frank, alice;
    for (const QJsonValue account :
         QJsonDocument::fromJson(listed.toUtf8())["accounts"].toArray()) {
        if (account["name"] == "frank")
            frank = account.toObject();
        if (account["name"] == "alice")
            alice = account.toObject();
    }
    ASSERT_FALSE(frank.isEmpty()) << listed.toStdString();
    EXPECT_EQ(frank["failedLogons"].toInt(), count);
    EXPECT_EQ(frank["lastFailedLogonFrom"].toString(), "");
    for (const char *unknown : {"lastFailedLogon", "lockedOutSince", "unlocksAt"})
        EXPECT_FALSE(frank.contains(unknown)) << unknown;
    // Not locked out is known: null, as from every other server.
    ASSERT_FALSE(alice.isEmpty());
    EXPECT_EQ(alice["failedLogons"].toInt(), 0);
    EXPECT_EQ(alice["lockedOutSince"], QJsonValue());
    EXPECT_EQ(alice["unlocksAt"], QJsonValue());

    const QString shown =
        runTool({"--show", "frank", "--server", QString::fromStdString(peers::smbd)}, status, env);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(shown, "frank: locked\n"
                     "Failed logons: " +
                         QString::number(count) +
                         "\n"
                         "Last failed logon: unknown (the server does not record it)\n"
                         "Locked out since: unknown (the server does not record it)\n"
                         "Unlocks at: unknown (a lockout there ends 30 minutes after it began; "
                         "the server does not record when it began)\n");
    // Reading them cost the administrator no bad logon.
    pdbedit.start("pdbedit", {"-s", peersDir + "/smbd/etc/smb.conf", "-Lv", "-u", "root"});
    ASSERT_TRUE(pdbedit.waitForFinished(60000));
    EXPECT_TRUE(pdbedit.readAllStandardOutput().contains("Bad password count  : 0"));
}

// victim was locked out by three bad logons when the DC started: its details
// are what the DC's database holds, and the lockout ends the domain's 30
// minutes after it began.
TEST_F(SambaTool, TheDetailsOfADomainLockoutAreTheDirectorysOwn)
{
    const auto isoOf = [](const QString &fileTime) {
        const qint64 seconds = fileTime.toLongLong() / 10'000'000 - 11'644'473'600;
        return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc())
                   .toString("yyyy-MM-ddTHH:mm:ss") +
               "+00:00";
    };
    const QString badPasswordTime = attribute("victim", "badPasswordTime");
    const QString lockoutTime = attribute("victim", "lockoutTime");
    ASSERT_FALSE(badPasswordTime.isEmpty());
    ASSERT_FALSE(lockoutTime.isEmpty());

    QProcessEnvironment env = adminEnvironment();
    env.insert("TZ", "UTC");
    int status = -1;
    const QString listed =
        runTool({"--list", "--json", "--server", QString::fromStdString(peers::dc)}, status, env);
    EXPECT_EQ(status, 0);
    QJsonObject victim;
    for (const QJsonValue account : QJsonDocument::fromJson(listed.toUtf8())["accounts"].toArray())
        if (account["name"] == "victim")
            victim = account.toObject();
    ASSERT_FALSE(victim.isEmpty()) << listed.toStdString();
    EXPECT_EQ(victim["failedLogons"].toInt(), badLogons("victim"));
    EXPECT_EQ(victim["lastFailedLogon"].toString(), isoOf(badPasswordTime));
    EXPECT_EQ(victim["lastFailedLogonFrom"].toString(), "");
    EXPECT_EQ(victim["lockedOutSince"].toString(), isoOf(lockoutTime));
    EXPECT_EQ(victim["unlocksAt"].toString(),
              isoOf(QString::number(lockoutTime.toLongLong() + 1800LL * 10'000'000)));

    // One account on its own, read by name.
    const QString shown =
        runTool({"--show", "victim", "--server", QString::fromStdString(peers::dc)}, status, env);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(shown.startsWith("victim: locked\n")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Failed logons: " + QString::number(badLogons("victim")) + "\n"))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("Locked out since: " +
                               isoOf(lockoutTime).replace('T', ' ').replace("+00:00", " +00:00")))
        << shown.toStdString();
}
