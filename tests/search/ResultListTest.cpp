#include "search/ResultList.h"

#include "FakePropertySystem.h"
#include "NotifyListener.h"
#include "foundation/DisplayText.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/mvLock.h"
#include "search/PropertyTexts.h"
#include "search/ResultsHold.h"
#include "search/ShellTypeCache.h"
#include "support/ScopedSetting.h"
#include "support/LockProbe.h"
#include "support/TestItems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <cwchar>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Type names as the shell would give them, without asking it.
DWORD_PTR WINAPI FakeTypes(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT, UINT) {
    const wchar_t* name = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? L"File folder"
                          : _wcsicmp(path, L".txt") == 0          ? L"Text Document"
                          : _wcsicmp(path, L".doc") == 0          ? L"document"
                                                                  : L"File";
    wcscpy(info->szTypeName, name);
    return 1;
}

struct Row {
    const wchar_t* name;
    std::uint64_t size;
    const wchar_t* ext;
    std::uint64_t m, c, a;
    const wchar_t* folder;
    std::uint32_t attr;
    const wchar_t* attrText;
};

// Ties in every column, so that the names and the order of finding decide.
const Row kRows[] = {
    {L"file10.txt", 300, L".txt", 5, 1, 9, L"C:\\b", 0x20, L"A"},
    {L"File2.txt", 100, L".txt", 5, 2, 8, L"C:\\a", 0x21, L"RA"},
    {L"b.doc", 100, L".doc", 7, 3, 7, L"C:\\B", 0x01, L"R"},
    {L"file2.txt", 100, L".txt", 1, 3, 9, L"c:\\a", 0x20, L"A"},
    {L"Sub", 0, L"", 5, 0, 1, L"C:\\b", 0x10, L"D"},
};

void MakeItem(const Row& r, FoundItem& item) {
    item.Clear();
    TestItem{r.folder, r.name, r.size, r.attr, r.m, r.c, r.a}.FillIn(item);
    ASSERT_EQ(item.ext, r.ext);
    item.FormatTexts(SearchCriteria());
    ASSERT_EQ(item.Text(ItemText::Attributes), r.attrText);
}

void AddRows(SearchJob& job, const SortOrder* sorted) {
    for (const Row& r : kRows) {
        FoundItem item;
        MakeItem(r, item);
        AddFoundItem(job, item, sorted);
    }
}

// The display list as the rows' positions in kRows.
std::vector<int> Order(SearchJob& job) {
    std::vector<int> ids;
    for (int i = 0; i < ResultList::Count(job); ++i)
        ids.push_back(ResultList::ItemAt(i, job)->insert_index);
    return ids;
}

struct SortCase {
    int column;
    bool foldersOnTop;
    bool attrAsText;
    std::vector<int> ascending;
};

const SortCase kSortCases[] = {
    {ColumnName, false, false, {2, 1, 3, 0, 4}},
    {ColumnSize, false, false, {4, 2, 1, 3, 0}},
    {ColumnType, false, false, {2, 4, 0, 1, 3}},
    {ColumnModified, false, false, {3, 0, 1, 4, 2}},
    {ColumnFolder, false, false, {1, 3, 2, 0, 4}},
    {ColumnCreated, false, false, {4, 0, 1, 2, 3}},
    {ColumnAccessed, false, false, {4, 2, 1, 0, 3}},
    {ColumnAttributes, false, false, {2, 4, 0, 3, 1}},
    {ColumnAttributes, false, true, {0, 3, 4, 2, 1}},
    {ColumnExtension, false, false, {4, 2, 0, 1, 3}},
    {ColumnNone, false, false, {0, 1, 2, 3, 4}},
    {ColumnName, true, false, {4, 2, 1, 3, 0}},
    {ColumnSize, true, false, {4, 2, 1, 3, 0}},
    {ColumnModified, true, false, {4, 3, 0, 1, 2}},
};

} // namespace

