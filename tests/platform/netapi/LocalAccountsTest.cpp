#include "platform/netapi/LocalAccounts.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using namespace netapi::local;

std::string describe(const std::vector<PasswdEntry> &entries)
{
    std::string text;
    for (const PasswdEntry &e : entries)
        text += e.name + "|" + std::to_string(e.uid) + "|" + std::to_string(e.gid) + "|" +
                e.fullName + ";";
    return text;
}

TEST(LocalPasswd, KeepsWellFormedAccountsInFileOrderAndSkipsTheRest)
{
    const struct
    {
        const char *what;
        std::string content;
        std::string expected;
    } cases[] = {
        {"a full line, GECOS cut at the first comma",
         "jsmith:x:1000:100:John Smith,Room 12:/home/jsmith:/bin/bash\n",
         "jsmith|1000|100|John Smith;"},
        {"no newline at the end, CRLF tolerated in numbers", "a:x: 1001 :7\r", "a|1001|7|;"},
        {"comments, NIS lines and blank lines", "#c:x:1:1\n+nis::::\n-nis::::\n\nb:x:2:2\n",
         "b|2|2|;"},
        {"missing fields", "short:x:1000\nnoname\n:x:1000:1000:\n", ""},
        {"a UID that is no number, negative or over 32 bits",
         "u1:x:abc:1\nu2:x:-1:1\nu3:x:4294967296:1\nu4:x:4294967295:1\n", "u4|4294967295|1|;"},
        {"a GID that is no number: in no group", "g:x:1000:staff:G\n", "g|1000|4294967295|G;"},
        {"a name that is no UTF-8 is kept as its bytes", "caf\xe9:x:1000:1:\xff\xfe\n",
         "caf\xe9|1000|1|\xff\xfe;"},
        {"duplicates are both kept, in order", "d:x:1000:1:one\nd:x:1001:1:two\n",
         "d|1000|1|one;d|1001|1|two;"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(describe(parsePasswd(c.content)), c.expected) << c.what;

    const std::string longName(100000, 'n');
    const std::vector<PasswdEntry> longLine = parsePasswd(longName + ":x:1000:1:" + longName);
    ASSERT_EQ(longLine.size(), 1u);
    EXPECT_EQ(longLine[0].name, longName);
    EXPECT_EQ(longLine[0].fullName, longName);
}

TEST(LocalLoginDefs, ReadsTheUidRangeAndKeepsDefaultsForWhatIsNotANumber)
{
    const struct
    {
        const char *content;
        std::uint32_t min, max;
    } cases[] = {
        {"", 1000, 60000},
        {"UID_MIN 500\nUID_MAX\t\t2000\n", 500, 2000},
        {"  UID_MIN   1500  \r\n# UID_MAX 10\n", 1500, 60000},
        {"UID_MIN\nUID_MAX lots\nUID_MIN -1\nUID_MAX 99999999999\n", 1000, 60000},
        {"UID_MINIMUM 5\nuid_min 5\n", 1000, 60000},
        {"UID_MIN 10\nUID_MIN 20\n", 20, 60000}, // the last one counts
    };
    for (const auto &c : cases) {
        const UidRange range = uidRangeOf(c.content);
        EXPECT_EQ(range.min, c.min) << c.content;
        EXPECT_EQ(range.max, c.max) << c.content;
    }
}

TEST(LocalLoginDefs, NormalAccountsLieInTheRangeInclusiveAndHaveSafeNames)
{
    const UidRange range{1000, 2000};
    EXPECT_FALSE(isNormalAccount({"a", 999, 0, ""}, range));
    EXPECT_TRUE(isNormalAccount({"a", 1000, 0, ""}, range));
    EXPECT_TRUE(isNormalAccount({"a", 2000, 0, ""}, range));
    EXPECT_FALSE(isNormalAccount({"a", 2001, 0, ""}, range));
    EXPECT_FALSE(isNormalAccount({"../a", 1500, 0, ""}, range));

    for (const char *unsafe : {"", ".hidden", "..", "a/b", "tab\there", "del\x7f", "nl\n"})
        EXPECT_TRUE(isUnsafeUserName(unsafe)) << unsafe;
    for (const char *safe : {"jsmith", "a.b", "amüller", "caf\xe9", "x-y_z$"})
        EXPECT_FALSE(isUnsafeUserName(safe)) << safe;
}

TEST(LocalShadow, KeepsTheLockAndExpiryOfTheFirstLineOfEachName)
{
    const ShadowTable table = parseShadow("locked:!$6$hash:19000:0:99999:7:::\n"
                                          "open:$6$hash:19000:0:99999:7::19675:\n"
                                          "open:!:1:::::1:\n"
                                          "short:!\n"
                                          "badexpiry:x:1::::::soon\n"
                                          "\xff\xfe:!*:1:::::\n");
    const auto at = [&](std::string_view name) {
        const ShadowEntry *entry = table.find(name);
        EXPECT_NE(entry, nullptr) << name;
        return entry ? *entry : ShadowEntry{};
    };
    EXPECT_TRUE(at("locked").passwordLocked);
    EXPECT_EQ(at("locked").expireDay, -1);
    EXPECT_FALSE(at("open").passwordLocked);
    EXPECT_EQ(at("open").expireDay, 19675);
    EXPECT_TRUE(at("short").passwordLocked);
    EXPECT_EQ(at("badexpiry").expireDay, -1);
    EXPECT_TRUE(at("\xff\xfe").passwordLocked);
    // Only the names are kept, never the hashes.
    EXPECT_EQ(table.names().find("hash"), std::string::npos);
}

TEST(LocalShadow, AListingInFileOrderFindsTheSameLinesAsLookupsByName)
{
    const ShadowTable table = parseShadow("a:!:1:::::\n"
                                          "skipped:x:1:::::\n"
                                          "b:x:1:::::\n"
                                          "a:x:1:::::\n"
                                          "c:x:1:::::5\n");
    std::size_t cursor = 0;
    // In order, with a line between that nobody asks for.
    ASSERT_NE(table.find("a", &cursor), nullptr);
    EXPECT_TRUE(table.find("b", &cursor) != nullptr && !table.find("b")->passwordLocked);
    // "a" again: its first line, never the later one the cursor passes.
    EXPECT_TRUE(table.find("a", &cursor)->passwordLocked);
    EXPECT_EQ(table.find("c", &cursor)->expireDay, 5);
    EXPECT_EQ(table.find("nobody", &cursor), nullptr);
    // Out of order, then back in order from where the name was found.
    cursor = 0;
    EXPECT_EQ(table.find("c", &cursor)->expireDay, 5);
    EXPECT_TRUE(table.find("a", &cursor)->passwordLocked);
    EXPECT_NE(table.find("skipped", &cursor), nullptr);
    EXPECT_EQ(parseShadow("").find("a"), nullptr);
}

TEST(LocalShadow, TheFirstLineOfANameWinsHoweverFarOnItsLaterLinesLie)
{
    // Later lines of a name at distances around how far ahead lines are read.
    std::string content;
    std::vector<std::string> names;
    for (int i = 0; i < 60; ++i) {
        names.push_back("n" + std::to_string(i));
        content += names.back() + ":!:1:::::" + std::to_string(i) + "\n";
        for (int distance : {1, 15, 16, 17, 40}) {
            if (i >= distance && i % 7 == distance % 7)
                content += names[static_cast<std::size_t>(i - distance)] + ":x:1:::::999\n";
        }
    }
    content += "last:!:1:::::7"; // no newline at the end
    const ShadowTable table = parseShadow(content);
    std::size_t cursor = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const ShadowEntry *entry : {table.find(names[i]), table.find(names[i], &cursor)}) {
            ASSERT_NE(entry, nullptr) << names[i];
            EXPECT_TRUE(entry->passwordLocked) << names[i];
            EXPECT_EQ(entry->expireDay, static_cast<std::int64_t>(i)) << names[i];
        }
    }
    const ShadowEntry *last = table.find("last", &cursor);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->expireDay, 7);
}

