#pragma once

// The line protocol between the window and the local helper, the small
// program that does the local provider's root work for an unprivileged
// window (started through pkexec, authorised by polkit).
//
// Version 1. Every line ends in LF and holds only printable ASCII (0x20 to
// 0x7E); fields are separated by one space. Texts (account names, full
// names, comments) are percent-encoded: every byte outside 0x21 to 0x7E, and
// '%' and '-', is written as %XX, and "-" alone stands for an empty text.
// Numbers are decimal, at most 10 digits, and fit 32 bits.
//
//   helper, once started:   tumblerset-local-helper 1
//   LIST <filter> <prefmaxlen> <resume>
//                       ->  OK <status> <resume> <count>
//                           then <count> lines: ENTRY <name> <comment> <usrcomment> <fullname>
//   INFO <name>         ->  OK <status>                      (status not 0)
//                           OK 0 <name> <fullname> <comment> <flags> <uid>
//   RESET <name> <flags>->  OK <status>
//   DETAILS <name>      ->  OK <status>                      (status not 0)
//                           OK 0 <failed> <last> <from> <since> <until> <length> <count>
//                           then <count> lines: FAILURE <time> <type> <from> <valid>
//   anything else       ->  REFUSED <reason>, and the helper exits
//
// DETAILS answers with the account's lockout details: the failed logons that
// count, the last one's time and source, locked out since, unlocks at, the
// lockout's length, and each recorded failure. Times are seconds since 1970
// as a signed decimal (at most 19 digits after an optional '-'), "-" for
// none and "?" where the source does not keep them; <length> is seconds or
// "-"; <type> is RHOST, TTY or SVC; <valid> is V or I.
//
// <status> is the local provider's result code for the call, as the account
// calls return it. A request line is at most MaxRequestBytes with its LF; an
// account name is at most MaxNameBytes once decoded, has no control
// character, '/', ':' or ',', does not start with '-', and is neither "."
// nor "..". The helper ends on end of input; a request cut short by it is
// not carried out.

#include "platform/netapi/AccountDetails.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netapi::helper {

inline constexpr int Version = 1;
inline constexpr std::string_view Greeting = "tumblerset-local-helper 1";
inline constexpr std::size_t MaxRequestBytes = 1024;
inline constexpr std::size_t MaxNameBytes = 256;
// An answer line longer than this is a broken helper.
inline constexpr std::size_t MaxAnswerBytes = 64 * 1024;

std::string encode(std::string_view text);
// Unset for a field that is not a valid encoding.
std::optional<std::string> decode(std::string_view field);

// Empty when name may be asked for; otherwise why not.
std::string nameRefusal(std::string_view name);

std::vector<std::string_view> splitFields(std::string_view line);
std::optional<std::uint32_t> parseNumber(std::string_view field);

// One request, checked.
struct Request
{
    enum class Verb
    {
        List,
        Info,
        Reset,
        Details
    };
    Verb verb = Verb::List;
    std::string name;         // INFO, RESET, DETAILS
    std::uint32_t filter = 0; // LIST
    std::uint32_t prefMaxLen = 0;
    std::uint32_t resume = 0;
    std::uint32_t flags = 0; // RESET
};

// Parses one line (without its LF). On a refusal, returns unset and sets why.
std::optional<Request> parseRequest(std::string_view line, std::string &why);

// The lines of a DETAILS answer with status 0, each ending in LF.
std::string detailsAnswer(const AccountDetails &details);
// Reads the first line of a DETAILS answer with status 0 into out, and the
// number of FAILURE lines that follow into failures; false when malformed.
bool parseDetails(std::string_view line, AccountDetails &out, std::uint32_t &failures);
// Reads one FAILURE line; false when malformed.
bool parseFailure(std::string_view line, FailedLogon &out);

} // namespace netapi::helper
