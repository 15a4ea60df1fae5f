#include "framework/Controls.h"

#include "framework/Controls_p.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>
#include <QVariant>
#include <algorithm>
#include <iostream>
#include <limits>
#include <map>

using controls_detail::MessageBridge;

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
        std::cerr << E.what() << '\n';
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
    TMessage *previous = FCurrent;
    const bool previousReached = FReachedDefault;
    FCurrent = &Message;
    FReachedDefault = false;
    Guard([&] { FControl->Dispatch(Message); });
    const bool reached = FReachedDefault;
    FCurrent = previous;
    FReachedDefault = previousReached;
    return reached;
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
    down.Msg = e->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
    down.WParam = QtKeyToVirtualKey(e->key());
    down.LParam = e->isAutoRepeat() ? (LPARAM{1} << 30) : 0;
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
    FResending = true;
    QCoreApplication::sendEvent(Watched, &substitute);
    FResending = false;
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

} // namespace controls_detail

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

TControl *GetCaptureControl()
{
    return FindControl(QWidget::mouseGrabber());
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
static const TEnumInfo DragModeInfo{"TDragMode", {"dmManual", "dmAutomatic"}};

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

// ---------------------------------------------------------------------------
// TControl

const TClassInfo &TControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TControl>("TControl", &TComponent::StaticClassInfo())
            .Integer("Left", &TControl::Left, &TControl::SetLeft, std::nullopt)
            .Integer("Top", &TControl::Top, &TControl::SetTop, std::nullopt)
            .Integer("Width", &TControl::Width, &TControl::SetWidth, std::nullopt)
            .Integer("Height", &TControl::Height, &TControl::SetHeight, std::nullopt)
            .Enumeration("Align", &TControl::Align, &TControl::SetAlign, AlignInfo, alNone)
            .Set("Anchors", &TControl::Anchors, &TControl::SetAnchors, AnchorKindInfo,
                 TAnchors{akLeft, akTop}.Bits())
            .IntegerIdents("Color", &TControl::Color, &TControl::SetColor, ColorIdents(), clWindow)
            .StoredIf(&TControl::isColorStored)
            .IntegerIdents("Cursor", &TControl::Cursor, &TControl::SetCursor, CursorIdents(),
                           crDefault)
            .Enumeration("DragMode", &TControl::DragMode, &TControl::SetDragMode, DragModeInfo,
                         dmManual)
            .Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
            .Object("Font", &TControl::Font)
            .StoredIf(&TControl::isFontStored)
            .Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, true)
            .Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
            .Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint,
                     true)
            .Text("Hint", &TControl::Hint, &TControl::SetHint)
            .Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false)
            .StoredIf(&TControl::isShowHintStored)
            .Boolean("Visible", &TControl::Visible, &TControl::SetVisible, true)
            .Event("OnClick", &TControl::OnClick, &TControl::SetOnClick)
            .Event("OnDblClick", &TControl::OnDblClick, &TControl::SetOnDblClick)
            .Event("OnMouseDown", &TControl::OnMouseDown, &TControl::SetOnMouseDown)
            .Event("OnMouseMove", &TControl::OnMouseMove, &TControl::SetOnMouseMove)
            .Event("OnMouseUp", &TControl::OnMouseUp, &TControl::SetOnMouseUp)
            .Build();
    return info;
}

TControl::TControl(TComponent *AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()),
      FBridge(std::make_unique<MessageBridge>(this))
{
    FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
}

TControl::~TControl()
{
    Destroying();
    if (FParent)
        FParent->RemoveControl(this);
    // No more events reach this object, then the widget goes (a child widget
    // deleted here leaves its Qt parent at once).
    FBridge->Detach();
    if (QWidget *w = FBridge->Widget()) {
        if (auto *surface = dynamic_cast<controls_detail::PaintSurface *>(w))
            surface->Detach();
        delete w;
    }
}

bool TControl::isColorStored() const
{
    return !FParentColor;
}

bool TControl::isFontStored() const
{
    return !FParentFont;
}

