#include "framework/StdCtrls.h"

#include "framework/Controls_p.h"
#include "framework/Forms.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Runs a Qt signal's work for a control that is still alive, showing what it
// throws instead of letting it into Qt's event loop.
template <class F> void guarded(TControl *Control, F &&Work)
{
    if (Control->ComponentState().Contains(csDestroying))
        return;
    try {
        Work();
    } catch (const std::exception &e) {
        controls_detail::HandleException(e);
    }
}

QString qs(const String &s)
{
    return QString::fromStdString(s);
}

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

void setBaseColor(QWidget *w, TColor color, TColor fallback)
{
    QPalette pal = w->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        pal.setColor(group, QPalette::Base, ColorToQColor(color, fallback));
    w->setPalette(pal);
}

const TEnumInfo TextLayoutInfo{"TTextLayout", {"tlTop", "tlCenter", "tlBottom"}};
const TEnumInfo EditCharCaseInfo{"TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}};
const TEnumInfo ScrollStyleInfo{"TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};
const TEnumInfo CheckBoxStateInfo{"TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"}};
const TEnumInfo ComboBoxStyleInfo{
    "TComboBoxStyle",
    {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"}};
const TEnumInfo StaticBorderStyleInfo{"TStaticBorderStyle", {"sbsNone", "sbsSingle", "sbsSunken"}};

} // namespace

// ---------------------------------------------------------------------------
// TCustomLabel

const TClassInfo &TCustomLabel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomLabel>("TCustomLabel", &TGraphicControl::StaticClassInfo())
            .Enumeration("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment,
                         AlignmentInfo, taLeftJustify)
            .Boolean("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, true)
            .Text("Caption", &TCustomLabel::Caption, &TCustomLabel::SetCaption)
            .Enumeration("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout, TextLayoutInfo,
                         tlTop)
            .Boolean("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar,
                     true)
            .Boolean("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent,
                     false)
            .Boolean("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, false)
            .Build();
    return info;
}

const TClassInfo &TLabel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TLabel>("TLabel", &TCustomLabel::StaticClassInfo()).Component().Build();
    return info;
}

TCustomLabel::TCustomLabel(TComponent *AOwner) : TGraphicControl(AOwner)
{
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment Value)
{
    if (FAlignment == Value)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value)
{
    if (FAutoSize == Value)
        return;
    FAutoSize = Value;
    AdjustSize();
}

void TCustomLabel::SetTransparent(bool Value)
{
    if (FTransparent == Value)
        return;
    FTransparent = Value;
    auto style = ControlStyle();
    if (Value)
        style.Exclude(csOpaque);
    else
        style.Include(csOpaque);
    SetControlStyle(style);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value)
{
    if (FShowAccelChar == Value)
        return;
    FShowAccelChar = Value;
    AdjustSize();
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value)
{
    if (FWordWrap == Value)
        return;
    FWordWrap = Value;
    AdjustSize();
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value)
{
    if (FLayout == Value)
        return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::DoDrawText(TRect &Rect, unsigned Flags)
{
    String text = Caption();
    if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&")))
        text += ' ';
    if (!FShowAccelChar)
        Flags |= DT_NOPREFIX;
    TCanvas *canvas = Canvas();
    canvas->SetFont(Font());
    if (!Enabled() && !(Flags & DT_CALCRECT)) {
        // The engraved look of disabled text.
        TRect shifted = Rect;
        shifted.Left += 1;
        shifted.Top += 1;
        shifted.Right += 1;
        shifted.Bottom += 1;
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->DrawText(text, shifted, Flags);
        canvas->Font()->SetColor(clBtnShadow);
        canvas->DrawText(text, Rect, Flags);
        return;
    }
    canvas->DrawText(text, Rect, Flags);
}

void TCustomLabel::Paint()
{
    TCanvas *canvas = Canvas();
    const TRect client = ClientRect();
    if (!FTransparent) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(client);
    }
    canvas->Brush()->SetStyle(bsClear);
    static const unsigned alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    const unsigned flags =
        DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | alignments[static_cast<int>(FAlignment)];
    TRect r = client;
    if (FLayout != tlTop) {
        TRect calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        const int offset = r.Height() - calc.Height();
        r.Top += FLayout == tlBottom ? offset : offset / 2;
    }
    DoDrawText(r, flags);
}

void TCustomLabel::AdjustSize()
{
    if (!FAutoSize || ComponentState().Contains(csLoading) ||
        ComponentState().Contains(csDestroying))
        return;
    TRect r = ClientRect();
    DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    int x = Left();
    if (FAlignment == taRightJustify)
        x += Width() - r.Right;
    SetBounds(x, Top(), r.Right, r.Bottom);
}

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
    if (!WidgetAllocated())
        return;
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

void TCustomEdit::SelectAll()
{
    if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
        edit->selectAll();
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(Widget()))
        memo->selectAll();
}

int TCustomEdit::SelStart() const
{
    auto *w = const_cast<TCustomEdit *>(this)->Widget();
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
        return memo->textCursor().selectionStart();
    return 0;
}

void TCustomEdit::SetSelStart(int Value)
{
    if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
        edit->setCursorPosition(Value);
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(Widget())) {
        QTextCursor c = memo->textCursor();
        c.setPosition(std::clamp(Value, 0, memo->document()->characterCount() - 1));
        memo->setTextCursor(c);
    }
}

