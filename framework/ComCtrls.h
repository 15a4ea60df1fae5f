#pragma once

// The common controls: the list view (report view with columns, rows with a
// caption, sub-items, a small image and a state image).

#include "framework/Classes.h"

#include <cstdint>
#include <memory>
#include <vector>

class TCustomListView;
class TListItems;

namespace listview_detail {
class ListItemModel;
class SubItems;
} // namespace listview_detail

enum TViewStyle
{
    vsIcon,
    vsSmallIcon,
    vsList,
    vsReport
};

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

    TListItems *Owner() const { return FOwner; }
    TCustomListView *ListView() const;
    // Removes the item from its list and frees it.
    void Delete();

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
