#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A label that takes the left-button press for itself, as a link does.
class TSwallowingLabel : public TLabel
{
public:
    using TLabel::TLabel;
    int presses = 0;
    std::vector<unsigned> unhandled;

    void Dispatch(TMessage &Message) override
    {
        if (Message.Msg == WM_LBUTTONDOWN)
            ++presses;
        else
            TLabel::Dispatch(Message);
    }
    void DefaultHandler(TMessage &Message) override
    {
        unhandled.push_back(Message.Msg);
        TLabel::DefaultHandler(Message);
    }
};

struct Events
{
    int clicks = 0;
    int downs = 0;
    int ups = 0;
    TMouseButton lastButton = mbMiddle;
    int x = -1;
    int y = -1;

    void wire(TControl &c)
    {
        c.SetOnClick(TNotifyEvent([this](TObject *) { ++clicks; }));
        c.SetOnMouseDown(TMouseEvent([this](TObject *, TMouseButton b, TShiftState, int X, int Y) {
            ++downs;
            lastButton = b;
            x = X;
            y = Y;
        }));
        c.SetOnMouseUp(
            TMouseEvent([this](TObject *, TMouseButton, TShiftState, int, int) { ++ups; }));
    }
};

struct Window
{
    TApplication application;
    TForm *form = new TForm(&application);
    Window()
    {
        form->SetBounds(0, 0, 200, 100);
        form->Show();
    }
};

} // namespace

TEST(MessageDispatch, MousePressAndReleaseFireTheEventsAndAClick)
{
    Window w;
    auto *label = new TLabel(w.form);
    label->SetParent(w.form);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 80, 20);
    Events events;
    events.wire(*label);

    QTest::mouseClick(label->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
    EXPECT_EQ(events.downs, 1);
    EXPECT_EQ(events.ups, 1);
    EXPECT_EQ(events.clicks, 1);
    EXPECT_EQ(events.lastButton, mbLeft);
    EXPECT_EQ(events.x, 5);
    EXPECT_EQ(events.y, 7);

    // A right click is no click.
    QTest::mouseClick(label->Widget(), Qt::RightButton, {}, QPoint(5, 7));
    EXPECT_EQ(events.downs, 2);
    EXPECT_EQ(events.lastButton, mbRight);
    EXPECT_EQ(events.clicks, 1);

    // Released outside the control: no click.
    QTest::mousePress(label->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
    QTest::mouseRelease(label->Widget(), Qt::LeftButton, {}, QPoint(150, 7));
    EXPECT_EQ(events.clicks, 1);
    EXPECT_EQ(events.ups, 3);
}

TEST(MessageDispatch, ADoubleClickClicksOnceInTheFrameworksOrder)
{
    Window w;
    auto *label = new TLabel(w.form);
    label->SetParent(w.form);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 80, 20);
    std::vector<std::string> order;
    label->SetOnClick(TNotifyEvent([&](TObject *) { order.push_back("click"); }));
    label->SetOnDblClick(TNotifyEvent([&](TObject *) { order.push_back("double"); }));
    label->SetOnMouseDown(TMouseEvent([&](TObject *, TMouseButton, TShiftState shift, int, int) {
        order.push_back(shift.Contains(ssDouble) ? "down(double)" : "down");
    }));
    label->SetOnMouseUp(TMouseEvent(
        [&](TObject *, TMouseButton, TShiftState, int, int) { order.push_back("up"); }));

    // Through the window, as the desktop delivers it.
    QTest::mouseDClick(w.form->Widget()->windowHandle(), Qt::LeftButton, {}, QPoint(15, 17));
    EXPECT_EQ(order,
              (std::vector<std::string>{"down", "click", "up", "double", "down(double)", "up"}));
}