int TCustomEdit::SelLength() const
{
    auto *w = const_cast<TCustomEdit *>(this)->Widget();
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return static_cast<int>(edit->selectedText().size());
    if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
        return memo->textCursor().selectionEnd() - memo->textCursor().selectionStart();
    return 0;
}

void TCustomEdit::SetSelLength(int Value)
{
    if (auto *edit = qobject_cast<QLineEdit *>(Widget()))
        edit->setSelection(SelStart(), Value);
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(Widget())) {
        QTextCursor c = memo->textCursor();
        const int start = c.selectionStart();
        c.setPosition(start);
        c.setPosition(std::clamp(start + Value, 0, memo->document()->characterCount() - 1),
                      QTextCursor::KeepAnchor);
        memo->setTextCursor(c);
    }
}

String TCustomEdit::SelText() const
{
    auto *w = const_cast<TCustomEdit *>(this)->Widget();
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->selectedText().toStdString();
    if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
        return memo->textCursor()
            .selectedText()
            .replace(QChar::ParagraphSeparator, '\n')
            .toStdString();
    return {};
}

// ---------------------------------------------------------------------------
// TCustomMemo

const TClassInfo &TMemoStrings::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TMemoStrings>("TMemoStrings", &TStrings::StaticClassInfo()).Build();
    return info;
}

QPlainTextEdit *TMemoStrings::edit() const
{
    return FMemo->TextEdit();
}

int TMemoStrings::Count() const
{
    QTextDocument *doc = edit()->document();
    int n = doc->blockCount();
    // The empty block after the last line break is no line.
    if (doc->lastBlock().length() <= 1)
        --n;
    return n;
}

String TMemoStrings::Get(int Index) const
{
    checkIndex(Index, Count());
    return edit()->document()->findBlockByNumber(Index).text().toStdString();
}

void TMemoStrings::Put(int Index, const String &S)
{
    checkIndex(Index, Count());
    const QTextBlock block = edit()->document()->findBlockByNumber(Index);
    QTextCursor c(block);
    c.beginEditBlock();
    c.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    c.insertText(qs(S));
    c.endEditBlock();
}

void TMemoStrings::Insert(int Index, const String &S)
{
    const int count = Count();
    if (Index < 0 || Index > count)
        throw EStringListError(Format("List index out of bounds (%d)", {Index}));
    QPlainTextEdit *e = edit();
    QTextDocument *doc = e->document();
    QTextCursor c(doc);
    if (Index == count) {
        c.movePosition(QTextCursor::End);
        if (doc->lastBlock().length() > 1)
            c.insertBlock(); // the last line had no line break yet
    } else {
        c.setPosition(doc->findBlockByNumber(Index).position());
    }
    // One edit block per change: without it a hidden editor lays out the
    // whole document on every line, which makes a listing quadratic.
    c.beginEditBlock();
    c.insertText(qs(S));
    c.insertBlock();
    c.endEditBlock();
    if (e->isVisible() && Index == count)
        e->moveCursor(QTextCursor::End);
}

void TMemoStrings::Delete(int Index)
{
    checkIndex(Index, Count());
    QTextDocument *doc = edit()->document();
    const QTextBlock block = doc->findBlockByNumber(Index);
    QTextCursor c(doc);
    c.beginEditBlock();
    if (block.next().isValid()) {
        c.setPosition(block.position());
        c.setPosition(block.next().position(), QTextCursor::KeepAnchor);
    } else {
        // The last line without a line break: take the break before it too.
        c.setPosition(std::max(0, block.position() - 1));
        c.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    }
    c.removeSelectedText();
    c.endEditBlock();
}

