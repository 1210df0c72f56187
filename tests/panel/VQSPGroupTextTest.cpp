#include "panel/VQSPGroupText.h"

#include "PanelFixture.h"

#include <gtest/gtest.h>

#include <functional>

TEST(VQSPGroupText, EachGroupLeavesItsDefaultsByItsOwnRule) {
    struct Case {
        const char* name;
        std::function<CVQSPGroup&(CVQSearchPanel&)> group;
        std::function<void(CVQSearchPanel&)> change;
        bool atDefaults;
    } cases[] = {
        {"names: other radio", [](CVQSearchPanel& p) -> CVQSPGroup& { return p.m_nameGroup; },
         [](CVQSearchPanel& p) { PanelWindow::Click(p.m_nameGroup.m_options[0]); }, false},
        {"names: case on", [](CVQSearchPanel& p) -> CVQSPGroup& { return p.m_nameGroup; },
         [](CVQSearchPanel& p) { PanelWindow::Click(p.m_nameGroup.m_case); }, false},
        // The same case box has the opposite default for words.
        {"words: case off", [](CVQSearchPanel& p) -> CVQSPGroup& { return p.m_wordGroup; },
         [](CVQSearchPanel& p) { PanelWindow::Click(p.m_wordGroup.m_case); }, false},
        {"words: hex on", [](CVQSearchPanel& p) -> CVQSPGroup& { return p.m_wordGroup; },
         [](CVQSearchPanel& p) { PanelWindow::Click(p.m_wordGroup.m_hex); }, false},
        {"words: other radio", [](CVQSearchPanel& p) -> CVQSPGroup& { return p.m_wordGroup; },
         [](CVQSearchPanel& p) { PanelWindow::Click(p.m_wordGroup.m_options[2]); }, false},
        {"attributes: subfolders off",
         [](CVQSearchPanel& p) -> CVQSPGroup& { return p.m_advGroup; },
         [](CVQSearchPanel& p) { PanelWindow::Click(p.m_advGroup.m_boxes[4]); }, false},
        {"attributes: hidden off", [](CVQSearchPanel& p) -> CVQSPGroup& { return p.m_advGroup; },
         [](CVQSearchPanel& p) { PanelWindow::Click(p.m_advGroup.m_boxes[2]); }, false},
        {"defaults", [](CVQSearchPanel& p) -> CVQSPGroup& { return p.m_advGroup; },
         [](CVQSearchPanel&) {}, true},
    };
    PanelWindow w;
    for (const Case& test : cases) {
        w.panel.LoadFromCriteria(SearchCriteria()); // every group collapsed at its defaults
        CVQSPGroup& group = test.group(w.panel);
        // Radios take turns only among the shown ones, as when the user clicks.
        PanelWindow::Click(group);
        ASSERT_TRUE(group.m_atDefaults) << test.name;
        test.change(w.panel);
        EXPECT_EQ(group.m_atDefaults, test.atDefaults) << test.name;
    }
}

TEST(VQSPGroupText, TheHexBoxIsOfferedOnlyWhileTheRegularExpressionChoiceIsOff) {
    PanelWindow w;
    CVQSPGroup_Word& words = w.panel.m_wordGroup;
    PanelWindow::Click(words);
    ASSERT_TRUE(IsWindowEnabled(words.m_hex.Handle()));
    PanelWindow::Click(words.m_options[4]);
    EXPECT_FALSE(IsWindowEnabled(words.m_hex.Handle()));
    PanelWindow::Click(words.m_options[1]);
    EXPECT_TRUE(IsWindowEnabled(words.m_hex.Handle()));
    words.UpdateState(true);
    EXPECT_FALSE(IsWindowEnabled(words.m_hex.Handle()));
    words.UpdateState(false);
    EXPECT_TRUE(IsWindowEnabled(words.m_hex.Handle()));
}
