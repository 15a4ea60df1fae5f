#pragma once

// Undo for an application: each kind of undoable operation is a JAction whose
// OnDo handler performs a record of its kind and hands back a new record for
// the inverse operation. A buffer performs records and keeps their inverses:
// TUndoSingleBuffer keeps one (so repeated Undo alternates between undo and
// redo), TUndoMultiBuffer a stack of them (multi-level undo, no redo). Each
// buffer can drive a command (UndoAction): after every record it performs
// the command shows the caption of that record's action and is enabled; the
// multi-level buffer shows "Can't undo" and disables the command once its
// stack runs empty. The buffers never run the command; the application calls
// Undo from the command's OnExecute.
//
// Records: a record is a struct derived from JActionData, holding plain data
// only (numbers, fixed arrays, pointers the application manages itself), and
// allocated with NewActionData. The buffers release the records they hold
// with FreeActionData, which frees the memory and nothing else; the compiler
// refuses a record type that would need more. A record passed to Do stays
// the caller's; the records the handlers hand back belong to the buffer.
//
//   struct TypingRecord : JActionData
//   {
//       int Position;
//       char Text[64];
//   };
//   auto *record = NewActionData<TypingRecord>(TypeAction);

#include "framework/ActnList.h"

#include <cstddef>
#include <deque>
#include <new>
#include <stack>
#include <type_traits>

class JAction;

// The head of every record: the action that performs it.
struct JActionData
{
    JAction *action = nullptr;
};
using pJActionData = JActionData *;

// Allocates a record of type T (a JActionData with the application's data
// after it) for Action, every other member zeroed, for a buffer to release
// with FreeActionData.
template <class T> T *NewActionData(JAction *Action)
{
    static_assert(std::is_base_of_v<JActionData, T>, "a record is a JActionData");
    static_assert(!std::is_polymorphic_v<T> && std::is_trivially_destructible_v<T>,
                  "a record must need nothing beyond the release of its memory");
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__,
                  "a record is released without its alignment");
    void *memory = ::operator new(sizeof(T));
    T *record = nullptr;
    try {
        record = new (memory) T();
    } catch (...) {
        ::operator delete(memory);
        throw;
    }
    // Released through its head, which must therefore start the block.
    if (static_cast<void *>(static_cast<JActionData *>(record)) != memory) {
        ::operator delete(memory);
        throw Exception("A record must have JActionData as its first base");
    }
    record->action = Action;
    return record;
}

// Releases a record from NewActionData (null: nothing).
inline void FreeActionData(JActionData *Data) noexcept
{
    ::operator delete(Data);
}

// Performs actionData and stores through newActionData the record of the
// inverse operation (null: the operation cannot be undone).
using TJActionDoEvent = TEvent<JActionData *, pJActionData *>;

// One kind of undoable operation.
class JAction : public TComponent
{
    TUMBLER_CLASS
public:
    explicit JAction(TComponent *AOwner);
    ~JAction() override;

    // What the buffer's command shows right after a record of this action
    // was performed. Defaults to empty.
    const String &Caption() const { return FCaption; }
    void SetCaption(const String &Value) { FCaption = Value; }
    // Performs a record and hands back its inverse. Defaults to none: the
    // record then does nothing and has no inverse.
    TJActionDoEvent OnDo() const { return FOnDo; }
    void SetOnDo(const TJActionDoEvent &Value) { FOnDo = Value; }

private:
    String FCaption;
    TJActionDoEvent FOnDo;
};

// What both buffers share: the command they drive.
class TUndoBuffer : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TUndoBuffer(TComponent *AOwner);
    ~TUndoBuffer() override;

    // The command that shows what Undo would take back. Assigning it changes
    // nothing on it; the buffer lets go of it when it is freed. Defaults to
    // none.
    TAction *UndoAction() const { return FUndoAction; }
    void SetUndoAction(TAction *Value);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    // Performs Record through its action's handler and shows the action on
    // the command; returns the inverse record (owned by the caller now). What
    // the handler raises passes on, and the command stays as it was.
    JActionData *Perform(JActionData *Record);

private:
    TAction *FUndoAction = nullptr;
};

// One-level undo: holds the inverse of the last record performed, so that
// Undo after Undo redoes what the first took back.
class TUndoSingleBuffer : public TUndoBuffer
{
    TUMBLER_CLASS
public:
    explicit TUndoSingleBuffer(TComponent *AOwner);
    // Releases the held record.
    ~TUndoSingleBuffer() override;

    // Performs actionData (which stays the caller's) and holds its inverse in
    // place of the record held before. Returns the record now held.
    JActionData *Do(JActionData *actionData);
    // Whether a record is held.
    bool GetCanUndo() const { return FHeld != nullptr; }
    // Performs the held record and holds its inverse; does nothing when none
    // is held.
    void Undo();

private:
    JActionData *FHeld = nullptr; // owned
};

// Multi-level undo: a stack of inverse records, without depth limit or redo.
class TUndoMultiBuffer : public TUndoBuffer
{
    TUMBLER_CLASS
public:
    using TUndoStack = std::stack<JActionData *, std::deque<JActionData *>>;

    explicit TUndoMultiBuffer(TComponent *AOwner);
    // Releases every held record.
    ~TUndoMultiBuffer() override;

    // Performs actionData (which stays the caller's) and pushes its inverse.
    // Returns the record pushed; null when the handler gave no inverse, which
    // is not pushed.
    JActionData *Do(JActionData *actionData);
    // Whether the stack holds a record.
    bool GetCanUndo() const { return !FStack.empty(); }
    // Pops the top record and performs it; the record and its inverse are
    // released, also when the handler raises. Once the stack is empty the
    // command shows "Can't undo" and is disabled. Does nothing on an empty
    // stack.
    void Undo();
    // Releases every held record; the command stays as it is.
    void Flush();
    // How many records are held.
    std::size_t Depth() const { return FStack.size(); }

private:
    TUndoStack FStack; // the records are owned
};

namespace undo {
// Puts TUndoSingleBuffer, TUndoMultiBuffer and JAction on the component
// palette page "Marrowlight"; nothing else.
void Register();
} // namespace undo
