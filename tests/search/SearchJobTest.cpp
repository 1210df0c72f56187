#include "search/SearchJob.h"

#include "search/ResultList.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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
    EXPECT_TRUE(job.criteria.folders.empty()) << "an empty folder text marks a load";
    EXPECT_EQ(file, job.criteria.name.str());
    EXPECT_TRUE(job.criteria.name_case) << "the criteria-only flag";
    EXPECT_EQ(0x97u, job.criteria.attr);
    EXPECT_EQ(0, ResultList::Count(job));
    EXPECT_TRUE(WaitEnded(job));
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
