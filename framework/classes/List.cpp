#include "framework/Classes.h"
#include "framework/TypInfo.h"

#include <algorithm>

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
