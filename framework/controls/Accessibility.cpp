// How controls reach assistive technology. A control whose widget is one of
// Qt's own (an edit, a push button, a list) is described by Qt, which only
// needs the control's name handed to the widget. A self-painting control
// (PaintSurface: labels, glyph buttons) is described here, from the
// control's AccessibleRole, AccessibleName, AccessibleStates and
// AccessiblePress. Graphic controls have a widget of their own here, so they
// appear as children of their parent's accessible object with their own
// rectangles, like any child widget.

#include "framework/controls/Controls_p.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeySequence>
#include <QPointer>
#include <QTimer>

String StripAccelChars(const String &Text)
{
    String out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '&')
            out += Text[i];
        else if (i + 1 < Text.size() && Text[i + 1] == '&')
            out += Text[++i];
    }
    return out;
}

// ---------------------------------------------------------------------------
// TControl's accessibility

String TControl::AccessibleName() const
{
    String name = StripAccelChars(Caption());
    return name.empty() ? NameFromLabelOrHint() : name;
}

String TControl::NameFromLabelOrHint() const
{
    if (const TControl *label = LabellingControl()) {
        String name = StripAccelChars(label->Caption());
        if (!name.empty())
            return name;
    }
    String hint = GetShortHint(Hint());
    if (!hint.empty())
        return hint;
    // A part of a compound control (the number box of a quantity with its
    // unit) is named by the whole, which its label names.
    if (Parent() && Parent()->Parent())
        return Parent()->AccessibleName();
    return {};
}

TControl *TControl::LabellingControl() const
{
    const TControl *top = this;
    while (top->Parent())
        top = top->Parent();
    // Labels name controls on their own form: search it depth first.
    std::vector<const TWinControl *> pending;
    if (auto *w = dynamic_cast<const TWinControl *>(top))
        pending.push_back(w);
    while (!pending.empty()) {
        const TWinControl *container = pending.back();
        pending.pop_back();
        for (int i = 0; i < container->ControlCount(); ++i) {
            TControl *c = container->Controls(i);
            if (c != this && c->LabelledControl() == this)
                return c;
            if (auto *w = dynamic_cast<const TWinControl *>(c))
                pending.push_back(w);
        }
    }
    return nullptr;
}

