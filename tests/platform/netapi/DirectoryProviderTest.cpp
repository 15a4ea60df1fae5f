#include "platform/netapi/DirectoryProvider.h"

#include "platform/netapi/NetApi.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <latch>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using netapi::DirectoryProvider;

const char *const sampleDirectory = R"({
  "comment": "kept as it is",
  "servers": [
    { "name": "dc01.corp.example.com",
      "accounts": [
        { "name": "jsmith", "fullName": "John Smith", "comment": "Sales", "lockedOut": true },
        { "name": "amüller", "fullName": "Anna Müller", "disabled": true, "extra": [1, 2] },
        { "name": "broken", "fullName": "Broken Lookup", "lookupResult": 5 },
        { "name": "zeta", "fullName": "Ζήτα", "lockedOut": true, "disabled": true }
      ] },
    { "name": "denied", "enumResult": 5 },
    { "name": "bdc", "setResult": 2226,
      "accounts": [ { "name": "kim", "lockedOut": true } ] },
    { "name": "flaky", "enumResult": 53, "enumFailsAfter": 2,
      "accounts": [ { "name": "a" }, { "name": "b" }, { "name": "c" } ] },
    { "name": "big", "generate": { "count": 100, "prefix": "user", "lockedOutEvery": 10,
                                    "disabledEvery": 7 } },
    { "name": "", "accounts": [ { "name": "local" } ] }
  ]
}
)";

