#include "framework/Streaming.h"
#include "framework/streaming/Streaming_p.h"
#include "platform/text/HexDigits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace streaming_detail {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void appendUtf8(String &out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}
// ----------------------------------------------------------------- parser --

class Parser
{
public:
    Parser(const String &text, const String &source) : FText(text), FSource(source)
    {
        // A NUL byte is never part of a description; a file holding one is
        // corrupt or not a description at all.
        const auto nul = FText.find('\0');
        if (nul != String::npos)
            failAt(FSource, lineOf(nul), "NUL byte in the description");
        if (FText.compare(0, 3, "\xEF\xBB\xBF") == 0)
            FPos = 3;
    }

    FormObject parseRoot()
    {
        skipSpace();
        FormObject root = parseObject();
        skipSpace();
        if (!atEnd())
            fail("end of file expected after the final 'end'");
        return root;
    }

private:
    // ------------------------------------------------------------ scanning

    bool atEnd() const { return FPos >= FText.size(); }
    char peek(std::size_t ahead = 0) const
    {
        return FPos + ahead < FText.size() ? FText[FPos + ahead] : '\0';
    }

    int lineOf(std::size_t pos) const
    {
        return 1 + static_cast<int>(std::count(
                       FText.begin(), FText.begin() + static_cast<std::ptrdiff_t>(pos), '\n'));
    }

    [[noreturn]] void fail(const String &what) const { failAt(FSource, FLine, what); }

    void skipSpace()
    {
        while (!atEnd()) {
            const char c = FText[FPos];
            if (c == '\n')
                ++FLine;
            else if (c != ' ' && c != '\t' && c != '\r' && c != '\f' && c != '\v')
                return;
            ++FPos;
        }
    }

    // What stands at the current position, for "x expected, found y".
    String found() const
    {
        if (atEnd())
            return "end of file";
        const char c = peek();
        if (isIdentStart(c)) {
            std::size_t end = FPos;
            while (end < FText.size() && isIdentChar(FText[end]) && end - FPos < 40)
                ++end;
            return "'" + FText.substr(FPos, end - FPos) + "'";
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte >= 127)
            return "character #" + std::to_string(byte);
        return "'" + String(1, c) + "'";
    }

    [[noreturn]] void expected(const String &what) const
    {
        fail(what + " expected, found " + found());
    }

    bool peekIdent() const { return isIdentStart(peek()); }

    String readIdent(const String &what)
    {
        if (!peekIdent())
            expected(what);
        const std::size_t start = FPos;
        while (!atEnd() && isIdentChar(FText[FPos]))
            ++FPos;
        return FText.substr(start, FPos - start);
    }

    // An identifier with optional ".part"s: Font.Name, Form1.ImageList1.
    String readDottedIdent(const String &what)
    {
        String name = readIdent(what);
        while (peek() == '.' && isIdentStart(peek(1))) {
            ++FPos;
            name += '.';
            name += readIdent(what);
        }
        return name;
    }

    // Whether the identifier at the current position is `word` (case-blind)
    // and not just the start of a longer one.
    bool peekWord(const char *word) const
    {
        std::size_t i = 0;
        for (; word[i]; ++i) {
            const char c = peek(i);
            if (c == '\0' || (c | 0x20) != (word[i] | 0x20))
                return false;
        }
        return !isIdentChar(peek(i));
    }

    void expectChar(char c)
    {
        skipSpace();
        if (peek() != c)
            expected("'" + String(1, c) + "'");
        ++FPos;
    }

    // Skips space and takes `c` when it stands next.
    bool takeChar(char c)
    {
        skipSpace();
        if (peek() != c)
            return false;
        ++FPos;
        return true;
    }

    // Skips space and takes the word `word` when it stands next.
    bool takeWord(const char *word)
    {
        skipSpace();
        if (!peekWord(word))
            return false;
        FPos += std::char_traits<char>::length(word);
        return true;
    }

    // "[n]": the position of an inherited component or of a collection
    // item; order is kept anyway.
    void skipPosition()
    {
        if (takeChar('[')) {
            skipSpace();
            parseNumber();
            expectChar(']');
        }
    }

    void enter()
    {
        if (++FDepth > MaxFormNesting)
            fail("nesting deeper than " + std::to_string(MaxFormNesting) + " levels");
    }
    void leave() { --FDepth; }

    // ------------------------------------------------------------- objects

