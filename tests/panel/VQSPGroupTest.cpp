#include "panel/VQSPGroup.h"

#include "PanelFixture.h"

#include <gtest/gtest.h>

namespace {

RECT InPanel(const mvWnd& control, const CVQSearchPanel& panel) {
    RECT rect{};
    GetWindowRect(control.Handle(), &rect);
    MapWindowPoints(nullptr, panel.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

TEST(VQSPGroup, OperatorRowsLeaveATextLineBelowThemAndTheComboNeverCrowdsOutTheValue) {
    PanelWindow w;
    PanelWindow::Click(w.panel.m_sizeGroup);
    CVQSPGroup_Size& size = w.panel.m_sizeGroup;
    const RECT logic1 = InPanel(size.m_logic1, w.panel);
    const RECT value1 = InPanel(size.m_size1, w.panel);
    const RECT logic2 = InPanel(size.m_logic2, w.panel);
    const int text = mvtheme_control::GetTextHeight(w.panel.Font());
    const int rowGap = 2 * UiTheme::Get().fonts.spacing.gap;
    EXPECT_EQ(logic2.top, logic1.top + (logic1.bottom - logic1.top) + text + rowGap);
    EXPECT_EQ(value1.left, logic1.right + UiTheme::Get().fonts.spacing.innerSpacing.cx / 2);
    // A narrow panel: the combo gives way so that the value keeps some room.
    SetWindowPos(w.panel.Handle(), nullptr, 0, 0, 90, 700, SWP_NOMOVE | SWP_NOZORDER);
    w.panel.Layout();
    const RECT narrow = InPanel(size.m_logic1, w.panel);
    const int square = logic1.bottom - logic1.top; // the row's first control
    RECT client{};
    GetClientRect(w.panel.Handle(), &client);
    const int margin = UiTheme::Get().fonts.spacing.innerSpacing.cx;
    EXPECT_LE(narrow.right - narrow.left, client.right - 2 * margin - margin / 2 - square);
}

TEST(VQSPGroup, AGroupWithoutRowsMeasuresAsItsHeaderAndHasNoLastControl) {
    struct Empty : CVQSPGroup {
        Empty() : CVQSPGroup(6) {}
        ~Empty() override { Detach(true); }
        void CreateControls(HWND) override {}
        void LoadTexts() override {}
    };
    PanelWindow w;
    Empty group;
    ASSERT_TRUE(CreateButtonWindow(group, w.panel.Handle(), 1100, BS_LEFT));
    group.SetExpanded(true);
    RECT rect{};
    GetWindowRect(group.Handle(), &rect);
    EXPECT_EQ(group.LastControl(), nullptr);
    EXPECT_EQ(group.GetContentBottom(), rect.bottom - rect.top);
}

TEST(VQSPGroup, TheHeaderIsBoldExactlyWhileTheOptionsDifferFromTheDefaults) {
    PanelWindow w;
    CVQSPGroup_FileName& group = w.panel.m_nameGroup;
    EXPECT_EQ(group.CaptionFont(), UiTheme::Get().fonts.normal.Get());
    PanelWindow::Click(group.m_case);
    EXPECT_FALSE(group.m_atDefaults);
    EXPECT_EQ(group.CaptionFont(), UiTheme::Get().fonts.bold.Get());
    PanelWindow::Click(group.m_case);
    EXPECT_TRUE(group.m_atDefaults);
    EXPECT_EQ(group.CaptionFont(), UiTheme::Get().fonts.normal.Get());
}

// A worker told to stop leaves the job's kind idle at once but may still
// read: until it has ended the search counts as running.
TEST(VQSPGroup, ASearchCountsAsRunningUntilItsWorkerHasEndedWhateverItsKind) {
    SearchJob& job = GlobalSearchJob();
    ASSERT_FALSE(job.IsRunning());
    HeldWorker worker(JobSearch);
    ASSERT_TRUE(worker.started);
    EXPECT_TRUE(IsSearchRunning());
    job.kind = JobIdle; // as a stop without a wait leaves it
    EXPECT_TRUE(IsSearchRunning());
    PanelWindow w;
    w.panel.UpdateState();
    EXPECT_FALSE(IsWindowEnabled(w.panel.m_names.Handle()));
    worker.Release();
    EXPECT_FALSE(IsSearchRunning());
    w.panel.UpdateState();
    EXPECT_TRUE(IsWindowEnabled(w.panel.m_names.Handle()));
}
