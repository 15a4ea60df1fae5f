#pragma once

// The component model: objects, persistent objects, components with owners and
// notifications, method-pointer events, and the framework's lists.

#include "framework/SysUtils.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class TClassInfo;

// Declares a class's run-time type information; its definition, which lists
// the published properties, methods and fields, lives in the class's source
// file (see framework/TypInfo.h).
#define TUMBLER_CLASS                                                                              \
public:                                                                                            \
    static const TClassInfo &StaticClassInfo();                                                    \
    const TClassInfo &ClassInfo() const override                                                   \
    {                                                                                              \
        return StaticClassInfo();                                                                  \
    }                                                                                              \
                                                                                                   \
private:

class TObject
{
public:
    TObject() = default;
    TObject(const TObject &) = delete;
    TObject &operator=(const TObject &) = delete;
    virtual ~TObject() = default;

    static const TClassInfo &StaticClassInfo();
    virtual const TClassInfo &ClassInfo() const { return StaticClassInfo(); }

    // The registered class name, "TObject" for a class that declares none.
    const String &ClassName() const;
    bool InheritsFrom(const TClassInfo &ancestor) const;
};

// A set of enumeration literals, one bit per ordinal (at most 64).
template <typename E> class TSet
{
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items)
    {
        for (E item : items)
            FBits |= bit(item);
    }
    static constexpr TSet FromBits(std::uint64_t bits)
    {
        TSet s;
        s.FBits = bits;
        return s;
    }

    constexpr bool Contains(E item) const { return (FBits & bit(item)) != 0; }
    constexpr void Include(E item) { FBits |= bit(item); }
    constexpr void Exclude(E item) { FBits &= ~bit(item); }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr std::uint64_t Bits() const { return FBits; }

    constexpr TSet operator+(TSet other) const { return FromBits(FBits | other.FBits); }
    constexpr TSet operator-(TSet other) const { return FromBits(FBits & ~other.FBits); }
    constexpr TSet operator*(TSet other) const { return FromBits(FBits & other.FBits); }
    constexpr bool operator==(const TSet &) const = default;

private:
    static constexpr std::uint64_t bit(E item)
    {
        return std::uint64_t{1} << static_cast<unsigned>(item);
    }
    std::uint64_t FBits = 0;
};

// A method pointer: an object and one of its methods, as events are. It can
// also hold a plain function (tests, glue code); such an event has no object.
// The method's published name is kept when the event was bound by name from a
// form description, so that it can be written back.
template <typename... Args> class TEvent
{
public:
    using Code = void (TObject::*)(Args...);

    TEvent() = default;
    TEvent(std::nullptr_t) {}
    template <class C, class M>
    TEvent(C *object, void (M::*method)(Args...)) : FData(object), FCode(static_cast<Code>(method))
    {}
    template <class F>
    requires std::is_invocable_v<F, Args...> &&
        (!std::is_same_v<std::decay_t<F>, TEvent>)TEvent(F function)
        : FFunction(std::move(function))
    {}

    explicit operator bool() const { return (FData && FCode) || FFunction; }
    void operator()(Args... args) const
    {
        if (FData && FCode)
            (FData->*FCode)(args...);
        else if (FFunction)
            FFunction(args...);
    }

    TObject *Data() const { return FData; }
    Code Method() const { return FCode; }
    const String &MethodName() const { return FName; }
    TEvent &Named(String name)
    {
        FName = std::move(name);
        return *this;
    }

    // Two events are equal when they call the same method of the same object.
    bool operator==(const TEvent &other) const
    {
        return FData == other.FData && FCode == other.FCode && !FFunction && !other.FFunction;
    }

private:
    TObject *FData = nullptr;
    Code FCode = nullptr;
    std::function<void(Args...)> FFunction;
    String FName;
};

using TNotifyEvent = TEvent<TObject *>;

// A key with its modifiers, as menus and actions store it: the virtual-key
// code (VK_*, Messages.h) in the low byte, scShift, scCtrl and scAlt above
// it; scNone (0) is no key.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scNone = 0;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

class TPersistent : public TObject
{
    TUMBLER_CLASS
public:
    // Copies Source into this object. The default asks Source to assign itself
    // (AssignTo); raises EConvertError "Cannot assign a TX to a TY" when
    // neither side knows the other (TX is "nil" for a null source).
    virtual void Assign(TPersistent *Source);

protected:
    virtual void AssignTo(TPersistent *Dest);
};