TEST(ResultList, SortOrdersAndTieBreaksOfEveryColumn) {
    ShellTypeCache types(&FakeTypes);
    for (const SortCase& k : kSortCases) {
        for (bool descending : {false, true}) {
            SortOrder order;
            order.column = k.column;
            order.descending = descending;
            order.foldersOnTop = k.foldersOnTop;
            order.attrAsText = k.attrAsText;
            order.types = &types;
            std::vector<int> expected = k.ascending;
            if (descending) // every step reverses, the tie-breaks included
                std::reverse(expected.begin(), expected.end());

            SearchJob job;
            AddRows(job, nullptr);
            ASSERT_TRUE(ResultList::Resort(order, job));
            EXPECT_EQ(expected, Order(job)) << "column " << k.column << " descending " << descending
                                            << " folders on top " << k.foldersOnTop;
            for (int i = 0; i < ResultList::Count(job); ++i)
                EXPECT_EQ(i, ResultList::ItemAt(i, job)->display_index);

            // Inserting one by one in sorted position gives the same order.
            SearchJob inserted;
            AddRows(inserted, &order);
            EXPECT_EQ(expected, Order(inserted))
                << "sorted insertion, column " << k.column << " descending " << descending;
        }
    }
    EXPECT_EQ(3, types.QueryCount()) << "one shell query per type";
}

TEST(ResultList, ShutdownAbandonsTheSort) {
    SearchJob job;
    AddRows(job, nullptr);
    SortOrder byName;
    byName.column = ColumnName;
    ShutdownFlag = 1;
    bool sorted = ResultList::Resort(byName, job);
    FoundItem late;
    late.name = L"late";
    FoundItem* added = AddFoundItem(job, late, &byName);
    ShutdownFlag = 0;
    EXPECT_FALSE(sorted);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), Order(job)) << "the order is kept";
    EXPECT_EQ(6, job.found_count) << "the job still owns the item";
    EXPECT_EQ(job.last, added);
    EXPECT_EQ(-1, ResultList::IndexOf(added, job)) << "but it is not shown";
}

TEST(ResultList, ReadersAndRemovedItems) {
    SearchJob job;
    EXPECT_EQ(nullptr, ResultList::ItemAt(0, job));
    EXPECT_EQ(-1, ResultList::IndexOf(nullptr, job));
    AddRows(job, nullptr);
    FoundItem removed;
    removed.name = L"gone";
    removed.state = ItemRemoved;
    FoundItem* gone = AddFoundItem(job, removed, nullptr);
    EXPECT_EQ(5, ResultList::Count(job));
    EXPECT_EQ(6, job.found_count);
    EXPECT_EQ(5, gone->insert_index);
    EXPECT_EQ(nullptr, ResultList::ItemAt(5, job)) << "an index equal to the count";
    EXPECT_EQ(nullptr, ResultList::ItemAt(-1, job));
    EXPECT_EQ(-1, ResultList::IndexOf(gone, job));

    FoundItem* third = ResultList::ItemAt(3, job);
    EXPECT_EQ(3, third->display_index) << "numbered where it is placed";
    third->display_index = -1;
    EXPECT_EQ(3, ResultList::IndexOf(third, job));
    EXPECT_EQ(3, third->display_index) << "the position found is stored";

    // The owning list links every item, the removed one included.
    int linked = 0;
    for (FoundItem* item = job.first; item; item = item->next) {
        ++linked;
        if (item->next)
            EXPECT_EQ(item, item->next->prev);
        else
            EXPECT_EQ(job.last, item);
    }
    EXPECT_EQ(6, linked);
}

TEST(ResultList, SetItemsStateLeavesRemovedItemsAndNotifiesChanges) {
    SearchJob job;
    AddRows(job, nullptr);
    FoundItem* a = ResultList::ItemAt(0, job);
    FoundItem* b = ResultList::ItemAt(1, job);
    FoundItem* c = ResultList::ItemAt(2, job);
    c->state = ItemRemoved;
    b->state = ItemCut;

    Listener listener;
    ASSERT_TRUE(GlobalNotifier().Attach(listener.Window()));
    ResultList::SetItemsState({a, b, c}, ItemCut, job);
    listener.Pump(1);
    EXPECT_TRUE(Ended(GlobalNotifier()));
    EXPECT_EQ(ItemCut, a->state);
    EXPECT_EQ(ItemRemoved, c->state);
    const std::vector<Received> expected = {
        {NotifyItemChanged, std::to_wstring(reinterpret_cast<LPARAM>(a))}};
    EXPECT_EQ(expected, listener.got) << "only the item whose state changed";

    ResultList::SetItemsState({a, b, c}, ItemNormal, job);
    EXPECT_EQ(ItemNormal, a->state);
    EXPECT_EQ(ItemNormal, b->state);
    EXPECT_EQ(ItemRemoved, c->state);
}

