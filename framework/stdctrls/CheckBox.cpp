#include "framework/StdCtrls.h"
#include "framework/stdctrls/StdCtrls_p.h"

#include <QCheckBox>
#include <QSignalBlocker>

using stdctrls_detail::guarded;
using stdctrls_detail::qs;

namespace {

const TEnumInfo CheckBoxStateInfo{"TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"}};

} // namespace

// ---------------------------------------------------------------------------
// TCheckBox

const TClassInfo &TCheckBox::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCheckBox>("TCheckBox", &TWinControl::StaticClassInfo())
            .Component()
            .Boolean("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed, false)
            .Text("Caption", &TCheckBox::Caption, &TCheckBox::SetCaption)
            .StoredIf(&TCheckBox::isCaptionStored)
            .Boolean("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked, false)
            .Enumeration("State", &TCheckBox::State, &TCheckBox::SetState, CheckBoxStateInfo,
                         cbUnchecked)
            .Boolean("TabStop", &TCheckBox::TabStop, &TCheckBox::SetTabStop, true)
            .Build();
    return info;
}

TCheckBox::TCheckBox(TComponent *AOwner) : TWinControl(AOwner)
{
    SetControlStyle({csSetCaption, csDoubleClicks});
    SetBounds(0, 0, 97, 17);
    SetTabStop(true);
}

QWidget *TCheckBox::CreateWidget()
{
    return new QCheckBox;
}

namespace {
Qt::CheckState toQt(TCheckBoxState s)
{
    return s == cbChecked ? Qt::Checked : s == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked;
}
} // namespace

void TCheckBox::WidgetCreated()
{
    TWinControl::WidgetCreated();
    auto *box = static_cast<QCheckBox *>(Widget());
    box->setTristate(FAllowGrayed);
    box->setCheckState(toQt(FState));
    QObject::connect(box, &QCheckBox::clicked, box, [this, box] {
        guarded(this, [this, box] {
            const Qt::CheckState s = box->checkState();
            FState = s == Qt::Checked            ? cbChecked
                     : s == Qt::PartiallyChecked ? cbGrayed
                                                 : cbUnchecked;
            Click();
        });
    });
}

void TCheckBox::ApplyText()
{
    if (WidgetAllocated())
        static_cast<QCheckBox *>(Widget())->setText(qs(FText));
}

void TCheckBox::SetState(TCheckBoxState Value)
{
    if (FState == Value)
        return;
    FState = Value;
    if (WidgetAllocated()) {
        auto *box = static_cast<QCheckBox *>(Widget());
        const QSignalBlocker block(box);
        box->setCheckState(toQt(Value));
    }
    if (!ComponentState().Contains(csLoading))
        Click();
}

void TCheckBox::SetAllowGrayed(bool Value)
{
    FAllowGrayed = Value;
    if (WidgetAllocated())
        static_cast<QCheckBox *>(Widget())->setTristate(Value);
}
