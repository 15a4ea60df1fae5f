#pragma once

// The framework's text type, its exceptions and its formatting helpers.

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <type_traits>

// The framework string: 8-bit text, UTF-8 on Linux. Captions, control texts,
// message-pane lines, setting values and registry strings are all of this type.
using String = std::string;

// The framework's general exception class. Components raise it with fixed
// texts for programming errors; the application object shows any that
// reaches the message loop.
class Exception : public std::exception
{
public:
    explicit Exception(String message) : FMessage(std::move(message)) {}

    const String &Message() const noexcept { return FMessage; }
    const char *what() const noexcept override { return FMessage.c_str(); }

private:
    String FMessage;
};

// A value that cannot be converted, or an assignment between persistent
// objects that do not understand each other ("Cannot assign a TX to a TY").
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// An index outside a list ("List index out of bounds (%d)").
class EListError : public Exception
{
public:
    using Exception::Exception;
};

// A string list used against its rules (duplicates, sorted insertion, index).
class EStringListError : public Exception
{
public:
    using Exception::Exception;
};

// Naming and ownership errors of components.
class EComponentError : public Exception
{
public:
    using Exception::Exception;
};

// An operation the object cannot do in its current state.
class EInvalidOperation : public Exception
{
public:
    using Exception::Exception;
};

// A form description that cannot be read; the message names the line.
class EReadError : public Exception
{
public:
    using Exception::Exception;
};

// One argument of Format: an integer, a floating-point number or a text.
class FormatArg
{
public:
    enum class Kind
    {
        Integer,
        Float,
        Text
    };

    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool>) FormatArg(T value)
        : FKind(Kind::Integer), FInteger(static_cast<std::int64_t>(value)),
          FUnsigned(std::is_unsigned_v<T>)
    {}
    template <typename T>
    requires std::is_floating_point_v<T> FormatArg(T value)
        : FKind(Kind::Float), FFloat(static_cast<double>(value))
    {}
    FormatArg(const char *text) : FKind(Kind::Text), FText(text ? text : "") {}
    FormatArg(String text) : FKind(Kind::Text), FText(std::move(text)) {}

    Kind kind() const { return FKind; }
    std::int64_t integer() const { return FInteger; }
    bool isUnsigned() const { return FUnsigned; }
    double floating() const { return FFloat; }
    const String &text() const { return FText; }

private:
    Kind FKind;
    std::int64_t FInteger = 0;
    bool FUnsigned = false;
    double FFloat = 0;
    String FText;
};

// Formats in the framework's way: %s, %d, %u, %x, %f, %g, %e, %n and %%, with
// optional "-", width and ".precision". A directive whose argument is missing
// or of the wrong kind raises EConvertError, naming the directive.
String Format(const String &format, std::initializer_list<FormatArg> args);

// How numbers are written and read: the separators of the user's locale,
// taken once at start-up. Programs and tests may change them.
struct TFormatSettings
{
    // The character between the whole and the fractional part. '.' unless
    // the locale says otherwise.
    char DecimalSeparator = '.';
};
extern TFormatSettings FormatSettings;

// Reads a number: blanks before and after, an optional sign, digits with at
// most one FormatSettings.DecimalSeparator, and an optional exponent (E or e,
// an optional sign, digits). Raises EConvertError
// "'<text>' is not a valid floating point value" for anything else: an empty
// text, a thousands separator, other characters, or a number beyond the range
// of a double.
double StrToFloat(const String &text);

enum TFloatFormat
{
    ffGeneral,
    ffExponent,
    ffFixed
};

// Writes a number with FormatSettings.DecimalSeparator:
//   ffGeneral   the shortest of fixed and scientific notation with at most
//               Precision significant digits and no trailing zeros; fixed while
//               the rounded number has at most Precision whole digits and is at
//               least 0.0001, else d.dddE-x with at least Digits exponent digits
//               (no plus sign);
//   ffExponent  d.ddd...E+xx: Precision digits, a signed exponent of at least
//               Digits digits;
//   ffFixed     Digits fractional digits; ffExponent when the number has more
//               than Precision whole digits.
// Precision is taken between 1 and 17, Digits between 0 and 4 (ffFixed: 18).
// Not-a-number and infinities are written NAN, INF and -INF.
String FloatToStrF(double value, TFloatFormat format, int precision, int digits);

String IntToStr(std::int64_t value);
// Raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(const String &text);
int StrToIntDef(const String &text, int fallback);
String Trim(const String &text);
String UpperCase(const String &text);
String LowerCase(const String &text);
// Case-blind comparison of ASCII letters; other bytes compare as they are.
int CompareText(const String &a, const String &b);
bool SameText(const String &a, const String &b);