TEST(ResultList, ItemTexts) {
    const std::uint64_t when = 133000000123456789ull; // a time with seconds
    const std::uint64_t kHour = 36000000000ull;
    FoundItem file;
    file.size = 1536;
    file.attr = 0x21;
    file.date_c = when;
    file.date_m = when + 1000 * kHour;
    file.date_a = when + 2000 * kHour;
    FoundItem folder;
    folder.attr = FILE_ATTRIBUTE_DIRECTORY;
    folder.size = 4096;

    SearchCriteria criteria;
    const bool savedForce = Settings().ForceUsePropSys;
    FakePropertySystem fake;
    SetThreadPropertySystem(&fake);

    // The shell's own texts are taken when formatting through it is forced.
    Settings().ForceUsePropSys = true;
    file.FormatTexts(criteria);
    EXPECT_EQ(L"15:0:" + std::to_wstring(when), file.Text(ItemText::Created).str());
    EXPECT_EQ(L"14:0:" + std::to_wstring(when + 1000 * kHour), file.Text(ItemText::Modified).str());
    EXPECT_EQ(L"16:0:" + std::to_wstring(when + 2000 * kHour), file.Text(ItemText::Accessed).str());
    EXPECT_EQ(L"12:4:1536", file.Text(ItemText::SizeKb).str());
    EXPECT_EQ(L"12:0:1536", file.Text(ItemText::Size).str());
    EXPECT_EQ(L"13:0:33", file.Text(ItemText::Attributes).str());

    // Attributes always try the shell first; the rest only when forced.
    Settings().ForceUsePropSys = false;
    file.FormatTexts(criteria);
    EXPECT_EQ(L"13:0:33", file.Text(ItemText::Attributes).str());

    // Without shell texts everything falls back to the program's own.
    fake.refuse = true;
    SetThreadPropertySystem(&fake); // set again: what it formatted before is forgotten
    for (bool seconds : {false, true}) {
        criteria.date_usesec = seconds;
        file.FormatTexts(criteria);
        FILETIME utc{static_cast<DWORD>(when), static_cast<DWORD>(when >> 32)}, local;
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        EXPECT_EQ(FormatFileTime(local, !seconds), file.Text(ItemText::Created));
        EXPECT_FALSE(file.Text(ItemText::Created).empty());
    }
    EXPECT_NE(file.Text(ItemText::Created), file.Text(ItemText::Modified))
        << "each time has its own text";
    mvstring kb, exact, letters;
    FormatFileSize(1536, true, kb);
    FormatFileSize(1536, false, exact);
    AttributesToLetters(0x21, letters);
    EXPECT_EQ(kb, file.Text(ItemText::SizeKb));
    EXPECT_EQ(exact, file.Text(ItemText::Size));
    EXPECT_EQ(letters, file.Text(ItemText::Attributes));
    EXPECT_FALSE(kb.empty() || exact.empty() || letters.empty());

    folder.FormatTexts(criteria);
    EXPECT_TRUE(folder.Text(ItemText::SizeKb).empty() && folder.Text(ItemText::Size).empty())
        << "folders have no size";
    EXPECT_FALSE(folder.Text(ItemText::Modified).empty());

    Settings().ForceUsePropSys = savedForce;
    SetThreadPropertySystem(nullptr);
}

