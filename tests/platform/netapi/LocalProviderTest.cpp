#include "platform/netapi/LocalProvider.h"

#include "platform/netapi/NetApi.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using netapi::LocalProvider;

constexpr std::int64_t now = 1'700'000'000; // day 19675
constexpr std::int64_t today = now / 86400;

// A small Linux system under a temporary folder.
class LocalComputer : public ::testing::Test
{
protected:
    LocalComputer()
    {
        put("etc/passwd", "root:x:0:0:root:/root:/bin/bash\n"
                          "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n"
                          "jsmith:x:1000:1000:John Smith,Room 12,555-1234:/home/jsmith:/bin/bash\n"
                          "+nisuser::::::\n"
                          "garbage line\n"
                          "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n"
                          "amüller:x:1001:1001:Anna Müller:/home/amueller:/bin/bash\n"
                          ".hidden:x:1002:1002::/:/bin/false\n"
                          "expired:x:1003:1003:Old Account:/home/old:/bin/bash\n"
                          "pat:x:1004:1004::/home/pat:/bin/bash");
        put("etc/shadow", "root:*:19000:0:99999:7:::\n"
                          "jsmith:$6$salt$hash:19000:0:99999:7:::\n"
                          "amüller:!$6$salt$hash:19000:0:99999:7:::\n"
                          "expired:$6$x:19000:0:99999:7::" +
                              std::to_string(today) +
                              ":\n"
                              "pat:$6$x:19000:0:99999:7::" +
                              std::to_string(today + 1) + ":\n");
        put("etc/group", "root:x:0:\nwheel:x:10:jsmith,other\nstaff:x:1004:\n");
        // pam_faillock with its settings from faillock.conf, as most systems use it.
        put("etc/pam.d/common-auth", "auth required pam_faillock.so preauth\n"
                                     "auth required pam_unix.so\n");
    }

    void put(const std::string &relative, const std::string &content)
    {
        const QString path = dir.file(QString::fromStdString(relative));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content.data(), static_cast<qint64>(content.size()));
    }

    // pam_faillock's records: (time, status) pairs.
    void tally(const std::string &user, const std::vector<std::pair<std::int64_t, int>> &records,
               const std::string &folder = "var/run/faillock", std::size_t extraBytes = 0)
    {
        std::string content;
        for (const auto &[time, status] : records) {
            char record[64] = {};
            std::strcpy(record, "tty1");
            const auto s = static_cast<std::uint16_t>(status);
            const auto t = static_cast<std::uint64_t>(time);
            std::memcpy(record + 54, &s, 2);
            std::memcpy(record + 56, &t, 8);
            content.append(record, 64);
        }
        content.append(extraBytes, '\x01');
        put(folder + "/" + user, content);
    }

    LocalProvider::Options options(std::function<int(const std::string &, bool)> access = {})
    {
        LocalProvider::Options options;
        options.root = dir.pathUtf8() + "/";
        options.now = [] { return now; };
        options.access = [this, access](const std::string &path, bool write) {
            opened.push_back(path);
            return access ? access(path, write) : 0;
        };
        return options;
    }

    LocalProvider provider(std::function<int(const std::string &, bool)> access = {})
    {
        return LocalProvider(options(std::move(access)));
    }

    std::uint32_t flagsOf(const std::string &user, std::uint32_t expectedStatus = NERR_Success)
    {
        netapi::AccountInfo info;
        EXPECT_EQ(provider().getInfo("", user, info), expectedStatus) << user;
        return info.flags;
    }

    std::vector<std::string> listed(std::uint32_t prefMaxLen = MAX_PREFERRED_LENGTH)
    {
        LocalProvider local = provider();
        std::vector<netapi::AccountEntry> entries;
        std::uint32_t resume = 0;
        std::uint32_t status = 0;
        int calls = 0;
        do {
            status = local.enumerate("", FILTER_NORMAL_ACCOUNT, prefMaxLen, resume, entries);
        } while (status == ERROR_MORE_DATA && ++calls < 100);
        EXPECT_EQ(status, NERR_Success);
        std::vector<std::string> names;
        for (const auto &e : entries)
            names.push_back(e.name + "|" + e.fullName);
        return names;
    }

    // The accounts a listing marks locked out, looked up as the listing hands them out.
    std::set<std::string> lockedInListing()
    {
        LocalProvider local = provider();
        std::set<std::string> locked;
        std::uint32_t resume = 0, status = 0;
        do {
            std::vector<netapi::AccountEntry> batch;
            status = local.enumerate("", FILTER_NORMAL_ACCOUNT, 1, resume, batch);
            for (const netapi::AccountEntry &entry : batch) {
                netapi::AccountInfo info;
                EXPECT_EQ(local.getInfo("", entry.name, info), NERR_Success) << entry.name;
                if (info.flags & UF_LOCKOUT)
                    locked.insert(entry.name);
            }
        } while (status == ERROR_MORE_DATA);
        EXPECT_EQ(status, NERR_Success);
        return locked;
    }

    std::int64_t tallySize(const std::string &user)
    {
        return QFileInfo(dir.file(QString::fromStdString("var/run/faillock/" + user))).size();
    }

    TempDir dir;
    std::vector<std::string> opened;
};

