#include "framework/ActnList.h"
#include "framework/ImgList.h"
#include "framework/TypInfo.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TCustomActionList

const TClassInfo &TCustomActionList::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomActionList>("TCustomActionList", &TComponent::StaticClassInfo())
            .Reference("Images", &TCustomActionList::Images, &TCustomActionList::SetImages)
            .Event("OnChange", &TCustomActionList::OnChange, &TCustomActionList::SetOnChange)
            .Event("OnExecute", &TCustomActionList::OnExecute, &TCustomActionList::SetOnExecute)
            .Event("OnUpdate", &TCustomActionList::OnUpdate, &TCustomActionList::SetOnUpdate)
            .Build();
    return info;
}

TCustomActionList::TCustomActionList(TComponent *AOwner)
    : TComponent(AOwner), FImageChangeLink(std::make_unique<TChangeLink>())
{
    FImageChangeLink->OnChange = TNotifyEvent(this, &TCustomActionList::imagesChanged);
}

TCustomActionList::~TCustomActionList()
{
    Destroying();
    SetImages(nullptr);
    while (!FActions.empty())
        FActions.back()->SetActionList(nullptr);
}

TContainedAction *TCustomActionList::Actions(int Index) const
{
    if (Index < 0 || Index >= ActionCount())
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FActions[static_cast<std::size_t>(Index)];
}

int TCustomActionList::IndexOf(const TContainedAction *Action) const
{
    const auto it = std::find(FActions.begin(), FActions.end(), Action);
    return it == FActions.end() ? -1 : static_cast<int>(it - FActions.begin());
}

void TCustomActionList::SetImages(TCustomImageList *Value)
{
    if (FImages == Value)
        return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    imagesChanged(this);
}

void TCustomActionList::imagesChanged(TObject *)
{
    if (ComponentState().Contains(csDestroying))
        return;
    // Every action's image is another now; its clients take it anew.
    const std::vector<TContainedAction *> actions = FActions;
    for (TContainedAction *action : actions)
        if (IndexOf(action) >= 0)
            action->Change();
}

bool TCustomActionList::ExecuteAction(TBasicAction *Action)
{
    bool handled = false;
    if (FOnExecute)
        FOnExecute(Action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction *Action)
{
    bool handled = false;
    if (FOnUpdate)
        FOnUpdate(Action, handled);
    return handled;
}

void TCustomActionList::Change()
{
    if (FOnChange && !ComponentState().Contains(csDestroying))
        FOnChange(this);
}

void TCustomActionList::GetChildren(const std::function<void(TComponent *)> &Proc,
                                    TComponent *Root) const
{
    for (TContainedAction *action : FActions)
        if (action->Owner() == Root)
            Proc(action);
}

void TCustomActionList::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        // Only its TComponent part is left: it has already dropped its links.
        FImages = nullptr;
        imagesChanged(this);
    }
}

// ---------------------------------------------------------------------------
// TActionList

const TClassInfo &TActionList::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TActionList>("TActionList", &TCustomActionList::StaticClassInfo())
            .Component()
            .Build();
    return info;
}

TActionList::TActionList(TComponent *AOwner) : TCustomActionList(AOwner) {}

TActionList::~TActionList() = default;
