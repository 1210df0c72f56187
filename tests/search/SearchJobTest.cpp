#include "search/SearchJob.h"

#include "NotifyListener.h"
#include "foundation/Settings.h"
#include "search/IconLoader.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "support/CanaryBox.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Worker routines standing in for the walk: one that runs until stopped,
// one that ends at once, and one that ignores a stop until released.
DWORD WINAPI UntilStopped(void* parameter) {
    auto& job = *static_cast<SearchJob*>(parameter);
    while (!job.worker.CheckStop())
        Sleep(1);
    return 0;
}
DWORD WINAPI AtOnce(void*) {
    return 0;
}
HANDLE g_release;
DWORD WINAPI SlowToStop(void*) {
    WaitForSingleObject(g_release, 10000);
    return 0;
}

SearchCriteria InFolder(const wchar_t* folders) {
    SearchCriteria c;
    c.folders = folders;
    return c;
}

void AddItem(SearchJob& job, const wchar_t* name) {
    FoundItem item;
    item.name = name;
    AddFoundItem(job, item, nullptr);
}

// A worker deaf to the stop for longer than a stop waits, that then adds
// one more result.
DWORD WINAPI AddsAfterTheWait(void* parameter) {
    auto& job = *static_cast<SearchJob*>(parameter);
    Sleep(800);
    AddItem(job, L"late");
    return 0;
}

// The threads of this process.
int ThreadCount() {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{sizeof(entry)};
    int count = 0;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

// Handles the messages waiting for this thread (the notifier's sends among
// them) for about `ms` milliseconds.
void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    } while (GetTickCount64() < end);
}

bool WaitEnded(SearchJob& job) {
    return !job.worker.Handle() || WaitForSingleObject(job.worker.Handle(), 5000) == WAIT_OBJECT_0;
}

} // namespace

TEST(SearchJob, StartPauseResumeStop) {
    SearchJob job;
    AddItem(job, L"previous");
    EXPECT_FALSE(job.StartSearch(InFolder(L""), &UntilStopped)) << "no folder text";
    EXPECT_EQ(1, ResultList::Count(job)) << "the previous results stay";

    ASSERT_TRUE(job.StartSearch(InFolder(L"C:\\one"), &UntilStopped));
    EXPECT_TRUE(job.IsRunning());
    EXPECT_EQ(JobSearch, job.kind);
    EXPECT_EQ(0, ResultList::Count(job)) << "a start clears the previous results";
    EXPECT_EQ(JobIdle, job.PausedKind());

    ASSERT_TRUE(job.worker.SetPaused(true));
    EXPECT_EQ(JobSearch, job.PausedKind());
    AddItem(job, L"found");
    EXPECT_FALSE(job.StartSearch(InFolder(L"C:\\two"), &UntilStopped)) << "refused while paused";
    EXPECT_EQ(L"C:\\one", job.criteria.folders.str());
    EXPECT_EQ(1, ResultList::Count(job));
    ASSERT_TRUE(job.worker.SetPaused(false));
    EXPECT_EQ(JobIdle, job.PausedKind());

    job.StopAndWait(5000);
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(JobIdle, job.kind);
    EXPECT_EQ(1, ResultList::Count(job)) << "results stay after the end";
}

TEST(SearchJob, AStopWithoutWaitReleasesAPausedWorker) {
    SearchJob job;
    ASSERT_TRUE(job.StartSearch(InFolder(L"C:\\one"), &UntilStopped));
    ASSERT_TRUE(job.worker.SetPaused(true));
    job.StopAndWait(0);
    EXPECT_EQ(JobIdle, job.kind);
    EXPECT_TRUE(WaitEnded(job)) << "the paused worker wakes and leaves";
}

TEST(SearchJob, NoStartWhileTheOldWorkerStillRuns) {
    g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    TempDir dir;
    const std::wstring file = dir.WriteFile(L"saved.velquin", "x");
    SearchJob job;
    ASSERT_TRUE(job.StartSearch(InFolder(L"C:\\one"), &SlowToStop));
    AddItem(job, L"found");
    job.StopAndWait(0); // asks only; the worker is still busy
    EXPECT_EQ(JobIdle, job.kind);
    ASSERT_TRUE(job.IsRunning());

    EXPECT_FALSE(job.StartSearch(InFolder(L"C:\\two"), &AtOnce));
    EXPECT_FALSE(job.OpenSearchFile(file, false, &AtOnce));
    EXPECT_FALSE(job.StartWorker(JobSearchInResults, &AtOnce));
    EXPECT_EQ(L"C:\\one", job.criteria.folders.str()) << "nothing changed";
    EXPECT_EQ(1, ResultList::Count(job)) << "the results were not cleared under the worker";
    EXPECT_EQ(1, job.found_count);

    SetEvent(g_release);
    ASSERT_TRUE(WaitEnded(job));
    EXPECT_TRUE(job.StartSearch(InFolder(L"C:\\two"), &AtOnce));
    EXPECT_TRUE(WaitEnded(job));
    CloseHandle(g_release);
}

