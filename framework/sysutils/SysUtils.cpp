#include "framework/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <vector>

namespace {

String directiveText(const String &format, std::size_t start, std::size_t end)
{
    return format.substr(start, end - start + 1);
}

String pad(String text, int width, bool left)
{
    if (width > 0 && static_cast<int>(text.size()) < width) {
        const String fill(static_cast<std::size_t>(width) - text.size(), ' ');
        text = left ? text + fill : fill + text;
    }
    return text;
}

String groupThousands(const String &digits)
{
    // "%n": thousands separated by commas, as the framework's default locale does.
    String sign, body = digits, fraction;
    if (!body.empty() && body[0] == '-') {
        sign = "-";
        body.erase(0, 1);
    }
    if (auto dot = body.find('.'); dot != String::npos) {
        fraction = body.substr(dot);
        body.erase(dot);
    }
    String grouped;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (i > 0 && (body.size() - i) % 3 == 0)
            grouped += ',';
        grouped += body[i];
    }
    return sign + grouped + fraction;
}

} // namespace

String Format(const String &format, std::initializer_list<FormatArg> args)
{
    const std::vector<FormatArg> list(args);
    std::size_t next = 0;
    String out;
    out.reserve(format.size() + 16);
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            continue;
        }
        const std::size_t start = i++;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            continue;
        }
        bool left = false;
        if (i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        int width = 0;
        while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
            width = width * 10 + (format[i++] - '0');
        int precision = -1;
        if (i < format.size() && format[i] == '.') {
            precision = 0;
            ++i;
            while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
                precision = precision * 10 + (format[i++] - '0');
        }
        if (i >= format.size())
            throw EConvertError("Format '" + format + "' invalid or incompatible with argument");
        const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        if (next >= list.size())
            throw EConvertError("Format '" + format + "' invalid or incompatible with argument");
        const FormatArg &arg = list[next++];
        const String directive = directiveText(format, start, i);
        const auto incompatible = [&] {
            return EConvertError("Format '" + format + "' invalid or incompatible with argument (" +
                                 directive + ")");
        };
        String piece;
        char buffer[512];
        switch (type) {
        case 'd':
        case 'u':
        case 'x': {
            if (arg.kind() != FormatArg::Kind::Integer)
                throw incompatible();
            if (type == 'x') {
                std::snprintf(buffer, sizeof buffer, "%llX",
                              static_cast<unsigned long long>(arg.integer()));
            } else if (type == 'u' || arg.isUnsigned()) {
                std::snprintf(buffer, sizeof buffer, "%llu",
                              static_cast<unsigned long long>(arg.integer()));
            } else {
                std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(arg.integer()));
            }
            piece = buffer;
            if (precision > static_cast<int>(piece.size()))
                piece.insert(piece[0] == '-' ? 1 : 0,
                             String(static_cast<std::size_t>(precision) - piece.size(), '0'));
            break;
        }
        case 'f':
        case 'g':
        case 'e':
        case 'n': {
            double value = 0;
            if (arg.kind() == FormatArg::Kind::Float)
                value = arg.floating();
            else
                throw incompatible();
            const int digits = precision < 0 ? (type == 'g' ? 15 : 2) : std::min(precision, 100);
            const char conversion[] = {'%', '.', '*', type == 'n' ? 'f' : type, '\0'};
            std::snprintf(buffer, sizeof buffer, conversion, digits, value);
            piece = type == 'n' ? groupThousands(buffer) : String(buffer);
            break;
        }
        case 's':
            if (arg.kind() != FormatArg::Kind::Text)
                throw incompatible();
            piece = arg.text();
            if (precision >= 0 && static_cast<std::size_t>(precision) < piece.size())
                piece.resize(static_cast<std::size_t>(precision));
            break;
        default:
            throw incompatible();
        }
        out += pad(std::move(piece), width, left);
    }
    return out;
}

String IntToStr(std::int64_t value)
{
    return std::to_string(value);
}

int StrToInt(const String &text)
{
    const String trimmed = Trim(text);
    int value = 0;
    const char *first = trimmed.data();
    const char *last = first + trimmed.size();
    // One sign at most: from_chars reads a '-' of its own, so "+-5" must not
    // get past the '+'.
    if (first != last && *first == '+' && !(last - first > 1 && first[1] == '-'))
        ++first;
    auto [end, error] = std::from_chars(first, last, value);
    if (trimmed.empty() || error != std::errc() || end != last)
        throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

int StrToIntDef(const String &text, int fallback)
{
    try {
        return StrToInt(text);
    } catch (const EConvertError &) {
        return fallback;
    }
}

String Trim(const String &text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

String UpperCase(const String &text)
{
    String out = text;
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

String LowerCase(const String &text)
{
    String out = text;
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

namespace {
// ASCII only, whatever the C library's locale says of the other bytes.
constexpr unsigned char asciiLower(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}
} // namespace

int CompareText(const String &a, const String &b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = asciiLower(a[i]);
        const unsigned char y = asciiLower(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(const String &a, const String &b)
{
    // Folding ASCII letters keeps the length, so texts of two lengths differ.
    return a.size() == b.size() && CompareText(a, b) == 0;
}