TEST(MessageDispatch, AClassThatSwallowsThePressGetsNoMouseDownAndNoClick)
{
    Window w;
    auto *label = new TSwallowingLabel(w.form);
    label->SetParent(w.form);
    label->SetCaption("link");
    Events events;
    events.wire(*label);

    QTest::mouseClick(label->Widget(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(label->presses, 1);
    EXPECT_EQ(events.downs, 0);
    EXPECT_EQ(events.clicks, 0);
    EXPECT_EQ(events.ups, 1) << "the release takes the inherited path";

    // Each press is handled again.
    label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(1, 1));
    EXPECT_EQ(label->presses, 2);
}

TEST(MessageDispatch, MessagesNoClassHandlesReachDefaultHandler)
{
    TSwallowingLabel label(nullptr);
    label.Perform(WM_USER + 7, 1, 2);
    label.Perform(CM_SYSCOLORCHANGE);
    ASSERT_GE(label.unhandled.size(), 2u);
    EXPECT_EQ(label.unhandled[0], WM_USER + 7);
    EXPECT_EQ(label.unhandled[1], CM_SYSCOLORCHANGE);
    // Property changes send their notifications through the same road.
    label.unhandled.clear();
    label.SetCaption("changed");
    EXPECT_NE(std::find(label.unhandled.begin(), label.unhandled.end(), CM_TEXTCHANGED),
              label.unhandled.end());
}

TEST(MessageDispatch, TypedKeysPassThroughKeyPress)
{
    Window w;
    auto *edit = new TEdit(w.form);
    edit->SetParent(w.form);
    // Digits are swallowed, lower-case letters become capitals.
    edit->SetOnKeyPress(TKeyPressEvent([](TObject *, char &key) {
        if (key >= '0' && key <= '9')
            key = 0;
        else if (key >= 'a' && key <= 'z')
            key = static_cast<char>(key - 'a' + 'A');
    }));
    int changes = 0;
    edit->SetOnChange(TNotifyEvent([&](TObject *) { ++changes; }));
    QTest::keyClicks(edit->Widget(), "a1b2");
    EXPECT_EQ(edit->Text(), "AB");
    EXPECT_EQ(changes, 2);

    // Non-ASCII text is typed as it comes.
    QKeyEvent accented(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
    QCoreApplication::sendEvent(edit->Widget(), &accented);
    EXPECT_EQ(edit->Text(), "AB\xC3\xA9");

    // A swallowed key-down stops the key altogether.
    edit->SetOnKeyDown(TKeyEvent([](TObject *, std::uint16_t &key, TShiftState) {
        if (key == VK_BACK)
            key = 0;
    }));
    QTest::keyClick(edit->Widget(), Qt::Key_Backspace);
    EXPECT_EQ(edit->Text(), "AB\xC3\xA9");
}

TEST(MessageDispatch, ProgramTextChangesFireOnChange)
{
    TEdit edit(nullptr);
    int changes = 0;
    edit.SetOnChange(TNotifyEvent([&](TObject *) { ++changes; }));
    edit.Widget();
    edit.SetText("3.5");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(qobject_cast<QLineEdit *>(edit.Widget())->text(), QStringLiteral("3.5"));
    edit.SetText("3.5");
    EXPECT_EQ(changes, 1) << "the same text is no change";
}

TEST(MessageDispatch, AnExceptionInAHandlerGoesToTheApplication)
{
    Window w;
    auto *button = new TButton(w.form);
    button->SetParent(w.form);
    button->SetOnClick(TNotifyEvent([](TObject *) { throw Exception("handler failed"); }));
    String seen;
    w.application.OnException = TEvent<TObject *, const std::exception &>(
        [&](TObject *, const std::exception &e) { seen = e.what(); });
    QTest::mouseClick(button->Widget(), Qt::LeftButton);
    EXPECT_EQ(seen, "handler failed");

    // Without a handler it is shown, which offscreen only prints it.
    w.application.OnException = nullptr;
    QTest::mouseClick(button->Widget(), Qt::LeftButton);
    EXPECT_EQ(w.application.ShownExceptionCount(), 1);
}

TEST(MessageDispatch, MouseEnterAndLeaveAreNotified)
{
    class TWatcher : public TLabel
    {
    public:
        using TLabel::TLabel;
        int enters = 0, leaves = 0;
        void Dispatch(TMessage &Message) override
        {
            if (Message.Msg == CM_MOUSEENTER)
                ++enters;
            else if (Message.Msg == CM_MOUSELEAVE)
                ++leaves;
            TLabel::Dispatch(Message);
        }
    };
    Window w;
    auto *label = new TWatcher(w.form);
    label->SetParent(w.form);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(label->Widget(), &enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(label->Widget(), &leave);
    EXPECT_EQ(label->enters, 1);
    EXPECT_EQ(label->leaves, 1);
}

TEST(MessageDispatch, ControlsAreFoundFromTheirWidgetsAndHearOfColourChanges)
{
    Window w;
    auto *edit = new TEdit(w.form);
    edit->SetParent(w.form);
    EXPECT_EQ(FindControl(edit->Widget()), edit);
    EXPECT_EQ(FindControl(w.form->Widget()), w.form);
    EXPECT_EQ(FindControl(nullptr), nullptr);

    auto *label = new TSwallowingLabel(w.form);
    label->SetParent(w.form);
    label->Widget();
    label->unhandled.clear();
    const QPalette saved = QApplication::palette();
    QPalette changed = saved;
    changed.setColor(QPalette::Button, QColor(1, 2, 3));
    QApplication::setPalette(changed);
    QApplication::setPalette(saved);
    EXPECT_NE(std::find(label->unhandled.begin(), label->unhandled.end(), CM_SYSCOLORCHANGE),
              label->unhandled.end());
}

TEST(MessageDispatch, APressGoesToTheControlUnderThePointerOnly)
{
    Window w;
    auto *label = new TLabel(w.form);
    label->SetParent(w.form);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 80, 20);
    Events onLabel, onForm;
    onLabel.wire(*label);
    onForm.wire(*w.form);
    QTest::mousePress(label->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
    // While the button is down the control holds the mouse.
    EXPECT_EQ(GetCaptureControl(), label);
    EXPECT_NE(GetCapture(), 0u);
    QTest::mouseRelease(label->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_EQ(onLabel.downs, 1);
    EXPECT_EQ(onForm.downs, 0);
    EXPECT_EQ(onForm.clicks, 0);

    // A disabled control gets no mouse input at all.
    label->SetEnabled(false);
    QTest::mouseClick(label->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
    EXPECT_EQ(onLabel.downs, 1);
    EXPECT_EQ(onLabel.clicks, 1);
}

TEST(MessageDispatch, AltAndALetterIsOfferedToEachControlOnceUntilOneTakesIt)
{
    // Takes the accelerator of its caption by answering non-zero.
    class TTaker : public TLabel
    {
    public:
        using TLabel::TLabel;
        int offers = 0;
        void Dispatch(TMessage &Message) override
        {
            if (Message.Msg == CM_DIALOGCHAR) {
                ++offers;
                if (IsAccel(static_cast<unsigned>(Message.WParam), Caption()))
                    Message.Result = 1;
                return;
            }
            TLabel::Dispatch(Message);
        }
    };
    Window w;
    auto *edit = new TEdit(w.form);
    edit->SetParent(w.form);
    auto *first = new TTaker(w.form), *second = new TTaker(w.form);
    for (TTaker *t : {first, second})
        t->SetParent(w.form);
    first->SetCaption("&Yes");
    second->SetCaption("&No");
    edit->SetFocus();
    QTest::keyClick(edit->Widget(), Qt::Key_Y, Qt::AltModifier);
    EXPECT_EQ(first->offers, 1);
    EXPECT_EQ(second->offers, 0); // taken before it came to its turn
    QTest::keyClick(edit->Widget(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(first->offers, 2);
    EXPECT_EQ(second->offers, 1);
    // Without Alt a letter is typed, not offered.
    QTest::keyClick(edit->Widget(), Qt::Key_N);
    EXPECT_EQ(second->offers, 1);
    EXPECT_EQ(edit->Text(), "n");
}
