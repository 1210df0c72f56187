#include "foundation/WorkerThread.h"

#include "support/CanaryBox.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// A worker that counts its passes through the check point until stopped, and
// records what it saw of itself before its first pass.
struct Counter {
    WorkerThread worker;
    std::atomic<long> passes{0};
    std::atomic<int> sawItselfRunning{-1};
    std::atomic<int> selfStopResult{-1};
    bool stopItself = false;

    static DWORD WINAPI Proc(void* parameter) {
        auto* self = static_cast<Counter*>(parameter);
        self->sawItselfRunning = self->worker.IsRunning() ? 1 : 0;
        if (self->stopItself)
            self->selfStopResult = self->worker.Stop(0) ? 1 : 0;
        while (!self->worker.CheckStop()) {
            ++self->passes;
            Sleep(1);
        }
        return 0;
    }
    bool Start() { return worker.Start(&Proc, this); }
};

// Waits until the counter has moved on by at least `count` passes.
bool Advances(Counter& c, long count) {
    long start = c.passes;
    for (int i = 0; i < 2000; ++i) {
        if (c.passes - start >= count)
            return true;
        Sleep(1);
    }
    return false;
}

} // namespace

TEST(WorkerThread, StartPauseResumeStop) {
    Counter c;
    EXPECT_FALSE(c.worker.IsRunning());
    EXPECT_TRUE(c.worker.Stop(0)) << "nothing to stop";
    ASSERT_TRUE(c.Start());
    EXPECT_TRUE(c.worker.IsRunning());
    EXPECT_TRUE(Advances(c, 3));
    EXPECT_FALSE(c.Start()) << "a running worker is not started twice";

    ASSERT_TRUE(c.worker.SetPaused(true));
    EXPECT_TRUE(c.worker.IsPaused());
    Sleep(50); // let it reach the gate
    long frozen = c.passes;
    Sleep(100);
    EXPECT_EQ(frozen, c.passes) << "a paused worker must not pass its check point";

    EXPECT_TRUE(c.worker.SetPaused(false));
    EXPECT_FALSE(c.worker.IsPaused());
    EXPECT_TRUE(Advances(c, 3));

    ASSERT_TRUE(c.worker.Stop(5000));
    EXPECT_FALSE(c.worker.IsRunning());
    EXPECT_TRUE(c.worker.StopRequested()) << "the request stays until the next start";
    EXPECT_EQ(1, c.sawItselfRunning) << "the worker's first check already knows it";
}

TEST(WorkerThread, StopReleasesAPausedWorker) {
    Counter c;
    ASSERT_TRUE(c.Start());
    ASSERT_TRUE(Advances(c, 1));
    ASSERT_TRUE(c.worker.SetPaused(true));
    Sleep(50);
    // The stop must open the gate, or the worker stays blocked and the wait
    // runs out.
    EXPECT_TRUE(c.worker.Stop(5000));
    EXPECT_TRUE(c.worker.IsGateOpen());

    // A new start clears the stop request and runs again.
    ASSERT_TRUE(c.Start());
    EXPECT_FALSE(c.worker.StopRequested());
    EXPECT_TRUE(Advances(c, 2));
    EXPECT_TRUE(c.worker.Stop(5000));
}

TEST(WorkerThread, CheckStopFromAnotherThreadNeverBlocks) {
    Counter c;
    ASSERT_TRUE(c.Start());
    ASSERT_TRUE(c.worker.SetPaused(true));
    // Not the worker: neither the closed gate nor the stop request apply here.
    EXPECT_FALSE(c.worker.CheckStop());
    EXPECT_FALSE(c.worker.Stop(0));
    EXPECT_FALSE(c.worker.CheckStop());
    EXPECT_TRUE(c.worker.Stop(5000));
}

TEST(WorkerThread, StopFromTheWorkerItselfReportsStillRunning) {
    Counter c;
    c.stopItself = true;
    ASSERT_TRUE(c.Start());
    EXPECT_TRUE(c.worker.Stop(5000));
    EXPECT_EQ(0, c.selfStopResult);
    EXPECT_EQ(0, c.passes) << "its own request ends it at the first check point";
}

TEST(WorkerThread, PauseStateOfAnIdleRecord) {
    WorkerThread w;
    EXPECT_TRUE(w.IsGateOpen());
    EXPECT_TRUE(w.SetPaused(false)) << "already open: nothing to do";
    EXPECT_TRUE(w.IsGateOpen());
    EXPECT_TRUE(w.SetPaused(true));
    EXPECT_FALSE(w.IsGateOpen()) << "pausing an idle record closes the gate";
    EXPECT_FALSE(w.IsPaused()) << "but nothing runs, so nothing is paused";

    Counter c;
    ASSERT_TRUE(c.worker.SetPaused(true));
    ASSERT_TRUE(c.Start());
    EXPECT_TRUE(Advances(c, 2)) << "a new thread never starts paused";
    EXPECT_TRUE(c.worker.Stop(5000));
}

