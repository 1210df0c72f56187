#include "search/Notifier.h"

#include "NotifyListener.h"
#include "foundation/Handles.h"
#include "foundation/ShutdownFlag.h"
#include "support/CanaryBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

std::int64_t Text(const wchar_t* text) {
    return reinterpret_cast<std::int64_t>(text);
}

} // namespace

TEST(Notifier, NothingIsQueuedWithoutATargetOrAfterStop) {
    NotifierQueue block;
    block.Post(NotifyItemsAdded, 0);
    EXPECT_TRUE(block.queue.empty());
    EXPECT_EQ(block.message, 0u) << "registered before any window was attached";

    Listener listener;
    ASSERT_TRUE(block.Attach(listener.Window()));
    EXPECT_EQ(block.message, RegisterWindowMessageW(kNotifyMessageName));
    ASSERT_TRUE(Ended(block));
    block.Post(NotifyItemsAdded, 0);
    block.Post(NotifyFinished, 0);
    EXPECT_TRUE(block.queue.empty());
    listener.Pump(0);
    EXPECT_TRUE(listener.got.empty());
}

TEST(Notifier, BatchesMergeCountsAndKeepTheLastStatus) {
    struct Case {
        const char* what;
        std::vector<NotifyEntry> posts; // code 5 values index into kTexts
        std::vector<Received> expected;
    };
    static const wchar_t* kTexts[] = {L"C:\\A", L"C:\\B"};
    const Case cases[] = {
        {"the end drops pending counts and texts",
         {{4, 0}, {5, 0}, {4, 0}, {5, 1}, {2, 0}},
         {{2, L"0"}}},
        {"counts and text after the end are sent after it",
         {{5, 0}, {2, 1}, {4, 0}, {5, 1}},
         {{2, L"1"}, {4, L"0"}, {5, L"C:\\B"}}},
        {"other codes go at once and in order, one count after them",
         {{1, 1}, {4, 0}, {8, 0}, {6, 42}, {4, 0}, {3, 1}, {7, 0}},
         {{1, L"1"}, {8, L"0"}, {6, L"42"}, {3, L"1"}, {7, L"0"}, {4, L"0"}}},
    };
    for (const Case& k : cases) {
        NotifierQueue block;
        Listener listener;
        ASSERT_TRUE(block.Attach(listener.Window()));
        {
            // Holding the lock keeps the notifier from draining until every
            // entry of the batch is queued.
            mvLock held(block.lock);
            for (const NotifyEntry& e : k.posts)
                block.Post(e.code, e.code == NotifyStatus ? Text(kTexts[e.value]) : e.value);
        }
        listener.Pump(k.expected.size());
        EXPECT_EQ(k.expected, listener.got) << k.what;
        EXPECT_TRUE(Ended(block));
    }
}

TEST(Notifier, APostDuringASendStartsAnotherBatch) {
    NotifierQueue block;
    Listener listener;
    listener.onMessage = [&](int code) {
        if (code == NotifyItemsAdded)
            block.Post(NotifyStatus, Text(L"D:\\later"));
    };
    ASSERT_TRUE(block.Attach(listener.Window()));
    block.Post(NotifyItemsAdded, 0);
    listener.Pump(2);
    const std::vector<Received> expected = {{4, L"0"}, {5, L"D:\\later"}};
    EXPECT_EQ(expected, listener.got);
    EXPECT_TRUE(block.queue.empty());
    EXPECT_TRUE(Ended(block));
}

// While a count and a text wait for their gap, every other code still goes
// at once, and the end goes at once and drops them.
TEST(Notifier, WaitingProgressHoldsBackNeitherOtherCodesNorTheEnd) {
    NotifierQueue block;
    block.progressGapMs = 5000;
    Listener listener;
    ASSERT_TRUE(block.Attach(listener.Window()));
    const ULONGLONG start = GetTickCount64();
    block.Post(NotifyItemsAdded, 0); // the first goes at once
    listener.Pump(1);
    block.Post(NotifyItemsAdded, 0);
    block.Post(NotifyStatus, Text(L"C:\\waits"));
    block.Post(NotifyItemChanged, 42);
    block.Post(NotifyFoldersChanged, 0);
    listener.Pump(3);
    block.Post(NotifyFinished, 0);
    listener.Pump(4);
    const std::vector<Received> expected = {{4, L"0"}, {6, L"42"}, {8, L"0"}, {2, L"0"}};
    EXPECT_EQ(expected, listener.got);
    EXPECT_LT(GetTickCount64() - start, 4000u) << "something waited for the gap";
    EXPECT_TRUE(Ended(block));
}

