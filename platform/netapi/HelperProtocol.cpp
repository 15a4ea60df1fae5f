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
    why = verb == "LIST" || verb == "INFO" || verb == "RESET" ? "wrong number of fields"
                                                              : "unknown request";
    return std::nullopt;
}

} // namespace netapi::helper
