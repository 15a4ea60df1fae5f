#include "framework/Forms.h"
#include "framework/Streaming.h"

#include <QApplication>
#include <QEventLoop>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWidget>

const TEnumInfo PositionInfo{"TPosition",
                             {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                              "poScreenCenter", "poDesktopCenter", "poMainFormCenter",
                              "poOwnerFormCenter"}};

// ---------------------------------------------------------------------------
// TCustomForm

const TClassInfo &TCustomForm::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomForm>("TCustomForm", &TWinControl::StaticClassInfo())
            .Integer("Width", &TCustomForm::Width, &TCustomForm::SetWidth, std::nullopt)
            .StoredIf(&TCustomForm::neverStored)
            .Integer("Height", &TCustomForm::Height, &TCustomForm::SetHeight, std::nullopt)
            .StoredIf(&TCustomForm::neverStored)
            .IntegerIdents("Color", &TCustomForm::Color, &TCustomForm::SetColor, ColorIdents(),
                           clBtnFace)
            .Boolean("Visible", &TCustomForm::Visible, &TCustomForm::SetVisible, false)
            .Enumeration("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
                         FormBorderStyleInfo, bsSizeable)
            .Text("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption)
            .Integer("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight,
                     std::nullopt)
            .Integer("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth,
                     std::nullopt)
            .Boolean("OldCreateOrder", &TCustomForm::oldCreateOrder,
                     &TCustomForm::setOldCreateOrder, false)
            .Integer("PixelsPerInch", &TCustomForm::pixelsPerInch, &TCustomForm::setPixelsPerInch,
                     std::nullopt)
            .Reference("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu)
            .Enumeration("Position", &TCustomForm::Position, &TCustomForm::SetPosition,
                         PositionInfo, poDefaultPosOnly)
            .Integer("TextHeight", &TCustomForm::textHeight, &TCustomForm::setTextHeight,
                     std::nullopt)
            .Event("OnClose", &TCustomForm::OnClose, &TCustomForm::SetOnClose)
            .Event("OnCloseQuery", &TCustomForm::OnCloseQuery, &TCustomForm::SetOnCloseQuery)
            .Event("OnCreate", &TCustomForm::OnCreate, &TCustomForm::SetOnCreate)
            .Event("OnDestroy", &TCustomForm::OnDestroy, &TCustomForm::SetOnDestroy)
            .Event("OnHide", &TCustomForm::OnHide, &TCustomForm::SetOnHide)
            .Event("OnShow", &TCustomForm::OnShow, &TCustomForm::SetOnShow)
            .Build();
    return info;
}

const TClassInfo &TForm::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TForm>("TForm", &TCustomForm::StaticClassInfo()).Component().Build();
    return info;
}

TCustomForm::TCustomForm(TComponent *AOwner) : TWinControl(AOwner)
{
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm()
{
    // Freed from within its own modal loop (by a handler, its owner or a
    // release): the window leaves Qt's modal list while it still exists, and
    // the loop learns not to touch the form again.
    if (FModalFreed) {
        *FModalFreed = true;
        if (WidgetAllocated())
            endModality();
    }
    Destroying();
    // The bar leaves the window before the window goes; its menu frees it.
    SetMenu(nullptr);
}

void TCustomForm::SetMenu(TMainMenu *Value)
{
    if (FMenu == Value)
        return;
    if (FMenu) {
        FMenu->RemoveFreeNotification(this);
        if (QMenuBar *bar = FMenu->MenuBar()) {
            bar->hide();
            bar->setParent(nullptr);
        }
    }
    const int clientHeight = ClientHeight();
    FMenu = Value;
    if (FMenu)
        FMenu->FreeNotification(this);
    FMenuHeight = FMenu ? FMenu->MenuBar()->sizeHint().height() : 0;
    if (!ComponentState().Contains(csDestroying)) {
        SetClientHeight(clientHeight);
        ApplyChildBounds();
    }
    applyMenu();
}

void TCustomForm::applyMenu()
{
    if (!FMenu || !WidgetAllocated())
        return;
    QMenuBar *bar = FMenu->MenuBar();
    if (bar->parentWidget() != Widget())
        bar->setParent(Widget());
    bar->setGeometry(0, 0, Width(), FMenuHeight);
    bar->raise();
    bar->show();
}

void TCustomForm::Notification(TComponent *AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMenu) {
        // The menu is going (its bar with it): only the client area moves up.
        const int clientHeight = ClientHeight();
        FMenu = nullptr;
        FMenuHeight = 0;
        if (!ComponentState().Contains(csDestroying)) {
            SetClientHeight(clientHeight);
            ApplyChildBounds();
        }
    }
}

