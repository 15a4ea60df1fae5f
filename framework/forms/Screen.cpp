#include "framework/Forms.h"
#include "framework/controls/Controls_p.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

TScreen *Screen = nullptr;

// ---------------------------------------------------------------------------
// TScreen

const TClassInfo &TScreen::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TScreen>("TScreen", &TComponent::StaticClassInfo()).Build();
    return info;
}

TScreen::TScreen(TComponent *AOwner) : TComponent(AOwner) {}

TScreen::~TScreen()
{
    SetCursor(crDefault);
}

void TScreen::SetCursor(TCursor Value)
{
    if (Value == FCursor)
        return;
    if (FCursor != crDefault)
        QGuiApplication::restoreOverrideCursor();
    if (Value != crDefault)
        QGuiApplication::setOverrideCursor(QCursor(controls_detail::CursorShape(Value)));
    FCursor = Value;
}

int TScreen::Width() const
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

int TScreen::Height() const
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}
