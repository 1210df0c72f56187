#include "search/ResultList.h"

#include "foundation/DisplayText.h"
#include "foundation/ParallelParts.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "search/Notifier.h"
#include "search/PropertyTexts.h"
#include "search/ResultsHold.h"
#include "search/ShellTypeCache.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
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
        if (order.attrAsText) {
            // A copy: the second text may come from the same per-thread cache.
            const mvstring first = a->AttributeText();
            r = mvstring::Compare(first, b->AttributeText(), true);
        } else {
            r = Order(a->attr, b->attr);
        }
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

ShellTypeCache& TypesOf(const SortOrder& order) {
    return order.types ? *order.types : GlobalShellTypeCache();
}

// Thrown by a comparison under the results lock that needs a text not made
// yet: the shell or the property system would make it, and the readers of
// the list must not wait for them. The caller leaves the lock, has the text
// made from this copy of the item's key, and tries again.
struct KeyMissing {
    mvstring ext;
    std::uint32_t attr;
};

// Whether the order compares by texts that the shell or the property
// system makes: type names, attribute texts.
bool ComparesMadeTexts(const SortOrder& order) {
    return order.column == ColumnType || (order.column == ColumnAttributes && order.attrAsText);
}

// Makes, outside the lock, the text a comparison under it missed; for the
// type names in the shared cache, for attribute texts in the calling
// thread's, where the comparison looks.
void MakeKey(const KeyMissing& missing, const SortOrder& order) {
    if (order.column == ColumnType)
        TypesOf(order).GetTypeName(missing.ext, missing.attr);
    else
        ItemAttributeText(missing.attr);
}

const mvstring& KeptTypeName(const FoundItem* item, const SortOrder& order) {
    if (const mvstring* name = TypesOf(order).FindTypeName(item->ext, item->attr))
        return *name;
    throw KeyMissing{item->ext, item->attr};
}

const mvstring& KeptAttributeText(const FoundItem* item) {
    static const mvstring none;
    if (!(item->text_form & FoundItem::kTextsFormatted))
        return none;
    if (const mvstring* text = FindItemAttributeText(item->attr))
        return *text;
    throw KeyMissing{item->ext, item->attr};
}

// CompareItems for use under the results lock: the same order, with the
// texts of ComparesMadeTexts only as made before; throws KeyMissing for
// one that is not.
bool BeforeUnderLock(const FoundItem* a, const FoundItem* b, const SortOrder& order) {
    return Before(a, b, order, [&] {
        int r = 0;
        if (order.column == ColumnType)
            r = mvstring::Compare(KeptTypeName(a, order), KeptTypeName(b, order), false);
        else if (order.column == ColumnAttributes && order.attrAsText)
            r = mvstring::Compare(KeptAttributeText(a), KeptAttributeText(b), true);
        else
            return CompareColumn(a, b, order);
        return r != 0 ? r : Names(a, b);
    });
}

constexpr DWORD kNaturalFlags = NORM_IGNORECASE | SORT_DIGITSASNUMBERS;

// Appends the text's sort key for the natural order (its bytes order as the
// natural comparison orders the texts), ending in a zero byte. False when
// the system cannot make it.
bool AppendSortKey(const mvstring& text, std::string& keys) {
    // Most keys fit here, which spares asking for the length first.
    char buffer[512];
    int n = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNaturalFlags, text.c_str(), -1,
                         reinterpret_cast<LPWSTR>(buffer), sizeof buffer);
    if (n > 0) {
        keys.append(buffer, static_cast<size_t>(n));
        return keys.back() == 0;
    }
    n = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNaturalFlags, text.c_str(), -1, nullptr,
                     0);
    if (n <= 0)
        return false;
    size_t at = keys.size();
    keys.resize(at + n);
    return LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNaturalFlags, text.c_str(), -1,
                        reinterpret_cast<LPWSTR>(keys.data() + at), n) == n &&
           keys.back() == 0;
}

// An item with what its column compares by, worked out once before a sort
// so that most comparisons touch neither the item nor its texts: words of
// the column's key (its number, the type rank, or eight bytes each of the
// natural sort key, big-endian with zeros after its end), then words of the
// upper-cased name (four units each) for the columns whose ties the names
// break. Only when all of them tie are the whole key and name read.
constexpr int kKeyWords = 4;
struct Keyed {
    std::uint64_t words[kKeyWords];
    FoundItem* item;
    std::uint32_t keyAt;  // offset of the whole sort key among its part's keys
    std::uint32_t nameAt; // offset of the upper-cased name; kNoName when it is not ASCII
    std::uint32_t part;   // the part of the sort whose texts hold them
};
constexpr std::uint32_t kNoName = UINT32_MAX;

