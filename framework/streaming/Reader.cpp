#include "framework/Streaming.h"
#include "framework/streaming/Streaming_p.h"

#include <QFile>
#include <algorithm>

using streaming_detail::ELocatedReadError;
using streaming_detail::failAt;
using streaming_detail::FormObject;
using streaming_detail::isIdentChar;
using streaming_detail::isIdentStart;
using streaming_detail::parseDescription;

namespace {

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
                const TUpdateGuard updating(*strings);
                strings->Clear();
                for (const TFormValue &line : p.value.list)
                    strings->Add(line.text);
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
        // The items' own errors already name their lines; the collection's
        // (its end of update included) are told at the property's line.
        atLine(p.line, [&] {
            const TUpdateGuard updating(*collection);
            collection->Clear();
            for (const auto &item : p.value.items) {
                TCollectionItem *added = collection->Add();
                for (const TFormValue::Property &ip : item)
                    setProperty(*added, component, ip, depth + 1);
            }
        });
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
    const FormObject top = parseDescription(Text, SourceName);
    TReader(Root, SourceName).Read(top);
}

std::unique_ptr<TComponent> ReadNewComponentFromText(const String &Text, const String &SourceName)
{
    const FormObject top = parseDescription(Text, SourceName);
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

// --------------------------------------------------------- form resources --

namespace {

bool isResourceName(const String &name)
{
    return !name.empty() && isIdentStart(name[0]) &&
           std::all_of(name.begin(), name.end(), isIdentChar);
}

} // namespace

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
