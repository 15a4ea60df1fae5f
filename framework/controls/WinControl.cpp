#include "framework/Controls.h"
#include "framework/controls/Controls_p.h"

#include <QApplication>
#include <QScopedValueRollback>
#include <algorithm>
#include <limits>

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
    // Leave the parent's tab order while this is still a windowed control:
    // by the time TControl's destructor asks the parent to let go, the
    // parent can no longer tell, and would keep a dangling entry.
    if (TWinControl *parent = Parent())
        parent->removeTab(this);
}

TControl *TWinControl::Controls(int Index) const
{
    if (Index < 0 || Index >= ControlCount())
        throw EListError(Format("List index out of bounds (%d)", {Index}));
    return FControls[static_cast<std::size_t>(Index)];
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
    if (AControl->FParentBiDiMode)
        AControl->Perform(CM_PARENTBIDIMODECHANGED);
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
    // Qt keeps one chain per window and moves only the widget named, not
    // its children: each control's children follow it in their own order,
    // however late they were made (a compound control makes its parts when
    // it has been read).
    QWidget *previous = nullptr;
    const std::function<void(const TWinControl *)> chain = [&](const TWinControl *Container) {
        for (TWinControl *c : Container->FTabList) {
            if (QWidget *w = c->FBridge->Widget()) {
                if (previous)
                    QWidget::setTabOrder(previous, w);
                previous = w;
            }
            chain(c);
        }
        // Graphic controls that take the keyboard come after the windowed ones.
        // (Qt 6.4 leaves one where it is when a widget that takes no focus
        // precedes it; Tab still reaches it between the last windowed control
        // and the first, and a form starts on its first control itself.)
        for (TControl *c : Container->FControls)
            if (QWidget *w = c->FBridge->Widget();
                w && !dynamic_cast<TWinControl *>(c) && (w->focusPolicy() & Qt::TabFocus)) {
                if (previous)
                    QWidget::setTabOrder(previous, w);
                previous = w;
            }
    };
    chain(this);
    if (FParent && !FParent->ComponentState().Contains(csDestroying))
        FParent->UpdateTabChain();
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
    UpdateTabChain(); // the parent's chain too
}

void TWinControl::CreateHandle()
{
    CreateWnd();
}

void TWinControl::Resize()
{
    Realign();
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

void TWinControl::Broadcast(TMessage &Message)
{
    const std::vector<TControl *> children = FControls;
    for (TControl *c : children) {
        c->Dispatch(Message);
        if (Message.Result != 0)
            return;
    }
}

void TWinControl::NotifyControls(unsigned Msg)
{
    const std::vector<TControl *> children = FControls;
    for (TControl *c : children)
        c->Perform(Msg);
}

void TWinControl::ApplyChildBounds()
{
    for (TControl *c : FControls)
        c->applyBounds();
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
    const QScopedValueRollback<bool> aligning(FAligning, true);
    for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient})
        place(a);
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
    case CM_DIALOGCHAR:
        // An accelerator goes down the window until a control takes it.
        Broadcast(Message);
        if (Message.Result == 0)
            TControl::Dispatch(Message);
        break;
    case CM_SYSCOLORCHANGE:
        // Every control on the window hears that the system colours changed.
        NotifyControls(CM_SYSCOLORCHANGE);
        TControl::Dispatch(Message);
        break;
    case WM_KILLFOCUS:
        WMKillFocus(Message);
        break;
    // A change of these properties reaches the children that take them from
    // this control, after the control itself handled it.
    case CM_FONTCHANGED:
        TControl::Dispatch(Message);
        NotifyControls(CM_PARENTFONTCHANGED);
        break;
    case CM_COLORCHANGED:
        TControl::Dispatch(Message);
        NotifyControls(CM_PARENTCOLORCHANGED);
        break;
    case CM_SHOWHINTCHANGED:
        TControl::Dispatch(Message);
        NotifyControls(CM_PARENTSHOWHINTCHANGED);
        break;
    case CM_BIDIMODECHANGED:
        TControl::Dispatch(Message);
        NotifyControls(CM_PARENTBIDIMODECHANGED);
        break;
    default:
        TControl::Dispatch(Message);
    }
}

void TWinControl::WMKeyDown(TWMKey &Message)
{
    const auto original = static_cast<std::uint16_t>(Message.CharCode());
    auto key = original;
    const TShiftState shift = controls_detail::CurrentShiftState();
    KeyDown(key, shift);
    if (key == 0 && original != 0)
        return; // swallowed (keys without a virtual-key code pass through)
    Message.SetCharCode(key);
    // Alt with a letter or digit is an accelerator: the window offers it to
    // its controls, and the one that takes it swallows the key. It is offered
    // where the key arrives first (the focused control), not again when Qt
    // passes a key the control left alone on to the parent.
    if (Message.Msg() == WM_SYSKEYDOWN &&
        ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))) {
        const QWidget *focus = QApplication::focusWidget();
        const QWidget *own = FBridge->Widget();
        if (!focus || focus == own || !own || !own->isAncestorOf(focus)) {
            TWinControl *top = this;
            while (top->Parent())
                top = top->Parent();
            if (top->Perform(CM_DIALOGCHAR, key) != 0)
                return;
        }
    }
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
