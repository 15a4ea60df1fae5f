#include "framework/Controls.h"
#include "framework/controls/Controls_p.h"
#include "platform/Logging.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTextDocument>
#include <QVariant>
#include <iostream>
#include <map>

// ---------------------------------------------------------------------------
// Helpers

namespace controls_detail {

namespace {
std::function<void(const std::exception &)> &exceptionHandler()
{
    static std::function<void(const std::exception &)> handler;
    return handler;
}
} // namespace

void SetExceptionHandler(std::function<void(const std::exception &)> Handler)
{
    exceptionHandler() = std::move(Handler);
}

void HandleException(const std::exception &E)
{
    if (exceptionHandler())
        exceptionHandler()(E);
    else
        qCWarning(lcFramework, "%s", E.what());
}

Qt::CursorShape CursorShape(TCursor Cursor)
{
    static const std::map<TCursor, Qt::CursorShape> shapes{
        {crNone, Qt::BlankCursor},         {crArrow, Qt::ArrowCursor},
        {crCross, Qt::CrossCursor},        {crIBeam, Qt::IBeamCursor},
        {crSizeNESW, Qt::SizeBDiagCursor}, {crSizeNS, Qt::SizeVerCursor},
        {crSizeNWSE, Qt::SizeFDiagCursor}, {crSizeWE, Qt::SizeHorCursor},
        {crUpArrow, Qt::UpArrowCursor},    {crHourGlass, Qt::WaitCursor},
        {crDrag, Qt::DragCopyCursor},      {crNoDrop, Qt::ForbiddenCursor},
        {crHSplit, Qt::SplitHCursor},      {crVSplit, Qt::SplitVCursor},
        {crMultiDrag, Qt::DragMoveCursor}, {crSQLWait, Qt::WaitCursor},
        {crNo, Qt::ForbiddenCursor},       {crAppStart, Qt::BusyCursor},
        {crHelp, Qt::WhatsThisCursor},     {crHandPoint, Qt::PointingHandCursor},
        {crSizeAll, Qt::SizeAllCursor},
    };
    const auto it = shapes.find(Cursor);
    return it == shapes.end() ? Qt::ArrowCursor : it->second;
}

QString ToolTipText(const String &Hint)
{
    const QString text = QString::fromStdString(GetShortHint(Hint));
    // A hint is plain text: one that looks like markup is escaped so that it
    // shows as typed.
    if (Qt::mightBeRichText(text))
        return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() +
               QStringLiteral("</p>");
    return text;
}

unsigned QtKeyToVirtualKey(int Key)
{
    if ((Key >= Qt::Key_A && Key <= Qt::Key_Z) || (Key >= Qt::Key_0 && Key <= Qt::Key_9))
        return static_cast<unsigned>(Key);
    if (Key >= Qt::Key_F1 && Key <= Qt::Key_F24)
        return VK_F1 + static_cast<unsigned>(Key - Qt::Key_F1);
    static const std::map<int, unsigned> keys{
        {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
        {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
        {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Escape, VK_ESCAPE},
        {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
        {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
        {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
        {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE},
    };
    const auto it = keys.find(Key);
    return it == keys.end() ? 0 : it->second;
}

QKeySequence ShortCutToKeySequence(TShortCut ShortCut)
{
    const unsigned vk = ShortCut & 0xFFu;
    int key = 0;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        key = static_cast<int>(vk);
    else if (vk >= VK_F1 && vk < VK_F1 + 24)
        key = Qt::Key_F1 + static_cast<int>(vk - VK_F1);
    else
        for (const int candidate :
             {Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space,
              Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_Left, Qt::Key_Up,
              Qt::Key_Right, Qt::Key_Down, Qt::Key_Insert, Qt::Key_Delete})
            if (QtKeyToVirtualKey(candidate) == vk)
                key = candidate;
    if (key == 0)
        return {};
    Qt::KeyboardModifiers modifiers;
    if (ShortCut & scShift)
        modifiers |= Qt::ShiftModifier;
    if (ShortCut & scCtrl)
        modifiers |= Qt::ControlModifier;
    if (ShortCut & scAlt)
        modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

TShiftState CurrentShiftState()
{
    TShiftState s;
    const Qt::KeyboardModifiers m = QGuiApplication::keyboardModifiers();
    if (m & Qt::ShiftModifier)
        s.Include(ssShift);
    if (m & Qt::ControlModifier)
        s.Include(ssCtrl);
    if (m & Qt::AltModifier)
        s.Include(ssAlt);
    const Qt::MouseButtons b = QGuiApplication::mouseButtons();
    if (b & Qt::LeftButton)
        s.Include(ssLeft);
    if (b & Qt::RightButton)
        s.Include(ssRight);
    if (b & Qt::MiddleButton)
        s.Include(ssMiddle);
    return s;
}

// ------------------------------------------------------------ MessageBridge

MessageBridge::MessageBridge(TControl *Control) : FControl(Control) {}

MessageBridge::~MessageBridge() = default;

void MessageBridge::SetWidget(QWidget *Widget)
{
    FWidget = Widget;
    if (Widget)
        Widget->setProperty(controlProperty, QVariant::fromValue(static_cast<void *>(FControl)));
    FNaturalCursor.reset();
    if (Widget && Widget->testAttribute(Qt::WA_SetCursor))
        FNaturalCursor = Widget->cursor().shape();
    Watch(Widget);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(Widget))
        Watch(area->viewport());
}

void MessageBridge::Watch(QWidget *Target)
{
    if (Target)
        Target->installEventFilter(this);
}

void MessageBridge::Detach()
{
    FControl = nullptr;
    if (FWidget)
        FWidget->setProperty(controlProperty, QVariant());
}

bool MessageBridge::alive() const
{
    return FControl && !FControl->ComponentState().Contains(csDestroying);
}

void MessageBridge::Guard(const std::function<void()> &Code)
{
    try {
        Code();
    } catch (const std::exception &e) {
        HandleException(e);
    }
}

bool MessageBridge::Deliver(TMessage &Message)
{
    if (!alive())
        return true;
    // Messages nest (a handler may send another); each sees its own state.
    const QScopedValueRollback<TMessage *> current(FCurrent, &Message);
    const QScopedValueRollback<bool> reachedDefault(FReachedDefault, false);
    Guard([&] { FControl->Dispatch(Message); });
    return FReachedDefault;
}

namespace {
unsigned mouseKeys(const QMouseEvent *e)
{
    unsigned keys = 0;
    if (e->buttons() & Qt::LeftButton)
        keys |= MK_LBUTTON;
    if (e->buttons() & Qt::RightButton)
        keys |= MK_RBUTTON;
    if (e->buttons() & Qt::MiddleButton)
        keys |= MK_MBUTTON;
    if (e->modifiers() & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (e->modifiers() & Qt::ControlModifier)
        keys |= MK_CONTROL;
    return keys;
}

unsigned mouseMessage(QEvent::Type type, Qt::MouseButton button)
{
    const int column = button == Qt::LeftButton ? 0 : button == Qt::RightButton ? 1 : 2;
    switch (type) {
    case QEvent::MouseButtonPress:
        return WM_LBUTTONDOWN + 3 * column;
    case QEvent::MouseButtonRelease:
        return WM_LBUTTONUP + 3 * column;
    case QEvent::MouseButtonDblClick:
        return WM_LBUTTONDBLCLK + 3 * column;
    default:
        return WM_MOUSEMOVE;
    }
}
} // namespace

bool MessageBridge::mouseEvent(QWidget *Source, QEvent *Event)
{
    auto *e = static_cast<QMouseEvent *>(Event);
    if (e->type() != QEvent::MouseMove && e->button() != Qt::LeftButton &&
        e->button() != Qt::RightButton && e->button() != Qt::MiddleButton)
        return false;
    QPoint pos = e->position().toPoint();
    if (Source != FWidget && FWidget)
        pos = Source->mapTo(FWidget, pos);
    TMessage m;
    m.Msg = mouseMessage(e->type(), e->button());
    m.WParam = mouseKeys(e);
    m.LParam = MakeLParam(pos.x(), pos.y());
    return !Deliver(m);
}

bool MessageBridge::keyEvent(QObject *Watched, QEvent *Event)
{
    auto *e = static_cast<QKeyEvent *>(Event);
    TMessage down;
    // With Alt held the keys are system keys, with the context bit (29) set.
    const bool alt = (e->modifiers() & Qt::AltModifier) && !(e->modifiers() & Qt::ControlModifier);
    down.Msg = e->type() == QEvent::KeyPress ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN)
                                             : (alt ? WM_SYSKEYUP : WM_KEYUP);
    down.WParam = QtKeyToVirtualKey(e->key());
    down.LParam = (e->isAutoRepeat() ? (LPARAM{1} << 30) : 0) | (alt ? (LPARAM{1} << 29) : 0);
    if (!Deliver(down))
        return true;
    if (e->type() != QEvent::KeyPress || e->text().isEmpty())
        return false;
    QString replaced;
    bool changed = false;
    for (const char32_t c : e->text().toUcs4()) {
        TMessage ch;
        ch.Msg = WM_CHAR;
        ch.WParam = c;
        if (!Deliver(ch))
            return true;
        if (ch.WParam != c)
            changed = true;
        const char32_t out = static_cast<char32_t>(ch.WParam);
        replaced += QString::fromUcs4(&out, 1);
    }
    if (!changed)
        return false;
    // A handler changed the character: Qt gets the new one instead.
    QKeyEvent substitute(QEvent::KeyPress, e->key(), e->modifiers(), replaced, e->isAutoRepeat());
    const QScopedValueRollback<bool> resending(FResending, true);
    QCoreApplication::sendEvent(Watched, &substitute);
    return true;
}

bool MessageBridge::eventFilter(QObject *Watched, QEvent *Event)
{
    if (!alive() || FResending)
        return false;
    auto *source = qobject_cast<QWidget *>(Watched);
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        // A disabled window gets no mouse input; Qt drops the event itself.
        if (source && !source->isEnabled())
            return false;
        return mouseEvent(source, Event);
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (Watched != FWidget)
            return false; // a viewport forwards keys to its scroll area
        return keyEvent(Watched, Event);
    case QEvent::Enter:
    case QEvent::Leave: {
        if (Watched != FWidget)
            return false;
        TMessage m;
        m.Msg = Event->type() == QEvent::Enter ? CM_MOUSEENTER : CM_MOUSELEAVE;
        Deliver(m);
        return false;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        if (Watched != FWidget)
            return false;
        TMessage m;
        m.Msg = Event->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS;
        Deliver(m);
        return false;
    }
    case QEvent::Move:
    case QEvent::Resize:
        if (Watched == FWidget && FWidget->isWindow()) {
            const QRect g = FWidget->geometry();
            const QPoint p = FWidget->pos();
            FControl->UpdateBoundsFromWidget(p.x(), p.y(), g.width(), g.height());
        }
        return false;
    case QEvent::Close: {
        if (Watched != FWidget)
            return false;
        TMessage m;
        m.Msg = WM_CLOSE;
        if (!Deliver(m)) {
            Event->ignore();
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void PaintSurface::paintEvent(QPaintEvent *)
{
    if (FControl)
        FControl->paintSurface(*this);
}

bool PaintSurface::event(QEvent *Event)
{
    // Qt repaints a window that moves to another screen, but a widget is
    // told of the new density only by these events; the buffer is made
    // again at the next paint.
    switch (Event->type()) {
    case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange:
#endif
        update();
        break;
    default:
        break;
    }
    return QWidget::event(Event);
}

void PaintSurface::mousePressEvent(QMouseEvent *Event)
{
    Event->accept();
}

void PaintSurface::mouseReleaseEvent(QMouseEvent *Event)
{
    Event->accept();
}

void PaintSurface::mouseDoubleClickEvent(QMouseEvent *Event)
{
    Event->accept();
}

void PaintSurface::mouseMoveEvent(QMouseEvent *Event)
{
    Event->accept();
}

void PaintSurface::keyPressEvent(QKeyEvent *Event)
{
    const int key = Event->key();
    const bool press = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (FControl && press && !Event->isAutoRepeat() && Event->modifiers() == Qt::NoModifier &&
        !dynamic_cast<TWinControl *>(FControl) && FControl->AccessiblePressable() &&
        FControl->Enabled()) {
        Event->accept();
        FControl->FBridge->Guard([this] { FControl->AccessiblePress(); });
        return;
    }
    QWidget::keyPressEvent(Event);
}

void PaintSurface::focusInEvent(QFocusEvent *Event)
{
    if (FControl)
        FControl->Invalidate();
    QWidget::focusInEvent(Event);
}

void PaintSurface::focusOutEvent(QFocusEvent *Event)
{
    if (FControl)
        FControl->Invalidate();
    QWidget::focusOutEvent(Event);
}

} // namespace controls_detail