// The account calls over this computer's accounts, for as long as it lives.
struct InstalledLocally
{
    explicit InstalledLocally(std::shared_ptr<LocalProvider> local)
    {
        netapi::installProviders(local, local);
    }
    ~InstalledLocally() { netapi::installProviders(nullptr, nullptr); }
    InstalledLocally(const InstalledLocally &) = delete;
    InstalledLocally &operator=(const InstalledLocally &) = delete;
};

TEST_F(LocalComputer, ListsNormalAccountsInFileOrderWithTheFirstGecosField)
{
    EXPECT_EQ(listed(), (std::vector<std::string>{"jsmith|John Smith", "amüller|Anna Müller",
                                                  "expired|Old Account", "pat|"}));
    EXPECT_EQ(listed(1).size(), 4u);
}

TEST_F(LocalComputer, UidRangeComesFromLoginDefs)
{
    put("etc/login.defs", "# comment UID_MIN 0\nMAIL_DIR /var/mail\nUID_MIN\t 1001\n"
                          "UID_MAX   1003\nUID_MAX_BOGUS 1\n");
    EXPECT_EQ(listed(), (std::vector<std::string>{"amüller|Anna Müller", "expired|Old Account"}));
    put("etc/login.defs", "UID_MIN 0\nUID_MAX 1\n");
    EXPECT_EQ(listed(), (std::vector<std::string>{"root|root", "daemon|daemon"}));
    put("etc/login.defs", "UID_MIN nonsense\n");
    EXPECT_EQ(listed().size(), 4u);
}

TEST_F(LocalComputer, DisabledMeansALockedPasswordOrAnExpiryDayThatHasCome)
{
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    EXPECT_EQ(flagsOf("amüller"), UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE);
    EXPECT_EQ(flagsOf("expired"), UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE);
    EXPECT_EQ(flagsOf("pat"), UF_NORMAL_ACCOUNT);
    netapi::AccountInfo info;
    ASSERT_EQ(provider().getInfo("", "jsmith", info), NERR_Success);
    EXPECT_EQ(info.fullName, "John Smith");
    EXPECT_EQ(info.userId, 1000u);
}

TEST_F(LocalComputer, LockedOutWhenEnoughRecentFailuresAreInTheTally)
{
    tally("jsmith", {{now - 100, 1}, {now - 50, 1}, {now - 10, 5}});
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    // Records without the valid bit do not count, nor does a torn last record.
    tally("jsmith", {{now - 100, 1}, {now - 50, 0}, {now - 10, 6}}, "var/run/faillock", 30);
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    // Only failures within fail_interval (900 s) before the newest count.
    tally("jsmith", {{now - 1000, 1}, {now - 50, 1}, {now - 10, 1}});
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    // The lock ends unlock_time (600 s) after the newest failure.
    tally("jsmith", {{now - 700, 1}, {now - 650, 1}, {now - 601, 1}});
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    tally("jsmith", {{now - 700, 1}, {now - 650, 1}, {now - 600, 1}});
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
}