// Eight bytes of a zero-ended key as a number of the same order; the bytes
// after its end count as zeros. A key ends within such a number when its
// last byte is zero (no byte of a key before its end is).
std::uint64_t BigEndian(const char* bytes) {
    std::uint64_t value = 0;
    bool ended = false;
    for (int i = 0; i < 8; ++i) {
        ended = ended || bytes[i] == 0;
        value = (value << 8) | (ended ? 0u : static_cast<unsigned char>(bytes[i]));
    }
    return value;
}

// The same for four units of a zero-ended text.
std::uint64_t BigEndian(const wchar_t* units) {
    std::uint64_t value = 0;
    bool ended = false;
    for (int i = 0; i < 4; ++i) {
        ended = ended || units[i] == 0;
        value = (value << 16) | (ended ? 0u : static_cast<std::uint16_t>(units[i]));
    }
    return value;
}

// The name upper-cased as the ordinal comparison ignoring case does it, for
// names in ASCII only (elsewhere that comparison itself decides). Appends it
// with its zero and gives its offset, or kNoName.
std::uint32_t AppendUpperName(const mvstring& name, std::wstring& names) {
    for (wchar_t c : name)
        if (c == 0 || c > 0x7F)
            return kNoName;
    size_t at = names.size();
    for (wchar_t c : name)
        names.push_back(c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c);
    names.push_back(0);
    return at < kNoName ? static_cast<std::uint32_t>(at) : kNoName;
}

// Ranks of the items' type names (equal names share a rank), in list order.
std::vector<std::uint32_t> TypeRanks(const ResultDeque& list, ShellTypeCache& types) {
    ItemTypeNames lookup(types);
    std::vector<const mvstring*> names;
    names.reserve(list.size());
    ForEachPrefetched(list.begin(), list.end(), [&](const FoundItem* item) {
        names.push_back(&lookup.Get(*item));
        return true;
    });
    std::vector<const mvstring*> distinct = lookup.Distinct();
    std::sort(distinct.begin(), distinct.end(), [](const mvstring* x, const mvstring* y) {
        return mvstring::Compare(*x, *y, false) < 0;
    });
    std::unordered_map<const mvstring*, std::uint32_t> ranks;
    std::uint32_t rank = 0;
    for (size_t i = 0; i < distinct.size(); ++i) {
        if (i > 0 && mvstring::Compare(*distinct[i - 1], *distinct[i], false) != 0)
            ++rank;
        ranks[distinct[i]] = rank;
    }
    std::vector<std::uint32_t> out;
    out.reserve(list.size());
    const mvstring* last = nullptr;
    std::uint32_t lastRank = 0;
    for (const mvstring* name : names) {
        if (name != last) {
            last = name;
            lastRank = ranks[name];
        }
        out.push_back(lastRank);
    }
    return out;
}

// Ranks of the items' folders (equal texts, ignoring case, share a rank),
// in list order. The items of one folder share its text, so each distinct
// text is ranked once, not compared anew in every comparison.
std::vector<std::uint32_t> FolderRanks(const ResultDeque& list) {
    std::unordered_map<const void*, std::uint32_t> slots; // text block -> distinct index
    std::vector<const mvstring*> distinct;
    std::vector<std::uint32_t> slotOf;
    slotOf.reserve(list.size());
    const void* last = nullptr;
    std::uint32_t lastSlot = 0;
    ForEachPrefetched(list.begin(), list.end(), [&](const FoundItem* item) {
        const void* block = item->folder.Identity();
        if (block == nullptr || block != last) {
            // An empty text has no block of its own: it keeps the key of
            // its own text, which is the same for every empty one.
            const void* key = block != nullptr ? block : static_cast<const void*>(&slots);
            auto found = slots.find(key);
            if (found == slots.end()) {
                found = slots.emplace(key, static_cast<std::uint32_t>(distinct.size())).first;
                distinct.push_back(&item->folder.text());
            }
            last = block;
            lastSlot = found->second;
        }
        slotOf.push_back(lastSlot);
        return true;
    });
    std::vector<std::uint32_t> order(distinct.size());
    for (std::uint32_t at = 0; at < order.size(); ++at)
        order[at] = at;
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        return mvstring::Compare(*distinct[x], *distinct[y], false) < 0;
    });
    std::vector<std::uint32_t> rankOfSlot(distinct.size());
    std::uint32_t rank = 0;
    for (size_t at = 0; at < order.size(); ++at) {
        if (at > 0 && mvstring::Compare(*distinct[order[at - 1]], *distinct[order[at]], false) != 0)
            ++rank;
        rankOfSlot[order[at]] = rank;
    }
    for (std::uint32_t& slot : slotOf)
        slot = rankOfSlot[slot];
    return slotOf;
}

