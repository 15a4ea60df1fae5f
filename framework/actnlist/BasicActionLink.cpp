#include "framework/ActnList.h"

TBasicActionLink::TBasicActionLink(TObject *) {}

TBasicActionLink::~TBasicActionLink()
{
    if (FAction)
        FAction->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction *Value)
{
    if (Value == FAction)
        return;
    if (FAction)
        FAction->UnRegisterChanges(this);
    FAction = Value;
    if (FAction)
        FAction->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent *AComponent)
{
    // The handler may free the action, the client and this link: hold on to
    // what is needed afterwards, and look at nothing that may be gone.
    TBasicAction *action = FAction;
    if (!action)
        return false;
    const std::shared_ptr<bool> alive = action->FAlive;
    action->SetActionComponent(AComponent);
    bool handled = false;
    try {
        handled = action->Execute();
    } catch (...) {
        if (*alive)
            action->SetActionComponent(nullptr);
        throw;
    }
    if (*alive)
        action->SetActionComponent(nullptr);
    return handled;
}

bool TBasicActionLink::Update()
{
    return FAction && FAction->Update();
}

void TBasicActionLink::Change()
{
    if (OnChange)
        OnChange(FAction);
}
