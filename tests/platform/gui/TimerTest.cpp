#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/TTimer.h"
#include "support/gui/GuiTest.h"

namespace {

// Runs the event loop for about ms milliseconds.
void Pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Runs the event loop until done() holds or the bound passes; the bound only guards against hangs.
template <class F>
bool PumpUntil(F done, int boundMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > boundMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct ExceptionHook {
    std::vector<std::string> messages;
    ExceptionHook() {
        Application->OnException = [this](const std::string& m) { messages.push_back(m); };
    }
    ~ExceptionHook() { Application->OnException = nullptr; }
};

}  // namespace

TEST(TimerTest, RunsOnlyWhenEnabledWithIntervalAndHandler) {
    TTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(1000, timer.Interval());
    EXPECT_FALSE(timer.Active());  // no handler yet
    int ticks = 0;
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(&timer, sender);
        ++ticks;
    });
    EXPECT_TRUE(timer.Active());
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Active());
    timer.SetInterval(10);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Active());
    Pump(60);
    EXPECT_EQ(0, ticks);
    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
}

TEST(TimerTest, EnablingAnEnabledTimerDoesNotRestartIt) {
    // Re-enabling every 40 ms a timer of 250 ms: a restart each time would never let it tick.
    TTimer timer;
    timer.SetInterval(250);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] { timer.SetEnabled(true); });
    poke.start(40);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
}

TEST(TimerTest, SwitchingOffAndOnStartsTheIntervalAfresh) {
    // The workers' steps turn their timer off and on again: that does restart it.
    TTimer timer;
    timer.SetInterval(250);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    QTimer poke;
    QObject::connect(&poke, &QTimer::timeout, [&] {
        timer.SetEnabled(false);
        timer.SetEnabled(true);
    });
    poke.start(40);
    Pump(700);
    EXPECT_EQ(0, ticks);
}

TEST(TimerTest, MissedIntervalsAreNotQueued) {
    TTimer timer;
    timer.SetInterval(20);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) {
        if (++ticks == 1) QThread::msleep(500);  // 25 intervals pass while the thread is busy
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
    Pump(60);
    EXPECT_GE(ticks, 2);
    EXPECT_LT(ticks, 12);
}

TEST(TimerTest, ATickThatRaisesIsCaughtAndTheTimerGoesOn) {
    ExceptionHook hook;
    TTimer timer;
    timer.SetInterval(10);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        throw EConvertError("'x' is not a valid integer value");
    });
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
    ASSERT_GE(hook.messages.size(), 3u);
    EXPECT_EQ("'x' is not a valid integer value", hook.messages[0]);
}

TEST(TimerTest, WithoutAHookTheErrorIsShownInABoxWithTheTitle) {
    TTimer timer;
    timer.SetInterval(10);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        timer.SetEnabled(false);
        throw std::runtime_error("disk full");
    });
    ModalAnswerer answer(ModalAnswerer::Press("OK"));
    EXPECT_TRUE(PumpUntil([&] { return answer.Done() && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(1, ticks);
    EXPECT_EQ("Velmora Agent", answer.First().caption);
    EXPECT_EQ("disk full.", answer.First().text);
}

TEST(TimerTest, TicksFireWhileAModalFormIsOpen) {
    TForm form;
    TTimer timer;
    timer.SetInterval(10);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) {
        if (++ticks == 5) form.SetModalResult(mrOk);
    });
    EXPECT_EQ(mrOk, form.ShowModal());
    EXPECT_EQ(5, ticks);
}

TEST(TimerTest, ATickIsNotEnteredAgainWhileItsHandlerWaits) {
    TTimer other;
    other.SetInterval(10);
    int otherTicks = 0;
    other.SetOnTimer([&](TObject*) { ++otherTicks; });

    TTimer timer;
    timer.SetInterval(10);
    int entered = 0, depth = 0, maxDepth = 0;
    timer.SetOnTimer([&](TObject*) {
        ++entered;
        maxDepth = std::max(maxDepth, ++depth);
        if (entered == 1) {
            const int before = otherTicks;
            Pump(200);  // as a modal box inside the tick would
            EXPECT_GT(otherTicks, before);
        }
        --depth;
    });
    EXPECT_TRUE(PumpUntil([&] { return entered >= 3; }));
    EXPECT_EQ(1, maxDepth);
}

TEST(TimerTest, AHandlerMayFreeItsOwnTimer) {
    auto* timer = new TTimer();
    timer->SetInterval(10);
    bool freed = false;
    timer->SetOnTimer([&](TObject* sender) {
        delete static_cast<TTimer*>(sender);
        freed = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return freed; }));
    Pump(30);
}
