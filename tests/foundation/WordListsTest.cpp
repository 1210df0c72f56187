#include "foundation/WordLists.h"

#include "foundation/Language.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Puts a fresh process-wide language with only the given file in place, and
// a fresh one back afterwards.
class WordListsTest : public ::testing::Test {
protected:
    void Use(const std::string& text) {
        Language() = VQ_MLang();
        ASSERT_TRUE(Language().SetLanguageFile(m_dir.WriteFile(
            L"words" + std::to_wstring(++m_files) + L".ini", "\xEF\xBB\xBF" + text)));
    }
    void TearDown() override {
        Language() = VQ_MLang();
        SetSystemColumnTitleLister(nullptr);
    }

    TempDir m_dir;
    int m_files = 0;
};

std::wstring Join(const std::vector<mvstring>& items) {
    std::wstring joined;
    for (const mvstring& item : items)
        joined += item.str() + L"|";
    return joined;
}

bool NineSystemTitles(std::vector<mvstring>& titles) {
    titles = {L"SysName",    L"SysSize",     L"SysType",       L"SysModified", L"SysFolder",
              L"SysCreated", L"SysAccessed", L"SysAttributes", L"SysExtension"};
    return true;
}

} // namespace

TEST_F(WordListsTest, ColumnTitlesFallBackOnTheSystemLabels) {
    Use("[list_columns]\nname = &Name\nsize = Si&ze...\ntype = Type\tCtrl+T\n");
    SetSystemColumnTitleLister(NineSystemTitles);
    std::vector<mvstring> titles;
    GetColumnTitles(titles, false);
    EXPECT_EQ(Join(titles), L"&Name|Si&ze...|Type\tCtrl+T|SysModified|SysFolder|SysCreated|"
                            L"SysAccessed|SysAttributes|SysExtension|");
    GetColumnTitles(titles, true);
    // Stripped: mnemonics, the dots after a word and the accelerator go.
    EXPECT_EQ(Join(titles).substr(0, 15), L"Name|Size|Type|");
    EXPECT_EQ(GetColumnTitle(-1, false), L"");
    EXPECT_EQ(GetColumnTitle(9, false), L"");

    // Without system labels a missing title stays empty.
    SetSystemColumnTitleLister(nullptr);
    EXPECT_EQ(GetColumnTitle(3, false), L"");
    EXPECT_EQ(GetColumnTitle(0, true), L"Name");
}

TEST_F(WordListsTest, ViewModesInMenuOrder) {
    Use("[menu_view]\nlv_details = D\nlv_list = L\nlv_tiles = T\nlv_smallicon = S\nlv_icon = "
        "I\n");
    std::vector<ViewModeEntry> modes;
    GetViewModeNames(modes);
    std::wstring seen;
    for (const ViewModeEntry& mode : modes)
        seen += std::to_wstring(mode.Mode) + L"=" + mode.Name.str() + L" ";
    EXPECT_EQ(seen, L"4=D 3=L 5=T 0=S 1=I 2= ");
}

TEST_F(WordListsTest, GroupTitlesWithTheirDefaults) {
    Use("[global]\nok = OK\n");
    EXPECT_EQ(GetOtherNameGroupTitle(), L"Other");
    EXPECT_EQ(GetOtherExtGroupTitle(), L"Unspecified");
    EXPECT_EQ(GetDateGroupTitle(0), L"A long time ago");
    EXPECT_EQ(GetDateGroupTitle(4), L"Last Week");
    EXPECT_EQ(GetDateGroupTitle(14), L"Sometime in the future");
    EXPECT_EQ(GetDateGroupTitle(15), L"<unknown>");

    Use("[group_title]\nname_other = Rest\next_other = None\n[global]\nunknown = ?\n");
    EXPECT_EQ(GetOtherNameGroupTitle(), L"Rest");
    EXPECT_EQ(GetOtherExtGroupTitle(), L"None");
    EXPECT_EQ(GetDateGroupTitle(-1), L"?");
}

