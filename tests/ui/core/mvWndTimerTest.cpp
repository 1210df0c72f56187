#include "ui/core/mvWndTimer.h"

#include "ProbeWnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Pumps the thread's messages for about `ms` milliseconds and counts the
// WM_TIMER messages of the window with the id.
int TimerTicks(HWND hwnd, UINT_PTR id, DWORD ms) {
    int ticks = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == hwnd && msg.wParam == id)
                ++ticks;
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    return ticks;
}

} // namespace

TEST(mvWndTimer, IdsAreUniquePerWindowAndFreedIdsAreTakenAgain) {
    ProbeWnd wnd, second;
    ASSERT_TRUE(CreateTopLevel(wnd));
    ASSERT_TRUE(CreateTopLevel(second));
    mvWndTimer a(wnd.Handle()), b(wnd.Handle()), c(wnd.Handle()), elsewhere(second.Handle());
    mvWndTimer unbound;
    EXPECT_FALSE(unbound.Start(10));
    EXPECT_FALSE(unbound.Stop());

    ASSERT_TRUE(a.Start(1000));
    ASSERT_TRUE(b.Start(1000));
    ASSERT_TRUE(elsewhere.Start(1000));
    EXPECT_EQ(a.Id(), 1314u);
    EXPECT_EQ(b.Id(), 1315u);
    EXPECT_EQ(elsewhere.Id(), 1314u) << "ids are counted per window";
    EXPECT_TRUE(a.Stop());
    EXPECT_EQ(a.Window(), nullptr);
    EXPECT_FALSE(a.Stop());
    ASSERT_TRUE(c.Start(1000));
    EXPECT_EQ(c.Id(), 1314u);

    // A restart keeps the id and takes the new interval.
    ASSERT_TRUE(b.Start(10));
    EXPECT_EQ(b.Id(), 1315u);
    EXPECT_GT(TimerTicks(wnd.Handle(), 1315, 200), 1);
}

TEST(mvWndTimer, AWindowHasRoomForExactlyTheIdRange) {
    ProbeWnd wnd;
    ASSERT_TRUE(CreateTopLevel(wnd));
    std::vector<std::unique_ptr<mvWndTimer>> timers;
    const size_t range = mvWndTimer::kLastId - mvWndTimer::kFirstId + 1;
    for (size_t i = 0; i < range; ++i) {
        timers.push_back(std::make_unique<mvWndTimer>(wnd.Handle()));
        ASSERT_TRUE(timers.back()->Start(60000)) << i;
    }
    EXPECT_EQ(timers.back()->Id(), mvWndTimer::kLastId);
    mvWndTimer oneTooMany(wnd.Handle());
    EXPECT_FALSE(oneTooMany.Start(60000));
    EXPECT_EQ(oneTooMany.Id(), 0u);
    timers[500].reset();
    EXPECT_TRUE(oneTooMany.Start(60000));
    EXPECT_EQ(oneTooMany.Id(), mvWndTimer::kFirstId + 500);
}

TEST(mvWndTimer, DestroyingTheObjectStopsItsTimer) {
    ProbeWnd wnd;
    ASSERT_TRUE(CreateTopLevel(wnd));
    UINT_PTR id = 0;
    {
        mvWndTimer timer(wnd.Handle());
        ASSERT_TRUE(timer.Start(10));
        id = timer.Id();
        EXPECT_GT(TimerTicks(wnd.Handle(), id, 100), 0);
    }
    TimerTicks(wnd.Handle(), id, 20); // drains a tick already queued
    EXPECT_EQ(TimerTicks(wnd.Handle(), id, 100), 0);
    mvWndTimer next(wnd.Handle());
    ASSERT_TRUE(next.Start(1000));
    EXPECT_EQ(next.Id(), id) << "the id is free again";
}

TEST(mvWndTimer, RebindMovesOnlyItsOwnTimer) {
    ProbeWnd first, second;
    ASSERT_TRUE(CreateTopLevel(first));
    ASSERT_TRUE(CreateTopLevel(second));
    mvWndTimer moving(first.Handle()), staying(first.Handle());
    ASSERT_TRUE(moving.Start(10));
    ASSERT_TRUE(staying.Start(10));
    const UINT_PTR stayingId = staying.Id();

    ASSERT_TRUE(moving.Rebind(second.Handle(), 10));
    EXPECT_EQ(moving.Window(), second.Handle());
    EXPECT_EQ(staying.Window(), first.Handle());
    EXPECT_EQ(staying.Id(), stayingId);
    EXPECT_GT(TimerTicks(first.Handle(), stayingId, 100), 0) << "the other timer still runs";
    EXPECT_GT(TimerTicks(second.Handle(), moving.Id(), 100), 0);
    EXPECT_TRUE(staying.Start(10)) << "and can still be restarted";

    // Rebinding to the same window restarts in place.
    const UINT_PTR movedId = moving.Id();
    ASSERT_TRUE(moving.Rebind(second.Handle(), 20));
    EXPECT_EQ(moving.Id(), movedId);
}

TEST(mvWndTimer, RebindForgetsEveryTimerOfAWindowThatIsGone) {
    ProbeWnd doomed, next;
    ASSERT_TRUE(CreateTopLevel(doomed));
    ASSERT_TRUE(CreateTopLevel(next));
    mvWndTimer moving(doomed.Handle()), left(doomed.Handle());
    ASSERT_TRUE(moving.Start(1000));
    ASSERT_TRUE(left.Start(1000));
    doomed.Detach(true);

    ASSERT_TRUE(moving.Rebind(next.Handle(), 1000));
    EXPECT_EQ(left.Window(), nullptr);
    EXPECT_EQ(left.Id(), 0u);
    EXPECT_FALSE(left.Stop()) << "nothing left to stop";
    EXPECT_TRUE(left.Rebind(next.Handle(), 1000));
    EXPECT_NE(left.Id(), moving.Id());
}