TEST(SearchJob, AJobThatEndedByItselfAcceptsTheNext) {
    SearchJob job;
    ASSERT_TRUE(job.StartSearch(InFolder(L"C:\\one"), &AtOnce));
    ASSERT_TRUE(WaitEnded(job));
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(JobIdle, job.PausedKind());
    EXPECT_EQ(JobSearch, job.kind) << "the kind stays until a stop";
    EXPECT_TRUE(job.StartSearch(InFolder(L"C:\\two"), &AtOnce));
    EXPECT_TRUE(WaitEnded(job));
}

TEST(SearchJob, OpenSearchFile) {
    TempDir dir;
    const std::wstring file = dir.WriteFile(L"saved.velquin", "x");
    SearchJob job;
    job.criteria.folders = L"C:\\kept";
    AddItem(job, L"previous");
    for (const std::wstring& bad : {dir.Path(), dir / L"missing.velquin", std::wstring()}) {
        EXPECT_FALSE(job.OpenSearchFile(bad, true, &AtOnce)) << bad;
        EXPECT_EQ(L"C:\\kept", job.criteria.folders.str());
        EXPECT_EQ(1, ResultList::Count(job));
    }
    ASSERT_TRUE(job.OpenSearchFile(file, true, &AtOnce));
    EXPECT_EQ(JobLoadFile, job.kind);
    EXPECT_TRUE(job.criteria.folders.empty()) << "the criteria are reset for the file's";
    EXPECT_TRUE(job.criteria.name.empty());
    EXPECT_EQ(0x97u, job.criteria.attr);
    EXPECT_EQ(file, job.load_path.str());
    EXPECT_TRUE(job.load_criteria_only);
    EXPECT_EQ(0, ResultList::Count(job));
    EXPECT_TRUE(WaitEnded(job));
}

TEST(SearchJob, ASearchWithinResultsNeedsNoFolderText) {
    // Its criteria name what to keep; with no folder text they are still no
    // saved-search file to load.
    TempDir dir;
    const std::wstring file = dir.WriteFile(L"named.velquin", "x");
    SearchJob job;
    AddItem(job, L"a.txt");
    job.criteria.Reset();
    job.criteria.name = file.c_str();
    const std::uint32_t resets = job.results_resets;
    ASSERT_TRUE(job.StartWorker(JobSearchInResults, &SearchJob::Run));
    ASSERT_TRUE(WaitEnded(job));
    DWORD code = 1;
    ASSERT_TRUE(GetExitCodeThread(job.worker.Handle(), &code));
    EXPECT_EQ(0u, code) << "the search within results completed";
    EXPECT_EQ(resets + 1, job.results_resets) << "the results were searched";
    EXPECT_EQ(file, job.criteria.name.str()) << "the criteria stay";
}

TEST(SearchJob, ClearResults) {
    SearchJob job;
    AddItem(job, L"a");
    AddItem(job, L"b");
    job.folder_text = L"C:\\a";
    job.undo.push_back({SearchCriteria(), job.results});
    job.ClearResults();
    EXPECT_EQ(0, job.found_count);
    EXPECT_EQ(nullptr, job.first);
    EXPECT_EQ(nullptr, job.last);
    EXPECT_TRUE(job.results.empty());
    EXPECT_TRUE(job.undo.empty());
    EXPECT_TRUE(job.folder_text.empty());
    AddItem(job, L"c");
    EXPECT_EQ(0, job.first->insert_index) << "numbering starts again";
}

