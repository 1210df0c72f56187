#include "search/ResultList.h"

#include "foundation/DisplayText.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "search/Notifier.h"
#include "search/PropertyTexts.h"
#include "search/ShellTypeCache.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

namespace {

// <0, 0, >0 by unsigned value.
template <typename T> int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int Names(const FoundItem* a, const FoundItem* b) {
    return mvstring::Compare(a->name, b->name, false);
}

// The column's key, then the names where the column asks for them; 0 when
// the insertion order must decide.
int CompareColumn(const FoundItem* a, const FoundItem* b, const SortOrder& order) {
    int r = 0;
    switch (order.column) {
    case ColumnName:
        return mvstring::Compare(a->name, b->name, true);
    case ColumnSize:
        r = Order(a->size, b->size);
        break;
    case ColumnType: {
        ShellTypeCache& types = order.types ? *order.types : GlobalShellTypeCache();
        r = mvstring::Compare(types.GetTypeName(a->ext, a->attr),
                              types.GetTypeName(b->ext, b->attr), false);
        break;
    }
    case ColumnModified:
        r = Order(a->date_m, b->date_m);
        break;
    case ColumnFolder:
        r = mvstring::Compare(a->folder, b->folder, false);
        break;
    case ColumnCreated:
        r = Order(a->date_c, b->date_c);
        break;
    case ColumnAccessed:
        r = Order(a->date_a, b->date_a);
        break;
    case ColumnAttributes:
        r = order.attrAsText ? mvstring::Compare(a->attr_text, b->attr_text, true)
                             : Order(a->attr, b->attr);
        break;
    case ColumnExtension:
        r = mvstring::Compare(a->ext, b->ext, true);
        break;
    default:
        return 0;
    }
    return r != 0 ? r : Names(a, b);
}

// The steps every order shares around the column's own comparison.
template <typename Primary>
bool Before(const FoundItem* a, const FoundItem* b, const SortOrder& order, Primary primary) {
    if (IsShuttingDown())
        throw SortAborted();
    if (a == b)
        return false;
    int r = 0;
    if (order.foldersOnTop && a->IsFolder() != b->IsFolder())
        r = a->IsFolder() ? -1 : 1;
    if (r == 0)
        r = primary();
    if (r == 0)
        r = Order(a->insert_index, b->insert_index);
    return order.descending ? r > 0 : r < 0;
}

constexpr DWORD kNaturalFlags = NORM_IGNORECASE | SORT_DIGITSASNUMBERS;

// Appends the text's sort key for the natural order (its bytes order as the
// natural comparison orders the texts), ending in a zero byte. False when
// the system cannot make it.
bool AppendSortKey(const mvstring& text, std::string& keys) {
    int n = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNaturalFlags, text.c_str(), -1,
                         nullptr, 0);
    if (n <= 0)
        return false;
    size_t at = keys.size();
    keys.resize(at + n);
    return LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNaturalFlags, text.c_str(), -1,
                        reinterpret_cast<LPWSTR>(keys.data() + at), n) == n &&
           keys.back() == 0;
}

// An item with what its column compares by, worked out once before a sort:
// the offset of its natural sort key, or the rank of its type name.
struct Keyed {
    FoundItem* item;
    std::uint32_t key;
};

// Ranks of the items' type names (equal names share a rank), in list order.
std::vector<std::uint32_t> TypeRanks(const ResultDeque& list, ShellTypeCache& types) {
    std::vector<const mvstring*> names;
    names.reserve(list.size());
    for (const FoundItem* item : list)
        names.push_back(&types.GetTypeName(item->ext, item->attr));
    std::vector<const mvstring*> distinct(names);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::sort(distinct.begin(), distinct.end(), [](const mvstring* x, const mvstring* y) {
        return mvstring::Compare(*x, *y, false) < 0;
    });
    std::vector<std::pair<const mvstring*, std::uint32_t>> ranks;
    std::uint32_t rank = 0;
    for (size_t i = 0; i < distinct.size(); ++i) {
        if (i > 0 && mvstring::Compare(*distinct[i - 1], *distinct[i], false) != 0)
            ++rank;
        ranks.push_back({distinct[i], rank});
    }
    std::sort(ranks.begin(), ranks.end());
    std::vector<std::uint32_t> out;
    out.reserve(list.size());
    for (const mvstring* name : names)
        out.push_back(
            std::lower_bound(ranks.begin(), ranks.end(), std::make_pair(name, 0u))->second);
    return out;
}

