#include "platform/netapi/NetApi.h"

#include "platform/netapi/MemoryProvider.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using netapi::MemoryProvider;
using Call = MemoryProvider::Call;

// Installs a provider for every server name for the length of a test.
class Installed
{
public:
    explicit Installed(std::shared_ptr<netapi::AccountProvider> provider)
    {
        netapi::installProviders(provider, provider);
    }
    ~Installed() { netapi::installProviders(nullptr, nullptr); }
};

struct Listing
{
    std::vector<std::u16string> names;
    std::vector<std::u16string> fullNames;
    std::vector<DWORD> batchSizes;
    NET_API_STATUS status = 0;
};

// Lists as the listing loop does: one call after another while 234 comes back.
Listing listAll(const char16_t *server, DWORD prefMaxLen = 1)
{
    Listing listing;
    DWORD resume = 0;
    do {
        LPBYTE buffer = reinterpret_cast<LPBYTE>(1);
        DWORD read = 99, total = 0;
        listing.status = NetUserEnum(server, 10, FILTER_NORMAL_ACCOUNT, &buffer, prefMaxLen, &read,
                                     &total, &resume);
        EXPECT_EQ(buffer == nullptr, read == 0);
        const auto *records = reinterpret_cast<USER_INFO_10 *>(buffer);
        for (DWORD i = 0; i < read; ++i) {
            listing.names.emplace_back(records[i].usri10_name);
            listing.fullNames.emplace_back(records[i].usri10_full_name);
        }
        listing.batchSizes.push_back(read);
        EXPECT_EQ(NetApiBufferFree(buffer), NERR_Success);
    } while (listing.status == ERROR_MORE_DATA && listing.batchSizes.size() < 10000);
    return listing;
}

std::shared_ptr<MemoryProvider> threeAccounts(const std::string &server)
{
    auto memory = std::make_shared<MemoryProvider>();
    memory->addAccount(server, {"alice", "Alice Ärger"});
    memory->addAccount(server, {"bob", "Bob Βλάχος"}).lockedOut = true;
    memory->addAccount(server, {"carol", "Carol Царёва"}).disabled = true;
    return memory;
}

TEST(Listing, PreferredLengthOneGivesOneAccountPerCallWith234UntilTheLast)
{
    Installed installed(threeAccounts("dc01"));
    const Listing listing = listAll(u"\\\\dc01");
    EXPECT_EQ(listing.status, NERR_Success);
    EXPECT_EQ(listing.batchSizes, (std::vector<DWORD>{1, 1, 1}));
    EXPECT_EQ(listing.names, (std::vector<std::u16string>{u"alice", u"bob", u"carol"}));
    EXPECT_EQ(listing.fullNames[2], u"Carol Царёва");
}

TEST(Listing, PreferredLengthCountsRecordAndTextBytesAndMaximumGivesAll)
{
    Installed installed(threeAccounts("dc01"));
    EXPECT_EQ(listAll(u"dc01", MAX_PREFERRED_LENGTH).batchSizes, std::vector<DWORD>{3});
    // alice: 32 bytes of record, (5+1 + 1 + 1 + 11+1) * 2 bytes of text = 72.
    // bob: 32 + (3+1 + 1 + 1 + 10+1) * 2 = 66.
    EXPECT_EQ(listAll(u"dc01", 72 + 65).batchSizes, (std::vector<DWORD>{1, 1, 1}));
    EXPECT_EQ(listAll(u"dc01", 72 + 66).batchSizes, (std::vector<DWORD>{2, 1}));
}