// A job ends its worker and waits for it before anything the worker uses
// goes, also a worker that outlives the stop's wait.
TEST(SearchJob, ItsEndWaitsForAWorkerThatOutlivesTheStop) {
    CanaryBox<SearchJob> box;
    ASSERT_TRUE(box->StartSearch(InFolder(L"C:\\one"), &AddsAfterTheWait));
    const KernelHandle thread = CopyThreadHandle(box->worker.Handle());
    ASSERT_TRUE(thread);
    box.Destroy();
    EXPECT_TRUE(HasEnded(thread)) << "the job went while its worker still ran";
    WaitForSingleObject(thread.Get(), 5000);
    EXPECT_TRUE(box.Intact()) << "the worker wrote to the job after its end";
}

// The handler of an item report asks whether its item still lives: true only
// for the item of the report being sent, and only until items are freed,
// whichever way they are freed.
TEST(SearchJob, OnlyTheReportedItemIsLiveAndOnlyUntilItsItemsAreFreed) {
    struct Case {
        const char* what;
        std::function<void(SearchJob&)> duringTheSend;
        bool reportedLive;
    };
    const Case cases[] = {
        {"nothing freed", [](SearchJob&) {}, true},
        {"results cleared", [](SearchJob& job) { job.ClearResults(); }, false},
        {"items freed under the lock",
         [](SearchJob& job) {
             mvLock held(job.lock);
             job.results.clear();
             job.ClearFoundItems();
         },
         false},
    };
    SearchJob& job = GlobalSearchJob();
    Listener listener;
    ASSERT_TRUE(GlobalNotifier().Attach(listener.Window()));
    for (const Case& c : cases) {
        job.ClearResults();
        AddItem(job, L"reported");
        AddItem(job, L"other");
        FoundItem* reported = job.first;
        FoundItem* other = job.last;
        int handled = 0;
        bool reportedLive = false, otherLive = true;
        listener.onMessage = [&](int code) {
            if (code != NotifyItemChanged)
                return;
            ++handled;
            c.duringTheSend(job);
            reportedLive = job.IsReportedItemLive(reported);
            otherLive = job.IsReportedItemLive(other);
        };
        listener.got.clear();
        PostNotify(NotifyItemChanged, reinterpret_cast<std::int64_t>(reported));
        listener.Pump(1);
        ASSERT_EQ(1, handled) << c.what;
        EXPECT_EQ(c.reportedLive, reportedLive) << c.what;
        EXPECT_FALSE(otherLive) << c.what << ": not the reported item";
        if (c.reportedLive) {
            EXPECT_FALSE(job.IsReportedItemLive(reported)) << c.what << ": after the send";
        }
        EXPECT_FALSE(SearchJob().IsReportedItemLive(reported)) << "only the global job reports";
    }
    listener.onMessage = nullptr;
    GlobalNotifier().Stop();
    job.ClearResults();
}