TEST(LocalPasswd, KeepingOnlyNormalAccountsGivesWhatFilteringAfterwardsGives)
{
    const std::string content = "root:x:0:0:root:/root:/bin/bash\n"
                                "low:x:999:1:Low\n"
                                "first:x:1000:1:First,1\n"
                                ".dot:x:1500:1:\n"
                                "sl/ash:x:1500:1:\n"
                                "ctl\x01:x:1500:1:\n"
                                "notnumber:x:abc:1:\n"
                                "last:x:60000:1:Last\n"
                                "high:x:60001:1:High\n"
                                "nogid:x:2000\n"
                                "caf\xe9:x:2001:x:Caf\xe9\n";
    for (const UidRange range : {UidRange{}, UidRange{0, 4294967295u}, UidRange{2000, 2000}}) {
        std::vector<PasswdEntry> filtered = parsePasswd(content);
        std::erase_if(filtered, [&](const PasswdEntry &e) { return !isNormalAccount(e, range); });
        EXPECT_EQ(describe(parsePasswd(content, &range)), describe(filtered)) << range.min;
    }
}

TEST(LocalNameSet, AskingForManyNamesAtOnceAgreesWithAskingOneByOne)
{
    NameSet set;
    std::vector<PasswdEntry> accounts;
    for (int i = 0; i < 3000; ++i) {
        PasswdEntry entry;
        entry.name = "acct" + std::to_string(i);
        if (i % 3 == 0)
            set.insert(entry.name);
        accounts.push_back(entry);
    }
    accounts.push_back({}); // an empty name
    const std::vector<bool> each = set.containsEach(accounts);
    ASSERT_EQ(each.size(), accounts.size());
    for (std::size_t i = 0; i < accounts.size(); ++i)
        EXPECT_EQ(each[i], set.contains(accounts[i].name)) << i;
    EXPECT_EQ(std::count(each.begin(), each.end(), true), 1000);
    EXPECT_EQ(NameSet().containsEach(accounts), std::vector<bool>(accounts.size(), false));
    EXPECT_TRUE(set.containsEach({}).empty());
}

