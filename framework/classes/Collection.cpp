#include "framework/Classes.h"
#include "framework/TypInfo.h"
#include "framework/classes/Classes_p.h"

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
    if (!AssignListItems(*this, Source, &TCollection::Items))
        TPersistent::Assign(Source);
}
