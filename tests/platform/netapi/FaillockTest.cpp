#include "platform/netapi/Faillock.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace netapi::faillock;

using Lines = std::vector<std::pair<int, std::vector<std::string>>>;

Lines linesOf(const ServiceFile &file)
{
    Lines result;
    for (const ModuleLine &line : file.faillockLines)
        result.emplace_back(line.line, line.arguments);
    return result;
}

TEST(FaillockServiceFile, FindsTheAuthStacksPamFaillockLinesAsLibpamReadsThem)
{
    const struct
    {
        const char *content;
        Lines expected;
    } cases[] = {
        {"auth required pam_faillock.so preauth deny=2\n", {{1, {"preauth", "deny=2"}}}},
        // Comments, '#' inside a line, and the module named by its path.
        {"# auth required pam_faillock.so deny=1\n\n"
         "auth required /lib/security/pam_faillock.so deny=4 # deny=1\n",
         {{3, {"deny=4"}}}},
        // A continuation skips a comment line and keeps going.
        {"auth requisite pam_faillock.so preauth \\\n# skipped\n   deny=5 dir=/run/f\n",
         {{1, {"preauth", "deny=5", "dir=/run/f"}}}},
        // "-auth", any case, and bracketed controls and arguments.
        {"-AUTH [default=die success=ok] pam_faillock.so [dir=/var/my tally\\]] x\n",
         {{1, {"dir=/var/my tally]", "x"}}}},
        // Neither other stacks nor other modules, includes or look-alikes.
        {"session required pam_faillock.so deny=1\n"
         "auth include pam_faillock.so\n"
         "auth required pam_unix.so pam_faillock.so\n"
         "auth required pam_faillock.so.bak\n"
         "@include common-auth\n",
         {}},
    };
    for (const auto &c : cases) {
        const ServiceFile file = parseServiceFile(c.content);
        EXPECT_EQ(linesOf(file), c.expected) << c.content;
        EXPECT_FALSE(file.malformed) << c.content;
    }
    // The account stack's lines are kept, but do not refuse.
    const ServiceFile account = parseServiceFile("account required pam_faillock.so dir=/a\n"
                                                 "auth required pam_faillock.so dir=/b\n");
    ASSERT_EQ(account.faillockLines.size(), 2u);
    EXPECT_FALSE(account.faillockLines[0].auth);
    EXPECT_TRUE(account.faillockLines[1].auth);
}

TEST(FaillockServiceFile, FilesLibpamGivesUpOnAreMalformed)
{
    EXPECT_TRUE(parseServiceFile("auth required pam_faillock.so deny=3 \\").malformed);
    const ServiceFile longLine =
        parseServiceFile("auth required pam_faillock.so dir=/" + std::string(1100, 'x') + "\n");
    EXPECT_TRUE(longLine.malformed);
    EXPECT_TRUE(longLine.mentionsFaillock);
    EXPECT_FALSE(parseServiceFile("auth required pam_unix.so \\").mentionsFaillock);
}

TEST(FaillockSettings, ComeFromDefaultsThenTheSettingsFileThenTheArguments)
{
    Settings defaults;
    EXPECT_EQ(settingsOf(std::nullopt, {}), defaults);

    const auto conf = settingsOf("# deny = 1\n  dir = /var/lib/faillock  \ndeny=5\n"
                                 "fail_interval 60\nunlock_time = never\nadmin_group=wheel\n"
                                 "even_deny_root\nsilent\nbogus = 1\n",
                                 {});
    ASSERT_TRUE(conf);
    EXPECT_EQ(conf->dir, "/var/lib/faillock");
    EXPECT_EQ(conf->deny, 5);
    EXPECT_EQ(conf->failInterval, 60u);
    EXPECT_EQ(conf->unlockTime, 0u);
    EXPECT_EQ(conf->rootUnlockTime, 0u); // follows unlock_time
    EXPECT_EQ(conf->adminGroup, "wheel");
    EXPECT_TRUE(conf->evenDenyRoot);

    const auto args = settingsOf("deny = 5\nunlock_time = 100\nroot_unlock_time = 7\n",
                                 {"preauth", "deny=2", "unlock_time=30", "conf=/x"});
    ASSERT_TRUE(args);
    EXPECT_EQ(args->deny, 2);
    EXPECT_EQ(args->unlockTime, 30u);
    EXPECT_EQ(args->rootUnlockTime, 7u);
    EXPECT_FALSE(args->evenDenyRoot); // root_unlock_time does not set it
}

