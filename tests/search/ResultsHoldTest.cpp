#include "search/ResultsHold.h"

#include "foundation/mvLock.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void AddNamed(SearchJob& job, const std::wstring& prefix, int count) {
    FoundItem item;
    item.folder = L"C:\\held";
    for (int i = 0; i < count; ++i) {
        item.name = prefix + std::to_wstring(i);
        AddFoundItem(job, item, nullptr);
    }
}

std::size_t Retired(SearchJob& job) {
    mvLock held(job.lock);
    return RetiredItemCount(job);
}

} // namespace

// Items cleared while a pass holds them stay readable until the last hold
// ends, whatever the number of holds and clears and the order the holds end
// in; a clear without holds frees at once.
TEST(ResultsHold, ClearedItemsLiveUntilTheLastHoldEnds) {
    const struct {
        int holds;
        int clears; // each after adding the items again
        bool firstEndsLast;
    } cases[] = {
        {0, 1, false}, {1, 1, false}, {1, 3, false}, {2, 1, false}, {3, 2, true},
    };
    constexpr int kItems = 300;
    for (const auto& c : cases) {
        SearchJob job;
        AddNamed(job, L"first ", kItems);
        std::vector<FoundItem*> rows;
        std::vector<ResultsHold> holds;
        for (int h = 0; h < c.holds; ++h) {
            holds.push_back(CopyResults(job, rows));
            ASSERT_TRUE(holds.back());
            ASSERT_EQ(static_cast<std::size_t>(kItems), rows.size());
        }
        for (int round = 0; round < c.clears; ++round) {
            job.ClearResults();
            // Items made after the clear may take the memory of freed ones.
            AddNamed(job, L"later ", kItems);
        }
        const std::size_t expectRetired = c.holds ? static_cast<std::size_t>(kItems * c.clears) : 0;
        EXPECT_EQ(expectRetired, Retired(job)) << c.holds << " holds, " << c.clears << " clears";
        if (c.holds) {
            int intact = 0;
            for (int i = 0; i < kItems; ++i)
                intact += rows[i]->name == L"first " + std::to_wstring(i);
            EXPECT_EQ(kItems, intact) << c.holds << " holds, " << c.clears << " clears";
        }
        EXPECT_EQ(kItems, ResultList::Count(job));
        // All but one hold end: the items wait for the last.
        for (int h = 0; h + 1 < c.holds; ++h)
            holds[c.firstEndsLast ? holds.size() - 1 - h : h].Release();
        EXPECT_EQ(expectRetired, Retired(job)) << c.holds << " holds, " << c.clears << " clears";
        holds.clear();
        EXPECT_EQ(0u, Retired(job)) << c.holds << " holds, " << c.clears << " clears";
        {
            mvLock held(job.lock);
            EXPECT_EQ(0, job.item_holds);
        }
    }
}

// The copy is the display order at one moment, also across the list's
// blocks after insertions split them, and an empty list gives neither rows
// nor a hold, so that a clear then frees at once.
TEST(ResultsHold, CopyResultsTakesTheDisplayOrder) {
    SearchJob job;
    std::vector<FoundItem*> rows{nullptr};
    EXPECT_FALSE(CopyResults(job, rows));
    EXPECT_TRUE(rows.empty());

    SortOrder bySize;
    bySize.column = ColumnSize;
    FoundItem item;
    constexpr int kItems = 5000;
    for (int i = 0; i < kItems; ++i) {
        item.name = L"n" + std::to_wstring(i);
        item.size = static_cast<std::uint64_t>(i) * 7919u % 3001u;
        AddFoundItem(job, item, &bySize);
    }
    ResultsHold hold = CopyResults(job, rows);
    ASSERT_TRUE(hold);
    ASSERT_EQ(static_cast<std::size_t>(kItems), rows.size());
    int inPlace = 0;
    for (int i = 0; i < kItems; ++i)
        inPlace += rows[static_cast<std::size_t>(i)] == ResultList::ItemAt(i, job);
    EXPECT_EQ(kItems, inPlace);
    // Moving the hold keeps one hold, which the move's target ends.
    ResultsHold moved = std::move(hold);
    EXPECT_FALSE(hold);
    job.ClearResults();
    EXPECT_EQ(static_cast<std::size_t>(kItems), Retired(job));
    moved.Release();
    EXPECT_EQ(0u, Retired(job));
}
