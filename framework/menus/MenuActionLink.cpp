#include "framework/Menus.h"

// ---------------------------------------------------------------------------
// A menu item's action (the link itself is TActionClient's)

std::unique_ptr<TMenuActionLink> TMenuItem::CreateActionLink()
{
    return std::make_unique<TMenuActionLink>(this);
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
    if (!CheckDefaults || ShortCut() == scNone)
        SetShortCut(action->ShortCut());
    TakeActionState(*action, CheckDefaults);
}
