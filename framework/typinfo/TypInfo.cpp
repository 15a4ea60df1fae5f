#include "framework/TypInfo.h"

#include <algorithm>
#include <map>
#include <mutex>

const TEnumInfo BooleanEnumInfo{"Boolean", {"False", "True"}};

int TEnumInfo::OrdinalOf(const String &Literal) const
{
    for (std::size_t i = 0; i < Literals.size(); ++i)
        if (SameText(Literals[i], Literal))
            return static_cast<int>(i);
    return -1;
}

std::optional<std::int64_t> TIdentMap::ToInt(const String &ident) const
{
    for (const auto &[value, name] : Entries)
        if (SameText(name, ident))
            return value;
    return std::nullopt;
}

std::optional<String> TIdentMap::ToIdent(std::int64_t value) const
{
    for (const auto &[v, name] : Entries)
        if (v == value)
            return name;
    return std::nullopt;
}

// ------------------------------------------------------------- TFormValue --

TFormValue TFormValue::Int(std::int64_t v)
{
    TFormValue f;
    f.kind = Kind::Integer;
    f.integer = v;
    return f;
}

TFormValue TFormValue::Float(double v)
{
    TFormValue f;
    f.kind = Kind::Float;
    f.number = v;
    return f;
}

TFormValue TFormValue::Str(String v)
{
    TFormValue f;
    f.kind = Kind::String;
    f.text = std::move(v);
    return f;
}

TFormValue TFormValue::Ident(String v)
{
    TFormValue f;
    f.kind = Kind::Identifier;
    f.text = std::move(v);
    return f;
}

TFormValue TFormValue::SetOf(std::vector<String> v)
{
    TFormValue f;
    f.kind = Kind::Set;
    f.set = std::move(v);
    return f;
}

TFormValue TFormValue::Bytes(std::vector<std::uint8_t> v)
{
    TFormValue f;
    f.kind = Kind::Binary;
    f.binary = std::move(v);
    return f;
}

bool TFormValue::operator==(const TFormValue &o) const
{
    if (kind != o.kind)
        return false;
    switch (kind) {
    case Kind::Integer:
        return integer == o.integer;
    case Kind::Float:
        return number == o.number;
    case Kind::String:
        return text == o.text;
    case Kind::Identifier:
        return SameText(text, o.text);
    case Kind::Set: {
        if (set.size() != o.set.size())
            return false;
        for (std::size_t i = 0; i < set.size(); ++i)
            if (!SameText(set[i], o.set[i]))
                return false;
        return true;
    }
    case Kind::List:
        return list == o.list;
    case Kind::Collection:
        return items == o.items;
    case Kind::Binary:
        return binary == o.binary;
    }
    return false;
}

// ------------------------------------------------------------- conversion --

void ThrowInvalidPropertyValue(const String &property, const String &detail)
{
    throw EReadError("Invalid property value for " + property + ": " + detail);
}

std::int64_t FormValueToInteger(const String &property, const TFormValue &v)
{
    if (v.kind != TFormValue::Kind::Integer)
        ThrowInvalidPropertyValue(property, "integer expected");
    return v.integer;
}

double FormValueToFloat(const String &property, const TFormValue &v)
{
    if (v.kind == TFormValue::Kind::Float)
        return v.number;
    if (v.kind == TFormValue::Kind::Integer)
        return static_cast<double>(v.integer);
    ThrowInvalidPropertyValue(property, "number expected");
}

String FormValueToString(const String &property, const TFormValue &v)
{
    if (v.kind != TFormValue::Kind::String)
        ThrowInvalidPropertyValue(property, "string expected");
    return v.text;
}

bool FormValueToBoolean(const String &property, const TFormValue &v)
{
    return FormValueToOrdinal(property, v, BooleanEnumInfo) != 0;
}

int FormValueToOrdinal(const String &property, const TFormValue &v, const TEnumInfo &info)
{
    if (v.kind != TFormValue::Kind::Identifier)
        ThrowInvalidPropertyValue(property, info.Name + " literal expected");
    const int ordinal = info.OrdinalOf(v.text);
    if (ordinal < 0)
        ThrowInvalidPropertyValue(property, "'" + v.text + "' is not a " + info.Name + " literal");
    return ordinal;
}

