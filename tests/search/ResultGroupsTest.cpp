#include "search/ResultGroups.h"
#include "search/SearchCriteria.h"

#include "foundation/GroupRanges.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "search/ShellTypeCache.h"

#include "support/LocaleChild.h"
#include "support/TempDir.h"
#include "support/TestItems.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A local date at midnight as a local file time (the form of "today").
std::uint64_t LocalDate(WORD year, WORD month, WORD day) {
    const SYSTEMTIME time{year, month, 0, day, 0, 0, 0, 0};
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    return (static_cast<std::uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

// A local date and hour as the UTC file time an item holds.
std::uint64_t ItemTime(WORD year, WORD month, WORD day, WORD hour = 12) {
    const std::uint64_t local = LocalDate(year, month, day) + hour * 36000000000ull;
    const FILETIME file{static_cast<DWORD>(local), static_cast<DWORD>(local >> 32)};
    FILETIME utc{};
    LocalFileTimeToFileTime(&file, &utc);
    return (static_cast<std::uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
}

struct Items {
    std::vector<std::unique_ptr<FoundItem>> owned;
    ResultDeque display;

    FoundItem& Add(const wchar_t* name, std::uint64_t size = 1, std::uint32_t attr = 0x20) {
        owned.push_back(std::make_unique<FoundItem>());
        FoundItem& item = *owned.back();
        TestItem{.name = name, .size = size, .attr = attr}.FillIn(item);
        display.push_back(&item);
        return item;
    }
};

// Groups built for the column, with every caption, in group order.
std::vector<std::wstring> Captions(const Items& items, std::uint8_t column, bool descending,
                                   std::uint64_t today = LocalDate(2025, 1, 15)) {
    ResultGroups groups;
    groups.column = column;
    groups.descending = descending;
    std::vector<std::wstring> captions;
    if (!groups.Build(items.display, today))
        return captions;
    for (int group = 0; group < static_cast<int>(groups.groups.size()); ++group) {
        mvstring caption;
        groups.GetCaption(group, caption);
        captions.push_back(caption.str());
        for (const std::int32_t item : groups.groups[group].items)
            EXPECT_EQ(groups.item_map[item], group);
    }
    return captions;
}

int Range(std::uint64_t itemTime, std::uint64_t today) {
    ResultGroups groups;
    groups.column = 3;
    FoundItem item;
    item.date_m = itemTime;
    return groups.DateRange(item, today);
}

// Today is Monday 13 January 2025. The ranges where a week starting on
// Sunday and one starting on Monday part ways, and the common ones.
struct WeekCase {
    WORD month, day;
    const char* name;
};
const WeekCase kWeekCases[] = {
    {1, 12, "sunday_before"},  {1, 11, "saturday_before"}, {1, 5, "sunday_week_before"},
    {1, 18, "saturday_after"}, {1, 19, "sunday_after"},    {1, 26, "sunday_next_week"},
};

std::string WeekRanges() {
    std::string out;
    for (const WeekCase& c : kWeekCases)
        out += std::string(c.name) + "=" +
               std::to_string(Range(ItemTime(2025, c.month, c.day), LocalDate(2025, 1, 13))) + "\n";
    return out;
}

// Started as a probe under another user locale, the test program writes the
// week ranges to the file named by the variable and ends.
constexpr wchar_t kProbeVariable[] = L"VELQUIN_GROUPS_PROBE";

[[maybe_unused]] const bool kIsGroupsProbe = RunAsLocaleProbe(kProbeVariable, [] {
    std::setlocale(LC_ALL, "");
    return WeekRanges();
});

class ResultGroupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Language() = VQ_MLang();
        ASSERT_TRUE(Language().SetLanguageFile(m_dir.WriteFile(
            L"groups.ini", "\xEF\xBB\xBF[group_title]\n"
                           "size = Empty / Tiny / Small / Medium / Large / Huge / Gigantic / "
                           "Folders\n")));
    }
    void TearDown() override { Language() = VQ_MLang(); }

    TempDir m_dir;
};

} // namespace

