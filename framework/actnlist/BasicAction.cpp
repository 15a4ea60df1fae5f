#include "framework/ActnList.h"
#include "framework/TypInfo.h"

#include <algorithm>

const TClassInfo &TBasicAction::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TBasicAction>("TBasicAction", &TComponent::StaticClassInfo()).Build();
    return info;
}

TBasicAction::TBasicAction(TComponent *AOwner)
    : TComponent(AOwner), FAlive(std::make_shared<bool>(true))
{}

TBasicAction::~TBasicAction()
{
    Destroying();
    *FAlive = false;
    // The clients keep their links, and the state they last took, but no
    // longer point here.
    for (TBasicActionLink *link : FClients)
        link->FAction = nullptr;
    FClients.clear();
}

bool TBasicAction::Execute()
{
    if (!FOnExecute)
        return false;
    // A handler may free the action: run a copy.
    const TNotifyEvent handler = FOnExecute;
    handler(this);
    return true;
}

bool TBasicAction::Update()
{
    if (!FOnUpdate)
        return false;
    const TNotifyEvent handler = FOnUpdate;
    handler(this);
    return true;
}

void TBasicAction::SetOnExecute(const TNotifyEvent &Value)
{
    FOnExecute = Value;
    Change();
}

void TBasicAction::RegisterChanges(TBasicActionLink *Value)
{
    if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end())
        FClients.push_back(Value);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink *Value)
{
    FClients.erase(std::remove(FClients.begin(), FClients.end(), Value), FClients.end());
}

void TBasicAction::Change()
{
    if (ComponentState().Contains(csDestroying))
        return;
    // A client may unlink itself (or others) while it follows the change.
    const std::vector<TBasicActionLink *> clients = FClients;
    for (TBasicActionLink *link : clients)
        if (std::find(FClients.begin(), FClients.end(), link) != FClients.end())
            link->Change();
}
