#include "framework/ComCtrls.h"
#include "framework/TypInfo.h"
#include "framework/classes/Classes_p.h"
#include "framework/comctrls/ListView_p.h"

using listview_detail::ListItemModel;

// -------------------------------------------------------------- TListItem --

const TClassInfo &TListItem::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TListItem>("TListItem", &TPersistent::StaticClassInfo()).Build();
    return info;
}

TListItem::TListItem(TListItems *Owner) : FOwner(Owner) {}

TListItem::~TListItem() = default;

void TListItem::SetCaption(const String &Value)
{
    if (Value == FCaption)
        return;
    FCaption = Value;
    if (FOwner)
        FOwner->Model().rowChanged(FIndex, 0);
}

TStrings *TListItem::SubItems() const
{
    if (!FSubItems)
        FSubItems = std::make_unique<listview_detail::SubItems>(const_cast<TListItem &>(*this));
    return FSubItems.get();
}

void TListItem::subItemsChanged()
{
    if (FOwner)
        FOwner->Model().rowChanged(FIndex, -1);
}

void listview_detail::SubItems::Changed()
{
    TStringList::Changed();
    if (UpdateCount() == 0)
        FItem.subItemsChanged();
}

void TListItem::SetImageIndex(int Value)
{
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    if (FOwner)
        FOwner->Model().rowChanged(FIndex, 0);
}

void TListItem::SetStateIndex(int Value)
{
    if (Value == FStateIndex)
        return;
    FStateIndex = Value;
    if (FOwner)
        FOwner->Model().rowChanged(FIndex, 0);
}

bool TListItem::Selected() const
{
    return FOwner && FOwner->Model().isSelected(FIndex);
}

void TListItem::SetSelected(bool Value)
{
    if (FOwner)
        FOwner->Model().setSelected(FIndex, Value);
}

bool TListItem::EditCaption()
{
    TCustomListView *list = ListView();
    if (!list)
        return false;
    FOwner->Model().flush();
    list->Widget();
    return list->view()->editCaption(FIndex);
}

TCustomListView *TListItem::ListView() const
{
    return FOwner ? FOwner->Owner() : nullptr;
}

void TListItem::Delete()
{
    if (FOwner)
        FOwner->Delete(FIndex); // frees this item
}

void TListItem::Assign(TPersistent *Source)
{
    auto *other = dynamic_cast<TListItem *>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    SetCaption(other->Caption());
    SubItems()->Assign(other->SubItems());
    SetImageIndex(other->ImageIndex());
    SetStateIndex(other->StateIndex());
    SetData(other->Data());
    SetHint(other->Hint());
}

// ------------------------------------------------------------- TListItems --

const TClassInfo &TListItems::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TListItems>("TListItems", &TPersistent::StaticClassInfo()).Build();
    return info;
}

TListItems::TListItems(TCustomListView *Owner)
    : FOwner(Owner), FModel(std::make_unique<ListItemModel>(*this))
{}

TListItems::~TListItems()
{
    // The model goes first: views still attached see an empty list, not a
    // half-destroyed one.
    FModel.reset();
}

TListItem *TListItems::Add()
{
    FItems.push_back(std::make_unique<TListItem>(this));
    TListItem *item = FItems.back().get();
    item->FIndex = Count() - 1;
    FModel->rowsAppended();
    return item;
}

TListItem *TListItems::Insert(int Index)
{
    if (Index < 0 || Index > Count())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    if (Index == Count())
        return Add();
    FModel->beginInsert(Index);
    auto it = FItems.insert(FItems.begin() + Index, std::make_unique<TListItem>(this));
    renumber(static_cast<std::size_t>(Index));
    FModel->endInsert();
    return it->get();
}

void TListItems::Clear()
{
    if (FItems.empty())
        return;
    FModel->beginClear();
    FItems.clear();
    FModel->endClear();
}

void TListItems::Delete(int Index)
{
    Item(Index);
    FModel->beginRemove(Index);
    // Kept alive until the views have let go of the row.
    std::unique_ptr<TListItem> removed = std::move(FItems[static_cast<std::size_t>(Index)]);
    FItems.erase(FItems.begin() + Index);
    renumber(static_cast<std::size_t>(Index));
    FModel->endRemove();
    removed->FOwner = nullptr;
}

TListItem *TListItems::Item(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    return FItems[static_cast<std::size_t>(Index)].get();
}

int TListItems::IndexOf(const TListItem *Value) const
{
    return Value && Value->FOwner == this ? Value->FIndex : -1;
}

void TListItems::BeginUpdate()
{
    FModel->beginUpdate();
}

void TListItems::EndUpdate()
{
    FModel->endUpdate();
}

void TListItems::Assign(TPersistent *Source)
{
    if (!AssignListItems(*this, Source, &TListItems::Item))
        TPersistent::Assign(Source);
}

void TListItems::renumber(std::size_t from)
{
    for (std::size_t i = from; i < FItems.size(); ++i)
        FItems[i]->FIndex = static_cast<int>(i);
}
