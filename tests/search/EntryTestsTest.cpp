#include "search/EntryTests.h"

#include "foundation/WorkerThread.h"
#include "search/FoundItem.h"
#include "search/SearchCriteria.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint64_t kSecond = 10000000ull;
constexpr uint64_t kMinute = 60 * kSecond;
constexpr uint64_t kHour = 60 * kMinute;
constexpr uint64_t kDay = 24 * kHour;

// A file or folder entry as the walk fills it.
void Fill(FoundItem& item, const std::wstring& folder, const std::wstring& name,
          uint32_t attr = FILE_ATTRIBUTE_ARCHIVE, uint64_t size = 0) {
    item.Clear();
    item.folder = folder;
    item.name = name;
    item.attr = attr;
    item.size = size;
}

bool Passes(const SearchCriteria& criteria, FoundItem& item) {
    EntryTester tester;
    tester.Prepare(criteria, nullptr);
    return tester.Test(item) == ContentResult::Pass;
}

uint64_t ToLocal(uint64_t utc) {
    FILETIME from{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    FILETIME local{};
    FileTimeToLocalFileTime(&from, &local);
    return (static_cast<uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
}

} // namespace

TEST(MatchNamePattern, WildcardsAndSubstrings) {
    struct Case {
        const wchar_t* name;
        const wchar_t* pattern;
        int mode;
        bool caseSensitive;
        bool match;
    } cases[] = {
        {L"x.txt", L"*.TXT", 1, false, true},
        {L"X.TXT", L"*.txt", 1, true, false},
        {L"\u00FCber.txt", L"\u00DC*", 1, false, false}, // only A-Z fold
        {L"\u00DCber.txt", L"\u00DC*", 1, false, true},
        {L"abc", L"a?c", 1, false, true},
        {L"ac", L"a?c", 1, false, false},
        {L"abxbyd", L"*b?d", 1, false, true}, // the star takes more after a miss
        {L"abcbd", L"*b?d", 1, false, false},
        {L"abc", L"abc**", 1, false, true},
        {L"ab", L"abc*", 1, false, false},
        {L"abc", L"b", 1, false, false}, // wildcards match the whole name
        {L"bob.doc", L"b", 0, false, true},
        {L"README.md", L"readme", 0, false, true},
        {L"README.md", L"readme", 0, true, false},
        {L"xaby", L"ab", 2, false, true},   // no wildcard: substring
        {L"xaby", L"a*b", 2, false, false}, // wildcard: whole name
        {L"a*b", L"a*b", 0, true, true},    // substring mode takes "*" as it is
        {L"", L"*", 1, false, false},
        {L"a", L"", 1, false, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchNamePattern(c.name, c.pattern, c.mode, c.caseSensitive), c.match)
            << c.name << " ~ " << c.pattern << " mode " << c.mode;
}

TEST(EntryTester, NameModes) {
    struct Case {
        const wchar_t* text;
        int mode;
        bool caseSensitive;
        const wchar_t* name;
        bool match;
    } cases[] = {
        {L"*.txt report", NameAllPatterns, false, L"report.txt", true},
        {L"*.txt report", NameAllPatterns, false, L"report.doc", false},
        {L"*.txt report", NameAllPatterns, false, L"notes.txt", false},
        {L"a* b", NameAnyPattern, false, L"bob.doc", true},
        {L"a* b", NameAnyPattern, false, L"axe", true},
        {L"a* b", NameAnyPattern, false, L"cde", false},
        {L"tmp  bak\r\n", NameNoPattern, false, L"file.tmp", false},
        {L"tmp  bak\r\n", NameNoPattern, false, L"file.doc", true},
        {L"my file", NameWholeText, false, L"a my file.txt", true},
        {L"my file", NameWholeText, false, L"my.file", false},
        {L"^a.*\\d$", NameRegexp, false, L"AB1", true},
        {L"^a.*\\d$", NameRegexp, true, L"AB1", false},
        {L"^a.*\\d$", NameRegexp, false, L"ab", false},
        {L"anything", 9, false, L"x", true}, // an unknown mode tests nothing
    };
    for (const Case& c : cases) {
        SearchCriteria criteria;
        criteria.name = c.text;
        criteria.name_opt = c.mode;
        criteria.name_case = c.caseSensitive;
        FoundItem item;
        Fill(item, L"C:\\f", c.name);
        EXPECT_EQ(Passes(criteria, item), c.match) << c.text << " / " << c.name;
    }
}

TEST(EntryTester, FolderRuleAndAttributes) {
    struct Case {
        uint32_t attr;
        uint32_t mask;
        bool match;
    } cases[] = {
        {FILE_ATTRIBUTE_HIDDEN, 0x02, true}, // without 0x80
        {FILE_ATTRIBUTE_ARCHIVE, 0x17, false},
        {FILE_ATTRIBUTE_ARCHIVE, 0x80, true},
        {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, 0x01, true},
        {FILE_ATTRIBUTE_SYSTEM, 0x83, false},
        {FILE_ATTRIBUTE_DIRECTORY, 0x80, false},
        {FILE_ATTRIBUTE_DIRECTORY, 0x90, true},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, 0x90, false},
    };
    for (const Case& c : cases) {
        SearchCriteria criteria;
        criteria.attr = c.mask;
        FoundItem item;
        Fill(item, L"C:\\f", L"entry", c.attr);
        EXPECT_EQ(Passes(criteria, item), c.match) << std::hex << c.attr << " mask " << c.mask;
    }
}

TEST(RoundFileTime, PartsAndSeconds) {
    const uint64_t day = 154000 * kDay;
    const uint64_t t = day + 10 * kHour + 30 * kMinute + 45 * kSecond + 1234567;
    struct Case {
        int part;
        bool seconds;
        uint64_t expected;
    } cases[] = {
        {0, false, day},
        {0, true, day},
        {1, false, 10 * kHour + 30 * kMinute},
        {1, true, 10 * kHour + 30 * kMinute + 45 * kSecond},
        {2, false, day + 10 * kHour + 30 * kMinute},
        {2, true, day + 10 * kHour + 30 * kMinute + 45 * kSecond},
        {7, false, day + 10 * kHour + 30 * kMinute + 45 * kSecond},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RoundFileTime(t, c.part, c.seconds), c.expected) << c.part << c.seconds;
}

TEST(MatchSize, RoundsAsTheListShowsIt) {
    struct Case {
        uint64_t bytes;
        int unit;
        int op1;
        double v1;
        int op2;
        double v2;
        bool match;
    } cases[] = {
        {1536, 1, OpEqual, 1.5, OpNone, 0, true},
        {153805, 1, OpEqual, 151, OpNone, 0, true}, // 150.2 KB counts as 151
        {153805, 1, OpLess, 151, OpNone, 0, false},
        {1023, 1, OpEqual, 1023.0 / 1024, OpNone, 0, true}, // below 1: unrounded
        {5 * 1024 + 1023, 1, OpEqual, 5.99, OpNone, 0, true},
        {50 * 1024 + 1023, 1, OpEqual, 50.9, OpNone, 0, true},
        {3 << 20, 2, OpGreaterEqual, 3, OpLessEqual, 3, true},
        {1000, 0, OpGreater, 999, OpNone, 0, true},
        {1536, 1, OpGreater, 1, OpLess, 2, true},
        {1536, 1, OpGreater, 1, OpLess, 1.4, false},
        {0, 1, OpEqual, 0, OpNone, 0, true},
        {1536, 1, 9, 0, OpNone, 0, false}, // an unknown operator never holds
    };
    for (const Case& c : cases) {
        SearchCriteria criteria;
        criteria.size_mode = c.unit;
        criteria.size_logic1 = c.op1;
        criteria.size1 = c.v1;
        criteria.size_logic2 = c.op2;
        criteria.size2 = c.v2;
        FoundItem item;
        Fill(item, L"C:\\f", L"file", FILE_ATTRIBUTE_ARCHIVE, c.bytes);
        EXPECT_EQ(MatchSize(criteria, item), c.match) << c.bytes << " unit " << c.unit;
    }
    SearchCriteria criteria;
    FoundItem folder;
    Fill(folder, L"C:\\f", L"sub", FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(MatchSize(criteria, folder)); // no size test asked
    criteria.size_logic1 = OpGreaterEqual;
    EXPECT_FALSE(MatchSize(criteria, folder));
}

TEST(MatchDate, ComparesTheChosenTimeInLocalTime) {
    // The item's times in UTC; the bounds are local counts as the panel
    // gives them, so they are taken from the system's own conversion.
    const uint64_t modified = 154000 * kDay + 10 * kHour + 30 * kMinute + 45 * kSecond;
    const uint64_t local = ToLocal(modified);
    struct Case {
        int mode; // which time
        int part;
        bool seconds;
        int op;
        uint64_t bound;
        bool match;
    } cases[] = {
        {0, 1, false, OpEqual, local % kDay - 45 * kSecond + 5 * kDay, true}, // any day
        {0, 1, true, OpEqual, local % kDay - 45 * kSecond, false},
        {0, 1, false, OpEqual, local % kDay + kMinute, false},
        {0, 0, false, OpEqual, local - local % kDay + kHour, true}, // the date alone
        {0, 2, false, OpLess, local + kMinute, true},
        {0, 2, false, OpLess, local, false}, // same minute is not less
        {1, 2, false, OpLess, local, true},  // the created time is much older
    };
    for (const Case& c : cases) {
        SearchCriteria criteria;
        criteria.date_mode = c.mode;
        criteria.date_part = c.part;
        criteria.date_usesec = c.seconds;
        criteria.date_logic1 = c.op;
        criteria.date1 = c.bound;
        FoundItem item;
        Fill(item, L"C:\\f", L"file");
        item.date_m = modified;
        item.date_c = modified - 400 * kDay;
        item.date_a = modified;
        EXPECT_EQ(Passes(criteria, item), c.match)
            << "mode " << c.mode << " part " << c.part << " op " << c.op;
    }
}

TEST(MatchContent, HitsMissesAndUnreadableFiles) {
    TempDir t;
    t.WriteFile(L"hello.txt", "hello world");
    t.WriteFile(L"other.txt", "nothing here");
    struct Case {
        const wchar_t* name;
        const wchar_t* word;
        int mode;
        bool match;
        int64_t offset;
        int32_t length;
    } cases[] = {
        {L"hello.txt", L"world", WordAny, true, 6, 5},
        {L"hello.txt", L"HELLO", WordAny, false, -1, 0}, // content matches case by default
        {L"hello.txt", L"hello", WordAny, true, 0, 5},   // a hit at offset 0 is a hit
        {L"hello.txt", L"w.rld", WordRegexp, true, 6, 5},
        {L"hello.txt", L"world", WordNone, false, 6, 5},
        {L"other.txt", L"world", WordNone, true, -1, 0},
        {L"missing.txt", L"world", WordNone, true, -1, 0}, // unreadable: "does not contain"
        {L"missing.txt", L"world", WordAny, false, -1, 0},
    };
    for (const Case& c : cases) {
        SearchCriteria criteria;
        criteria.word = c.word;
        criteria.word_opt = c.mode;
        FoundItem item;
        Fill(item, t.Path(), c.name);
        item.ext = L".txt";
        EXPECT_EQ(Passes(criteria, item), c.match) << c.name << " / " << c.word;
        EXPECT_EQ(item.wsoffset, c.offset) << c.name << " / " << c.word;
        EXPECT_EQ(item.wslen, c.length) << c.name << " / " << c.word;
    }
    SearchCriteria criteria;
    criteria.word = L"world";
    FoundItem folder;
    Fill(folder, t.Path(), L"sub", FILE_ATTRIBUTE_DIRECTORY);
    criteria.attr = 0x97;
    EXPECT_FALSE(Passes(criteria, folder));
}

TEST(MatchContent, AStoppedReadIsNoAnswerEvenForNoneOfTheWords) {
    // Stopped while reading, a file has not been seen to lack the words, so
    // "none of the words" must not accept it.
    TempDir t;
    t.WriteFile(L"big.txt", std::string(1 << 20, 'x'));
    struct Run {
        WorkerThread worker;
        std::wstring folder;
        ContentResult result = ContentResult::Pass;
    } run;
    run.folder = t.Path();
    auto routine = [](void* parameter) -> DWORD {
        auto& r = *static_cast<Run*>(parameter);
        SearchCriteria criteria;
        criteria.word = L"needle";
        criteria.word_opt = WordNone;
        EntryTester tester;
        tester.Prepare(criteria, &r.worker);
        r.worker.Stop(0); // asked to stop before the read gets anywhere
        FoundItem item;
        Fill(item, r.folder, L"big.txt");
        r.result = tester.Test(item);
        return 0;
    };
    ASSERT_TRUE(run.worker.Start(routine, &run));
    WaitForSingleObject(run.worker.Handle(), INFINITE);
    EXPECT_EQ(run.result, ContentResult::Stopped);
}
