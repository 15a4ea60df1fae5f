#include "framework/Controls.h"

// ---------------------------------------------------------------------------
// A control's action (the link itself is TActionClient's)

std::unique_ptr<TControlActionLink> TControl::CreateActionLink()
{
    return std::make_unique<TControlActionLink>(this);
}

void TControl::ActionChange(TObject *Sender, bool CheckDefaults)
{
    const auto *action = dynamic_cast<const TCustomAction *>(Sender);
    if (!action)
        return;
    // A caption still equal to the name is the one a designer gave by default.
    if (!CheckDefaults || Caption().empty() || Caption() == Name())
        SetCaption(action->Caption());
    TakeActionState(*action, CheckDefaults);
}