void TControl::AccessibleNameChanged()
{
    // A label's caption names the control it labels.
    if (TWinControl *named = LabelledControl())
        named->AccessibleNameChanged();
    QWidget *w = FBridge->Widget();
    if (!w)
        return;
    // A self-painting control's name is read afresh on every question; those
    // listening are told it changed.
    if (dynamic_cast<controls_detail::PaintSurface *>(w)) {
        if (QAccessible::isActive()) {
            QAccessibleEvent event(w, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
        return;
    }
    const QString name = QString::fromStdString(AccessibleName());
    if (w->accessibleName() != name)
        w->setAccessibleName(name);
}

void TWinControl::AccessibleNameChanged()
{
    TControl::AccessibleNameChanged();
    // Parts without a name of their own take this one's. A label is left
    // out: it may name this control, which would bring the call back here.
    for (TControl *c : FControls)
        if (!c->LabelledControl())
            c->AccessibleNameChanged();
}

void TControl::AccessibleStateChanged()
{
    QWidget *w = FBridge->Widget();
    if (!w || !QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    changed.pressed = true;
    QAccessibleStateChangeEvent event(w, changed);
    QAccessible::updateAccessibility(&event);
}

// ---------------------------------------------------------------------------
// The accessible object of a self-painting control

namespace {

QAccessible::Role QtRole(TAccessibleRole Role)
{
    switch (Role) {
    case arStaticText:
        return QAccessible::StaticText;
    case arLink:
        return QAccessible::Link;
    case arPushButton:
        return QAccessible::Button;
    case arEditableText:
        return QAccessible::EditableText;
    case arGraphic:
        return QAccessible::Graphic;
    case arClient:
        break;
    }
    return QAccessible::Client;
}

class ControlAccessible : public QAccessibleWidget
{
public:
    explicit ControlAccessible(QWidget *Widget) : QAccessibleWidget(Widget) {}

    QAccessible::Role role() const override
    {
        const TControl *c = control();
        return c ? QtRole(c->AccessibleRole()) : QAccessible::Client;
    }

    QString text(QAccessible::Text Kind) const override
    {
        const TControl *c = control();
        if (!c)
            return QAccessibleWidget::text(Kind);
        switch (Kind) {
        case QAccessible::Name:
            if (!widget()->accessibleName().isEmpty())
                return widget()->accessibleName();
            return QString::fromStdString(c->AccessibleName());
        case QAccessible::Accelerator:
            return shortcut().toString(QKeySequence::NativeText);
        default:
            return QAccessibleWidget::text(Kind);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const TControl *c = control();
        if (!c)
            return s;
        const TAccessibleStates extra = c->AccessibleStates();
        s.readOnly = extra.Contains(asReadOnly);
        s.checkable = extra.Contains(asCheckable);
        s.checked = extra.Contains(asChecked);
        s.pressed = extra.Contains(asPressed);
        s.animated = extra.Contains(asAnimated);
        if (c->AccessibleRole() == arLink)
            s.linked = true;
        return s;
    }

    QList<QPair<QAccessibleInterface *, QAccessible::Relation>>
    relations(QAccessible::Relation Match) const override
    {
        auto result = QAccessibleWidget::relations(Match);
        const TControl *c = control();
        if (!c || !(Match & QAccessible::Labelled))
            return result;
        // "Labelled" from this side: the interface returned is what this
        // label labels.
        if (TWinControl *named = c->LabelledControl())
            if (named->WidgetAllocated())
                if (QAccessibleInterface *iface =
                        QAccessible::queryAccessibleInterface(named->Widget()))
                    result.append({iface, QAccessible::Labelled});
        return result;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        const TControl *c = control();
        if (c && c->AccessiblePressable() && c->Enabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &Name) override
    {
        TControl *c = control();
        if (!c || Name != pressAction() || !c->AccessiblePressable() || !c->Enabled()) {
            QAccessibleWidget::doAction(Name);
            return;
        }
        // Pressed from the event loop, as Qt's own buttons are, so that the
        // caller (an assistive technology waiting on the bus) is answered
        // before a click that opens a modal dialog.
        QPointer<QWidget> w = widget();
        QTimer::singleShot(0, w, [w] {
            if (!w)
                return;
            TControl *target = FindControl(w);
            if (!target || target->Widget() != w.data())
                return;
            try {
                target->AccessiblePress();
            } catch (const std::exception &e) {
                controls_detail::HandleException(e);
            }
        });
    }

    QStringList keyBindingsForAction(const QString &Name) const override
    {
        if (Name == pressAction()) {
            const QKeySequence key = shortcut();
            if (!key.isEmpty())
                return {key.toString(QKeySequence::NativeText)};
        }
        return QAccessibleWidget::keyBindingsForAction(Name);
    }

private:
    TControl *control() const
    {
        const QVariant v = widget()->property(controls_detail::controlProperty);
        return v.isValid() ? static_cast<TControl *>(v.value<void *>()) : nullptr;
    }

    // The accelerator of the caption ("&Press me": Alt+P).
    QKeySequence shortcut() const
    {
        const TControl *c = control();
        if (!c || c->AccessibleRole() == arEditableText)
            return {};
        return QKeySequence::mnemonic(QString::fromStdString(c->Caption()));
    }
};

QAccessibleInterface *controlAccessibleFactory(const QString &, QObject *Object)
{
    auto *surface = dynamic_cast<controls_detail::PaintSurface *>(Object);
    if (!surface || !surface->property(controls_detail::controlProperty).isValid())
        return nullptr;
    return new ControlAccessible(surface);
}

} // namespace

namespace controls_detail {

void InstallAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(controlAccessibleFactory);
        return true;
    }();
    (void)installed;
}

} // namespace controls_detail
