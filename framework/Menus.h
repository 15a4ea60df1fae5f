#pragma once

// Menus: items arranged in a tree, shown by a form's menu bar (TMainMenu) or
// as a pop-up menu (TPopupMenu). Each item stands for one QAction; an item
// with children carries a QMenu as its sub-menu, and every change of an item
// (caption, state, position, children) is applied to Qt at once, so the menu
// on screen is always the tree as it stands.
//
// Ownership: an item belongs to its owner component like any component (the
// form, or the component that made it), and an item also frees its children
// when it is freed, so freeing an item takes its whole branch out of the
// menu. A menu frees its root item (Items) and so the whole tree.

#include "framework/ActnList.h"
#include "framework/Classes.h"

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class TMenu;
class TMenuActionLink;

class TMenuItem : public TComponent, public TActionClient<TMenuItem, TMenuActionLink>
{
    TUMBLER_CLASS
public:
    explicit TMenuItem(TComponent *AOwner);
    // Frees the children and leaves the parent item.
    ~TMenuItem() override;

    // The text shown. '&' makes the next character the item's keyboard
    // accelerator ("&&" shows one '&'); a caption of a single '-' is drawn as
    // a separator line. Defaults to empty.
    const String &Caption() const { return FCaption; }
    void SetCaption(const String &Value);
    // Whether a click reaches the item. Defaults to true.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Whether the item shows in its menu. Defaults to true.
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    // Whether a check mark shows beside the caption. Defaults to false.
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    // The status-bar text and tooltip (the part before a '|' is the
    // tooltip). Defaults to empty.
    const String &Hint() const { return FHint; }
    void SetHint(const String &Value);
    // The key that chooses the item; scNone for none. Defaults to scNone.
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    // Whether the caption is a separator line ("-").
    bool IsLine() const { return FCaption == "-"; }

    // The children, in menu order.
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EMenuError "Menu index out of range" for a bad Index.
    TMenuItem *Items(int Index) const;
    // The child's position, or -1.
    int IndexOf(const TMenuItem *Item) const;
    // Puts Item at Index (0..Count). Raises EMenuError "Menu inserted twice"
    // when Item already has a parent item, "Menu index out of range" for a bad
    // Index.
    void Insert(int Index, TMenuItem *Item);
    void Add(TMenuItem *Item) { Insert(Count(), Item); }
    // Takes Item out of the children without freeing it; does nothing when it
    // is not one of them.
    void Remove(TMenuItem *Item);
    // Takes the child at Index out without freeing it.
    void Delete(int Index);
    // Frees every child.
    void Clear();

    // The parent item; null for a menu's root item and for a free item.
    TMenuItem *Parent() const { return FParent; }
    // The position among the parent's children, -1 without a parent.
    int MenuIndex() const;
    // Moves the item among its siblings; the index is clamped to
    // 0..Count-1 of the parent. Does nothing without a parent.
    void SetMenuIndex(int Value);
    // The menu whose tree holds the item, or null.
    TMenu *GetParentMenu() const;

    // Runs when the item is chosen. Sender is the item.
    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(const TNotifyEvent &Value) { FOnClick = Value; }

    // What choosing the item does: the click event, or without one the
    // linked action. Every choice (through Qt or by a program) comes here, so
    // a class overrides this one operation. The item may be freed from
    // inside it.
    virtual void Click();

    // Action, SetAction and ActionLink (TActionClient): the action the item
    // follows. It takes the action's caption, check mark, enabled state,
    // hint, shortcut and visibility now and after every change of the
    // action, and choosing it executes the action, unless the item has an
    // OnClick handler of its own, which then runs instead. Defaults to none.

    // The QAction that stands for the item in Qt.
    QAction *QtAction() const { return FAction.get(); }
    // The item's sub-menu, or null while it has no children.
    QMenu *SubMenu() const;

    TComponent *GetParentComponent() const override;
    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent *Value) override;
    void GetChildren(const std::function<void(TComponent *)> &Proc,
                     TComponent *Root) const override;