// Resorts `count` generated items by every order that `wanted` lets through
// and checks each against a sort by the comparator. Names with
// digits, case, blanks, punctuation and letters beyond ASCII, where the
// natural order and the plain one differ, and ties in every column.
template <typename Wanted> void ExpectKeyedSortMatchesTheComparator(int count, Wanted wanted) {
    const wchar_t* parts[] = {L"file", L"File", L"2", L"10", L"007",
                              L" ",    L"-",    L"_", L"b",  L"\u00c4"};
    const wchar_t* exts[] = {L".txt", L".TXT", L".doc", L"", L".t10", L".t9"};
    const std::uint32_t attrs[] = {0x20, 0x21, 0x01, 0, 0x06};
    const wchar_t* folders[] = {L"C:\\a",  L"c:\\A",    L"C:\\a\\b", L"C:\\a b", L"",
                                L"D:\\\u00e4", L"D:\\\u00c4", L"C:\\a10",  L"C:\\a9"};
    std::vector<SharedText> sharedFolders;
    for (const wchar_t* folder : folders)
        sharedFolders.emplace_back(std::wstring_view(folder));
    ShellTypeCache types(&FakeTypes);
    SearchJob job;
    std::uint64_t seed = 12345;
    auto next = [&seed](unsigned n) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>((seed >> 33) % n);
    };
    for (int i = 0; i < count; ++i) {
        FoundItem item;
        std::wstring name;
        for (unsigned k = next(4) + 1; k > 0; --k)
            name += parts[next(std::size(parts))];
        item.name = name;
        item.ext = exts[next(std::size(exts))];
        item.attr = (next(8) == 0 ? FILE_ATTRIBUTE_DIRECTORY : 0) | attrs[next(std::size(attrs))];
        item.FormatTexts(SearchCriteria());
        item.size = next(4) * 100;
        item.date_m = next(3);
        item.date_c = next(50);
        item.date_a = 7;
        // Folders that tie ignoring case, beyond ASCII, as prefixes, and
        // empty; some items share one text as a walk's items do, others
        // hold a copy of their own.
        const unsigned folder = next(std::size(folders));
        if (next(2))
            item.folder = sharedFolders[folder];
        else
            item.folder = std::wstring_view(folders[folder]);
        AddFoundItem(job, item, nullptr);
    }
    for (int column = ColumnName; column <= ColumnNone; ++column)
        for (bool descending : {false, true})
            for (bool foldersOnTop : {false, true})
                for (bool attrAsText : {false, true}) {
                    SortOrder order;
                    order.column = column;
                    order.descending = descending;
                    order.foldersOnTop = foldersOnTop;
                    order.attrAsText = attrAsText;
                    order.types = &types;
                    if (!wanted(order))
                        continue;
                    ResultDeque expected = job.results;
                    std::sort(expected.begin(), expected.end(),
                              [&](const FoundItem* a, const FoundItem* b) {
                                  return CompareItems(a, b, order);
                              });
                    ASSERT_TRUE(ResultList::Resort(order, job));
                    EXPECT_TRUE(expected == job.results)
                        << "column " << column << " descending " << descending << " folders on top "
                        << foldersOnTop << " attributes as text " << attrAsText;
                }
}

TEST(ResultList, SortByPrecomputedKeysMatchesTheComparator) {
    ExpectKeyedSortMatchesTheComparator(600, [](const SortOrder&) { return true; });
}

TEST(ResultList, ALargeListSortedInPartsMatchesTheComparator) {
    // Enough items to be keyed and sorted in parts on threads of their own
    // (on a machine of more than one processor), by a text, a number and the
    // ranked columns.
    ExpectKeyedSortMatchesTheComparator(33000, [](const SortOrder& order) {
        return !order.attrAsText && order.foldersOnTop == order.descending &&
               (order.column == ColumnName || order.column == ColumnSize ||
                order.column == ColumnFolder);
    });
}

