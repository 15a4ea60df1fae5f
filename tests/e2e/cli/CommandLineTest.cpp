// Runs the built program as scripts do, and reads what it prints.

#include "platform/version/Version.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        demo = dir.file("demo.json");
        ASSERT_TRUE(QFile::copy(sourcePath("examples/demo-directory.json"), demo));
        QFile::setPermissions(demo, QFile::ReadOwner | QFile::WriteOwner);
    }

    Outcome run(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No display at all: the command-line modes must not need one.
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_CONFIG_HOME", dir.file("config"));
        env.insert("TZ", "Europe/Berlin"); // times print in the local zone
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TUMBLERSET_EXECUTABLE), arguments);
        process.closeWriteChannel(); // no terminal: nothing may be asked
        EXPECT_TRUE(process.waitForFinished(60000));
        Outcome r;
        r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    QString writeDirectory(const QByteArray &json)
    {
        const QString path = dir.file("made.json");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        return path;
    }

    TempDir dir;
    QString demo;
};

const QByteArray madeDomain = R"({ "servers": [
  { "name": "dc.test", "accounts": [
    { "name": "alice", "fullName": "Alice Ämmälä", "lockedOut": true },
    { "name": "bob", "fullName": "Bob", "disabled": true },
    { "name": "carol", "fullName": "Carol\tTab", "lockedOut": true, "disabled": true },
    { "name": "dave", "fullName": "" } ] },
  { "name": "pdc.test", "setResult": 2226, "accounts": [
    { "name": "erin", "lockedOut": true } ] },
  { "name": "down.test", "enumResult": 53, "enumFailsAfter": 1, "accounts": [
    { "name": "x", "lockedOut": true }, { "name": "y" } ] },
  { "name": "mixed.test", "accounts": [
    { "name": "frank", "fullName": "Frank", "lockedOut": true },
    { "name": "gina", "fullName": "Gina", "disabled": true },
    { "name": "hank", "lockedOut": true, "lookupResult": 5 },
    { "name": "evil\u001b[2Jname", "fullName": "Line\nBreak\u0085", "lockedOut": true } ] },
  { "name": "", "accounts": [ { "name": "local1", "lockedOut": true } ] }
] })";

QJsonObject parsed(const Outcome &r)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    EXPECT_EQ(document["status"].toInt(-1), r.status);
    return document.object();
}

QJsonObject account(const QString &name, const QString &fullName, bool lockedOut, bool disabled,
                    bool checked)
{
    return {{"name", name},
            {"fullName", fullName},
            {"lockedOut", lockedOut},
            {"disabled", disabled},
            {"checked", checked}};
}

// A row of --list --json: a checked account also carries its lockout details,
// here those of an account with no failed logons recorded.
QJsonObject listed(QJsonObject row)
{
    if (row["checked"].toBool()) {
        row.insert("failedLogons", 0);
        row.insert("lastFailedLogon", QJsonValue());
        row.insert("lastFailedLogonFrom", "");
        row.insert("lockedOutSince", QJsonValue());
        row.insert("unlocksAt", QJsonValue());
    }
    return row;
}

const QString evilName = QStringLiteral("evil\x1b[2Jname");
const QString evilFullName = QStringLiteral("Line\nBreak\u0085");

} // namespace

