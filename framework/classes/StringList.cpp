#include "framework/Classes.h"
#include "framework/TypInfo.h"

#include <algorithm>

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

int TStringList::compareStrings(const String &a, const String &b) const
{
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
