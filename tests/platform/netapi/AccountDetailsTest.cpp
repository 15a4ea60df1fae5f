#include "platform/netapi/AccountDetails.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace netapi::times;

constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t forever = std::numeric_limits<std::int64_t>::min();

TEST(LockoutTimes, FileTimesBecomeUnixSecondsAndNeverBecomesNone)
{
    // 2023-11-14T22:13:20Z as a directory writes it.
    EXPECT_EQ(fromFileTime(133'444'736'000'000'000), 1'700'000'000);
    // Parts of a second round down.
    EXPECT_EQ(fromFileTime(133'444'736'009'999'999), 1'700'000'000);
    EXPECT_EQ(fromFileTime(116'444'736'000'000'000 + 10'000'000), 1);
    EXPECT_FALSE(fromFileTime(0));
    EXPECT_FALSE(fromFileTime(never));
    EXPECT_FALSE(fromFileTime(-1));
    // Far future, still within four-digit years: 9999-12-31T23:59:59Z.
    EXPECT_EQ(fromFileTime(2'650'467'743'990'000'000), 253'402'300'799);
    EXPECT_FALSE(fromFileTime(2'650'467'744'000'000'000));
}

TEST(LockoutTimes, UnixTimesTreatZeroAndMinusOneAsNever)
{
    EXPECT_EQ(fromUnixTime(1'700'000'000), 1'700'000'000);
    EXPECT_FALSE(fromUnixTime(0));
    EXPECT_FALSE(fromUnixTime(-1));
    EXPECT_FALSE(fromUnixTime(never));
    EXPECT_EQ(fromUnixTime(253'402'300'799), 253'402'300'799);
}

TEST(LockoutTimes, IntervalsAreNegativeTicksAndZeroOrTheLowestMeanForever)
{
    // 30 minutes, as lockoutDuration stores it.
    EXPECT_EQ(fromInterval(-18'000'000'000), 1800);
    EXPECT_EQ(fromInterval(18'000'000'000), 1800);
    EXPECT_EQ(fromInterval(-1), 0);
    EXPECT_FALSE(fromInterval(0));
    EXPECT_FALSE(fromInterval(forever));
    EXPECT_EQ(fromInterval(forever + 1), never / 10'000'000);
}

// What SAMR gives: the count and the domain's lockout duration, no time. Samba
// writes 30 minutes as ~(30 * 60 * 10^7), one tick past the negated length.
TEST(CountedDetails, NoTimeIsKnownButALockoutNoTimeEndsIsUntilAReset)
{
    const std::int64_t thirtyMinutes = ~std::int64_t{18'000'000'000};
    const auto locked = netapi::countedDetails(3, true, thirtyMinutes);
    EXPECT_EQ(locked.failedLogons, 3u);
    EXPECT_FALSE(locked.lastFailedLogonKnown);
    EXPECT_FALSE(locked.lockedOutSinceKnown);
    EXPECT_FALSE(locked.unlocksAtKnown);
    EXPECT_FALSE(locked.lockedOutSince || locked.unlocksAt || locked.lastFailedLogon);
    EXPECT_EQ(locked.lockoutLength, 1800);

    // Forever: 0, the lowest value, and Samba's -1 minutes read unsigned.
    for (const std::int64_t duration :
         {std::int64_t{0}, forever, -static_cast<std::int64_t>(0xFFFFFFFFLL * 60 * 10'000'000)}) {
        const auto untilReset = netapi::countedDetails(3, true, duration);
        EXPECT_TRUE(untilReset.unlocksAtKnown) << duration;
        EXPECT_FALSE(untilReset.unlocksAt);
        EXPECT_FALSE(untilReset.lockedOutSinceKnown);
        EXPECT_FALSE(untilReset.lockoutLength);
    }
    // A duration that could not be read says nothing of the end.
    EXPECT_FALSE(netapi::countedDetails(3, true, std::nullopt).unlocksAtKnown);

    // Not locked out: that much is known.
    const auto open = netapi::countedDetails(2, false, thirtyMinutes);
    EXPECT_TRUE(open.lockedOutSinceKnown && open.unlocksAtKnown);
    EXPECT_FALSE(open.lastFailedLogonKnown);
    EXPECT_FALSE(open.lockoutLength);
}

} // namespace
