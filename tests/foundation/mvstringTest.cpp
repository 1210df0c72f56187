#include "foundation/mvstring.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <map>

TEST(mvstring, ConstructionFromPointerAndLength) {
    EXPECT_TRUE(mvstring(nullptr, 5).empty());
    EXPECT_TRUE(mvstring(static_cast<const wchar_t*>(nullptr)).empty());
    EXPECT_EQ(mvstring(L"abcdef", 3), L"abc");
    EXPECT_EQ(mvstring(L"abc", 0), L"abc");
    EXPECT_EQ(mvstring().capacity(), 7u); // short texts live inline
}

TEST(mvstring, MovedFromStringIsEmptyAndSelfAssignmentKeepsText) {
    mvstring a(L"a text long enough for the heap");
    mvstring b(std::move(a));
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(b, L"a text long enough for the heap");
    mvstring& alias = b;
    b = alias;
    b = std::move(alias);
    EXPECT_EQ(b, L"a text long enough for the heap");
    EXPECT_EQ(mvstring::Concat(L"ab", L"cd"), L"abcd");
}

TEST(mvstring, CompareOrdinalAndNatural) {
    EXPECT_EQ(mvstring::Compare(L"file10", L"File9", true), 1);
    EXPECT_EQ(mvstring::Compare(L"file10", L"File9", false), -1);
    EXPECT_EQ(mvstring::Compare(L"ABC", L"abc", false), 0);
    EXPECT_EQ(mvstring::Compare(L"", L"a", false), -1);
    EXPECT_EQ(mvstring::Compare(L"b", L"", false), 1);
    EXPECT_EQ(mvstring::Compare(L"", L"", true), 0);
    EXPECT_TRUE(mvstring::EqualsNoCase(L"Global", L"GLOBAL"));
    EXPECT_FALSE(mvstring::EqualsNoCase(L"abc", L"abcd"));
    EXPECT_TRUE(mvstring::EqualsNoCase(L"", L""));
}

TEST(mvstring, NoCaseMapFindsKeysInAnyCase) {
    std::map<mvstring, int, mvmap_nocasecompare> map;
    map[L"Global"] = 1;
    map[L"GLOBAL"] = 2;
    map[L"other"] = 3;
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at(L"global"), 2);
    EXPECT_EQ(map.begin()->first, L"Global"); // the first spelling stays
}

