#include "search/ResultsHold.h"

#include "foundation/mvLock.h"
#include "search/SearchJob.h"

#include <utility>

ResultsHold::ResultsHold(SearchJob& job) noexcept : m_job(&job) {
    ++job.item_holds;
}

ResultsHold::ResultsHold(ResultsHold&& other) noexcept
    : m_job(std::exchange(other.m_job, nullptr)) {}

ResultsHold& ResultsHold::operator=(ResultsHold&& other) noexcept {
    if (this != &other) {
        Release();
        m_job = std::exchange(other.m_job, nullptr);
    }
    return *this;
}

ResultsHold::~ResultsHold() {
    Release();
}

void ResultsHold::Release() noexcept {
    SearchJob* job = std::exchange(m_job, nullptr);
    if (!job)
        return;
    FoundItem* retired = nullptr;
    {
        mvLock held(job->lock);
        if (--job->item_holds == 0)
            retired = std::exchange(job->retired_items, nullptr);
    }
    // Nothing refers to them any more; a million of them take a while to
    // free, which readers of the list need not wait for.
    SearchJob::FreeItems(retired);
}

std::size_t RetiredItemCount(const SearchJob& job) {
    std::size_t count = 0;
    for (const FoundItem* item = job.retired_items; item; item = item->next)
        ++count;
    return count;
}

ResultsHold CopyResults(SearchJob& job, std::vector<FoundItem*>& rows) {
    rows.clear();
    for (;;) {
        std::size_t size = 0;
        {
            mvLock held(job.lock);
            size = job.results.size();
        }
        if (size == 0)
            return ResultsHold();
        // Room for what the worker adds until the lock is taken again;
        // filling it touches the pages now rather than under the lock.
        rows.assign(size + size / 8 + 1024, nullptr);
        mvLock held(job.lock);
        if (job.results.size() > rows.size())
            continue;
        rows.resize(job.results.size());
        job.results.CopyTo(rows.data());
        if (rows.empty())
            return ResultsHold();
        return ResultsHold(job);
    }
}
