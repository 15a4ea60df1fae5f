#include "platform/netapi/FaillockTally.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace netapi::faillock;

std::string record(std::string_view source, std::uint16_t status, std::uint64_t time)
{
    char bytes[recordSize] = {};
    std::memcpy(bytes, source.data(), std::min<std::size_t>(source.size(), 52));
    std::memcpy(bytes + 54, &status, sizeof status);
    std::memcpy(bytes + 56, &time, sizeof time);
    return std::string(bytes, recordSize);
}

TEST(FaillockTally, DecodesWholeRecordsWithTheirSourceAsBytes)
{
    const std::string full(52, 'h'); // no room for a NUL
    const std::string tally = record("tty1", 0x5, 1700000000) + record(full, 0x3, 1) +
                              record("host\xff\xfe", 0x0, UINT64_MAX) +
                              std::string(63, '\x01'); // cut off
    const std::vector<TallyRecord> records = decodeTally(tally);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].source, "tty1");
    EXPECT_EQ(records[0].status, 0x5);
    EXPECT_EQ(records[0].time, 1700000000u);
    EXPECT_TRUE(records[0].valid());
    EXPECT_EQ(records[1].source, full);
    EXPECT_EQ(records[2].source, "host\xff\xfe");
    EXPECT_FALSE(records[2].valid());
    EXPECT_EQ(records[2].time, UINT64_MAX);

    EXPECT_EQ(failureTimes(tally), (std::vector<std::uint64_t>{1700000000, 1}));
    EXPECT_TRUE(decodeTally({}).empty());
    EXPECT_TRUE(decodeTally(std::string(recordSize - 1, '\0')).empty());
}

TEST(FaillockTally, ReadsNoMoreRecordsThanPamFaillock)
{
    std::string tally;
    for (std::size_t i = 0; i < maxRecords + 5; ++i)
        tally += record("", 1, i);
    const std::vector<std::uint64_t> times = failureTimes(tally);
    ASSERT_EQ(times.size(), maxRecords);
    EXPECT_EQ(times.back(), maxRecords - 1);
}

} // namespace
