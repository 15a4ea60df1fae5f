#include "framework/Streaming.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

// A description is read in two steps: the parser turns the whole text into a
// tree of objects and values, and only a text that parses completely is then
// applied to components by TReader. So a syntax error never leaves anything
// behind, and errors found while applying it still know their line.

namespace {

// An error that already names its source and line.
class ELocatedReadError : public EReadError
{
public:
    using EReadError::EReadError;
};

[[noreturn]] void failAt(const String &source, int line, const String &what)
{
    throw ELocatedReadError(source + ":" + std::to_string(line) + ": " + what);
}

struct FormObject
{
    enum class Kind
    {
        Object,
        Inherited,
        Inline
    };
    Kind kind = Kind::Object;
    String name; // may be empty: "object TClass"
    String className;
    int line = 0;
    std::vector<TFormValue::Property> properties;
    std::vector<FormObject> children;
};

bool isIdentStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isIdentChar(char c)
{
    return isIdentStart(c) || (c >= '0' && c <= '9');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
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
        skipSpace();
        if (peek() == ':') {
            ++FPos;
            skipSpace();
            obj.name = std::move(first);
            obj.className = readIdent("class name");
        } else {
            obj.className = std::move(first);
        }
        skipSpace();
        // "[n]": the position of an inherited component; order is kept anyway.
        if (peek() == '[') {
            ++FPos;
            skipSpace();
            parseNumber();
            expectChar(']');
        }

        for (;;) {
            skipSpace();
            if (peekWord("end")) {
                FPos += 3;
                break;
            }
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
            if (hexValue(peek()) < 0)
                expected("hexadecimal digit");
            std::uint64_t value = 0;
            while (hexValue(peek()) >= 0) {
                if (value >> 60)
                    fail("hexadecimal number out of range");
                value = value << 4 | static_cast<std::uint64_t>(hexValue(peek()));
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
            if (hexValue(peek()) < 0)
                expected("character code");
            while (hexValue(peek()) >= 0) {
                code = code * 16 + static_cast<std::uint32_t>(hexValue(peek()));
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
        skipSpace();
        if (peek() == ']') {
            ++FPos;
            return TFormValue::SetOf(std::move(literals));
        }
        for (;;) {
            skipSpace();
            literals.push_back(readIdent("set element"));
            skipSpace();
            if (peek() == ']') {
                ++FPos;
                return TFormValue::SetOf(std::move(literals));
            }
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
        for (;;) {
            skipSpace();
            if (peek() == ')') {
                ++FPos;
                break;
            }
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
        for (;;) {
            skipSpace();
            if (peek() == '>') {
                ++FPos;
                break;
            }
            if (!peekWord("item"))
                expected("'item' or '>'");
            FPos += 4;
            skipSpace();
            if (peek() == '[') {
                ++FPos;
                skipSpace();
                parseNumber();
                expectChar(']');
            }
            std::vector<TFormValue::Property> item;
            for (;;) {
                skipSpace();
                if (peekWord("end")) {
                    FPos += 3;
                    break;
                }
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
            const int digit = hexValue(peek());
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

std::vector<String> splitDotted(const String &name)
{
    std::vector<String> parts;
    std::size_t start = 0;
    for (;;) {
        const auto dot = name.find('.', start);
        parts.push_back(name.substr(start, dot == String::npos ? String::npos : dot - start));
        if (dot == String::npos)
            return parts;
        start = dot + 1;
    }
}

bool classIsOrInherits(const TClassInfo &cls, const String &name)
{
    for (const TClassInfo *c = &cls; c; c = c->Parent)
        if (SameText(c->Name, name))
            return true;
    return false;
}

} // namespace

// ----------------------------------------------------------------- reader --

// Applies a parsed description to a root and the components it creates. A
// friend of TComponent, to set the loading states.
class TReader
{
public:
    TReader(TComponent &Root, const String &Source) : FRoot(Root), FSource(Source) {}

    void Read(const FormObject &top)
    {
        const String oldName = FRoot.Name();
        try {
            readRoot(top);
            resolveReferences();
            for (TComponent *c : FLoaded)
                c->FComponentState.Exclude(csReading);
            for (TComponent *c : FLoaded)
                c->Loaded();
        } catch (...) {
            rollback(oldName);
            throw;
        }
    }

private:
    struct Reference
    {
        TObject *instance;
        const TPropInfo *prop;
        String name;
        int line;
        TComponent *component; // the component whose block set it
    };

    [[noreturn]] void fail(int line, const String &what) const { failAt(FSource, line, what); }

    // Runs f, giving any error that does not know its line this one.
    template <class F> void atLine(int line, F &&f)
    {
        try {
            f();
        } catch (const ELocatedReadError &) {
            throw;
        } catch (const std::exception &e) {
            fail(line, e.what());
        }
    }

    void beginReading(TComponent &c)
    {
        c.FComponentState.Include(csLoading);
        c.FComponentState.Include(csReading);
        FLoaded.push_back(&c);
    }

    void readRoot(const FormObject &top)
    {
        if (!classIsOrInherits(FRoot.ClassInfo(), top.className))
            fail(top.line, top.className + " is not the class of " + FRoot.ClassName() +
                               " nor one it inherits");
        beginReading(FRoot);
        if (!top.name.empty())
            atLine(top.line, [&] { nameRoot(top.name); });
        readBody(top, FRoot, 0);
    }

    // A root owned by another component takes a free variant of its name, as
    // a second window of the same class must.
    void nameRoot(const String &name)
    {
        TComponent *owner = FRoot.Owner();
        String candidate = name;
        for (int i = 1; owner; ++i) {
            TComponent *existing = owner->FindComponent(candidate);
            if (!existing || existing == &FRoot)
                break;
            candidate = name + "_" + std::to_string(i);
        }
        FRoot.SetName(candidate);
    }

    void readBody(const FormObject &node, TComponent &component, int depth)
    {
        for (const TFormValue::Property &p : node.properties)
            setProperty(component, component, p, depth);
        for (const FormObject &child : node.children)
            readChild(child, component, depth + 1);
        component.FComponentState.Exclude(csReading);
    }

    const TClassInfo *findClass(const String &name) const
    {
        for (const TClassInfo *c = &FRoot.ClassInfo(); c; c = c->Parent)
            for (const TFieldInfo &f : c->Fields)
                if (f.FieldClass && SameText(f.FieldClass->Name, name))
                    return f.FieldClass;
        return GetClass(name);
    }

    void readChild(const FormObject &node, TComponent &parent, int depth)
    {
        TComponent *component = nullptr;
        if (node.kind == FormObject::Kind::Inherited) {
            component = FRoot.FindComponent(node.name);
            if (!component)
                fail(node.line, "inherited component " + node.name + " not found");
            if (!classIsOrInherits(component->ClassInfo(), node.className))
                fail(node.line,
                     node.name + " is a " + component->ClassName() + ", not a " + node.className);
            beginReading(*component);
        } else {
            const TClassInfo *cls = findClass(node.className);
            if (!cls)
                fail(node.line, "class " + node.className + " not found");
            if (!cls->Create)
                fail(node.line, node.className + " is not a component class");
            atLine(node.line, [&] { component = cls->Create(&FRoot); });
            if (!component)
                fail(node.line, "class " + node.className + " could not be created");
            FCreated.push_back(component);
            beginReading(*component);
            if (!node.name.empty())
                atLine(node.line, [&] { component->SetName(node.name); });
        }
        atLine(node.line, [&] { component->SetParentComponent(&parent); });
        if (!node.name.empty()) {
            if (const TFieldInfo *field = FRoot.ClassInfo().FindField(node.name)) {
                atLine(node.line, [&] { field->Assign(FRoot, component); });
                FAssignedFields.push_back(field);
            }
        }
        readBody(node, *component, depth);
    }

    // Follows a dotted name (Font.Name) from instance to the object that
    // holds its last part.
    TObject &resolvePath(TObject &instance, const std::vector<String> &parts, int line)
    {
        TObject *current = &instance;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            const TPropInfo *prop = current->ClassInfo().FindProperty(parts[i]);
            if (!prop)
                fail(line, "property " + parts[i] + " does not exist in " + current->ClassName());
            if (!prop->GetObject)
                fail(line, "property " + parts[i] + " of " + current->ClassName() +
                               " has no properties of its own");
            TObject *nested = prop->GetObject(*current);
            if (!nested)
                fail(line, "property " + parts[i] + " of " + current->ClassName() + " is not set");
            current = nested;
        }
        return *current;
    }

    void setProperty(TObject &instance, TComponent &component, const TFormValue::Property &p,
                     int depth)
    {
        const std::vector<String> parts = splitDotted(p.name);
        TObject &target = resolvePath(instance, parts, p.line);
        const String &last = parts.back();

        if (auto *strings = dynamic_cast<TStrings *>(&target);
            strings && SameText(last, "Strings")) {
            if (p.value.kind != TFormValue::Kind::List)
                fail(p.line, "list of strings expected for " + p.name);
            for (const TFormValue &line : p.value.list)
                if (line.kind != TFormValue::Kind::String)
                    fail(p.line, "string expected in " + p.name);
            atLine(p.line, [&] {
                strings->BeginUpdate();
                try {
                    strings->Clear();
                    for (const TFormValue &line : p.value.list)
                        strings->Add(line.text);
                } catch (...) {
                    strings->EndUpdate();
                    throw;
                }
                strings->EndUpdate();
            });
            return;
        }

        const TPropInfo *prop = target.ClassInfo().FindProperty(last);
        if (!prop)
            fail(p.line, "property " + last + " does not exist in " + target.ClassName());

        switch (prop->Kind) {
        case TTypeKind::tkInteger:
        case TTypeKind::tkFloat:
        case TTypeKind::tkString:
        case TTypeKind::tkEnumeration:
        case TTypeKind::tkSet:
        case TTypeKind::tkBinary:
            if (!prop->Set)
                fail(p.line, "property " + p.name + " is read-only");
            atLine(p.line, [&] { prop->Set(target, p.value); });
            return;
        case TTypeKind::tkMethod:
            setMethod(target, *prop, p);
            return;
        case TTypeKind::tkComponent:
            if (p.value.kind != TFormValue::Kind::Identifier)
                fail(p.line, "component name expected for " + p.name);
            if (SameText(p.value.text, "nil"))
                atLine(p.line, [&] { prop->SetComponent(target, nullptr); });
            else
                FReferences.push_back({&target, prop, p.value.text, p.line, &component});
            return;
        case TTypeKind::tkCollection:
            setCollection(target, component, *prop, p, depth);
            return;
        case TTypeKind::tkClass:
        case TTypeKind::tkStrings:
            fail(p.line, "property " + p.name + " is an object: its own properties (" + p.name +
                             (prop->Kind == TTypeKind::tkStrings ? ".Strings" : ".Name") +
                             ") expected");
        }
    }

    void setMethod(TObject &target, const TPropInfo &prop, const TFormValue::Property &p)
    {
        if (p.value.kind != TFormValue::Kind::Identifier || p.value.text.find('.') != String::npos)
            fail(p.line, "method name expected for " + p.name);
        if (SameText(p.value.text, "nil")) {
            atLine(p.line, [&] { prop.SetMethod(target, TMethodValue()); });
            return;
        }
        const TMethodInfo *method = FRoot.ClassInfo().FindMethod(p.value.text);
        if (!method)
            fail(p.line, "method " + p.value.text + " not found in " + FRoot.ClassName());
        if (method->Type != prop.MethodType)
            fail(p.line, "method " + method->Name + " has the wrong parameters for " + p.name);
        atLine(p.line, [&] {
            prop.SetMethod(target, TMethodValue{&FRoot, method->Code, method->Name});
        });
    }

    void setCollection(TObject &target, TComponent &component, const TPropInfo &prop,
                       const TFormValue::Property &p, int depth)
    {
        if (p.value.kind != TFormValue::Kind::Collection)
            fail(p.line, "collection (<item ... end>) expected for " + p.name);
        auto *collection = dynamic_cast<TCollection *>(prop.GetObject(target));
        if (!collection)
            fail(p.line, "property " + p.name + " is not set");
        collection->BeginUpdate();
        try {
            atLine(p.line, [&] { collection->Clear(); });
            for (const auto &item : p.value.items) {
                TCollectionItem *added = nullptr;
                atLine(p.line, [&] { added = collection->Add(); });
                for (const TFormValue::Property &ip : item)
                    setProperty(*added, component, ip, depth + 1);
            }
        } catch (...) {
            collection->EndUpdate();
            throw;
        }
        atLine(p.line, [&] { collection->EndUpdate(); });
    }

    TComponent *findReferenced(const String &name) const
    {
        const std::vector<String> parts = splitDotted(name);
        if (parts.size() == 1)
            return SameText(name, FRoot.Name()) ? &FRoot : FRoot.FindComponent(name);
        if (parts.size() == 2 && SameText(parts[0], FRoot.Name()))
            return FRoot.FindComponent(parts[1]);
        return nullptr;
    }

    void resolveReferences()
    {
        for (Reference &r : FReferences) {
            TComponent *found = findReferenced(r.name);
            if (!found)
                fail(r.line, "component " + r.name + " not found for " + r.prop->Name);
            atLine(r.line, [&] { r.prop->SetComponent(*r.instance, found); });
            FResolved.push_back(&r);
        }
    }

    bool created(const TComponent *c) const
    {
        return std::find(FCreated.begin(), FCreated.end(), c) != FCreated.end();
    }

    bool ownedByRoot(const TComponent *c) const
    {
        for (int i = 0; i < FRoot.ComponentCount(); ++i)
            if (FRoot.Components(i) == c)
                return true;
        return false;
    }

    // Takes back what a failed read did to the root and its survivors, then
    // frees what it created, last first (children before their parents).
    void rollback(const String &oldName) noexcept
    {
        for (const Reference *r : FResolved) {
            if (created(r->component))
                continue;
            try {
                r->prop->SetComponent(*r->instance, nullptr);
            } catch (...) {
            }
        }
        for (const TFieldInfo *field : FAssignedFields) {
            try {
                field->Assign(FRoot, nullptr);
            } catch (...) {
            }
        }
        for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it)
            if (ownedByRoot(*it))
                delete *it;
        for (TComponent *c : FLoaded) {
            if (c != &FRoot && !ownedByRoot(c))
                continue; // freed above
            c->FComponentState.Exclude(csReading);
            c->FComponentState.Exclude(csLoading);
        }
        try {
            FRoot.SetName(oldName);
        } catch (...) {
        }
    }

    TComponent &FRoot;
    const String &FSource;
    std::vector<TComponent *> FCreated; // owned by FRoot
    std::vector<TComponent *> FLoaded;  // every component read, Root first
    std::vector<const TFieldInfo *> FAssignedFields;
    std::vector<Reference> FReferences;
    std::vector<const Reference *> FResolved;
};

void ReadComponentFromText(TComponent &Root, const String &Text, const String &SourceName)
{
    const FormObject top = Parser(Text, SourceName).parseRoot();
    TReader(Root, SourceName).Read(top);
}

std::unique_ptr<TComponent> ReadNewComponentFromText(const String &Text, const String &SourceName)
{
    const FormObject top = Parser(Text, SourceName).parseRoot();
    const TClassInfo *cls = GetClass(top.className);
    if (!cls)
        failAt(SourceName, top.line, "class " + top.className + " not found");
    if (!cls->Create)
        failAt(SourceName, top.line, top.className + " is not a component class");
    std::unique_ptr<TComponent> root(cls->Create(nullptr));
    if (!root)
        failAt(SourceName, top.line, "class " + top.className + " could not be created");
    TReader(*root, SourceName).Read(top);
    return root;
}

// ----------------------------------------------------------------- writer --

namespace {

constexpr std::size_t StringPieceLength = 64; // characters per line of a long string
constexpr std::size_t BinaryBytesPerLine = 32;
constexpr int MaxNestedObjectDepth = 32; // Font.Style..., guards against a cycle

class Writer
{
public:
    explicit Writer(TComponent &root) : FRoot(root) {}

    String Write()
    {
        writeComponent(FRoot, 0);
        return std::move(FOut);
    }

private:
    void indent(int level) { FOut.append(static_cast<std::size_t>(level) * 2, ' '); }

    void writeComponent(TComponent &c, int level)
    {
        if (level > MaxFormNesting)
            throw EWriteError("Components nest deeper than " + std::to_string(MaxFormNesting) +
                              " levels");
        indent(level);
        FOut += "object ";
        if (!c.Name().empty())
            FOut += c.Name() + ": ";
        FOut += c.ClassName() + "\n";
        writeProperties(c, String(), level + 1, 0);
        c.GetChildren([&](TComponent *child) { writeComponent(*child, level + 1); }, &FRoot);
        indent(level);
        FOut += "end\n";
    }

    void writeProperties(TObject &obj, const String &prefix, int level, int depth)
    {
        if (depth > MaxNestedObjectDepth)
            throw EWriteError("Objects nest deeper than " + std::to_string(MaxNestedObjectDepth) +
                              " levels at " + prefix);
        for (const TPropInfo *prop : obj.ClassInfo().AllProperties()) {
            if (prop->Stored && !prop->Stored(obj))
                continue;
            const String name = prefix + prop->Name;
            switch (prop->Kind) {
            case TTypeKind::tkInteger:
            case TTypeKind::tkFloat:
            case TTypeKind::tkString:
            case TTypeKind::tkEnumeration:
            case TTypeKind::tkSet:
            case TTypeKind::tkBinary: {
                if (!prop->Get)
                    break;
                const TFormValue value = prop->Get(obj);
                if (prop->Default && value == *prop->Default)
                    break;
                writeProperty(name, value, level);
                break;
            }
            case TTypeKind::tkMethod:
                writeMethod(obj, *prop, name, level);
                break;
            case TTypeKind::tkComponent:
                writeReference(obj, *prop, name, level);
                break;
            case TTypeKind::tkClass:
                if (TPersistent *nested = prop->GetObject ? prop->GetObject(obj) : nullptr)
                    writeProperties(*nested, name + ".", level, depth + 1);
                break;
            case TTypeKind::tkStrings: {
                auto *strings =
                    dynamic_cast<TStrings *>(prop->GetObject ? prop->GetObject(obj) : nullptr);
                if (!strings || strings->Count() == 0)
                    break;
                TFormValue list;
                list.kind = TFormValue::Kind::List;
                for (int i = 0; i < strings->Count(); ++i)
                    list.list.push_back(TFormValue::Str(strings->Get(i)));
                writeProperty(name + ".Strings", list, level);
                break;
            }
            case TTypeKind::tkCollection: {
                auto *collection =
                    dynamic_cast<TCollection *>(prop->GetObject ? prop->GetObject(obj) : nullptr);
                if (!collection)
                    break;
                if (collection->Count() == 0 && prop->Default &&
                    prop->Default->kind == TFormValue::Kind::Collection &&
                    prop->Default->items.empty())
                    break;
                writeCollection(*collection, name, level, depth);
                break;
            }
            }
        }
    }

    void writeMethod(TObject &obj, const TPropInfo &prop, const String &name, int level)
    {
        if (!prop.GetMethod)
            return;
        const TMethodValue m = prop.GetMethod(obj);
        // Only a method of the root can be named in its description.
        if (m.Data != &FRoot || !m.Code.has_value())
            return;
        String method = m.Name;
        if (method.empty()) {
            for (const TClassInfo *c = &FRoot.ClassInfo(); c && method.empty(); c = c->Parent)
                for (const TMethodInfo &info : c->Methods)
                    if (info.Matches && info.Matches(m.Code)) {
                        method = info.Name;
                        break;
                    }
        }
        if (!method.empty())
            writeProperty(name, TFormValue::Ident(method), level);
    }

    void writeReference(TObject &obj, const TPropInfo &prop, const String &name, int level)
    {
        if (!prop.GetComponent)
            return;
        const TComponent *c = prop.GetComponent(obj);
        if (!c || c->Name().empty())
            return;
        String ref = c->Name();
        if (c != &FRoot && c->Owner() != &FRoot) {
            if (!c->Owner() || c->Owner()->Name().empty())
                return; // nothing this description could find again
            ref = c->Owner()->Name() + "." + ref;
        }
        writeProperty(name, TFormValue::Ident(ref), level);
    }

    void writeCollection(TCollection &collection, const String &name, int level, int depth)
    {
        indent(level);
        FOut += name + " = <";
        for (int i = 0; i < collection.Count(); ++i) {
            FOut += "\n";
            indent(level + 1);
            FOut += "item\n";
            writeProperties(*collection.Items(i), String(), level + 2, depth + 1);
            indent(level + 1);
            FOut += "end";
        }
        FOut += ">\n";
    }

    void writeProperty(const String &name, const TFormValue &value, int level)
    {
        indent(level);
        FOut += name + " =";
        writeValue(value, level, name, " ");
        FOut += "\n";
    }

    // Writes lead and the value; a long string, a list's items and binary
    // data go on following lines, one level deeper than level.
    void writeValue(const TFormValue &value, int level, const String &name, const String &lead)
    {
        switch (value.kind) {
        case TFormValue::Kind::Integer:
            FOut += lead + std::to_string(value.integer);
            return;
        case TFormValue::Kind::Float:
            FOut += lead + formatFloat(value.number, name);
            return;
        case TFormValue::Kind::String:
            writeString(value.text, level, lead);
            return;
        case TFormValue::Kind::Identifier:
            FOut += lead + value.text;
            return;
        case TFormValue::Kind::Set: {
            FOut += lead + "[";
            for (std::size_t i = 0; i < value.set.size(); ++i)
                FOut += (i ? ", " : "") + value.set[i];
            FOut += "]";
            return;
        }
        case TFormValue::Kind::List: {
            FOut += lead + "(";
            const String itemLead = "\n" + String(static_cast<std::size_t>(level + 1) * 2, ' ');
            for (const TFormValue &item : value.list)
                writeValue(item, level, name, itemLead);
            FOut += ")";
            return;
        }
        case TFormValue::Kind::Collection:
            throw EWriteError("Property " + name + " holds a collection value it cannot write");
        case TFormValue::Kind::Binary: {
            FOut += lead + "{";
            static const char digits[] = "0123456789ABCDEF";
            for (std::size_t i = 0; i < value.binary.size(); ++i) {
                if (i % BinaryBytesPerLine == 0) {
                    FOut += "\n";
                    indent(level + 1);
                }
                FOut += digits[value.binary[i] >> 4];
                FOut += digits[value.binary[i] & 0xF];
            }
            FOut += "}";
            return;
        }
        }
    }

    static String formatFloat(double v, const String &name)
    {
        if (!std::isfinite(v))
            throw EWriteError("Property " + name + " is not a finite number");
        char buf[64];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
        (void)ec; // 64 characters hold any double
        String raw(buf, end);
        const auto e = raw.find('e');
        if (e == String::npos) {
            if (raw.find('.') == String::npos)
                raw += ".0"; // read back as a float, not an integer
            return raw;
        }
        // 1.5e+10 -> 1.5E10, 1e-05 -> 1E-5
        String mantissa = raw.substr(0, e);
        String exponent = raw.substr(e + 1);
        String sign;
        if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
            if (exponent[0] == '-')
                sign = "-";
            exponent.erase(0, 1);
        }
        exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
        return mantissa + "E" + sign + exponent;
    }

    // Strings are written as quoted runs with #nn for control characters;
    // one longer than a line goes on following lines in pieces joined by +.
    void writeString(const String &s, int level, const String &lead)
    {
        // Split into characters: a UTF-8 sequence stays whole.
        std::vector<std::pair<std::size_t, std::size_t>> chars;
        for (std::size_t i = 0; i < s.size();) {
            std::size_t len = 1;
            const auto b = static_cast<unsigned char>(s[i]);
            if (b >= 0xC0) {
                const std::size_t want = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
                while (len < want && i + len < s.size() &&
                       (static_cast<unsigned char>(s[i + len]) & 0xC0) == 0x80)
                    ++len;
            }
            chars.emplace_back(i, len);
            i += len;
        }
        if (chars.empty()) {
            FOut += lead + "''";
            return;
        }
        const bool multiline = chars.size() > StringPieceLength;
        for (std::size_t start = 0; start < chars.size(); start += StringPieceLength) {
            if (multiline) {
                if (start)
                    FOut += " +";
                FOut += "\n";
                indent(level + 1);
            } else {
                FOut += lead;
            }
            const std::size_t stop = std::min(chars.size(), start + StringPieceLength);
            bool quoted = false;
            for (std::size_t k = start; k < stop; ++k) {
                const auto [pos, len] = chars[k];
                const auto b = static_cast<unsigned char>(s[pos]);
                if (b < 32 || b == 127) {
                    if (quoted)
                        FOut += '\'';
                    quoted = false;
                    FOut += "#" + std::to_string(b);
                } else {
                    if (!quoted)
                        FOut += '\'';
                    quoted = true;
                    if (b == '\'')
                        FOut += "''";
                    else
                        FOut.append(s, pos, len);
                }
            }
            if (quoted)
                FOut += '\'';
        }
    }

    TComponent &FRoot;
    String FOut;
};

bool isResourceName(const String &name)
{
    return !name.empty() && isIdentStart(name[0]) &&
           std::all_of(name.begin(), name.end(), isIdentChar);
}

} // namespace

String WriteComponentToText(TComponent &Root)
{
    return Writer(Root).Write();
}

bool FindFormResource(const String &ResourceName, String &Text)
{
    // Only plain names: anything else could reach other resources.
    if (!isResourceName(ResourceName))
        return false;
    QFile file(QStringLiteral(":/forms/") + QString::fromStdString(UpperCase(ResourceName)) +
               QStringLiteral(".dfm"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    Text.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return true;
}