bool TControl::isShowHintStored() const
{
    return !FParentShowHint;
}

QWidget *TControl::Widget()
{
    ensureWidget();
    return FBridge->Widget();
}

bool TControl::WidgetAllocated() const
{
    return FBridge->Widget() != nullptr;
}

void TControl::ensureWidget()
{
    if (FBridge->Widget() || FCreatingWidget)
        return;
    FCreatingWidget = true;
    try {
        if (auto *win = dynamic_cast<TWinControl *>(this))
            win->CreateWnd();
        else
            createWidgetNow();
    } catch (...) {
        FCreatingWidget = false;
        throw;
    }
    FCreatingWidget = false;
}

void TControl::createWidgetNow()
{
    QWidget *w = CreateWidget();
    FBridge->SetWidget(w);
    if (FParent)
        w->setParent(FParent->Widget());
    WidgetCreated();
    applyWidgetState();
}

QWidget *TControl::CreateWidget()
{
    auto *surface = new controls_detail::PaintSurface(this);
    surface->setMouseTracking(true);
    return surface;
}

void TControl::InstallMessageHooks(QWidget *Target)
{
    FBridge->Watch(Target);
}

void TControl::applyWidgetState()
{
    QWidget *w = FBridge->Widget();
    if (!w)
        return;
    applyBounds();
    w->setEnabled(FEnabled);
    ApplyFont();
    ApplyColor();
    ApplyText();
    applyCursor();
    UpdateToolTip();
    applyVisible();
}

void TControl::applyBounds()
{
    QWidget *w = FBridge->Widget();
    if (!w)
        return;
    if (w->isWindow()) {
        w->move(FLeft, FTop);
        w->resize(std::max(0, FWidth), std::max(0, FHeight));
    } else {
        w->setGeometry(FLeft, FTop, std::max(0, FWidth), std::max(0, FHeight));
    }
}

void TControl::applyVisible()
{
    QWidget *w = FBridge->Widget();
    if (!w)
        return;
    // A child shows with its parent; a window shows when asked to, not while
    // its widget is being made (during loading).
    if (!w->isWindow() || FParent || !FCreatingWidget)
        w->setVisible(FVisible);
    else if (!FVisible)
        w->hide();
}

void TControl::applyCursor()
{
    QWidget *w = FBridge->Widget();
    if (!w)
        return;
    if (FCursor == crDefault) {
        // Back to the widget's own cursor (an edit's I-beam), or the parent's.
        if (const auto own = FBridge->NaturalCursor())
            w->setCursor(*own);
        else
            w->unsetCursor();
    } else
        w->setCursor(controls_detail::CursorShape(FCursor));
}

void TControl::ApplyFont()
{
    if (QWidget *w = FBridge->Widget()) {
        w->setFont(FFont->ToQFont());
        QPalette pal = w->palette();
        const QColor c = ColorToQColor(FFont->Color());
        // Disabled text keeps the style's grey, as Windows greys it.
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            pal.setColor(group, QPalette::WindowText, c);
            pal.setColor(group, QPalette::Text, c);
            pal.setColor(group, QPalette::ButtonText, c);
        }
        w->setPalette(pal);
    }
}

void TControl::ApplyColor() {}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    applyBounds();
    if (resized) {
        Invalidate();
        if (auto *win = dynamic_cast<TWinControl *>(this))
            win->Realign();
    }
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

void TControl::UpdateBoundsFromWidget(int ALeft, int ATop, int AWidth, int AHeight)
{
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (resized)
        if (auto *win = dynamic_cast<TWinControl *>(this))
            win->Realign();
}

void TControl::SetClientWidth(int Value)
{
    SetWidth(Value + (FWidth - ClientWidth()));
}

void TControl::SetClientHeight(int Value)
{
    SetHeight(Value + (FHeight - ClientHeight()));
}

TPoint TControl::ClientToScreen(TPoint P) const
{
    if (QWidget *w = FBridge->Widget()) {
        const QPoint g = w->mapToGlobal(QPoint(P.X, P.Y));
        return {g.x(), g.y()};
    }
    return P;
}