void TCustomForm::LoadFormDescription()
{
    RegisterFrameworkClasses();
    const String name = UpperCase(ClassName());
    String text;
    if (!FindFormResource(name, text))
        throw EResNotFound("Resource " + name + " not found");
    ReadComponentFromText(*this, text, ":/forms/" + name + ".dfm");
}

QWidget *TCustomForm::CreateWidget()
{
    auto *w = new QWidget;
    w->setAutoFillBackground(true);
    return w;
}

void TCustomForm::WidgetCreated()
{
    TWinControl::WidgetCreated();
    applyBorderStyle();
    applyMenu();
}

void TCustomForm::ApplyText()
{
    if (WidgetAllocated())
        Widget()->setWindowTitle(QString::fromStdString(FText));
}

void TCustomForm::ApplyColor()
{
    if (!WidgetAllocated())
        return;
    QPalette pal = Widget()->palette();
    pal.setColor(QPalette::Window, ColorToQColor(Color(), clBtnFace));
    Widget()->setPalette(pal);
}

void TCustomForm::applyBorderStyle()
{
    if (!WidgetAllocated())
        return;
    QWidget *w = Widget();
    const bool wasVisible = w->isVisible();
    Qt::WindowFlags flags;
    switch (FBorderStyle) {
    case bsNone:
        flags = Qt::Window | Qt::FramelessWindowHint;
        break;
    case bsDialog:
        flags =
            Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        flags =
            Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case bsSingle:
        flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
        break;
    default:
        flags = Qt::Window;
    }
    w->setWindowFlags(flags);
    const bool fixed = FBorderStyle == bsDialog || FBorderStyle == bsSingle ||
                       FBorderStyle == bsToolWindow || FBorderStyle == bsNone;
    if (fixed) {
        w->setFixedSize(std::max(0, Width()), std::max(0, Height()));
    } else {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (wasVisible)
        w->show(); // changing the flags hides a window
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    const bool fixed = FBorderStyle == bsDialog || FBorderStyle == bsSingle ||
                       FBorderStyle == bsToolWindow || FBorderStyle == bsNone;
    if (fixed && WidgetAllocated())
        Widget()->setFixedSize(std::max(0, AWidth), std::max(0, AHeight));
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    applyMenu();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value)
{
    if (FBorderStyle == Value)
        return;
    FBorderStyle = Value;
    applyBorderStyle();
}

void TCustomForm::SetPosition(TPosition Value)
{
    FPosition = Value;
}

void TCustomForm::applyPosition()
{
    if (FPosition != poScreenCenter && FPosition != poDesktopCenter &&
        FPosition != poMainFormCenter && FPosition != poOwnerFormCenter)
        return;
    QRect area;
    if (FPosition == poMainFormCenter && Application && Application->MainForm() &&
        Application->MainForm() != this && Application->MainForm()->WidgetAllocated())
        area = Application->MainForm()->Widget()->frameGeometry();
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        SetBounds(area.x() + (area.width() - Width()) / 2,
                  area.y() + (area.height() - Height()) / 2, Width(), Height());
}

void TCustomForm::SetModalResult(TModalResult Value)
{
    FModalResult = Value;
}

void TCustomForm::Show()
{
    Widget();
    if (!Visible())
        applyPosition();
    SetVisible(true);
    QWidget *w = Widget();
    // The keyboard starts on the first control of the tab order (Qt would
    // start on the first child that takes Tab, whatever its place).
    if (!w->focusWidget())
        for (TWinControl *c : TabList())
            if (c->TabStop() && c->Enabled() && c->Visible()) {
                c->Widget()->setFocus();
                break;
            }
    w->show();
}

void TCustomForm::endModality()
{
    // Qt lists a window each time it shows modally and takes it off only
    // when it hides while still modal; freeing the window removes just one
    // entry. Dropping the modality first would leave it listed: shown modally
    // twice and then freed, it stays there freed, and each window shown
    // later reads it.
    QWidget *w = Widget();
    w->hide();
    w->setWindowModality(Qt::NonModal);
}

TModalResult TCustomForm::ShowModal()
{
    if (Visible() || FModal)
        throw EInvalidOperation("Cannot make a visible window modal");
    // Handlers run inside the loop may free the form; from then on nothing
    // here touches it (its destructor has ended the modality).
    struct ModalState
    {
        TCustomForm &form;
        bool freed = false;
        ~ModalState()
        {
            if (!freed) {
                form.FModal = false;
                form.FModalFreed = nullptr;
            }
        }
    } state{*this};
    FModal = true;
    FModalFreed = &state.freed;
    FModalResult = mrNone;
    Widget()->setWindowModality(Qt::ApplicationModal);
    try {
        Show();
        while (!state.freed && FModalResult == mrNone) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            if (state.freed)
                break;
            if (FModalResult == mrNone && (!Widget()->isVisible() || !Visible()))
                FModalResult = mrCancel;
            if (Application && Application->Terminated() && FModalResult == mrNone)
                FModalResult = mrCancel;
        }
    } catch (...) {
        // A window left application-modal would block every other window.
        if (!state.freed) {
            endModality();
            Hide();
        }
        throw;
    }
    if (state.freed)
        return mrCancel;
    const TModalResult result = FModalResult;
    endModality();
    Hide();
    return state.freed ? result : FModalResult;
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (FOnCloseQuery)
        FOnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction &Action)
{
    if (FOnClose)
        FOnClose(this, Action);
}