void TMemoStrings::Clear()
{
    edit()->clear();
}

const TClassInfo &TCustomMemo::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomMemo>("TCustomMemo", &TCustomEdit::StaticClassInfo())
            .Enumeration("Alignment", &TCustomMemo::Alignment, &TCustomMemo::SetAlignment,
                         AlignmentInfo, taLeftJustify)
            .Object("Lines", &TCustomMemo::Lines)
            .Enumeration("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars,
                         ScrollStyleInfo, ssNone)
            .Boolean("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns, true)
            .Boolean("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs, false)
            .Boolean("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap, true)
            .Build();
    return info;
}

const TClassInfo &TMemo::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TMemo>("TMemo", &TCustomMemo::StaticClassInfo()).Component().Build();
    return info;
}

TCustomMemo::TCustomMemo(TComponent *AOwner)
    : TCustomEdit(AOwner), FLines(std::make_unique<TMemoStrings>(this))
{
    SetBounds(0, 0, 185, 89);
    SetControlStyle(ControlStyle() - TControlStyle{csFixedHeight});
}

TCustomMemo::~TCustomMemo() = default;

QPlainTextEdit *TCustomMemo::TextEdit() const
{
    return qobject_cast<QPlainTextEdit *>(const_cast<TCustomMemo *>(this)->Widget());
}

QWidget *TCustomMemo::CreateWidget()
{
    return new QPlainTextEdit;
}

void TCustomMemo::WidgetCreated()
{
    TWinControl::WidgetCreated();
    QPlainTextEdit *memo = TextEdit();
    memo->setReadOnly(ReadOnly());
    memo->document()->setUndoRedoEnabled(!ReadOnly());
    memo->setTabChangesFocus(!FWantTabs);
    if (BorderStyle() == bsNone)
        memo->setFrameShape(QFrame::NoFrame);
    applyScrollBars();
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this] {
        guarded(this, [this] {
            if (!FCreating)
                Change();
        });
    });
}

String TCustomMemo::GetText() const
{
    if (!WidgetAllocated())
        return FText;
    return TextEdit()->toPlainText().toStdString();
}

void TCustomMemo::ApplyText()
{
    if (!WidgetAllocated())
        return;
    QPlainTextEdit *memo = TextEdit();
    if (memo->toPlainText() != qs(FText))
        memo->setPlainText(qs(FText));
}

void TCustomMemo::applyScrollBars()
{
    if (!WidgetAllocated())
        return;
    QPlainTextEdit *memo = TextEdit();
    const bool vertical = FScrollBars == ssVertical || FScrollBars == ssBoth;
    const bool horizontal = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    memo->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    memo->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // A horizontal scroll bar means long lines scroll instead of wrapping.
    memo->setLineWrapMode(FWordWrap && !horizontal ? QPlainTextEdit::WidgetWidth
                                                   : QPlainTextEdit::NoWrap);
}

void TCustomMemo::SetScrollBars(TScrollStyle Value)
{
    FScrollBars = Value;
    applyScrollBars();
}

void TCustomMemo::SetWordWrap(bool Value)
{
    FWordWrap = Value;
    applyScrollBars();
}

void TCustomMemo::SetWantTabs(bool Value)
{
    FWantTabs = Value;
    if (WidgetAllocated())
        TextEdit()->setTabChangesFocus(!Value);
}

void TCustomMemo::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
}

// ---------------------------------------------------------------------------
// TButton

const TClassInfo &TButton::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TButton>("TButton", &TWinControl::StaticClassInfo())
            .Component()
            .Boolean("Cancel", &TButton::Cancel, &TButton::SetCancel, false)
            .Text("Caption", &TButton::Caption, &TButton::SetCaption)
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

// ---------------------------------------------------------------------------
// TCheckBox

const TClassInfo &TCheckBox::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCheckBox>("TCheckBox", &TWinControl::StaticClassInfo())
            .Component()
            .Boolean("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed, false)
            .Text("Caption", &TCheckBox::Caption, &TCheckBox::SetCaption)
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

// ---------------------------------------------------------------------------
// TCustomComboBox

const TClassInfo &TComboBoxStrings::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TComboBoxStrings>("TComboBoxStrings", &TStrings::StaticClassInfo()).Build();
    return info;
}

QComboBox *TComboBoxStrings::combo() const
{
    return FCombo->ComboBox();
}

