#include "search/SearchJob.h"

#include "foundation/Paths.h"
#include "search/IconLoader.h"
#include "search/Notifier.h"
#include "search/ShellTypeCache.h"

SearchJob::SearchJob(bool global) : m_global(global) {}

SearchJob::~SearchJob() {
    if (m_global)
        StopNotifierThread();
    StopAndWait(500);
    // A worker that did not end in time may still add items: its items are
    // left alone rather than freed under it.
    if (worker.IsRunning())
        return;
    results.clear();
    ClearFoundItems();
}

void SearchJob::ClearFoundItems() {
    for (FoundItem* item = first; item;) {
        FoundItem* next = item->next;
        delete item;
        item = next;
    }
    first = last = nullptr;
    found_count = 0;
}

void SearchJob::ClearResults() {
    GlobalNotifier().Clear();
    // The icon loader may be working on one of the global job's items: it
    // finishes that item before the items are freed.
    if (m_global)
        GlobalIconLoadQueue().ClearAndWait();
    GlobalShellTypeCache().ClearFileCaches();
    folder_text.clear();
    undo.clear();
    mvLock held(lock);
    // Reports of these items still on their way must not reach them.
    if (m_global)
        GlobalNotifier().RetireItems();
    ClearFoundItems();
    results.clear();
    ++results_resets;
}

bool SearchJob::IsReportedItemLive(const FoundItem* item) {
    if (item == nullptr)
        return false;
    mvLock held(lock);
    return m_global && GlobalNotifier().IsSentItemLive();
}

bool SearchJob::StartWorker(JobKind jobKind, LPTHREAD_START_ROUTINE routine) {
    if (IsRunning())
        return false;
    kind = jobKind;
    return worker.Start(routine, this);
}

bool SearchJob::StartSearch(const SearchCriteria& search, LPTHREAD_START_ROUTINE routine) {
    if (IsRunning() || search.folders.empty())
        return false;
    ClearResults();
    criteria.Assign(search);
    return StartWorker(JobSearch, routine);
}

bool SearchJob::OpenSearchFile(const mvstring& path, bool criteriaOnly,
                               LPTHREAD_START_ROUTINE routine) {
    if (IsRunning() || GetPathKind(path) != PathKindFile)
        return false;
    ClearResults();
    criteria.Reset();
    criteria.name = path;
    criteria.name_case = criteriaOnly;
    return StartWorker(JobLoadFile, routine);
}

void SearchJob::StopAndWait(DWORD waitMs) {
    worker.Stop(0);
    if (waitMs != 0 && worker.Handle())
        WaitForSingleObject(worker.Handle(), waitMs);
    kind = JobIdle;
}

JobKind SearchJob::PausedKind() const noexcept {
    return worker.IsPaused() ? static_cast<JobKind>(kind.load()) : JobIdle;
}

void SearchJob::RenumberResults() {
    std::int32_t index = 0;
    for (FoundItem* item : results)
        item->display_index = index++;
}

SearchJob& GlobalSearchJob() {
    // The blocks the job's end stops or empties are built first, so that
    // they outlive it.
    GlobalNotifier();
    GlobalShellTypeCache();
    static SearchJob job(true);
    return job;
}

JobKind IsSearchPaused() {
    return GlobalSearchJob().PausedKind();
}

void ClearResults() {
    GlobalSearchJob().ClearResults();
}
