#include "framework/ExtCtrls.h"
#include "framework/controls/Controls_p.h"

#include <QCoreApplication>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>

// ---------------------------------------------------------------------------
// TTimer

const TClassInfo &TTimer::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TTimer>("TTimer", &TComponent::StaticClassInfo())
            .Component()
            .Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true)
            .Integer("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000)
            .Integer("Tag", &TTimer::Tag, &TTimer::SetTag, 0)
            .Event("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer)
            .Build();
    return info;
}

TTimer::TTimer(TComponent *AOwner) : TComponent(AOwner), FTimer(std::make_unique<QTimer>())
{
    QObject::connect(FTimer.get(), &QTimer::timeout, FTimer.get(), [this] {
        const std::shared_ptr<TickState> tick = FTick;
        if (tick->Freed || ComponentState().Contains(csDestroying))
            return;
        const QScopedValueRollback<bool> ticking(tick->Ticking, true);
        try {
            Timer();
        } catch (const std::exception &e) {
            controls_detail::HandleException(e);
        }
    });
}

TTimer::~TTimer()
{
    FTimer->stop();
    if (FTick->Ticking) {
        // Freed by its own OnTimer: the QTimer is still delivering the tick,
        // so it goes once the tick is over.
        FTick->Freed = true;
        QObject::disconnect(FTimer.get(), nullptr, nullptr, nullptr);
        FTimer.release()->deleteLater();
    }
}

void TTimer::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    FEnabled = Value;
    updateTimer();
}

void TTimer::SetInterval(int Value)
{
    Value = std::max(0, Value);
    if (FInterval == Value)
        return;
    FInterval = Value;
    updateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent &Value)
{
    FOnTimer = Value;
    updateTimer();
}

bool TTimer::Active() const
{
    return FTimer->isActive();
}

void TTimer::Timer()
{
    if (FOnTimer)
        FOnTimer(this);
}

void TTimer::updateTimer()
{
    FTimer->stop();
    // Without an application there is no event loop to bring the ticks.
    if (FEnabled && FInterval > 0 && FOnTimer && QCoreApplication::instance())
        FTimer->start(FInterval);
}