TEST(FaillockSettings, ValuesAreReadAsPamFaillockScansThem)
{
    const struct
    {
        const char *argument;
        Settings expected;
    } cases[] = {
        {"deny=7x",
         [] {
             Settings s;
             s.deny = 7;
             return s;
         }()},
        {"deny= +4",
         [] {
             Settings s;
             s.deny = 4;
             return s;
         }()},
        {"deny=-1",
         [] {
             Settings s;
             s.deny = 65535;
             return s;
         }()},
        {"deny=65537",
         [] {
             Settings s;
             s.deny = 1;
             return s;
         }()},
        {"deny=x", {}},
        {"deny", {}},
        {"fail_interval=604801", {}},
        {"fail_interval=604800",
         [] {
             Settings s;
             s.failInterval = 604800;
             return s;
         }()},
        {"unlock_time=-5", {}},
        {"dir=relative/path", {}},
        {"dir", {}},
        {"even_deny_root=no",
         [] {
             Settings s;
             s.evenDenyRoot = true;
             return s;
         }()},
        {"conf=/etc/x", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(settingsOf(std::nullopt, {c.argument}), c.expected) << c.argument;
    // An earlier conf= is no option at all; only the last is the settings file.
    EXPECT_EQ(confPathOf({"conf=/a", "deny=1", "conf=/b"}), "/b");
    EXPECT_EQ(confPathOf({"deny=1"}), defaultConfPath);
}

TEST(FaillockSettings, ASettingsFileWithALineTooLongOrANulIsRefused)
{
    EXPECT_FALSE(settingsOf("deny = 2\n# " + std::string(1030, 'x') + "\n", {}));
    EXPECT_FALSE(settingsOf(std::string("deny = 2\0\n", 10), {}));
    EXPECT_TRUE(settingsOf("# " + std::string(1000, 'x') + "\n", {}));
}

// Tally records: (time, status).
std::string tally(const std::vector<std::pair<std::uint64_t, std::uint16_t>> &records)
{
    std::string content;
    for (const auto &[time, status] : records) {
        char record[64] = {};
        std::memcpy(record + 54, &status, 2);
        std::memcpy(record + 56, &time, 8);
        content.append(record, 64);
    }
    return content;
}

TEST(FaillockDecision, RefusesAsPamFaillockDoes)
{
    constexpr std::uint64_t now = 1'700'000'000;
    const Settings standard; // deny 3, fail_interval 900, unlock_time 600
    Settings evenRoot;
    evenRoot.evenDenyRoot = true;
    evenRoot.rootUnlockTime = 60;
    Settings never;
    never.unlockTime = 0;
    Settings off;
    off.deny = 0;
    const std::string three = tally({{now - 100, 1}, {now - 50, 1}, {now - 10, 5}});

    const struct
    {
        const char *what;
        std::string tally;
        Settings settings;
        bool isAdmin;
        bool refused;
    } cases[] = {
        {"three recent failures", three, standard, false, true},
        {"two", tally({{now - 50, 1}, {now - 10, 1}}), standard, false, false},
        {"records without the valid bit", tally({{now - 50, 1}, {now - 20, 0}, {now - 10, 1}}),
         standard, false, false},
        {"a torn last record", tally({{now - 50, 1}, {now - 10, 1}}) + std::string(63, '\1'),
         standard, false, false},
        {"outside fail_interval of the newest", tally({{now - 1000, 1}, {now - 50, 1}, {now, 1}}),
         standard, false, false},
        {"fail_interval counts back from the newest, not from now",
         tally({{now - 5000, 1}, {now - 4500, 1}, {now - 4200, 1}}), never, false, true},
        {"unlock_time ends after the second it names",
         tally({{now - 700, 1}, {now - 650, 1}, {now - 600, 1}}), standard, false, true},
        {"unlock_time over", tally({{now - 700, 1}, {now - 650, 1}, {now - 601, 1}}), standard,
         false, false},
        {"a newest failure in the future",
         tally({{now + 5000, 1}, {now + 5001, 1}, {now + 5002, 1}}), standard, false, true},
        {"deny=0 refuses nobody", three, off, false, false},
        {"root and admins are spared", three, standard, true, false},
        {"unless even_deny_root", three, evenRoot, true, true},
        {"for root_unlock_time", tally({{now - 70, 1}, {now - 65, 1}, {now - 61, 1}}), evenRoot,
         true, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(refusesNow(c.tally, c.settings, c.isAdmin, now), c.refused) << c.what;

    // Records past the first 1,024 are not read, as pam_faillock does not read them.
    std::vector<std::pair<std::uint64_t, std::uint16_t>> records(1024, {now - 5000, 0});
    records.insert(records.end(), {{now - 3, 1}, {now - 2, 1}, {now - 1, 1}});
    EXPECT_FALSE(refusesNow(tally(records), standard, false, now));
}

TEST(FaillockDecision, TheLockRunsFromTheFailureThatBeganItToTheNewestPlusUnlockTime)
{
    constexpr std::uint64_t now = 1'700'000'000;
    const Settings standard; // deny 3, fail_interval 900, unlock_time 600
    Settings never;
    never.unlockTime = 0;
    Settings evenRoot;
    evenRoot.evenDenyRoot = true;
    evenRoot.rootUnlockTime = 60;

    // The third failure locks; the fourth comes while locked and extends it.
    auto lock = lockNow(tally({{now - 300, 1}, {now - 200, 1}, {now - 100, 1}, {now - 20, 1}}),
                        standard, false, now);
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->since, now - 100);
    EXPECT_EQ(lock->until, now - 20 + 600);

    // An earlier lock that ran out does not date the present one; records
    // out of order are sorted first.
    lock = lockNow(tally({{now - 30, 1},
                          {now - 5000, 1},
                          {now - 4990, 1},
                          {now - 4980, 1},
                          {now - 40, 1},
                          {now - 50, 1}}),
                   standard, false, now);
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->since, now - 30);

    // unlock_time=0 holds it until a reset; root counts root_unlock_time.
    lock = lockNow(tally({{now - 5000, 1}, {now - 4990, 1}, {now - 4980, 1}}), never, false, now);
    ASSERT_TRUE(lock);
    EXPECT_FALSE(lock->until);
    lock = lockNow(tally({{now - 30, 1}, {now - 20, 1}, {now - 10, 1}}), evenRoot, true, now);
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->until, now - 10 + 60);

    // No lock where the line does not refuse.
    EXPECT_FALSE(lockNow(tally({{now - 20, 1}, {now - 10, 1}}), standard, false, now));
    EXPECT_FALSE(lockNow({}, standard, false, now));
}

} // namespace
