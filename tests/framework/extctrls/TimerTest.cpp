#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Streaming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

class Timers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Application)
            application = std::make_unique<TApplication>();
    }
    std::unique_ptr<TApplication> application;
};

} // namespace

TEST_F(Timers, TicksComeThroughTheEventLoop)
{
    TTimer timer(nullptr);
    int ticks = 0;
    TObject *sender = nullptr;
    timer.SetInterval(1);
    timer.SetOnTimer([&](TObject *s) {
        ++ticks;
        sender = s;
    });
    EXPECT_TRUE(timer.Active());
    EXPECT_EQ(ticks, 0) << "no tick outside the event loop";
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
    EXPECT_EQ(sender, &timer);

    timer.SetEnabled(false);
    const int stopped = ticks;
    QTest::qWait(20);
    EXPECT_EQ(ticks, stopped);
}

TEST_F(Timers, AnIntervalOfZeroOrNoHandlerDoesNotTick)
{
    TTimer timer(nullptr);
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(timer.Active()) << "nothing to fire";
    int ticks = 0;
    timer.SetOnTimer([&](TObject *) { ++ticks; });
    EXPECT_TRUE(timer.Active());
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Active());
    timer.SetInterval(-5);
    EXPECT_EQ(timer.Interval(), 0);
    QTest::qWait(20);
    EXPECT_EQ(ticks, 0);
}

TEST_F(Timers, WhatATickRaisesIsShownAndTheTimerGoesOn)
{
    std::vector<String> shown;
    Application->OnException = [&](TObject *, const std::exception &e) {
        shown.push_back(e.what());
    };
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(1);
    timer.SetOnTimer([&](TObject *) {
        ++ticks;
        throw Exception("tick failed");
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 5000));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0], "tick failed");
    Application->OnException = nullptr;
}

TEST_F(Timers, ATimerFreedByItsOwnTickGoesQuietly)
{
    auto *owner = new TComponent(nullptr);
    auto *timer = new TTimer(owner);
    int ticks = 0;
    timer->SetInterval(1);
    timer->SetOnTimer([&](TObject *) {
        ++ticks;
        delete owner; // frees the timer in the middle of its tick
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 1; }, 5000));
    QTest::qWait(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ticks, 1);
}

TEST_F(Timers, FormDescriptionsSetTheTimer)
{
    RegisterFrameworkClasses();
    TComponent root(nullptr);
    ReadComponentFromText(root,
                          "object Root: TComponent\n"
                          "  object Timer1: TTimer\n"
                          "    Enabled = False\n"
                          "    Interval = 250\n"
                          "    Tag = 7\n"
                          "  end\n"
                          "end\n",
                          "timer.dfm");
    auto *timer = dynamic_cast<TTimer *>(root.FindComponent("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 250);
    EXPECT_EQ(timer->Tag(), 7);
}
