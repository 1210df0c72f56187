#include "panel/VQSearchPanel.h"

#include "foundation/History.h"
#include "foundation/Settings.h"
#include "panel/VQDateTimeCtrl.h"

#include "PanelFixture.h"
#include "support/ScopedSetting.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>
#include <vector>

namespace {

std::uint64_t Local(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0) {
    SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
    return SystemTimeToCounts(time);
}

void ExpectSame(const SearchCriteria& expected, const SearchCriteria& actual,
                const std::string& name) {
    SCOPED_TRACE(name);
    EXPECT_EQ(std::wstring_view(actual.folders), std::wstring_view(expected.folders));
    EXPECT_EQ(std::wstring_view(actual.name), std::wstring_view(expected.name));
    EXPECT_EQ(actual.name_opt, expected.name_opt);
    EXPECT_EQ(actual.name_case, expected.name_case);
    EXPECT_EQ(std::wstring_view(actual.word), std::wstring_view(expected.word));
    EXPECT_EQ(actual.word_opt, expected.word_opt);
    EXPECT_EQ(actual.word_case, expected.word_case);
    EXPECT_EQ(actual.word_hex, expected.word_hex);
    EXPECT_EQ(actual.size_mode, expected.size_mode);
    EXPECT_EQ(actual.size_logic1, expected.size_logic1);
    EXPECT_EQ(actual.size1, expected.size1);
    EXPECT_EQ(actual.size_logic2, expected.size_logic2);
    EXPECT_EQ(actual.size2, expected.size2);
    EXPECT_EQ(actual.date_mode, expected.date_mode);
    EXPECT_EQ(actual.date_part, expected.date_part);
    EXPECT_EQ(actual.date_logic1, expected.date_logic1);
    EXPECT_EQ(actual.date1, expected.date1);
    EXPECT_EQ(actual.date_logic2, expected.date_logic2);
    EXPECT_EQ(actual.date2, expected.date2);
    EXPECT_EQ(actual.date_usesec, expected.date_usesec);
    EXPECT_EQ(actual.attr, expected.attr);
    EXPECT_EQ(actual.subfolder, expected.subfolder);
}

// Shown by its own style (the host window itself stays hidden).
bool Visible(const mvWnd& control) {
    return (GetWindowLongW(control.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Enabled(const mvWnd& control) {
    return IsWindowEnabled(control.Handle()) != FALSE;
}

} // namespace

TEST(VQSearchPanel, EveryCriteriaFieldGoesIntoTheControlsAndComesBackTheSame) {
    setlocale(LC_ALL, "C");
    struct Case {
        const char* name;
        std::function<void(SearchCriteria&)> change;
    } cases[] = {
        {"defaults", [](SearchCriteria&) {}},
        {"texts",
         [](SearchCriteria& c) {
             c.folders = L"C:\\One | D:\\Two";
             c.name = L"*.txt report";
             c.word = L"needle hay";
         }},
        {"name options",
         [](SearchCriteria& c) {
             c.name_opt = NameNoPattern;
             c.name_case = true;
         }},
        {"word options",
         [](SearchCriteria& c) {
             c.word_opt = WordPhrase;
             c.word_case = false;
             c.word_hex = true;
         }},
        {"word regular expression", [](SearchCriteria& c) { c.word_opt = WordRegexp; }},
        {"size range",
         [](SearchCriteria& c) {
             c.size_mode = 2;
             c.size_logic1 = OpGreater;
             c.size1 = 1.5;
             c.size_logic2 = OpLessEqual;
             c.size2 = 128;
         }},
        {"date range with seconds",
         [](SearchCriteria& c) {
             c.date_mode = 1;
             c.date_part = 2;
             c.date_usesec = true;
             c.date_logic1 = OpGreaterEqual;
             c.date1 = Local(2024, 2, 29, 13, 45, 17);
             c.date_logic2 = OpLess;
             c.date2 = Local(2025, 1, 1, 0, 0, 0);
         }},
        {"time of day",
         [](SearchCriteria& c) {
             c.date_mode = 2;
             c.date_part = 1;
             c.date_logic1 = OpEqual;
             c.date1 = Local(2023, 7, 4, 9, 30);
         }},
        {"attributes",
         [](SearchCriteria& c) {
             c.attr = 0x01 | 0x10;
             c.subfolder = false;
         }},
    };
    for (const bool systemLook : {true, false}) {
        PanelWindow w(systemLook);
        for (const Case& test : cases) {
            SearchCriteria expected;
            test.change(expected);
            w.panel.LoadFromCriteria(expected);
            ExpectSame(expected, w.Read(),
                       std::string(test.name) + (systemLook ? "" : ", own colours"));
        }
    }
}

TEST(VQSearchPanel, AnUnsetDateOperatorLeavesThePickerAndTheRecordsDateAlone) {
    PanelWindow w;
    SearchCriteria shown;
    shown.date_logic1 = OpEqual;
    shown.date1 = Local(2022, 3, 4, 5, 6);
    w.panel.LoadFromCriteria(shown);
    SearchCriteria other;
    other.date1 = Local(2001, 1, 1, 0, 0); // operator none: not shown
    w.panel.LoadFromCriteria(other);
    EXPECT_EQ(w.panel.m_dateGroup.m_date1.GetFileTime(false), shown.date1);
    SearchCriteria read;
    read.date1 = 12345;
    w.panel.SaveToCriteria(read);
    EXPECT_EQ(read.date1, 12345u);
}

TEST(VQSearchPanel, ExactlyTheGroupsThatDifferFromTheirDefaultsAreExpandedAfterALoad) {
    PanelWindow w;
    SearchCriteria criteria;
    criteria.word_case = false;
    criteria.size_logic1 = OpGreater;
    w.panel.LoadFromCriteria(criteria);
    EXPECT_FALSE(w.panel.m_nameGroup.IsExpanded());
    EXPECT_TRUE(w.panel.m_wordGroup.IsExpanded());
    EXPECT_TRUE(Visible(w.panel.m_wordGroup.m_hex));
    EXPECT_TRUE(w.panel.m_sizeGroup.IsExpanded());
    EXPECT_FALSE(w.panel.m_dateGroup.IsExpanded());
    EXPECT_FALSE(Visible(w.panel.m_dateGroup.m_date2));
    EXPECT_FALSE(w.panel.m_advGroup.IsExpanded());
    EXPECT_FALSE(Visible(w.panel.m_advGroup.m_boxes[5]));
    w.panel.LoadFromCriteria(SearchCriteria());
    EXPECT_FALSE(w.panel.m_wordGroup.IsExpanded());
    EXPECT_FALSE(Visible(w.panel.m_wordGroup.m_hex));
}

TEST(VQSearchPanel, ARunningSearchDisablesInputsAndRowsButNotTheGroupHeaders) {
    PanelWindow w;
    const mvWnd* inputs[] = {&w.panel.m_names,
                             &w.panel.m_words,
                             &w.panel.m_folders,
                             &w.panel.m_browse,
                             &w.panel.m_nameGroup.m_case,
                             &w.panel.m_wordGroup.m_hex,
                             &w.panel.m_sizeGroup.m_unit,
                             &w.panel.m_dateGroup.m_part,
                             &w.panel.m_advGroup.m_boxes[0]};
    const mvWnd* headers[] = {&w.panel.m_nameGroup, &w.panel.m_wordGroup, &w.panel.m_sizeGroup,
                              &w.panel.m_dateGroup, &w.panel.m_advGroup};
    w.panel.UpdateState(true);
    for (const mvWnd* input : inputs)
        EXPECT_FALSE(Enabled(*input)) << GetDlgCtrlID(input->Handle());
    for (const mvWnd* header : headers)
        EXPECT_TRUE(Enabled(*header)) << GetDlgCtrlID(header->Handle());
    w.panel.UpdateState(false);
    for (const mvWnd* input : inputs)
        EXPECT_TRUE(Enabled(*input)) << GetDlgCtrlID(input->Handle());
}

TEST(VQSearchPanel, HistoriesFillTheInputsNewestFirstUnlessHistoryIsDisabled) {
    ScopedConfigFolders folders;
    TempDir data;
    const std::wstring older = data / L"older", newer = data / L"newer";
    CreateDirectoryW(older.c_str(), nullptr);
    CreateDirectoryW(newer.c_str(), nullptr);
    AddHistory(HistoryNames, L"old*.txt");
    AddHistory(HistoryNames, L"new*.txt");
    AddHistory(HistoryWords, L"first");
    AddHistory(HistoryWords, L"second");
    AddHistory(HistoryFolders, older);
    AddHistory(HistoryFolders, newer);
    for (const bool disabled : {false, true}) {
        SCOPED_TRACE(disabled);
        ScopedBoolSetting setting(Settings().DisableHistory, disabled);
        PanelWindow w;
        const std::vector<mvstring> names = w.panel.m_names.Strings().Strings();
        const std::vector<mvstring> words = w.panel.m_words.Strings().Strings();
        const std::vector<mvFolderCombo::Item>& items = w.panel.m_folders.m_items;
        const size_t typed = items.size() - static_cast<size_t>(w.panel.m_folders.m_fixedCount);
        if (disabled) {
            EXPECT_TRUE(names.empty());
            EXPECT_TRUE(words.empty());
            EXPECT_EQ(typed, 0u);
            continue;
        }
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(std::wstring_view(names[0]), L"new*.txt");
        EXPECT_EQ(std::wstring_view(names[1]), L"old*.txt");
        ASSERT_EQ(words.size(), 2u);
        EXPECT_EQ(std::wstring_view(words[0]), L"second");
        ASSERT_EQ(typed, 2u);
        EXPECT_EQ(std::wstring_view(items[0].path), newer);
        EXPECT_EQ(std::wstring_view(items[1].path), older);
    }
}

TEST(VQSearchPanel, AStartedSearchPutsItsTextsFirstInTheSuggestionsAndTheHistoryFile) {
    ScopedConfigFolders folders;
    TempDir data;
    SearchCriteria criteria;
    criteria.name = L"*.log";
    criteria.folders = data.Path();
    for (const bool disabled : {true, false}) {
        SCOPED_TRACE(disabled);
        ScopedBoolSetting setting(Settings().DisableHistory, disabled);
        PanelWindow w;
        w.panel.m_names.AddString(L"older");
        w.panel.RememberCriteria(criteria);
        std::vector<mvstring> names, words, paths;
        LoadHistory(&names, &words, &paths);
        const std::vector<mvstring> suggested = w.panel.m_names.Strings().Strings();
        ASSERT_FALSE(suggested.empty());
        EXPECT_EQ(std::wstring_view(suggested.front()), disabled ? L"older" : L"*.log");
        EXPECT_TRUE(words.empty()); // no words: nothing remembered for them
        if (disabled) {
            EXPECT_TRUE(names.empty());
            EXPECT_TRUE(paths.empty());
            continue;
        }
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(std::wstring_view(names[0]), L"*.log");
        ASSERT_EQ(paths.size(), 1u);
        EXPECT_EQ(std::wstring_view(paths[0]), data.Path());
        EXPECT_EQ(std::wstring_view(w.panel.m_folders.m_items.front().path), data.Path());
    }
}

TEST(VQSearchPanel, BrowsingReplacesTheFolderTextOrAppendsToIt) {
    struct Case {
        const wchar_t* current;
        bool append;
        const wchar_t* expected;
    } cases[] = {
        {L"", true, L"C:\\Chosen"},
        {L"D:\\Old", true, L"D:\\Old | C:\\Chosen"},
        {L"D:\\Old", false, L"C:\\Chosen"},
    };
    PanelWindow w;
    for (const Case& test : cases) {
        SetWindowTextW(w.panel.m_folders.Handle(), test.current);
        w.panel.ApplyBrowsedFolder(L"C:\\Chosen", test.append);
        EXPECT_EQ(std::wstring_view(w.panel.m_folders.GetEditText()), test.expected)
            << test.current << " " << test.append;
    }
}

TEST(VQSearchPanel, ExpandingTheLastGroupInAShortPanelScrollsItsLastBoxIntoView) {
    PanelWindow w(true, 260);
    // Scrolling moves the children of a shown window only.
    ShowWindow(w.host.Handle(), SW_SHOWNOACTIVATE);
    ASSERT_EQ(w.panel.Position(), 0);
    PanelWindow::Click(w.panel.m_advGroup);
    ASSERT_TRUE(w.panel.m_advGroup.IsExpanded());
    RECT last{}, client{};
    GetWindowRect(w.panel.m_advGroup.m_boxes[5].Handle(), &last);
    MapWindowPoints(nullptr, w.panel.Handle(), reinterpret_cast<POINT*>(&last), 2);
    GetClientRect(w.panel.Handle(), &client);
    EXPECT_GT(w.panel.Position(), 0);
    EXPECT_LE(last.bottom, client.bottom);
    EXPECT_GE(last.top, 0);
}
