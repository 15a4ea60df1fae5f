#include "framework/Controls.h"

#include "framework/controls/Controls_p.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QVariant>
#include <cctype>

// The module's free functions and tables: finding controls, the pointer's
// capture, hints and accelerators, and the names form descriptions use.

// ---------------------------------------------------------------------------
// Finding controls

TControl *FindControl(const QWidget *Widget)
{
    for (const QWidget *w = Widget; w; w = w->parentWidget()) {
        const QVariant v = w->property(controls_detail::controlProperty);
        if (v.isValid())
            return static_cast<TControl *>(v.value<void *>());
    }
    return nullptr;
}

TPoint GetCursorPos()
{
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

TControl *FindDragTarget(const TPoint &Pos, bool AllowDisabled)
{
    TControl *c = FindControl(QApplication::widgetAt(QPoint(Pos.X, Pos.Y)));
    if (c && !AllowDisabled && !c->Enabled())
        return nullptr;
    return c;
}

namespace {
// The control a press began on, for as long as the button is held down
// (csCaptureMouse): Qt's implicit grab sends it the pointer's moves and the
// release, but does not report itself as a grab.
QPointer<QWidget> pressCapture;
} // namespace

namespace controls_detail {
void SetPressCapture(QWidget *Widget)
{
    pressCapture = Widget;
}
} // namespace controls_detail

namespace {
QWidget *captureWidget()
{
    return pressCapture ? pressCapture.data() : QWidget::mouseGrabber();
}
} // namespace

TControl *GetCaptureControl()
{
    return FindControl(captureWidget());
}

std::uintptr_t GetCapture()
{
    return reinterpret_cast<std::uintptr_t>(captureWidget());
}

// ---------------------------------------------------------------------------
// Identifiers and enumerations

const TIdentMap &CursorIdents()
{
    static const TIdentMap map{{
        {crDefault, "crDefault"},
        {crNone, "crNone"},
        {crArrow, "crArrow"},
        {crCross, "crCross"},
        {crIBeam, "crIBeam"},
        {crSizeAll, "crSizeAll"},
        {crSizeNESW, "crSizeNESW"},
        {crSizeNS, "crSizeNS"},
        {crSizeNWSE, "crSizeNWSE"},
        {crSizeWE, "crSizeWE"},
        {crUpArrow, "crUpArrow"},
        {crHourGlass, "crHourGlass"},
        {crDrag, "crDrag"},
        {crNoDrop, "crNoDrop"},
        {crHSplit, "crHSplit"},
        {crVSplit, "crVSplit"},
        {crMultiDrag, "crMultiDrag"},
        {crSQLWait, "crSQLWait"},
        {crNo, "crNo"},
        {crAppStart, "crAppStart"},
        {crHelp, "crHelp"},
        {crHandPoint, "crHandPoint"},
        {crSizeAll, "crSize"},
    }};
    return map;
}

const TEnumInfo AlignInfo{
    "TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}};
const TEnumInfo AlignmentInfo{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
const TEnumInfo AnchorKindInfo{"TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"}};
const TEnumInfo FormBorderStyleInfo{
    "TFormBorderStyle",
    {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
const TEnumInfo BiDiModeInfo{
    "TBiDiMode",
    {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"}};

String GetShortHint(const String &Hint)
{
    const auto bar = Hint.find('|');
    return bar == String::npos ? Hint : Hint.substr(0, bar);
}

String GetLongHint(const String &Hint)
{
    const auto bar = Hint.find('|');
    return bar == String::npos ? Hint : Hint.substr(bar + 1);
}

bool IsAccel(unsigned Key, const String &Text)
{
    for (std::size_t i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] != '&')
            continue;
        if (Text[i + 1] == '&') {
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(Text[i + 1]);
        return c < 0x80 && Key < 0x80 &&
               std::toupper(c) == std::toupper(static_cast<unsigned char>(Key));
    }
    return false;
}
