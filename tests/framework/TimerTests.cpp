#include "framework/Error.h"
#include "framework/Timer.h"
#include "support/FrameworkFixture.h"

#include <windows.h>

namespace {

class TimerTest : public FrameworkTest {
protected:
    // Runs the application's loop for `ms` milliseconds.
    void Pump(DWORD ms) {
        const ULONGLONG end = GetTickCount64() + ms;
        while (GetTickCount64() < end) {
            app->ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
};

TEST_F(TimerTest, TicksComeThroughTheLoopOnlyWhileEnabledAndStopWithTheTimer) {
    auto* ticking = new TTimer(app.get());
    auto* off = new TTimer(app.get());
    auto* freed = new TTimer(app.get());
    int ticks = 0, offTicks = 0, freedTicks = 0;
    ticking->SetInterval(20);
    ticking->OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, ticking);
        ++ticks;
    };
    off->SetInterval(20);
    off->SetEnabled(false);
    off->OnTimer = [&](TObject*) { ++offTicks; };
    freed->SetInterval(10);
    freed->OnTimer = [&](TObject*) {
        ++freedTicks;
        TComponent::Free(freed); // a handler may end its own timer
    };

    Pump(400);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(offTicks, 0);
    EXPECT_EQ(freedTicks, 1);

    // Stopped with a tick due: none arrives afterwards, and starting again ticks again.
    ticking->SetEnabled(false);
    Sleep(60);
    const int stoppedAt = ticks;
    Pump(150);
    EXPECT_EQ(ticks, stoppedAt);
    off->SetEnabled(true);
    Pump(200);
    EXPECT_GE(offTicks, 1);

    // Destroyed with a tick due: the other timers keep going, the dead one stays silent.
    ticking->SetEnabled(true);
    Sleep(60);
    TComponent::Free(ticking);
    const int before = offTicks;
    Pump(200);
    EXPECT_EQ(ticks, stoppedAt);
    EXPECT_GT(offTicks, before);
}

TEST_F(TimerTest, AnIntervalOfZeroStopsTheTicksAndAFailingHandlerIsReported) {
    auto* timer = new TTimer(app.get());
    int ticks = 0;
    timer->SetInterval(15);
    timer->OnTimer = [&](TObject*) {
        ++ticks;
        throw TError(L"tick failed");
    };
    Pump(200);
    ASSERT_GE(ticks, 1);
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.front(), L"tick failed");
    timer->SetInterval(0);
    EXPECT_TRUE(timer->Enabled());
    const int stoppedAt = ticks;
    Pump(100);
    EXPECT_EQ(ticks, stoppedAt);
}

} // namespace