TEST(mvstring, CompareFindText) {
    const std::wstring text = L"abcabc";
    struct Case {
        size_t start;
        const wchar_t* needle;
        ptrdiff_t expected;
    } cases[] = {{0, L"bc", 1},  {2, L"bc", 4}, {5, L"bc", -1}, {3, L"", 3},
                 {0, L"BC", -1}, {6, L"", 6},   {7, L"", -1},   {0, L"abcabcx", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(CompareFindText(text.c_str(), text.size(), c.start, c.needle, wcslen(c.needle)),
                  c.expected)
            << c.start << " " << c.needle;
}

// The run without windows matches names and lower-cases paths without the
// shell and window libraries; it must find and make what they do.
TEST(mvstring, FindTextNoCaseFindsWhatTheShellFinds) {
    const LCID oldLocale = GetThreadLocale();
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
    struct Case {
        const wchar_t* text;
        const wchar_t* needle;
    } cases[] = {
        {L"Alpha.TXT", L"a.tx"},
        {L"abc", L""},
        {L"abc", L"abcd"},
        {L"aaab", L"aab"},
        {L"x", L"X"},
        {L"\u00c4rger", L"\u00e4R"},
        {L"stra\u00dfe", L"SS"},
        {L"Stra\u00dfe", L"\u00df"},
        {L"\u0130stanbul", L"i"},
        {L"\u03a3\u03bf\u03c6\u03af\u03b1", L"\u03c3\u03bf\u03a6"},
        {L"", L"a"},
        {L"a-b", L"ab"},
        {L"co-op", L"coop"},
        {L"A\u0301", L"\u00c1"},
    };
    for (const Case& c : cases) {
        const wchar_t* found = StrStrIW(c.text, c.needle);
        EXPECT_EQ(FindTextNoCase(c.text, c.needle), found ? found - c.text : -1)
            << testing::PrintToString(std::wstring(c.text)) << " "
            << testing::PrintToString(std::wstring(c.needle));
    }
    SetThreadLocale(oldLocale);
}

TEST(mvstring, LowerCaseInPlaceMakesWhatTheWindowLibraryMakes) {
    std::wstring every(0x10000, L'\0');
    for (std::size_t unit = 0; unit < every.size(); ++unit)
        every[unit] = static_cast<wchar_t>(unit);
    std::wstring theirs = every;
    CharLowerBuffW(theirs.data(), static_cast<DWORD>(theirs.size()));
    LowerCaseInPlace(every);
    ASSERT_EQ(every.size(), theirs.size());
    for (std::size_t unit = 0; unit < every.size(); ++unit)
        EXPECT_EQ(int(every[unit]), int(theirs[unit])) << "code unit " << unit;
    std::wstring empty;
    LowerCaseInPlace(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(mvstring, TrimTextTakesItsBlanks) {
    struct Case {
        const wchar_t* text;
        const wchar_t* blanks; // null: the default blanks
        const wchar_t* expected;
    } cases[] = {
        {L" \t\r\nab c\n\r\t ", nullptr, L"ab c"},
        {L"\r\n", nullptr, L""},
        {L"", nullptr, L""},
        {L"x", nullptr, L"x"},
        {L"\r a \r", L" \t", L"\r a \r"}, // CR is no blank here
        {L" \t a\tb \t", L" \t", L"a\tb"},
        {L"--a-b--", L"-", L"a-b"},
        {L"  a  ", L"", L"  a  "},
    };
    for (const Case& c : cases) {
        const std::wstring_view trimmed =
            c.blanks == nullptr ? TrimText(c.text) : TrimText(c.text, c.blanks);
        EXPECT_EQ(trimmed, std::wstring_view(c.expected)) << WideToUtf8(c.text);
    }
}

TEST(mvstring, SplitStringAndSplitList) {
    std::vector<mvstring> parts;
    SplitString(L"|a||b|", parts, L"|");
    EXPECT_EQ(parts, (std::vector<mvstring>{L"a", L"b"}));
    SplitString(L"a--b", parts, L"--");
    EXPECT_EQ(parts, (std::vector<mvstring>{L"a", L"b"}));
    SplitString(L"", parts, L"|");
    EXPECT_TRUE(parts.empty());
    SplitString(L"abc", parts, L"");
    EXPECT_EQ(parts, (std::vector<mvstring>{L"abc"}));

    SplitList(L" a / / b ", L"/", parts, true);
    EXPECT_EQ(parts, (std::vector<mvstring>{L"a", L"b"}));
    SplitList(L" a / / b ", L"/", parts, false);
    EXPECT_EQ(parts, (std::vector<mvstring>{L"a", L"", L"b"}));
    SplitList(L"\tx\r\n;y", L";", parts, true);
    EXPECT_EQ(parts, (std::vector<mvstring>{L"x", L"y"}));
}

TEST(mvstring, CodePageConversions) {
    mvstring out(L"stale");
    EXPECT_EQ(AnsiToWide(out, nullptr, 4, CP_ACP), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(AnsiToWide(out, "caf\xE9", 0, 1252), 4);
    EXPECT_EQ(out, L"caf\u00E9");
    EXPECT_EQ(AnsiToWide(out, "caf\xC3\xA9xyz", 5, CP_UTF8), 4);
    EXPECT_EQ(out, L"caf\u00E9");
    EXPECT_EQ(WideToUtf8(L""), "");
    EXPECT_EQ(WideToUtf8(L"\u00E9\u20AC"), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(WideToAnsi(L"caf\u00E9"), "caf\xE9");

    mvstring swapped(L"\u0102\u00FF");
    swapped.SwapBytes();
    EXPECT_EQ(swapped, L"\u0201\uFF00");
}

TEST(mvstring, StripMenuText) {
    struct Case {
        const wchar_t* text;
        bool keepAmp;
        int dots;
        int tab;
        const wchar_t* expected;
    } cases[] = {
        {L"&Open...\tCtrl+O", false, 1, 0, L"Open"},
        {L"Save &As...", false, 0, 2, L"Save As"},
        {L"Fish && Chips", false, 2, 2, L"Fish && Chips"},
        {L"Options....", false, 1, 2, L"Options...."},
        {L"Options....", false, 0, 2, L"Options"},
        {L"End.", false, 0, 2, L"End."},
        {L"Dots..", false, 2, 2, L"Dots"},
        {L"\tabc&...", false, 0, 1, L""},
        {L"\t\tabc\tdef", true, 0, 0, L"\t\tabc"},
        {L"a\tb", true, 0, 2, L"a\tb"},
        {L"&&&x&", false, 0, 2, L"&&x"},
        {L"...", false, 0, 2, L""},
        {L"", false, 0, 0, L""},
    };
    for (const Case& c : cases) {
        mvstring s(c.text);
        EXPECT_EQ(s.StripMenuText(c.keepAmp, c.dots, c.tab), c.expected) << c.text;
    }
}
