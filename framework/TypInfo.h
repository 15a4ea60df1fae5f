#pragma once

// Run-time type information: a registry of classes by name and, per class, its
// published properties, methods and fields. Form descriptions are read and
// written through these tables (framework/Streaming.h).
//
// A class declares TUMBLER_CLASS in its body and defines StaticClassInfo() in
// its source file with a TClassBuilder:
//
//   const TClassInfo &TJSetting::StaticClassInfo()
//   {
//       static const TClassInfo info = TClassBuilder<TJSetting>("TJSetting",
//       &TComponent::StaticClassInfo())
//           .Component()
//           .Object("Storage", &TJSetting::Storage)
//           .String("KeyName", &TJSetting::KeyName, &TJSetting::SetKeyName, "")
//           .Build();
//       return info;
//   }

#include "framework/Classes.h"

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <typeindex>
#include <vector>

enum class TTypeKind
{
    tkInteger,
    tkFloat,
    tkString,
    tkEnumeration, // Boolean properties are enumerations of False, True
    tkSet,
    tkClass,      // a nested persistent object, written as Name.Property = ...
    tkCollection, // a TCollection, written as <item ... end>
    tkStrings,    // a TStrings, written as ( 'line' 'line' )
    tkBinary,     // raw bytes, written as { hex }
    tkMethod,     // an event, written as the name of a method of the root
    tkComponent   // a reference to another component, written as its name
};

// The literal names of an enumeration, in ordinal order.
struct TEnumInfo
{
    String Name;
    std::vector<String> Literals;

    // The ordinal of a literal (case-blind), or -1.
    int OrdinalOf(const String &Literal) const;
};

extern const TEnumInfo BooleanEnumInfo; // False, True

// Integer values that have names in form descriptions (colours such as
// clBtnFace, charsets, cursors): written by name when they have one, read
// either way.
struct TIdentMap
{
    std::vector<std::pair<std::int64_t, String>> Entries;
    std::optional<std::int64_t> ToInt(const String &ident) const;
    std::optional<String> ToIdent(std::int64_t value) const;
};

// A value as a form description holds it.
struct TFormValue
{
    enum class Kind
    {
        Integer,
        Float,
        String,
        Identifier,
        Set,
        List,
        Collection,
        Binary
    };
    struct Property; // a name and a value, with the line it was read from

    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    double number = 0;
    String text;                              // String and Identifier
    std::vector<String> set;                  // Set: literal names
    std::vector<TFormValue> list;             // List: items, e.g. the lines of a TStrings
    std::vector<std::vector<Property>> items; // Collection: the properties of each item
    std::vector<std::uint8_t> binary;         // Binary

    static TFormValue Int(std::int64_t v);
    static TFormValue Float(double v);
    static TFormValue Str(String v);
    static TFormValue Ident(String v);
    static TFormValue SetOf(std::vector<String> v);
    static TFormValue Bytes(std::vector<std::uint8_t> v);

    bool operator==(const TFormValue &other) const;
};

struct TFormValue::Property
{
    String name;
    TFormValue value;
    int line = 0;
    bool operator==(const Property &other) const
    {
        return name == other.name && value == other.value;
    }
};

// An event's value as the tables pass it: the object, the method (type-erased
// member pointer, see TEvent::Code) and the method's name.
struct TMethodValue
{
    TObject *Data = nullptr;
    std::any Code;
    String Name;
};

struct TPropInfo
{
    String Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    const TEnumInfo *Enum = nullptr;       // tkEnumeration, tkSet: the literals
    const TClassInfo *PropClass = nullptr; // tkClass, tkCollection, tkStrings: the object's class

