#include "components/undo/undo.h"

#include "framework/TypInfo.h"

#include <memory>

namespace {

// Holds a record until it is released or let go.
struct RecordDeleter
{
    void operator()(JActionData *Data) const noexcept { FreeActionData(Data); }
};
using OwnedRecord = std::unique_ptr<JActionData, RecordDeleter>;

} // namespace

// ---------------------------------------------------------------------------
// JAction

const TClassInfo &JAction::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<JAction>("JAction", &TComponent::StaticClassInfo())
                                       .Component()
                                       .Text("Caption", &JAction::Caption, &JAction::SetCaption)
                                       .Event("OnDo", &JAction::OnDo, &JAction::SetOnDo)
                                       .Build();
    return info;
}

JAction::JAction(TComponent *AOwner) : TComponent(AOwner) {}

JAction::~JAction() = default;

// ---------------------------------------------------------------------------
// TUndoBuffer

const TClassInfo &TUndoBuffer::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TUndoBuffer>("TUndoBuffer", &TComponent::StaticClassInfo())
            .Reference("UndoAction", &TUndoBuffer::UndoAction, &TUndoBuffer::SetUndoAction)
            .Build();
    return info;
}

TUndoBuffer::TUndoBuffer(TComponent *AOwner) : TComponent(AOwner) {}

TUndoBuffer::~TUndoBuffer() = default;

void TUndoBuffer::SetUndoAction(TAction *Value)
{
    if (FUndoAction == Value)
        return;
    if (FUndoAction)
        FUndoAction->RemoveFreeNotification(this);
    FUndoAction = Value;
    if (FUndoAction)
        FUndoAction->FreeNotification(this);
}

void TUndoBuffer::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FUndoAction)
        FUndoAction = nullptr;
}

JActionData *TUndoBuffer::Perform(JActionData *Record)
{
    if (!Record || !Record->action)
        throw Exception("Cannot perform an undo record that names no action");
    JAction *action = Record->action;
    // Null until the handler stores an inverse: no handler, or one that
    // stores nothing, leaves nothing to undo.
    JActionData *inverse = nullptr;
    try {
        const TJActionDoEvent handler = action->OnDo();
        handler(Record, &inverse);
    } catch (...) {
        // A record stored before the failure would be lost otherwise.
        FreeActionData(inverse);
        throw;
    }
    OwnedRecord held(inverse);
    if (FUndoAction) {
        FUndoAction->SetCaption(action->Caption());
        FUndoAction->SetEnabled(true);
    }
    return held.release();
}

// ---------------------------------------------------------------------------
// TUndoSingleBuffer

const TClassInfo &TUndoSingleBuffer::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TUndoSingleBuffer>("TUndoSingleBuffer", &TUndoBuffer::StaticClassInfo())
            .Component()
            .Build();
    return info;
}

TUndoSingleBuffer::TUndoSingleBuffer(TComponent *AOwner) : TUndoBuffer(AOwner) {}

TUndoSingleBuffer::~TUndoSingleBuffer()
{
    FreeActionData(FHeld);
}

JActionData *TUndoSingleBuffer::Do(JActionData *actionData)
{
    JActionData *inverse = Perform(actionData);
    // When actionData is the held record (Undo), it goes only now that its
    // handler has run.
    FreeActionData(FHeld);
    FHeld = inverse;
    return FHeld;
}

void TUndoSingleBuffer::Undo()
{
    if (FHeld)
        Do(FHeld);
}

// ---------------------------------------------------------------------------
// TUndoMultiBuffer

const TClassInfo &TUndoMultiBuffer::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TUndoMultiBuffer>("TUndoMultiBuffer", &TUndoBuffer::StaticClassInfo())
            .Component()
            .Build();
    return info;
}

TUndoMultiBuffer::TUndoMultiBuffer(TComponent *AOwner) : TUndoBuffer(AOwner) {}

TUndoMultiBuffer::~TUndoMultiBuffer()
{
    Flush();
}

JActionData *TUndoMultiBuffer::Do(JActionData *actionData)
{
    OwnedRecord inverse(Perform(actionData));
    // A null inverse would be a record without an action to perform.
    if (inverse) {
        FStack.push(inverse.get());
        return inverse.release();
    }
    return nullptr;
}

void TUndoMultiBuffer::Undo()
{
    if (FStack.empty())
        return;
    // Popped for good, also when its handler raises; released either way.
    const OwnedRecord top(FStack.top());
    FStack.pop();
    // No redo: the inverse goes straight away.
    const OwnedRecord inverse(Perform(top.get()));
    if (FStack.empty() && UndoAction()) {
        UndoAction()->SetCaption("Can't undo");
        UndoAction()->SetEnabled(false);
    }
}

void TUndoMultiBuffer::Flush()
{
    while (!FStack.empty()) {
        FreeActionData(FStack.top());
        FStack.pop();
    }
}

// ---------------------------------------------------------------------------

void undo::Register()
{
    RegisterComponents("Marrowlight",
                       {&TUndoSingleBuffer::StaticClassInfo(), &TUndoMultiBuffer::StaticClassInfo(),
                        &JAction::StaticClassInfo()});
}
