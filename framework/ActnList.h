#pragma once

// Actions: commands that several clients share. An action carries a caption,
// an enabled state, a hint, a visibility, a check mark, an image and a
// shortcut, and what runs when it is chosen (OnExecute). A control or a menu
// item linked to it through its Action property takes those from the action
// and follows every later change: each change of the action reaches each
// client's ActionChange through the client's action link. Choosing the client
// executes the action.
//
//   object ActionList1: TActionList
//     Images = ImageList1
//     object EditUndo: TAction
//       Caption = '&Undo'
//       ShortCut = 16474
//       OnExecute = EditUndoExecute
//     end
//   end
//   object Button1: TButton
//     Action = EditUndo
//   end
//
// Ownership: an action belongs to its owner like any component; an action
// list holds its actions without owning them. A link belongs to its client.
// Freeing an action leaves each link without an action (the client keeps the
// state it last took); freeing a client unlinks it from the action.

#include "framework/Classes.h"

#include <memory>
#include <vector>

class QAction;
class TBasicAction;
class TBasicActionLink;
class TChangeLink;
class TCustomActionList;
class TCustomImageList;

// An event of an action list about one of its actions; setting Handled stops
// the action's own handler.
using TActionEvent = TEvent<TBasicAction *, bool &>;

// A command with handlers, and the links of the clients that follow it.
class TBasicAction : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TBasicAction(TComponent *AOwner);
    // Leaves every client link without an action.
    ~TBasicAction() override;

    // Runs OnExecute. False when nothing handled the action.
    virtual bool Execute();
    // Runs OnUpdate, where an application sets the action's state. False when
    // nothing handled it.
    virtual bool Update();

    // The client that executes the action, while it does so; else null.
    TComponent *ActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent *Value) { FActionComponent = Value; }

    // What choosing the action does. Sender is the action. Defaults to none.
    TNotifyEvent OnExecute() const { return FOnExecute; }
    void SetOnExecute(const TNotifyEvent &Value);
    // Brings the action's state up to date. Defaults to none.
    TNotifyEvent OnUpdate() const { return FOnUpdate; }
    void SetOnUpdate(const TNotifyEvent &Value) { FOnUpdate = Value; }

    // The links of the clients; a link registers itself.
    void RegisterChanges(TBasicActionLink *Value);
    void UnRegisterChanges(TBasicActionLink *Value);
    int ClientCount() const { return static_cast<int>(FClients.size()); }

    // Tells every client that the action changed.
    virtual void Change();

protected:
    // False once the action is gone, for code that runs its handlers and
    // must not touch it afterwards (a handler may free it).
    const std::shared_ptr<bool> &Alive() const { return FAlive; }

private:
    friend class TBasicActionLink;
    std::vector<TBasicActionLink *> FClients; // not owned: each belongs to its client
    TComponent *FActionComponent = nullptr;
    TNotifyEvent FOnExecute;
    TNotifyEvent FOnUpdate;
    std::shared_ptr<bool> FAlive;
};

// A client's hold on an action: registered with the action while linked, and
// told of each change of it (OnChange, with the action as Sender).
class TBasicActionLink : public TObject
{
public:
    explicit TBasicActionLink(TObject *AClient);
    ~TBasicActionLink() override;

    // The linked action; null when none, also once the action is freed.
    TBasicAction *Action() const { return FAction; }
    void SetAction(TBasicAction *Value);

    // Executes the action on behalf of AComponent (its ActionComponent for
    // the call). False without an action or when nothing handled it. The
    // handler may free the client, and with it this link.
    virtual bool Execute(TComponent *AComponent = nullptr);
    virtual bool Update();

    // Called on every change of the action.
    TNotifyEvent OnChange;

protected:
    virtual void Change();

private:
    friend class TBasicAction;
    TBasicAction *FAction = nullptr;
};

// An action that sits in an action list.
class TContainedAction : public TBasicAction
{
    TUMBLER_CLASS
public:
    explicit TContainedAction(TComponent *AOwner);
    // Leaves the action list.
    ~TContainedAction() override;

    // The list the action is in; null when none.
    TCustomActionList *ActionList() const { return FActionList; }
    void SetActionList(TCustomActionList *Value);
    // The position in the list, -1 without one.
    int Index() const;
    // A name for grouping actions. Defaults to empty.
    const String &Category() const { return FCategory; }
    void SetCategory(const String &Value);