TPoint TControl::ScreenToClient(TPoint P) const
{
    if (QWidget *w = FBridge->Widget()) {
        const QPoint g = w->mapFromGlobal(QPoint(P.X, P.Y));
        return {g.x(), g.y()};
    }
    return P;
}

void TControl::SetParent(TWinControl *AParent)
{
    if (AParent == FParent)
        return;
    if (AParent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    for (TWinControl *p = AParent; p; p = p->Parent())
        if (p == this)
            throw EInvalidOperation("A control cannot be the parent of its own parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

TComponent *TControl::GetParentComponent() const
{
    return FParent;
}

void TControl::SetParentComponent(TComponent *Value)
{
    if (auto *p = dynamic_cast<TWinControl *>(Value))
        SetParent(p);
}

void TControl::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    applyVisible();
    Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
    if (FParent && FAlign != alNone)
        FParent->Realign();
}

bool TControl::Showing() const
{
    if (!FVisible)
        return false;
    if (FParent)
        return FParent->Showing();
    QWidget *w = FBridge->Widget();
    return w && w->isVisible();
}

void TControl::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    if (QWidget *w = FBridge->Widget())
        w->setEnabled(Value);
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetText(const String &Value)
{
    if (GetText() == Value)
        return;
    FText = Value;
    ApplyText();
    Perform(CM_TEXTCHANGED);
}

void TControl::SetHint(const String &Value)
{
    if (FHint == Value)
        return;
    FHint = Value;
    UpdateToolTip();
}

void TControl::SetShowHint(bool Value)
{
    FParentShowHint = false;
    if (FShowHint == Value)
        return;
    FShowHint = Value;
    UpdateToolTip();
    if (auto *win = dynamic_cast<TWinControl *>(this))
        win->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value)
{
    if (FParentShowHint == Value)
        return;
    FParentShowHint = Value;
    if (Value && FParent)
        Perform(CM_PARENTSHOWHINTCHANGED);
}

bool TControl::EffectiveShowHint() const
{
    return FShowHint;
}

void TControl::UpdateToolTip()
{
    if (QWidget *w = FBridge->Widget())
        w->setToolTip(FShowHint ? controls_detail::ToolTipText(FHint) : QString());
}

void TControl::SetColor(TColor Value)
{
    FParentColor = false;
    if (FColor == Value)
        return;
    FColor = Value;
    ApplyColor();
    Perform(CM_COLORCHANGED);
    if (auto *win = dynamic_cast<TWinControl *>(this))
        win->NotifyControls(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentColor(bool Value)
{
    if (FParentColor == Value)
        return;
    FParentColor = Value;
    if (Value && FParent)
        Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool Value)
{
    if (FParentFont == Value)
        return;
    FParentFont = Value;
    if (Value && FParent)
        Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged(TObject *)
{
    if (!FApplyingParentFont)
        FParentFont = false;
    ApplyFont();
    Perform(CM_FONTCHANGED);
    if (auto *win = dynamic_cast<TWinControl *>(this))
        win->NotifyControls(CM_PARENTFONTCHANGED);
}

void TControl::SetCursor(TCursor Value)
{
    if (FCursor == Value)
        return;
    FCursor = Value;
    applyCursor();
    Perform(CM_CURSORCHANGED);
}

void TControl::SetAlign(TAlign Value)
{
    if (FAlign == Value)
        return;
    FAlign = Value;
    if (FParent)
        FParent->Realign();
}

LRESULT TControl::Perform(unsigned Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m;
    m.Msg = Msg;
    m.WParam = WParam;
    m.LParam = LParam;
    Dispatch(m);
    return m.Result;
}

void TControl::Dispatch(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN: {
        TWMMouse m(Message);
        WMLButtonDown(m);
        break;
    }
    case WM_LBUTTONUP: {
        TWMMouse m(Message);
        WMLButtonUp(m);
        break;
    }
    case WM_LBUTTONDBLCLK: {
        TWMMouse m(Message);
        WMLButtonDblClk(m);
        break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
        TWMMouse m(Message);
        WMRButtonDown(m);
        break;
    }
    case WM_RBUTTONUP: {
        TWMMouse m(Message);
        WMRButtonUp(m);
        break;
    }
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
        TWMMouse m(Message);
        WMMButtonDown(m);
        break;
    }
    case WM_MBUTTONUP: {
        TWMMouse m(Message);
        WMMButtonUp(m);
        break;
    }
    case WM_MOUSEMOVE: {
        TWMMouse m(Message);
        WMMouseMove(m);
        break;
    }
    case CM_ENABLEDCHANGED:
        CMEnabledChanged(Message);
        break;
    case CM_FONTCHANGED:
        CMFontChanged(Message);
        break;
    case CM_COLORCHANGED:
        CMColorChanged(Message);
        break;
    case CM_TEXTCHANGED:
        CMTextChanged(Message);
        break;
    case CM_VISIBLECHANGED:
        CMVisibleChanged(Message);
        break;
    case CM_PARENTFONTCHANGED:
        CMParentFontChanged(Message);
        break;
    case CM_PARENTCOLORCHANGED:
        CMParentColorChanged(Message);
        break;
    case CM_PARENTSHOWHINTCHANGED:
        CMParentShowHintChanged(Message);
        break;
    case CM_MOUSEENTER:
        CMMouseEnter(Message);
        break;
    case CM_MOUSELEAVE:
        CMMouseLeave(Message);
        break;
    default:
        DefaultHandler(Message);
    }
}

void TControl::DefaultHandler(TMessage &Message)
{
    FBridge->MarkDefault(Message);
}

void TControl::doMouseDown(TWMMouse &Message, TMouseButton Button)
{
    TShiftState shift = controls_detail::CurrentShiftState();
    if (Message.Msg() == WM_LBUTTONDBLCLK || Message.Msg() == WM_RBUTTONDBLCLK ||
        Message.Msg() == WM_MBUTTONDBLCLK)
        shift.Include(ssDouble);
    MouseDown(Button, shift, Message.XPos(), Message.YPos());
}

void TControl::doMouseUp(TWMMouse &Message, TMouseButton Button)
{
    MouseUp(Button, controls_detail::CurrentShiftState(), Message.XPos(), Message.YPos());
}

void TControl::WMLButtonDown(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    if (FControlStyle.Contains(csClickEvents))
        FControlState.Include(csClicked);
    FControlState.Include(csLButtonDown);
    doMouseDown(Message, mbLeft);
}

void TControl::WMLButtonUp(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    FControlState.Exclude(csLButtonDown);
    if (FControlState.Contains(csClicked)) {
        FControlState.Exclude(csClicked);
        if (ClientRect().Contains({Message.XPos(), Message.YPos()}))
            Click();
    }
    doMouseUp(Message, mbLeft);
}

void TControl::WMLButtonDblClk(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    if (FControlStyle.Contains(csClickEvents))
        FControlState.Include(csClicked);
    if (FControlStyle.Contains(csDoubleClicks))
        DblClick();
    doMouseDown(Message, mbLeft);
}

void TControl::WMRButtonDown(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    doMouseDown(Message, mbRight);
}

void TControl::WMRButtonUp(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    doMouseUp(Message, mbRight);
}

void TControl::WMMButtonDown(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    doMouseDown(Message, mbMiddle);
}

void TControl::WMMButtonUp(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    doMouseUp(Message, mbMiddle);
}

void TControl::WMMouseMove(TWMMouse &Message)
{
    DefaultHandler(Message.Message());
    MouseMove(controls_detail::CurrentShiftState(), Message.XPos(), Message.YPos());
}

void TControl::CMEnabledChanged(TMessage &Message)
{
    Invalidate();
    DefaultHandler(Message);
}

void TControl::CMFontChanged(TMessage &Message)
{
    AdjustSize();
    Invalidate();
    DefaultHandler(Message);
}

void TControl::CMColorChanged(TMessage &Message)
{
    Invalidate();
    DefaultHandler(Message);
}

void TControl::CMTextChanged(TMessage &Message)
{
    AdjustSize();
    Invalidate();
    DefaultHandler(Message);
}

void TControl::CMVisibleChanged(TMessage &Message)
{
    DefaultHandler(Message);
}

void TControl::CMParentFontChanged(TMessage &Message)
{
    if (FParentFont && FParent) {
        FApplyingParentFont = true;
        try {
            FFont->Assign(FParent->Font());
        } catch (...) {
            FApplyingParentFont = false;
            throw;
        }
        FApplyingParentFont = false;
    }
    DefaultHandler(Message);
}

void TControl::CMParentColorChanged(TMessage &Message)
{
    if (FParentColor && FParent) {
        SetColor(FParent->Color());
        FParentColor = true;
    }
    DefaultHandler(Message);
}

void TControl::CMParentShowHintChanged(TMessage &Message)
{
    if (FParentShowHint && FParent) {
        SetShowHint(FParent->ShowHint());
        FParentShowHint = true;
    }
    DefaultHandler(Message);
}

void TControl::CMMouseEnter(TMessage &Message)
{
    DefaultHandler(Message);
}

void TControl::CMMouseLeave(TMessage &Message)
{
    DefaultHandler(Message);
}

void TControl::Click()
{
    if (FOnClick)
        FOnClick(this);
}

void TControl::DblClick()
{
    if (FOnDblClick)
        FOnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FOnMouseDown)
        FOnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FOnMouseUp)
        FOnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (FOnMouseMove)
        FOnMouseMove(this, Shift, X, Y);
}

void TControl::Invalidate()
{
    if (QWidget *w = FBridge->Widget())
        w->update();
}

void TControl::Repaint()
{
    if (QWidget *w = FBridge->Widget())
        w->repaint();
}

void TControl::Update()
{
    if (QWidget *w = FBridge->Widget())
        if (w->isVisible())
            w->repaint();
}

void TControl::BringToFront()
{
    if (QWidget *w = FBridge->Widget())
        w->raise();
    if (FParent) {
        auto &list = FParent->FControls;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.push_back(this);
    }
}

void TControl::SendToBack()
{
    if (QWidget *w = FBridge->Widget())
        w->lower();
    if (FParent) {
        auto &list = FParent->FControls;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.insert(list.begin(), this);
    }
}

void TControl::Loaded()
{
    TComponent::Loaded();
    AdjustSize();
}

void TControl::paintSurface(QWidget &Surface)
{
    TMessage m;
    m.Msg = WM_PAINT;
    FBridge->Deliver(m);
    if (const QImage *image = PaintedImage(); image && !image->isNull()) {
        QPainter p(&Surface);
        p.drawImage(0, 0, *image);
    }
}

// ---------------------------------------------------------------------------
// TWinControl

const TClassInfo &TWinControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TWinControl>("TWinControl", &TControl::StaticClassInfo())
            .Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
            .Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false)
            .Event("OnEnter", &TWinControl::OnEnter, &TWinControl::SetOnEnter)
            .Event("OnExit", &TWinControl::OnExit, &TWinControl::SetOnExit)
            .Event("OnKeyDown", &TWinControl::OnKeyDown, &TWinControl::SetOnKeyDown)
            .Event("OnKeyPress", &TWinControl::OnKeyPress, &TWinControl::SetOnKeyPress)
            .Event("OnKeyUp", &TWinControl::OnKeyUp, &TWinControl::SetOnKeyUp)
            .Build();
    return info;
}

