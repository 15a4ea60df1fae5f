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
    // Only the status and time of each record: no source texts to make.
    const std::size_t count = std::min(tally.size() / recordSize, maxRecords);
    std::vector<std::uint64_t> times;
    times.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char *record = tally.data() + i * recordSize;
        std::uint16_t status = 0;
        std::memcpy(&status, record + statusOffset, sizeof status);
        if (!(status & 0x1))
            continue;
        std::uint64_t time = 0;
        std::memcpy(&time, record + timeOffset, sizeof time);
        times.push_back(time);
    }
    return times;
}

} // namespace netapi::faillock