// Parts of a sort's keying and sorting: below this many items a part
// costs more to start than it saves.
constexpr size_t kMinSortPart = 16384;

// Sorts the list in the order of CompareItems, with what a column compares
// by worked out once per item instead of once per comparison. False,
// leaving the list as it was, when the keys cannot be had.
bool SortByKeys(ResultDeque& list, const SortOrder& order) {
    const mvstring* (*text)(const FoundItem*) = nullptr;
    std::uint64_t (*number)(const FoundItem*) = nullptr;
    switch (order.column) {
    case ColumnName:
        text = [](const FoundItem* i) { return &i->name; };
        break;
    case ColumnExtension:
        text = [](const FoundItem* i) { return &i->ext; };
        break;
    case ColumnAttributes:
        if (order.attrAsText)
            text = [](const FoundItem* i) { return &i->AttributeText(); };
        else
            number = [](const FoundItem* i) { return std::uint64_t{i->attr}; };
        break;
    case ColumnSize:
        number = [](const FoundItem* i) { return i->size; };
        break;
    case ColumnModified:
        number = [](const FoundItem* i) { return i->date_m; };
        break;
    case ColumnCreated:
        number = [](const FoundItem* i) { return i->date_c; };
        break;
    case ColumnAccessed:
        number = [](const FoundItem* i) { return i->date_a; };
        break;
    case ColumnType:
    case ColumnFolder:
        break;
    default:
        return false;
    }

    // Words for the column's key: a number fills one; a sort key as many as
    // the names leave, all of them for the name column (ties there go to the
    // order of finding).
    const bool namesDecide = order.column != ColumnName;
    const int keyWords = !text ? 1 : namesDecide ? 2 : kKeyWords;
    const int nameWords = namesDecide ? kKeyWords - keyWords : 0;

    std::vector<std::uint32_t> ranks;
    if (order.column == ColumnType)
        ranks = TypeRanks(list, order.types ? *order.types : GlobalShellTypeCache());
    else if (order.column == ColumnFolder)
        ranks = FolderRanks(list);

    // The items are keyed and sorted in parts, each on a thread of its own,
    // and the sorted parts merged: a million items are mostly waiting for
    // memory, which several threads wait for at once. Attribute texts come
    // from a cache of the calling thread, so they are keyed on it alone.
    const size_t count = list.size();
    const size_t parts =
        text && order.column == ColumnAttributes ? 1 : PartsFor(count, kMinSortPart, 8);
    // Every field is set before it is read: a million records are not
    // cleared first.
    const std::unique_ptr<Keyed[]> keyed(new Keyed[count]);
    struct Texts {
        std::string keys;
        std::wstring names;
    };
    std::vector<Texts> texts(parts);
    std::atomic<bool> made{true};
    auto partBegin = [&](size_t part) { return PartBegin(count, parts, part); };
    auto makeKeys = [&](size_t part) {
        const size_t from = partBegin(part), to = partBegin(part + 1);
        std::string& keys = texts[part].keys;
        std::wstring& names = texts[part].names;
        if (text)
            keys.reserve((to - from) * 40);
        if (namesDecide)
            names.reserve((to - from) * 24);
        size_t i = from;
        ForEachPrefetched(list.begin() + static_cast<std::ptrdiff_t>(from),
                          list.begin() + static_cast<std::ptrdiff_t>(to), [&](FoundItem* item) {
            Keyed& k = keyed[i];
            k.item = item;
            k.part = static_cast<std::uint32_t>(part);
            k.keyAt = 0;
            if (text) {
                k.keyAt = static_cast<std::uint32_t>(keys.size());
                if (!AppendSortKey(*text(k.item), keys) || keys.size() > UINT32_MAX - 64) {
                    made = false;
                    return false;
                }
            } else {
                k.words[0] = number ? number(k.item) : ranks[i];
            }
            k.nameAt = namesDecide ? AppendUpperName(k.item->name, names) : kNoName;
            ++i;
            return !IsShuttingDown();
        });
        keys.append(8 * kKeyWords, '\0'); // every key has its words to read
        names.append(4 * kKeyWords, L'\0');
        for (size_t at = from; at < i; ++at) {
            Keyed& k = keyed[at];
            if (text) {
                bool ended = false;
                for (int word = 0; word < keyWords; ++word) {
                    k.words[word] = ended ? 0 : BigEndian(keys.data() + k.keyAt + 8 * word);
                    ended = ended || (k.words[word] & 0xFF) == 0;
                }
            }
            bool ended = k.nameAt == kNoName;
            for (int word = 0; word < nameWords; ++word) {
                k.words[keyWords + word] =
                    ended ? 0 : BigEndian(names.data() + k.nameAt + 4 * word);
                ended = ended || (k.words[keyWords + word] & 0xFFFF) == 0;
            }
        }
    };
    RunParts(parts, makeKeys);
    if (IsShuttingDown())
        throw SortAborted();
    if (!made)
        return false;
    std::vector<const char*> keyBases;
    std::vector<const wchar_t*> nameBases;
    for (const Texts& t : texts) {
        keyBases.push_back(t.keys.data());
        nameBases.push_back(t.names.data());
    }
    auto primary = [&](const Keyed& x, const Keyed& y) {
        for (int at = 0; at < keyWords; ++at) {
            int r = Order(x.words[at], y.words[at]);
            // Equal and ended there (or a number): equal keys.
            if (r != 0 || !text || (x.words[at] & 0xFF) == 0)
                return r;
        }
        return std::strcmp(keyBases[x.part] + x.keyAt + 8 * keyWords,
                           keyBases[y.part] + y.keyAt + 8 * keyWords);
    };
    auto byName = [&](const Keyed& x, const Keyed& y) {
        if (x.nameAt == kNoName || y.nameAt == kNoName)
            return Names(x.item, y.item);
        for (int at = keyWords; at < kKeyWords; ++at) {
            int r = Order(x.words[at], y.words[at]);
            if (r != 0 || (x.words[at] & 0xFFFF) == 0)
                return r;
        }
        int c = std::wcscmp(nameBases[x.part] + x.nameAt + 4 * nameWords,
                            nameBases[y.part] + y.nameAt + 4 * nameWords);
        return (c > 0) - (c < 0);
    };
    auto before = [&](const Keyed& x, const Keyed& y) {
        return Before(x.item, y.item, order, [&] {
            int r = primary(x, y);
            return r == 0 && namesDecide ? byName(x, y) : r;
        });
    };
    // The order is total (the order of finding breaks every tie), so the
    // sort in parts gives what one sort of the whole would.
    SortInParts(keyed.get(), count, parts, before);
    size_t i = 0;
    for (FoundItem*& item : list)
        item = keyed[i++].item;
    return true;
}

} // namespace

