// The results of a job in display order: adding items (in sorted position
// while searching when asked), the program's sort with its fixed
// tie-breaks, the readers the list view uses, and the items' display texts.
#pragma once

#include "search/FoundItem.h"
#include "search/SearchJob.h"
#include "search/SortOrder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ShellTypeCache;

// Thrown by the comparator to abandon a sort once the program shuts down;
// the sorts of this code catch it.
struct SortAborted {};

// True when a goes before b.
bool CompareItems(const FoundItem* a, const FoundItem* b, const SortOrder& order);
bool CompareItems(const FoundItem* a, const FoundItem* b);

// Copies the item into a new item owned by the job, numbered in the order
// of finding, and places it in the display list unless it is removed: at
// its sorted position when `sorted` is given (found by binary search; the
// insertion moves at most one block of the list), else at the end, with its
// display index set. Returns the new item. A sort abandoned on shutdown
// leaves it out of the display list.
FoundItem* AddFoundItem(SearchJob& job, const FoundItem& item, const SortOrder* sorted);
// The same, sorted by the job's order when its copy of SortWhileSearch is
// on (SearchJob::settings).
FoundItem* AddFoundItem(SearchJob& job, const FoundItem& item);

// Values by exact extension (or any text), searched by view without making
// a string.
struct ExtensionHash {
    using is_transparent = void;
    std::size_t operator()(std::wstring_view text) const noexcept {
        return std::hash<std::wstring_view>()(text);
    }
};
template <typename Value>
using ByExtension = std::unordered_map<std::wstring, Value, ExtensionHash, std::equal_to<>>;

// Type names met during one pass over many items (a sort, an export), by
// folder flag and exact extension: asking the shared cache for every item
// would take its lock and its case-insensitive search each time.
class ItemTypeNames {
public:
    explicit ItemTypeNames(ShellTypeCache& types) : m_types(types) {}
    // The type name of the item's extension (or of folders); valid while the
    // cache lives.
    const mvstring& Get(const FoundItem& item);
    // Every distinct name given so far, once each.
    std::vector<const mvstring*> Distinct() const;

private:
    ShellTypeCache& m_types;
    ByExtension<const mvstring*> m_names[2];
};

// Readers and changes of a job's display list, each under its lock.
class ResultList {
public:
    static int Count(SearchJob& job = GlobalSearchJob());
    // Null outside [0, Count).
    static FoundItem* ItemAt(int index, SearchJob& job = GlobalSearchJob());
    // The item's display index: the stored one while it is still the item's
    // place; a stale one (items inserted before it since) renumbers the
    // whole list; an unset one is found by search and stored. -1 for null or
    // an item not in the list.
    static int IndexOf(FoundItem* item, SearchJob& job = GlobalSearchJob());
    // Sorts a copy outside the lock and swaps it in, renumbering the items;
    // items added while the copy was sorted are placed into it first.
    // False (order unchanged) when abandoned on shutdown, or when the list
    // was emptied or replaced meanwhile.
    static bool Resort(const SortOrder& order, SearchJob& job = GlobalSearchJob());
    static bool Resort(SearchJob& job = GlobalSearchJob());
    // Sets the state of each item that is not removed and notifies every
    // change (code 6); stops on shutdown.
    static void SetItemsState(const std::vector<FoundItem*>& items, std::int32_t state,
                              SearchJob& job = GlobalSearchJob());
};