void TCustomForm::Close()
{
    if (FModal) {
        if (CloseQuery())
            FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application && Application->MainForm() == this) {
        Hide();
        Application->Terminate();
        return;
    }
    if (action == caFree)
        Release();
    else if (action == caMinimize && WidgetAllocated())
        Widget()->showMinimized();
    else
        Hide();
}

void TCustomForm::Release()
{
    Hide();
    // Freed from the event loop, once the handler that asked has returned;
    // not at all if the form's owner frees it first (its widget goes too).
    QTimer::singleShot(0, Widget(), [this] { delete this; });
}

bool TCustomForm::Active() const
{
    return WidgetAllocated() && const_cast<TCustomForm *>(this)->Widget()->isActiveWindow();
}

void TCustomForm::AfterConstruction()
{
    if (FCreated)
        return;
    FCreated = true;
    DoCreate();
}

void TCustomForm::BeforeDestruction()
{
    if (FDestroyFired)
        return;
    FDestroyFired = true;
    if (FOnDestroy)
        FOnDestroy(this);
}

void TCustomForm::DoCreate()
{
    if (FOnCreate)
        FOnCreate(this);
}

void TCustomForm::DoShow()
{
    if (FOnShow)
        FOnShow(this);
}

void TCustomForm::DoHide()
{
    if (FOnHide)
        FOnHide(this);
}

void TCustomForm::Dispatch(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_CLOSE:
        // The window's close button: the form decides (and hides itself).
        Close();
        break;
    case CM_VISIBLECHANGED:
        if (WidgetAllocated())
            Widget()->setVisible(Visible());
        if (Visible())
            DoShow();
        else
            DoHide();
        TWinControl::Dispatch(Message);
        break;
    default:
        TWinControl::Dispatch(Message);
    }
}

TCustomForm *GetParentForm(TControl *Control)
{
    while (Control && Control->Parent())
        Control = Control->Parent();
    return dynamic_cast<TCustomForm *>(Control);
}
