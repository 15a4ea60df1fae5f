#pragma once

// The Qt side of the controls, shared by the framework's own modules: the
// object that turns a widget's Qt events into messages, and the widget that
// shows what a self-painting control draws.

#include "framework/Controls.h"

#include <QImage>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace controls_detail {

// Where an exception that escapes a message handler or an event goes (the
// application object shows it); without one it is printed to stderr.
void SetExceptionHandler(std::function<void(const std::exception &)> Handler);
void HandleException(const std::exception &E);

// The widget property that names the control a widget belongs to.
inline constexpr const char *controlProperty = "tumblersetControl";

Qt::CursorShape CursorShape(TCursor Cursor);
QString ToolTipText(const String &Hint);
unsigned QtKeyToVirtualKey(int Key);
// The key sequence Qt shows and answers for a shortcut; empty for none or for
// a key Qt has no name for.
QKeySequence ShortCutToKeySequence(TShortCut ShortCut);
TShiftState CurrentShiftState();
// Records the widget a press began on (null when the press ends).
void SetPressCapture(QWidget *Widget);
// Lets Qt's accessibility framework ask self-painting controls about
// themselves (Accessibility.cpp). Idempotent.
void InstallAccessibility();

// Owned by its control; watches the control's widget (and further widgets
// such as a viewport) and sends their events through the control's Dispatch.
class MessageBridge : public QObject
{
public:
    explicit MessageBridge(TControl *Control);
    ~MessageBridge() override;

    TControl *Control() const { return FControl; }
    QWidget *Widget() const { return FWidget.data(); }
    void SetWidget(QWidget *Widget);
    void Watch(QWidget *Target);
    // The widget's device pixel ratio when Qt last asked it to paint (1
    // before): asking the widget costs more than a paint of a small control.
    qreal DeviceRatio() const { return FDeviceRatio; }
    void SetDeviceRatio(qreal Value) { FDeviceRatio = Value; }
    // The cursor the widget chose for itself when it was made, if any.
    std::optional<Qt::CursorShape> NaturalCursor() const { return FNaturalCursor; }
    // Stops routing events: the control is going.
    void Detach();

    // Dispatches a message made from a Qt event; true when it reached
    // DefaultHandler (Qt should then handle the event as usual).
    bool Deliver(TMessage &Message);
    // Runs code on behalf of the control, showing what it throws.
    void Guard(const std::function<void()> &Code);
    void MarkDefault(const TMessage &Message)
    {
        if (&Message == FCurrent)
            FReachedDefault = true;
    }

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    bool mouseEvent(QWidget *Source, QEvent *Event);
    bool keyEvent(QObject *Watched, QEvent *Event);
    bool alive() const;

    TControl *FControl;
    QPointer<QWidget> FWidget;
    TMessage *FCurrent = nullptr;
    bool FReachedDefault = false;
    bool FResending = false;
    std::optional<Qt::CursorShape> FNaturalCursor;
    qreal FDeviceRatio = 1.0;
};

// What a self-painting control paints into: an image of the control's size
// in the device pixels of its screen (the canvas draws in logical
// coordinates, so text and lines are as sharp as the screen allows) and the
// canvas that draws on it. TGraphicControl and TCustomControl each
// own one; the control's widget (PaintSurface) shows the image.
class PaintBuffer
{
public:
    PaintBuffer();
    ~PaintBuffer();
    PaintBuffer(const PaintBuffer &) = delete;
    PaintBuffer &operator=(const PaintBuffer &) = delete;

    TCanvas *Canvas() const { return FCanvas.get(); }
    // The image last painted; null before the first paint.
    const QImage *Image() const { return FImage.get(); }
    // Points Canvas at an image of Width by Height logical pixels at Ratio
    // device pixels each, filled with Fill, and runs Draw. The canvas's
    // painter stays open for the next paint of the same image (ended if Draw
    // throws, or when the image is replaced).
    void Paint(int Width, int Height, qreal Ratio, const QColor &Fill,
               const std::function<void()> &Draw);

private:
    std::unique_ptr<QImage> FImage;
    std::unique_ptr<TCanvas> FCanvas;
};

// The widget of self-painting controls: paints the image the control drew
// for WM_PAINT.
class PaintSurface : public QWidget
{
public:
    explicit PaintSurface(TControl *Control) : FControl(Control) {}
    void Detach() { FControl = nullptr; }

protected:
    void paintEvent(QPaintEvent *Event) override;
    // Moved to a screen of another density: paints again for it.
    bool event(QEvent *Event) override;
    // The control has had its mouse message: the press does not go on to the
    // parent's window too, as Qt lets an ignored event do.
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    // A graphic control that takes the keyboard (a link) is pressed by Space
    // or Enter, and shows where the keyboard is.
    void keyPressEvent(QKeyEvent *Event) override;
    void focusInEvent(QFocusEvent *Event) override;
    void focusOutEvent(QFocusEvent *Event) override;

private:
    TControl *FControl;
};

} // namespace controls_detail
