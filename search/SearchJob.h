// A search in progress or finished: the items it owns, the results in
// display order, the criteria it runs with, its one worker thread and the
// undo stack of searching within results. One global job drives the main
// window and the windowless run.
#pragma once

#include "foundation/WorkerThread.h"
#include "foundation/mvLock.h"
#include "foundation/mvstring.h"
#include "search/FolderList.h"
#include "search/FoundItem.h"
#include "search/ResultDeque.h" // result items in display order; the job owns the items
#include "search/SearchCriteria.h"
#include "search/SortOrder.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <vector>

// What the worker was last started for; meaningful only while it runs.
enum JobKind : std::uint8_t {
    JobIdle = 0,
    JobSearch = 1,
    JobLoadFile = 2,
    JobSearchInResults = 3,
};

// The settings a worker reads, copied from the settings block on the thread
// that makes a job (the global job excepted) and again on the one that
// starts its worker, so that a worker never reads the block while the UI
// thread changes it.
struct WorkerSettings {
    bool sortWhileSearch = false; // SortWhileSearch: sorted insertion
    SortOrder order;              // SortColumn, SortDescending, KeepFoldersOnTop, AttrSortWithString
    bool removeNonExists = false; // RemoveNonExists: a saved search's missing files are left out

    static WorkerSettings FromSettings();
};

// What a search within results replaces, kept for its undo.
struct ResultsSnapshot {
    SearchCriteria criteria;
    ResultDeque results;
};

class SearchJob {
public:
    std::int32_t found_count = 0;     // items in the owning list
    std::uint32_t results_resets = 0; // times the display list was emptied or replaced
    FoundItem* first = nullptr;       // owning list, in the order of finding
    FoundItem* last = nullptr;
    mvCriticalSection lock; // guards the owning list, results, count and criteria copies
    ResultDeque results;    // display order
    WorkerThread worker;    // its gate is the pause gate
    SearchCriteria criteria;
    mvstring folder_text; // existing locations joined by " | "
    // The saved-search file a load (JobLoadFile) reads, and whether it takes
    // only the criteria from it; set by OpenSearchFile.
    mvstring load_path;
    bool load_criteria_only = false;
    std::atomic<std::uint8_t> kind{JobIdle};
    std::vector<ResultsSnapshot> undo;
    // Guarded by the lock: the worker reads it under the lock, a re-sort
    // sets its order to the one it gives the list (so that sorted insertion
    // follows the order the list is in) and a start of the worker takes it
    // from the settings block again.
    WorkerSettings settings;
    // Passes that read the items outside the lock (see ResultsHold), and
    // the items cleared meanwhile, which the last of them frees; both
    // guarded by the lock.
    std::int32_t item_holds = 0;
    FoundItem* retired_items = nullptr;

    explicit SearchJob(bool global = false);
    ~SearchJob();
    SearchJob(const SearchJob&) = delete;
    SearchJob& operator=(const SearchJob&) = delete;

    bool IsGlobal() const noexcept { return m_global; }

    // Whether the worker is alive, whatever the kind. A job whose worker is
    // still reading after a stop without wait counts as running, so that
    // nothing clears the results under it.
    bool IsRunning() const noexcept { return worker.IsRunning(); }

    // Empties the owning list, first retiring the reports of the global
    // job's items that are on their way, then deleting the items, or setting
    // them aside for the end of the holds while a ResultsHold lives; callers
    // hold the lock when other threads can see the job.
    void ClearFoundItems();
    // Deletes the items from `first` on, linked by next.
    static void FreeItems(FoundItem* first) noexcept;

    // Empties the shared caches that refer to results (notifier queue and
    // the per-file shell caches), the display text, the undo stack, and then
    // under the lock every item and the result list.
    void ClearResults();

    // Starts the worker on `routine` (parameter: this job) with the given
    // kind. False, changing nothing, while a worker is alive or when the
    // thread cannot be created.
    bool StartWorker(JobKind jobKind, LPTHREAD_START_ROUTINE routine);

    // A folder search with a copy of the criteria: false, changing nothing,
    // while a worker is alive or when the folder text is empty; otherwise the
    // previous results are cleared and the worker started.
    bool StartSearch(const SearchCriteria& search, LPTHREAD_START_ROUTINE routine);
    // Loading a saved-search file: false when the path is not an existing
    // file or a worker is alive. The criteria are reset (the file gives new
    // ones); the path and the flag go to load_path and load_criteria_only.
    bool OpenSearchFile(const mvstring& path, bool criteriaOnly, LPTHREAD_START_ROUTINE routine);

    // For the handler of an item report (code 6), on the thread that clears
    // the results: whether `item` is the item of the report being sent and
    // is still one of the job's live items, that is, no freeing of items
    // (ClearFoundItems, directly or through ClearResults) came after the
    // report was made. Any other pointer, and any call outside the send,
    // answers false. The caller then reads the item under the lock. Only the
    // global job reports items; any other job answers false.
    bool IsReportedItemLive(const FoundItem* item);

    // Asks the worker to stop, waits up to `waitMs` and clears the kind.
    void StopAndWait(DWORD waitMs);

    // The kind while the worker runs with its gate closed, else 0.
    JobKind PausedKind() const noexcept;

    // Every result's display index becomes its position; the caller holds
    // the lock.
    void RenumberResults();

    // The search locations of the criteria: existing folders without
    // duplicates (and without nested ones when subfolders are searched);
    // sets the folder display text.
    void ParseFolders(PathList& list);

    // The worker routine (parameter: the job): runs the walk, the load of a
    // saved-search file or the search within results, by the kind and the
    // criteria. Exit code 0 on success, -1 on failure or stop.
    static DWORD WINAPI Run(void* job);
    // The three jobs the worker runs; true when they completed.
    bool Walk();
    bool SearchWithinResults();

private:
    bool m_global;
};

// Loads a saved-search file into the job on its worker.
bool LoadSearchFile(SearchJob& job, const mvstring& path, bool criteriaOnly);

// The one job that drives the main window and the windowless run.
SearchJob& GlobalSearchJob();

// The operations of the global job that the window and the command line use.
bool StartSearch(const SearchCriteria& search);
bool OpenSearchFile(const mvstring& path, bool criteriaOnly);
// The kind of the global job while its worker is paused, else JobIdle.
JobKind PausedSearchKind();
void ClearResults();
