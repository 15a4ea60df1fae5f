#pragma once

// Further controls: the image, and the timer.

#include "framework/Controls.h"

#include <memory>

class QTimer;

// Shows a picture, painted through the canvas.
class TImage : public TGraphicControl
{
    TUMBLER_CLASS
public:
    explicit TImage(TComponent *AOwner);
    ~TImage() override;
    TAccessibleRole AccessibleRole() const override { return arGraphic; }

    // The picture shown (owned); form descriptions store it as Picture.Data.
    TPicture *Picture() const { return FPicture.get(); }
    // Size follows the picture. Defaults to false.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Centre the picture in the control. Defaults to false.
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    // Scale the picture to the control. Defaults to false.
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    // When stretching, keep the picture's proportions. Defaults to false.
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value);
    // Let the bitmap's transparent colour show the parent. Defaults to false.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);

    // Where the picture is drawn in the client area.
    TRect DestRect() const;

protected:
    void Paint() override;
    void AdjustSize() override;

private:
    void pictureChanged(TObject *Sender);
    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FCenter = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FTransparent = false;
};

// Fires OnTimer every Interval milliseconds while it is enabled, has an
// interval and has an OnTimer to fire. Its ticks come through the event loop
// as every other message does, on the thread that runs the loop; a tick that
// is due while an earlier one is still being handled is dropped, not queued.
// What OnTimer raises goes to the application object, as a handler's would.
class TTimer : public TComponent
{
    TUMBLER_CLASS
public:
    explicit TTimer(TComponent *AOwner);
    ~TTimer() override;

    // Whether it ticks. Defaults to true.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Milliseconds between ticks; 0 does not tick, and a negative value is
    // taken as 0. Setting it starts the wait for the next tick anew. Defaults
    // to 1000.
    int Interval() const { return FInterval; }
    void SetInterval(int Value);
    TNotifyEvent OnTimer() const { return FOnTimer; }
    void SetOnTimer(const TNotifyEvent &Value);
    // A number free for the program's own use; the timer never reads it.
    // Defaults to 0.
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }

    // Whether ticks are coming (enabled, an interval, an OnTimer, and an
    // event loop to bring them).
    bool Active() const;

protected:
    // Runs OnTimer; called for each tick.
    virtual void Timer();

private:
    void updateTimer();
    // Shared with the tick in progress, which outlives a timer its own
    // OnTimer frees.
    struct TickState
    {
        bool Ticking = false;
        bool Freed = false;
    };
    std::shared_ptr<TickState> FTick = std::make_shared<TickState>();
    std::unique_ptr<QTimer> FTimer;
    bool FEnabled = true;
    int FInterval = 1000;
    int FTag = 0;
    TNotifyEvent FOnTimer;
};