    // tkInteger, tkFloat, tkString, tkEnumeration, tkSet, tkBinary.
    std::function<TFormValue(const TObject &)> Get;
    std::function<void(TObject &, const TFormValue &)> Set;
    // tkClass, tkCollection, tkStrings: the nested object, owned by the instance.
    std::function<TPersistent *(TObject &)> GetObject;
    // tkMethod.
    std::function<TMethodValue(const TObject &)> GetMethod;
    std::function<void(TObject &, const TMethodValue &)> SetMethod;
    std::type_index MethodType = typeid(void);
    // tkComponent: the referenced component (null: none). PropClass is the
    // class the reference must have; the setter raises EReadError otherwise.
    // The reader resolves names once every component of a description exists.
    std::function<TComponent *(const TObject &)> GetComponent;
    std::function<void(TObject &, TComponent *)> SetComponent;

    // The declared default; a property equal to it is not written. Empty:
    // no default, always written.
    std::optional<TFormValue> Default;
    // Whether the property is written at all; null means always.
    std::function<bool(const TObject &)> Stored;
};

struct TMethodInfo
{
    String Name;
    std::type_index Type = typeid(void);           // the TEvent<...>::Code type
    std::any Code;                                 // a TEvent<...>::Code
    std::function<bool(const std::any &)> Matches; // same member pointer?
};

// A published field of a form: set to the component of that name when the
// form's description is read.
struct TFieldInfo
{
    String Name;
    const TClassInfo *FieldClass = nullptr;
    std::function<void(TObject &, TComponent *)> Assign;
};

class TClassInfo
{
public:
    using Factory = std::function<TComponent *(TComponent *Owner)>;

    String Name;
    const TClassInfo *Parent = nullptr;
    Factory Create;                    // components only
    std::vector<TPropInfo> Properties; // this class's own, in declaration order
    std::vector<TMethodInfo> Methods;
    std::vector<TFieldInfo> Fields;

    bool InheritsFrom(const TClassInfo &ancestor) const;
    // Searches this class, then its ancestors (case-blind).
    const TPropInfo *FindProperty(const String &name) const;
    const TMethodInfo *FindMethod(const String &name) const;
    const TFieldInfo *FindField(const String &name) const;
    // All published properties, ancestors' first, each in declaration order;
    // a property redeclared by a descendant replaces the ancestor's in place.
    std::vector<const TPropInfo *> AllProperties() const;
};

// The class registry: form descriptions name classes that must be registered.
void RegisterClass(const TClassInfo &info);
template <class... C> void RegisterClasses()
{
    (RegisterClass(C::StaticClassInfo()), ...);
}
// The registered class of that name (case-blind), or null.
const TClassInfo *GetClass(const String &name);

// Every class registered for form descriptions or on the palette, by name.
std::vector<const TClassInfo *> RegisteredClasses();

// The design environment's component palette. Register routines record their
// classes here; nothing else happens at run time.
void RegisterComponents(const String &Page, std::initializer_list<const TClassInfo *> Classes);
// The page a class was registered on, or empty.
String ComponentPalettePage(const TClassInfo &info);

namespace typinfo_detail {
template <typename V> TFormValue toForm(const V &v)
{
    if constexpr (std::is_same_v<V, bool>)
        return TFormValue::Ident(v ? "True" : "False");
    else if constexpr (std::is_integral_v<V>)
        return TFormValue::Int(static_cast<std::int64_t>(v));
    else if constexpr (std::is_floating_point_v<V>)
        return TFormValue::Float(static_cast<double>(v));
    else
        return TFormValue::Str(String(v));
}
} // namespace typinfo_detail

// Raises EReadError "Invalid property value" (with detail) for a value of the wrong kind.
[[noreturn]] void ThrowInvalidPropertyValue(const String &property, const String &detail);
std::int64_t FormValueToInteger(const String &property, const TFormValue &v);
double FormValueToFloat(const String &property, const TFormValue &v);
String FormValueToString(const String &property, const TFormValue &v);
bool FormValueToBoolean(const String &property, const TFormValue &v);
int FormValueToOrdinal(const String &property, const TFormValue &v, const TEnumInfo &info);
std::uint64_t FormValueToSetBits(const String &property, const TFormValue &v,
                                 const TEnumInfo &info);
