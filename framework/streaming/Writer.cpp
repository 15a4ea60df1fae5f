#include "framework/Streaming.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

} // namespace

String WriteComponentToText(TComponent &Root)
{
    return Writer(Root).Write();
}