TEST_F(ResultGroupsTest, ByNameRangesWithTheLeftoversLast) {
    Items items;
    for (const wchar_t* name :
         {L"zebra", L"_under", L"7zip", L"apple", L"Hotel", L"ice", L"pear", L"Quartz", L"", L"~x"})
        items.Add(name);
    const std::vector<std::wstring> ascending = {L"0 - 9 (1)", L"A - H (2)", L"I - P (2)",
                                                 L"Q - Z (2)", L"Other (3)"};
    EXPECT_EQ(Captions(items, 0, false), ascending);
    const std::vector<std::wstring> descending(ascending.rbegin(), ascending.rend());
    EXPECT_EQ(Captions(items, 0, true), descending);
}

TEST_F(ResultGroupsTest, BySizeBands) {
    Items items;
    items.Add(L"empty", 0);
    items.Add(L"bound", 16384);
    items.Add(L"above", 16385);
    items.Add(L"big", 5ull << 30);
    items.Add(L"folder", 0, FILE_ATTRIBUTE_DIRECTORY);
    ResultGroups groups;
    groups.column = 1;
    ASSERT_TRUE(groups.Build(items.display, LocalToday()));
    std::vector<int> ids;
    for (const ResultGroup& group : groups.groups)
        ids.push_back(group.id);
    EXPECT_EQ(ids, (std::vector<int>{0, 1, 2, 6, -1}));
    EXPECT_EQ(groups.item_map, (std::vector<std::int32_t>{0, 1, 2, 3, 4}));

    const SizeGroups& sizes = Settings().SizeGroups;
    ASSERT_EQ(sizes.Bounds.size(), 5u);
    mvstring caption;
    groups.GetCaption(0, caption);
    EXPECT_EQ(caption, mvstring(L"Empty (") + SizeGroupLabel(sizes, 0) + L") (1)");
    groups.GetCaption(3, caption);
    EXPECT_EQ(caption, mvstring(L"Gigantic (") + SizeGroupLabel(sizes, 6) + L") (1)");
    groups.GetCaption(4, caption);
    EXPECT_EQ(caption, L"Folders (1)");
    groups.GetCaption(5, caption);
    EXPECT_EQ(caption, L"");

    groups.descending = true;
    ASSERT_TRUE(groups.Build(items.display, LocalToday()));
    EXPECT_EQ(groups.groups.front().id, -1);
    EXPECT_EQ(groups.groups.back().id, 0);
}

TEST_F(ResultGroupsTest, ByTextColumns) {
    Items items;
    items.Add(L"b.TXT").folder = L"C:\\dir10";
    items.Add(L"a.txt").folder = L"C:\\dir2";
    items.Add(L"c.log").folder = L"c:\\DIR2";
    items.Add(L"noext").folder = L"C:\\dir2";
    items.Add(L"sub.d", 0, FILE_ATTRIBUTE_DIRECTORY).folder = L"C:\\dir10";
    // The first three have attribute texts ("RA", "A", "RA"); the others
    // none, their texts never having been made.
    items.owned[0]->attr = 0x21;
    items.owned[2]->attr = 0x21;
    for (int i = 0; i < 3; ++i)
        items.owned[i]->FormatTexts(SearchCriteria());
    // Extensions in natural order, ignoring case; folders and files without
    // extension are the leftovers.
    EXPECT_EQ(Captions(items, 8, false),
              (std::vector<std::wstring>{L".log (1)", L".TXT (2)", L"Unspecified (2)"}));
    EXPECT_EQ(Captions(items, 8, true),
              (std::vector<std::wstring>{L"Unspecified (2)", L".TXT (2)", L".log (1)"}));
    // Folders in the user's order with digits as numbers.
    EXPECT_EQ(Captions(items, 4, false),
              (std::vector<std::wstring>{L"C:\\dir2 (3)", L"C:\\dir10 (2)"}));
    // Items without attribute text form a group of their own, placed like
    // the leftovers.
    EXPECT_EQ(Captions(items, 7, false), (std::vector<std::wstring>{L"A (1)", L"RA (2)", L" (2)"}));
    EXPECT_EQ(Captions(items, 7, true), (std::vector<std::wstring>{L" (2)", L"RA (2)", L"A (1)"}));
    // Types as the shell names them.
    const std::vector<std::wstring> types = Captions(items, 2, false);
    const mvstring folderType =
        GlobalShellTypeCache().GetTypeName(L"", FILE_ATTRIBUTE_DIRECTORY) + L" (1)";
    EXPECT_NE(std::find(types.begin(), types.end(), folderType.str()), types.end());
}

