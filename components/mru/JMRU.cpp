#include "components/mru/JMRU.h"

#include "framework/TypInfo.h"
#include "platform/text/Collation.h"

#include <algorithm>
#include <vector>

namespace {

const char accelerators[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::uint32_t acceleratorCount = 36;

int compareNames(const String &a, const String &b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1);
}

// The text after the last '\' or ':', or all of it.
String fileNamePart(const String &text)
{
    const auto cut = text.find_last_of("\\:");
    return cut == String::npos ? text : text.substr(cut + 1);
}

} // namespace

const TEnumInfo &TJMRUSortKindInfo()
{
    static const TEnumInfo info{"TJMRUSortKind", {"skName", "skMostRecent"}};
    return info;
}

const TEnumInfo &TJMRUMenuKindInfo()
{
    static const TEnumInfo info{
        "TJMRUMenuKind", {"mkInsertBefore", "mkInsertAfter", "mkInsertWithSeparator", "mkSubMenu"}};
    return info;
}

const TClassInfo &TJMostRecentlyUsedList::StaticClassInfo()
{
    using L = TJMostRecentlyUsedList;
    static const TClassInfo info =
        TClassBuilder<L>("TJMostRecentlyUsedList", &TComponent::StaticClassInfo())
            .Component()
            .Object("Storage", &L::Storage)
            .Boolean("AutoSave", &L::AutoSave, &L::SetAutoSave, true)
            .Boolean("HideInUse", &L::HideInUse, &L::SetHideInUse, true)
            .Boolean("NumberAccelerators", &L::NumberAccelerators, &L::SetNumberAccelerators, true)
            .Integer("NumberOffset", &L::NumberOffset, &L::SetNumberOffset, 0)
            .Enumeration("SortBy", &L::SortBy, &L::SetSortBy, TJMRUSortKindInfo(), skMostRecent)
            .Integer("MaxItems", &L::MaxItems, &L::SetMaxItems, 10)
            .Enumeration("MenuKind", &L::MenuKind, &L::SetMenuKind, TJMRUMenuKindInfo(), mkSubMenu)
            .Reference("RootMenuItem", &L::RootMenuItem, &L::SetRootMenuItem)
            .Event("OnChange", &L::OnChange, &L::SetOnChange)
            .Event("OnSelect", &L::OnSelect, &L::SetOnSelect)
            .Build();
    return info;
}

TJMostRecentlyUsedList::TJMostRecentlyUsedList(TComponent *AOwner)
    : TComponent(AOwner), FEntries(std::make_unique<TStringList>()),
      FStorage(std::make_unique<TJStorage>())
{
    FStorage->SetOwnerComponent(this);
}

TJMostRecentlyUsedList::~TJMostRecentlyUsedList()
{
    if (FAutoSave && !ComponentState().Contains(csDesigning))
        Save();
    Destroying();
    Clear();
    KillSeparator();
}

// ---------------------------------------------------------------------------
// The entries

int TJMostRecentlyUsedList::IndexOf(const String &Text) const
{
    for (int i = 0; i < FEntries->Count(); ++i)
        if (SameText(FEntries->Get(i), Text))
            return i;
    return -1;
}

int TJMostRecentlyUsedList::GetCount() const
{
    return FEntries->Count();
}

String TJMostRecentlyUsedList::GetItem(int Index) const
{
    return FEntries->Get(Index);
}

TMenuItem *TJMostRecentlyUsedList::GetMenuItem(const String &Text) const
{
    const int index = IndexOf(Text);
    return index < 0 ? nullptr : static_cast<TMenuItem *>(FEntries->GetObject(index));
}

void TJMostRecentlyUsedList::CopyItems(TStrings *Strings) const
{
    const TUpdateGuard updating(*Strings);
    Strings->Clear();
    for (int i = 0; i < FEntries->Count(); ++i)
        Strings->Add(FEntries->Get(i));
}

