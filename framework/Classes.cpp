#include "framework/Classes.h"

#include "framework/TypInfo.h"

#include <algorithm>
#include <cctype>

// ---------------------------------------------------------------- TObject --

const TClassInfo &TObject::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TObject>("TObject", nullptr).Build();
    return info;
}

const String &TObject::ClassName() const
{
    return ClassInfo().Name;
}

bool TObject::InheritsFrom(const TClassInfo &ancestor) const
{
    return ClassInfo().InheritsFrom(ancestor);
}

// ------------------------------------------------------------ TPersistent --

const TClassInfo &TPersistent::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPersistent>("TPersistent", &TObject::StaticClassInfo()).Build();
    return info;
}

void TPersistent::Assign(TPersistent *Source)
{
    if (Source)
        Source->AssignTo(this);
    else
        throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent *Dest)
{
    throw EConvertError("Cannot assign a " + ClassName() + " to a " +
                        (Dest ? Dest->ClassName() : String("nil")));
}

// ------------------------------------------------------------- TComponent --

const TClassInfo &TComponent::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TComponent>("TComponent", &TPersistent::StaticClassInfo())
            .Component()
            .Text("Name", &TComponent::Name, &TComponent::SetName, std::nullopt)
            .StoredIf(&TComponent::isNameStored)
            .Build();
    return info;
}

TComponent::TComponent(TComponent *AOwner)
{
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Those who asked to hear of our end hear it before our parts go.
    while (!FFreeNotifies.empty()) {
        TComponent *other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        auto &back = other->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

bool TComponent::isNameStored() const
{
    // The root's name is the form's own; a component's name is always written
    // as its object header, so it is never stored as a property.
    return false;
}

TComponent *TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    return FComponents[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const
{
    if (!FOwner)
        return -1;
    const auto &list = FOwner->FComponents;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent *TComponent::FindComponent(const String &AName) const
{
    if (AName.empty())
        return nullptr;
    for (TComponent *c : FComponents)
        if (SameText(c->FName, AName))
            return c;
    return nullptr;
}

namespace {
bool isValidIdent(const String &s)
{
    if (s.empty())
        return false;
    const auto alpha = [](char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
    };
    if (!alpha(s[0]))
        return false;
    return std::all_of(s.begin() + 1, s.end(), [&](char c) {
        return alpha(c) || std::isdigit(static_cast<unsigned char>(c));
    });
}
} // namespace

void TComponent::SetName(const String &NewName)
{
    if (FName == NewName)
        return;
    if (!NewName.empty() && !isValidIdent(NewName))
        throw EComponentError("'" + NewName + "' is not a valid component name");
    if (FOwner)
        FOwner->validateRename(this, FName, NewName);
    FName = NewName;
}

void TComponent::validateRename(TComponent *AComponent, const String &CurName,
                                const String &NewName)
{
    if (!NewName.empty() && !SameText(CurName, NewName)) {
        TComponent *existing = FindComponent(NewName);
        if (existing && existing != AComponent)
            throw EComponentError("A component named " + NewName + " already exists");
    }
}

void TComponent::InsertComponent(TComponent *AComponent)
{
    if (!AComponent)
        return;
    validateRename(AComponent, String(), AComponent->FName);
    insert(AComponent);
    if (FComponentState.Contains(csDesigning))
        AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent *AComponent)
{
    if (!AComponent || AComponent->FOwner != this)
        return;
    Notification(AComponent, opRemove);
    remove(AComponent);
}

void TComponent::insert(TComponent *AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::remove(TComponent *AComponent)
{
    FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent),
                      FComponents.end());
    AComponent->FOwner = nullptr;
}

void TComponent::Notification(TComponent *AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent)
        RemoveFreeNotification(AComponent);
    // Owned components hear of every insertion and removal in their owner.
    for (std::size_t i = FComponents.size(); i-- > 0;) {
        if (i >= FComponents.size())
            continue; // a handler removed components
        FComponents[i]->Notification(AComponent, Operation);
    }
}

void TComponent::FreeNotification(TComponent *AComponent)
{
    if (!AComponent || AComponent == this)
        return;
    // Components of one owner hear of each other through that owner; the flag
    // makes the owner tell them even when it frees its components itself.
    if (!FOwner || AComponent->FOwner != FOwner) {
        const auto add = [](std::vector<TComponent *> &list, TComponent *c) {
            if (std::find(list.begin(), list.end(), c) == list.end())
                list.push_back(c);
        };
        add(FFreeNotifies, AComponent);
        add(AComponent->FFreeNotifies, this);
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent *AComponent)
{
    if (!AComponent)
        return;
    auto drop = [](std::vector<TComponent *> &list, TComponent *c) {
        list.erase(std::remove(list.begin(), list.end(), c), list.end());
    };
    drop(FFreeNotifies, AComponent);
    drop(AComponent->FFreeNotifies, this);
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
}

void TComponent::GetChildren(const std::function<void(TComponent *)> &Proc, TComponent *Root) const
{
    if (Root != this)
        return;
    for (TComponent *c : FComponents)
        if (!c->HasParent() || !c->GetParentComponent())
            Proc(c);
}

void TComponent::SetDesigning(bool Value, bool SetChildren)
{
    SetComponentStateFlag(csDesigning, Value);
    if (SetChildren)
        for (TComponent *c : FComponents)
            c->SetDesigning(Value, true);
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent *c : FComponents)
        c->Destroying();
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent *last = FComponents.back();
        if (last->FComponentState.Contains(csFreeNotification))
            RemoveComponent(last); // its siblings asked to hear of its end
        else
            remove(last);
        delete last;
    }
}

void TComponent::SetComponentStateFlag(TComponentStateFlag flag, bool on)
{
    if (on)
        FComponentState.Include(flag);
    else
        FComponentState.Exclude(flag);
}

// ------------------------------------------------------------------ TList --

const TClassInfo &TList::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TList>("TList", &TObject::StaticClassInfo()).Build();
    return info;
}

