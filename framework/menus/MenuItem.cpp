#include "framework/Menus.h"
#include "framework/TypInfo.h"
#include "framework/controls/Controls_p.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <algorithm>

const TClassInfo &TMenuItem::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TMenuItem>("TMenuItem", &TComponent::StaticClassInfo())
            .Component()
            .Reference("Action", &TMenuItem::Action, &TMenuItem::SetAction)
            .Text("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
            .StoredIf(&TMenuItem::isCaptionStored)
            .Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false)
            .StoredIf(&TMenuItem::isCheckedStored)
            .Boolean("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true)
            .StoredIf(&TMenuItem::isEnabledStored)
            .Text("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
            .StoredIf(&TMenuItem::isHintStored)
            .Integer("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut, scNone)
            .StoredIf(&TMenuItem::isShortCutStored)
            .Boolean("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
            .StoredIf(&TMenuItem::isVisibleStored)
            .Event("OnClick", &TMenuItem::OnClick, &TMenuItem::SetOnClick)
            .Build();
    return info;
}

TMenuItem::TMenuItem(TComponent *AOwner)
    : TComponent(AOwner), FAction(std::make_unique<QAction>()), FAlive(std::make_shared<bool>(true))
{
    QObject::connect(FAction.get(), &QAction::triggered, FAction.get(),
                     [this, alive = FAlive](bool) {
                         if (!*alive)
                             return;
                         ++FClicking;
                         try {
                             Click();
                         } catch (const std::exception &e) {
                             controls_detail::HandleException(e);
                         }
                         // The click may have freed the item.
                         if (*alive)
                             --FClicking;
                     });
}

TMenuItem::~TMenuItem()
{
    Destroying();
    *FAlive = false;
    while (!FItems.empty())
        delete FItems.back(); // each leaves this item on its way
    if (FParent)
        FParent->Remove(this);
    FAction->setMenu(static_cast<QMenu *>(nullptr));
    FSubMenu.reset();
    if (FClicking > 0) {
        // Freed from inside its own click: Qt is still delivering the
        // triggered signal of the action, so the action goes only once the
        // event loop is back. Until then it belongs to the application
        // object, which frees it at the latest when the program ends.
        QAction *action = FAction.release();
        action->disconnect();
        action->setParent(QCoreApplication::instance());
        action->deleteLater();
    }
}

void TMenuItem::SetCaption(const String &Value)
{
    if (FCaption == Value)
        return;
    FCaption = Value;
    applyCaption();
}

void TMenuItem::applyCaption()
{
    // Qt reads '&' and "&&" as the framework does.
    FAction->setSeparator(IsLine());
    FAction->setText(QString::fromStdString(FCaption));
}

void TMenuItem::SetEnabled(bool Value)
{
    FEnabled = Value;
    FAction->setEnabled(Value);
}

void TMenuItem::SetHint(const String &Value)
{
    FHint = Value;
    FAction->setToolTip(controls_detail::ToolTipText(Value));
    FAction->setStatusTip(QString::fromStdString(GetLongHint(Value)));
}

void TMenuItem::SetShortCut(TShortCut Value)
{
    FShortCut = Value;
    FAction->setShortcut(controls_detail::ShortCutToKeySequence(Value));
}

void TMenuItem::SetVisible(bool Value)
{
    FVisible = Value;
    FAction->setVisible(Value);
}

void TMenuItem::SetChecked(bool Value)
{
    FChecked = Value;
    FAction->setCheckable(Value);
    FAction->setChecked(Value);
}

TMenuItem *TMenuItem::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EMenuError("Menu index out of range");
    return FItems[static_cast<std::size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem *Item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

QWidget *TMenuItem::childContainer()
{
    if (FMenu)
        return FMenu->MenuWidget();
    if (!FSubMenu)
        FSubMenu = std::make_unique<QMenu>();
    return FSubMenu.get();
}

QMenu *TMenuItem::SubMenu() const
{
    return FItems.empty() ? nullptr : FSubMenu.get();
}

void TMenuItem::attachSubMenu()
{
    // An item without children is a plain command, not an empty sub-menu.
    if (FMenu)
        return;
    QMenu *menu = FItems.empty() ? nullptr : FSubMenu.get();
    if (FAction->menu<QMenu *>() != menu)
        FAction->setMenu(menu);
}

void TMenuItem::Insert(int Index, TMenuItem *Item)
{
    if (!Item)
        return;
    if (Item->FParent || Item == this)
        throw EMenuError("Menu inserted twice");
    if (Index < 0 || Index > Count())
        throw EMenuError("Menu index out of range");
    QWidget *container = childContainer();
    QAction *before = Index < Count() ? Items(Index)->QtAction() : nullptr;
    container->insertAction(before, Item->QtAction());
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    attachSubMenu();
}

void TMenuItem::Remove(TMenuItem *Item)
{
    const int index = IndexOf(Item);
    if (index >= 0)
        Delete(index);
}

void TMenuItem::Delete(int Index)
{
    TMenuItem *item = Items(Index);
    FItems.erase(FItems.begin() + Index);
    item->FParent = nullptr;
    childContainer()->removeAction(item->QtAction());
    attachSubMenu();
}

void TMenuItem::Clear()
{
    while (!FItems.empty())
        delete FItems.back();
}

int TMenuItem::MenuIndex() const
{
    return FParent ? FParent->IndexOf(this) : -1;
}

void TMenuItem::SetMenuIndex(int Value)
{
    if (!FParent)
        return;
    TMenuItem *parent = FParent;
    const int current = MenuIndex();
    Value = std::clamp(Value, 0, parent->Count() - 1);
    if (Value == current)
        return;
    parent->Delete(current);
    parent->Insert(Value, this);
}

TMenu *TMenuItem::GetParentMenu() const
{
    const TMenuItem *item = this;
    while (item->FParent)
        item = item->FParent;
    return item->FMenu;
}

void TMenuItem::Click()
{
    // A handler may free this item: run a copy, and touch nothing after it.
    const TNotifyEvent handler = FOnClick;
    if (handler)
        handler(this);
    else if (ActionLink() && !ComponentState().Contains(csDesigning))
        ActionLink()->Execute(this);
}

TComponent *TMenuItem::GetParentComponent() const
{
    if (FParent && FParent->FMenu)
        return FParent->FMenu;
    return FParent;
}

void TMenuItem::SetParentComponent(TComponent *Value)
{
    if (FParent)
        FParent->Remove(this);
    if (auto *menu = dynamic_cast<TMenu *>(Value))
        menu->Items()->Add(this);
    else if (auto *item = dynamic_cast<TMenuItem *>(Value))
        item->Add(this);
    else if (Value)
        throw EMenuError("A menu item belongs in a menu or another menu item, not in " +
                         Value->Name());
}

void TMenuItem::GetChildren(const std::function<void(TComponent *)> &Proc, TComponent *Root) const
{
    for (TMenuItem *item : FItems)
        if (item->Owner() == Root)
            Proc(item);
}