void TJMostRecentlyUsedList::Add(const String &Text)
{
    if (Text.empty())
        return;
    if (IndexOf(Text) >= 0) {
        BringToTop(Text);
        return;
    }
    TMenuItem *item = FRootMenuItem ? MakeMenuItem(Text) : nullptr;
    int at = 0;
    if (FSortBy == skName)
        while (at < FEntries->Count() && compareNames(FEntries->Get(at), Text) != CSTR_GREATER_THAN)
            ++at;
    FEntries->InsertObject(at, Text, item);
    if (static_cast<std::uint32_t>(FEntries->Count()) > FMaxItems)
        TrimList();
    DoChange();
}

void TJMostRecentlyUsedList::removeEntry(int Index)
{
    // The item's end reaches Notification, which lets go of it in the entry;
    // the entry goes after it.
    delete static_cast<TMenuItem *>(FEntries->GetObject(Index));
    FEntries->Delete(Index);
}

void TJMostRecentlyUsedList::TrimList()
{
    while (static_cast<std::uint32_t>(FEntries->Count()) > FMaxItems)
        removeEntry(FEntries->Count() - 1);
}

bool TJMostRecentlyUsedList::Used(const String &Text)
{
    if (IndexOf(Text) < 0) {
        Add(Text);
        return false;
    }
    BringToTop(Text);
    return true;
}

void TJMostRecentlyUsedList::BringToTop(const String &Text)
{
    if (FSortBy == skName)
        return;
    const int index = IndexOf(Text);
    if (index < 0)
        throw Exception(Format("Cannot move %s to top of MRU - it is not in the MRU", {Text}));
    if (index == 0)
        return;
    FEntries->Move(index, 0);
    DoChange();
}

void TJMostRecentlyUsedList::Delete(const String &Text)
{
    const int index = IndexOf(Text);
    if (index < 0)
        return;
    removeEntry(index);
    DoChange();
}

void TJMostRecentlyUsedList::InUse(const String &Text)
{
    if (FHideInUse)
        Delete(Text);
}

void TJMostRecentlyUsedList::Clear()
{
    while (FEntries->Count() > 0)
        removeEntry(FEntries->Count() - 1);
    DoChange();
}

void TJMostRecentlyUsedList::SetSortBy(TJMRUSortKind Value)
{
    if (Value == FSortBy)
        return;
    FSortBy = Value;
    if (ComponentState().Contains(csDesigning))
        return;
    if (Value == skName) {
        struct Entry
        {
            String text;
            TObject *item;
        };
        std::vector<Entry> entries;
        for (int i = 0; i < FEntries->Count(); ++i)
            entries.push_back({FEntries->Get(i), FEntries->GetObject(i)});
        std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
            return compareNames(a.text, b.text) == CSTR_LESS_THAN;
        });
        const TUpdateGuard updating(*FEntries);
        FEntries->Clear();
        for (const Entry &e : entries)
            FEntries->AddObject(e.text, e.item);
    }
    DoChange();
}

// ---------------------------------------------------------------------------
// The registry

namespace {

// Opens the storage for one read or write sequence and closes it again
// however the sequence ends, unless the caller already held it open.
class StorageSequence
{
public:
    explicit StorageSequence(TJStorage &Storage) : FStorage(Storage), FWasOpen(Storage.IsOpen())
    {
        FStorage.Open();
    }
    ~StorageSequence()
    {
        if (!FWasOpen)
            FStorage.Close();
    }
    StorageSequence(const StorageSequence &) = delete;
    StorageSequence &operator=(const StorageSequence &) = delete;

private:
    TJStorage &FStorage;
    const bool FWasOpen;
};

} // namespace