void TList::check(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
}

void *TList::Get(int Index) const
{
    check(Index);
    return FItems[static_cast<std::size_t>(Index)];
}

void TList::Put(int Index, void *Item)
{
    check(Index);
    FItems[static_cast<std::size_t>(Index)] = Item;
}

int TList::Add(void *Item)
{
    FItems.push_back(Item);
    return Count() - 1;
}

void TList::Insert(int Index, void *Item)
{
    if (Index < 0 || Index > Count())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    FItems.insert(FItems.begin() + Index, Item);
}

void TList::Delete(int Index)
{
    check(Index);
    FItems.erase(FItems.begin() + Index);
}

int TList::Remove(void *Item)
{
    const int index = IndexOf(Item);
    if (index >= 0)
        Delete(index);
    return index;
}

int TList::IndexOf(void *Item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::Exchange(int Index1, int Index2)
{
    check(Index1);
    check(Index2);
    std::swap(FItems[static_cast<std::size_t>(Index1)], FItems[static_cast<std::size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    check(NewIndex);
    void *item = Get(CurIndex);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, item);
}

void TList::Sort(const std::function<int(void *, void *)> &Compare)
{
    std::stable_sort(FItems.begin(), FItems.end(),
                     [&](void *a, void *b) { return Compare(a, b) < 0; });
}

// ------------------------------------------------------------------ TBits --

const TClassInfo &TBits::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TBits>("TBits", &TObject::StaticClassInfo()).Build();
    return info;
}

void TBits::SetSize(int Value)
{
    if (Value < 0)
        throw EListError("Bits index out of range");
    FBits.resize(static_cast<std::size_t>(Value), false);
}

bool TBits::Get(int Index) const
{
    if (Index < 0)
        throw EListError("Bits index out of range");
    return Index < Size() && FBits[static_cast<std::size_t>(Index)];
}

void TBits::Set(int Index, bool Value)
{
    if (Index < 0)
        throw EListError("Bits index out of range");
    if (Index >= Size())
        SetSize(Index + 1);
    FBits[static_cast<std::size_t>(Index)] = Value;
}

int TBits::OpenBit() const
{
    const auto it = std::find(FBits.begin(), FBits.end(), false);
    return static_cast<int>(it - FBits.begin());
}

// --------------------------------------------------------------- TStrings --

const TClassInfo &TStrings::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TStrings>("TStrings", &TPersistent::StaticClassInfo()).Build();
    return info;
}

