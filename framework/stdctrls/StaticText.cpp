#include "framework/StdCtrls.h"
#include "framework/stdctrls/StdCtrls_p.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPalette>

using stdctrls_detail::qs;

namespace {

Qt::Alignment horizontal(TAlignment a)
{
    switch (a) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

// The caption as plain text shows it: "&x" is x, "&&" is '&'.
QString withoutAccel(const String &Text)
{
    String out;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '&' && i + 1 < Text.size())
            ++i;
        out += Text[i];
    }
    return qs(out);
}

const TEnumInfo StaticBorderStyleInfo{"TStaticBorderStyle", {"sbsNone", "sbsSingle", "sbsSunken"}};

} // namespace

// ---------------------------------------------------------------------------
// TStaticText

const TClassInfo &TStaticText::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TStaticText>("TStaticText", &TWinControl::StaticClassInfo())
            .Component()
            .Enumeration("Alignment", &TStaticText::Alignment, &TStaticText::SetAlignment,
                         AlignmentInfo, taLeftJustify)
            .Boolean("AutoSize", &TStaticText::AutoSize, &TStaticText::SetAutoSize, true)
            .Enumeration("BorderStyle", &TStaticText::BorderStyle, &TStaticText::SetBorderStyle,
                         StaticBorderStyleInfo, sbsNone)
            .Text("Caption", &TStaticText::Caption, &TStaticText::SetCaption)
            .StoredIf(&TStaticText::isCaptionStored)
            .Boolean("ShowAccelChar", &TStaticText::ShowAccelChar, &TStaticText::SetShowAccelChar,
                     true)
            .Build();
    return info;
}

TStaticText::TStaticText(TComponent *AOwner) : TWinControl(AOwner)
{
    SetControlStyle({csCaptureMouse, csClickEvents, csSetCaption, csReplicatable, csDoubleClicks});
    SetBounds(0, 0, 65, 17);
}

QWidget *TStaticText::CreateWidget()
{
    auto *label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(true);
    return label;
}

void TStaticText::WidgetCreated()
{
    TWinControl::WidgetCreated();
    auto *label = static_cast<QLabel *>(Widget());
    label->setAlignment(horizontal(FAlignment) | Qt::AlignTop);
    label->setFrameShape(FBorderStyle == sbsNone ? QFrame::NoFrame : QFrame::Box);
    if (FBorderStyle == sbsSunken)
        label->setFrameShadow(QFrame::Sunken);
}

void TStaticText::ApplyText()
{
    if (WidgetAllocated())
        static_cast<QLabel *>(Widget())->setText(FShowAccelChar ? withoutAccel(FText) : qs(FText));
}

void TStaticText::ApplyColor()
{
    if (!WidgetAllocated())
        return;
    QPalette pal = Widget()->palette();
    pal.setColor(QPalette::Window, ColorToQColor(Color(), clBtnFace));
    Widget()->setPalette(pal);
}

void TStaticText::AdjustSize()
{
    if (!FAutoSize || FText.empty() || ComponentState().Contains(csLoading) ||
        ComponentState().Contains(csDestroying))
        return;
    const QFontMetrics fm(Font()->ToQFont());
    const QSize size =
        fm.size(Qt::TextExpandTabs, FShowAccelChar ? withoutAccel(FText) : qs(FText));
    const int border = FBorderStyle == sbsNone ? 0 : 2;
    SetBounds(Left(), Top(), size.width() + 2 * border, size.height() + 2 * border);
}

void TStaticText::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    if (WidgetAllocated())
        static_cast<QLabel *>(Widget())->setAlignment(horizontal(Value) | Qt::AlignTop);
}

void TStaticText::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    AdjustSize();
}

void TStaticText::SetBorderStyle(TStaticBorderStyle Value)
{
    FBorderStyle = Value;
    if (WidgetAllocated()) {
        auto *label = static_cast<QLabel *>(Widget());
        label->setFrameShape(Value == sbsNone ? QFrame::NoFrame : QFrame::Box);
        label->setFrameShadow(Value == sbsSunken ? QFrame::Sunken : QFrame::Plain);
    }
    AdjustSize();
}

void TStaticText::SetShowAccelChar(bool Value)
{
    FShowAccelChar = Value;
    ApplyText();
    AdjustSize();
}