TEST(LocalShadow, AnAccountIsDisabledFromItsExpiryDayOnOrWithALockedPassword)
{
    constexpr std::int64_t day = 19675;
    constexpr std::int64_t midnight = day * 86400;
    EXPECT_FALSE(isDisabled({false, -1}, midnight));
    EXPECT_FALSE(isDisabled({false, day}, midnight - 1));
    EXPECT_TRUE(isDisabled({false, day}, midnight));
    EXPECT_TRUE(isDisabled({false, day}, midnight + 86399));
    EXPECT_TRUE(isDisabled({false, 0}, 0)); // day 0: expired since 1970
    EXPECT_TRUE(isDisabled({true, -1}, midnight));
}

TEST(LocalGroups, ReadsTheWantedGroupsAndTellsTheirAdministrators)
{
    const auto groups = parseGroups("wheel:x:10:root,jsmith,,\n"
                                    "wheel:x:11:late\n"
                                    "other:x:12:jsmith\n"
                                    "broken:x:nan:a\n"
                                    "broken:x:13:b\n"
                                    "short:x:14\n"
                                    "caf\xe9:x:15:\xff\n",
                                    {"wheel", "broken", "short", "caf\xe9", "absent"});
    EXPECT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups.at("wheel").gid, 10u);
    EXPECT_EQ(groups.at("wheel").members, (std::unordered_set<std::string>{"root", "jsmith"}));
    // A line that cannot be read does not hide the next one of that name.
    EXPECT_EQ(groups.at("broken").gid, 13u);
    EXPECT_TRUE(groups.at("caf\xe9").members.contains("\xff"));

    // Root always; others by primary GID or as members of the line's group.
    const struct
    {
        PasswdEntry entry;
        const char *adminGroup;
        bool admin;
    } cases[] = {
        {{"root", 0, 0, ""}, "", true},
        {{"jsmith", 1000, 1000, ""}, "wheel", true},
        {{"ann", 1001, 10, ""}, "wheel", true},
        {{"bob", 1002, 1002, ""}, "wheel", false},
        {{"jsmith", 1000, 1000, ""}, "", false},
        {{"jsmith", 1000, 1000, ""}, "absent", false},
        {{"Jsmith", 1000, 1000, ""}, "wheel", false}, // names are case-sensitive
    };
    for (const auto &c : cases)
        EXPECT_EQ(isAdmin(c.entry, c.adminGroup, groups), c.admin)
            << c.entry.name << " in " << c.adminGroup;
}

} // namespace