void TStrings::checkIndex(int Index, int Count)
{
    if (Index < 0 || Index >= Count)
        throw EStringListError(Format("List index out of bounds (%d)", {Index}));
}

void TStrings::Put(int Index, const String &S)
{
    TObject *object = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, object);
}

TObject *TStrings::GetObject(int) const
{
    return nullptr;
}

void TStrings::PutObject(int, TObject *) {}

void TStrings::InsertObject(int Index, const String &S, TObject *AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

int TStrings::Add(const String &S)
{
    return AddObject(S, nullptr);
}

int TStrings::AddObject(const String &S, TObject *AObject)
{
    const int index = Count();
    InsertObject(index, S, AObject);
    return index;
}

int TStrings::IndexOf(const String &S) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), S))
            return i;
    return -1;
}

int TStrings::IndexOfObject(TObject *AObject) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == AObject)
            return i;
    return -1;
}

void TStrings::AddStrings(const TStrings &Strings)
{
    BeginUpdate();
    for (int i = 0; i < Strings.Count(); ++i)
        AddObject(Strings.Get(i), Strings.GetObject(i));
    EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    BeginUpdate();
    const String text = Get(CurIndex);
    TObject *object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, text, object);
    EndUpdate();
}

void TStrings::Exchange(int Index1, int Index2)
{
    BeginUpdate();
    const String text = Get(Index1);
    TObject *object = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, text);
    PutObject(Index2, object);
    EndUpdate();
}

std::vector<String> TStrings::ToVector() const
{
    std::vector<String> out;
    out.reserve(static_cast<std::size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        out.push_back(Get(i));
    return out;
}

String TStrings::Text() const
{
    String out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += '\n';
    }
    return out;
}

void TStrings::SetText(const String &Value)
{
    BeginUpdate();
    Clear();
    std::size_t start = 0;
    while (start < Value.size()) {
        std::size_t end = Value.find_first_of("\r\n", start);
        if (end == String::npos) {
            Add(Value.substr(start));
            break;
        }
        Add(Value.substr(start, end - start));
        if (Value[end] == '\r' && end + 1 < Value.size() && Value[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    EndUpdate();
}

String TStrings::CommaText() const
{
    String out;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0)
            out += ',';
        const String s = Get(i);
        const bool quote = s.empty() || s.find_first_of(" \",") != String::npos;
        if (!quote) {
            out += s;
            continue;
        }
        out += '"';
        for (char c : s) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount++ == 0)
        SetUpdateState(true);
}

void TStrings::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::Assign(TPersistent *Source)
{
    if (auto *strings = dynamic_cast<TStrings *>(Source)) {
        if (strings == this)
            return;
        BeginUpdate();
        Clear();
        AddStrings(*strings);
        EndUpdate();
        return;
    }
    TPersistent::Assign(Source);
}

// ------------------------------------------------------------ TStringList --

const TClassInfo &TStringList::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TStringList>("TStringList", &TStrings::StaticClassInfo()).Build();
    return info;
}

String TStringList::Get(int Index) const
{
    checkIndex(Index, Count());
    return FList[static_cast<std::size_t>(Index)].text;
}

void TStringList::Put(int Index, const String &S)
{
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    checkIndex(Index, Count());
    Changing();
    FList[static_cast<std::size_t>(Index)].text = S;
    Changed();
}

TObject *TStringList::GetObject(int Index) const
{
    checkIndex(Index, Count());
    return FList[static_cast<std::size_t>(Index)].object;
}

void TStringList::PutObject(int Index, TObject *AObject)
{
    checkIndex(Index, Count());
    Changing();
    FList[static_cast<std::size_t>(Index)].object = AObject;
    Changed();
}

void TStringList::Insert(int Index, const String &S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const String &S, TObject *AObject)
{
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    if (Index < 0 || Index > Count())
        throw EStringListError(Format("List index out of bounds (%d)", {Index}));
    Changing();
    FList.insert(FList.begin() + Index, Item{S, AObject});
    Changed();
}

void TStringList::Delete(int Index)
{
    checkIndex(Index, Count());
    Changing();
    FList.erase(FList.begin() + Index);
    Changed();
}

void TStringList::Clear()
{
    if (FList.empty())
        return;
    Changing();
    FList.clear();
    Changed();
}

