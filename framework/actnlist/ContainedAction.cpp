#include "framework/ActnList.h"
#include "framework/TypInfo.h"

#include <algorithm>

const TClassInfo &TContainedAction::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TContainedAction>("TContainedAction", &TBasicAction::StaticClassInfo())
            .Text("Category", &TContainedAction::Category, &TContainedAction::SetCategory)
            .Build();
    return info;
}

TContainedAction::TContainedAction(TComponent *AOwner) : TBasicAction(AOwner) {}

TContainedAction::~TContainedAction()
{
    Destroying();
    SetActionList(nullptr);
}

void TContainedAction::SetActionList(TCustomActionList *Value)
{
    if (Value == FActionList)
        return;
    if (FActionList) {
        auto &actions = FActionList->FActions;
        actions.erase(std::remove(actions.begin(), actions.end(), this), actions.end());
    }
    FActionList = Value;
    if (FActionList)
        FActionList->FActions.push_back(this);
    // The list brings its images.
    Change();
}

int TContainedAction::Index() const
{
    return FActionList ? FActionList->IndexOf(this) : -1;
}

void TContainedAction::SetCategory(const String &Value)
{
    if (FCategory == Value)
        return;
    FCategory = Value;
    Change();
}

bool TContainedAction::Execute()
{
    if (FActionList && FActionList->ExecuteAction(this))
        return true;
    return TBasicAction::Execute();
}

bool TContainedAction::Update()
{
    if (FActionList && FActionList->UpdateAction(this))
        return true;
    return TBasicAction::Update();
}

void TContainedAction::Change()
{
    if (ComponentState().Contains(csDestroying))
        return;
    TBasicAction::Change();
    if (FActionList)
        FActionList->Change();
}

TComponent *TContainedAction::GetParentComponent() const
{
    return FActionList;
}

void TContainedAction::SetParentComponent(TComponent *Value)
{
    if (auto *list = dynamic_cast<TCustomActionList *>(Value))
        SetActionList(list);
    else if (Value)
        throw EComponentError("An action belongs in an action list, not in " + Value->Name());
}