class DirectoryFile : public ::testing::Test
{
protected:
    std::string write(const QByteArray &content, const QString &name = "directory.json")
    {
        QFile file(m_dir.file(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName().toStdString();
    }

    static QByteArray read(const std::string &path)
    {
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    // The error message for a file with this content.
    std::string loadError(const QByteArray &content)
    {
        std::string error;
        const std::string path = write(content);
        EXPECT_EQ(DirectoryProvider::load(path, error), nullptr);
        EXPECT_EQ(error.rfind(path + ":", 0), 0u) << error;
        return error.substr(path.size());
    }

    struct Listed
    {
        std::vector<std::string> names;
        std::vector<std::size_t> batches;
        std::uint32_t status = 0;
    };

    static Listed list(DirectoryProvider &provider, const std::string &server,
                       std::uint32_t prefMaxLen = 1)
    {
        Listed listed;
        std::uint32_t resume = 0;
        do {
            std::vector<netapi::AccountEntry> batch;
            listed.status =
                provider.enumerate(server, FILTER_NORMAL_ACCOUNT, prefMaxLen, resume, batch);
            listed.batches.push_back(batch.size());
            for (const auto &entry : batch)
                listed.names.push_back(entry.name);
        } while (listed.status == ERROR_MORE_DATA && listed.batches.size() < 1000);
        return listed;
    }

    TempDir m_dir;
};

TEST_F(DirectoryFile, AMalformedFileIsRefusedNamingFileAndLine)
{
    EXPECT_EQ(loadError("{\n  \"servers\": [\n    { \"name\": \"x\", \n"),
              ":4: not valid JSON: unterminated object");
    EXPECT_EQ(loadError("{ \"servers\": [],\n \"x\": 1, \"\\u0078\": 2 }"),
              ":2: member \"x\" is given twice in one object");
}

TEST_F(DirectoryFile, UnreadableFileIsRefusedNamingIt)
{
    const std::string missing = m_dir.file("nothing.json").toStdString();
    EXPECT_THROW(DirectoryProvider provider(missing), netapi::DirectoryFileError);
    std::string error;
    EXPECT_EQ(DirectoryProvider::load(missing, error), nullptr);
    EXPECT_EQ(error.rfind(missing + ": cannot read", 0), 0u) << error;
}

TEST_F(DirectoryFile, ListsInFileOrderOneAccountPerCallUntilTheLast)
{
    DirectoryProvider provider(write(sampleDirectory));
    const Listed listed = list(provider, "DC01.Corp.Example.com");
    EXPECT_EQ(listed.status, NERR_Success);
    EXPECT_EQ(listed.names, (std::vector<std::string>{"jsmith", "amüller", "broken", "zeta"}));
    EXPECT_EQ(listed.batches, (std::vector<std::size_t>{1, 1, 1, 1}));
    EXPECT_EQ(list(provider, "dc01.corp.example.com", MAX_PREFERRED_LENGTH).batches,
              std::vector<std::size_t>{4});
    EXPECT_EQ(list(provider, "").names, std::vector<std::string>{"local"});
}

TEST_F(DirectoryFile, ScriptedServerFaults)
{
    DirectoryProvider provider(write(sampleDirectory));
    EXPECT_EQ(list(provider, "unknown").status, NERR_InvalidComputer);
    const Listed denied = list(provider, "denied");
    EXPECT_EQ(denied.status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(denied.batches, std::vector<std::size_t>{0});
    const Listed flaky = list(provider, "flaky");
    EXPECT_EQ(flaky.status, ERROR_BAD_NETPATH);
    EXPECT_EQ(flaky.names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(flaky.batches, (std::vector<std::size_t>{1, 1, 0}));

    netapi::AccountInfo info;
    EXPECT_EQ(provider.getInfo("unknown", "jsmith", info), NERR_InvalidComputer);
    EXPECT_EQ(provider.getInfo("dc01.corp.example.com", "nobody", info), NERR_UserNotFound);
    EXPECT_EQ(provider.getInfo("dc01.corp.example.com", "broken", info), ERROR_ACCESS_DENIED);
    EXPECT_EQ(provider.setFlags("unknown", "jsmith", 0), NERR_InvalidComputer);
    EXPECT_EQ(provider.setFlags("dc01.corp.example.com", "nobody", 0), NERR_UserNotFound);
    EXPECT_EQ(provider.setFlags("bdc", "kim", UF_NORMAL_ACCOUNT), NERR_NotPrimary);
    ASSERT_EQ(provider.getInfo("bdc", "kim", info), NERR_Success);
    EXPECT_TRUE(info.flags & UF_LOCKOUT);
}

TEST_F(DirectoryFile, LookupIgnoresCaseOfAccountNamesAndReportsFlags)
{
    DirectoryProvider provider(write(sampleDirectory));
    netapi::AccountInfo info;
    ASSERT_EQ(provider.getInfo("dc01.corp.example.com", "AMÜLLER", info), NERR_Success);
    EXPECT_EQ(info.name, "amüller");
    EXPECT_EQ(info.fullName, "Anna Müller");
    EXPECT_EQ(info.flags, UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE);
    ASSERT_EQ(provider.getInfo("dc01.corp.example.com", "zeta", info), NERR_Success);
    EXPECT_EQ(info.flags, UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE | UF_LOCKOUT);
}

TEST_F(DirectoryFile, GeneratedAccountsFollowTheirRule)
{
    DirectoryProvider provider(write(sampleDirectory));
    const Listed listed = list(provider, "big", MAX_PREFERRED_LENGTH);
    ASSERT_EQ(listed.names.size(), 100u);
    EXPECT_EQ(listed.names.front(), "user1");
    EXPECT_EQ(listed.names.back(), "user100");
    netapi::AccountInfo info;
    ASSERT_EQ(provider.getInfo("big", "USER70", info), NERR_Success);
    EXPECT_EQ(info.name, "user70");
    EXPECT_EQ(info.flags, UF_NORMAL_ACCOUNT | UF_LOCKOUT | UF_ACCOUNTDISABLE);
    for (const char *notGenerated : {"user0", "user007", "user101", "user", "user1x", "usr1"})
        EXPECT_EQ(provider.getInfo("big", notGenerated, info), NERR_UserNotFound) << notGenerated;
    // A reset of a generated account holds for the run; the file keeps only the rule.
    const QByteArray before = read(provider.path());
    EXPECT_EQ(provider.setFlags("big", "user10", UF_NORMAL_ACCOUNT), NERR_Success);
    ASSERT_EQ(provider.getInfo("big", "user10", info), NERR_Success);
    EXPECT_FALSE(info.flags & UF_LOCKOUT);
    EXPECT_EQ(read(provider.path()), before);
}

TEST_F(DirectoryFile, ResetWritesOnlyThatAccountBackAndKeepsTheRest)
{
    const std::string path = write(sampleDirectory);
    {
        DirectoryProvider provider(path);
        EXPECT_EQ(provider.setFlags("dc01.corp.example.com", "JSMITH", UF_NORMAL_ACCOUNT),
                  NERR_Success);
        EXPECT_TRUE(provider.lastWriteError().empty());
        netapi::AccountInfo info;
        ASSERT_EQ(provider.getInfo("dc01.corp.example.com", "jsmith", info), NERR_Success);
        EXPECT_EQ(info.flags, UF_NORMAL_ACCOUNT);
    }
    const QJsonObject before = QJsonDocument::fromJson(sampleDirectory).object();
    QJsonObject after = QJsonDocument::fromJson(read(path)).object();
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"directory.json"});

    // Put the one change back by hand: then nothing else may differ.
    QJsonObject expected = before;
    QJsonArray servers = expected["servers"].toArray();
    QJsonObject server = servers[0].toObject();
    QJsonArray accounts = server["accounts"].toArray();
    QJsonObject account = accounts[0].toObject();
    account["lockedOut"] = false;
    account["disabled"] = false;
    accounts[0] = account;
    server["accounts"] = accounts;
    servers[0] = server;
    expected["servers"] = servers;
    EXPECT_EQ(after, expected);

    // And a fresh load sees the reset.
    DirectoryProvider reloaded(path);
    netapi::AccountInfo info;
    ASSERT_EQ(reloaded.getInfo("dc01.corp.example.com", "jsmith", info), NERR_Success);
    EXPECT_FALSE(info.flags & UF_LOCKOUT);
}

TEST_F(DirectoryFile, AByteOrderMarkInAnyTextIsKeptOnLoadAndOnWriteBack)
{
    // Written out as UTF-8, and as an escape: the same name either way, and
    // not the administrator's.
    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray content = R"({ "servers": [ { "name": ")" + bom + R"(dc", "accounts": [
        { "name": ")" + bom + R"(admin", "fullName": ")" +
                               bom + R"(Admin )" + bom + R"(", "lockedOut": true, ")" + bom +
                               R"(note": ")" + bom + R"(" },
        { "name": "\ufeffroot", "lockedOut": true },
        { "name": "admin", "fullName": "\\ufeff is six characters", "lockedOut": true } ] } ] })";
    const std::string path = write(content);
    const auto names = [&](DirectoryProvider &provider) {
        std::vector<std::string> shown;
        for (const std::string &name : list(provider, bom.toStdString() + "dc").names) {
            netapi::AccountInfo info;
            EXPECT_EQ(provider.getInfo(bom.toStdString() + "dc", name, info), NERR_Success);
            shown.push_back(name + "|" + info.fullName + "|" +
                            ((info.flags & UF_LOCKOUT) ? "locked" : "-"));
        }
        return shown;
    };
    const std::string b = bom.toStdString();
    {
        DirectoryProvider provider(path);
        EXPECT_EQ(names(provider),
                  (std::vector<std::string>{b + "admin|" + b + "Admin " + b + "|locked",
                                            b + "root||locked",
                                            "admin|\\ufeff is six characters|locked"}));
        EXPECT_EQ(list(provider, "dc").status, NERR_InvalidComputer);
        ASSERT_EQ(provider.setFlags(b + "dc", b + "admin", UF_NORMAL_ACCOUNT), NERR_Success);
    }
    // The write-back holds every mark, the member name's too, and loads again
    // the same, with only that account reset.
    const QJsonObject written =
        QJsonDocument::fromJson(read(path).replace(bom, "\\ufeff")).object();
    const QJsonObject account = written["servers"][0]["accounts"][0].toObject();
    EXPECT_EQ(account["name"].toString(), QString(QChar(0xFEFF)) + "admin");
    EXPECT_EQ(account[QString(QChar(0xFEFF)) + "note"].toString(), QString(QChar(0xFEFF)));
    DirectoryProvider reloaded(path);
    EXPECT_EQ(names(reloaded),
              (std::vector<std::string>{b + "admin|" + b + "Admin " + b + "|-", b + "root||locked",
                                        "admin|\\ufeff is six characters|locked"}));
}

