#include "search/FoundItem.h"

#include "foundation/DisplayText.h"
#include "foundation/Settings.h"
#include "search/SearchCriteria.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const ItemText kAllTexts[] = {ItemText::SizeKb,   ItemText::Size,     ItemText::Created,
                              ItemText::Modified, ItemText::Accessed, ItemText::Attributes};

void Fill(FoundItem& item) {
    item.folder = L"C:\\Some folder";
    item.name = L"report 2024.txt";
    item.size = 12345;
    item.attr = 0x21;
    item.date_c = 1;
    item.date_m = 2;
    item.date_a = 3;
    item.wsoffset = 77;
    item.wslen = 5;
    item.ext = L".txt";
    SearchCriteria criteria;
    criteria.date_usesec = true;
    item.FormatTexts(criteria);
    item.icon = 4;
    item.overlay = 1;
    item.insert_index = 9;
    item.display_index = 8;
    item.state = ItemCut;
}

bool AllCleared(const FoundItem& item) {
    for (ItemText which : kAllTexts)
        if (!item.Text(which).empty())
            return false;
    return item.folder.empty() && item.name.empty() && item.ext.empty() && item.size == 0 &&
           item.attr == 0 && item.date_c == 0 && item.date_m == 0 && item.date_a == 0 &&
           item.wsoffset == -1 && item.wslen == 0 && item.icon == -1 && item.overlay == -1 &&
           item.state == ItemNormal;
}

} // namespace

TEST(FoundItem, ClearKeepsOnlyTheIndexes) {
    FoundItem fresh;
    EXPECT_TRUE(AllCleared(fresh));
    EXPECT_EQ(-1, fresh.insert_index);
    EXPECT_EQ(-1, fresh.display_index);

    FoundItem item;
    Fill(item);
    ASSERT_FALSE(AllCleared(item));
    item.Clear();
    EXPECT_TRUE(AllCleared(item));
    EXPECT_EQ(9, item.insert_index);
    EXPECT_EQ(8, item.display_index);
}

TEST(FoundItem, CopyTakesEverythingButTheLinks) {
    FoundItem a, b, neighbour;
    Fill(a);
    a.next = &neighbour;
    a.prev = &neighbour;
    b.CopyFrom(a);
    EXPECT_EQ(a.folder, b.folder);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.ext, b.ext);
    for (ItemText which : kAllTexts)
        EXPECT_EQ(a.Text(which), b.Text(which)) << static_cast<int>(which);
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.date_m, b.date_m);
    EXPECT_EQ(a.wsoffset, b.wsoffset);
    EXPECT_EQ(a.wslen, b.wslen);
    EXPECT_EQ(4, b.icon);
    EXPECT_EQ(1, b.overlay);
    EXPECT_EQ(ItemCut, b.state);
    EXPECT_EQ(9, b.insert_index);
    EXPECT_EQ(nullptr, b.next);
    EXPECT_EQ(nullptr, b.prev);
}

// A scratch item refilled entry by entry, as the walk and the saved-search
// loader do, and copied into the job: the copies of one folder share its
// text, a new folder gets its own, and the text outlives every holder but
// one.
TEST(FoundItem, ItemsOfOneFolderShareItsText) {
    FoundItem scratch;
    std::vector<std::unique_ptr<FoundItem>> kept;
    const wchar_t* folders[] = {L"C:\\a", L"C:\\a", L"C:\\a", L"C:\\b", L"C:\\b", L"C:\\a"};
    for (const wchar_t* folder : folders) {
        scratch.Clear();
        EXPECT_TRUE(scratch.folder.empty());
        EXPECT_EQ(scratch.folder.c_str(), std::wstring_view()) << "a cleared text reads empty";
        scratch.folder = std::wstring(folder); // a fresh text each time
        scratch.name = L"x";
        kept.push_back(std::make_unique<FoundItem>());
        kept.back()->CopyFrom(scratch);
    }
    EXPECT_TRUE(kept[0]->folder.SharesWith(kept[1]->folder));
    EXPECT_TRUE(kept[0]->folder.SharesWith(kept[2]->folder));
    EXPECT_TRUE(kept[3]->folder.SharesWith(kept[4]->folder));
    EXPECT_FALSE(kept[2]->folder.SharesWith(kept[3]->folder));
    EXPECT_FALSE(kept[4]->folder.SharesWith(kept[5]->folder));
    EXPECT_EQ(kept[5]->folder, L"C:\\a");
    EXPECT_EQ(kept[0]->folder, kept[5]->folder) << "equal texts compare equal unshared";

    const wchar_t* text = kept[3]->folder.c_str();
    scratch.Clear();
    scratch.folder = L"C:\\c";
    kept[3].reset();
    EXPECT_EQ(std::wstring_view(text), L"C:\\b") << "the last holder keeps the text";
    EXPECT_EQ(kept[4]->folder.c_str(), text);

    // Assigning into a holder that shares the block leaves the others alone.
    kept[0]->folder = L"D:\\other";
    EXPECT_EQ(kept[1]->folder, L"C:\\a");
    EXPECT_EQ(kept[0]->folder.text(), mvstring(L"D:\\other"));
    kept[1]->folder = L"";
    EXPECT_TRUE(kept[1]->folder.empty());
    EXPECT_EQ(kept[2]->folder, L"C:\\a");
}

