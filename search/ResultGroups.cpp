#include "search/ResultGroups.h"

#include "foundation/DisplayText.h"
#include "foundation/FileTimes.h"
#include "foundation/GroupRanges.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/WordLists.h"
#include "search/ResultList.h"
#include "search/ShellTypeCache.h"

#include <cwchar>
#include <functional>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::uint64_t kDay = 864000000000ull; // 100 ns units
constexpr std::uint64_t kSecond = 10000000ull;

int Sign(int value) {
    return (value > 0) - (value < 0);
}

SYSTEMTIME ToSystemTime(std::uint64_t time) {
    const FILETIME file = UInt64ToFileTime(time);
    SYSTEMTIME system{};
    FileTimeToSystemTime(&file, &system);
    return system;
}

// The bias the system applies to a time now, the same for every time (the
// conversion to local time takes the zone's current offset, not the one of
// the date converted); 0 when there is none to have.
std::int64_t LocalBias() {
    FILETIME utc{}, local{};
    GetSystemTimeAsFileTime(&utc);
    if (!FileTimeToLocalFileTime(&utc, &local))
        return 0;
    return static_cast<std::int64_t>(FileTimeToUInt64(local) - FileTimeToUInt64(utc));
}

// The time of the grouping column, as the start of its local day.
std::uint64_t LocalDay(std::uint64_t utc, std::int64_t bias) {
    // A time the bias would take below zero has no local time; it stays as
    // it is, as a failed conversion leaves it.
    const bool below = bias < 0 && utc < static_cast<std::uint64_t>(-bias);
    const std::uint64_t time = below ? utc : utc + static_cast<std::uint64_t>(bias);
    return time - time % kDay;
}

int SizeGroupId(const FoundItem& item) {
    if (item.IsFolder())
        return -1;
    if (item.size == 0)
        return 0;
    const std::vector<std::uint64_t>& bounds = Settings().SizeGroups.Bounds;
    for (std::size_t at = 0; at < bounds.size(); ++at) {
        if (bounds[at] >= item.size)
            return static_cast<int>(at) + 1;
    }
    return static_cast<int>(bounds.size()) + 1;
}

} // namespace

std::uint64_t LocalToday() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    FILETIME file{};
    SystemTimeToFileTime(&now, &file);
    std::uint64_t time = FileTimeToUInt64(file);
    time -= time % kSecond;
    return time - time % kDay;
}

int ResultGroups::Compare(const ResultGroup& entry, std::int32_t id,
                          std::wstring_view title) const {
    int result = 0;
    if (column == ColumnType || column == ColumnFolder || column == ColumnAttributes) {
        // Items without the text form one group of their own, placed like
        // the leftovers of the other columns.
        if (entry.title.empty() || title.empty())
            result = (entry.title.empty() ? 1 : 0) - (title.empty() ? 1 : 0);
        else
            result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_DIGITSASNUMBERS,
                                    entry.title.c_str(), static_cast<int>(entry.title.length()),
                                    title.data(), static_cast<int>(title.length())) -
                     CSTR_EQUAL;
    } else if (entry.id == -1 || id == -1) {
        // The leftovers come after every other group.
        result = (entry.id == -1 ? 1 : 0) - (id == -1 ? 1 : 0);
    } else if (column == ColumnExtension) {
        result = mvstring::Compare(entry.title, mvstring(title), true);
    } else {
        result = (entry.id > id) - (entry.id < id);
    }
    result = Sign(result);
    return descending ? -result : result;
}

int ResultGroups::FindOrInsert(std::int32_t id, const mvstring& title) {
    std::size_t low = 0, high = groups.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (Compare(groups[middle], id, title) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == groups.size() || Compare(groups[low], id, title) != 0)
        groups.insert(groups.begin() + static_cast<std::ptrdiff_t>(low),
                      ResultGroup{{}, id, title});
    return static_cast<int>(low);
}

int ResultGroups::DateRange(const FoundItem& item, std::uint64_t today) const {
    const std::uint64_t utc = column == ColumnCreated    ? item.date_c
                              : column == ColumnAccessed ? item.date_a
                                                         : item.date_m;
    if (m_weekStart == 0 || m_weekToday != today) {
        m_today = ToSystemTime(today);
        SYSTEMTIME shifted = m_today;
        ShiftDayOfWeek(shifted);
        m_weekToday = today;
        m_weekStart = today - shifted.wDayOfWeek * kDay;
        m_bias = LocalBias();
        m_dayRanges.clear();
    }
    const std::uint64_t d = LocalDay(utc, m_bias);
    // Many items share a day; each day's range is worked out once.
    const auto known = m_dayRanges.find(d);
    if (known != m_dayRanges.end())
        return known->second;
    const int range = DayRange(d, today);
    if (m_dayRanges.size() < kMaxKnownDays)
        m_dayRanges.emplace(d, range);
    return range;
}

int ResultGroups::DayRange(std::uint64_t d, std::uint64_t today) const {
    const SYSTEMTIME& now = m_today;
    const std::uint64_t s = m_weekStart;

    if (d == today)
        return DateToday;
    if (d == today + kDay)
        return DateTomorrow;
    if (d + kDay == today)
        return DateYesterday;
    if (s <= d && d < today)
        return DateEarlierThisWeek;
    if (today < d && d <= s + 6 * kDay)
        return DateLaterThisWeek;
    if (s - 7 * kDay <= d && d < s)
        return DateLastWeek;
    if (s + 6 * kDay < d && d <= s + 13 * kDay)
        return DateNextWeek;
    const SYSTEMTIME then = ToSystemTime(d);
    if (then.wYear == now.wYear) {
        if (then.wMonth == now.wMonth)
            return then.wDay < now.wDay ? DateEarlierThisMonth : DateLaterThisMonth;
        if (now.wMonth == then.wMonth + 1)
            return DateLastMonth;
        if (then.wMonth == now.wMonth + 1)
            return DateNextMonth;
        return then.wMonth < now.wMonth ? DateEarlierThisYear : DateLaterThisYear;
    }
    return then.wYear < now.wYear ? DateLongAgo : DateInTheFuture;
}

