#pragma once

// A bounded list of recently used texts (typically file paths) that mirrors
// itself into a menu as clickable items, reports a click on one through
// OnSelect, and is saved to and loaded from a registry key through its own
// Storage: "Count" (REG_DWORD) and the entries as REG_SZ values named "0" to
// "n-1", the first entry under "0". Values numbered n and above that a longer
// earlier save left stay in the key and are not read.
//
// The entries' menu items are owned by the list and placed relative to
// RootMenuItem (see TJMRUMenuKind). While designed, the list leaves the
// registry and the menu alone.

#include "components/storage/Jstore.h"
#include "framework/Menus.h"

#include <cstdint>
#include <memory>

// How the entries are ordered.
enum TJMRUSortKind : std::uint8_t
{
    skName,      // by name, as the user's locale sorts it, case ignored
    skMostRecent // newest first
};

// Where the entries' menu items go, relative to RootMenuItem.
enum TJMRUMenuKind : std::uint8_t
{
    mkInsertBefore,        // siblings directly before it
    mkInsertAfter,         // siblings directly after it
    mkInsertWithSeparator, // a separator line directly after it, then the items
    mkSubMenu              // its children, first among them
};

const TEnumInfo &TJMRUSortKindInfo();
const TEnumInfo &TJMRUMenuKindInfo();

// A click on an entry: Sender is the list, AItem the entry's text. AOpened
// comes in true; a handler that sets it false keeps the entry in the list
// even with HideInUse.
using TJMRUSelectEvent = TEvent<TObject *, const String &, bool &>;

class TJMostRecentlyUsedList : public TComponent
{
    TUMBLER_CLASS
public:
    // Creates the storage and makes this list its owner component.
    explicit TJMostRecentlyUsedList(TComponent *AOwner);
    // Saves first when AutoSave (not while designed), then frees the menu
    // items and the separator.
    ~TJMostRecentlyUsedList() override;

    // Adds an entry, or brings an existing one (found with letter case of a
    // to z ignored; it keeps its own text) to the top. The empty text is
    // ignored.
    void Add(const String &Text);
    // Removes an entry and its menu item; a text that is no entry changes
    // nothing (and fires no OnChange).
    void Delete(const String &Text);
    // Removes every entry.
    void Clear();
    // True if the text was an entry (now brought to the top); false if it
    // has just been added.
    bool Used(const String &Text);
    // Moves an entry to the first position. Does nothing at all while sorting
    // by name. Raises Exception "Cannot move <text> to top of MRU - it is not
    // in the MRU" for a text that is no entry.
    void BringToTop(const String &Text);
    // Marks an entry as in use: removes it when HideInUse.
    void InUse(const String &Text);
    // The entry's position (letter case of a to z ignored), or -1.
    int IndexOf(const String &Text) const;
    int GetCount() const;
    // Raises EStringListError for a bad Index.
    String GetItem(int Index) const;
    // The entry's menu item; null when the text is no entry or the entry has
    // no menu item.
    TMenuItem *GetMenuItem(const String &Text) const;
    // Clears Strings and fills it with the entries in list order. Nothing
    // here calls it; it stays as part of the list's interface for programs.
    void CopyItems(TStrings *Strings) const;
    // Replaces the entries by those stored under Storage.Key (only clears
    // when the key is blank).
    void Load();
    // Writes the entries under Storage.Key; does nothing when it is blank.
    void Save();

    // The registry key the list is saved under. Owned by the list.
    TJStorage *Storage() const { return FStorage.get(); }
    // Load in Loaded and save on destruction. Defaults to true.
    bool AutoSave() const { return FAutoSave; }
    void SetAutoSave(bool Value) { FAutoSave = Value; }
    // A clicked entry leaves the list until it is added again. Defaults to true.
    bool HideInUse() const { return FHideInUse; }
    void SetHideInUse(bool Value) { FHideInUse = Value; }
    // Captions "&<c> <file name>" with c from 0-9 then A-Z, for the first 36
    // entries (counting from NumberOffset). Defaults to true.
    bool NumberAccelerators() const { return FNumberAccelerators; }
    void SetNumberAccelerators(bool Value) { FNumberAccelerators = Value; }
    // The number of the first entry's accelerator. Defaults to 0.
    std::uint32_t NumberOffset() const { return FNumberOffset; }
    void SetNumberOffset(std::uint32_t Value) { FNumberOffset = Value; }
    // Defaults to skMostRecent. Switching to skName sorts the entries now.
    TJMRUSortKind SortBy() const { return FSortBy; }
    void SetSortBy(TJMRUSortKind Value);
    // The most entries kept; takes effect at the next addition. Defaults to 10.
    std::uint32_t MaxItems() const { return FMaxItems; }
    void SetMaxItems(std::uint32_t Value) { FMaxItems = Value; }
    // Defaults to mkSubMenu.
    TJMRUMenuKind MenuKind() const { return FMenuKind; }
    void SetMenuKind(TJMRUMenuKind Value);
    // The application's menu item the entries are placed by; entries added
    // while it is null get no menu item. For the insert kinds it must sit in
    // a menu: until it does, the entries are kept and the menu is left alone.
    // Defaults to null.
    TMenuItem *RootMenuItem() const { return FRootMenuItem; }
    void SetRootMenuItem(TMenuItem *Value);

    // After every change of the list (not while it is being read).
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }
    // A click on an entry's menu item.
    TJMRUSelectEvent OnSelect() const { return FOnSelect; }
    void SetOnSelect(const TJMRUSelectEvent &Value) { FOnSelect = Value; }

    // Loads (when AutoSave) and builds the menu, unless designed.
    void Loaded() override;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    // Runs after every change: keeps the menu in step, fires OnChange.
    virtual void DoChange();

private:
    void Init();
    void TrimList();
    TMenuItem *MakeMenuItem(const String &Text);
    void RefreshMenu();
    void AddAt(int Index, TMenuItem *Item, TMenuItem *Anchor, bool Child);
    void AddAfter(TMenuItem *Item, TMenuItem *Anchor);
    void KillSeparator();
    String ItemByMenu(TObject *Item) const;
    void HandleMenuClick(TObject *Sender);
    // Whether RootMenuItem can have siblings placed by it.
    bool rootPlaceable() const;
    void watch(TMenuItem *Old, TMenuItem *New);
    void removeEntry(int Index);

    std::unique_ptr<TStringList> FEntries; // objects: the entries' menu items
    std::unique_ptr<TJStorage> FStorage;
    TJMRUSelectEvent FOnSelect;
    TNotifyEvent FOnChange;
    bool FRootDisabled = false;
    bool FNumberAccelerators = true;
    bool FAutoSave = true;
    TJMRUSortKind FSortBy = skMostRecent;
    std::uint32_t FNumberOffset = 0;
    std::uint32_t FMaxItems = 10;
    TMenuItem *FSeparator = nullptr; // owned by the list as a component
    TMenuItem *FSavedRoot = nullptr;
    TMenuItem *FRootMenuItem = nullptr;
    TJMRUMenuKind FMenuKind = mkSubMenu;
    bool FHideInUse = true;
};

namespace JMRU {
// Puts TJMostRecentlyUsedList on the component palette page "Marrowlight";
// nothing else.
void Register();
} // namespace JMRU
