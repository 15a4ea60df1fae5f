#pragma once

// Helpers shared by the standard controls' sources. Private to the framework.

#include "framework/StdCtrls.h"
#include "framework/controls/Controls_p.h"

#include <QPalette>
#include <QString>
#include <QWidget>
#include <exception>

namespace stdctrls_detail {

// Runs a Qt signal's work for a control that is still alive, showing what it
// throws instead of letting it into Qt's event loop.
template <class F> void guarded(TControl *Control, F &&Work)
{
    if (Control->ComponentState().Contains(csDestroying))
        return;
    try {
        Work();
    } catch (const std::exception &e) {
        controls_detail::HandleException(e);
    }
}

inline QString qs(const String &s)
{
    return QString::fromStdString(s);
}

inline void setBaseColor(QWidget *w, TColor color, TColor fallback)
{
    QPalette pal = w->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        pal.setColor(group, QPalette::Base, ColorToQColor(color, fallback));
    w->setPalette(pal);
}

} // namespace stdctrls_detail