void TJMostRecentlyUsedList::Load()
{
    Clear();
    if (FStorage->Key().empty())
        return;
    const StorageSequence sequence(*FStorage);
    // Entries past MaxItems would be pushed out again by the loads of the
    // first MaxItems, so they are not read: a stored count far above the
    // values present then costs no more than MaxItems reads.
    const std::int64_t count = std::min<std::int64_t>(FStorage->ReadInteger("Count", 0), FMaxItems);
    for (std::int64_t i = count - 1; i >= 0; --i) {
        const String text = FStorage->ReadString(IntToStr(i), String());
        if (!text.empty())
            Add(text);
    }
}

void TJMostRecentlyUsedList::Save()
{
    if (FStorage->Key().empty())
        return;
    const StorageSequence sequence(*FStorage);
    FStorage->WriteInteger("Count", FEntries->Count());
    for (int i = 0; i < FEntries->Count(); ++i)
        FStorage->WriteString(IntToStr(i), FEntries->Get(i));
}

// ---------------------------------------------------------------------------
// Life cycle

void TJMostRecentlyUsedList::Loaded()
{
    TComponent::Loaded();
    if (!ComponentState().Contains(csDesigning))
        Init();
}

void TJMostRecentlyUsedList::Init()
{
    if (FAutoSave)
        Load();
    DoChange();
}

void TJMostRecentlyUsedList::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (AComponent == this || Operation != opRemove)
        return;
    if (AComponent == FRootMenuItem)
        FRootMenuItem = nullptr;
    if (AComponent == FSeparator)
        FSeparator = nullptr;
    if (AComponent == FSavedRoot)
        FSavedRoot = nullptr;
    for (int i = 0; i < FEntries->Count(); ++i)
        if (FEntries->GetObject(i) == AComponent)
            FEntries->PutObject(i, nullptr);
}

void TJMostRecentlyUsedList::watch(TMenuItem *Old, TMenuItem *New)
{
    if (Old && Old != New)
        Old->RemoveFreeNotification(this);
    if (New)
        New->FreeNotification(this);
}

void TJMostRecentlyUsedList::SetRootMenuItem(TMenuItem *Value)
{
    // Kept as it is given; it takes effect at the next change.
    watch(FRootMenuItem, Value);
    FRootMenuItem = Value;
}

// ---------------------------------------------------------------------------
// The menu

TMenuItem *TJMostRecentlyUsedList::MakeMenuItem(const String &)
{
    auto *item = new TMenuItem(this);
    item->SetOnClick(TNotifyEvent(this, &TJMostRecentlyUsedList::HandleMenuClick));
    return item;
}

bool TJMostRecentlyUsedList::rootPlaceable() const
{
    return FRootMenuItem && (FMenuKind == mkSubMenu || FRootMenuItem->Parent());
}

void TJMostRecentlyUsedList::DoChange()
{
    const TComponentState state = ComponentState();
    if (state.Contains(csDesigning) || state.Contains(csDestroying))
        return;
    const bool empty = FEntries->Count() == 0;
    if (FMenuKind == mkSubMenu && FRootMenuItem) {
        if (empty) {
            FRootDisabled = true;
            FRootMenuItem->SetEnabled(false);
        } else if (FRootDisabled) {
            FRootDisabled = false;
            FRootMenuItem->SetEnabled(true);
        }
    } else if (empty) {
        KillSeparator();
    } else if (FMenuKind == mkInsertWithSeparator && rootPlaceable() &&
               FRootMenuItem != FSeparator) {
        // The application's item stays watched while the separator stands in.
        FSavedRoot = FRootMenuItem;
        if (!FSeparator)
            FSeparator = new TMenuItem(this);
        FRootMenuItem = FSeparator;
        FSeparator->SetCaption("-");
        AddAfter(FSeparator, FSavedRoot);
    }
    RefreshMenu();
    if (!state.Contains(csLoading) && FOnChange)
        FOnChange(this);
}

void TJMostRecentlyUsedList::KillSeparator()
{
    if (!FSeparator)
        return;
    TMenuItem *separator = FSeparator;
    FSeparator = nullptr;
    FRootMenuItem = FSavedRoot;
    FSavedRoot = nullptr;
    delete separator;
}