int TComboBoxStrings::Count() const
{
    return combo()->count();
}

String TComboBoxStrings::Get(int Index) const
{
    checkIndex(Index, Count());
    return combo()->itemText(Index).toStdString();
}

void TComboBoxStrings::Put(int Index, const String &S)
{
    checkIndex(Index, Count());
    combo()->setItemText(Index, qs(S));
}

TObject *TComboBoxStrings::GetObject(int Index) const
{
    checkIndex(Index, Count());
    return FObjects[static_cast<std::size_t>(Index)];
}

void TComboBoxStrings::PutObject(int Index, TObject *AObject)
{
    checkIndex(Index, Count());
    FObjects[static_cast<std::size_t>(Index)] = AObject;
}

void TComboBoxStrings::Insert(int Index, const String &S)
{
    QComboBox *box = combo();
    const int count = box->count();
    if (Index < 0 || Index > count)
        throw EStringListError(Format("List index out of bounds (%d)", {Index}));
    if (FCombo->Sorted()) {
        Index = 0;
        while (Index < count && CompareText(box->itemText(Index).toStdString(), S) <= 0)
            ++Index;
    }
    // Qt selects the first item added to an empty box; the framework keeps
    // the selection and the typed text as they were.
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    const int current = box->currentIndex();
    box->insertItem(Index, qs(S));
    FObjects.insert(FObjects.begin() + Index, nullptr);
    if (current < 0) {
        box->setCurrentIndex(-1);
        if (box->isEditable())
            box->setEditText(text);
    }
}

void TComboBoxStrings::Delete(int Index)
{
    checkIndex(Index, Count());
    QComboBox *box = combo();
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    const bool wasCurrent = box->currentIndex() == Index;
    box->removeItem(Index);
    FObjects.erase(FObjects.begin() + Index);
    if (wasCurrent) {
        box->setCurrentIndex(-1);
        if (box->isEditable())
            box->setEditText(text);
    }
}

void TComboBoxStrings::Clear()
{
    QComboBox *box = combo();
    const QSignalBlocker block(box);
    const QString text = box->currentText();
    box->clear();
    FObjects.clear();
    if (box->isEditable())
        box->setEditText(text);
}