// Adding one by one in sorted position gives the order a full sort gives,
// across the list's block splits, and every display index read afterwards is
// the item's place although insertions before it made the stored one stale.
TEST(ResultList, SortedInsertionKeepsOrderAndIndexes) {
    ShellTypeCache types(&FakeTypes);
    std::uint64_t seed = 777;
    auto next = [&seed](unsigned n) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>((seed >> 33) % n);
    };
    const struct {
        int column;
        bool descending;
        bool foldersOnTop;
    } orders[] = {{ColumnName, false, false},
                  {ColumnSize, true, true},
                  {ColumnModified, false, true},
                  {ColumnNone, true, false}};
    for (const auto& o : orders) {
        SortOrder order;
        order.column = o.column;
        order.descending = o.descending;
        order.foldersOnTop = o.foldersOnTop;
        order.types = &types;
        SearchJob job;
        const int count = 5000;
        for (int i = 0; i < count; ++i) {
            FoundItem item;
            item.name = L"f" + std::to_wstring(next(3000)) + (next(2) ? L".txt" : L".doc");
            item.ext = item.name.substr(item.name.rfind(L'.'));
            item.size = next(50);
            item.date_m = next(200);
            item.attr = next(10) == 0 ? FILE_ATTRIBUTE_DIRECTORY : 0x20;
            item.folder = L"C:\\d";
            AddFoundItem(job, item, &order);
        }
        ASSERT_EQ(count, ResultList::Count(job));
        std::vector<FoundItem*> expected(job.results.begin(), job.results.end());
        std::sort(expected.begin(), expected.end(), [&](const FoundItem* a, const FoundItem* b) {
            return CompareItems(a, b, order);
        });
        std::vector<FoundItem*> shown;
        for (int i = 0; i < count; ++i)
            shown.push_back(ResultList::ItemAt(i, job));
        EXPECT_TRUE(expected == shown) << "column " << o.column;
        // Asked in the order of finding, mostly not the display order.
        int wrong = 0;
        for (FoundItem* item = job.first; item; item = item->next) {
            const int index = ResultList::IndexOf(item, job);
            wrong += index < 0 || shown[static_cast<size_t>(index)] != item;
        }
        EXPECT_EQ(0, wrong) << "column " << o.column;
    }
}

// The worker keeps adding while the list is re-sorted: nothing it adds in
// the meantime is lost, and the list ends sorted.
TEST(ResultList, ItemsAddedDuringAResortAreKept) {
    SearchJob job;
    SortOrder bySize;
    bySize.column = ColumnSize;
    constexpr int kBefore = 200000;
    FoundItem item;
    MakeItem(kRows[0], item);
    for (int i = 0; i < kBefore; ++i) {
        item.size = (static_cast<std::uint64_t>(i) * 7919u) % 100003u;
        AddFoundItem(job, item, nullptr);
    }
    std::atomic<bool> sorting{true};
    std::atomic<bool> sorted{false};
    std::thread resort([&] {
        sorted = ResultList::Resort(bySize, job);
        sorting = false;
    });
    // Sorted insertion, as a search sorting while it runs adds: placed
    // anywhere in the old order while the copy is sorted, in sorted place
    // once it is swapped in.
    int added = 0;
    while (sorting) {
        item.size = (static_cast<std::uint64_t>(added) * 104729u) % 100003u;
        AddFoundItem(job, item, &bySize);
        ++added;
    }
    resort.join();
    ASSERT_TRUE(sorted);
    ASSERT_GT(added, 0);
    ASSERT_EQ(kBefore + added, ResultList::Count(job));
    EXPECT_TRUE(std::is_sorted(
        job.results.begin(), job.results.end(),
        [&](const FoundItem* a, const FoundItem* b) { return CompareItems(a, b, bySize); }));
}