    FormObject parseObject()
    {
        enter();
        FormObject obj;
        obj.line = FLine;
        if (peekWord("object"))
            obj.kind = FormObject::Kind::Object;
        else if (peekWord("inherited"))
            obj.kind = FormObject::Kind::Inherited;
        else if (peekWord("inline"))
            obj.kind = FormObject::Kind::Inline;
        else
            expected("'object'");
        readIdent("'object'");
        skipSpace();
        String first = readIdent("component name");
        if (takeChar(':')) {
            skipSpace();
            obj.name = std::move(first);
            obj.className = readIdent("class name");
        } else {
            obj.className = std::move(first);
        }
        skipPosition();

        for (;;) {
            if (takeWord("end"))
                break;
            if (peekWord("object") || peekWord("inherited") || peekWord("inline")) {
                obj.children.push_back(parseObject());
                continue;
            }
            if (!obj.children.empty())
                expected("'object' or 'end'");
            if (!peekIdent())
                expected("property name or 'end'");
            obj.properties.push_back(parseProperty());
        }
        leave();
        return obj;
    }

    TFormValue::Property parseProperty()
    {
        TFormValue::Property p;
        p.line = FLine;
        p.name = readDottedIdent("property name");
        expectChar('=');
        skipSpace();
        p.value = parseValue();
        return p;
    }

    // -------------------------------------------------------------- values

    TFormValue parseValue()
    {
        if (peekWord("end"))
            expected("value");
        const char c = peek();
        if (c == '\'' || c == '#')
            return TFormValue::Str(parseString());
        if (isDigit(c) || c == '-' || c == '+' || c == '$')
            return parseNumber();
        if (isIdentStart(c))
            return TFormValue::Ident(readDottedIdent("value"));
        if (c == '[')
            return parseSet();
        if (c == '(')
            return parseList();
        if (c == '<')
            return parseCollection();
        if (c == '{')
            return parseBinary();
        expected("value");
    }

