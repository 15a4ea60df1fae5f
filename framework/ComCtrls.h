#pragma once

// The common controls: the list view (report view with columns, rows with a
// caption, sub-items, a small image and a state image).

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/ImgList.h"

#include <cstdint>
#include <memory>
#include <vector>

class TCustomListView;
class TListItems;

namespace listview_detail {
class ListItemModel;
class ListTreeView;
class SubItems;
} // namespace listview_detail

enum TViewStyle
{
    vsIcon,
    vsSmallIcon,
    vsList,
    vsReport
};
extern const TEnumInfo ViewStyleInfo;

// One column of a report view: its header text and width in pixels.
class TListColumn : public TCollectionItem
{
    TUMBLER_CLASS
public:
    explicit TListColumn(TCollection *Collection);

    // The header text. Defaults to empty.
    const String &Caption() const { return FCaption; }
    void SetCaption(const String &Value);
    // Width in pixels. Defaults to 50.
    int Width() const { return FWidth; }
    void SetWidth(int Value);

private:
    friend class TCustomListView;
    String FCaption;
    int FWidth = 50;
};

// The columns of a list view; a form description stores them as
// "Columns = < item Caption = '...' Width = 140 end ... >".
class TListColumns : public TCollection
{
    TUMBLER_CLASS
public:
    explicit TListColumns(TCustomListView *Owner);

    TListColumn *Add();
    TListColumn *Items(int Index) const;
    TListColumn *operator[](int Index) const { return Items(Index); }
    TCustomListView *Owner() const { return FOwner; }

protected:
    void Update(TCollectionItem *Item) override;

private:
    TCustomListView *FOwner;
};

// One row of a list view.
class TListItem : public TPersistent
{
    TUMBLER_CLASS
public:
    explicit TListItem(TListItems *Owner);
    ~TListItem() override;

    // The text in the first column. Defaults to empty.
    const String &Caption() const { return FCaption; }
    void SetCaption(const String &Value);
    // The texts of the further columns, one line per column.
    TStrings *SubItems() const;
    // Index of the small image drawn before the caption; -1 draws none.
    // Defaults to 0, as the platform's list does.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    // Index of the state image drawn left of the small image; -1 draws none.
    // Defaults to -1.
    int StateIndex() const { return FStateIndex; }
    void SetStateIndex(int Value);
    bool Selected() const;
    void SetSelected(bool Value);
    // The row's position in its list.
    int Index() const { return FIndex; }
    // A value for the application's own use; the list never touches it.
    void *Data() const { return FData; }
    void SetData(void *Value) { FData = Value; }
    // Plain text shown as the row's tooltip while the pointer rests on it;
    // empty shows none. Defaults to empty.
    const String &Hint() const { return FHint; }
    void SetHint(const String &Value) { FHint = Value; }

    TListItems *Owner() const { return FOwner; }
    TCustomListView *ListView() const;
    // Removes the item from its list and frees it.
    void Delete();
    // Starts editing the caption in place; false when the list is read-only
    // or OnEditing refuses.
    bool EditCaption();

    void Assign(TPersistent *Source) override;

private:
    friend class TListItems;
    friend class listview_detail::SubItems;
    friend class listview_detail::ListItemModel;
    void subItemsChanged();

    TListItems *FOwner;
    String FCaption;
    mutable std::unique_ptr<listview_detail::SubItems> FSubItems; // made on first use
    int FImageIndex = 0;
    int FStateIndex = -1;
    int FIndex = -1;
    void *FData = nullptr;
    String FHint;
};

// The rows of a list view, owned by it.
class TListItems : public TPersistent
{
    TUMBLER_CLASS
public:
    // Owner may be null for a store used without a control (tests, benchmarks).
    explicit TListItems(TCustomListView *Owner);
    ~TListItems() override;

    // Appends a row and returns it. The list shows new rows in batches, at
    // most once per display frame, so appending stays cheap while the
    // application pumps messages between rows.
    TListItem *Add();
    // Inserts a row before Index (Index == Count() appends).
    TListItem *Insert(int Index);
    // Removes every row. Raises no selection events.
    void Clear();
    void Delete(int Index);
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TListItem *Item(int Index) const;
    TListItem *operator[](int Index) const { return Item(Index); }
    int IndexOf(const TListItem *Value) const;

    // Between these, new rows are not shown; EndUpdate shows them at once.
    void BeginUpdate();
    void EndUpdate();

    TCustomListView *Owner() const { return FOwner; }

    void Assign(TPersistent *Source) override;

    // The Qt model the list's view shows. Internal to the framework.
    listview_detail::ListItemModel &Model() const { return *FModel; }

private:
    friend class TListItem;
    friend class listview_detail::ListItemModel;
    void renumber(std::size_t from);

    TCustomListView *FOwner;
    std::vector<std::unique_ptr<TListItem>> FItems;
    std::unique_ptr<listview_detail::ListItemModel> FModel;
};

// A comparison of two rows for CustomSort: negative when Item1 goes first, 0
// when equal, positive when Item2 goes first. Data is CustomSort's argument.
using TLVCompare = int (*)(TListItem *Item1, TListItem *Item2, std::intptr_t Data);