TEST(WorkerThread, AGateClosedAsWakeUpEventHoldsTheWorkerUntilSet) {
    // The notifier and the icon loader close their gate themselves when idle
    // and are woken by setting it: the check point must see every closing.
    Counter c;
    ASSERT_TRUE(c.Start());
    ASSERT_TRUE(Advances(c, 2));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(c.worker.CloseGate());
        Sleep(50);
        const long frozen = c.passes;
        Sleep(100);
        EXPECT_EQ(frozen, c.passes) << round;
        SetEvent(c.worker.Gate());
        EXPECT_TRUE(Advances(c, 2)) << round;
    }
    ASSERT_TRUE(c.worker.CloseGate());
    EXPECT_TRUE(c.worker.Stop(5000)) << "a stop opens a gate closed this way too";
}

// A worker that closes its own gate whenever it runs out of work (as the
// notifier and the icon loader do) is stopped even when the stop comes while
// it closes the gate: the stop is never lost between the two.
TEST(WorkerThread, AStopRacingTheWorkersOwnCloseIsSeen) {
    struct Idler {
        WorkerThread worker;
        static DWORD WINAPI Proc(void* parameter) {
            auto* self = static_cast<Idler*>(parameter);
            for (;;) {
                self->worker.CloseGate();
                if (self->worker.CheckStop())
                    return 0;
            }
        }
    };
    int hung = 0;
    // Up to 2,000 rounds, but no longer than three seconds once the spin has
    // run through its whole range (200 rounds) twice.
    const ULONGLONG start = GetTickCount64();
    for (int round = 0;
         round < 2000 && hung == 0 && (round < 400 || GetTickCount64() - start < 3000);
         ++round) {
        Idler idler;
        ASSERT_TRUE(idler.worker.Start(&Idler::Proc, &idler));
        for (int spin = round % 200; spin > 0; --spin)
            YieldProcessor();
        idler.worker.Stop(0);
        if (WaitForSingleObject(idler.worker.Handle(), 2000) != WAIT_OBJECT_0) {
            ++hung;
            // Let it go, so that the record can be destroyed.
            SetEvent(idler.worker.Gate());
            WaitForSingleObject(idler.worker.Handle(), INFINITE);
        }
    }
    EXPECT_EQ(0, hung);
}

// The record's end waits for its thread, however long the thread takes to
// see the stop, and the thread's last touches of the record come before the
// record is gone.
TEST(WorkerThread, ItsEndWaitsForTheThread) {
    struct Late {
        static DWORD WINAPI Proc(void* parameter) {
            auto* worker = static_cast<WorkerThread*>(parameter);
            Sleep(700); // deaf to the stop for a while
            worker->CheckStop();
            worker->CloseGate();
            return 0;
        }
    };
    CanaryBox<WorkerThread> box;
    ASSERT_TRUE(box->Start(&Late::Proc, &*box));
    const KernelHandle thread = CopyThreadHandle(box->Handle());
    ASSERT_TRUE(thread);
    box.Destroy();
    EXPECT_TRUE(HasEnded(thread)) << "the record went while its thread still ran";
    WaitForSingleObject(thread.Get(), 5000);
    EXPECT_TRUE(box.Intact()) << "the thread wrote to the record after its end";
}

// Join handles what the worker sends to this thread's windows while it waits,
// and gives up after its limit on a thread that does not end.
TEST(WorkerThread, JoinHandlesSendsToThisThreadAndKeepsItsLimit) {
    struct Sender {
        WorkerThread worker;
        HWND window = nullptr;
        DWORD deafMs = 0;
        static DWORD WINAPI Proc(void* parameter) {
            auto* self = static_cast<Sender*>(parameter);
            while (!self->worker.CheckStop())
                Sleep(1);
            Sleep(self->deafMs);
            // Returns only once the joining thread has handled it.
            SendMessageW(self->window, WM_NULL, 0, 0);
            return 0;
        }
    };
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                        nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    Sender quick;
    quick.window = window;
    ASSERT_TRUE(quick.worker.Start(&Sender::Proc, &quick));
    EXPECT_TRUE(quick.worker.Join(5000)) << "the send to this thread was not handled";

    Sender late;
    late.window = window;
    late.deafMs = 1000;
    ASSERT_TRUE(late.worker.Start(&Sender::Proc, &late));
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(late.worker.Join(100));
    EXPECT_LT(GetTickCount64() - start, 800u) << "the limit was not kept";
    EXPECT_TRUE(late.worker.Join());
    DestroyWindow(window);
}
