#include "panel/SearchInputCheck.h"

#include "PanelFixture.h"

#include <gtest/gtest.h>

#include <functional>

TEST(SearchInputCheck, InputThatWouldFindNothingUnseenIsNamedWithItsControl) {
    ScopedEnglish english;
    TempDir dir;
    const std::wstring folder = dir.Path();
    struct Case {
        const char* name;
        std::function<void(SearchCriteria&)> change;
        int controlId;
    } cases[] = {
        {"fine", [](SearchCriteria&) {}, 0},
        {"empty folder text", [](SearchCriteria& c) { c.folders = L"  "; }, 1021},
        {"missing folder", [&](SearchCriteria& c) { c.folders = folder + L"\\absent"; }, 1021},
        {"one of two folders exists",
         [&](SearchCriteria& c) { c.folders = folder + L"\\absent | " + folder; }, 0},
        {"odd hex digits",
         [](SearchCriteria& c) {
             c.word_hex = true;
             c.word = L"4D 5";
         },
         1012},
        {"no hex digits",
         [](SearchCriteria& c) {
             c.word_hex = true;
             c.word = L"4G";
         },
         1012},
        {"whole hex bytes",
         [](SearchCriteria& c) {
             c.word_hex = true;
             c.word = L"0x4D5A 90h x00";
         },
         0},
        {"hex box beside an expression",
         [](SearchCriteria& c) {
             c.word_hex = true;
             c.word_opt = WordRegexp;
             c.word = L"4D 5";
         },
         0},
    };
    for (const Case& test : cases) {
        SearchCriteria criteria;
        criteria.folders = folder;
        test.change(criteria);
        InputProblem problem;
        EXPECT_EQ(CheckSearchInput(criteria, problem), test.controlId == 0) << test.name;
        EXPECT_EQ(problem.controlId, test.controlId) << test.name;
        EXPECT_EQ(problem.message.empty(), test.controlId == 0) << test.name;
    }
}

TEST(SearchInputCheck, ASizeThatIsNoNumberIsNamedOnlyWhileItsComparisonIsOn) {
    PanelWindow w;
    TempDir dir;
    SetWindowTextW(w.panel.m_folders.Handle(), dir.Path().c_str());
    CVQSPGroup_Size& size = w.panel.m_sizeGroup;
    SendMessageW(size.m_size2.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"."));
    InputProblem problem;
    EXPECT_TRUE(w.panel.CheckInput(problem));
    w.Choose(size.m_logic2, OpLess);
    EXPECT_FALSE(w.panel.CheckInput(problem));
    EXPECT_EQ(problem.controlId, 1029);
    EXPECT_FALSE(problem.message.empty());
}