TEST_F(ResultGroupsTest, DateRangesAroundToday) {
    // Today is Wednesday 15 January 2025; in en-US the week began on Sunday 12.
    const struct {
        WORD year, month, day;
        int range;
    } cases[] = {
        {2025, 1, 15, DateToday},          {2025, 1, 16, DateTomorrow},
        {2025, 1, 14, DateYesterday},      {2025, 1, 12, DateEarlierThisWeek},
        {2025, 1, 18, DateLaterThisWeek},  {2025, 1, 5, DateLastWeek},
        {2025, 1, 11, DateLastWeek},       {2025, 1, 19, DateNextWeek},
        {2025, 1, 25, DateNextWeek},       {2025, 1, 4, DateEarlierThisMonth},
        {2025, 1, 26, DateLaterThisMonth}, {2025, 2, 1, DateNextMonth},
        {2025, 3, 1, DateLaterThisYear},   {2024, 12, 31, DateLongAgo},
        {2026, 1, 1, DateInTheFuture},     {1601, 1, 1, DateLongAgo},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Range(ItemTime(c.year, c.month, c.day), LocalDate(2025, 1, 15)), c.range)
            << c.year << "-" << c.month << "-" << c.day;

    // Month ranges do not cross the year: 15 December seen on 20 January.
    EXPECT_EQ(Range(ItemTime(2024, 12, 15), LocalDate(2025, 1, 20)), DateLongAgo);
    // Later in the year the month ranges apply.
    const std::uint64_t june = LocalDate(2025, 6, 18);
    EXPECT_EQ(Range(ItemTime(2025, 5, 3), june), DateLastMonth);
    EXPECT_EQ(Range(ItemTime(2025, 2, 3), june), DateEarlierThisYear);
    EXPECT_EQ(Range(ItemTime(2025, 6, 2), june), DateEarlierThisMonth);
    EXPECT_EQ(Range(ItemTime(2025, 6, 30), june), DateLaterThisMonth);

    // One table asked for many items, as a build asks it, remembers each
    // day's range: asked again, or from another today, it answers as a
    // fresh one does.
    ResultGroups shared;
    shared.column = 3;
    for (const std::uint64_t today : {LocalDate(2025, 1, 15), LocalDate(2025, 1, 15), june,
                                      LocalDate(2025, 1, 16)})
        for (const auto& c : cases)
            for (const WORD hour : {0, 23}) {
                FoundItem item;
                item.date_m = ItemTime(c.year, c.month, c.day, hour);
                EXPECT_EQ(shared.DateRange(item, today), Range(item.date_m, today))
                    << c.year << "-" << c.month << "-" << c.day << " " << hour << "h, today "
                    << today;
            }
}

TEST_F(ResultGroupsTest, DateGroupsUseTheColumnsTimeAndCountTheirItems) {
    Items items;
    const std::uint64_t today = LocalDate(2025, 1, 15);
    for (int i = 0; i < 12; ++i) {
        FoundItem& item = items.Add(L"x");
        item.date_m = ItemTime(2025, 1, 15, static_cast<WORD>(i));
        item.date_c = ItemTime(2020, 1, 1);
        item.date_a = ItemTime(2025, 1, 14);
    }
    EXPECT_EQ(Captions(items, 3, false, today), (std::vector<std::wstring>{L"Today (12)"}));
    EXPECT_EQ(Captions(items, 5, false, today),
              (std::vector<std::wstring>{L"A long time ago (12)"}));
    EXPECT_EQ(Captions(items, 6, false, today), (std::vector<std::wstring>{L"Yesterday (12)"}));
}