// A flood of counts and texts reaches the window at most once per gap, and
// the last text posted is the last one shown.
TEST(Notifier, AFloodOfProgressIsSpacedAndEndsWithTheLastText) {
    NotifierQueue block;
    Listener listener;
    std::vector<ULONGLONG> countTimes;
    listener.onMessage = [&](int code) {
        if (code == NotifyItemsAdded)
            countTimes.push_back(GetTickCount64());
    };
    ASSERT_TRUE(block.Attach(listener.Window()));
    struct Flood {
        NotifierQueue* block;
        std::wstring last;
        static DWORD WINAPI Run(void* parameter) {
            auto& flood = *static_cast<Flood*>(parameter);
            const ULONGLONG end = GetTickCount64() + 1000;
            for (int i = 0; GetTickCount64() < end; ++i) {
                flood.last = L"C:\\folder " + std::to_wstring(i);
                flood.block->Post(NotifyStatus, Text(flood.last.c_str()));
                flood.block->Post(NotifyItemsAdded, 0);
            }
            return 0;
        }
    } flood{&block, {}};
    const ThreadHandle poster(CreateThread(nullptr, 0, &Flood::Run, &flood, 0, nullptr));
    ASSERT_TRUE(poster);
    const HANDLE thread = poster.Get();
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    listener.Pump(listener.got.size() + 1); // the text that waited at the end
    ASSERT_GE(countTimes.size(), 2u) << "the count did not follow the flood";
    EXPECT_LE(countTimes.size(), 1000 / kProgressGapMs + 2);
    ULONGLONG closest = ~0ull;
    for (size_t i = 1; i < countTimes.size(); ++i)
        closest = std::min(closest, countTimes[i] - countTimes[i - 1]);
    EXPECT_GE(closest, kProgressGapMs - 5) << "the closest two counts";
    ASSERT_FALSE(listener.got.empty());
    EXPECT_EQ(NotifyStatus, listener.got.back().code);
    EXPECT_EQ(flood.last, listener.got.back().text);
    EXPECT_TRUE(Ended(block));
}

TEST(Notifier, EndsOnTheShutdownFlag) {
    NotifierQueue block;
    Listener listener;
    ASSERT_TRUE(block.Attach(listener.Window()));
    ShutdownFlag = 1;
    block.Post(NotifyItemsAdded, 0); // wakes it
    DWORD waited = WaitForSingleObject(block.worker.Handle(), 5000);
    ShutdownFlag = 0;
    EXPECT_EQ(WAIT_OBJECT_0, waited);
    listener.Pump(0);
    EXPECT_TRUE(listener.got.empty());
}

// The block's end stops its thread and waits for it, even while the thread
// is sending to a window of the thread that ends the block; what is still
// queued is not delivered once the end has begun.
TEST(Notifier, ItsEndStopsTheThreadBeforeTheBlockGoes) {
    Listener listener;
    CanaryBox<NotifierQueue> box;
    ASSERT_TRUE(box->Attach(listener.Window()));
    for (int i = 0; i < 5; ++i)
        box->Post(NotifyFinished, i);
    ASSERT_TRUE(WaitForIncomingSend()) << "the notifier waits in its first send";
    const KernelHandle thread = CopyThreadHandle(box->worker.Handle());
    ASSERT_TRUE(thread);
    box.Destroy();
    EXPECT_TRUE(HasEnded(thread)) << "the block went while its thread still ran";
    EXPECT_EQ(1u, listener.got.size()) << "only the send in progress is delivered";
    listener.Pump(0); // anything still on its way would arrive now
    EXPECT_EQ(1u, listener.got.size());
    WaitForSingleObject(thread.Get(), 5000);
    EXPECT_TRUE(box.Intact()) << "the thread wrote to the block after its end";
}