TWinControl::TWinControl(TComponent *AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl()
{
    Destroying();
    // Child controls go before this control's widget, as the parent frees them.
    while (!FControls.empty()) {
        TControl *child = FControls.back();
        RemoveControl(child);
        delete child;
    }
}

TControl *TWinControl::Controls(int Index) const
{
    if (Index < 0 || Index >= ControlCount())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    return FControls[static_cast<std::size_t>(Index)];
}

bool TWinControl::ContainsControl(const TControl *Control) const
{
    for (const TControl *c = Control; c; c = c->Parent())
        if (c == this)
            return true;
    return false;
}

void TWinControl::InsertControl(TControl *AControl)
{
    if (!AControl || AControl->FParent == this)
        return;
    if (AControl->FParent)
        AControl->FParent->RemoveControl(AControl);
    FControls.push_back(AControl);
    AControl->FParent = this;
    if (auto *win = dynamic_cast<TWinControl *>(AControl))
        insertTab(win);
    QWidget *parentWidget = Widget();
    if (QWidget *w = AControl->FBridge->Widget()) {
        w->setParent(parentWidget);
        AControl->applyWidgetState();
    } else {
        AControl->Widget();
    }
    if (AControl->FParentFont)
        AControl->Perform(CM_PARENTFONTCHANGED);
    if (AControl->FParentColor)
        AControl->Perform(CM_PARENTCOLORCHANGED);
    if (AControl->FParentShowHint)
        AControl->Perform(CM_PARENTSHOWHINTCHANGED);
    if (AControl->Align() != alNone)
        Realign();
    UpdateTabChain();
}

void TWinControl::RemoveControl(TControl *AControl)
{
    if (!AControl || AControl->FParent != this)
        return;
    FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
    if (auto *win = dynamic_cast<TWinControl *>(AControl))
        removeTab(win);
    AControl->FParent = nullptr;
    if (QWidget *w = AControl->FBridge->Widget()) {
        w->hide();
        w->setParent(nullptr);
    }
    if (AControl->Align() != alNone && !ComponentState().Contains(csDestroying))
        Realign();
}

void TWinControl::insertTab(TWinControl *Control)
{
    FTabList.push_back(Control);
    if (!Control->ComponentState().Contains(csLoading) && Control->FPendingTabOrder >= 0)
        Control->SetTabOrder(Control->FPendingTabOrder);
}

void TWinControl::removeTab(TWinControl *Control)
{
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), Control), FTabList.end());
}

