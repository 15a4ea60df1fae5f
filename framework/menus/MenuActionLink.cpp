#include "framework/Menus.h"

// ---------------------------------------------------------------------------
// A menu item's action

TBasicAction *TMenuItem::Action() const
{
    return FActionLink ? FActionLink->Action() : nullptr;
}

void TMenuItem::SetAction(TBasicAction *Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) {
        FActionLink = CreateActionLink();
        FActionLink->OnChange = TNotifyEvent(this, &TMenuItem::doActionChange);
    }
    FActionLink->SetAction(Value);
    ActionChange(Value, ComponentState().Contains(csLoading) ||
                            Value->ComponentState().Contains(csLoading));
}

std::unique_ptr<TMenuActionLink> TMenuItem::CreateActionLink()
{
    return std::make_unique<TMenuActionLink>(this);
}

void TMenuItem::doActionChange(TObject *Sender)
{
    if (Sender && Sender == Action())
        ActionChange(Sender, false);
}

void TMenuItem::ActionChange(TObject *Sender, bool CheckDefaults)
{
    const auto *action = dynamic_cast<const TCustomAction *>(Sender);
    if (!action)
        return;
    if (!CheckDefaults || Caption().empty())
        SetCaption(action->Caption());
    if (!CheckDefaults || !Checked())
        SetChecked(action->Checked());
    if (!CheckDefaults || Enabled())
        SetEnabled(action->Enabled());
    if (!CheckDefaults || Hint().empty())
        SetHint(action->Hint());
    if (!CheckDefaults || ShortCut() == scNone)
        SetShortCut(action->ShortCut());
    if (!CheckDefaults || Visible())
        SetVisible(action->Visible());
}

bool TMenuItem::isCaptionStored() const
{
    return !FActionLink || !FActionLink->IsCaptionLinked();
}

bool TMenuItem::isCheckedStored() const
{
    return !FActionLink || !FActionLink->IsCheckedLinked();
}

bool TMenuItem::isEnabledStored() const
{
    return !FActionLink || !FActionLink->IsEnabledLinked();
}

bool TMenuItem::isHintStored() const
{
    return !FActionLink || !FActionLink->IsHintLinked();
}

bool TMenuItem::isShortCutStored() const
{
    return !FActionLink || !FActionLink->IsShortCutLinked();
}

bool TMenuItem::isVisibleStored() const
{
    return !FActionLink || !FActionLink->IsVisibleLinked();
}

// ---------------------------------------------------------------------------
// TMenuActionLink

TMenuActionLink::TMenuActionLink(TMenuItem *AClient) : TActionLink(AClient), FClient(AClient) {}

bool TMenuActionLink::IsCaptionLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Caption() == action->Caption();
}

bool TMenuActionLink::IsCheckedLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Checked() == action->Checked();
}

bool TMenuActionLink::IsEnabledLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Enabled() == action->Enabled();
}

bool TMenuActionLink::IsHintLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Hint() == action->Hint();
}

bool TMenuActionLink::IsShortCutLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->ShortCut() == action->ShortCut();
}

bool TMenuActionLink::IsVisibleLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Visible() == action->Visible();
}