const mvstring& ItemTypeNames::Get(const FoundItem& item) {
    auto& names = m_names[item.IsFolder() ? 1 : 0];
    auto found = names.find(item.ext.view());
    if (found == names.end())
        found = names.emplace(item.ext.str(), &m_types.GetTypeName(item.ext, item.attr)).first;
    return *found->second;
}

std::vector<const mvstring*> ItemTypeNames::Distinct() const {
    std::vector<const mvstring*> out;
    for (const auto& names : m_names)
        for (const auto& entry : names)
            out.push_back(entry.second);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

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

namespace {

// AddFoundItem, in the order given, or with `jobOrder` in the job's own
// (its settings, read in the same hold of the lock as the insertion, so
// that a re-sort cannot come between them). The place is searched under the
// lock with the texts made so far; the new item's own are made before the
// lock is taken, any an item already listed lacks when the search meets
// it, each outside the lock.
FoundItem* AddItem(SearchJob& job, const FoundItem& item, const SortOrder* given, bool jobOrder) {
    auto* added = new FoundItem;
    added->CopyFrom(item);
    std::optional<SortOrder> order;
    if (jobOrder) {
        mvLock held(job.lock);
        if (job.settings.sortWhileSearch)
            order = job.settings.order;
    } else if (given) {
        order = *given;
    }
    std::optional<KeyMissing> missing;
    if (order && added->state != ItemRemoved && ComparesMadeTexts(*order))
        missing = KeyMissing{added->ext, added->attr};
    for (;;) {
        if (missing) {
            MakeKey(*missing, *order);
            missing.reset();
        }
        mvLock held(job.lock);
        if (jobOrder) {
            order.reset();
            if (job.settings.sortWhileSearch)
                order = job.settings.order;
        }
        // Ties in the order go by the order of finding.
        added->insert_index = job.found_count;
        ResultDeque::iterator at = job.results.end();
        bool aborted = false;
        if (order && added->state != ItemRemoved) {
            try {
                at = std::lower_bound(job.results.begin(), job.results.end(), added,
                                      [&order](const FoundItem* x, const FoundItem* y) {
                                          return BeforeUnderLock(x, y, *order);
                                      });
            } catch (KeyMissing& key) {
                missing = std::move(key);
                continue;
            } catch (const SortAborted&) {
                aborted = true;
            }
        }
        added->prev = job.last;
        if (job.last)
            job.last->next = added;
        else
            job.first = added;
        job.last = added;
        ++job.found_count;
        if (added->state == ItemRemoved || aborted)
            return added;
        if (!order) {
            added->display_index = static_cast<std::int32_t>(job.results.size());
            job.results.push_back(added);
            return added;
        }
        // The items after it keep their former display index until it is
        // next asked for (IndexOf renumbers then).
        added->display_index = static_cast<std::int32_t>(job.results.insert(at, added).Index());
        return added;
    }
}

} // namespace

FoundItem* AddFoundItem(SearchJob& job, const FoundItem& item, const SortOrder* sorted) {
    return AddItem(job, item, sorted, false);
}

FoundItem* AddFoundItem(SearchJob& job, const FoundItem& item) {
    return AddItem(job, item, nullptr, true);
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
    mvLock held(job.lock);
    auto holds = [&job](const FoundItem* x) {
        return x->display_index >= 0 &&
               static_cast<size_t>(x->display_index) < job.results.size() &&
               job.results[static_cast<size_t>(x->display_index)] == x;
    };
    if (holds(item))
        return item->display_index;
    if (item->display_index >= 0) {
        // Stale, after insertions in sorted position before it: every index
        // is set again at once, so that the next questions find theirs.
        job.RenumberResults();
        if (holds(item))
            return item->display_index;
    }
    auto found = std::find(job.results.begin(), job.results.end(), item);
    if (found == job.results.end()) {
        item->display_index = -1;
        return -1;
    }
    item->display_index = static_cast<std::int32_t>(found - job.results.begin());
    return item->display_index;
}

bool ResultList::Resort(const SortOrder& order, SearchJob& job) {
    ResultDeque copy;
    std::int32_t foundBefore = 0;
    std::uint32_t resets = 0;
    ResultsHold hold; // the copy is read outside the lock
    {
        mvLock held(job.lock);
        copy = job.results;
        foundBefore = job.found_count;
        resets = job.results_resets;
        hold = ResultsHold(job);
    }
    auto before = [&order](const FoundItem* a, const FoundItem* b) {
        return CompareItems(a, b, order);
    };
    try {
        if (!SortByKeys(copy, order))
            std::sort(copy.begin(), copy.end(), before);
    } catch (const SortAborted&) {
        return false;
    }
    auto beforeUnderLock = [&order](const FoundItem* a, const FoundItem* b) {
        return BeforeUnderLock(a, b, order);
    };
    std::optional<KeyMissing> missing;
    for (;;) {
        if (missing) {
            MakeKey(*missing, order);
            missing.reset();
        }
        mvLock held(job.lock);
        // Emptied or replaced while the copy was sorted (a new search, a
        // search within results): the copy no longer holds the list's items.
        if (job.results_resets != resets)
            return false;
        // The worker keeps adding while the copy is sorted: the items it
        // added meanwhile join the sorted copy in their place instead of
        // being lost. Their places are all found before any is placed, so
        // that a comparison missing a text leaves the copy as it was.
        if (job.results.size() != copy.size()) {
            std::vector<FoundItem*> added;
            for (FoundItem* item : job.results) {
                if (item->insert_index >= foundBefore)
                    added.push_back(item);
            }
            std::vector<std::size_t> places;
            try {
                std::sort(added.begin(), added.end(), beforeUnderLock);
                for (FoundItem* item : added)
                    places.push_back(static_cast<std::size_t>(
                        std::upper_bound(copy.begin(), copy.end(), item, beforeUnderLock) -
                        copy.begin()));
            } catch (KeyMissing& key) {
                missing = std::move(key);
                continue;
            } catch (const SortAborted&) {
                places.clear();
            }
            if (places.size() == added.size()) {
                // From the back, so that the places found stay right.
                for (std::size_t at = added.size(); at-- > 0;)
                    copy.insert(copy.begin() + static_cast<std::ptrdiff_t>(places[at]), added[at]);
            } else {
                for (FoundItem* item : added)
                    copy.push_back(item);
            }
        }
        job.results.swap(copy);
        job.RenumberResults();
        job.settings.order = order;
        return true;
    }
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