enum TComponentStateFlag
{
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation
{
    opInsert,
    opRemove
};

class TReader;

// A component has an owner that frees it, owns further components, carries a
// name unique among its owner's components, and is told when components come
// and go (Notification). A component without an owner is held by a
// std::unique_ptr (or on the stack); one with an owner is created with `new`
// and freed by that owner.
class TComponent : public TPersistent
{
    TUMBLER_CLASS
public:
    explicit TComponent(TComponent *AOwner);
    ~TComponent() override;

    TComponent *Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    // Raises EListError for an index outside 0..ComponentCount()-1.
    TComponent *Components(int Index) const;
    // Case-blind, among the owned components; null when there is none.
    TComponent *FindComponent(const String &AName) const;

    const String &Name() const { return FName; }
    // Raises EComponentError for a name that is not an identifier or that
    // another component of the same owner already has.
    virtual void SetName(const String &NewName);

    TComponentState ComponentState() const { return FComponentState; }

    void InsertComponent(TComponent *AComponent);
    void RemoveComponent(TComponent *AComponent);

    // Asks to be told (opRemove) when AComponent is destroyed, even though it
    // belongs to another owner.
    void FreeNotification(TComponent *AComponent);
    void RemoveFreeNotification(TComponent *AComponent);

    // Called by the form reader once every component of a description is read.
    virtual void Loaded();

    // The component that contains this one in a form description (a control's
    // parent control); components without one are written at the root.
    virtual TComponent *GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }
    // Called by the form reader for a component nested inside another's
    // "object ... end" block.
    virtual void SetParentComponent(TComponent *) {}
    // Calls Proc for each component the form writer nests inside this one,
    // in creation order. Root is the component being written. A component
    // without a parent that Root owns is Root's child.
    virtual void GetChildren(const std::function<void(TComponent *)> &Proc, TComponent *Root) const;

    // Marks this component (and, by default, those it owns) as being designed:
    // the state a form designer puts components in. Tests use it too.
    void SetDesigning(bool Value, bool SetChildren = true);

    // Marks the component and all it owns as being destroyed. The destructor
    // does it too; callers that want derived destructors to see the state call
    // it first.
    void Destroying();

    // Frees every owned component, last first.
    void DestroyComponents();

protected:
    virtual void Notification(TComponent *AComponent, TOperation Operation);
    void SetComponentStateFlag(TComponentStateFlag flag, bool on);

private:
    friend class TReader;

    bool isNameStored() const;
    void insert(TComponent *AComponent);
    void remove(TComponent *AComponent);
    void validateRename(TComponent *AComponent, const String &CurName, const String &NewName);

    TComponent *FOwner = nullptr;
    String FName;
    std::vector<TComponent *> FComponents; // owned: freed by DestroyComponents
    std::vector<TComponent *> FFreeNotifies;
    TComponentState FComponentState;
};

// The framework's pointer list. Raises EListError "List index out of bounds (%d)".
class TList : public TObject
{
    TUMBLER_CLASS
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    void *Get(int Index) const;
    void Put(int Index, void *Item);
    void *operator[](int Index) const { return Get(Index); }
    int Add(void *Item);
    void Insert(int Index, void *Item);
    void Delete(int Index);
    int Remove(void *Item);
    int IndexOf(void *Item) const;
    void Clear() { FItems.clear(); }
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    // Stable sort by a comparison that returns <0, 0 or >0.
    void Sort(const std::function<int(void *, void *)> &Compare);

private:
    void check(int Index) const;
    std::vector<void *> FItems;
};

// A growable array of bits. Raises EBitsError-like EListError "Bits index out of range".
class TBits : public TObject
{
    TUMBLER_CLASS
public:
    int Size() const { return static_cast<int>(FBits.size()); }
    void SetSize(int Value);
    bool Get(int Index) const;
    // Setting a bit past the end grows the array.
    void Set(int Index, bool Value);
    // The index of the first clear bit (Size() when all are set).
    int OpenBit() const;

private:
    std::vector<bool> FBits;
};

enum TDuplicates
{
    dupIgnore,
    dupAccept,
    dupError
};

