#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/stdctrls/StdCtrls_p.h"

#include <QPushButton>

using stdctrls_detail::guarded;
using stdctrls_detail::qs;

// ---------------------------------------------------------------------------
// TButton

const TClassInfo &TButton::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TButton>("TButton", &TWinControl::StaticClassInfo())
            .Component()
            .Boolean("Cancel", &TButton::Cancel, &TButton::SetCancel, false)
            .Text("Caption", &TButton::Caption, &TButton::SetCaption)
            .StoredIf(&TButton::isCaptionStored)
            .Boolean("Default", &TButton::Default, &TButton::SetDefault, false)
            .Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, 0)
            .Boolean("TabStop", &TButton::TabStop, &TButton::SetTabStop, true)
            .Build();
    return info;
}

TButton::TButton(TComponent *AOwner) : TWinControl(AOwner)
{
    // Qt's clicked signal (mouse or keyboard) makes the click, not the mouse-up.
    SetControlStyle({csSetCaption, csDoubleClicks});
    SetBounds(0, 0, 75, 25);
    SetTabStop(true);
}

QWidget *TButton::CreateWidget()
{
    return new QPushButton;
}

void TButton::WidgetCreated()
{
    TWinControl::WidgetCreated();
    auto *button = static_cast<QPushButton *>(Widget());
    button->setDefault(FDefault);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button,
                     [this] { guarded(this, [this] { Click(); }); });
}

void TButton::ApplyText()
{
    if (WidgetAllocated())
        static_cast<QPushButton *>(Widget())->setText(qs(FText));
}

void TButton::SetDefault(bool Value)
{
    FDefault = Value;
    if (WidgetAllocated())
        static_cast<QPushButton *>(Widget())->setDefault(Value);
}

void TButton::Click()
{
    if (FModalResult != mrNone)
        if (TCustomForm *form = GetParentForm(this))
            form->SetModalResult(FModalResult);
    TWinControl::Click();
}
