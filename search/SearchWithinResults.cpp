// Searching within results: new criteria applied to the items already found
// instead of walking the folders again.
#include "foundation/ShutdownFlag.h"
#include "foundation/mvLock.h"
#include "search/EntryTests.h"
#include "search/FoundItem.h"
#include "search/Notifier.h"
#include "search/SearchJob.h"

#include <algorithm>
#include <vector>

bool SearchJob::SearchWithinResults() {
    EntryTester tester;
    tester.Prepare(criteria, &worker);

    std::vector<FoundItem*> taken;
    {
        mvLock lock(this->lock);
        taken.assign(results.begin(), results.end());
        results.clear();
        ++results_resets;
    }
    std::stable_sort(taken.begin(), taken.end(), [](const FoundItem* a, const FoundItem* b) {
        return a->insert_index < b->insert_index;
    });
    if (m_global)
        PostNotify(NotifyStarted, 3);

    bool completed = true;
    const mvstring* statusFolder = nullptr;
    for (FoundItem* item : taken) {
        if (worker.CheckStop() || IsShuttingDown()) {
            completed = false;
            break;
        }
        if (!statusFolder || item->folder.str() != statusFolder->str()) {
            statusFolder = &item->folder.text();
            if (m_global)
                PostNotify(NotifyStatus, reinterpret_cast<int64_t>(statusFolder->c_str()));
        }
        if (tester.Test(*item) != ContentResult::Pass)
            continue;
        {
            mvLock lock(this->lock);
            results.push_back(item);
        }
        if (m_global)
            PostNotify(NotifyItemsAdded, 0);
    }
    {
        mvLock lock(this->lock);
        RenumberResults();
    }
    if (m_global)
        PostNotify(NotifyFinished, completed ? 0 : 1);
    return completed;
}