std::uint64_t FormValueToSetBits(const String &property, const TFormValue &v, const TEnumInfo &info)
{
    if (v.kind != TFormValue::Kind::Set)
        ThrowInvalidPropertyValue(property, "set expected");
    std::uint64_t bits = 0;
    for (const String &literal : v.set) {
        const int ordinal = info.OrdinalOf(literal);
        if (ordinal < 0 || ordinal >= 64)
            ThrowInvalidPropertyValue(property,
                                      "'" + literal + "' is not a " + info.Name + " literal");
        bits |= std::uint64_t{1} << ordinal;
    }
    return bits;
}

TFormValue OrdinalToFormValue(int ordinal, const TEnumInfo &info)
{
    if (ordinal >= 0 && static_cast<std::size_t>(ordinal) < info.Literals.size())
        return TFormValue::Ident(info.Literals[static_cast<std::size_t>(ordinal)]);
    return TFormValue::Int(ordinal);
}

TFormValue SetBitsToFormValue(std::uint64_t bits, const TEnumInfo &info)
{
    std::vector<String> literals;
    for (std::size_t i = 0; i < info.Literals.size() && i < 64; ++i)
        if (bits & (std::uint64_t{1} << i))
            literals.push_back(info.Literals[i]);
    return TFormValue::SetOf(std::move(literals));
}

// ------------------------------------------------------------- TClassInfo --

bool TClassInfo::InheritsFrom(const TClassInfo &ancestor) const
{
    for (const TClassInfo *c = this; c; c = c->Parent)
        if (c == &ancestor)
            return true;
    return false;
}

namespace {
// The first entry called `name` (case-blind) in one of a class's lists,
// looking at the class itself before its ancestors.
template <class Entry>
const Entry *findInClassChain(const TClassInfo *info, std::vector<Entry> TClassInfo::*list,
                              const String &name)
{
    for (const TClassInfo *c = info; c; c = c->Parent)
        for (const Entry &entry : c->*list)
            if (SameText(entry.Name, name))
                return &entry;
    return nullptr;
}
} // namespace

const TPropInfo *TClassInfo::FindProperty(const String &name) const
{
    return findInClassChain(this, &TClassInfo::Properties, name);
}

const TMethodInfo *TClassInfo::FindMethod(const String &name) const
{
    return findInClassChain(this, &TClassInfo::Methods, name);
}

const TFieldInfo *TClassInfo::FindField(const String &name) const
{
    return findInClassChain(this, &TClassInfo::Fields, name);
}

std::vector<const TPropInfo *> TClassInfo::AllProperties() const
{
    std::vector<const TClassInfo *> chain;
    for (const TClassInfo *c = this; c; c = c->Parent)
        chain.push_back(c);
    std::vector<const TPropInfo *> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const TPropInfo &p : (*it)->Properties) {
            auto same = std::find_if(out.begin(), out.end(),
                                     [&](const TPropInfo *q) { return SameText(q->Name, p.Name); });
            if (same != out.end())
                *same = &p;
            else
                out.push_back(&p);
        }
    }
    return out;
}

// --------------------------------------------------------------- registry --

namespace {

struct CaseBlindLess
{
    bool operator()(const String &a, const String &b) const { return CompareText(a, b) < 0; }
};

struct Registry
{
    std::mutex lock;
    std::map<String, const TClassInfo *, CaseBlindLess> classes;
    std::map<const TClassInfo *, String> palette;
};

Registry &registry()
{
    static Registry r;
    return r;
}

} // namespace

void RegisterClass(const TClassInfo &info)
{
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    r.classes[info.Name] = &info;
}

const TClassInfo *GetClass(const String &name)
{
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    const auto it = r.classes.find(name);
    return it == r.classes.end() ? nullptr : it->second;
}

std::vector<const TClassInfo *> RegisteredClasses()
{
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    std::map<String, const TClassInfo *, CaseBlindLess> all = r.classes;
    for (const auto &entry : r.palette)
        all.emplace(entry.first->Name, entry.first);
    std::vector<const TClassInfo *> out;
    out.reserve(all.size());
    for (const auto &entry : all)
        out.push_back(entry.second);
    return out;
}

void RegisterComponents(const String &Page, std::initializer_list<const TClassInfo *> Classes)
{
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    for (const TClassInfo *c : Classes)
        r.palette[c] = Page;
}

String ComponentPalettePage(const TClassInfo &info)
{
    Registry &r = registry();
    std::lock_guard guard(r.lock);
    const auto it = r.palette.find(&info);
    return it == r.palette.end() ? String() : it->second;
}
