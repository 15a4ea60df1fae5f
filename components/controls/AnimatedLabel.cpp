#include "components/controls/AnimatedLabel.h"

#include "framework/TypInfo.h"
#include "platform/syscolors/SysColors.h"

const TEnumInfo AnimationTypeInfo{"TAnimationType", {"atNone", "atFlash", "atFly", "atFade"}};

const TClassInfo &TAnimatedLabel::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TAnimatedLabel>("TAnimatedLabel", &TCustomLabel::StaticClassInfo())
            .Component()
            .Enumeration("AnimationType", &TAnimatedLabel::AnimationType,
                         &TAnimatedLabel::SetAnimationType, AnimationTypeInfo, atNone)
            .Integer("Interval", &TAnimatedLabel::GetInterval, &TAnimatedLabel::SetInterval, 100)
            .Build();
    return info;
}

TAnimatedLabel::TAnimatedLabel(TComponent *AOwner) : TCustomLabel(AOwner)
{
    FTimer = new TTimer(this);
    FTimer->SetTag(0);
    FTimer->SetOnTimer(TNotifyEvent(this, &TAnimatedLabel::OnTimer));
    FTimer->SetEnabled(true);
    SetInterval(100);
}

TAnimatedLabel::~TAnimatedLabel()
{
    // No tick may reach a label that is half gone.
    delete FTimer;
}

int TAnimatedLabel::GetInterval() const
{
    return FTimer->Interval();
}

void TAnimatedLabel::SetInterval(int Value)
{
    FTimer->SetInterval(Value);
}

TAccessibleStates TAnimatedLabel::AccessibleStates() const
{
    TAccessibleStates states = TCustomLabel::AccessibleStates();
    if (FAnimationType != atNone && GetInterval() > 0)
        states.Include(asAnimated);
    return states;
}

std::int32_t TAnimatedLabel::Ticks() const
{
    return FTimer->Tag();
}

void TAnimatedLabel::GetChildren(const std::function<void(TComponent *)> &Proc,
                                 TComponent *Root) const
{
    TCustomLabel::GetChildren(
        [&](TComponent *Child) {
            if (Child != FTimer)
                Proc(Child);
        },
        Root);
}

std::uint32_t TAnimatedLabel::tickCount() const
{
    return static_cast<std::uint32_t>(FTimer->Tag());
}

void TAnimatedLabel::OnTimer(TObject *)
{
    Invalidate();
    // Counted unsigned: past the largest count the counter wraps to 0, and
    // the signed value kept in Tag simply goes on from its bit pattern.
    FTimer->SetTag(static_cast<std::int32_t>(tickCount() + 1u));
}

void TAnimatedLabel::fillBackground()
{
    TCanvas *canvas = Canvas();
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(ClientRect());
}

void TAnimatedLabel::Paint()
{
    const std::uint32_t ticks = tickCount();
    switch (FAnimationType) {
    case atFlash:
        if ((ticks / 10) % 2 == 0)
            fillBackground();
        else
            TCustomLabel::Paint();
        break;
    case atFly:
        paintFly(ticks);
        break;
    case atFade:
        paintFade(ticks);
        break;
    default:
        TCustomLabel::Paint();
        break;
    }
}

void TAnimatedLabel::paintFly(std::uint32_t Ticks)
{
    // A label without width has no place to fly through.
    const int w = Width();
    if (w <= 0)
        return;
    fillBackground();
    const auto step = static_cast<std::int64_t>(Ticks % static_cast<std::uint32_t>(w));
    Canvas()->TextOut(static_cast<int>(w - 2 * step), 0, Caption());
}

void TAnimatedLabel::paintFade(std::uint32_t Ticks)
{
    const int step = static_cast<int>(Ticks % 10);
    const bool fadingOut = (Ticks / 10) % 2 == 1;
    // Channels as stored: a system colour of the font is not resolved, while
    // the background is always the system colour its low byte names.
    const auto font = static_cast<std::uint32_t>(Font()->Color());
    const auto color = static_cast<std::uint32_t>(Color());
    const std::uint32_t background = color == 0 ? 0 : GetSysColor(static_cast<int>(color & 0xFF));
    const std::uint32_t from = fadingOut ? font : background;
    const std::uint32_t to = fadingOut ? background : font;
    std::uint32_t faded = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int start = static_cast<int>((from >> shift) & 0xFF);
        const int end = static_cast<int>((to >> shift) & 0xFF);
        const int value = start + ((end - start) * step) / 9;
        faded |= (static_cast<std::uint32_t>(value) & 0xFF) << shift;
    }
    TCanvas *canvas = Canvas();
    canvas->Font()->SetColor(static_cast<TColor>(faded));
    canvas->Brush()->SetColor(clBtnFace);
    canvas->TextOut(0, 0, Caption());
}

void AnimatedLabel::Register()
{
    RegisterComponents("Marrow 2", {&TAnimatedLabel::StaticClassInfo()});
}