int TStringList::AddObject(const String &S, TObject *AObject)
{
    if (!FSorted) {
        const int index = Count();
        InsertObject(index, S, AObject);
        return index;
    }
    int index = 0;
    if (Find(S, index)) {
        switch (FDuplicates) {
        case dupIgnore:
            return index;
        case dupError:
            throw EStringListError("String list does not allow duplicates");
        case dupAccept:
            break;
        }
    }
    Changing();
    FList.insert(FList.begin() + index, Item{S, AObject});
    Changed();
    return index;
}

int TStringList::IndexOf(const String &S) const
{
    if (!FSorted) {
        for (int i = 0; i < Count(); ++i)
            if (compareStrings(FList[static_cast<std::size_t>(i)].text, S) == 0)
                return i;
        return -1;
    }
    int index = 0;
    return Find(S, index) ? index : -1;
}

void TStringList::Exchange(int Index1, int Index2)
{
    checkIndex(Index1, Count());
    checkIndex(Index2, Count());
    Changing();
    std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
    Changed();
}

bool TStringList::Find(const String &S, int &Index) const
{
    int low = 0, high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const int c = compareStrings(FList[static_cast<std::size_t>(mid)].text, S);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                if (FDuplicates != dupAccept)
                    low = mid;
            }
        }
    }
    Index = low;
    return found;
}

void TStringList::Sort()
{
    CustomSort([](TStringList *list, int a, int b) {
        return list->compareStrings(list->FList[static_cast<std::size_t>(a)].text,
                                    list->FList[static_cast<std::size_t>(b)].text);
    });
}

void TStringList::CustomSort(const TStringListSortCompare &Compare)
{
    if (FList.size() < 2)
        return;
    Changing();
    // Sort a permutation so the comparison can keep addressing rows by index.
    std::vector<int> order(FList.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return Compare(this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(FList.size());
    for (int i : order)
        sorted.push_back(std::move(FList[static_cast<std::size_t>(i)]));
    FList = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    if (FSorted)
        Sort();
}

int TStringList::compareStrings(const String &a, const String &b) const
{
    if (FCaseSensitive)
        return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    return CompareText(a, b);
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

// -------------------------------------------------------- TCollectionItem --

const TClassInfo &TCollectionItem::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCollectionItem>("TCollectionItem", &TPersistent::StaticClassInfo()).Build();
    return info;
}

TCollectionItem::TCollectionItem(TCollection *Collection) : FCollection(Collection) {}

TCollectionItem::~TCollectionItem() = default;

int TCollectionItem::Index() const
{
    if (!FCollection)
        return -1;
    for (int i = 0; i < FCollection->Count(); ++i)
        if (FCollection->Items(i) == this)
            return i;
    return -1;
}

void TCollectionItem::Changed(bool AllItems)
{
    if (FCollection)
        FCollection->changed(AllItems ? nullptr : this);
}

// ------------------------------------------------------------ TCollection --

const TClassInfo &TCollection::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCollection>("TCollection", &TPersistent::StaticClassInfo()).Build();
    return info;
}

TCollection::TCollection(const TClassInfo &ItemClass, ItemFactory Factory)
    : FItemClass(&ItemClass), FFactory(std::move(Factory))
{}

TCollection::~TCollection() = default;

TCollectionItem *TCollection::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    return FItems[static_cast<std::size_t>(Index)].get();
}

TCollectionItem *TCollection::Add()
{
    FItems.emplace_back(FFactory(this));
    TCollectionItem *item = FItems.back().get();
    item->FCollection = this;
    changed(nullptr);
    return item;
}

void TCollection::Delete(int Index)
{
    Items(Index);
    FItems.erase(FItems.begin() + Index);
    changed(nullptr);
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    changed(nullptr);
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        changed(nullptr);
}

void TCollection::changed(TCollectionItem *Item)
{
    if (FUpdateCount == 0)
        Update(Item);
}

void TCollection::Update(TCollectionItem *) {}

void TCollection::Assign(TPersistent *Source)
{
    auto *other = dynamic_cast<TCollection *>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    if (other == this)
        return;
    BeginUpdate();
    Clear();
    for (int i = 0; i < other->Count(); ++i)
        Add()->Assign(other->Items(i));
    EndUpdate();
}
