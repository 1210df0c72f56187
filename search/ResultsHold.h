// Keeps a job's items alive while a pass reads them outside the results
// lock: the export formatting and writing its rows, a sort of a copy of the
// list. Such a pass takes what it needs under the lock (the display order)
// together with a hold, then works without the lock, so that readers of the
// list never wait for the disk or the shell. A clear made meanwhile empties
// the job as before, but the items it would free are set aside and freed
// by the last hold to end, outside the lock.
//
// What a held item may still change is what changes under the lock (its
// state, display index, icon); its names, numbers and text form stay as the
// item was added, and are what a holder reads.
#pragma once

#include <cstddef>
#include <vector>

class SearchJob;
struct FoundItem;

class ResultsHold {
public:
    ResultsHold() noexcept = default;
    // Holds the job's items; the caller holds the job's lock.
    explicit ResultsHold(SearchJob& job) noexcept;
    ResultsHold(ResultsHold&& other) noexcept;
    ResultsHold& operator=(ResultsHold&& other) noexcept;
    ResultsHold(const ResultsHold&) = delete;
    ResultsHold& operator=(const ResultsHold&) = delete;
    // Takes the job's lock; the last hold frees the items cleared meanwhile.
    ~ResultsHold();

    // Ends the hold now (as the end of the object does); a second call does
    // nothing.
    void Release() noexcept;
    explicit operator bool() const noexcept { return m_job != nullptr; }

private:
    SearchJob* m_job = nullptr;
};

// Items cleared while held and not freed yet; the caller holds the lock.
std::size_t RetiredItemCount(const SearchJob& job);

// The job's display list in order into `rows`, with a hold on its items
// taken in the same lock: the memory for the copy is had before the lock is
// taken, so that the lock is held only while the pointers are copied. An
// empty list gives no rows and no hold.
ResultsHold CopyResults(SearchJob& job, std::vector<FoundItem*>& rows);