void TJMostRecentlyUsedList::SetMenuKind(TJMRUMenuKind Value)
{
    FMenuKind = Value;
    if (ComponentState().Contains(csDesigning))
        return;
    if (Value != mkInsertWithSeparator && FRootMenuItem && FRootMenuItem == FSeparator)
        KillSeparator();
    RefreshMenu();
}

void TJMostRecentlyUsedList::RefreshMenu()
{
    if (!FRootMenuItem)
        return;
    const bool place = rootPlaceable();
    for (int i = 0; i < FEntries->Count(); ++i) {
        auto *item = static_cast<TMenuItem *>(FEntries->GetObject(i));
        if (!item)
            continue;
        const String text = FEntries->Get(i);
        const std::uint32_t number = static_cast<std::uint32_t>(i) + FNumberOffset;
        if (FNumberAccelerators && number >= FNumberOffset && number < acceleratorCount)
            item->SetCaption(String("&") + accelerators[number] + " " + fileNamePart(text));
        else
            item->SetCaption(text);
        if (!place)
            continue;
        switch (FMenuKind) {
        case mkSubMenu:
            AddAt(i, item, FRootMenuItem, true);
            break;
        case mkInsertBefore: {
            // Each entry goes directly before the root, so the first ends
            // farthest from it.
            if (item->Parent())
                item->Parent()->Remove(item);
            TMenuItem *parent = FRootMenuItem->Parent();
            parent->Insert(FRootMenuItem->MenuIndex(), item);
            break;
        }
        case mkInsertAfter:
        case mkInsertWithSeparator: {
            // The root's position is read once the item is out of the menu:
            // an item that stood before the root (after mkInsertBefore) would
            // otherwise shift it and land one place too far.
            if (item->Parent())
                item->Parent()->Remove(item);
            AddAt(FRootMenuItem->MenuIndex() + i + 1, item, FRootMenuItem, false);
            break;
        }
        }
    }
}

void TJMostRecentlyUsedList::AddAt(int Index, TMenuItem *Item, TMenuItem *Anchor, bool Child)
{
    if (!Item || !Anchor)
        throw Exception("AddAt: src or dest is nil");
    TMenuItem *parent = Child ? Anchor : Anchor->Parent();
    if (!parent)
        return; // nowhere to place it yet
    if (Item->Parent() == parent) {
        Item->SetMenuIndex(Index);
        return;
    }
    if (Item->Parent())
        Item->Parent()->Remove(Item);
    parent->Insert(std::clamp(Index, 0, parent->Count()), Item);
}

void TJMostRecentlyUsedList::AddAfter(TMenuItem *Item, TMenuItem *Anchor)
{
    if (!Item || !Anchor)
        throw Exception("AddAfter: src or dest is nil");
    TMenuItem *parent = Anchor->Parent();
    if (!parent)
        return; // nowhere to place it yet
    if (Item->Parent() == parent) {
        Item->SetMenuIndex(Anchor->MenuIndex() + 1);
        return;
    }
    if (Item->Parent())
        Item->Parent()->Remove(Item);
    parent->Insert(Anchor->MenuIndex() + 1, Item);
}

String TJMostRecentlyUsedList::ItemByMenu(TObject *Item) const
{
    const int index = Item ? FEntries->IndexOfObject(Item) : -1;
    return index < 0 ? String() : FEntries->Get(index);
}

void TJMostRecentlyUsedList::HandleMenuClick(TObject *Sender)
{
    String text;
    bool opened = true;
    if (FOnSelect) {
        text = ItemByMenu(Sender);
        FOnSelect(this, text, opened);
    }
    // With HideInUse this frees Sender, the item whose click is running.
    if (opened)
        InUse(text);
}

void JMRU::Register()
{
    RegisterComponents("Marrowlight", {&TJMostRecentlyUsedList::StaticClassInfo()});
}