TEST_F(LocalComputer, FaillockConfIsHonoured)
{
    put("etc/security/faillock.conf", "# deny = 1\n dir = /var/lib/faillock \ndeny=2\n"
                                      "fail_interval = 60\nunlock_time = never\nsilent\n");
    tally("jsmith", {{now - 100000, 1}, {now - 99990, 1}}, "var/lib/faillock");
    tally("amüller", {{now - 30, 1}, {now - 10, 1}}); // the default folder: not read
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    EXPECT_EQ(flagsOf("amüller"), UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE);
    put("etc/security/faillock.conf", "dir = /var/lib/faillock\nfail_interval = 5\n");
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
}

TEST_F(LocalComputer, EachPamFaillockLineDecidesWithItsOwnSettings)
{
    put("etc/security/faillock.conf", "deny = 10\ndir = /var/lib/faillock\n");
    put("etc/pam.d/common-auth",
        "# deny=1 in a comment counts for nothing\n"
        "auth  requisite  pam_faillock.so preauth \\\n      deny=2 dir=/run/tally\n"
        "auth  [success=1 default=ignore]  pam_unix.so nullok deny=1\n"
        "auth  [default=die]  /usr/lib/security/pam_faillock.so authfail unlock_time=never\n");
    // The first line: deny 2 in /run/tally, for 600 s; the second: deny 10 in
    // /var/lib/faillock, until reset. Neither takes the other's arguments.
    tally("jsmith", {{now - 100000, 1}, {now - 99990, 1}}, "run/tally");
    tally("pat", {{now - 100000, 1}, {now - 99999, 1}, {now - 99998, 1}}, "var/lib/faillock");
    tally("amüller", {{now - 20, 1}, {now - 10, 1}}, "run/tally");
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    EXPECT_EQ(flagsOf("pat"), UF_NORMAL_ACCOUNT);
    EXPECT_EQ(flagsOf("amüller"), UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE | UF_LOCKOUT);
    std::vector<std::pair<std::int64_t, int>> ten(10, {now - 100000, 1});
    tally("pat", ten, "var/lib/faillock");
    EXPECT_EQ(flagsOf("pat"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    // A listing, which lists each folder once, marks the same.
    EXPECT_EQ(lockedInListing(), (std::set<std::string>{"amüller", "pat"}));
    // The reset empties the tally in both folders.
    tally("pat", {{now - 1, 1}}, "run/tally");
    EXPECT_EQ(provider().setFlags("", "pat", UF_NORMAL_ACCOUNT), NERR_Success);
    EXPECT_EQ(QFileInfo(dir.file("var/lib/faillock/pat")).size(), 0);
    EXPECT_EQ(QFileInfo(dir.file("run/tally/pat")).size(), 0);

    // conf= names another settings file, and the arguments still win over it.
    put("etc/pam.d/common-auth", "auth required pam_faillock.so preauth conf=/etc/other.conf "
                                 "deny=1\n");
    put("etc/other.conf", "dir = /run/other\nunlock_time = 60\n");
    tally("jsmith", {{now - 30, 1}}, "run/other");
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    tally("jsmith", {{now - 61, 1}}, "run/other");
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
}

// sshd at deny=10 beside the default deny=3: four failures lock the account
// out of every service that uses the default.
TEST_F(LocalComputer, LockedOutWhenAnyServiceWouldRefuse)
{
    put("etc/pam.d/sshd", "auth required pam_faillock.so preauth deny=10\n"
                          "auth required pam_unix.so\n");
    tally("jsmith", {{now - 4, 1}, {now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    EXPECT_EQ(provider().setFlags("", "jsmith", UF_NORMAL_ACCOUNT), NERR_Success);
    EXPECT_EQ(tallySize("jsmith"), 0);
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);

    // With no service's auth stack using pam_faillock, a tally refuses
    // nobody; the account stack's line still has its tally emptied.
    QFile::remove(dir.file("etc/pam.d/sshd"));
    put("etc/pam.d/common-auth", "auth required pam_unix.so\n"
                                 "account required pam_faillock.so\n");
    tally("jsmith", {{now - 4, 1}, {now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    EXPECT_EQ(provider().setFlags("", "jsmith", UF_NORMAL_ACCOUNT), NERR_Success);
    EXPECT_EQ(tallySize("jsmith"), 0);
    // Its settings file missing, that line fails every logon all the same.
    put("etc/pam.d/common-auth", "account required pam_faillock.so conf=/etc/missing.conf\n");
    EXPECT_EQ(flagsOf("jsmith", ERROR_FILE_NOT_FOUND), 0u);
}

TEST_F(LocalComputer, RootAndAdminGroupMembersAreLockedOnlyWithEvenDenyRoot)
{
    const std::vector<std::pair<std::int64_t, int>> recent = {
        {now - 40, 1}, {now - 39, 1}, {now - 38, 1}};
    for (const char *user : {"root", "jsmith", "pat"})
        tally(user, recent);
    // root_unlock_time alone does not deny root.
    put("etc/pam.d/common-auth", "auth required pam_faillock.so preauth root_unlock_time=30 "
                                 "admin_group=wheel\n");
    EXPECT_EQ(flagsOf("root"), UF_NORMAL_ACCOUNT);
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT); // listed in wheel
    EXPECT_EQ(flagsOf("pat"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    put("etc/pam.d/common-auth", "auth required pam_faillock.so preauth admin_group=staff\n");
    EXPECT_EQ(flagsOf("pat"), UF_NORMAL_ACCOUNT); // in staff by its primary group
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);

    // With even_deny_root they are refused, for root_unlock_time.
    put("etc/pam.d/common-auth",
        "auth required pam_faillock.so preauth even_deny_root root_unlock_time=39 "
        "admin_group=wheel\n");
    EXPECT_EQ(flagsOf("root"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    tally("root", {{now - 42, 1}, {now - 41, 1}, {now - 40, 1}});
    tally("jsmith", {{now - 42, 1}, {now - 41, 1}, {now - 40, 1}});
    EXPECT_EQ(flagsOf("root"), UF_NORMAL_ACCOUNT);
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    EXPECT_EQ(flagsOf("pat"), UF_NORMAL_ACCOUNT | UF_LOCKOUT); // unlock_time, 600 s
}

// A service whose settings cannot be known, or that refuses everyone, is no
// service without lockouts.
TEST_F(LocalComputer, UnreadableOrBrokenSettingsLeaveTheLockoutUnknown)
{
    tally("jsmith", {{now - 4, 1}});
    const auto refuse = [](const std::string &suffix) {
        return
            [suffix](const std::string &path, bool) { return path.ends_with(suffix) ? EACCES : 0; };
    };
    netapi::AccountInfo info;
    EXPECT_EQ(provider(refuse("/etc/pam.d/common-auth")).getInfo("", "jsmith", info),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(provider(refuse("/etc/pam.d")).getInfo("", "jsmith", info), ERROR_ACCESS_DENIED);
    put("etc/security/faillock.conf", "deny = 3\n");
    EXPECT_EQ(provider(refuse("/etc/security/faillock.conf")).getInfo("", "jsmith", info),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(
        provider(refuse("/etc/security/faillock.conf")).setFlags("", "jsmith", UF_NORMAL_ACCOUNT),
        ERROR_ACCESS_DENIED);
    EXPECT_EQ(tallySize("jsmith"), 64);

    put("etc/security/faillock.conf", "dir = /" + std::string(1100, 'x') + "\n");
    EXPECT_EQ(flagsOf("jsmith", ERROR_BAD_CONFIGURATION), 0u);
    QFile::remove(dir.file("etc/security/faillock.conf"));
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);

    put("etc/pam.d/sshd", "auth required pam_faillock.so preauth conf=/etc/missing.conf\n");
    EXPECT_EQ(flagsOf("jsmith", ERROR_FILE_NOT_FOUND), 0u);
    put("etc/pam.d/sshd", "auth required pam_faillock.so preauth \\");
    EXPECT_EQ(flagsOf("jsmith", ERROR_BAD_CONFIGURATION), 0u);
    // A broken file that does not name pam_faillock changes no lockout.
    put("etc/pam.d/sshd", "auth required pam_unix.so \\");
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    // Nor does what is no service file.
    QFile::remove(dir.file("etc/pam.d/sshd"));
    QDir().mkpath(dir.file("etc/pam.d/subfolder"));
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
}

TEST_F(LocalComputer, ResetEmptiesTheTallyAndNothingElseCanBeWritten)
{
    tally("jsmith", {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    LocalProvider local = provider();
    EXPECT_EQ(local.setFlags("", "jsmith", UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE),
              ERROR_NOT_SUPPORTED);
    EXPECT_EQ(local.setFlags("", "jsmith", UF_NORMAL_ACCOUNT | UF_LOCKOUT), NERR_Success);
    EXPECT_EQ(tallySize("jsmith"), 192);
    EXPECT_EQ(local.setFlags("", "jsmith", UF_NORMAL_ACCOUNT), NERR_Success);
    EXPECT_EQ(tallySize("jsmith"), 0);
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT);
    // No tally at all: nothing to reset.
    EXPECT_EQ(local.setFlags("", "pat", UF_NORMAL_ACCOUNT), NERR_Success);
    EXPECT_EQ(local.setFlags("", "amüller", UF_NORMAL_ACCOUNT), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(local.setFlags("", "amüller", UF_NORMAL_ACCOUNT | UF_ACCOUNTDISABLE), NERR_Success);
}

// A user owns their tally and may put anything in its place.
TEST_F(LocalComputer, ATallyThatIsALinkIsNeitherReadNorEmptied)
{
    tally("victim", {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}}, "elsewhere");
    const QString victim = dir.file("elsewhere/victim");
    QDir().mkpath(dir.file("var/run/faillock"));
    ASSERT_TRUE(QFile::link(victim, dir.file("var/run/faillock/jsmith")));
    EXPECT_EQ(flagsOf("jsmith", ERROR_ACCESS_DENIED), 0u);
    EXPECT_EQ(provider().setFlags("", "jsmith", UF_NORMAL_ACCOUNT), ERROR_ACCESS_DENIED);
    EXPECT_EQ(QFileInfo(victim).size(), 192);
}

// The reset truncates a file as root: only in a folder nobody else can swap
// the tally in. Reading a tally from such a folder is still safe.
TEST_F(LocalComputer, NoResetInALockoutFolderSomeoneElseControls)
{
    tally("jsmith", {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    const QByteArray folder = QFile::encodeName(dir.file("var/run/faillock"));
    for (const mode_t mode : {01777, 0777, 0775}) {
        ASSERT_EQ(::chmod(folder.constData(), mode), 0);
        EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT) << std::oct << mode;
        EXPECT_EQ(provider().setFlags("", "jsmith", UF_NORMAL_ACCOUNT), ERROR_ACCESS_DENIED)
            << std::oct << mode;
        EXPECT_EQ(tallySize("jsmith"), 192);
    }
    ASSERT_EQ(::chmod(folder.constData(), 0755), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(::chown(folder.constData(), 4242, 4242), 0);
        EXPECT_EQ(provider().setFlags("", "jsmith", UF_NORMAL_ACCOUNT), ERROR_ACCESS_DENIED);
        EXPECT_EQ(tallySize("jsmith"), 192);
        ASSERT_EQ(::chown(folder.constData(), 0, 0), 0);
    }
    EXPECT_EQ(provider().setFlags("", "jsmith", UF_NORMAL_ACCOUNT), NERR_Success);
    EXPECT_EQ(tallySize("jsmith"), 0);
}

TEST_F(LocalComputer, ATallyThatIsAFifoDoesNotHang)
{
    QDir().mkpath(dir.file("var/run/faillock"));
    const QByteArray fifo = QFile::encodeName(dir.file("var/run/faillock/jsmith"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    QElapsedTimer timer;
    timer.start();
    netapi::AccountInfo info;
    EXPECT_NE(provider().getInfo("", "jsmith", info), NERR_Success);
    EXPECT_NE(provider().setFlags("", "jsmith", UF_NORMAL_ACCOUNT), NERR_Success);
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST_F(LocalComputer, AHugeTallyIsReadNoFurtherThanPamReadsIt)
{
    // Three recent failures, then 1 GB of nothing (sparse, so it costs no disk).
    tally("jsmith", {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    const QByteArray path = QFile::encodeName(dir.file("var/run/faillock/jsmith"));
    ASSERT_EQ(::truncate(path.constData(), 1LL << 30), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(flagsOf("jsmith"), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    EXPECT_LT(timer.elapsed(), 1000);
    // Records past the first 1,024 are not read, as pam_faillock does not read them.
    tally("pat", {});
    std::vector<std::pair<std::int64_t, int>> records(1024, {now - 5000, 0});
    records.insert(records.end(), {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    tally("pat", records);
    EXPECT_EQ(flagsOf("pat"), UF_NORMAL_ACCOUNT);
}

TEST_F(LocalComputer, AResetWaitsForPamFaillocksLock)
{
    tally("jsmith", {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    const QByteArray path = QFile::encodeName(dir.file("var/run/faillock/jsmith"));
    // pam_faillock reading and rewriting the tally holds this lock.
    const int pam = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(pam, 0);
    ASSERT_EQ(::flock(pam, LOCK_EX), 0);
    LocalProvider local = provider();
    std::uint32_t result = 1;
    std::thread reset([&] { result = local.setFlags("", "jsmith", UF_NORMAL_ACCOUNT); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // pam_faillock's rewrite, with one more failure, lands before the reset.
    EXPECT_EQ(tallySize("jsmith"), 192);
    tally("jsmith", {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}, {now, 1}});
    ::close(pam);
    reset.join();
    EXPECT_EQ(result, NERR_Success);
    EXPECT_EQ(tallySize("jsmith"), 0);
}

TEST_F(LocalComputer, WithoutTheRightToReadOrWriteLookupAndResetAnswerAccessDenied)
{
    tally("jsmith", {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    auto refuse = [](const std::string &suffix, bool onlyWrites) {
        return [suffix, onlyWrites](const std::string &path, bool write) {
            return path.ends_with(suffix) && (write || !onlyWrites) ? EACCES : 0;
        };
    };
    netapi::AccountInfo info;
    EXPECT_EQ(provider(refuse("/etc/shadow", false)).getInfo("", "jsmith", info),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(provider(refuse("/faillock/jsmith", false)).getInfo("", "jsmith", info),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(provider(refuse("/etc/shadow", false)).setFlags("", "jsmith", UF_NORMAL_ACCOUNT),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(provider(refuse("/faillock/jsmith", true)).setFlags("", "jsmith", UF_NORMAL_ACCOUNT),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(tallySize("jsmith"), 192);
    // The listing needs only the world-readable files.
    EXPECT_EQ(provider(refuse("/etc/shadow", false))
                  .enumerate("", FILTER_NORMAL_ACCOUNT, MAX_PREFERRED_LENGTH,
                             *std::make_unique<std::uint32_t>(0).get(),
                             *std::make_unique<std::vector<netapi::AccountEntry>>()),
              NERR_Success);
}

TEST_F(LocalComputer, RealPermissionsAreHonouredWhenNotRoot)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file; the injected refusals above cover this";
    QFile::setPermissions(dir.file("etc/shadow"), QFileDevice::Permissions());
    EXPECT_EQ(flagsOf("jsmith", ERROR_ACCESS_DENIED), 0u);
}

TEST_F(LocalComputer, UnsafeUserNamesNeverBecomePaths)
{
    const std::vector<std::string> unsafe = {
        "../../etc/passwd",       "a/b",     ".hidden", ".", "tab\there",
        std::string("nul\0x", 5), "del\x7f", ""};
    for (const std::string &name : unsafe) {
        opened.clear();
        netapi::AccountInfo info;
        EXPECT_EQ(provider().getInfo("", name, info), NERR_UserNotFound) << name;
        EXPECT_EQ(provider().setFlags("", name, UF_NORMAL_ACCOUNT), NERR_UserNotFound) << name;
        EXPECT_TRUE(opened.empty()) << name;
    }
    // Nor are they listed, even when the passwd file holds one.
    for (const std::string &entry : listed())
        EXPECT_NE(entry.front(), '.');
}

TEST_F(LocalComputer, NamesAreCaseSensitiveAndOtherServersUnknown)
{
    EXPECT_EQ(flagsOf("JSMITH", NERR_UserNotFound), 0u);
    netapi::AccountInfo info;
    EXPECT_EQ(provider().getInfo("otherhost", "jsmith", info), NERR_InvalidComputer);
}

TEST_F(LocalComputer, MissingSystemFilesAreReportedOrDefaulted)
{
    // No shadow, no faillock.conf, no tally folder: plain accounts.
    QFile::remove(dir.file("etc/shadow"));
    EXPECT_EQ(flagsOf("amüller"), UF_NORMAL_ACCOUNT);
    QFile::remove(dir.file("etc/passwd"));
    std::vector<netapi::AccountEntry> entries;
    std::uint32_t resume = 0;
    EXPECT_EQ(provider().enumerate("", FILTER_NORMAL_ACCOUNT, 1, resume, entries),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(LocalComputer, AListingReadsEachFileOnceAndAResetReadsAfresh)
{
    // 20,000 more accounts: every 10th with a locked password, every 1,000th
    // with a tally that denies it now.
    constexpr int count = 20000;
    std::string passwd, shadow;
    for (int i = 0; i < count; ++i) {
        const std::string name = "user" + std::to_string(i);
        passwd += name + ":x:" + std::to_string(2000 + i) + ":100:Full " + name + ":/:/bin/sh\n";
        shadow += name + (i % 10 == 0 ? ":!$6$x" : ":$6$x") + ":19000:0:99999:7:::\n";
        if (i % 1000 == 0)
            tally(name, {{now - 30, 1}, {now - 20, 1}, {now - 10, 1}});
    }
    put("etc/passwd", passwd);
    put("etc/shadow", shadow);
    put("etc/security/faillock.conf", "deny = 3\n");

    LocalProvider local = provider();
    opened.clear();
    std::uint32_t resume = 0, status = 0;
    int listedCount = 0, disabled = 0, locked = 0;
    do {
        std::vector<netapi::AccountEntry> batch;
        status = local.enumerate("", FILTER_NORMAL_ACCOUNT, 1, resume, batch);
        for (const netapi::AccountEntry &entry : batch) {
            netapi::AccountInfo info;
            ASSERT_EQ(local.getInfo("", entry.name, info), NERR_Success) << entry.name;
            EXPECT_EQ(info.fullName, "Full " + entry.name);
            // The window asks for every account's details too.
            netapi::AccountDetails details;
            ASSERT_EQ(local.getDetails("", entry.name, details), NERR_Success) << entry.name;
            EXPECT_EQ(details.failedLogons, info.flags & UF_LOCKOUT ? 3U : 0U) << entry.name;
            EXPECT_EQ(details.unlocksAt.has_value(), (info.flags & UF_LOCKOUT) != 0) << entry.name;
            ++listedCount;
            disabled += (info.flags & UF_ACCOUNTDISABLE) != 0;
            locked += (info.flags & UF_LOCKOUT) != 0;
        }
    } while (status == ERROR_MORE_DATA);
    EXPECT_EQ(status, NERR_Success);
    EXPECT_EQ(listedCount, count);
    EXPECT_EQ(disabled, count / 10);
    EXPECT_EQ(locked, count / 1000);

    const auto opens = [this](const std::string &systemPath) {
        return std::count(opened.begin(), opened.end(), dir.pathUtf8() + systemPath);
    };
    for (const char *file :
         {"/etc/passwd", "/etc/shadow", "/etc/login.defs", "/etc/security/faillock.conf"})
        EXPECT_EQ(opens(file), 1) << file;
    // A tally that was there is read when its account is handled; one that
    // was not is not looked for.
    EXPECT_EQ(opens("/var/run/faillock/user1000"), 1);
    EXPECT_EQ(opens("/var/run/faillock/user1"), 0);

    // A lookup that no listing just handed out, as the reset's, reads the files
    // as they are now.
    put("etc/shadow", "user1:!$6$x:19000:0:99999:7:::\n");
    tally("user2", {{now - 30, 1}, {now - 20, 1}, {now - 10, 1}});
    netapi::AccountInfo info;
    ASSERT_EQ(local.getInfo("", "user1", info), NERR_Success);
    EXPECT_EQ(info.flags & (UF_ACCOUNTDISABLE | UF_LOCKOUT), UF_ACCOUNTDISABLE);
    ASSERT_EQ(local.getInfo("", "user2", info), NERR_Success);
    EXPECT_EQ(info.flags & (UF_ACCOUNTDISABLE | UF_LOCKOUT), UF_LOCKOUT);
    EXPECT_EQ(local.setFlags("", "user2", info.flags & ~UF_LOCKOUT), NERR_Success);
    EXPECT_EQ(tallySize("user2"), 0);

    // A file that cannot be read when a listing starts is the listing's answer
    // for every account it lists, as a lookup of its own would say.
    resume = 0;
    std::vector<netapi::AccountEntry> batch;
    LocalProvider refused = provider(
        [](const std::string &path, bool) { return path.ends_with("/etc/shadow") ? EACCES : 0; });
    ASSERT_EQ(refused.enumerate("", FILTER_NORMAL_ACCOUNT, 1, resume, batch), ERROR_MORE_DATA);
    EXPECT_EQ(refused.getInfo("", batch.front().name, info), ERROR_ACCESS_DENIED);
}

} // namespace

TEST_F(LocalComputer, NamesThatAreNotUtf8AreKeptAsBytesFromListingToReset)
{
    // Two Latin-1 names that UTF-8 decoding would both make "caf" + U+FFFD.
    put("etc/passwd", "caf\xE9:x:1010:1010:Caf\xE9 Latin-1:/home/a:/bin/sh\n"
                      "caf\xE8:x:1011:1011::/home/b:/bin/sh\n");
    put("etc/shadow", "caf\xE9:$6$x:19000:0:99999:7:::\ncaf\xE8:!$6$x:19000:0:99999:7:::\n");
    // Written by their bytes: a QString path would not name these files.
    const auto byteTally = [&](const std::string &user) {
        tally("placeholder", {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
        const std::string folder = dir.pathUtf8() + "/var/run/faillock/";
        ASSERT_EQ(::rename((folder + "placeholder").c_str(), (folder + user).c_str()), 0);
    };
    const auto byteTallySize = [&](const std::string &user) {
        struct stat st
        {};
        EXPECT_EQ(::stat((dir.pathUtf8() + "/var/run/faillock/" + user).c_str(), &st), 0);
        return st.st_size;
    };
    byteTally("caf\xE9");
    byteTally("caf\xE8");
    const InstalledLocally installed(std::make_shared<LocalProvider>(options()));

    LPBYTE buffer = nullptr;
    DWORD read = 0;
    DWORD total = 0;
    DWORD resume = 0;
    ASSERT_EQ(NetUserEnum(nullptr, 10, FILTER_NORMAL_ACCOUNT, &buffer, MAX_PREFERRED_LENGTH, &read,
                          &total, &resume),
              NERR_Success);
    ASSERT_EQ(read, 2u);
    const auto *records = reinterpret_cast<const USER_INFO_10 *>(buffer);
    const std::u16string first = records[0].usri10_name;
    const std::u16string second = records[1].usri10_name;
    EXPECT_EQ(first, u"caf\xDCE9");
    EXPECT_EQ(second, u"caf\xDCE8");
    EXPECT_EQ(std::u16string(records[0].usri10_full_name), u"Caf\xDCE9 Latin-1");
    NetApiBufferFree(buffer);

    // Each looked up by what the listing gave: two accounts, each its own.
    const auto flags = [](const std::u16string &user) {
        LPBYTE info = nullptr;
        EXPECT_EQ(NetUserGetInfo(nullptr, user.c_str(), 20, &info), NERR_Success);
        const DWORD f = info ? reinterpret_cast<const USER_INFO_20 *>(info)->usri20_flags : 0;
        NetApiBufferFree(info);
        return f;
    };
    EXPECT_EQ(flags(first), UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    EXPECT_EQ(flags(second), UF_NORMAL_ACCOUNT | UF_LOCKOUT | UF_ACCOUNTDISABLE);
    LPBYTE none = nullptr;
    EXPECT_EQ(NetUserGetInfo(nullptr, u"caf\uFFFD", 20, &none), NERR_UserNotFound);

    // The reset empties that account's tally and no other.
    USER_INFO_1008 unlocked{UF_NORMAL_ACCOUNT};
    EXPECT_EQ(
        NetUserSetInfo(nullptr, first.c_str(), 1008, reinterpret_cast<LPBYTE>(&unlocked), nullptr),
        NERR_Success);
    EXPECT_EQ(byteTallySize("caf\xE9"), 0);
    EXPECT_EQ(byteTallySize("caf\xE8"), 192);
    EXPECT_EQ(flags(first), UF_NORMAL_ACCOUNT);
}