TEST_F(ResultGroupsTest, WeekStartFollowsTheUserLocale) {
    // The test program runs with a week starting on Sunday.
    EXPECT_EQ(WeekRanges(), "sunday_before=6\nsaturday_before=4\nsunday_week_before=4\n"
                            "saturday_after=9\nsunday_after=10\nsunday_next_week=11\n");
    if (WineLoaderPath().empty())
        GTEST_SKIP() << "the user locale can be changed per process only under Wine";
    TempDir dir;
    const std::wstring output = dir / L"probe.txt";
    ASSERT_TRUE(
        RunSelfUnderLocale(L"de_DE.UTF-8", {std::wstring(kProbeVariable) + L"=" + output}, L""));
    // Monday first: Sunday the 12th is still yesterday, Saturday the 11th
    // last week, the Sunday a week before that earlier this month, and the
    // coming Sunday is later this week.
    EXPECT_EQ(TempDir::ReadFile(output), "sunday_before=6\nsaturday_before=4\n"
                                         "sunday_week_before=3\nsaturday_after=9\n"
                                         "sunday_after=9\nsunday_next_week=10\n");
}

TEST_F(ResultGroupsTest, NoGroupsWhenOffOrShuttingDown) {
    Items items;
    items.Add(L"a");
    ResultGroups groups;
    groups.column = 9;
    EXPECT_FALSE(groups.Build(items.display, LocalToday()));
    EXPECT_TRUE(groups.groups.empty());
    groups.column = 0;
    ShutdownFlag = 1;
    const bool built = groups.Build(items.display, LocalToday());
    ShutdownFlag = 0;
    EXPECT_FALSE(built);
    EXPECT_TRUE(groups.Build(items.display, LocalToday()));
    EXPECT_EQ(groups.groups.size(), 1u);
}

// Build looks each distinct key up once; it must give what putting the items
// in one by one gives, for every column and direction.
TEST_F(ResultGroupsTest, BuildAgreesWithAddingItemByItem) {
    Items items;
    const wchar_t* names[] = {L"b.TXT", L"a.txt", L"_x.log", L"Zed", L"9lives.doc", L"k.txt"};
    const wchar_t* folders[] = {L"C:\\dir10", L"C:\\dir2", L"c:\\DIR2", L"D:\\x"};
    const std::uint32_t extraAttrs[] = {0, 0, 0x01, 0x01, 0x02};
    for (int i = 0; i < 40; ++i) {
        FoundItem& item = items.Add(names[i % 6], (i % 7) * 9000ull,
                                    i % 9 == 0 ? FILE_ATTRIBUTE_DIRECTORY : 0x20);
        item.folder = folders[i % 4];
        item.attr |= extraAttrs[i % 5];
        if (i % 5 != 1) // items without attribute text among them
            item.FormatTexts(SearchCriteria());
        item.date_m = ItemTime(2025, 1, static_cast<WORD>(1 + i % 28));
        item.date_c = ItemTime(static_cast<WORD>(2023 + i % 4), 6, 1);
        item.date_a = ItemTime(2025, static_cast<WORD>(1 + i % 12), 1);
    }
    const std::uint64_t today = LocalDate(2025, 1, 15);
    for (std::uint8_t column = 0; column < 9; ++column) {
        for (const bool descending : {false, true}) {
            ResultGroups built, added;
            built.column = added.column = column;
            built.descending = added.descending = descending;
            ASSERT_TRUE(built.Build(items.display, today));
            for (std::size_t at = 0; at < items.display.size(); ++at)
                added.AddItem(static_cast<std::int32_t>(at), *items.display[at], today);
            ASSERT_EQ(built.groups.size(), added.groups.size()) << int(column) << descending;
            for (std::size_t group = 0; group < built.groups.size(); ++group) {
                EXPECT_EQ(built.groups[group].id, added.groups[group].id) << int(column);
                EXPECT_EQ(built.groups[group].title, added.groups[group].title) << int(column);
                EXPECT_EQ(built.groups[group].items, added.groups[group].items) << int(column);
            }
        }
    }
}