using TLVColumnClickEvent = TEvent<TObject *, TListColumn *>;
// Fired for every change of an item's selection, losing it included.
using TLVSelectItemEvent = TEvent<TObject *, TListItem *, bool>;
// Before an in-place edit starts; setting AllowEdit to false prevents it.
using TLVEditingEvent = TEvent<TObject *, TListItem *, bool &>;
// When an in-place edit commits; the handler may change the new caption S.
using TLVEditedEvent = TEvent<TObject *, TListItem *, String &>;

// The list view: rows of a caption and sub-items, shown in report view as
// columns under clickable headers, each caption preceded by its state image
// and small image.
class TCustomListView : public TWinControl
{
    TUMBLER_CLASS
public:
    explicit TCustomListView(TComponent *AOwner);
    ~TCustomListView() override;

    TListItems *Items() const { return FItems.get(); }
    TListColumns *Columns() const { return FColumns.get(); }
    // Only vsReport shows columns and headers; the other styles show the
    // captions as one list. Defaults to vsIcon.
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle Value);
    // The images drawn before captions (ImageIndex) and left of them
    // (StateIndex). Not owned; null for none, the default.
    TCustomImageList *SmallImages() const { return FSmallImages; }
    void SetSmallImages(TCustomImageList *Value);
    TCustomImageList *StateImages() const { return FStateImages; }
    void SetStateImages(TCustomImageList *Value);
    // Whether captions can NOT be edited in place. Defaults to false.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // Whether the selection covers the whole row. Defaults to false.
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    // Whether several rows can be selected. Defaults to false.
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    // Whether the selection is hidden while the list has no focus. Defaults to true.
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    // Whether headers can be clicked (OnColumnClick). Defaults to true.
    bool ColumnClick() const { return FColumnClick; }
    void SetColumnClick(bool Value);
    // Whether report view shows the header row. Defaults to true.
    bool ShowColumnHeaders() const { return FShowColumnHeaders; }
    void SetShowColumnHeaders(bool Value);

    // The first selected row's index, or -1. Setting -1 clears the selection.
    int ItemIndex() const;
    void SetItemIndex(int Value);
    // The first selected item, or null; setting selects only that item.
    TListItem *Selected() const;
    void SetSelected(TListItem *Value);
    int SelCount() const;
    void ClearSelection();
    bool IsEditing() const;

    // Sorts the rows with SortProc (rows with equal keys keep their order);
    // a null SortProc sorts by caption in the user's locale. Returns true.
    bool CustomSort(TLVCompare SortProc, std::intptr_t Data);
    bool AlphaSort() { return CustomSort(nullptr, 0); }

    TLVColumnClickEvent OnColumnClick() const { return FOnColumnClick; }
    void SetOnColumnClick(const TLVColumnClickEvent &Value) { FOnColumnClick = Value; }
    TLVSelectItemEvent OnSelectItem() const { return FOnSelectItem; }
    void SetOnSelectItem(const TLVSelectItemEvent &Value) { FOnSelectItem = Value; }
    TLVEditingEvent OnEditing() const { return FOnEditing; }
    void SetOnEditing(const TLVEditingEvent &Value) { FOnEditing = Value; }
    TLVEditedEvent OnEdited() const { return FOnEdited; }
    void SetOnEdited(const TLVEditedEvent &Value) { FOnEdited = Value; }

protected:
    QWidget *CreateWidget() override;
    void WidgetCreated() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

    virtual void ColClick(TListColumn *Column);
    virtual void DoSelectItem(TListItem *Item, bool Selected);
    virtual bool CanEdit(TListItem *Item);
    virtual void Edit(TListItem *Item, String &Text);

private:
    friend class TListColumns;
    friend class TListItem;
    listview_detail::ListTreeView *view() const;
    void columnsChanged();
    void imagesChanged();
    void setImages(TCustomImageList *&Field, TComponent *&Known, TChangeLink &Link,
                   TCustomImageList *Value);
    void applyViewOptions();
    void headerResized(int Section, int NewSize);
    bool running() const;

    std::unique_ptr<TListColumns> FColumns;
    std::unique_ptr<TListItems> FItems;
    TViewStyle FViewStyle = vsIcon;
    TCustomImageList *FSmallImages = nullptr;
    TCustomImageList *FStateImages = nullptr;
    // The same lists as components, compared when one is destroyed (by then
    // it is no longer a TCustomImageList).
    TComponent *FSmallImagesComponent = nullptr;
    TComponent *FStateImagesComponent = nullptr;
    TChangeLink FSmallImagesLink;
    TChangeLink FStateImagesLink;
    bool FReadOnly = false;
    bool FRowSelect = false;
    bool FMultiSelect = false;
    bool FHideSelection = true;
    bool FColumnClick = true;
    bool FShowColumnHeaders = true;
    bool FApplyingColumns = false;

    TLVColumnClickEvent FOnColumnClick;
    TLVSelectItemEvent FOnSelectItem;
    TLVEditingEvent FOnEditing;
    TLVEditedEvent FOnEdited;
};

// The list view as form descriptions name it.
class TListView : public TCustomListView
{
    TUMBLER_CLASS
public:
    explicit TListView(TComponent *AOwner);
};
