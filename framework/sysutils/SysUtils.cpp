#include "framework/SysUtils.h"

#include <QLocale>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
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

namespace {

TFormatSettings localeFormatSettings()
{
    TFormatSettings settings;
    // Only a separator of one byte can be typed and read back byte for byte.
    const QString point = QLocale::system().decimalPoint();
    if (point.size() == 1 && point[0].unicode() > ' ' && point[0].unicode() < 0x7F)
        settings.DecimalSeparator = static_cast<char>(point[0].unicode());
    return settings;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The digits of |value| rounded to `precision` significant digits, without
// trailing zeros, and the decimal exponent of the first of them. The
// conversion is the standard library's, which knows no locale.
struct Decimal
{
    String digits;
    int exponent = 0;
};

Decimal toDecimal(double value, int precision)
{
    // Many more digits than a double holds, then rounded here half away from
    // zero (1234.5 to four digits is 1235), as people round.
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, 60);
    const String text(buffer, result.ptr);
    const std::size_t e = text.find('e');
    String all;
    for (std::size_t i = 0; i < e; ++i)
        if (isDigit(text[i]))
            all += text[i];
    Decimal d;
    d.exponent = std::stoi(text.substr(e + 1));
    d.digits = all.substr(0, static_cast<std::size_t>(precision));
    if (all[static_cast<std::size_t>(precision)] >= '5') {
        int at = precision - 1;
        while (at >= 0 && d.digits[static_cast<std::size_t>(at)] == '9')
            d.digits[static_cast<std::size_t>(at--)] = '0';
        if (at >= 0) {
            ++d.digits[static_cast<std::size_t>(at)];
        } else {
            d.digits.insert(0, 1, '1');
            d.digits.pop_back();
            ++d.exponent;
        }
    }
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

String exponentText(int exponent, int digits, bool plusSign)
{
    String number = std::to_string(exponent < 0 ? -exponent : exponent);
    if (static_cast<int>(number.size()) < digits)
        number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
    return (exponent < 0 ? "-" : (plusSign ? "+" : "")) + number;
}

} // namespace

TFormatSettings FormatSettings = localeFormatSettings();

double StrToFloat(const String &text)
{
    const auto invalid = [&] {
        return EConvertError("'" + text + "' is not a valid floating point value");
    };
    const String trimmed = Trim(text);
    const char separator = FormatSettings.DecimalSeparator;
    // Checked here by the rules above, then converted in the standard
    // library's own notation.
    String plain;
    std::size_t i = 0;
    if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-'))
        plain += trimmed[i++];
    int mantissaDigits = 0;
    bool seenSeparator = false;
    for (; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (isDigit(c)) {
            plain += c;
            ++mantissaDigits;
        } else if (c == separator && !seenSeparator) {
            plain += '.';
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        throw invalid();
    const std::size_t mantissaEnd = plain.size();
    long exponent = 0;
    if (i < trimmed.size() && (trimmed[i] == 'e' || trimmed[i] == 'E')) {
        plain += trimmed[i++];
        bool negative = false;
        if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) {
            negative = trimmed[i] == '-';
            plain += trimmed[i++];
        }
        const std::size_t start = i;
        while (i < trimmed.size() && isDigit(trimmed[i])) {
            exponent = std::min(exponent * 10 + (trimmed[i] - '0'), 100000L);
            plain += trimmed[i++];
        }
        if (i == start)
            throw invalid();
        if (negative)
            exponent = -exponent;
    }
    if (i != trimmed.size())
        throw invalid();
    const char *first = plain.data();
    if (*first == '+')
        ++first; // from_chars takes no plus sign
    double value = 0;
    const auto [end, error] = std::from_chars(first, plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small to be told from zero is zero; too large does not convert.
        double mantissa = 0;
        const auto m = std::from_chars(first, plain.data() + mantissaEnd, mantissa);
        if (m.ec == std::errc() &&
            (mantissa == 0 || std::log10(std::fabs(mantissa)) + static_cast<double>(exponent) < 0))
            return plain[0] == '-' ? -0.0 : 0.0;
        throw invalid();
    }
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        throw invalid();
    return value;
}

String FloatToStrF(double value, TFloatFormat format, int precision, int digits)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    precision = std::clamp(precision, 1, 17);
    const String sign = value < 0 ? "-" : "";
    const char separator = FormatSettings.DecimalSeparator;

    if (format == ffFixed) {
        digits = std::clamp(digits, 0, 18);
        if (value != 0 && toDecimal(value, precision).exponent >= precision)
            return FloatToStrF(value, ffExponent, precision, 0);
        char buffer[400];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                          std::chars_format::fixed, digits);
        String text(buffer, result.ptr);
        if (const auto dot = text.find('.'); dot != String::npos)
            text[dot] = separator;
        const bool allZero = text.find_first_not_of(String("0") + separator) == String::npos;
        return (allZero ? "" : sign) + text;
    }

    digits = std::clamp(digits, 0, 4);
    if (value == 0)
        return format == ffGeneral
                   ? "0"
                   : "0" + (precision > 1 ? separator + String(precision - 1, '0') : "") + "E+" +
                         exponentText(0, digits, false);
    const Decimal d = toDecimal(value, precision);

    if (format == ffExponent) {
        String mantissa = d.digits;
        mantissa.resize(static_cast<std::size_t>(precision), '0');
        String text = sign + mantissa.substr(0, 1);
        if (mantissa.size() > 1)
            text += separator + mantissa.substr(1);
        return text + "E" + exponentText(d.exponent, digits, true);
    }

    // ffGeneral: fixed while the whole digits fit and the number is not tiny.
    if (d.exponent + 1 > precision || d.exponent < -4) {
        String text = sign + d.digits.substr(0, 1);
        if (d.digits.size() > 1)
            text += separator + d.digits.substr(1);
        return text + "E" + exponentText(d.exponent, digits, false);
    }
    if (d.exponent < 0)
        return sign + "0" + separator + String(static_cast<std::size_t>(-d.exponent - 1), '0') +
               d.digits;
    const auto whole = static_cast<std::size_t>(d.exponent + 1);
    if (d.digits.size() <= whole)
        return sign + d.digits + String(whole - d.digits.size(), '0');
    return sign + d.digits.substr(0, whole) + separator + d.digits.substr(whole);
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

namespace {
// Moves the ASCII letters from first..first+25 to to..to+25; other bytes,
// UTF-8 included, stay as they are.
String shiftLetters(const String &text, char first, char to)
{
    String out = text;
    for (char &c : out)
        if (c >= first && c <= first + 25)
            c = static_cast<char>(c - first + to);
    return out;
}
} // namespace

String UpperCase(const String &text)
{
    return shiftLetters(text, 'a', 'A');
}

String LowerCase(const String &text)
{
    return shiftLetters(text, 'A', 'a');
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