ResultGroups::Key ResultGroups::KeyOf(const FoundItem& item, std::uint64_t today) const {
    switch (column) {
    case ColumnName:
        return {GroupNameIndex(item.name.empty() ? L'\0' : item.name[0]), {}};
    case ColumnSize:
        return {SizeGroupId(item), {}};
    case ColumnType:
        return {0, GlobalShellTypeCache().GetTypeName(item.ext, item.attr).view()};
    case ColumnFolder:
        return {0, item.folder.view()};
    case ColumnAttributes:
        return {0, item.AttributeText().view()};
    case ColumnExtension:
        return {item.IsFolder() || item.ext.empty() ? -1 : 0, item.ext.view()};
    default:
        return {DateRange(item, today), {}};
    }
}

mvstring ResultGroups::TitleOf(const FoundItem& item, const Key& key) const {
    mvstring title;
    if (column != ColumnName)
        title = key.title;
    else if (key.id >= 0)
        GroupNameIndex(item.name[0], &title);
    return title;
}

void ResultGroups::AddItem(std::int32_t displayIndex, const FoundItem& item, std::uint64_t today) {
    if (column > ColumnExtension)
        return;
    const Key key = KeyOf(item, today);
    groups[FindOrInsert(key.id, TitleOf(item, key))].items.push_back(displayIndex);
}

bool ResultGroups::Rebuild(const ResultDeque& display) {
    column = Settings().GroupColumn.Get();
    descending = Settings().GroupDescending.Get();
    return Build(display, LocalToday());
}

namespace {

struct KeyHash {
    std::size_t operator()(const std::pair<std::int32_t, std::wstring_view>& key) const noexcept {
        return std::hash<std::wstring_view>()(key.second) * 31 +
               std::hash<std::int32_t>()(key.first);
    }
};

} // namespace

bool ResultGroups::Build(const ResultDeque& display, std::uint64_t today) {
    groups.clear();
    item_map.clear();
    // Today's week, the zone's bias and the ranges of days are taken anew
    // for every build.
    m_weekStart = 0;
    if (column > ColumnExtension)
        return false;
    // Each distinct key once, in the order items bring them, so that a group
    // keeps the title of its first item.
    struct Distinct {
        std::int32_t id;
        mvstring title;
        std::wstring_view key;
        int group = -1;
    };
    std::deque<Distinct> distinct;
    std::unordered_map<std::pair<std::int32_t, std::wstring_view>, int, KeyHash> known;
    std::vector<int> itemKeys(display.size());
    std::size_t at = 0;
    bool whole = true;
    // Type names by extension met in this pass, instead of the shared
    // cache's lock and search for every item.
    ItemTypeNames typeNames(GlobalShellTypeCache());
    ForEachPrefetched(display.begin(), display.end(), [&](const FoundItem* item) {
        if (IsShuttingDown())
            return whole = false;
        const Key key =
            column == ColumnType ? Key{0, typeNames.Get(*item).view()} : KeyOf(*item, today);
        auto found = known.find({key.id, key.title});
        if (found == known.end()) {
            distinct.push_back({key.id, TitleOf(*item, key), {}});
            // The map's key must outlive the item it came from.
            distinct.back().key =
                key.title.empty() ? std::wstring_view() : distinct.back().title.view();
            if (column == ColumnName)
                distinct.back().key = {};
            found = known
                        .emplace(std::make_pair(key.id, distinct.back().key),
                                 static_cast<int>(distinct.size() - 1))
                        .first;
        }
        itemKeys[at++] = found->second;
        return true;
    });
    if (!whole)
        return false;
    for (const Distinct& entry : distinct)
        FindOrInsert(entry.id, entry.title);
    for (Distinct& entry : distinct)
        entry.group = FindOrInsert(entry.id, entry.title);

    item_map.assign(display.size(), -1);
    for (at = 0; at < display.size(); ++at) {
        if (IsShuttingDown())
            return false;
        const int group = distinct[itemKeys[at]].group;
        groups[group].items.push_back(static_cast<std::int32_t>(at));
        item_map[at] = group;
    }
    return true;
}

void ResultGroups::GetCaption(int groupIndex, mvstring& text) const {
    text.clear();
    if (groupIndex < 0 || groupIndex >= static_cast<int>(groups.size()))
        return;
    const ResultGroup& group = groups[groupIndex];
    if (column == ColumnSize) {
        text = SizeGroupLabel(Settings().SizeGroups, group.id);
        GetSizeGroupTitle(group.id, text);
    } else if (column == ColumnModified || column == ColumnCreated || column == ColumnAccessed) {
        text = GetDateGroupTitle(group.id);
    } else if (group.id == -1 && column == ColumnName) {
        text = GetOtherNameGroupTitle();
    } else if (group.id == -1 && column == ColumnExtension) {
        text = GetOtherExtGroupTitle();
    } else {
        text = group.title;
    }
    if (!group.items.empty()) {
        wchar_t count[32]{};
        std::swprintf(count, 32, L" (%llu)", static_cast<unsigned long long>(group.items.size()));
        text += count;
    }
}