    // The list's OnExecute comes first; it may handle the action.
    bool Execute() override;
    // The list's OnUpdate comes first; it may handle the action.
    bool Update() override;
    void Change() override;

    TComponent *GetParentComponent() const override;
    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent *Value) override;

private:
    TCustomActionList *FActionList = nullptr;
    String FCategory;
};

// An action with the state its clients show.
class TCustomAction : public TContainedAction
{
    TUMBLER_CLASS
public:
    explicit TCustomAction(TComponent *AOwner);
    ~TCustomAction() override;

    // The clients' caption; '&' marks the accelerator. Defaults to empty.
    const String &Caption() const { return FCaption; }
    void SetCaption(const String &Value);
    // Whether the clients show a check mark. Defaults to false.
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    // Whether the clients take clicks; a disabled action does not execute.
    // Defaults to true.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // The clients' hint. Defaults to empty.
    const String &Hint() const { return FHint; }
    void SetHint(const String &Value);
    // The image in the action list's Images; -1 for none. Defaults to -1.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    // The key that chooses the action (see TShortCut); 0 for none.
    // Defaults to 0.
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value);
    // Whether the clients show. Defaults to true.
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);

    // The images of the action's list; null without a list or images.
    TCustomImageList *Images() const;

    // Runs OnUpdate, then executes only when the action is enabled.
    bool Execute() override;
    void Change() override;

    // The action as Qt shows it in a menu or a tool bar, following every
    // change; triggering it executes the action. Made on first call, owned by
    // the action.
    QAction *QtAction();

private:
    void applyToQtAction();

    String FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    String FHint;
    int FImageIndex = -1;
    TShortCut FShortCut = 0;
    bool FVisible = true;
    std::unique_ptr<QAction> FQtAction;
    int FTriggering = 0; // how many triggers from Qt are running
};

// The action form descriptions create.
class TAction : public TCustomAction
{
    TUMBLER_CLASS
public:
    explicit TAction(TComponent *AOwner);
    ~TAction() override;
};

// A client's link to a TCustomAction: says which of the client's properties
// still show the action's, so that the client does not write them to a form
// description.
class TActionLink : public TBasicActionLink
{
public:
    using TBasicActionLink::TBasicActionLink;

    virtual bool IsCaptionLinked() const { return customAction() != nullptr; }
    virtual bool IsCheckedLinked() const { return customAction() != nullptr; }
    virtual bool IsEnabledLinked() const { return customAction() != nullptr; }
    virtual bool IsHintLinked() const { return customAction() != nullptr; }
    virtual bool IsShortCutLinked() const { return customAction() != nullptr; }
    virtual bool IsVisibleLinked() const { return customAction() != nullptr; }

protected:
    TCustomAction *customAction() const;
};

// A client's link that compares the client's properties with the action's:
// a property is linked while the client shows the action's value of it.
// TClient is the client class (a control, a menu item).
template <class TClient> class TClientActionLink : public TActionLink
{
public:
    explicit TClientActionLink(TClient *AClient) : TActionLink(AClient), FClient(AClient) {}

    bool IsCaptionLinked() const override
    {
        return linked(&TClient::Caption, &TCustomAction::Caption);
    }
    bool IsEnabledLinked() const override
    {
        return linked(&TClient::Enabled, &TCustomAction::Enabled);
    }
    bool IsHintLinked() const override { return linked(&TClient::Hint, &TCustomAction::Hint); }
    bool IsVisibleLinked() const override
    {
        return linked(&TClient::Visible, &TCustomAction::Visible);
    }

protected:
    // Whether the client's value (ClientValue) equals the action's (ActionValue).
    template <class C, class A> bool linked(C ClientValue, A ActionValue) const
    {
        const TCustomAction *action = customAction();
        return action && (FClient->*ClientValue)() == (action->*ActionValue)();
    }

private:
    TClient *FClient;
};