const TClassInfo &TCustomComboBox::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomComboBox>("TCustomComboBox", &TWinControl::StaticClassInfo())
            .IntegerIdents("Color", &TCustomComboBox::Color, &TCustomComboBox::SetColor,
                           ColorIdents(), clWindow)
            .StoredIf(&TCustomComboBox::isColorStored)
            .Integer("DropDownCount", &TCustomComboBox::DropDownCount,
                     &TCustomComboBox::SetDropDownCount, 8)
            .Object("Items", &TCustomComboBox::Items)
            .Integer("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex, -1)
            .Integer("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength, 0)
            .Boolean("ParentColor", &TCustomComboBox::ParentColor, &TCustomComboBox::SetParentColor,
                     false)
            .Boolean("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted, false)
            .Enumeration("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle,
                         ComboBoxStyleInfo, csDropDown)
            .Boolean("TabStop", &TCustomComboBox::TabStop, &TCustomComboBox::SetTabStop, true)
            .Text("Text", &TCustomComboBox::GetText, &TCustomComboBox::SetText)
            .Event("OnChange", &TCustomComboBox::OnChange, &TCustomComboBox::SetOnChange)
            .Event("OnDropDown", &TCustomComboBox::OnDropDown, &TCustomComboBox::SetOnDropDown)
            .Event("OnSelect", &TCustomComboBox::OnSelect, &TCustomComboBox::SetOnSelect)
            .Build();
    return info;
}

const TClassInfo &TComboBox::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TComboBox>("TComboBox", &TCustomComboBox::StaticClassInfo())
            .Component()
            .Build();
    return info;
}

TCustomComboBox::TCustomComboBox(TComponent *AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TComboBoxStrings>(this))
{
    SetBounds(0, 0, 145, 21);
    SetTabStop(true);
    SetParentColor(false);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::CreateWnd()
{
    const QScopedValueRollback<bool> creating(FCreating, true);
    TWinControl::CreateWnd();
}

QComboBox *TCustomComboBox::ComboBox() const
{
    return qobject_cast<QComboBox *>(const_cast<TCustomComboBox *>(this)->Widget());
}

QWidget *TCustomComboBox::CreateWidget()
{
    auto *box = new QComboBox;
    box->setEditable(FStyle != csDropDownList);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(FDropDownCount);
    return box;
}

void TCustomComboBox::WidgetCreated()
{
    TWinControl::WidgetCreated();
    QComboBox *box = ComboBox();
    if (QLineEdit *edit = box->lineEdit()) {
        if (FMaxLength > 0)
            edit->setMaxLength(FMaxLength);
        // The line edit takes the keys: route them through Dispatch as well.
        InstallMessageHooks(edit);
    }
    QObject::connect(box, &QComboBox::editTextChanged, box, [this](const QString &) {
        guarded(this, [this] {
            if (!FCreating)
                Change();
        });
    });
    QObject::connect(box, qOverload<int>(&QComboBox::activated), box, [this](int) {
        guarded(this, [this] {
            Click();
            Select();
        });
    });
    if (FPendingItemIndex >= 0 && FPendingItemIndex < box->count())
        box->setCurrentIndex(FPendingItemIndex);
}

String TCustomComboBox::GetText() const
{
    if (!WidgetAllocated())
        return FText;
    return ComboBox()->currentText().toStdString();
}

void TCustomComboBox::ApplyText()
{
    if (!WidgetAllocated())
        return;
    QComboBox *box = ComboBox();
    if (box->isEditable()) {
        if (box->currentText() != qs(FText))
            box->setEditText(qs(FText));
    } else {
        box->setCurrentIndex(box->findText(qs(FText)));
    }
}

void TCustomComboBox::ApplyColor()
{
    if (WidgetAllocated())
        setBaseColor(Widget(), Color(), clWindow);
}

int TCustomComboBox::ItemIndex() const
{
    if (!WidgetAllocated())
        return FPendingItemIndex;
    QComboBox *box = ComboBox();
    const int index = box->currentIndex();
    // Typed text that differs from the selected item means no item is selected.
    if (index >= 0 && box->isEditable() && box->currentText() != box->itemText(index))
        return -1;
    return index;
}

void TCustomComboBox::SetItemIndex(int Value)
{
    FPendingItemIndex = Value;
    if (ComponentState().Contains(csLoading) && !WidgetAllocated())
        return;
    QComboBox *box = ComboBox();
    if (Value < -1 || Value >= box->count())
        Value = -1;
    box->setCurrentIndex(Value);
    if (Value < 0 && box->isEditable())
        box->setEditText(QString());
    FText = box->currentText().toStdString();
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value)
{
    if (FStyle == Value)
        return;
    FStyle = Value;
    if (WidgetAllocated())
        ComboBox()->setEditable(Value != csDropDownList);
}

void TCustomComboBox::SetDropDownCount(int Value)
{
    FDropDownCount = Value;
    if (WidgetAllocated())
        ComboBox()->setMaxVisibleItems(Value);
}

void TCustomComboBox::SetMaxLength(int Value)
{
    FMaxLength = std::max(0, Value);
    if (WidgetAllocated())
        if (QLineEdit *edit = ComboBox()->lineEdit())
            edit->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TCustomComboBox::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    FSorted = Value;
    if (Value)
        sortItems();
}

void TCustomComboBox::sortItems()
{
    TStringList list;
    for (int i = 0; i < FItems->Count(); ++i)
        list.AddObject(FItems->Get(i), FItems->GetObject(i));
    list.Sort();
    FItems->BeginUpdate();
    const bool sorted = FSorted;
    FSorted = false;
    FItems->Clear();
    for (int i = 0; i < list.Count(); ++i)
        FItems->AddObject(list.Get(i), list.GetObject(i));
    FSorted = sorted;
    FItems->EndUpdate();
}

void TCustomComboBox::Clear()
{
    FItems->Clear();
    SetText(String());
}

bool TCustomComboBox::DroppedDown() const
{
    return WidgetAllocated() && ComboBox()->view()->isVisible();
}

void TCustomComboBox::SetDroppedDown(bool Value)
{
    if (Value) {
        DropDown();
        ComboBox()->showPopup();
    } else if (WidgetAllocated()) {
        ComboBox()->hidePopup();
    }
}

void TCustomComboBox::Change()
{
    if (WidgetAllocated())
        FText = ComboBox()->currentText().toStdString();
    if (FOnChange)
        FOnChange(this);
}

void TCustomComboBox::Select()
{
    if (FOnSelect)
        FOnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown()
{
    if (FOnDropDown)
        FOnDropDown(this);
}

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