TFormValue OrdinalToFormValue(int ordinal, const TEnumInfo &info);
TFormValue SetBitsToFormValue(std::uint64_t bits, const TEnumInfo &info);

// Builds the type information of class C. Accessors are C's member functions
// (or those of its bases); getters may return by value or by const reference.
template <class C> class TClassBuilder
{
public:
    TClassBuilder(String name, const TClassInfo *parent)
    {
        FInfo.Name = std::move(name);
        FInfo.Parent = parent;
    }

    // C is a component that form descriptions can create: new C(Owner).
    TClassBuilder &Component()
    {
        FInfo.Create = [](TComponent *owner) -> TComponent * { return new C(owner); };
        return *this;
    }

    template <class G, class S>
    TClassBuilder &Integer(String name, G get, S set, std::optional<std::int64_t> def = 0)
    {
        TPropInfo p = base(std::move(name), TTypeKind::tkInteger);
        p.Get = [get](const TObject &o) {
            return TFormValue::Int(static_cast<std::int64_t>((self(o).*get)()));
        };
        p.Set = [set, n = p.Name](TObject &o, const TFormValue &v) {
            using T = std::decay_t<first_arg_t<S>>;
            (self(o).*set)(static_cast<T>(FormValueToInteger(n, v)));
        };
        if (def)
            p.Default = TFormValue::Int(*def);
        return add(std::move(p));
    }

    // An integer written by name where the map has one (colours, cursors, charsets).
    template <class G, class S>
    TClassBuilder &IntegerIdents(String name, G get, S set, const TIdentMap &map,
                                 std::optional<std::int64_t> def = 0)
    {
        TPropInfo p = base(std::move(name), TTypeKind::tkInteger);
        p.Get = [get, &map](const TObject &o) {
            const auto value = static_cast<std::int64_t>((self(o).*get)());
            if (auto ident = map.ToIdent(value))
                return TFormValue::Ident(*ident);
            return TFormValue::Int(value);
        };
        p.Set = [set, &map, n = p.Name](TObject &o, const TFormValue &v) {
            using T = std::decay_t<first_arg_t<S>>;
            std::int64_t value = 0;
            if (v.kind == TFormValue::Kind::Identifier) {
                const auto known = map.ToInt(v.text);
                if (!known)
                    ThrowInvalidPropertyValue(n, "'" + v.text + "' is not a known value");
                value = *known;
            } else {
                value = FormValueToInteger(n, v);
            }
            (self(o).*set)(static_cast<T>(value));
        };
        if (def) {
            const auto ident = map.ToIdent(*def);
            p.Default = ident ? TFormValue::Ident(*ident) : TFormValue::Int(*def);
        }
        return add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder &Float(String name, G get, S set, std::optional<double> def = 0.0)
    {
        TPropInfo p = base(std::move(name), TTypeKind::tkFloat);
        p.Get = [get](const TObject &o) { return TFormValue::Float((self(o).*get)()); };
        p.Set = [set, n = p.Name](TObject &o, const TFormValue &v) {
            (self(o).*set)(FormValueToFloat(n, v));
        };
        if (def)
            p.Default = TFormValue::Float(*def);
        return add(std::move(p));
    }

    // def empty: no default, always written.
    template <class G, class S>
    TClassBuilder &Text(String name, G get, S set, std::optional<String> def = String())
    {
        TPropInfo p = base(std::move(name), TTypeKind::tkString);
        p.Get = [get](const TObject &o) { return TFormValue::Str(String((self(o).*get)())); };
        p.Set = [set, n = p.Name](TObject &o, const TFormValue &v) {
            (self(o).*set)(FormValueToString(n, v));
        };
        if (def)
            p.Default = TFormValue::Str(*def);
        return add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder &Boolean(String name, G get, S set, std::optional<bool> def = false)
    {
        TPropInfo p = base(std::move(name), TTypeKind::tkEnumeration);
        p.Enum = &BooleanEnumInfo;
        p.Get = [get](const TObject &o) {
            return TFormValue::Ident((self(o).*get)() ? "True" : "False");
        };
        p.Set = [set, n = p.Name](TObject &o, const TFormValue &v) {
            (self(o).*set)(FormValueToBoolean(n, v));
        };
        if (def)
            p.Default = TFormValue::Ident(*def ? "True" : "False");
        return add(std::move(p));
    }

    template <class G, class S>
    TClassBuilder &Enumeration(String name, G get, S set, const TEnumInfo &info,
                               std::optional<int> def)
    {
        TPropInfo p = base(std::move(name), TTypeKind::tkEnumeration);
        p.Enum = &info;
        p.Get = [get, &info](const TObject &o) {
            return OrdinalToFormValue(static_cast<int>((self(o).*get)()), info);
        };
        p.Set = [set, &info, n = p.Name](TObject &o, const TFormValue &v) {
            using T = std::decay_t<first_arg_t<S>>;
            (self(o).*set)(static_cast<T>(FormValueToOrdinal(n, v, info)));
        };
        if (def)
            p.Default = OrdinalToFormValue(*def, info);
        return add(std::move(p));
    }

    // Getter returns a TSet<E>; setter takes one.
    template <class G, class S>
    TClassBuilder &Set(String name, G get, S set, const TEnumInfo &info,
                       std::optional<std::uint64_t> defBits = 0)
    {
        TPropInfo p = base(std::move(name), TTypeKind::tkSet);
        p.Enum = &info;
        p.Get = [get, &info](const TObject &o) {
            return SetBitsToFormValue((self(o).*get)().Bits(), info);
        };
        p.Set = [set, &info, n = p.Name](TObject &o, const TFormValue &v) {
            using T = std::decay_t<first_arg_t<S>>;
            (self(o).*set)(T::FromBits(FormValueToSetBits(n, v, info)));
        };
        if (defBits)
            p.Default = SetBitsToFormValue(*defBits, info);
        return add(std::move(p));
    }

    // Raw bytes; def empty means always written.
    template <class G, class S> TClassBuilder &Binary(String name, G get, S set)
    {
        TPropInfo p = base(std::move(name), TTypeKind::tkBinary);
        p.Get = [get](const TObject &o) { return TFormValue::Bytes((self(o).*get)()); };
        p.Set = [set, n = p.Name](TObject &o, const TFormValue &v) {
            if (v.kind != TFormValue::Kind::Binary)
                ThrowInvalidPropertyValue(n, "binary data expected");
            (self(o).*set)(v.binary);
        };
        return add(std::move(p));
    }

    // A nested persistent object owned by the instance (Font, Storage): its
    // own properties are written as Name.Property. get returns a pointer.
    template <class G> TClassBuilder &Object(String name, G get)
    {
        using T = std::remove_pointer_t<std::decay_t<decltype((std::declval<C &>().*get)())>>;
        TPropInfo p = base(std::move(name), kindOf<T>());
        p.PropClass = &T::StaticClassInfo();
        p.GetObject = [get](TObject &o) -> TPersistent * { return (self(o).*get)(); };
        return add(std::move(p));
    }

    template <class G, class S> TClassBuilder &Event(String name, G get, S set)
    {
        using E = std::decay_t<decltype((std::declval<const C &>().*get)())>;
        TPropInfo p = base(std::move(name), TTypeKind::tkMethod);
        p.MethodType = typeid(typename E::Code);
        p.GetMethod = [get](const TObject &o) {
            const E e = (self(o).*get)();
            TMethodValue m;
            m.Data = e.Data();
            if (e.Method())
                m.Code = e.Method();
            m.Name = e.MethodName();
            return m;
        };
        p.SetMethod = [set, n = p.Name](TObject &o, const TMethodValue &m) {
            E e;
            if (m.Data && m.Code.has_value()) {
                const auto *code = std::any_cast<typename E::Code>(&m.Code);
                if (!code)
                    ThrowInvalidPropertyValue(n,
                                              "method '" + m.Name + "' has the wrong parameters");
                e = E(m.Data, *code);
                e.Named(m.Name);
            }
            (self(o).*set)(e);
        };
        return add(std::move(p));
    }

    // A reference to another component (SmallImages, FocusControl): written as
    // the referenced component's name, not stored when null. get returns a
    // pointer to T (a TComponent), set takes one.
    template <class G, class S> TClassBuilder &Reference(String name, G get, S set)
    {
        using T = std::remove_pointer_t<std::decay_t<decltype((std::declval<const C &>().*get)())>>;
        static_assert(std::is_base_of_v<TComponent, T>, "a reference names a component");
        TPropInfo p = base(std::move(name), TTypeKind::tkComponent);
        p.PropClass = &T::StaticClassInfo();
        p.GetComponent = [get](const TObject &o) -> TComponent * { return (self(o).*get)(); };
        p.SetComponent = [set, n = p.Name](TObject &o, TComponent *component) {
            T *typed = dynamic_cast<T *>(component);
            if (component && !typed)
                ThrowInvalidPropertyValue(n, component->Name() + " is not a " +
                                                 T::StaticClassInfo().Name);
            (self(o).*set)(typed);
        };
        return add(std::move(p));
    }

    // Only the last property added: its Stored predicate.
    template <class P> TClassBuilder &StoredIf(P predicate)
    {
        FInfo.Properties.back().Stored = [predicate](const TObject &o) {
            return (self(o).*predicate)();
        };
        return *this;
    }

    // A published method that form descriptions can bind events to.
    template <class M, class... A> TClassBuilder &Method(String name, void (M::*method)(A...))
    {
        using Code = typename TEvent<A...>::Code;
        TMethodInfo m;
        m.Name = std::move(name);
        m.Type = typeid(Code);
        const Code code = static_cast<Code>(method);
        m.Code = code;
        m.Matches = [code](const std::any &other) {
            const auto *c = std::any_cast<Code>(&other);
            return c && *c == code;
        };
        FInfo.Methods.push_back(std::move(m));
        return *this;
    }

    // A published field: a pointer member set to the component of that name.
    template <class T, class M> TClassBuilder &Field(String name, T *M::*field)
    {
        TFieldInfo f;
        f.Name = std::move(name);
        f.FieldClass = &T::StaticClassInfo();
        f.Assign = [field, n = f.Name](TObject &o, TComponent *component) {
            T *typed = dynamic_cast<T *>(component);
            if (component && !typed)
                throw EReadError("Field " + n + " has the wrong class");
            self(o).*field = typed;
        };
        FInfo.Fields.push_back(std::move(f));
        return *this;
    }

    TClassBuilder &Property(TPropInfo p) { return add(std::move(p)); }

    TClassInfo Build() { return std::move(FInfo); }

private:
    template <typename F> struct first_arg;
    template <typename R, typename K, typename A> struct first_arg<R (K::*)(A)>
    {
        using type = A;
    };
    template <typename F> using first_arg_t = typename first_arg<F>::type;

    template <class T> static constexpr TTypeKind kindOf()
    {
        if constexpr (std::is_base_of_v<TCollection, T>)
            return TTypeKind::tkCollection;
        else if constexpr (std::is_base_of_v<TStrings, T>)
            return TTypeKind::tkStrings;
        else
            return TTypeKind::tkClass;
    }

    static C &self(TObject &o) { return static_cast<C &>(o); }
    static const C &self(const TObject &o) { return static_cast<const C &>(o); }

    TPropInfo base(String name, TTypeKind kind)
    {
        TPropInfo p;
        p.Name = std::move(name);
        p.Kind = kind;
        return p;
    }
    TClassBuilder &add(TPropInfo p)
    {
        FInfo.Properties.push_back(std::move(p));
        return *this;
    }

    TClassInfo FInfo;
};