    TFormValue parseNumber()
    {
        bool negative = false;
        if (peek() == '-' || peek() == '+') {
            negative = peek() == '-';
            ++FPos;
        }
        if (peek() == '$') {
            ++FPos;
            if (text::hexDigitValue(peek()) < 0)
                expected("hexadecimal digit");
            std::uint64_t value = 0;
            while (text::hexDigitValue(peek()) >= 0) {
                if (value >> 60)
                    fail("hexadecimal number out of range");
                value = value << 4 | static_cast<std::uint64_t>(text::hexDigitValue(peek()));
                ++FPos;
            }
            if (isIdentChar(peek()))
                expected("hexadecimal digit");
            // Sixteen digits are the bits of a 64-bit value, as the format has it.
            auto result = static_cast<std::int64_t>(value);
            if (negative) {
                if (result == std::numeric_limits<std::int64_t>::min())
                    fail("hexadecimal number out of range");
                result = -result;
            }
            return TFormValue::Int(result);
        }
        if (!isDigit(peek()))
            expected("digit");
        const std::size_t start = FPos;
        while (isDigit(peek()))
            ++FPos;
        bool isFloat = false;
        if (peek() == '.' && isDigit(peek(1))) {
            isFloat = true;
            ++FPos;
            while (isDigit(peek()))
                ++FPos;
        }
        if (peek() == 'e' || peek() == 'E') {
            std::size_t ahead = 1;
            if (peek(1) == '+' || peek(1) == '-')
                ahead = 2;
            if (!isDigit(peek(ahead)))
                expected("exponent digits");
            isFloat = true;
            FPos += ahead;
            while (isDigit(peek()))
                ++FPos;
        }
        if (isIdentChar(peek()) || peek() == '.')
            expected("digit");
        const char *first = FText.data() + start;
        const char *last = FText.data() + FPos;
        if (isFloat) {
            double value = 0;
            const auto [end, ec] = std::from_chars(first, last, value);
            if (ec != std::errc() || end != last || !std::isfinite(value))
                fail("number out of range");
            return TFormValue::Float(negative ? -value : value);
        }
        std::uint64_t magnitude = 0;
        const auto [end, ec] = std::from_chars(first, last, magnitude);
        const std::uint64_t limit =
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) +
            (negative ? 1 : 0);
        if (ec != std::errc() || end != last || magnitude > limit)
            fail("integer out of range");
        if (negative)
            return TFormValue::Int(magnitude == limit ? std::numeric_limits<std::int64_t>::min()
                                                      : -static_cast<std::int64_t>(magnitude));
        return TFormValue::Int(static_cast<std::int64_t>(magnitude));
    }

    // Quoted pieces and #nn codes written together, and further such runs
    // joined by "+".
    String parseString()
    {
        String out;
        for (;;) {
            if (peek() != '\'' && peek() != '#')
                expected("string");
            while (peek() == '\'' || peek() == '#') {
                if (peek() == '\'')
                    parseQuoted(out);
                else
                    parseCharCode(out);
            }
            const std::size_t save = FPos;
            const int saveLine = FLine;
            skipSpace();
            if (peek() != '+') {
                FPos = save;
                FLine = saveLine;
                return out;
            }
            ++FPos;
            skipSpace();
        }
    }

    void parseQuoted(String &out)
    {
        const int startLine = FLine;
        ++FPos;
        for (;;) {
            if (atEnd() || peek() == '\n' || peek() == '\r')
                failAt(FSource, startLine, "unterminated string");
            const char c = FText[FPos++];
            if (c == '\'') {
                if (peek() != '\'')
                    return;
                ++FPos;
            }
            out += c;
        }
    }

    void parseCharCode(String &out)
    {
        ++FPos;
        std::uint32_t code = 0;
        if (peek() == '$') {
            ++FPos;
            if (text::hexDigitValue(peek()) < 0)
                expected("character code");
            while (text::hexDigitValue(peek()) >= 0) {
                code = code * 16 + static_cast<std::uint32_t>(text::hexDigitValue(peek()));
                if (code > 0x10FFFF)
                    fail("character code out of range");
                ++FPos;
            }
        } else {
            if (!isDigit(peek()))
                expected("character code");
            while (isDigit(peek())) {
                code = code * 10 + static_cast<std::uint32_t>(peek() - '0');
                if (code > 0x10FFFF)
                    fail("character code out of range");
                ++FPos;
            }
        }
        if (code >= 0xD800 && code <= 0xDFFF)
            fail("character code out of range");
        // Codes name characters, written as UTF-8 like the rest of the text.
        appendUtf8(out, code);
    }

    TFormValue parseSet()
    {
        ++FPos;
        std::vector<String> literals;
        if (takeChar(']'))
            return TFormValue::SetOf(std::move(literals));
        for (;;) {
            skipSpace();
            literals.push_back(readIdent("set element"));
            if (takeChar(']'))
                return TFormValue::SetOf(std::move(literals));
            if (peek() != ',')
                expected("',' or ']'");
            ++FPos;
        }
    }

    TFormValue parseList()
    {
        enter();
        ++FPos;
        TFormValue list;
        list.kind = TFormValue::Kind::List;
        while (!takeChar(')')) {
            if (atEnd())
                expected("')'");
            list.list.push_back(parseValue());
        }
        leave();
        return list;
    }

    TFormValue parseCollection()
    {
        enter();
        ++FPos;
        TFormValue collection;
        collection.kind = TFormValue::Kind::Collection;
        while (!takeChar('>')) {
            if (!takeWord("item"))
                expected("'item' or '>'");
            skipPosition();
            std::vector<TFormValue::Property> item;
            while (!takeWord("end")) {
                if (!peekIdent())
                    expected("property name or 'end'");
                item.push_back(parseProperty());
            }
            collection.items.push_back(std::move(item));
        }
        leave();
        return collection;
    }

    TFormValue parseBinary()
    {
        ++FPos;
        std::vector<std::uint8_t> bytes;
        int high = -1;
        for (;;) {
            skipSpace();
            if (peek() == '}') {
                if (high >= 0)
                    fail("odd number of hexadecimal digits in binary data");
                ++FPos;
                return TFormValue::Bytes(std::move(bytes));
            }
            const int digit = text::hexDigitValue(peek());
            if (digit < 0)
                expected(atEnd() ? String("'}'") : String("hexadecimal digit"));
            ++FPos;
            if (high < 0) {
                high = digit;
            } else {
                bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
                high = -1;
            }
        }
    }

    const String &FText;
    const String &FSource;
    std::size_t FPos = 0;
    int FLine = 1;
    int FDepth = 0;
};

} // namespace

FormObject parseDescription(const String &text, const String &source)
{
    return Parser(text, source).parseRoot();
}

} // namespace streaming_detail
