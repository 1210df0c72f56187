// The results of a job in display order: adding items (in sorted position
// while searching when asked), the program's sort with its fixed
// tie-breaks, the readers the list view uses, and the items' display texts.
#pragma once

#include "search/FoundItem.h"
#include "search/SearchJob.h"

#include <cstdint>
#include <vector>

class ShellTypeCache;

// Result columns, also the sort column numbers.
enum ResultColumn : int {
    ColumnName = 0,
    ColumnSize = 1,
    ColumnType = 2,
    ColumnModified = 3,
    ColumnFolder = 4,
    ColumnCreated = 5,
    ColumnAccessed = 6,
    ColumnAttributes = 7,
    ColumnExtension = 8,
    ColumnNone = 9, // the order of finding
};

// How results are ordered.
struct SortOrder {
    int column = ColumnNone;
    bool descending = false;
    bool foldersOnTop = false;       // folders before files (after them descending)
    bool attrAsText = false;         // attributes ordered by their text
    ShellTypeCache* types = nullptr; // type names; null: the process-wide cache

    // SortColumn, SortDescending, KeepFoldersOnTop and AttrSortWithString.
    static SortOrder FromSettings();
};

// Thrown by the comparator to abandon a sort once the program shuts down;
// the sorts of this code catch it.
struct SortAborted {};

// True when a goes before b.
bool CompareItems(const FoundItem* a, const FoundItem* b, const SortOrder& order);
bool CompareItems(const FoundItem* a, const FoundItem* b);

// Copies the item into a new item owned by the job, numbered in the order
// of finding, and places it in the display list unless it is removed: at
// its sorted position when `sorted` is given, else at the end. Returns the
// new item. A sort abandoned on shutdown leaves it out of the display list.
FoundItem* AddFoundItem(SearchJob& job, const FoundItem& item, const SortOrder* sorted);
// The same, sorted by the settings when SortWhileSearch is on.
FoundItem* AddFoundItem(SearchJob& job, const FoundItem& item);

// Readers and changes of a job's display list, each under its lock.
class ResultList {
public:
    static int Count(SearchJob& job = GlobalSearchJob());
    // Null outside [0, Count).
    static FoundItem* ItemAt(int index, SearchJob& job = GlobalSearchJob());
    // The stored display index when set, else found by search and stored;
    // -1 for null or an item not in the list.
    static int IndexOf(FoundItem* item, SearchJob& job = GlobalSearchJob());
    // Sorts a copy outside the lock and swaps it in, renumbering the items.
    // False (order unchanged) when abandoned on shutdown.
    static bool Resort(const SortOrder& order, SearchJob& job = GlobalSearchJob());
    static bool Resort(SearchJob& job = GlobalSearchJob());
    // Sets the state of each item that is not removed and notifies every
    // change (code 6); stops on shutdown.
    static void SetItemsState(const std::vector<FoundItem*>& items, std::int32_t state,
                              SearchJob& job = GlobalSearchJob());
};