// Texts are made when read, with the date and clock parts kept per day and
// second: they must be what formatting each time in full gives, with and
// without seconds, across midnight, a leap day and the same minute.
TEST(FoundItem, TextsMadeOnDemandMatchFullFormatting) {
    const bool force = Settings().ForceUsePropSys;
    Settings().ForceUsePropSys = false;
    const std::uint64_t kMinute = 600000000ull;
    const std::uint64_t base = 133500000000000000ull; // 2024
    const std::uint64_t times[] = {base,
                                   base + 1,
                                   base + 150000000ull, // 15 s later, same minute
                                   base + 59 * kMinute + 590000000ull,
                                   base + 24 * 60 * kMinute - 10000000ull,
                                   130000000000000000ull,
                                   133540000000000000ull,
                                   3 * 864000000000ull,    // early 1601
                                   116444736000000000ull}; // 1970
    const std::uint64_t sizes[] = {0, 1, 1023, 1024, 1536, 999999, 123456789012ull};
    for (bool seconds : {false, true}) {
        SearchCriteria criteria;
        criteria.date_usesec = seconds;
        int n = 0;
        for (std::uint64_t time : times) {
            FoundItem item;
            item.date_c = time;
            item.date_m = time + 10000000ull * 3600;
            item.date_a = time + 10000000ull * 86400;
            item.size = sizes[n++ % std::size(sizes)];
            item.attr = static_cast<std::uint32_t>(time % 64) & kKeptItemAttributes & ~0x10u;
            item.FormatTexts(criteria);
            // Twice: once filling the per-thread store, once from it.
            for (int pass = 0; pass < 2; ++pass) {
                for (ItemText which : {ItemText::Created, ItemText::Modified, ItemText::Accessed}) {
                    const std::uint64_t utc = which == ItemText::Created    ? item.date_c
                                              : which == ItemText::Modified ? item.date_m
                                                                            : item.date_a;
                    FILETIME file{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)}, local;
                    ASSERT_TRUE(FileTimeToLocalFileTime(&file, &local));
                    EXPECT_EQ(item.Text(which), FormatFileTime(local, !seconds))
                        << utc << " seconds " << seconds;
                }
                mvstring kb, exact, letters;
                FormatFileSize(item.size, true, kb);
                FormatFileSize(item.size, false, exact);
                AttributesToLetters(item.attr, letters);
                EXPECT_EQ(item.Text(ItemText::SizeKb), kb);
                EXPECT_EQ(item.Text(ItemText::Size), exact);
                EXPECT_EQ(item.Text(ItemText::Attributes), letters);
                EXPECT_FALSE(kb.empty());
            }
        }
    }
    // The seconds show only when asked for.
    FoundItem a, b;
    a.date_m = base;
    b.date_m = base + 150000000ull;
    SearchCriteria criteria;
    a.FormatTexts(criteria);
    b.FormatTexts(criteria);
    EXPECT_EQ(a.Text(ItemText::Modified), b.Text(ItemText::Modified));
    criteria.date_usesec = true;
    a.FormatTexts(criteria);
    b.FormatTexts(criteria);
    EXPECT_NE(a.Text(ItemText::Modified), b.Text(ItemText::Modified));
    Settings().ForceUsePropSys = force;
}

// The user may change the date and time formats while the program runs: the
// date and clock parts kept per thread must then give way, or one list would
// show the days met before in the former format and the others in the new.
// It changes the user locale's formats, which every process of the prefix reads:
// "Locale" in its name runs it with no other test beside it.
TEST(FoundItem, TextsFollowAChangeOfTheUserLocaleFormats) {
    const bool force = Settings().ForceUsePropSys;
    Settings().ForceUsePropSys = false;
    struct Format {
        LCTYPE type;
        wchar_t saved[80] = {};
    } formats[] = {{LOCALE_SSHORTDATE}, {LOCALE_STIMEFORMAT}};
    for (Format& f : formats)
        ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, f.type, f.saved, 80), 0);
    // The user's own formats come back however the test ends.
    const auto restore = [&formats](void*) {
        for (const Format& f : formats)
            SetLocaleInfoW(LOCALE_USER_DEFAULT, f.type, f.saved);
    };
    std::unique_ptr<void, decltype(restore)> restored(&formats, restore);
    const struct {
        const wchar_t* date;
        const wchar_t* clock;
    } cases[] = {
        {L"yyyy'#'MM'#'dd", L"HH'h'mm'm'ss"}, {L"dd.MM.yy", L"H:mm:ss"}, {nullptr, nullptr}};

    const std::uint64_t times[] = {133500000000000000ull, 133500000000000000ull + 864000000000ull};
    FoundItem item;
    for (const auto& c : cases) {
        const wchar_t* date = c.date ? c.date : formats[0].saved;
        const wchar_t* clock = c.clock ? c.clock : formats[1].saved;
        // The texts of the former formats are in the thread's store first.
        for (std::uint64_t time : times) {
            item.date_m = time;
            for (bool seconds : {false, true}) {
                SearchCriteria criteria;
                criteria.date_usesec = seconds;
                item.FormatTexts(criteria);
                EXPECT_FALSE(item.Text(ItemText::Modified).empty());
            }
        }
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, date));
        ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, clock));
        Sleep(300); // longer than the store waits between looks at the formats
        for (std::uint64_t time : times) {
            item.date_m = time;
            FILETIME file{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)}, local;
            ASSERT_TRUE(FileTimeToLocalFileTime(&file, &local));
            for (bool seconds : {false, true}) {
                SearchCriteria criteria;
                criteria.date_usesec = seconds;
                item.FormatTexts(criteria);
                EXPECT_EQ(item.Text(ItemText::Modified), FormatFileTime(local, !seconds))
                    << "date format " << date << ", clock format " << clock;
            }
        }
    }
    // The last case put the user's own formats back.
    wchar_t now[80] = {};
    for (const Format& f : formats) {
        ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, f.type, now, 80), 0);
        EXPECT_STREQ(f.saved, now);
    }
    Settings().ForceUsePropSys = force;
}
