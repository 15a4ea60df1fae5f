#include "platform/netapi/FaillockTally.h"

#include <algorithm>
#include <cstring>

namespace netapi::faillock {

namespace {

constexpr std::size_t sourceSize = 52;
constexpr std::size_t statusOffset = 54;
constexpr std::size_t timeOffset = 56;

} // namespace

std::vector<TallyRecord> decodeTally(std::string_view tally)
{
    const std::size_t count = std::min(tally.size() / recordSize, maxRecords);
    std::vector<TallyRecord> records(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char *record = tally.data() + i * recordSize;
        TallyRecord &decoded = records[i];
        decoded.source.assign(record, ::strnlen(record, sourceSize));
        std::memcpy(&decoded.status, record + statusOffset, sizeof decoded.status);
        std::memcpy(&decoded.time, record + timeOffset, sizeof decoded.time);
    }
    return records;
}

std::vector<std::uint64_t> failureTimes(std::string_view tally)
{
    std::vector<std::uint64_t> times;
    for (const TallyRecord &record : decodeTally(tally)) {
        if (record.valid())
            times.push_back(record.time);
    }
    return times;
}

} // namespace netapi::faillock
