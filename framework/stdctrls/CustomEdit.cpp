#include "framework/StdCtrls.h"
#include "framework/stdctrls/StdCtrls_p.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopedValueRollback>

using stdctrls_detail::guarded;
using stdctrls_detail::qs;
using stdctrls_detail::setBaseColor;

namespace {

const TEnumInfo EditCharCaseInfo{"TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}};

} // namespace

// ---------------------------------------------------------------------------
// TCustomEdit

const TClassInfo &TCustomEdit::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomEdit>("TCustomEdit", &TWinControl::StaticClassInfo())
            .Boolean("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect, true)
            .Enumeration("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle,
                         FormBorderStyleInfo, bsSingle)
            .Enumeration("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase,
                         EditCharCaseInfo, ecNormal)
            .IntegerIdents("Color", &TCustomEdit::Color, &TCustomEdit::SetColor, ColorIdents(),
                           clWindow)
            .StoredIf(&TCustomEdit::isColorStored)
            .Integer("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength, 0)
            .Boolean("ParentColor", &TCustomEdit::ParentColor, &TCustomEdit::SetParentColor, false)
            .Integer("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar, 0)
            .Boolean("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly, false)
            .Boolean("TabStop", &TCustomEdit::TabStop, &TCustomEdit::SetTabStop, true)
            .Text("Text", &TCustomEdit::GetText, &TCustomEdit::SetText)
            .StoredIf(&TCustomEdit::isTextStored)
            .Event("OnChange", &TCustomEdit::OnChange, &TCustomEdit::SetOnChange)
            .Build();
    return info;
}

const TClassInfo &TEdit::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TEdit>("TEdit", &TCustomEdit::StaticClassInfo()).Component().Build();
    return info;
}

TCustomEdit::TCustomEdit(TComponent *AOwner) : TWinControl(AOwner)
{
    SetControlStyle({csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight});
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetParentColor(false);
}

void TCustomEdit::CreateWnd()
{
    const QScopedValueRollback<bool> creating(FCreating, true);
    TWinControl::CreateWnd();
}

QLineEdit *TCustomEdit::LineEdit() const
{
    return qobject_cast<QLineEdit *>(const_cast<TCustomEdit *>(this)->Widget());
}

QWidget *TCustomEdit::CreateWidget()
{
    auto *edit = new QLineEdit;
    const unsigned style = CurrentParams().Style;
    Qt::Alignment align = Qt::AlignLeft;
    if (style & ES_RIGHT)
        align = Qt::AlignRight;
    else if (style & ES_CENTER)
        align = Qt::AlignHCenter;
    edit->setAlignment(align | Qt::AlignVCenter);
    return edit;
}

void TCustomEdit::WidgetCreated()
{
    TWinControl::WidgetCreated();
    QLineEdit *edit = LineEdit();
    edit->setReadOnly(FReadOnly);
    edit->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
    edit->setFrame(FBorderStyle != bsNone);
    if (FPasswordChar)
        edit->setEchoMode(QLineEdit::Password);
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [this](const QString &) { guarded(this, [this] { textEdited(); }); });
}

void TCustomEdit::textEdited()
{
    if (QLineEdit *edit = qobject_cast<QLineEdit *>(Widget())) {
        QString text = edit->text();
        if (FCharCase != ecNormal) {
            const QString cased = FCharCase == ecUpperCase ? text.toUpper() : text.toLower();
            if (cased != text) {
                edit->setText(cased); // comes back here with the new text
                return;
            }
        }
        FText = text.toStdString();
    }
    // The text a description or the widget's making sets is no user change.
    if (!FCreating && !ComponentState().Contains(csLoading))
        Change();
}

String TCustomEdit::GetText() const
{
    if (!WidgetAllocated())
        return FText;
    if (auto *edit = qobject_cast<QLineEdit *>(const_cast<TCustomEdit *>(this)->Widget()))
        return edit->text().toStdString();
    return FText;
}

void TCustomEdit::ApplyText()
{
    if (!WidgetAllocated()) {
        // No widget reports this change, and making one later with the text
        // reports none either: the edit reports it itself, as the widget
        // would have.
        if (!ComponentState().Contains(csLoading))
            Change();
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
        if (edit->text() != qs(FText))
            edit->setText(qs(FText));
}

void TCustomEdit::ApplyColor()
{
    if (WidgetAllocated())
        setBaseColor(Widget(), Color(), clWindow);
}

void TCustomEdit::Change()
{
    if (FOnChange)
        FOnChange(this);
}

void TCustomEdit::DoEnter()
{
    if (FAutoSelect)
        if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
            edit->selectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    if (!WidgetAllocated())
        return;
    if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
        edit->setReadOnly(Value);
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(Widget())) {
        memo->setReadOnly(Value);
        // A read-only pane (a log) need not keep every addition for undo.
        memo->document()->setUndoRedoEnabled(!Value);
    }
}

void TCustomEdit::SetMaxLength(int Value)
{
    FMaxLength = std::max(0, Value);
    if (WidgetAllocated())
        if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
            edit->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TCustomEdit::SetPasswordChar(char Value)
{
    FPasswordChar = Value;
    if (WidgetAllocated())
        if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
            edit->setEchoMode(Value ? QLineEdit::Password : QLineEdit::Normal);
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value)
{
    FBorderStyle = Value;
    if (WidgetAllocated()) {
        if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
            edit->setFrame(Value != bsNone);
        else if (auto *memo = qobject_cast<QPlainTextEdit *>(Widget()))
            memo->setFrameShape(Value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    }
}

void TCustomEdit::SetCharCase(TEditCharCase Value)
{
    FCharCase = Value;
    if (Value != ecNormal)
        SetText(Value == ecUpperCase ? UpperCase(GetText()) : LowerCase(GetText()));
}
