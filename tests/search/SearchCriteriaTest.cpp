#include "search/SearchCriteria.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

TEST(SearchCriteria, DefaultsAndReset) {
    SearchCriteria c;
    EXPECT_TRUE(c.folders.empty() && c.name.empty() && c.word.empty());
    EXPECT_EQ(1, c.name_opt);
    EXPECT_FALSE(c.name_case);
    EXPECT_EQ(0, c.word_opt);
    EXPECT_TRUE(c.word_case);
    EXPECT_FALSE(c.word_hex);
    EXPECT_EQ(0, c.size_mode + c.size_logic1 + c.size_logic2 + c.date_mode + c.date_part +
                     c.date_logic1 + c.date_logic2);
    EXPECT_EQ(0.0, c.size1);
    EXPECT_EQ(0.0, c.size2);
    EXPECT_EQ(0u, c.date1 | c.date2);
    EXPECT_FALSE(c.date_usesec);
    EXPECT_EQ(0x97u, c.attr);
    EXPECT_TRUE(c.subfolder);

    c.folders = L"C:\\Data";
    c.word = L"x";
    c.word_case = false;
    c.attr = 1;
    c.size2 = 5;
    c.Reset();
    EXPECT_TRUE(c.Equals(SearchCriteria(), false));
    EXPECT_TRUE(c.word_case);
}

TEST(SearchCriteria, AssignCopiesEveryFieldAndSurvivesSelf) {
    SearchCriteria a;
    a.folders = L"C:\\A long folder name | D:\\";
    a.name = L"*.txt";
    a.name_opt = 4;
    a.name_case = true;
    a.word = L"needle";
    a.word_opt = 2;
    a.word_case = false;
    a.word_hex = true;
    a.size_mode = 2;
    a.size_logic1 = 4;
    a.size_logic2 = 2;
    a.size1 = 1.5;
    a.size2 = 9;
    a.date_mode = 1;
    a.date_part = 2;
    a.date_logic1 = 5;
    a.date_logic2 = 3;
    a.date1 = 111;
    a.date2 = 222;
    a.date_usesec = true;
    a.attr = 0x13;
    a.subfolder = false;
    SearchCriteria b;
    b.Assign(a);
    EXPECT_TRUE(b.Equals(a, false));
    EXPECT_TRUE(b.folders == a.folders && b.name == a.name && b.word == a.word);
    SearchCriteria copy(a);
    EXPECT_TRUE(copy.Equals(a, false));
    b.Assign(b);
    EXPECT_TRUE(b.Equals(a, false));
    EXPECT_EQ(a.folders, b.folders);

    auto* owned = new SearchCriteria(a);
    ReleaseCriteria(owned);
    EXPECT_EQ(nullptr, owned);
}

TEST(SearchCriteria, Equals) {
    using Change = std::function<void(SearchCriteria&)>;
    struct Case {
        const char* what;
        Change change;
        bool equal;          // without the flag
        bool equalInResults; // with the within-results flag
    };
    const Case cases[] = {
        {"defaults", [](SearchCriteria&) {}, true, true},
        {"folder case", [](SearchCriteria& c) { c.folders = L"C:\\DATA"; }, true, true},
        {"name case", [](SearchCriteria& c) { c.name = L"*.TXT"; }, true, true},
        {"word case", [](SearchCriteria& c) { c.word = L"NEEDLE"; }, true, true},
        {"other folder", [](SearchCriteria& c) { c.folders = L"C:\\Other"; }, false, true},
        {"longer folder", [](SearchCriteria& c) { c.folders = L"C:\\Data\\"; }, false, true},
        {"subfolders", [](SearchCriteria& c) { c.subfolder = false; }, false, true},
        {"other name", [](SearchCriteria& c) { c.name = L"*.doc"; }, false, false},
        {"other word", [](SearchCriteria& c) { c.word = L"needles"; }, false, false},
        {"name option", [](SearchCriteria& c) { c.name_opt = 0; }, false, false},
        {"name case flag", [](SearchCriteria& c) { c.name_case = true; }, false, false},
        {"word option", [](SearchCriteria& c) { c.word_opt = 3; }, false, false},
        {"word hex", [](SearchCriteria& c) { c.word_hex = true; }, false, false},
        {"attributes", [](SearchCriteria& c) { c.attr = 0x10; }, false, false},
        {"size operator", [](SearchCriteria& c) { c.size_logic2 = 2; }, false, false},
        {"date operator", [](SearchCriteria& c) { c.date_logic1 = 1; }, false, false},
        {"size value", [](SearchCriteria& c) { c.size1 = 10; }, false, true},
        {"size unit", [](SearchCriteria& c) { c.size_mode = 1; }, false, true},
        {"date value", [](SearchCriteria& c) { c.date2 = 5; }, false, true},
        {"date kind", [](SearchCriteria& c) { c.date_mode = 2; }, false, true},
        {"date part", [](SearchCriteria& c) { c.date_part = 1; }, false, true},
        {"seconds", [](SearchCriteria& c) { c.date_usesec = true; }, false, true},
    };
    for (const Case& k : cases) {
        SearchCriteria base;
        base.folders = L"C:\\Data";
        base.name = L"*.txt";
        base.word = L"needle";
        SearchCriteria changed(base);
        k.change(changed);
        EXPECT_EQ(k.equal, base.Equals(changed, false)) << k.what;
        EXPECT_EQ(k.equal, changed.Equals(base, false)) << k.what;
        EXPECT_EQ(k.equalInResults, base.Equals(changed, true)) << k.what;
    }
}

TEST(SearchCriteria, OptionsWithoutTheirTextDoNotCountWithinResults) {
    SearchCriteria a, b;
    b.name_opt = 3;
    b.name_case = true;
    b.word_opt = 4;
    b.word_case = false;
    b.word_hex = true;
    EXPECT_TRUE(a.Equals(b, true)) << "both texts are empty";
    EXPECT_FALSE(a.Equals(b, false));
}

TEST(SearchCriteria, NaNSizeNeverEquals) {
    SearchCriteria a;
    a.size1 = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(a.Equals(a, false));
    SearchCriteria b(a);
    EXPECT_FALSE(a.Equals(b, false));
    EXPECT_FALSE(SearchCriteria().Equals(a, false));
}