// What the main window does for hours, in a few seconds: searches started,
// stopped without waiting, restarted and cleared, while results arrive, the
// notifier reports them and the icon loader loads the first rows; besides,
// jobs of their own are dropped while their walks run. Every thread started
// ends, no handle or thread is left over, the dropped jobs are not written
// to after their end, and the heaps are whole.
TEST(SearchJob, StartStopRestartAndClearRunCleanForHundredsOfRounds) {
    TempDir dir;
    for (int folder = 0; folder < 4; ++folder)
        for (int file = 0; file < 8; ++file)
            dir.WriteFile(L"f" + std::to_wstring(folder) + L"\\file" + std::to_wstring(file) + L".txt",
                          "some text");
    const std::uint8_t savedThumbnails = Settings().ThumbnailFlag;
    Settings().ThumbnailFlag = 2; // icons only: no thumbnail work
    SearchJob& job = GlobalSearchJob();
    job.ClearResults();
    const int threadsBefore = ThreadCount();
    DWORD handlesBefore = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);

    Listener listener;
    int live = 0, stale = 0;
    int finished = 0;
    listener.onMessage = [&](int code) {
        if (code == NotifyFinished) {
            ++finished;
        } else if (code == NotifyItemsAdded) {
            // The list asks for the images of the rows it shows.
            mvLock held(job.lock);
            for (size_t i = 0; i < job.results.size() && i < 8; ++i)
                GlobalIconLoadQueue().Queue(job.results[i]);
        } else if (code == NotifyItemChanged) {
            const auto* item = reinterpret_cast<const FoundItem*>(std::stoll(listener.got.back().text));
            if (job.IsReportedItemLive(item)) {
                mvLock held(job.lock);
                live += item->name.empty() ? 0 : 1;
            } else {
                ++stale;
            }
        }
        if (listener.got.size() > 64)
            listener.got.clear();
    };
    ASSERT_TRUE(GlobalNotifier().Attach(listener.Window()));
    // Every count as it comes: the rounds are shorter than the window's
    // spacing of counts, and each count asks for the icons whose reports
    // this test races against the clearing.
    const DWORD savedGap = GlobalNotifier().progressGapMs.exchange(0);

    SearchCriteria criteria;
    criteria.folders = dir.Path().c_str();
    std::vector<KernelHandle> started;
    auto remember = [&](SearchJob& owner) {
        started.push_back(CopyThreadHandle(owner.worker.Handle()));
    };
    int rounds = 0, brokenCanaries = 0, unendedDrops = 0;
    const ULONGLONG start = GetTickCount64();
    for (; rounds < 600 && (rounds < 200 || GetTickCount64() - start < 3000); ++rounds) {
        switch (rounds % 4) {
        case 0: // a search, stopped without waiting while it may still run
            if (StartSearch(criteria))
                remember(job);
            PumpFor(rounds % 7);
            job.StopAndWait(0);
            break;
        case 1: { // a restart once the old worker has ended, now and then left to finish
            if (job.IsRunning())
                WaitForSingleObject(job.worker.Handle(), 5000);
            const int finishedBefore = finished;
            if (StartSearch(criteria))
                remember(job);
            const int waits = rounds % 16 == 1 ? 200 : 3;
            for (int wait = 0; wait < waits && finished == finishedBefore; ++wait)
                PumpFor(1);
            PumpFor(rounds % 5); // the loader's reports, while more may come
            break;
        }
        case 2: // a clear, once the worker has ended
            job.StopAndWait(0);
            if (job.IsRunning())
                WaitForSingleObject(job.worker.Handle(), 5000);
            PumpFor(1);
            job.ClearResults();
            break;
        default: { // a job of its own dropped while its walk runs
            auto box = std::make_unique<CanaryBox<SearchJob>>();
            if ((*box)->StartSearch(criteria, &SearchJob::Run)) {
                KernelHandle thread = CopyThreadHandle((*box)->worker.Handle());
                Sleep(rounds % 5);
                box->Destroy();
                unendedDrops += HasEnded(thread) ? 0 : 1;
                started.push_back(std::move(thread));
                brokenCanaries += box->Intact() ? 0 : 1;
            }
            PumpFor(1);
            break;
        }
        }
    }
    job.StopAndWait(0);
    if (job.IsRunning())
        WaitForSingleObject(job.worker.Handle(), 5000);
    PumpFor(50);
    job.ClearResults();
    EXPECT_TRUE(StopIconLoaderThread());
    // A report still on its way is taken without asking for more icons.
    listener.onMessage = nullptr;
    EXPECT_TRUE(Ended(GlobalNotifier()));
    GlobalNotifier().progressGapMs = savedGap;
    Settings().ThumbnailFlag = savedThumbnails;

    EXPECT_GE(rounds, 200);
    EXPECT_GT(started.size(), 100u) << "workers started";
    EXPECT_GT(live, 0) << "reports of live items were handled";
    EXPECT_EQ(0, unendedDrops) << "a dropped job's worker ran on";
    EXPECT_EQ(0, brokenCanaries) << "a dropped job was written to after its end";
    int running = 0;
    for (const KernelHandle& thread : started)
        running += WaitForSingleObject(thread.Get(), 5000) == WAIT_OBJECT_0 ? 0 : 1;
    EXPECT_EQ(0, running) << "of " << started.size() << " threads";
    const size_t workers = started.size();
    started.clear();
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_LE(handlesAfter, handlesBefore + 8) << "handles left over";
    EXPECT_LE(ThreadCount(), threadsBefore + 1) << "threads left over";
    HANDLE heaps[64];
    const DWORD heapCount = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < heapCount && i < 64; ++i)
        EXPECT_TRUE(HeapValidate(heaps[i], 0, nullptr)) << "heap " << i;
    const std::string figures = "[          ] " + std::to_string(rounds) + " rounds, " +
                                std::to_string(workers) + " workers, " + std::to_string(live) +
                                " live and " + std::to_string(stale) + " stale reports in " +
                                std::to_string(GetTickCount64() - start) + " ms\n";
    std::fputs(figures.c_str(), stdout);
}
