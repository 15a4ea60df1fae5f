#include "framework/ComCtrls.h"
#include "framework/TypInfo.h"

// ------------------------------------------------------------ TListColumn --

const TClassInfo &TListColumn::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TListColumn>("TListColumn", &TCollectionItem::StaticClassInfo())
            .Text("Caption", &TListColumn::Caption, &TListColumn::SetCaption)
            .Integer("Width", &TListColumn::Width, &TListColumn::SetWidth, 50)
            .Build();
    return info;
}

TListColumn::TListColumn(TCollection *Collection) : TCollectionItem(Collection) {}

void TListColumn::SetCaption(const String &Value)
{
    if (Value == FCaption)
        return;
    FCaption = Value;
    Changed(false);
}

void TListColumn::SetWidth(int Value)
{
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed(false);
}

// ----------------------------------------------------------- TListColumns --

const TClassInfo &TListColumns::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TListColumns>("TListColumns", &TCollection::StaticClassInfo()).Build();
    return info;
}

TListColumns::TListColumns(TCustomListView *Owner)
    : TCollection(TListColumn::StaticClassInfo(),
                  [](TCollection *c) { return new TListColumn(c); }),
      FOwner(Owner)
{}

TListColumn *TListColumns::Add()
{
    return static_cast<TListColumn *>(TCollection::Add());
}

TListColumn *TListColumns::Items(int Index) const
{
    return static_cast<TListColumn *>(TCollection::Items(Index));
}

void TListColumns::Update(TCollectionItem *)
{
    // Columns read from a form description arrive after the view exists.
    if (FOwner)
        FOwner->columnsChanged();
}