TEST_F(CommandLine, ListPrintsRowsThenThePanesLines)
{
    const Outcome r = run({"--directory", writeDirectory(madeDomain), "--list", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "alice\tAlice Ämmälä\tlocked\n"
                     "carol\tCarol\\x09Tab\tlocked,disabled\n"
                     "2 disabled users found.\n"
                     "2 locked out users found.\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CommandLine, ListAllPrintsEveryAccountWithItsMarks)
{
    const Outcome r =
        run({"--directory", writeDirectory(madeDomain), "--list", "--all", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "alice\tAlice Ämmälä\tlocked\n"
                     "bob\tBob\tdisabled\n"
                     "carol\tCarol\\x09Tab\tlocked,disabled\n"
                     "dave\t\t-\n"
                     "4 users found.\n"
                     "2 disabled users found.\n"
                     "2 locked out users found.\n");
}

TEST_F(CommandLine, ListFailuresEndWithOneErrorLineAndStatusOne)
{
    const QString made = writeDirectory(madeDomain);
    Outcome r = run({"--directory", made, "--list", "nowhere.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Invalid server name.\n");
    r = run({"--directory", made, "--list", "--all", "down.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "x\t\tlocked\nError 53 returned from NetUserEnum\n");
    r = run({"--directory", demo, "--list", "hr-dc.corp.example.com"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Access denied.\n");
}

TEST_F(CommandLine, UnlockResetsAndWritesTheDirectoryBack)
{
    const QString made = writeDirectory(madeDomain);
    Outcome r = run({"--directory", made, "--unlock", "carol", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "User was locked out.\nLockout was successfully reset.\n");
    r = run({"--directory", made, "--unlock", "carol", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "User was not locked out.\n");
    // Still disabled; no longer locked.
    r = run({"--directory", made, "--list", "--all", "dc.test"});
    EXPECT_NE(r.out.indexOf("carol\tCarol\\x09Tab\tdisabled\n"), -1) << r.out.toStdString();
}

TEST_F(CommandLine, UnlockFailuresSayWhyWithStatusOne)
{
    const QString made = writeDirectory(madeDomain);
    Outcome r = run({"--directory", made, "--unlock", "erin", "pdc.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "User was locked out.\nNot a primary domain controller.\n");
    r = run({"--directory", made, "--unlock", "nobody", "dc.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error 2221 returned from NetUserGetInfo\n");
}

TEST_F(CommandLine, AListingWithUncheckedAccountsEndsWithStatusThree)
{
    const QString made = writeDirectory(madeDomain);
    // The account that cannot be checked has no row without --all; the
    // status still tells the listing from a complete one.
    Outcome r = run({"--directory", made, "--list", "mixed.test"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "frank\tFrank\tlocked\n"
                     "evil\\x1b[2Jname\tLine\\x0aBreak\\u0085\tlocked\n"
                     "1 disabled users found.\n"
                     "2 locked out users found.\n"
                     "1 users could not be checked.\n");

    r = run({"--directory", made, "--list", "--all", "--json", "--server", "mixed.test"});
    EXPECT_EQ(r.status, 3);
    EXPECT_FALSE(r.out.contains(QChar(0x1b))) << "control characters must arrive escaped";
    EXPECT_FALSE(r.out.contains(QChar(0x85))) << "so must the C1 range";
    EXPECT_TRUE(r.out.contains("\\u0085"));
    const QJsonObject json = parsed(r);
    EXPECT_EQ(json["server"], "mixed.test");
    EXPECT_EQ(json["accounts"],
              (QJsonArray{listed(account("frank", "Frank", true, false, true)),
                          listed(account("gina", "Gina", false, true, true)),
                          listed(account("hank", "", false, false, false)),
                          listed(account(evilName, evilFullName, true, false, true))}));
    EXPECT_EQ(json["lines"],
              (QJsonArray{"4 users found.", "1 disabled users found.", "2 locked out users found.",
                          "1 users could not be checked."}));
}

TEST_F(CommandLine, JsonListingsCarryTheirStatusAndErrorLine)
{
    const QString made = writeDirectory(madeDomain);
    Outcome r = run({"--directory", made, "--list", "--json", "dc.test"});
    EXPECT_EQ(r.status, 0);
    QJsonObject json = parsed(r);
    EXPECT_EQ(json["accounts"],
              (QJsonArray{listed(account("alice", "Alice Ämmälä", true, false, true)),
                          listed(account("carol", "Carol\tTab", true, true, true))}));
    EXPECT_EQ(json["lines"], (QJsonArray{"2 disabled users found.", "2 locked out users found."}));

    r = run({"--directory", made, "--list", "--all", "--json", "down.test"});
    EXPECT_EQ(r.status, 1);
    json = parsed(r);
    EXPECT_EQ(json["accounts"], QJsonArray{listed(account("x", "", true, false, true))});
    EXPECT_EQ(json["lines"], QJsonArray{"Error 53 returned from NetUserEnum"});
    EXPECT_EQ(r.err, "");
}

TEST_F(CommandLine, UnlockingSeveralAccountsHeadsEachBlockAndFailsIfAnyFailed)
{
    const QString made = writeDirectory(madeDomain);
    Outcome r = run({"--directory", made, "--unlock", "frank", "gina", evilName, "hank", "nobody",
                     "--server", "mixed.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "frank:\n"
                     "User was locked out.\n"
                     "Lockout was successfully reset.\n"
                     "gina:\n"
                     "User was not locked out.\n"
                     "evil\\x1b[2Jname:\n"
                     "User was locked out.\n"
                     "Lockout was successfully reset.\n"
                     "hank:\n"
                     "Error 5 returned from NetUserGetInfo\n"
                     "nobody:\n"
                     "Error 2221 returned from NetUserGetInfo\n");
    // Every account that could be reset was, and written back.
    r = run({"--directory", made, "--unlock", "frank", "gina", "--server", "mixed.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "frank:\nUser was not locked out.\ngina:\nUser was not locked out.\n");
}

TEST_F(CommandLine, OneAccountNeedsNoHeadingWhicheverWayTheServerIsNamed)
{
    const QString made = writeDirectory(madeDomain);
    // The old form: the name after the account is the server.
    Outcome r = run({"--directory", made, "--unlock", "frank", "mixed.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "User was locked out.\nLockout was successfully reset.\n");
    r = run({"--directory", made, "--unlock", "frank", "--server", "mixed.test"});
    EXPECT_EQ(r.out, "User was not locked out.\n");
    // An empty --server is this computer, as no server at all is.
    r = run({"--directory", made, "--unlock", "local1", "--server", ""});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "User was locked out.\nLockout was successfully reset.\n");
    r = run({"--directory", made, "--unlock", "local1"});
    EXPECT_EQ(r.out, "User was not locked out.\n");
}

TEST_F(CommandLine, JsonResetsGiveEachAccountItsOutcomeAndLines)
{
    const QString made = writeDirectory(madeDomain);
    const Outcome r = run({"--directory", made, "--json", "--unlock", evilName, "gina", "hank",
                           "--server", "mixed.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.out.contains(QChar(0x1b)));
    const QJsonObject json = parsed(r);
    EXPECT_EQ(json["server"], "mixed.test");
    const QJsonArray accounts = json["accounts"].toArray();
    ASSERT_EQ(accounts.size(), 3);
    // The state each account was left in: the reset one is no longer locked.
    QJsonObject expected = account(evilName, evilFullName, false, false, true);
    expected["outcome"] = "reset";
    expected["lines"] = QJsonArray{"User was locked out.", "Lockout was successfully reset."};
    EXPECT_EQ(accounts[0], expected);
    expected = account("gina", "Gina", false, true, true);
    expected["outcome"] = "notLockedOut";
    expected["lines"] = QJsonArray{"User was not locked out."};
    EXPECT_EQ(accounts[1], expected);
    expected = account("hank", "", false, false, false);
    expected["outcome"] = "failed";
    expected["lines"] = QJsonArray{"Error 5 returned from NetUserGetInfo"};
    EXPECT_EQ(accounts[2], expected);
    EXPECT_EQ(json["lines"],
              (QJsonArray{"User was locked out.", "Lockout was successfully reset.",
                          "User was not locked out.", "Error 5 returned from NetUserGetInfo"}));
}

TEST_F(CommandLine, ARefusedLogonLeavesTheRemainingAccountsUntried)
{
    // ivan's lookup is refused as a wrong password would be; judy would reset.
    const QString made = writeDirectory(R"({ "servers": [ { "name": "dc.test", "accounts": [
        { "name": "ivan", "lockedOut": true, "lookupResult": 1326 },
        { "name": "judy", "lockedOut": true },
        { "name": "kate", "lockedOut": true } ] } ] })");
    Outcome r =
        run({"--directory", made, "--unlock", "ivan", "judy", "kate", "--server", "dc.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ivan:\n"
                     "Error 1326 returned from NetUserGetInfo\n"
                     "judy:\n"
                     "Not attempted: the server refused the logon.\n"
                     "kate:\n"
                     "Not attempted: the server refused the logon.\n");

    r = run({"--directory", made, "--json", "--unlock", "ivan", "judy", "--server", "dc.test"});
    EXPECT_EQ(r.status, 1);
    const QJsonArray accounts = parsed(r)["accounts"].toArray();
    ASSERT_EQ(accounts.size(), 2);
    EXPECT_EQ(accounts[0]["outcome"], "failed");
    QJsonObject expected = account("judy", "", false, false, false);
    expected["outcome"] = "notAttempted";
    expected["lines"] = QJsonArray{"Not attempted: the server refused the logon."};
    EXPECT_EQ(accounts[1], expected);

    // Nothing was written back: judy is still locked out.
    r = run({"--directory", made, "--unlock", "judy", "--server", "dc.test"});
    EXPECT_EQ(r.out, "User was locked out.\nLockout was successfully reset.\n");
}

TEST_F(CommandLine, InvisibleCharactersInNamesAreEscapedInTextAndJson)
{
    // U+FEFF, U+202E and U+200B each make a name read as another.
    const QString made = writeDirectory(R"({ "servers": [ { "name": "dc.test", "accounts": [
        { "name": "\ufeffadmin", "fullName": "zw\u200badmin", "lockedOut": true },
        { "name": "\u202enimda", "lockedOut": true } ] } ] })");
    Outcome r = run({"--directory", made, "--list", "dc.test"});
    EXPECT_TRUE(r.out.startsWith("\\ufeffadmin\tzw\\u200badmin\tlocked\n"
                                 "\\u202enimda\t\tlocked\n"))
        << r.out.toStdString();
    r = run({"--directory", made, "--list", "--json", "dc.test"});
    EXPECT_TRUE(r.out.contains(R"("name": "\ufeffadmin")")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(R"("fullName": "zw\u200badmin")"));
    EXPECT_TRUE(r.out.contains(R"("name": "\u202enimda")"));
    const QJsonArray accounts = parsed(r)["accounts"].toArray();
    ASSERT_EQ(accounts.size(), 2);
    EXPECT_EQ(accounts[0]["name"].toString(), QString(QChar(0xFEFF)) + "admin");
    // The name as the JSON gave it reaches the account.
    r = run(
        {"--directory", made, "--unlock", accounts[0]["name"].toString(), "--server", "dc.test"});
    EXPECT_EQ(r.out, "User was locked out.\nLockout was successfully reset.\n");
}

// A Latin-1 /etc/passwd, in a mount namespace of the test's own: the program
// reads the real system paths, and the bytes go in as a script gives them.
TEST_F(CommandLine, LocalNamesThatAreNotUtf8AreListedAndResetByTheirBytes)
{
    if (::geteuid() != 0 || !QFileInfo(QStringLiteral("/srv")).isDir())
        GTEST_SKIP() << "needs root and /srv for a private mount namespace";
    const auto put = [&](const QString &name, const QByteArray &content) {
        QFile file(dir.file(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    };
    put("passwd", "root:x:0:0:root:/root:/bin/sh\n"
                  "caf\xE9:x:1010:1010:Caf\xE9 Latin-1:/nonexistent:/bin/false\n"
                  "caf\xE8:x:1011:1011::/nonexistent:/bin/false\n");
    put("shadow", "root:*:19000:0:99999:7:::\ncaf\xE9:$6$x:19000:0:99999:7:::\n"
                  "caf\xE8:$6$x:19000:0:99999:7:::\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir("pam.d"));
    put("pam.d/tumblerset-test",
        "auth required pam_faillock.so preauth dir=/srv/faillock deny=3 unlock_time=600\n"
        "auth required pam_faillock.so authfail dir=/srv/faillock deny=3 unlock_time=600\n");
    // Three failures in the last seconds, as pam_faillock writes them.
    QByteArray tally;
    for (int i = 3; i > 0; --i) {
        char record[64] = {};
        const std::uint16_t status = 1;
        const auto time = static_cast<std::uint64_t>(std::time(nullptr) - i);
        std::memcpy(record + 54, &status, 2);
        std::memcpy(record + 56, &time, 8);
        tally.append(record, 64);
    }
    put("tally", tally);
    // Everything it mounts is gone when the namespace ends with the script.
    put("run.sh", R"(set -u
T=$1; P=$2
mount --bind "$T/passwd" /etc/passwd && mount --bind "$T/shadow" /etc/shadow &&
mount --bind "$T/pam.d" /etc/pam.d && mount -t tmpfs -o mode=0755 tmpfs /srv &&
mkdir -m 0755 /srv/faillock || exit 97
e9=$(printf 'caf\351'); e8=$(printf 'caf\350')
cp "$T/tally" "/srv/faillock/$e9"; cp "$T/tally" "/srv/faillock/$e8"
"$P" --list --all > "$T/before" 2>&1
"$P" --unlock "$e9" --server "" > "$T/unlock" 2>&1; echo $? > "$T/status"
"$P" --list --all --json > "$T/after" 2>&1
stat -c %s "/srv/faillock/$e9" "/srv/faillock/$e8" > "$T/sizes"
)");
    QProcess process;
    process.start(QStringLiteral("unshare"),
                  {"--mount", "--propagation", "private", "sh", dir.file("run.sh"), dir.path(),
                   QStringLiteral(TUMBLERSET_EXECUTABLE)});
    ASSERT_TRUE(process.waitForFinished(60000));
    if (process.exitCode() != 0)
        GTEST_SKIP() << "no private mount namespace here: "
                     << process.readAllStandardError().toStdString();
    const auto read = [&](const QString &name) {
        QFile file(dir.file(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };

    // Two names, shown by their bytes, each with its own lockout.
    EXPECT_EQ(read("before"), "caf\\xe9\tCaf\\xe9 Latin-1\tlocked\n"
                              "caf\\xe8\t\tlocked\n"
                              "2 users found.\n"
                              "No disabled users found.\n"
                              "2 locked out users found.\n");
    EXPECT_EQ(read("unlock"), "User was locked out.\nLockout was successfully reset.\n");
    EXPECT_EQ(read("status"), "0\n");
    EXPECT_EQ(read("sizes"), "0\n192\n");
    // JSON carries each byte as U+DC00 plus the byte.
    QJsonParseError error{};
    const QJsonDocument after = QJsonDocument::fromJson(read("after"), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << read("after").toStdString();
    EXPECT_TRUE(read("after").contains(R"("name": "caf\udce9")"));
    const QJsonArray accounts = after["accounts"].toArray();
    ASSERT_EQ(accounts.size(), 2);
    EXPECT_EQ(accounts[0]["name"].toString(), QStringView(u"caf\xDCE9").toString());
    EXPECT_EQ(accounts[0]["fullName"].toString(), QStringView(u"Caf\xDCE9 Latin-1").toString());
    EXPECT_FALSE(accounts[0]["lockedOut"].toBool());
    EXPECT_TRUE(accounts[1]["lockedOut"].toBool());
}

TEST_F(CommandLine, TheDemoDirectoryListsItsDomain)
{
    const Outcome r = run({"--directory", demo, "--list", "dc01.ad.corp.example.com"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.endsWith("12 disabled users found.\n10 locked out users found.\n"))
        << r.out.toStdString();
    const Outcome big = run({"--directory", demo, "--list", "loadtest.lab.example.com"});
    EXPECT_EQ(big.status, 0);
}

TEST_F(CommandLine, BadArgumentsGiveUsageAndStatusTwo)
{
    const QList<QStringList> bad = {
        {"--bogus"},
        {"--list", "--unlock", "x"},
        {"--all"},
        {"--list", "a", "b"},
        {"--unlock"},
        {"--directory"},
        {"dc01"},
        // Three names without --server: no guessing which one is the server.
        {"--unlock", "a", "b", "c"},
        {"--unlock", "a", "--unlock", "b"},
        {"--unlock", "a", "", "--server", "dc"},
        {"--list", "--server", "a", "b"},
        {"--list", "--server", "a", "--server", "b"},
        {"--server", "dc01"},
        {"--json"},
    };
    for (const QStringList &arguments : bad) {
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("tumblerset: ")) << r.err.toStdString();
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CommandLine, AMalformedDirectoryGivesOneLineNamingFileAndLine)
{
    const QString broken =
        writeDirectory("{ \"servers\": [\n  { \"name\": \"x\",\n    oops }\n] }\n");
    const Outcome r = run({"--directory", broken, "--list"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(broken + ":3:")) << r.err.toStdString();
    const Outcome missing = run({"--directory", dir.file("absent.json"), "--list"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains("absent.json")) << missing.err.toStdString();
}

TEST_F(CommandLine, HelpAndVersionWorkWithoutADisplay)
{
    Outcome r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "tumblerset " TUMBLERSET_VERSION "\n");
    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: tumblerset")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("--unlock <USER>"));
    for (const char *status : {"\n  0  ", "\n  1  ", "\n  2  ", "\n  3  "})
        EXPECT_TRUE(r.out.contains(status)) << "exit status " << status + 3 << " undocumented";
}

TEST_F(CommandLine, BashCompletionOffersEveryOptionOfTheHelp)
{
    const QString help = run({"--help"}).out;
    QStringList options;
    const QRegularExpression option(QStringLiteral("^  (?:-\\w, )?(--[a-z]+)"),
                                    QRegularExpression::MultilineOption);
    for (auto it = option.globalMatch(help); it.hasNext();)
        options << it.next().captured(1);
    ASSERT_GE(options.size(), 8);

    QFile hosts(dir.file("hosts"));
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("127.0.0.1 dc01.test dc02.test\n");
    hosts.close();
    const auto complete = [&](const QStringList &words) {
        QProcess bash;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOSTFILE", hosts.fileName());
        bash.setProcessEnvironment(env);
        bash.start("bash", QStringList{"--norc", "-c",
                                       "source \"$0\"; COMP_WORDS=(\"$@\"); "
                                       "COMP_CWORD=$(($# - 1)); _tumblerset; "
                                       "printf '%s\\n' \"${COMPREPLY[@]}\"",
                                       sourcePath("app/desktop/tumblerset.bash-completion")}
                               << words);
        EXPECT_TRUE(bash.waitForFinished(10000));
        return QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    };
    QStringList offered = complete({"tumblerset", "--"});
    offered.sort();
    options.sort();
    EXPECT_EQ(offered, options);
    EXPECT_EQ(complete({"tumblerset", "--list", "--server", "dc"}),
              (QStringList{"dc01.test", "dc02.test"}));
    EXPECT_EQ(complete({"tumblerset", "--unlock", "a", "dc02"}), QStringList{"dc02.test"});
    // After --server the names are accounts, which only the server knows.
    EXPECT_EQ(complete({"tumblerset", "--unlock", "a", "--server", "dc01.test", "d"}),
              QStringList{});
    EXPECT_EQ(complete({"tumblerset", "--directory", dir.file("ho")}),
              QStringList{dir.file("hosts")});
}

TEST(ProgramFile, CarriesItsVersionInformationForTheVersionLabel)
{
    const char *program = TUMBLERSET_EXECUTABLE;
    std::uint32_t handle = 0;
    const std::uint32_t size = GetFileVersionInfoSizeA(program, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size + 1);
    ASSERT_TRUE(GetFileVersionInfoA(program, 0, size + 1, block.data()));
    void *value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    std::uint32_t translation = 0;
    std::memcpy(&translation, value, 4);
    EXPECT_EQ(translation, 0x04E40409u);
    const std::pair<const char *, const char *> strings[] = {
        {"CompanyName", "Marrowlight Software"}, {"FileDescription", "Tumblerset"},
        {"FileVersion", TUMBLERSET_VERSION},     {"InternalName", "Tumblerset"},
        {"OriginalFilename", "Tumblerset"},      {"ProductName", "Tumblerset"},
        {"ProductVersion", TUMBLERSET_VERSION},  {"LegalCopyright", ""},
    };
    for (const auto &[name, expected] : strings) {
        const std::string key = std::string("\\StringFileInfo\\040904e4\\") + name;
        ASSERT_TRUE(VerQueryValueA(block.data(), key.c_str(), &value, &length)) << name;
        EXPECT_STREQ(static_cast<const char *>(value), expected) << name;
    }
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
}

const QByteArray lockedDomain = R"({ "servers": [
  { "name": "dc.test", "accounts": [
    { "name": "jo\u001bhn", "lockedOut": true, "failedLogons": 4,
      "lastFailedLogon": "2026-12-08T09:15:40Z", "lastFailedLogonFrom": "ws\u0007-17",
      "lockedOutSince": "2026-12-08T09:10:00+00:00", "unlocksAt": "2026-12-08T09:45:40Z" },
    { "name": "kim", "lockedOut": true, "failedLogons": 3,
      "lastFailedLogon": null, "lockedOutSince": "2026-12-08T09:00:00Z", "unlocksAt": null },
    { "name": "lee", "failedLogons": 1, "lastFailedLogon": "2026-12-08T08:00:00-05:00",
      "lockedOutSince": "2026-12-08T09:00:00Z" } ] } ] })";

TEST_F(CommandLine, LockoutDetailsShowInTheLocalZoneAndGoWithTheReset)
{
    const QString made = writeDirectory(lockedDomain);
    Outcome r = run({"--directory", made, "--list", "--all", "--json", "dc.test"});
    EXPECT_EQ(r.status, 0);
    const QJsonArray rows = parsed(r)["accounts"].toArray();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0]["failedLogons"], 4);
    EXPECT_EQ(rows[0]["lastFailedLogon"], "2026-12-08T10:15:40+01:00");
    EXPECT_EQ(rows[0]["lastFailedLogonFrom"], "ws\u0007-17");
    EXPECT_EQ(rows[0]["lockedOutSince"], "2026-12-08T10:10:00+01:00");
    EXPECT_EQ(rows[0]["unlocksAt"], "2026-12-08T10:45:40+01:00");
    // Locked until an administrator resets it.
    EXPECT_EQ(rows[1]["unlocksAt"], QJsonValue());
    EXPECT_EQ(rows[1]["lastFailedLogon"], QJsonValue());
    // Not locked out: no lockout dates, whatever the file says.
    EXPECT_EQ(rows[2]["lastFailedLogon"], "2026-12-08T14:00:00+01:00");
    EXPECT_EQ(rows[2]["lockedOutSince"], QJsonValue());

    r = run({"--directory", made, "--show", QString::fromUtf8("jo\x1bhn"), "--server", "dc.test"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "jo\\x1bhn: locked\n"
                     "Failed logons: 4\n"
                     "Last failed logon: 2026-12-08 10:15:40 +01:00 from ws\\x07-17\n"
                     "Locked out since: 2026-12-08 10:10:00 +01:00\n"
                     "Unlocks at: 2026-12-08 10:45:40 +01:00\n");
    r = run({"--directory", made, "--show", "kim", "--server", "dc.test"});
    EXPECT_TRUE(r.out.endsWith("Unlocks at: only when an administrator resets it\n"))
        << r.out.toStdString();

    // The reset clears the count and the lockout's dates, in the file too.
    EXPECT_EQ(run({"--directory", made, "--unlock", "kim", "dc.test"}).status, 0);
    r = run({"--directory", made, "--show", "kim", "--server", "dc.test"});
    EXPECT_EQ(r.out, "kim:\nFailed logons: 0\nLast failed logon: never\n"
                     "Locked out since: not locked out\n");
    r = run({"--directory", made, "--show", "nobody", "--server", "dc.test"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Error 2221 returned from NetUserGetInfo\n");
    // One account, the server by --server only, and no JSON form.
    for (const QStringList &wrong :
         {QStringList{"--show", "kim", "dc.test"}, QStringList{"--show", "kim", "--json"},
          QStringList{"--show", "kim", "--unlock", "kim"}})
        EXPECT_EQ(run(wrong).status, 2) << wrong.join(' ').toStdString();
}

TEST_F(CommandLine, ADetailsTimeWithoutItsOffsetIsRefusedWithItsPlace)
{
    for (const char *time : {"\"2026-12-08T09:15:40\"", "\"yesterday\"", "1765185340"}) {
        const QString made =
            writeDirectory(QByteArray(R"({ "servers": [ { "name": "dc.test", "accounts": [
    { "name": "a", "lockedOutSince": )") +
                           time + " } ] } ] }");
        const Outcome r = run({"--directory", made, "--list", "dc.test"});
        EXPECT_EQ(r.status, 2) << time;
        EXPECT_TRUE(r.err.contains(":2: ") && r.err.contains("ISO 8601 with its offset"))
            << r.err.toStdString();
    }
}