// The worker inserts in the order the list is in: that of the settings when
// its job started the worker, then that of each re-sort. A change of the
// settings the list was not re-sorted for does not reach the worker.
TEST(ResultList, SortedInsertionFollowsTheOrderTheListIsIn) {
    ScopedBoolSetting sortWhileSearch(Settings().SortWhileSearch, true);
    ScopedBoolSetting foldersOnTop(Settings().KeepFoldersOnTop, false);
    ScopedBoolSetting descending(Settings().SortDescending, false);
    ScopedByteSetting column(Settings().SortColumn, ColumnName);
    SortOrder byName;
    byName.column = ColumnName;
    SortOrder bySizeDown;
    bySizeDown.column = ColumnSize;
    bySizeDown.descending = true;
    auto sortedBy = [](SearchJob& job, const SortOrder& order) {
        mvLock held(job.lock);
        return std::is_sorted(job.results.begin(), job.results.end(),
                              [&](const FoundItem* a, const FoundItem* b) {
                                  return CompareItems(a, b, order);
                              });
    };
    auto addRow = [](SearchJob& job, const Row& row) {
        FoundItem item;
        MakeItem(row, item);
        AddFoundItem(job, item);
    };

    SearchJob job;
    ASSERT_TRUE(job.StartWorker(JobSearch, [](void*) -> DWORD { return 0; }));
    {
        ScopedByteSetting otherColumn(Settings().SortColumn, ColumnSize);
        ScopedBoolSetting otherDirection(Settings().SortDescending, true);
        for (const Row& row : kRows)
            addRow(job, row);
        EXPECT_TRUE(sortedBy(job, byName)) << "the settings as the worker started";

        ASSERT_TRUE(ResultList::Resort(bySizeDown, job));
    }
    for (const Row& row : kRows)
        addRow(job, row);
    EXPECT_EQ(10, ResultList::Count(job));
    EXPECT_TRUE(sortedBy(job, bySizeDown)) << "the order of the re-sort";
    job.StopAndWait(5000);
}

namespace {

// A shell stand-in that names each extension's type after it and counts the
// questions asked while the results lock of the watched job was taken.
struct ShellWatch {
    CRITICAL_SECTION* lock = nullptr;
    std::atomic<int> asked{0};
    std::atomic<int> underLock{0};
    std::function<void()> onAsk; // runs once, at the first question

    void Ask() {
        ++asked;
        if (lock && !IsFreeForOthers(lock))
            ++underLock;
        if (onAsk)
            std::exchange(onAsk, nullptr)();
    }
};
ShellWatch* g_watch = nullptr;

DWORD_PTR WINAPI WatchedTypes(LPCWSTR path, DWORD attributes, SHFILEINFOW* info, UINT, UINT) {
    if (g_watch)
        g_watch->Ask();
    const std::wstring name =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) ? L"File folder" : L"type of " + std::wstring(path);
    wcscpy(info->szTypeName, name.c_str());
    return 1;
}

void MakeWatchedItem(int i, FoundItem& item) {
    static const std::uint32_t kMasks[] = {0x20, 0x21, 0x22, 0x01, 0x10, 0x23, 0x04, 0x30};
    item.Clear();
    item.folder = L"C:\\w";
    item.ext = L".e" + std::to_wstring(i % (3 + i / 40));
    item.name = L"n" + std::to_wstring(i * 7919 % 1000) + item.ext.str();
    item.attr = kMasks[i % (2 + i / 60) % std::size(kMasks)];
    item.size = static_cast<std::uint64_t>(i);
    item.FormatTexts(SearchCriteria());
}

bool IsSorted(SearchJob& job, const SortOrder& order) {
    return std::is_sorted(
        job.results.begin(), job.results.end(),
        [&](const FoundItem* a, const FoundItem* b) { return CompareItems(a, b, order); });
}

} // namespace

