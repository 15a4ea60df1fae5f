#include "framework/Controls.h"

// ---------------------------------------------------------------------------
// A control's action

TBasicAction *TControl::Action() const
{
    return FActionLink ? FActionLink->Action() : nullptr;
}

void TControl::SetAction(TBasicAction *Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) {
        FActionLink = CreateActionLink();
        FActionLink->OnChange = TNotifyEvent(this, &TControl::doActionChange);
    }
    FActionLink->SetAction(Value);
    ActionChange(Value, ComponentState().Contains(csLoading) ||
                            Value->ComponentState().Contains(csLoading));
}

std::unique_ptr<TControlActionLink> TControl::CreateActionLink()
{
    return std::make_unique<TControlActionLink>(this);
}

void TControl::doActionChange(TObject *Sender)
{
    if (Sender && Sender == Action())
        ActionChange(Sender, false);
}

void TControl::ActionChange(TObject *Sender, bool CheckDefaults)
{
    const auto *action = dynamic_cast<const TCustomAction *>(Sender);
    if (!action)
        return;
    if (!CheckDefaults || Caption().empty() || Caption() == Name())
        SetCaption(action->Caption());
    if (!CheckDefaults || Enabled())
        SetEnabled(action->Enabled());
    if (!CheckDefaults || Hint().empty())
        SetHint(action->Hint());
    if (!CheckDefaults || Visible())
        SetVisible(action->Visible());
}

bool TControl::isCaptionStored() const
{
    return !FActionLink || !FActionLink->IsCaptionLinked();
}

bool TControl::isEnabledStored() const
{
    return !FActionLink || !FActionLink->IsEnabledLinked();
}

bool TControl::isHintStored() const
{
    return !FActionLink || !FActionLink->IsHintLinked();
}

bool TControl::isVisibleStored() const
{
    return !FActionLink || !FActionLink->IsVisibleLinked();
}

// ---------------------------------------------------------------------------
// TControlActionLink

TControlActionLink::TControlActionLink(TControl *AClient) : TActionLink(AClient), FClient(AClient)
{}

bool TControlActionLink::IsCaptionLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Caption() == action->Caption();
}

bool TControlActionLink::IsEnabledLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Enabled() == action->Enabled();
}

bool TControlActionLink::IsHintLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Hint() == action->Hint();
}

bool TControlActionLink::IsVisibleLinked() const
{
    const TCustomAction *action = customAction();
    return action && FClient->Visible() == action->Visible();
}
