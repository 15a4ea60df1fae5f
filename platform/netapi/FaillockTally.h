#pragma once

// pam_faillock's tally file (Linux-PAM 1.5): one per account, a sequence of
// 64-byte records in the machine's byte order, each a failed logon:
//
//   source  52 bytes, the remote host or terminal, NUL-padded
//   (2 bytes reserved)
//   status  16 bits: 0x1 the record counts, 0x2 source is a host, 0x4 a terminal
//   time    64 bits, seconds since 1970
//
// Decoded from the bytes the caller has read: no file is opened here.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace netapi::faillock {

inline constexpr std::size_t recordSize = 64;
// pam_faillock reads no more records than this.
inline constexpr std::size_t maxRecords = 1024;

struct TallyRecord
{
    std::string source; // the bytes before the first NUL, as they are
    std::uint16_t status = 0;
    std::uint64_t time = 0;

    bool valid() const { return status & 0x1; }
};

// The whole records of a tally, at most maxRecords; a cut-off last record is
// ignored, as pam_faillock ignores it.
std::vector<TallyRecord> decodeTally(std::string_view tally);

// The times of the records that count.
std::vector<std::uint64_t> failureTimes(std::string_view tally);

} // namespace netapi::faillock
