#include "framework/Classes.h"
#include "framework/TypInfo.h"

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
    const TUpdateGuard updating(*this);
    for (int i = 0; i < Strings.Count(); ++i)
        AddObject(Strings.Get(i), Strings.GetObject(i));
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    const TUpdateGuard updating(*this);
    const String text = Get(CurIndex);
    TObject *object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, text, object);
}

void TStrings::Exchange(int Index1, int Index2)
{
    const TUpdateGuard updating(*this);
    const String text = Get(Index1);
    TObject *object = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, text);
    PutObject(Index2, object);
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
    const TUpdateGuard updating(*this);
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
        const TUpdateGuard updating(*this);
        Clear();
        AddStrings(*strings);
        return;
    }
    TPersistent::Assign(Source);
}
