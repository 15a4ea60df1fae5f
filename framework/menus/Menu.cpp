#include "framework/Menus.h"
#include "framework/TypInfo.h"

#include <QMenu>
#include <QMenuBar>
#include <QPointer>

// A form shows its main menu's bar as a child of its own widget, and a widget
// deletes its children when it goes, so the menu holds its widget weakly too:
// whoever goes first, the widget is deleted once.
struct TMenu::Widget
{
    QPointer<QWidget> widget;
    ~Widget() { delete widget.data(); }
};

// ---------------------------------------------------------------------------
// TMenu

const TClassInfo &TMenu::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TMenu>("TMenu", &TComponent::StaticClassInfo()).Build();
    return info;
}

TMenu::TMenu(TComponent *AOwner)
    : TComponent(AOwner), FWidget(std::make_unique<Widget>()),
      FItems(std::make_unique<TMenuItem>(nullptr))
{
    FItems->FMenu = this;
}

TMenu::~TMenu()
{
    Destroying();
    // The items go first: their actions leave the widget while it still exists.
    FItems.reset();
    FWidget.reset();
}

QWidget *TMenu::MenuWidget()
{
    if (!FWidget->widget)
        FWidget->widget = CreateMenuWidget();
    return FWidget->widget;
}

void TMenu::GetChildren(const std::function<void(TComponent *)> &Proc, TComponent *Root) const
{
    FItems->GetChildren(Proc, Root);
}

// ---------------------------------------------------------------------------
// TMainMenu

const TClassInfo &TMainMenu::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TMainMenu>("TMainMenu", &TMenu::StaticClassInfo()).Component().Build();
    return info;
}

TMainMenu::TMainMenu(TComponent *AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu() = default;

QWidget *TMainMenu::CreateMenuWidget()
{
    auto *bar = new QMenuBar;
    // The bar belongs to its form's window, not to the desktop's global menu.
    bar->setNativeMenuBar(false);
    return bar;
}

QMenuBar *TMainMenu::MenuBar()
{
    return static_cast<QMenuBar *>(MenuWidget());
}

// ---------------------------------------------------------------------------
// TPopupMenu

const TClassInfo &TPopupMenu::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPopupMenu>("TPopupMenu", &TMenu::StaticClassInfo())
            .Component()
            .Event("OnPopup", &TPopupMenu::OnPopup, &TPopupMenu::SetOnPopup)
            .Build();
    return info;
}

TPopupMenu::TPopupMenu(TComponent *AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

QWidget *TPopupMenu::CreateMenuWidget()
{
    return new QMenu;
}

QMenu *TPopupMenu::Menu()
{
    return static_cast<QMenu *>(MenuWidget());
}

void TPopupMenu::Popup(int X, int Y)
{
    if (FOnPopup)
        FOnPopup(this);
    Menu()->popup(QPoint(X, Y));
}

void TPopupMenu::Notification(TComponent *AComponent, TOperation Operation)
{
    TMenu::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupComponent)
        FPopupComponent = nullptr;
}