// Sorting while searching by the texts the shell or the property system
// makes (type names; attribute texts) asks for them only while the results
// lock is free, so that the list's readers never wait for the shell: those
// of the item being added, new types among them, and those that items
// already listed lack because the texts kept so far were dropped (another
// cache of type names, another property system) halfway. In an order given
// and in the job's own, as the worker adds.
TEST(ResultList, SortedInsertionAsksTheShellOutsideTheLock) {
    const struct {
        int column;
        bool attrAsText;
        bool jobOrder;
    } cases[] = {{ColumnType, false, false},
                 {ColumnAttributes, true, false},
                 {ColumnType, false, true},
                 {ColumnAttributes, true, true}};
    for (const auto& c : cases) {
        SearchJob job;
        ShellWatch watch;
        watch.lock = job.lock;
        g_watch = &watch;
        FakePropertySystem fake;
        fake.onFormat = [&watch] { watch.Ask(); };
        SetThreadPropertySystem(&fake);
        ShellTypeCache types(&WatchedTypes), laterTypes(&WatchedTypes);
        SortOrder order;
        order.column = c.column;
        order.attrAsText = c.attrAsText;
        order.types = &types;
        auto jobSortsBy = [&job](const SortOrder& by) {
            mvLock held(job.lock);
            job.settings.sortWhileSearch = true;
            job.settings.order = by;
        };
        if (c.jobOrder)
            jobSortsBy(order);
        constexpr int kCount = 400;
        FoundItem item;
        for (int i = 0; i < kCount; ++i) {
            if (i == kCount / 2) {
                order.types = &laterTypes;
                if (c.jobOrder)
                    jobSortsBy(order);
                SetThreadPropertySystem(&fake);
            }
            MakeWatchedItem(i, item);
            if (c.jobOrder)
                AddFoundItem(job, item);
            else
                AddFoundItem(job, item, &order);
        }
        g_watch = nullptr;
        EXPECT_GT(watch.asked.load(), 4) << "column " << c.column << " job order " << c.jobOrder;
        EXPECT_EQ(0, watch.underLock.load()) << "column " << c.column << " job order " << c.jobOrder;
        EXPECT_EQ(kCount, ResultList::Count(job));
        // By the texts of the same property system.
        EXPECT_TRUE(IsSorted(job, order)) << "column " << c.column << " job order " << c.jobOrder;
        SetThreadPropertySystem(nullptr);
    }
}

// Items the worker adds while the list is re-sorted by type join the sorted
// copy with their type names asked for outside the lock, also for types
// first met among them.
TEST(ResultList, ResortPlacesItemsAddedMeanwhileAskingTheShellOutsideTheLock) {
    SearchJob job;
    FoundItem item;
    for (int i = 0; i < 2000; ++i) {
        MakeWatchedItem(i, item);
        AddFoundItem(job, item, nullptr);
    }
    ShellWatch watch;
    watch.lock = job.lock;
    int addedMeanwhile = 0;
    // At the first question, which the sort of the copy asks, the worker
    // adds items of types not met before.
    watch.onAsk = [&] {
        FoundItem later;
        for (int i = 0; i < 60; ++i) {
            MakeWatchedItem(i, later);
            later.ext = L".later" + std::to_wstring(i % 7);
            AddFoundItem(job, later, nullptr);
            ++addedMeanwhile;
        }
    };
    g_watch = &watch;
    ShellTypeCache types(&WatchedTypes);
    SortOrder byType;
    byType.column = ColumnType;
    byType.types = &types;
    const bool sorted = ResultList::Resort(byType, job);
    g_watch = nullptr;
    ASSERT_TRUE(sorted);
    EXPECT_EQ(60, addedMeanwhile);
    EXPECT_EQ(2060, ResultList::Count(job));
    EXPECT_EQ(0, watch.underLock.load());
    EXPECT_TRUE(IsSorted(job, byType));
}

// A new search clears the results while the copy is sorted: the items the
// sort still reads are set aside instead of freed until it ends, and the
// sort then leaves the new list alone.
TEST(ResultList, ResortKeepsItsItemsAliveThroughAClear) {
    SearchJob job;
    FoundItem item;
    for (int i = 0; i < 2000; ++i) {
        MakeWatchedItem(i, item);
        AddFoundItem(job, item, nullptr);
    }
    ShellWatch watch;
    std::size_t retired = 0;
    watch.onAsk = [&] {
        job.ClearResults();
        FoundItem later;
        for (int i = 0; i < 2000; ++i) {
            MakeWatchedItem(i + 5000, later);
            AddFoundItem(job, later, nullptr);
        }
        mvLock held(job.lock);
        retired = RetiredItemCount(job);
    };
    g_watch = &watch;
    ShellTypeCache types(&WatchedTypes);
    SortOrder byType;
    byType.column = ColumnType;
    byType.types = &types;
    const bool sorted = ResultList::Resort(byType, job);
    g_watch = nullptr;
    EXPECT_FALSE(sorted);
    EXPECT_EQ(2000u, retired);
    EXPECT_EQ(2000, ResultList::Count(job));
    EXPECT_EQ(5000, ResultList::ItemAt(0, job)->size);
    mvLock held(job.lock);
    EXPECT_EQ(0u, RetiredItemCount(job));
}