int TWinControl::TabOrder() const
{
    if (!Parent())
        return FPendingTabOrder;
    const auto &list = Parent()->FTabList;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int Value)
{
    FPendingTabOrder = Value;
    TWinControl *parent = Parent();
    if (!parent || ComponentState().Contains(csLoading))
        return;
    auto &list = parent->FTabList;
    const auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end())
        return;
    list.erase(it);
    const int count = static_cast<int>(list.size());
    const int index = Value < 0 || Value > count ? count : Value;
    list.insert(list.begin() + index, this);
    parent->UpdateTabChain();
}

std::vector<TWinControl *> TWinControl::TabList() const
{
    return FTabList;
}

void TWinControl::SetTabStop(bool Value)
{
    if (FTabStop == Value)
        return;
    FTabStop = Value;
    if (QWidget *w = FBridge->Widget()) {
        if (Value)
            w->setFocusPolicy(Qt::StrongFocus);
        else if (w->focusPolicy() & Qt::TabFocus)
            w->setFocusPolicy(Qt::ClickFocus);
    }
    Perform(CM_TABSTOPCHANGED);
}

void TWinControl::UpdateTabChain()
{
    QWidget *previous = nullptr;
    for (TWinControl *c : FTabList) {
        QWidget *w = c->FBridge->Widget();
        if (!w)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    // Tab orders read from a description are applied once all siblings exist.
    std::stable_sort(FTabList.begin(), FTabList.end(), [](TWinControl *a, TWinControl *b) {
        const auto key = [](TWinControl *c) {
            return c->FPendingTabOrder < 0 ? std::numeric_limits<int>::max() : c->FPendingTabOrder;
        };
        return key(a) < key(b);
    });
    UpdateTabChain();
}

bool TWinControl::Focused() const
{
    QWidget *w = FBridge->Widget();
    return w && w->hasFocus();
}

bool TWinControl::CanFocus() const
{
    for (const TControl *c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::SetFocus()
{
    if (!CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    Widget()->setFocus(Qt::OtherFocusReason);
}

std::uintptr_t TWinControl::Handle()
{
    return reinterpret_cast<std::uintptr_t>(Widget());
}

void TWinControl::CreateParams(TCreateParams &Params)
{
    Params.Caption = GetText();
    Params.X = Left();
    Params.Y = Top();
    Params.Width = Width();
    Params.Height = Height();
    Params.WndParent = Parent();
}

void TWinControl::CreateWnd()
{
    if (WidgetAllocated())
        return;
    FParams = TCreateParams();
    CreateParams(FParams);
    createWidgetNow();
    QWidget *w = FBridge->Widget();
    if (FTabStop)
        w->setFocusPolicy(Qt::StrongFocus);
    else if (w->focusPolicy() & Qt::TabFocus)
        w->setFocusPolicy(Qt::ClickFocus);
    for (TControl *c : FControls)
        if (QWidget *cw = c->FBridge->Widget()) {
            cw->setParent(w);
            c->applyWidgetState();
        }
    UpdateTabChain();
    if (FParent)
        FParent->UpdateTabChain();
}

void TWinControl::RecreateWnd()
{
    QWidget *old = FBridge->Widget();
    if (!old) {
        Widget();
        return;
    }
    for (TControl *c : FControls)
        if (QWidget *cw = c->FBridge->Widget())
            cw->setParent(nullptr);
    if (auto *surface = dynamic_cast<controls_detail::PaintSurface *>(old))
        surface->Detach();
    old->removeEventFilter(FBridge.get());
    FBridge->SetWidget(nullptr);
    delete old;
    Widget();
}

void TWinControl::NotifyControls(unsigned Msg)
{
    const std::vector<TControl *> children = FControls;
    for (TControl *c : children)
        c->Perform(Msg);
}

void TWinControl::Realign()
{
    TRect r = ClientRect();
    AlignControls(nullptr, r);
}

void TWinControl::AlignControls(TControl *, TRect &Rect)
{
    const auto place = [&](TAlign align) {
        for (TControl *c : FControls) {
            if (c->Align() != align || !c->Visible())
                continue;
            switch (align) {
            case alTop:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), c->Height());
                Rect.Top += c->Height();
                break;
            case alBottom:
                c->SetBounds(Rect.Left, Rect.Bottom - c->Height(), Rect.Width(), c->Height());
                Rect.Bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(Rect.Left, Rect.Top, c->Width(), Rect.Height());
                Rect.Left += c->Width();
                break;
            case alRight:
                c->SetBounds(Rect.Right - c->Width(), Rect.Top, c->Width(), Rect.Height());
                Rect.Right -= c->Width();
                break;
            case alClient:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
                break;
            default:
                break;
            }
        }
    };
    // Placing a child calls back here; the first pass places them all.
    if (FAligning)
        return;
    FAligning = true;
    try {
        for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient})
            place(a);
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
}

void TWinControl::GetChildren(const std::function<void(TComponent *)> &Proc, TComponent *Root) const
{
    for (TControl *c : FControls)
        if (c->Owner() == Root)
            Proc(c);
    TControl::GetChildren(Proc, Root);
}

void TWinControl::Dispatch(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        TWMKey m(Message);
        WMKeyDown(m);
        break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        TWMKey m(Message);
        WMKeyUp(m);
        break;
    }
    case WM_CHAR: {
        TWMKey m(Message);
        WMChar(m);
        break;
    }
    case WM_SETFOCUS:
        WMSetFocus(Message);
        break;
    case CM_SYSCOLORCHANGE:
        // Every control on the window hears that the system colours changed.
        NotifyControls(CM_SYSCOLORCHANGE);
        TControl::Dispatch(Message);
        break;
    case WM_KILLFOCUS:
        WMKillFocus(Message);
        break;
    default:
        TControl::Dispatch(Message);
    }
}

