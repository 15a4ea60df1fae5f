#include "framework/Controls.h"
#include "framework/Menus.h"
#include "framework/controls/Controls_p.h"

#include <QPainter>
#include <QScopedValueRollback>
#include <algorithm>

using controls_detail::MessageBridge;

static const TEnumInfo DragModeInfo{"TDragMode", {"dmManual", "dmAutomatic"}};
static const TEnumInfo HelpTypeInfo{"THelpType", {"htKeyword", "htContext"}};

// ---------------------------------------------------------------------------
// TControl (its messages and their handlers are in ControlMessages.cpp)

const TClassInfo &TControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TControl>("TControl", &TComponent::StaticClassInfo())
            .Reference("Action", &TControl::Action, &TControl::SetAction)
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
            .Enumeration("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode, BiDiModeInfo,
                         bdLeftToRight)
            .StoredIf(&TControl::isBiDiModeStored)
            .Enumeration("DragMode", &TControl::DragMode, &TControl::SetDragMode, DragModeInfo,
                         dmManual)
            .Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
            .StoredIf(&TControl::isEnabledStored)
            .Object("Font", &TControl::Font)
            .StoredIf(&TControl::isFontStored)
            .Boolean("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode,
                     true)
            .Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, true)
            .Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
            .Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint,
                     true)
            .Text("Hint", &TControl::Hint, &TControl::SetHint)
            .StoredIf(&TControl::isHintStored)
            .Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false)
            .StoredIf(&TControl::isShowHintStored)
            .Reference("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
            .Boolean("Visible", &TControl::Visible, &TControl::SetVisible, true)
            .StoredIf(&TControl::isVisibleStored)
            .Integer("Tag", &TControl::Tag, &TControl::SetTag, 0)
            .Enumeration("HelpType", &TControl::HelpType, &TControl::SetHelpType, HelpTypeInfo,
                         htContext)
            .Text("HelpKeyword", &TControl::HelpKeyword, &TControl::SetHelpKeyword)
            .Integer("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext, 0)
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
      FConstraints(std::make_unique<TSizeConstraints>()),
      FBridge(std::make_unique<MessageBridge>(this))
{
    FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
    FConstraints->OnChange = TNotifyEvent(this, &TControl::ConstraintsChanged);
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

double TControl::DeviceRatio() const
{
    return FBridge->DeviceRatio();
}

bool TControl::WidgetAllocated() const
{
    return FBridge->Widget() != nullptr;
}

void TControl::ensureWidget()
{
    if (FBridge->Widget() || FCreatingWidget)
        return;
    const QScopedValueRollback<bool> creating(FCreatingWidget, true);
    CreateHandle();
}

void TControl::CreateHandle()
{
    createWidgetNow();
}

void TControl::createWidgetNow()
{
    controls_detail::InstallAccessibility();
    QWidget *w = CreateWidget();
    FBridge->SetWidget(w);
    if (FParent)
        w->setParent(FParent->Widget());
    QObject::connect(w, &QWidget::customContextMenuRequested, w, [this, w](const QPoint &pos) {
        if (FPopupMenu && !ComponentState().Contains(csDestroying)) {
            FPopupMenu->SetPopupComponent(this);
            const QPoint global = w->mapToGlobal(pos);
            FPopupMenu->Popup(global.x(), global.y());
        }
    });
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
    applyPopupMenu();
    AccessibleNameChanged();
    applyVisible();
}

void TControl::SetPopupMenu(TPopupMenu *Value)
{
    if (FPopupMenu == Value)
        return;
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (FPopupMenu)
        FPopupMenu->FreeNotification(this);
    applyPopupMenu();
}

void TControl::applyPopupMenu()
{
    QWidget *w = FBridge->Widget();
    if (!w)
        return;
    w->setContextMenuPolicy(FPopupMenu ? Qt::CustomContextMenu : Qt::DefaultContextMenu);
}

void TControl::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu)
        SetPopupMenu(nullptr);
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
        const int clientTop = FParent ? FParent->ClientTop() : 0;
        w->setGeometry(FLeft, FTop + clientTop, std::max(0, FWidth), std::max(0, FHeight));
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
    AWidth = FConstraints->ConstrainWidth(AWidth);
    AHeight = FConstraints->ConstrainHeight(AHeight);
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
        Resize();
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
        Resize();
}

void TControl::SetClientWidth(int Value)
{
    SetWidth(Value + (FWidth - ClientWidth()));
}

void TControl::SetClientHeight(int Value)
{
    SetHeight(Value + (FHeight - ClientHeight()));
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
    if (auto *p = dynamic_cast<TWinControl *>(Value)) {
        SetParent(p);
        return;
    }
    // A control nested in one that holds no controls would be left without a
    // parent and written back elsewhere: the description is refused instead.
    if (auto *c = dynamic_cast<TControl *>(Value))
        throw EInvalidOperation(Format("%s cannot be placed on %s, which holds no controls",
                                       {Name().empty() ? ClassName() : Name(),
                                        c->Name().empty() ? c->ClassName() : c->Name()}));
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
    AccessibleNameChanged();
}

void TControl::SetShowHint(bool Value)
{
    FParentShowHint = false;
    if (FShowHint == Value)
        return;
    FShowHint = Value;
    UpdateToolTip();
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetBiDiMode(TBiDiMode Value)
{
    FParentBiDiMode = false;
    if (FBiDiMode == Value)
        return;
    FBiDiMode = Value;
    Perform(CM_BIDIMODECHANGED);
}

void TControl::SetParentBiDiMode(bool Value)
{
    if (FParentBiDiMode == Value)
        return;
    FParentBiDiMode = Value;
    if (Value && FParent)
        Perform(CM_PARENTBIDIMODECHANGED);
}

unsigned TControl::DrawTextBiDiModeFlags(unsigned Flags) const
{
    return FBiDiMode == bdLeftToRight ? Flags : Flags | DT_RTLREADING;
}

void TControl::SetParentShowHint(bool Value)
{
    if (FParentShowHint == Value)
        return;
    FParentShowHint = Value;
    if (Value && FParent)
        Perform(CM_PARENTSHOWHINTCHANGED);
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

void TControl::ConstraintsChanged(TObject *)
{
    SetBounds(FLeft, FTop, FWidth, FHeight);
}

void TControl::FontChanged(TObject *)
{
    if (!FApplyingParentFont)
        FParentFont = false;
    ApplyFont();
    Perform(CM_FONTCHANGED);
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

void TControl::Loaded()
{
    TComponent::Loaded();
    AdjustSize();
}

void TControl::paintSurface(QWidget &Surface)
{
    // Qt paints for the screen the widget is on now (it repaints after a
    // move to another): the buffer follows.
    FBridge->SetDeviceRatio(Surface.devicePixelRatioF());
    TMessage m;
    m.Msg = WM_PAINT;
    FBridge->Deliver(m);
    if (const QImage *image = PaintedImage(); image && !image->isNull()) {
        QPainter p(&Surface);
        p.drawImage(0, 0, *image);
    }
}