TEST_F(WordListsTest, DateTitlesNeedAllFifteen) {
    const std::string fifteen = "d0/d1/d2/d3/d4/d5/d6/d7/d8/d9/d10/d11/d12/d13/d14";
    Use("[group_title]\ndate = " + fifteen + "\n");
    EXPECT_EQ(GetDateGroupTitle(7), L"d7");
    EXPECT_EQ(GetDateGroupTitle(14), L"d14");

    // Fourteen titles: the English ones serve for every range.
    Use("[group_title]\ndate = " + fifteen.substr(0, fifteen.rfind('/')) + "\n");
    EXPECT_EQ(GetDateGroupTitle(7), L"Today");
    EXPECT_EQ(GetDateGroupTitle(14), L"Sometime in the future");
}

TEST_F(WordListsTest, SizeGroupTitles) {
    Use("[group_title]\nsize = s0/s1/s2/s3/s4/s5/s6/folders\n");
    const struct {
        int id;
        const wchar_t* label;
        const wchar_t* text;
    } cases[] = {
        {0, L"", L"s0"},
        {0, L"0 KB", L"s0 (0 KB)"},
        {6, L"> 4 GB", L"s6 (> 4 GB)"},
        {-1, L"", L"folders"},
        // Past the second-to-last title the label stays as it is.
        {7, L"x", L"x"},
        {8, L"", L""},
    };
    for (const auto& c : cases) {
        mvstring text(c.label);
        GetSizeGroupTitle(c.id, text);
        EXPECT_EQ(text, c.text) << c.id;
    }

    // Without a list there is one empty title, that of the folders.
    Use("[global]\nok = OK\n");
    mvstring text(L"16 KB");
    GetSizeGroupTitle(0, text);
    EXPECT_EQ(text, L"16 KB");
    GetSizeGroupTitle(-1, text);
    EXPECT_EQ(text, L" (16 KB)");
}

TEST_F(WordListsTest, DefaultMarkerGetsOneBlankInFront) {
    const struct {
        const char* value;
        const wchar_t* marker;
    } cases[] = {
        {"", L" *"},
        {"(default)", L" (default)"},
        {"x", L" x"},
        {"\" (std)\"", L" (std)"},
    };
    for (const auto& c : cases) {
        Use(std::string("[global]\nok = OK\ndef_sign = ") + c.value + "\n");
        EXPECT_EQ(GetDefaultMarker(), c.marker) << c.value;
    }
}

TEST_F(WordListsTest, OptionListsMarkTheDefaults) {
    Use("[global]\ndef_sign = (d)\n"
        "[search_panel]\nnameopt_list = any / all / whole / none / regexp\n"
        "wordopt_list = w0 / / w1\n"
        "logic_list = - / = / < / <= / > / >=\n");
    const struct {
        int list;
        int index;
        const wchar_t* text;
    } cases[] = {
        {0, 0, L"any"}, {0, 1, L"all (d)"}, {0, 4, L"regexp"}, {0, 5, L""}, {1, 0, L"w0 (d)"},
        {1, 1, L"w1"},  {5, 5, L">="},      {2, 0, L""},       {7, 0, L""}, {-1, 0, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetSearchPanelOptionList(c.list, c.index), c.text) << c.list << "/" << c.index;
}

TEST_F(WordListsTest, QuickDatesNeedAllEight) {
    Use("[search_panel]\nquickmenu_datelist = q0/q1/q2/q3/q4/q5/q6/q7\n");
    EXPECT_EQ(GetQuickDateList(0), L"q0");
    EXPECT_EQ(GetQuickDateList(7), L"q7");
    EXPECT_EQ(GetQuickDateList(8), L"");

    Use("[search_panel]\nquickmenu_datelist = q0/q1/q2\n");
    EXPECT_EQ(GetQuickDateList(3), L"Last Week");
    EXPECT_EQ(GetQuickDateList(7), L"Last year");
}

// The cached lists last until the language changes, and SetLanguage empties
// them even when the file it names cannot be loaded.
TEST_F(WordListsTest, SetLanguageEmptiesTheCachedLists) {
    Use("[group_title]\nname_other = First\n");
    EXPECT_EQ(GetOtherNameGroupTitle(), L"First");
    ASSERT_TRUE(Language().SetLanguageFile(
        m_dir.WriteFile(L"later.ini", "\xEF\xBB\xBF[group_title]\nname_other = Second\n")));
    EXPECT_EQ(GetOtherNameGroupTitle(), L"First");
    EXPECT_TRUE(SetLanguage(L"no_such_language.ini"));
    EXPECT_EQ(Language().CurrentFile(), L"later.ini");
    EXPECT_EQ(GetOtherNameGroupTitle(), L"Second");
}