void TWinControl::WMKeyDown(TWMKey &Message)
{
    const auto original = static_cast<std::uint16_t>(Message.CharCode());
    auto key = original;
    KeyDown(key, controls_detail::CurrentShiftState());
    if (key == 0 && original != 0)
        return; // swallowed (keys without a virtual-key code pass through)
    Message.SetCharCode(key);
    DefaultHandler(Message.Message());
}

void TWinControl::WMKeyUp(TWMKey &Message)
{
    const auto original = static_cast<std::uint16_t>(Message.CharCode());
    auto key = original;
    KeyUp(key, controls_detail::CurrentShiftState());
    if (key == 0 && original != 0)
        return; // swallowed (keys without a virtual-key code pass through)
    Message.SetCharCode(key);
    DefaultHandler(Message.Message());
}

void TWinControl::WMChar(TWMKey &Message)
{
    if (Message.CharCode() < 0x80) {
        char key = static_cast<char>(Message.CharCode());
        KeyPress(key);
        if (key == 0)
            return;
        Message.SetCharCode(static_cast<unsigned char>(key));
    }
    DefaultHandler(Message.Message());
}

void TWinControl::WMSetFocus(TMessage &Message)
{
    DoEnter();
    DefaultHandler(Message);
}

void TWinControl::WMKillFocus(TMessage &Message)
{
    DoExit();
    DefaultHandler(Message);
}

