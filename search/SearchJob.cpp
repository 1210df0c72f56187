#include "search/SearchJob.h"

#include "foundation/Handles.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "search/IconLoader.h"
#include "search/Notifier.h"
#include "search/ShellTypeCache.h"

WorkerSettings WorkerSettings::FromSettings() {
    WorkerSettings taken;
    taken.sortWhileSearch = Settings().SortWhileSearch.Get();
    taken.order = SortOrder::FromSettings();
    taken.removeNonExists = Settings().RemoveNonExists.Get();
    return taken;
}

// The global job is made among the start-up initialisers, before the
// settings block is loaded: it takes the settings when its worker starts.
SearchJob::SearchJob(bool global)
    : settings(global ? WorkerSettings() : WorkerSettings::FromSettings()), m_global(global) {}

SearchJob::~SearchJob() {
    StopAndWait(500);
    // Every member goes after this body, the lock and the result list
    // included: a worker that outlived the wait is waited for, since it
    // still adds to them. (The global job is never destroyed: the process
    // ends with its objects alive under a worker that did not end.)
    worker.Join();
    results.clear();
    ClearFoundItems();
}

namespace {

// From this many items on, a cleared list is freed on a thread of its own:
// freeing a million records would hold the clearing thread, the window's
// as a new search starts, for most of a tenth of a second.
constexpr std::int32_t kItemsFreedAside = 50000;

DWORD WINAPI FreeItemsThread(void* first) {
    SearchJob::FreeItems(static_cast<FoundItem*>(first));
    return 0;
}

// Frees the items from `first` on, linked by next, which nothing else
// reaches any longer: a long chain on a thread of its own, unless none can
// be started.
void FreeItemsAside(FoundItem* first, std::int32_t count) {
    if (count >= kItemsFreedAside) {
        const ThreadHandle thread(CreateThread(nullptr, 0, FreeItemsThread, first, 0, nullptr));
        if (thread)
            return;
    }
    SearchJob::FreeItems(first);
}

} // namespace

void SearchJob::ClearFoundItems() {
    // Reports of these items still on their way must not reach them.
    if (m_global && first != nullptr)
        GlobalNotifier().RetireItems();
    FoundItem* items = first;
    FoundItem* tail = last;
    const std::int32_t count = found_count;
    first = last = nullptr;
    found_count = 0;
    if (!items)
        return;
    if (item_holds == 0) {
        FreeItemsAside(items, count);
        return;
    }
    // A pass outside the lock still reads them (see ResultsHold): the last
    // hold to end frees them.
    tail->next = retired_items;
    if (retired_items)
        retired_items->prev = tail;
    retired_items = items;
}

void SearchJob::FreeItems(FoundItem* item) noexcept {
    while (item) {
        FoundItem* next = item->next;
        delete item;
        item = next;
    }
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
    ClearFoundItems();
    results.clear();
    ++results_resets;
}

bool SearchJob::IsReportedItemLive(const FoundItem* item) {
    if (item == nullptr || !m_global)
        return false;
    // Items are freed only under the lock, after their reports are retired.
    mvLock held(lock);
    return GlobalNotifier().IsSentItemLive(item);
}

bool SearchJob::StartWorker(JobKind jobKind, LPTHREAD_START_ROUTINE routine) {
    if (IsRunning())
        return false;
    kind = jobKind;
    {
        mvLock held(lock);
        settings = WorkerSettings::FromSettings();
    }
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
    load_path = path;
    load_criteria_only = criteriaOnly;
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

void SearchJob::ParseFolders(PathList& list) {
    folder_text = ParseFolderText(criteria.folders, criteria.subfolder, list);
    if (!folder_text.empty() && IsGlobal())
        PostNotify(NotifyFoldersChanged, 0);
}

void SearchJob::RenumberResults() {
    std::int32_t index = 0;
    for (FoundItem* item : results)
        item->display_index = index++;
}

SearchJob& GlobalSearchJob() {
    // Never destroyed: at the end of the process a worker that did not stop
    // within its wait may still use the job, and the process ends without
    // waiting for it any longer.
    static SearchJob& job = *new SearchJob(true);
    return job;
}

JobKind PausedSearchKind() {
    return GlobalSearchJob().PausedKind();
}

void ClearResults() {
    GlobalSearchJob().ClearResults();
}