protected:
    void ActionChange(TObject *Sender, bool CheckDefaults) override;
    std::unique_ptr<TMenuActionLink> CreateActionLink() override;

private:
    friend class TMenu;
    bool isCheckedStored() const { return storedUnlessLinked(&TActionLink::IsCheckedLinked); }
    bool isShortCutStored() const { return storedUnlessLinked(&TActionLink::IsShortCutLinked); }

    // The Qt widget the children's actions go into: the sub-menu, or for a
    // menu's root item the menu's own widget. Made on first need.
    QWidget *childContainer();
    void attachSubMenu();
    void applyCaption();
    void triggered();

    String FCaption;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    String FHint;
    TShortCut FShortCut = scNone;
    TNotifyEvent FOnClick;
    std::vector<TMenuItem *> FItems; // freed by this item
    TMenuItem *FParent = nullptr;
    TMenu *FMenu = nullptr; // set on a menu's root item only
    std::unique_ptr<QAction> FAction;
    std::unique_ptr<QMenu> FSubMenu; // made with the first child
    int FClicking = 0;               // how many clicks from Qt are running
    std::shared_ptr<bool> FAlive;    // false once the item is gone
};

// A menu item's link to its action: which of the item's properties still
// show the action's.
class TMenuActionLink : public TClientActionLink<TMenuItem>
{
public:
    using TClientActionLink::TClientActionLink;

    bool IsCheckedLinked() const override
    {
        return linked(&TMenuItem::Checked, &TCustomAction::Checked);
    }
    bool IsShortCutLinked() const override
    {
        return linked(&TMenuItem::ShortCut, &TCustomAction::ShortCut);
    }
};

// A tree of items with a root item, Items, whose children are the menu's
// top-level entries.
class TMenu : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TMenu(TComponent *AOwner);
    ~TMenu() override;

    // The root item; never null, owned by the menu.
    TMenuItem *Items() const { return FItems.get(); }

    void GetChildren(const std::function<void(TComponent *)> &Proc,
                     TComponent *Root) const override;

protected:
    // The Qt widget that shows the top-level entries.
    virtual QWidget *CreateMenuWidget() = 0;
    QWidget *MenuWidget();

private:
    friend class TMenuItem;
    struct Widget; // the menu's Qt widget, which a form may hold as a child
    std::unique_ptr<Widget> FWidget;
    std::unique_ptr<TMenuItem> FItems;
};

// A form's menu bar (QMenuBar), set as the form's Menu.
class TMainMenu : public TMenu
{
    TUMBLER_CLASS
public:
    explicit TMainMenu(TComponent *AOwner);
    ~TMainMenu() override;

    // The menu bar; made on first call.
    QMenuBar *MenuBar();

protected:
    QWidget *CreateMenuWidget() override;
};

// A menu that pops up at a point (QMenu), set as a control's PopupMenu.
class TPopupMenu : public TMenu
{
    TUMBLER_CLASS
public:
    explicit TPopupMenu(TComponent *AOwner);
    ~TPopupMenu() override;

    // Shows the menu with its top-left corner at the screen point X, Y
    // (after OnPopup) and returns at once.
    virtual void Popup(int X, int Y);
    // The component the menu last popped up for (set by the control).
    TComponent *PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent *Value) { FPopupComponent = Value; }
    // The pop-up menu; made on first call.
    QMenu *Menu();

    // Runs just before the menu shows.
    TNotifyEvent OnPopup() const { return FOnPopup; }
    void SetOnPopup(const TNotifyEvent &Value) { FOnPopup = Value; }

protected:
    QWidget *CreateMenuWidget() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    TComponent *FPopupComponent = nullptr;
    TNotifyEvent FOnPopup;
};

// A menu used the wrong way: an item inserted twice, a bad index.
class EMenuError : public Exception
{
public:
    using Exception::Exception;
};
