#include "platform/netapi/HelperProtocol.h"

#include <charconv>

namespace netapi::helper {

namespace {

bool plain(unsigned char c)
{
    return c >= 0x21 && c <= 0x7E && c != '%' && c != '-';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string encode(std::string_view text)
{
    if (text.empty())
        return "-";
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (plain(c)) {
            out += ch;
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 0xF];
        }
    }
    return out;
}

std::optional<std::string> decode(std::string_view field)
{
    if (field == "-")
        return std::string();
    if (field.empty())
        return std::nullopt;
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (c == '%') {
            if (i + 2 >= field.size())
                return std::nullopt;
            const int high = hexValue(field[i + 1]);
            const int low = hexValue(field[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (plain(c)) {
            out += static_cast<char>(c);
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::string nameRefusal(std::string_view name)
{
    if (name.empty())
        return "empty account name";
    if (name.size() > MaxNameBytes)
        return "account name too long";
    if (name == "." || name == "..")
        return "not an account name";
    if (name.front() == '-')
        return "account name starts with '-'";
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F)
            return "control character in account name";
        if (c == '/' || c == ':' || c == ',')
            return "account name holds '/', ':' or ','";
    }
    return {};
}

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = line.find(' ', start);
        fields.push_back(
            line.substr(start, space == std::string_view::npos ? space : space - start));
        if (space == std::string_view::npos)
            return fields;
        start = space + 1;
    }
}

std::optional<std::uint32_t> parseNumber(std::string_view field)
{
    if (field.empty() || field.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<Request> parseRequest(std::string_view line, std::string &why)
{
    if (line.size() + 1 > MaxRequestBytes) {
        why = "request too long";
        return std::nullopt;
    }
    for (const char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c > 0x7E) {
            why = "control character or unencoded byte in request";
            return std::nullopt;
        }
    }
    const std::vector<std::string_view> fields = splitFields(line);
    Request request;
    const auto number = [&](std::size_t i, std::uint32_t &out) {
        const auto value = parseNumber(fields[i]);
        if (value)
            out = *value;
        return value.has_value();
    };
    const auto name = [&](std::size_t i) {
        const auto decoded = decode(fields[i]);
        if (!decoded) {
            why = "badly encoded account name";
            return false;
        }
        why = nameRefusal(*decoded);
        request.name = *decoded;
        return why.empty();
    };

    const std::string_view verb = fields[0];
    if (verb == "LIST" && fields.size() == 4) {
        request.verb = Request::Verb::List;
        if (number(1, request.filter) && number(2, request.prefMaxLen) && number(3, request.resume))
            return request;
        why = "bad number";
        return std::nullopt;
    }
    if (verb == "INFO" && fields.size() == 2) {
        request.verb = Request::Verb::Info;
        if (name(1))
            return request;
        return std::nullopt;
    }
    if (verb == "RESET" && fields.size() == 3) {
        request.verb = Request::Verb::Reset;
        if (!name(1))
            return std::nullopt;
        if (number(2, request.flags))
            return request;
        why = "bad number";
        return std::nullopt;
    }
    if (verb == "DETAILS" && fields.size() == 2) {
        request.verb = Request::Verb::Details;
        if (name(1))
            return request;
        return std::nullopt;
    }
    why = verb == "LIST" || verb == "INFO" || verb == "RESET" || verb == "DETAILS"
              ? "wrong number of fields"
              : "unknown request";
    return std::nullopt;
}

namespace {

// A signed 64-bit decimal as the fields carry it: an optional '-', then 1 to
// 19 digits.
std::optional<std::int64_t> parseSigned(std::string_view field)
{
    const std::size_t digits = field.size() - (field.starts_with('-') ? 1 : 0);
    if (digits == 0 || digits > 19 || field.starts_with("+"))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

std::string timeField(const std::optional<std::int64_t> &time, bool known = true)
{
    if (!known)
        return "?";
    return time ? std::to_string(*time) : "-";
}

bool readTime(std::string_view field, std::optional<std::int64_t> &time, bool &known)
{
    known = field != "?";
    time.reset();
    if (field == "?" || field == "-")
        return true;
    time = parseSigned(field);
    return time.has_value();
}

const char *typeField(FailedLogon::Source kind)
{
    switch (kind) {
    case FailedLogon::Source::Host:
        return "RHOST";
    case FailedLogon::Source::Terminal:
        return "TTY";
    case FailedLogon::Source::Service:
        break;
    }
    return "SVC";
}

} // namespace

std::string detailsAnswer(const AccountDetails &details)
{
    std::string out = "OK 0 " + std::to_string(details.failedLogons) + ' ' +
                      timeField(details.lastFailedLogon, details.lastFailedLogonKnown) + ' ' +
                      encode(details.lastFailedLogonFrom) + ' ' +
                      timeField(details.lockedOutSince, details.lockedOutSinceKnown) + ' ' +
                      timeField(details.unlocksAt, details.unlocksAtKnown) + ' ' +
                      timeField(details.lockoutLength) + ' ' +
                      std::to_string(details.failures.size()) + '\n';
    for (const FailedLogon &failure : details.failures)
        out += "FAILURE " + std::to_string(failure.time) + ' ' + typeField(failure.kind) + ' ' +
               encode(failure.from) + ' ' + (failure.counts ? 'V' : 'I') + '\n';
    return out;
}

bool parseDetails(std::string_view line, AccountDetails &out, std::uint32_t &failures)
{
    const auto fields = splitFields(line);
    if (fields.size() != 9 || fields[0] != "OK" || fields[1] != "0")
        return false;
    AccountDetails read;
    const auto failed = parseNumber(fields[2]);
    auto from = decode(fields[4]);
    bool lengthKnown = true;
    const auto count = parseNumber(fields[8]);
    if (!failed || !from || !count ||
        !readTime(fields[3], read.lastFailedLogon, read.lastFailedLogonKnown) ||
        !readTime(fields[5], read.lockedOutSince, read.lockedOutSinceKnown) ||
        !readTime(fields[6], read.unlocksAt, read.unlocksAtKnown) ||
        !readTime(fields[7], read.lockoutLength, lengthKnown) || !lengthKnown)
        return false;
    read.failedLogons = *failed;
    read.lastFailedLogonFrom = std::move(*from);
    out = std::move(read);
    failures = *count;
    return true;
}

bool parseFailure(std::string_view line, FailedLogon &out)
{
    const auto fields = splitFields(line);
    if (fields.size() != 5 || fields[0] != "FAILURE")
        return false;
    const auto time = parseSigned(fields[1]);
    auto from = decode(fields[3]);
    if (!time || !from || (fields[4] != "V" && fields[4] != "I"))
        return false;
    if (fields[2] == "RHOST")
        out.kind = FailedLogon::Source::Host;
    else if (fields[2] == "TTY")
        out.kind = FailedLogon::Source::Terminal;
    else if (fields[2] == "SVC")
        out.kind = FailedLogon::Source::Service;
    else
        return false;
    out.time = *time;
    out.from = std::move(*from);
    out.counts = fields[4] == "V";
    return true;
}

} // namespace netapi::helper