TEST(Listing, FailureHalfWayKeepsTheAccountsAlreadyHandedOut)
{
    auto memory = threeAccounts("dc01");
    memory->setEnumFailure("dc01", 2, ERROR_ACCESS_DENIED);
    Installed installed(memory);
    const Listing listing = listAll(u"dc01");
    EXPECT_EQ(listing.status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(listing.batchSizes, (std::vector<DWORD>{1, 1, 0}));
}

TEST(Routing, EmptyAndNullServerGoToTheLocalProviderNamedOnesToTheRemote)
{
    auto local = threeAccounts("");
    auto remote = std::make_shared<MemoryProvider>();
    remote->addAccount("far", {"zed"});
    netapi::installProviders(local, remote);
    EXPECT_EQ(listAll(nullptr).names.size(), 3u);
    EXPECT_EQ(listAll(u"").names.size(), 3u);
    EXPECT_EQ(listAll(u"\\\\far").names, std::vector<std::u16string>{u"zed"});
    EXPECT_EQ(local->callCount(Call::Enumerate), 6u);
    EXPECT_EQ(remote->callCount(Call::Enumerate), 1u);
    netapi::installProviders(nullptr, nullptr);
}

TEST(Routing, ServerNamesArriveWithoutBackslashesAndWhole)
{
    auto memory = std::make_shared<MemoryProvider>();
    Installed installed(memory);
    const std::u16string longName = u"\\\\domain-controller-01.research.corp.example.com";
    const std::u16string greek = u"\\\\διακομιστής-αθήνα";
    LPBYTE buffer = nullptr;
    EXPECT_EQ(NetUserGetInfo(longName.c_str(), u"x", 20, &buffer), NERR_InvalidComputer);
    EXPECT_EQ(NetUserGetInfo(greek.c_str(), u"x", 20, &buffer), NERR_InvalidComputer);
    EXPECT_EQ(NetUserGetInfo(u"plain", u"x", 20, &buffer), NERR_InvalidComputer);
    ASSERT_EQ(memory->calls().size(), 3u);
    EXPECT_EQ(memory->calls()[0].server, "domain-controller-01.research.corp.example.com");
    EXPECT_EQ(memory->calls()[1].server, "διακομιστής-αθήνα");
    EXPECT_EQ(memory->calls()[2].server, "plain");
}

TEST(Routing, UnpairedSurrogatesInNamesReachTheProviderReplaced)
{
    auto memory = std::make_shared<MemoryProvider>();
    Installed installed(memory);
    const char16_t user[] = {u'a', 0xD800, u'b', 0};
    LPBYTE buffer = nullptr;
    EXPECT_EQ(NetUserGetInfo(u"s", user, 20, &buffer), NERR_InvalidComputer);
    EXPECT_EQ(memory->calls().at(0).user, "a\xEF\xBF\xBD"
                                          "b");
}

TEST(Lookup, FillsLevel20WithFlagsAndUtf16Texts)
{
    Installed installed(threeAccounts("dc01"));
    LPBYTE buffer = nullptr;
    ASSERT_EQ(NetUserGetInfo(u"\\\\DC01", u"BOB", 20, &buffer), NERR_Success);
    const auto *info = reinterpret_cast<USER_INFO_20 *>(buffer);
    EXPECT_EQ(std::u16string(info->usri20_name), u"bob");
    EXPECT_EQ(std::u16string(info->usri20_full_name), u"Bob Βλάχος");
    EXPECT_EQ(std::u16string(info->usri20_comment), u"");
    EXPECT_EQ(info->usri20_flags, UF_NORMAL_ACCOUNT | UF_LOCKOUT);
    EXPECT_EQ(NetApiBufferFree(buffer), NERR_Success);
}

TEST(ResultCodes, ComeThroughFromTheProviderUnchanged)
{
    auto memory = threeAccounts("dc01");
    memory->setAccountResult("dc01", "carol", Call::GetInfo, ERROR_ACCESS_DENIED);
    Installed installed(memory);
    LPBYTE buffer = reinterpret_cast<LPBYTE>(1);
    EXPECT_EQ(NetUserGetInfo(u"nowhere", u"alice", 20, &buffer), NERR_InvalidComputer);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(NetUserGetInfo(u"dc01", u"nobody", 20, &buffer), NERR_UserNotFound);
    EXPECT_EQ(NetUserGetInfo(u"dc01", u"carol", 20, &buffer), ERROR_ACCESS_DENIED);
    EXPECT_EQ(buffer, nullptr);

    memory->setResult(Call::SetFlags, NERR_NotPrimary);
    USER_INFO_1008 flags{UF_NORMAL_ACCOUNT};
    EXPECT_EQ(NetUserSetInfo(u"dc01", u"bob", 1008, reinterpret_cast<LPBYTE>(&flags), nullptr),
              NERR_NotPrimary);
    EXPECT_TRUE(memory->account("dc01", "bob")->lockedOut);
    memory->setResult(Call::SetFlags, 0);
    EXPECT_EQ(NetUserSetInfo(u"dc01", u"bob", 1008, reinterpret_cast<LPBYTE>(&flags), nullptr),
              NERR_Success);
    EXPECT_FALSE(memory->account("dc01", "bob")->lockedOut);
    EXPECT_EQ(memory->calls().back().value, UF_NORMAL_ACCOUNT);
}

TEST(BadArguments, AreRefusedWithoutTouchingTheProvider)
{
    auto memory = threeAccounts("dc01");
    Installed installed(memory);
    LPBYTE buffer = nullptr;
    DWORD read = 0;
    EXPECT_EQ(NetUserEnum(u"dc01", 10, 2, nullptr, 1, &read, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(NetUserEnum(u"dc01", 3, 2, &buffer, 1, &read, nullptr, nullptr), ERROR_INVALID_LEVEL);
    EXPECT_EQ(NetUserGetInfo(u"dc01", u"bob", 1, &buffer), ERROR_INVALID_LEVEL);
    EXPECT_EQ(NetUserSetInfo(u"dc01", u"bob", 1008, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(memory->calls().empty());
}

TEST(Buffers, FreeTakesOnlyWhatTheLayerHandedOutAndOnlyOnce)
{
    Installed installed(threeAccounts("dc01"));
    LPBYTE buffer = nullptr;
    ASSERT_EQ(NetUserGetInfo(u"dc01", u"alice", 20, &buffer), NERR_Success);
    EXPECT_EQ(NetApiBufferFree(buffer), NERR_Success);
    EXPECT_EQ(NetApiBufferFree(buffer), ERROR_INVALID_PARAMETER);
    int notOurs = 0;
    EXPECT_EQ(NetApiBufferFree(&notOurs), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(NetApiBufferFree(nullptr), NERR_Success);
}

TEST(Buffers, ManyHeldAtOnceAreEachFreedOnceInAnyOrder)
{
    Installed installed(threeAccounts("dc01"));
    std::vector<LPBYTE> held;
    for (int i = 0; i < 3000; ++i) {
        LPBYTE buffer = nullptr;
        // Carol's full name is not ASCII.
        ASSERT_EQ(NetUserGetInfo(u"dc01", i % 2 ? u"alice" : u"carol", 20, &buffer), NERR_Success);
        held.push_back(buffer);
    }
    // Every other one, then the rest from the end: the table shifts entries
    // back as it frees, and must still find each.
    for (std::size_t i = 0; i < held.size(); i += 2)
        EXPECT_EQ(NetApiBufferFree(held[i]), NERR_Success);
    for (std::size_t i = held.size(); i-- > 0;)
        EXPECT_EQ(NetApiBufferFree(held[i]), i % 2 ? NERR_Success : ERROR_INVALID_PARAMETER);
    for (LPBYTE buffer : held)
        EXPECT_EQ(NetApiBufferFree(buffer), ERROR_INVALID_PARAMETER);
}

class Throwing : public netapi::AccountProvider
{
public:
    std::uint32_t enumerate(const std::string &, std::uint32_t, std::uint32_t, std::uint32_t &,
                            std::vector<netapi::AccountEntry> &) override
    {
        throw std::runtime_error("broken");
    }
    std::uint32_t getInfo(const std::string &, const std::string &, netapi::AccountInfo &) override
    {
        throw std::bad_alloc();
    }
    std::uint32_t setFlags(const std::string &, const std::string &, std::uint32_t) override
    {
        return 0;
    }
};

// 234 with no accounts and no progress would spin the listing loop for ever.
class Stuck : public Throwing
{
public:
    std::uint32_t enumerate(const std::string &, std::uint32_t, std::uint32_t, std::uint32_t &,
                            std::vector<netapi::AccountEntry> &) override
    {
        return ERROR_MORE_DATA;
    }
};

TEST(FaultyProviders, NeverThrowThroughTheCallsNorHangTheLoop)
{
    {
        Installed installed(std::make_shared<Throwing>());
        EXPECT_EQ(listAll(u"x").status, NERR_InternalError);
        LPBYTE buffer = nullptr;
        EXPECT_EQ(NetUserGetInfo(u"x", u"y", 20, &buffer), ERROR_NOT_ENOUGH_MEMORY);
    }
    Installed installed(std::make_shared<Stuck>());
    const Listing listing = listAll(u"x");
    EXPECT_EQ(listing.status, NERR_InternalError);
    EXPECT_EQ(listing.batchSizes.size(), 1u);
}

TEST(MemoryProvider, HookRunsInsideEachCallAndMayListAgain)
{
    auto memory = threeAccounts("dc01");
    Installed installed(memory);
    int nested = 0;
    memory->setHook([&](const MemoryProvider::CallRecord &record) {
        if (record.call == Call::Enumerate && record.value == 1 && nested == 0) {
            ++nested;
            EXPECT_EQ(listAll(u"dc01").names.size(), 3u);
        }
    });
    EXPECT_EQ(listAll(u"dc01").names.size(), 3u);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(memory->callCount(Call::Enumerate), 6u);
}

} // namespace
