// The groups of the results list: the display list divided by the grouping
// column into captioned groups (name ranges, size bands, relative date
// ranges, or one group per type, folder, attribute text or extension), kept
// in group order, with the group of every display index.
#pragma once

#include "foundation/mvstring.h"
#include "search/FoundItem.h"
#include "search/ResultDeque.h"

#include <windows.h>

#include <cstdint>
#include <deque>
#include <string_view>
#include <unordered_map>
#include <vector>

struct ResultGroup {
    std::deque<std::int32_t> items; // display indexes, in display order
    std::int32_t id = 0; // -1: the leftovers (outside every range, no size, no extension)
    mvstring title;      // the key of the groups by text
};

// Relative date ranges, oldest first; a range's id is its order.
enum DateRangeId : int {
    DateLongAgo = 0,
    DateEarlierThisYear = 1,
    DateLastMonth = 2,
    DateEarlierThisMonth = 3,
    DateLastWeek = 4,
    DateEarlierThisWeek = 5,
    DateYesterday = 6,
    DateToday = 7,
    DateTomorrow = 8,
    DateLaterThisWeek = 9,
    DateNextWeek = 10,
    DateLaterThisMonth = 11,
    DateNextMonth = 12,
    DateLaterThisYear = 13,
    DateInTheFuture = 14,
};

class ResultGroups {
public:
    std::deque<ResultGroup> groups;
    std::vector<std::int32_t> item_map; // group index per display index, -1 none
    // The grouping of the last Rebuild (the settings GroupColumn and
    // GroupDescending): a result column 0..8, 9 or more for none.
    std::uint8_t column = 9;
    bool descending = false;

    // Takes the grouping from the settings and builds the groups for today.
    // False when grouping is off or the program is shutting down (the
    // groups are then partial and not to be shown).
    bool Rebuild(const ResultDeque& display);
    // The same with the grouping as set in `column` and `descending`, and
    // the start of the local day given as a local file time. Gives the
    // groups that AddItem gives item by item, but looks each distinct key up
    // among the groups only once.
    bool Build(const ResultDeque& display, std::uint64_t today);

    // Index of the group with this key, a new group inserted in group order
    // when there is none.
    int FindOrInsert(std::int32_t id, const mvstring& title);
    // Puts one item into its group by the grouping column.
    void AddItem(std::int32_t displayIndex, const FoundItem& item, std::uint64_t today);
    // The relative date range (0..14) of the item's time of the grouping
    // column, seen from `today`; weeks start on the user's first day of the
    // week.
    int DateRange(const FoundItem& item, std::uint64_t today) const;
    // The caption of a group: its title and, when it holds items, the count
    // in parentheses. Empty for an index outside the groups.
    void GetCaption(int groupIndex, mvstring& text) const;

private:
    // The key of an item's group: the id and, for the columns grouped by
    // text, the text (a view into the item or the type cache). The name
    // column's title, the range label, is not part of its key.
    struct Key {
        std::int32_t id;
        std::wstring_view title;
    };
    Key KeyOf(const FoundItem& item, std::uint64_t today) const;
    // The title a new group of the item's key gets.
    mvstring TitleOf(const FoundItem& item, const Key& key) const;
    // -1, 0 or 1: the group entry against the key, in group order.
    int Compare(const ResultGroup& entry, std::int32_t id, std::wstring_view title) const;

    // The range of a local day `d` (start of the day as a local file time).
    int DayRange(std::uint64_t d, std::uint64_t today) const;

    // Today's date, the start of its week and the zone's bias, worked out
    // once per day given, and the range of each day met since.
    mutable std::uint64_t m_weekToday = 0;
    mutable SYSTEMTIME m_today{};
    mutable std::uint64_t m_weekStart = 0;
    mutable std::int64_t m_bias = 0;
    mutable std::unordered_map<std::uint64_t, int> m_dayRanges;
    static constexpr std::size_t kMaxKnownDays = 1 << 16;
};

// The start of the current local day as a local file time (100 ns units).
std::uint64_t LocalToday();
