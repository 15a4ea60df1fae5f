#pragma once

// A label that animates its caption on a timer of its own: it blinks it
// (atFlash), scrolls it from right to left through its width (atFly) or fades
// it in and out against its background (atFade).
//
// Every tick adds one to a tick counter and invalidates the label, whatever
// the animation; painting draws the picture of the counter at that moment.
// The counter starts at 0, is never reset (changing AnimationType or Interval
// keeps it) and runs on through its 32-bit maximum: the animation continues.

#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

#include <cstdint>

enum TAnimationType : std::uint8_t
{
    atNone,
    atFlash,
    atFly,
    atFade
};
extern const TEnumInfo AnimationTypeInfo;

class TAnimatedLabel : public TCustomLabel
{
    TUMBLER_CLASS
public:
    explicit TAnimatedLabel(TComponent *AOwner);
    ~TAnimatedLabel() override;

    // Which animation Paint draws. Setting it paints nothing at once: the next
    // tick does. Defaults to atNone.
    TAnimationType AnimationType() const { return FAnimationType; }
    void SetAnimationType(TAnimationType Value) { FAnimationType = Value; }
    // Milliseconds between ticks; 0 stops them (the label keeps the picture of
    // the current tick). Defaults to 100.
    int GetInterval() const;
    void SetInterval(int Value);

    // One tick: invalidates the label, then counts the tick.
    void OnTimer(TObject *Sender);
    // The ticks counted so far (kept in the timer's Tag).
    std::int32_t Ticks() const;

    // Animated while it has an animation and its ticks run.
    TAccessibleStates AccessibleStates() const override;

    // The timer is the label's own part, never written with it.
    void GetChildren(const std::function<void(TComponent *)> &Proc,
                     TComponent *Root) const override;

protected:
    //   atNone   the label's own painting;
    //   atFlash  ten ticks nothing but a clBtnFace fill, ten the label's own
    //            painting, starting with the fill;
    //   atFly    a clBtnFace fill, the caption at x = Width - 2 * (ticks mod
    //            Width), y = 0;
    //   atFade   the caption at (0, 0), its colour stepping in ten ticks from
    //            the background (the system colour named by the low byte of
    //            Color, black for Color 0) to the font colour, then ten back.
    // Fly and fade draw the caption literally (an '&' is an '&'), on clBtnFace,
    // with the canvas's current font.
    void Paint() override;

private:
    // The tick counter read as the unsigned count it is, so that it runs on
    // past the 32-bit signed maximum instead of turning negative.
    std::uint32_t tickCount() const;
    void paintFly(std::uint32_t Ticks);
    void paintFade(std::uint32_t Ticks);
    void fillBackground();

    TTimer *FTimer = nullptr; // owned by this label as a component
    TAnimationType FAnimationType = atNone;
};

namespace AnimatedLabel {
// Puts TAnimatedLabel on the component palette page "Marrow 2"; nothing else.
void Register();
} // namespace AnimatedLabel
