#include "framework/ActnList.h"
#include "framework/ImgList.h"
#include "framework/TypInfo.h"
#include "framework/controls/Controls_p.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>

// ---------------------------------------------------------------------------
// TCustomAction

const TClassInfo &TCustomAction::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCustomAction>("TCustomAction", &TContainedAction::StaticClassInfo())
            .Text("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption)
            .Boolean("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked, false)
            .Boolean("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled, true)
            .Text("Hint", &TCustomAction::Hint, &TCustomAction::SetHint)
            .Integer("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex, -1)
            .Integer("ShortCut", &TCustomAction::ShortCut, &TCustomAction::SetShortCut, 0)
            .Boolean("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible, true)
            .Event("OnExecute", &TCustomAction::OnExecute, &TCustomAction::SetOnExecute)
            .Event("OnUpdate", &TCustomAction::OnUpdate, &TCustomAction::SetOnUpdate)
            .Build();
    return info;
}

TCustomAction::TCustomAction(TComponent *AOwner) : TContainedAction(AOwner) {}

TCustomAction::~TCustomAction()
{
    Destroying();
    if (FTriggering > 0 && FQtAction) {
        // Freed from inside its own trigger: Qt is still delivering the
        // signal, so the QAction goes once the event loop is back.
        QAction *action = FQtAction.release();
        action->disconnect();
        action->setParent(QCoreApplication::instance());
        action->deleteLater();
    }
}

void TCustomAction::SetCaption(const String &Value)
{
    if (FCaption == Value)
        return;
    FCaption = Value;
    Change();
}

void TCustomAction::SetChecked(bool Value)
{
    if (FChecked == Value)
        return;
    FChecked = Value;
    Change();
}

void TCustomAction::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    Change();
}

void TCustomAction::SetHint(const String &Value)
{
    if (FHint == Value)
        return;
    FHint = Value;
    Change();
}

void TCustomAction::SetImageIndex(int Value)
{
    if (FImageIndex == Value)
        return;
    FImageIndex = Value;
    Change();
}

void TCustomAction::SetShortCut(TShortCut Value)
{
    if (FShortCut == Value)
        return;
    FShortCut = Value;
    Change();
}

void TCustomAction::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    FVisible = Value;
    Change();
}

TCustomImageList *TCustomAction::Images() const
{
    return ActionList() ? ActionList()->Images() : nullptr;
}

bool TCustomAction::Execute()
{
    // OnUpdate may disable the action, or free it.
    const std::shared_ptr<bool> alive = Alive();
    Update();
    if (!*alive || !FEnabled)
        return false;
    return TContainedAction::Execute();
}

void TCustomAction::Change()
{
    if (ComponentState().Contains(csDestroying))
        return;
    applyToQtAction();
    TContainedAction::Change();
}

QAction *TCustomAction::QtAction()
{
    if (!FQtAction) {
        FQtAction = std::make_unique<QAction>();
        QObject::connect(FQtAction.get(), &QAction::triggered, FQtAction.get(),
                         [this, alive = Alive()](bool) {
                             if (!*alive)
                                 return;
                             ++FTriggering;
                             try {
                                 Execute();
                             } catch (const std::exception &e) {
                                 controls_detail::HandleException(e);
                             }
                             if (*alive)
                                 --FTriggering;
                         });
        applyToQtAction();
    }
    return FQtAction.get();
}

void TCustomAction::applyToQtAction()
{
    QAction *action = FQtAction.get();
    if (!action)
        return;
    // Qt reads '&' and "&&" as the framework does.
    action->setText(QString::fromStdString(FCaption));
    action->setEnabled(FEnabled);
    action->setVisible(FVisible);
    action->setCheckable(FChecked);
    action->setChecked(FChecked);
    action->setToolTip(controls_detail::ToolTipText(FHint));
    action->setStatusTip(QString::fromStdString(GetLongHint(FHint)));
    action->setShortcut(controls_detail::ShortCutToKeySequence(FShortCut));
    TCustomImageList *images = Images();
    action->setIcon(images && FImageIndex >= 0 && FImageIndex < images->Count()
                        ? images->Icon(FImageIndex)
                        : QIcon());
}

// ---------------------------------------------------------------------------
// TAction

const TClassInfo &TAction::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TAction>("TAction", &TCustomAction::StaticClassInfo()).Component().Build();
    return info;
}

TAction::TAction(TComponent *AOwner) : TCustomAction(AOwner) {}

TAction::~TAction() = default;

// ---------------------------------------------------------------------------
// TActionLink

TCustomAction *TActionLink::customAction() const
{
    return dynamic_cast<TCustomAction *>(Action());
}
