#include "framework/StdCtrls.h"
#include "framework/stdctrls/StdCtrls_p.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using stdctrls_detail::guarded;
using stdctrls_detail::qs;

namespace {

const TEnumInfo ScrollStyleInfo{"TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};

} // namespace

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