TEST_F(DirectoryFile, LockoutCannotBeSetAndUnchangedFlagsWriteNothing)
{
    const std::string path = write(sampleDirectory);
    DirectoryProvider provider(path);
    EXPECT_EQ(provider.setFlags("dc01.corp.example.com", "broken", UF_LOCKOUT), NERR_Success);
    EXPECT_EQ(provider.setFlags("dc01.corp.example.com", "zeta",
                                UF_NORMAL_ACCOUNT | UF_LOCKOUT | UF_ACCOUNTDISABLE),
              NERR_Success);
    EXPECT_EQ(read(path), QByteArray(sampleDirectory));
}

TEST_F(DirectoryFile, FailedWriteBackLosesNothing)
{
    const QString sub = m_dir.file("sub");
    ASSERT_TRUE(QDir().mkpath(sub));
    const std::string path = write(sampleDirectory, "sub/directory.json");
    DirectoryProvider provider(path);
    ASSERT_TRUE(QDir(sub).removeRecursively());
    EXPECT_EQ(provider.setFlags("dc01.corp.example.com", "jsmith", 0), ERROR_WRITE_FAULT);
    // The file is gone: whoever removed it changed it.
    EXPECT_NE(provider.lastWriteError().find("changed by another program"), std::string::npos);
    netapi::AccountInfo info;
    ASSERT_EQ(provider.getInfo("dc01.corp.example.com", "jsmith", info), NERR_Success);
    EXPECT_TRUE(info.flags & UF_LOCKOUT);
}

TEST_F(DirectoryFile, FileChangedByAnotherProgramIsNotOverwritten)
{
    const std::string path = write(sampleDirectory);
    DirectoryProvider provider(path);
    QByteArray edited = QByteArray(sampleDirectory).replace("John Smith", "John Q. Smith");
    write(edited);
    EXPECT_EQ(provider.setFlags("dc01.corp.example.com", "jsmith", 0), ERROR_WRITE_FAULT);
    EXPECT_NE(provider.lastWriteError().find("changed by another program"), std::string::npos);
    EXPECT_EQ(read(path), edited);
}