// What every client of an action shares (controls and menu items): the link
// it owns, the Action property, and the part of an action's state every
// client shows. TClient is the client class, which derives from this one;
// TLink is its link class.
template <class TClient, class TLink> class TActionClient
{
public:
    // The action the client follows; null for none.
    TBasicAction *Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    // Links the client to Value (null unlinks it) and takes the action's
    // state: while either is being read from a form description, only into
    // the properties still at their defaults.
    void SetAction(TBasicAction *Value)
    {
        if (!Value) {
            FActionLink.reset();
            return;
        }
        if (!FActionLink) {
            FActionLink = CreateActionLink();
            FActionLink->OnChange = [this](TObject *Sender) {
                if (Sender && Sender == Action())
                    ActionChange(Sender, false);
            };
        }
        FActionLink->SetAction(Value);
        const auto &self = static_cast<const TClient &>(*this);
        ActionChange(Value, self.ComponentState().Contains(csLoading) ||
                                Value->ComponentState().Contains(csLoading));
    }
    // The link to the action; null when the client never had one.
    TLink *ActionLink() const { return FActionLink.get(); }

protected:
    TActionClient() = default;
    ~TActionClient() = default;
    TActionClient(const TActionClient &) = delete;
    TActionClient &operator=(const TActionClient &) = delete;

    // Takes the state of Sender, a TCustomAction. With CheckDefaults (while a
    // form description is read) only the properties still at their defaults
    // take the action's.
    virtual void ActionChange(TObject *Sender, bool CheckDefaults) = 0;
    // Makes the link the client follows its action through.
    virtual std::unique_ptr<TLink> CreateActionLink() = 0;

    // Takes the enabled state, hint and visibility of Source, as every
    // client shows them; ActionChange calls it.
    void TakeActionState(const TCustomAction &Source, bool CheckDefaults)
    {
        auto &self = static_cast<TClient &>(*this);
        if (!CheckDefaults || self.Enabled())
            self.SetEnabled(Source.Enabled());
        if (!CheckDefaults || self.Hint().empty())
            self.SetHint(Source.Hint());
        if (!CheckDefaults || self.Visible())
            self.SetVisible(Source.Visible());
    }

    // Whether a property is written: not while it shows the action's value.
    bool isCaptionStored() const { return storedUnlessLinked(&TActionLink::IsCaptionLinked); }
    bool isEnabledStored() const { return storedUnlessLinked(&TActionLink::IsEnabledLinked); }
    bool isHintStored() const { return storedUnlessLinked(&TActionLink::IsHintLinked); }
    bool isVisibleStored() const { return storedUnlessLinked(&TActionLink::IsVisibleLinked); }
    bool storedUnlessLinked(bool (TActionLink::*Linked)() const) const
    {
        return !FActionLink || !(FActionLink.get()->*Linked)();
    }

private:
    std::unique_ptr<TLink> FActionLink;
};

// A list of actions with shared images and handlers that see every action
// first.
class TCustomActionList : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TCustomActionList(TComponent *AOwner);
    // Leaves its actions without a list; it does not free them.
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(FActions.size()); }
    // Raises EListError for an index outside 0..ActionCount()-1.
    TContainedAction *Actions(int Index) const;
    int IndexOf(const TContainedAction *Action) const;

    // The images the actions' ImageIndex points into. Defaults to none.
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value);

    // Sees each action executed before its own handler. Defaults to none.
    TActionEvent OnExecute() const { return FOnExecute; }
    void SetOnExecute(const TActionEvent &Value) { FOnExecute = Value; }
    // Sees each action updated before its own handler. Defaults to none.
    TActionEvent OnUpdate() const { return FOnUpdate; }
    void SetOnUpdate(const TActionEvent &Value) { FOnUpdate = Value; }
    // Runs after any action of the list changed. Defaults to none.
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }

    // The list's handlers on behalf of Action; true when one handled it.
    bool ExecuteAction(TBasicAction *Action);
    bool UpdateAction(TBasicAction *Action);
    // Runs OnChange.
    virtual void Change();

    void GetChildren(const std::function<void(TComponent *)> &Proc,
                     TComponent *Root) const override;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    friend class TContainedAction;
    void imagesChanged(TObject *Sender);

    std::vector<TContainedAction *> FActions; // not owned
    TCustomImageList *FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    TActionEvent FOnExecute;
    TActionEvent FOnUpdate;
    TNotifyEvent FOnChange;
};

class TActionList : public TCustomActionList
{
    TUMBLER_CLASS
public:
    explicit TActionList(TComponent *AOwner);
    ~TActionList() override;
};