// Sorts the list in the order of CompareItems, with the texts that a
// column compares by turned into keys once per item instead of once per
// comparison. False, leaving the list as it was, for columns that compare
// numbers (already fast) or when the keys cannot be had.
bool SortByKeys(ResultDeque& list, const SortOrder& order) {
    const mvstring* (*text)(const FoundItem*) = nullptr;
    if (order.column == ColumnName)
        text = [](const FoundItem* i) { return &i->name; };
    else if (order.column == ColumnExtension)
        text = [](const FoundItem* i) { return &i->ext; };
    else if (order.column == ColumnAttributes && order.attrAsText)
        text = [](const FoundItem* i) { return &i->attr_text; };
    else if (order.column != ColumnType)
        return false;

    std::vector<Keyed> keyed;
    keyed.reserve(list.size());
    std::string keys;
    if (text) {
        for (FoundItem* item : list) {
            keyed.push_back({item, static_cast<std::uint32_t>(keys.size())});
            if (!AppendSortKey(*text(item), keys) || keys.size() > UINT32_MAX)
                return false;
        }
    } else {
        std::vector<std::uint32_t> ranks =
            TypeRanks(list, order.types ? *order.types : GlobalShellTypeCache());
        for (size_t i = 0; i < list.size(); ++i)
            keyed.push_back({list[i], ranks[i]});
    }

    const char* base = keys.data();
    const bool namesDecide = order.column != ColumnName;
    std::sort(keyed.begin(), keyed.end(), [&](const Keyed& x, const Keyed& y) {
        return Before(x.item, y.item, order, [&] {
            int r = text ? std::strcmp(base + x.key, base + y.key) : Order(x.key, y.key);
            return r == 0 && namesDecide ? Names(x.item, y.item) : r;
        });
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        list[i] = keyed[i].item;
    return true;
}

} // namespace

SortOrder SortOrder::FromSettings() {
    VQSettings& s = Settings();
    SortOrder order;
    order.column = s.SortColumn.Get();
    order.descending = s.SortDescending.Get();
    order.foldersOnTop = s.KeepFoldersOnTop.Get();
    order.attrAsText = s.AttrSortWithString;
    return order;
}

bool CompareItems(const FoundItem* a, const FoundItem* b, const SortOrder& order) {
    return Before(a, b, order, [&] { return CompareColumn(a, b, order); });
}

bool CompareItems(const FoundItem* a, const FoundItem* b) {
    return CompareItems(a, b, SortOrder::FromSettings());
}

FoundItem* AddFoundItem(SearchJob& job, const FoundItem& item, const SortOrder* sorted) {
    auto* added = new FoundItem;
    mvLock held(job.lock);
    added->CopyFrom(item);
    added->insert_index = job.found_count;
    added->prev = job.last;
    if (job.last)
        job.last->next = added;
    else
        job.first = added;
    job.last = added;
    ++job.found_count;
    if (added->state == ItemRemoved)
        return added;
    if (!sorted) {
        job.results.push_back(added);
        return added;
    }
    try {
        auto at = std::lower_bound(job.results.begin(), job.results.end(), added,
                                   [sorted](const FoundItem* x, const FoundItem* y) {
                                       return CompareItems(x, y, *sorted);
                                   });
        job.results.insert(at, added);
    } catch (const SortAborted&) {
    }
    return added;
}

FoundItem* AddFoundItem(SearchJob& job, const FoundItem& item) {
    if (!Settings().SortWhileSearch.Get())
        return AddFoundItem(job, item, nullptr);
    SortOrder order = SortOrder::FromSettings();
    return AddFoundItem(job, item, &order);
}

int ResultList::Count(SearchJob& job) {
    mvLock held(job.lock);
    return static_cast<int>(job.results.size());
}

FoundItem* ResultList::ItemAt(int index, SearchJob& job) {
    mvLock held(job.lock);
    if (index < 0 || static_cast<size_t>(index) >= job.results.size())
        return nullptr;
    return job.results[index];
}

int ResultList::IndexOf(FoundItem* item, SearchJob& job) {
    if (!item)
        return -1;
    if (item->display_index >= 0)
        return item->display_index;
    mvLock held(job.lock);
    auto found = std::find(job.results.begin(), job.results.end(), item);
    if (found == job.results.end())
        return -1;
    item->display_index = static_cast<std::int32_t>(found - job.results.begin());
    return item->display_index;
}

bool ResultList::Resort(const SortOrder& order, SearchJob& job) {
    ResultDeque copy;
    {
        mvLock held(job.lock);
        copy = job.results;
    }
    try {
        if (!SortByKeys(copy, order))
            std::sort(copy.begin(), copy.end(), [&order](const FoundItem* a, const FoundItem* b) {
                return CompareItems(a, b, order);
            });
    } catch (const SortAborted&) {
        return false;
    }
    mvLock held(job.lock);
    job.results.swap(copy);
    job.RenumberResults();
    return true;
}

bool ResultList::Resort(SearchJob& job) {
    return Resort(SortOrder::FromSettings(), job);
}

void ResultList::SetItemsState(const std::vector<FoundItem*>& items, std::int32_t state,
                               SearchJob& job) {
    mvLock held(job.lock);
    for (FoundItem* item : items) {
        if (IsShuttingDown())
            break;
        if (!item || item->state == ItemRemoved || item->state == state)
            continue;
        item->state = state;
        PostNotify(NotifyItemChanged, reinterpret_cast<std::int64_t>(item));
    }
}

void FoundItem::FormatTexts(const SearchCriteria& criteria) {
    const bool shell = Settings().ForceUsePropSys;
    struct {
        std::uint64_t time;
        const PROPERTYKEY& key;
        mvstring& text;
    } dates[] = {{date_c, kKeyDateCreated, date_c_text},
                 {date_m, kKeyDateModified, date_m_text},
                 {date_a, kKeyDateAccessed, date_a_text}};
    for (auto& d : dates) {
        FILETIME utc{static_cast<DWORD>(d.time), static_cast<DWORD>(d.time >> 32)};
        d.text.clear();
        if (shell) {
            PROPVARIANT value{};
            value.vt = VT_FILETIME;
            value.filetime = utc;
            FormatPropertyValue(d.key, value, PDFF_DEFAULT, d.text);
        }
        FILETIME local;
        if (d.text.empty() && FileTimeToLocalFileTime(&utc, &local))
            d.text = FormatFileTime(local, !criteria.date_usesec);
    }
    size_kb_text.clear();
    size_text.clear();
    if (!IsFolder()) {
        if (shell)
            FormatSizeProperty(size, size_kb_text, true);
        if (size_kb_text.empty())
            FormatFileSize(size, true, size_kb_text);
        if (shell)
            FormatSizeProperty(size, size_text, false);
        if (size_text.empty())
            FormatFileSize(size, false, size_text);
    }
    FormatAttributesProperty(attr, attr_text);
    if (attr_text.empty())
        AttributesToLetters(attr, attr_text);
}