TEST_F(DirectoryFile, AFileSwappedForALinkIsNotWrittenThrough)
{
    const std::string path = write(sampleDirectory);
    DirectoryProvider provider(path);
    TempDir elsewhere;
    QFile victim(elsewhere.file("victim"));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("untouched\n");
    victim.close();
    // Swapped after loading: a link to a file that is there, then to one that is not.
    for (const QString &target : {elsewhere.file("victim"), elsewhere.file("created")}) {
        ASSERT_TRUE(QFile::remove(QString::fromStdString(path)));
        ASSERT_TRUE(QFile::link(target, QString::fromStdString(path)));
        EXPECT_EQ(provider.setFlags("dc01.corp.example.com", "jsmith", 0), ERROR_WRITE_FAULT);
        EXPECT_NE(provider.lastWriteError().find("changed by another program"), std::string::npos);
    }
    EXPECT_EQ(read(elsewhere.file("victim").toStdString()), "untouched\n");
    EXPECT_FALSE(QFile::exists(elsewhere.file("created")));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isSymLink());
}

TEST_F(DirectoryFile, AResetKeepsTheFilesOwnerAndMode)
{
    const std::string path = write(sampleDirectory);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    DirectoryProvider provider(path);
    ASSERT_EQ(provider.setFlags("dc01.corp.example.com", "jsmith", 0), NERR_Success);
    struct stat st
    {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"directory.json"});
}

TEST_F(DirectoryFile, TwoResetsAtOnceNeverLoseOne)
{
    // Each round, two programs reset different accounts of the same file at
    // the same moment: a reset reported as done must be in the file.
    for (int round = 0; round < 20; ++round) {
        const std::string path = write(sampleDirectory);
        DirectoryProvider first(path);
        DirectoryProvider second(path);
        std::latch start(2);
        std::uint32_t results[2] = {};
        std::thread a([&] {
            start.arrive_and_wait();
            results[0] = first.setFlags("dc01.corp.example.com", "jsmith", 0);
        });
        std::thread b([&] {
            start.arrive_and_wait();
            results[1] = second.setFlags("dc01.corp.example.com", "zeta", UF_ACCOUNTDISABLE);
        });
        a.join();
        b.join();
        EXPECT_TRUE(results[0] == NERR_Success || results[1] == NERR_Success);
        DirectoryProvider after(path);
        netapi::AccountInfo info;
        ASSERT_EQ(after.getInfo("dc01.corp.example.com", "jsmith", info), NERR_Success);
        EXPECT_EQ(results[0] == NERR_Success, !(info.flags & UF_LOCKOUT)) << "round " << round;
        ASSERT_EQ(after.getInfo("dc01.corp.example.com", "zeta", info), NERR_Success);
        EXPECT_EQ(results[1] == NERR_Success, !(info.flags & UF_LOCKOUT)) << "round " << round;
    }
}

TEST_F(DirectoryFile, TheDemoDirectoryLoadsAndHoldsWhatTheReadmePromises)
{
    DirectoryProvider provider(sourcePath("examples/demo-directory.json").toStdString());
    const std::string domain = "dc01.ad.corp.example.com";
    ASSERT_GT(domain.size(), 21u);
    std::vector<netapi::AccountEntry> all;
    std::uint32_t resume = 0;
    ASSERT_EQ(provider.enumerate(domain, FILTER_NORMAL_ACCOUNT, MAX_PREFERRED_LENGTH, resume, all),
              NERR_Success);
    EXPECT_GE(all.size(), 140u);
    int locked = 0, disabled = 0, both = 0;
    bool nonAscii = false;
    for (const auto &entry : all) {
        netapi::AccountInfo info;
        ASSERT_EQ(provider.getInfo(domain, entry.name, info), NERR_Success) << entry.name;
        locked += (info.flags & UF_LOCKOUT) ? 1 : 0;
        disabled += (info.flags & UF_ACCOUNTDISABLE) ? 1 : 0;
        both += (info.flags & UF_LOCKOUT) && (info.flags & UF_ACCOUNTDISABLE) ? 1 : 0;
        nonAscii = nonAscii || std::any_of(entry.fullName.begin(), entry.fullName.end(),
                                           [](char c) { return c & 0x80; });
    }
    EXPECT_EQ(locked, 10);
    EXPECT_EQ(disabled, 12);
    EXPECT_EQ(both, 3);
    EXPECT_TRUE(nonAscii);
    EXPECT_EQ(list(provider, "").status, NERR_Success);
}

} // namespace