// Lines of text, each with one object reference (not owned).
// Holds an update block of a list, a collection or a control for one scope:
// BeginUpdate now, EndUpdate when the scope ends, also when it ends by an
// exception, so a failed operation never leaves the update count raised (and
// change notifications silenced for good). What EndUpdate raises while an
// exception is already on its way is dropped; the first failure is the one
// that counts.
template <typename T> class TUpdateGuard
{
public:
    explicit TUpdateGuard(T &Target) : FTarget(Target), FExceptions(std::uncaught_exceptions())
    {
        FTarget.BeginUpdate();
    }
    ~TUpdateGuard() noexcept(false)
    {
        if (std::uncaught_exceptions() == FExceptions) {
            FTarget.EndUpdate();
            return;
        }
        try {
            FTarget.EndUpdate();
        } catch (...) {
        }
    }
    TUpdateGuard(const TUpdateGuard &) = delete;
    TUpdateGuard &operator=(const TUpdateGuard &) = delete;

private:
    T &FTarget;
    const int FExceptions;
};

class TStrings : public TPersistent
{
    TUMBLER_CLASS
public:
    virtual int Count() const = 0;
    virtual String Get(int Index) const = 0;
    virtual void Put(int Index, const String &S);
    virtual TObject *GetObject(int Index) const;
    virtual void PutObject(int Index, TObject *AObject);
    virtual void Insert(int Index, const String &S) = 0;
    virtual void InsertObject(int Index, const String &S, TObject *AObject);
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const String &S);
    virtual int AddObject(const String &S, TObject *AObject);
    virtual int IndexOf(const String &S) const;
    int IndexOfObject(TObject *AObject) const;
    void AddStrings(const TStrings &Strings);
    void Move(int CurIndex, int NewIndex);
    virtual void Exchange(int Index1, int Index2);

    String operator[](int Index) const { return Get(Index); }
    std::vector<String> ToVector() const;

    // All lines, each followed by a line break ("\n").
    String Text() const;
    // Replaces the lines by those of Value, split at "\n", "\r\n" or "\r".
    void SetText(const String &Value);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    void Assign(TPersistent *Source) override;

protected:
    // Called when an update block begins (true) or ends (false).
    virtual void SetUpdateState(bool Updating);
    static void checkIndex(int Index, int Count);

private:
    int FUpdateCount = 0;
};

// A list of strings kept in memory, optionally sorted.
class TStringList : public TStrings
{
    TUMBLER_CLASS
public:
    using TStringListSortCompare = std::function<int(TStringList *List, int Index1, int Index2)>;

    int Count() const override { return static_cast<int>(FList.size()); }
    String Get(int Index) const override;
    void Put(int Index, const String &S) override;
    TObject *GetObject(int Index) const override;
    void PutObject(int Index, TObject *AObject) override;
    void Insert(int Index, const String &S) override;
    void InsertObject(int Index, const String &S, TObject *AObject) override;
    void Delete(int Index) override;
    void Clear() override;
    int AddObject(const String &S, TObject *AObject) override;
    int IndexOf(const String &S) const override;
    void Exchange(int Index1, int Index2) override;

    // Binary search of a sorted list: true and the index when found, else false
    // and the insertion index.
    bool Find(const String &S, int &Index) const;
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare &Compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool Updating) override;
    virtual void Changed();
    virtual void Changing();
    int compareStrings(const String &a, const String &b) const;

private:
    struct Item
    {
        String text;
        TObject *object = nullptr;
    };
    std::vector<Item> FList;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
};

class TCollection;

// One item of a collection, such as a list column.
class TCollectionItem : public TPersistent
{
    TUMBLER_CLASS
public:
    explicit TCollectionItem(TCollection *Collection);
    ~TCollectionItem() override;

    TCollection *Collection() const { return FCollection; }
    int Index() const;

protected:
    // Tells the collection this item changed (all items when AllItems).
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection *FCollection = nullptr;
};

// An owned, ordered list of items of one class. Form descriptions store it as
// "<item ... end ...>".
class TCollection : public TPersistent
{
    TUMBLER_CLASS
public:
    using ItemFactory = std::function<TCollectionItem *(TCollection *)>;

    TCollection(const TClassInfo &ItemClass, ItemFactory Factory);
    ~TCollection() override;

    const TClassInfo &ItemClass() const { return *FItemClass; }
    int Count() const { return static_cast<int>(FItems.size()); }
    TCollectionItem *Items(int Index) const;
    TCollectionItem *Add();
    void Delete(int Index);
    void Clear();
    void BeginUpdate();
    void EndUpdate();

    void Assign(TPersistent *Source) override;

protected:
    // Called after items were added, removed or changed (Item null: several).
    virtual void Update(TCollectionItem *Item);

private:
    friend class TCollectionItem;
    void changed(TCollectionItem *Item);

    const TClassInfo *FItemClass;
    ItemFactory FFactory;
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
};