void TWinControl::KeyDown(std::uint16_t &Key, TShiftState Shift)
{
    if (FOnKeyDown)
        FOnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(std::uint16_t &Key, TShiftState Shift)
{
    if (FOnKeyUp)
        FOnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char &Key)
{
    if (FOnKeyPress)
        FOnKeyPress(this, Key);
}

void TWinControl::DoEnter()
{
    if (FOnEnter)
        FOnEnter(this);
}

void TWinControl::DoExit()
{
    if (FOnExit)
        FOnExit(this);
}

// ---------------------------------------------------------------------------
// Self-painting controls

namespace {
// Points Canvas at a buffer of the control's size filled with Fill, runs
// Paint, and ends the canvas's painting whether Paint returns or throws.
template <class PaintFunction>
void paintBuffered(std::unique_ptr<QImage> &Buffer, TCanvas &Canvas, int Width, int Height,
                   const QColor &Fill, PaintFunction Paint)
{
    const QSize size(std::max(1, Width), std::max(1, Height));
    Canvas.Flush();
    if (!Buffer || Buffer->size() != size)
        Buffer = std::make_unique<QImage>(size, QImage::Format_ARGB32_Premultiplied);
    Buffer->fill(Fill);
    Canvas.SetTarget(Buffer.get());
    try {
        Paint();
    } catch (...) {
        Canvas.Flush();
        throw;
    }
    Canvas.Flush();
}
} // namespace

const TClassInfo &TGraphicControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TGraphicControl>("TGraphicControl", &TControl::StaticClassInfo()).Build();
    return info;
}

TGraphicControl::TGraphicControl(TComponent *AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TCanvas>())
{}

TGraphicControl::~TGraphicControl()
{
    FCanvas->Flush();
}

void TGraphicControl::Dispatch(TMessage &Message)
{
    if (Message.Msg == WM_PAINT)
        WMPaint(Message);
    else
        TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TMessage &)
{
    // What is not painted shows the parent through.
    paintBuffered(FBuffer, *FCanvas, Width(), Height(), Qt::transparent, [this] { Paint(); });
}

const TClassInfo &TCustomControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomControl>("TCustomControl", &TWinControl::StaticClassInfo()).Build();
    return info;
}

TCustomControl::TCustomControl(TComponent *AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TCanvas>())
{}

TCustomControl::~TCustomControl()
{
    FCanvas->Flush();
}

void TCustomControl::Dispatch(TMessage &Message)
{
    if (Message.Msg == WM_PAINT)
        WMPaint(Message);
    else
        TWinControl::Dispatch(Message);
}

void TCustomControl::WMPaint(TMessage &)
{
    // The background is erased with the control's colour, then Paint draws.
    paintBuffered(FBuffer, *FCanvas, Width(), Height(), ColorToQColor(Color(), clBtnFace),
                  [this] { Paint(); });
}
