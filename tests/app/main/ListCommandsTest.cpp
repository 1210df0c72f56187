#include "app/main/ListCommands.h"

#include "MainWndFixture.h"
#include "app/main/VQDlgMenus.h"
#include "app/main/VQListCtrl.h"
#include "app/main/VQStatusBar.h"
#include "app/main/VQToolBarCtrl.h"
#include "ui/controls/ItemImage.h"

#include <string>
#include <vector>

namespace {

class ListCommandsTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        VQSettings& s = Settings();
        m_saved = {s.SortColumn.Get(), s.SortDescending.Get(), s.GroupColumn.Get(),
                   s.GroupDescending.Get(), s.LisViewMode.Get()};
        Settings().LisViewMode.Set(ViewDetails);
        Settings().Columns = ColumnSettings();
        ASSERT_TRUE(list.Create(parent.Handle()));
        targets.list = &list;
    }
    void TearDown() override {
        list.Detach(true);
        VQSettings& s = Settings();
        s.SortColumn.Set(m_saved[0]);
        s.SortDescending.Set(m_saved[1] != 0);
        s.GroupColumn.Set(m_saved[2]);
        s.GroupDescending.Set(m_saved[3] != 0);
        s.LisViewMode.Set(m_saved[4]);
        MainWndFixture::TearDown();
    }
    // "sort column, descending, group column, descending" as digits.
    static std::string Orders() {
        VQSettings& s = Settings();
        return std::to_string(s.SortColumn.Get()) + (s.SortDescending.Get() ? "d" : "a") +
               std::to_string(s.GroupColumn.Get()) + (s.GroupDescending.Get() ? "d" : "a");
    }
    static void SetOrders(int sort, bool sortDown, int group, bool groupDown) {
        VQSettings& s = Settings();
        s.SortColumn.Set(static_cast<std::uint8_t>(sort));
        s.SortDescending.Set(sortDown);
        s.GroupColumn.Set(static_cast<std::uint8_t>(group));
        s.GroupDescending.Set(groupDown);
    }

    CVQListCtrl list;
    ListCommandTargets targets;

private:
    std::vector<int> m_saved;
};

TEST_F(ListCommandsTest, SortAndGroupCommandsChangeTheOrdersByTheRules) {
    struct Case {
        int sort;
        bool sortDown;
        int group;
        bool groupDown;
        UINT id;
        bool changed;
        std::string after;
    };
    const Case cases[] = {
        {0, false, 9, false, 10055, true, "1a9a"},  // another column keeps the direction
        {0, true, 9, false, 10055, true, "1d9a"},
        {1, false, 9, false, 10055, true, "1d9a"},  // the same column reverses
        {1, false, 1, false, 10055, true, "1d1d"},  // and the groups of that column with it
        {1, true, 2, false, 10055, true, "1a2a"},   // other groups stay
        {1, false, 1, true, 10065, false, "1a1d"},  // ascending already
        {1, false, 1, true, 10066, true, "1d1d"},
        {1, true, 1, false, 10065, true, "1a1a"},
        {9, false, 9, false, 10066, false, "9a9a"}, // no sort: no direction
        {3, true, 9, false, 10063, true, "9a9a"},   // none
        {9, false, 9, false, 10063, false, "9a9a"},
        {0, false, 9, false, 10067 + 8, true, "0a8a"},
        {0, false, 8, false, 10067 + 8, true, "0a8d"},
        {0, false, 8, true, 10076, true, "0a9a"},
        {0, false, 8, false, 10079, true, "0a8d"},
        {0, false, 8, false, 10078, false, "0a8a"},
        {0, false, 9, false, 10079, false, "0a9a"},
    };
    for (const Case& c : cases) {
        SetOrders(c.sort, c.sortDown, c.group, c.groupDown);
        const bool changed = c.id < kCommandGroupFirst ? ApplySortCommand(c.id) : ApplyGroupCommand(c.id);
        EXPECT_EQ(c.changed, changed) << c.id << " from " << c.sort << "/" << c.group;
        EXPECT_EQ(c.after, Orders()) << c.id << " from " << c.sort << "/" << c.group;
    }
    EXPECT_FALSE(ApplySortCommand(10064));
    EXPECT_FALSE(ApplyGroupCommand(10077));
}

TEST_F(ListCommandsTest, NothingChangesWhileAJobRuns) {
    AddItems({{.name = L"b"}, {.name = L"a"}});
    list.SetItemCount(2);
    SetOrders(9, false, 9, false);
    BusyJob busy(JobSearch);
    ASSERT_TRUE(busy.started);
    for (UINT id : {10054u, 10063u, 10066u, 10067u, 10079u})
        EXPECT_TRUE(DispatchListCommand(targets, id));
    EXPECT_EQ("9a9a", Orders());
    EXPECT_EQ(L"b", ResultList::ItemAt(0)->name.str());
}

TEST_F(ListCommandsTest, SortCommandSortsTheListAndGroupCommandGroupsIt) {
    AddItems({{.name = L"b.txt"}, {.name = L"a.doc"}, {.name = L"c.txt"}});
    list.SetItemCount(3);
    CVQStatusBar status;
    targets.status = &status; // a bar without window takes the states all the same
    SetOrders(9, false, 9, false);
    ASSERT_TRUE(DispatchListCommand(targets, 10054));
    EXPECT_EQ(L"a.doc", ResultList::ItemAt(0)->name.str());
    EXPECT_EQ(L"c.txt", ResultList::ItemAt(2)->name.str());
    ASSERT_TRUE(DispatchListCommand(targets, 10054)); // again: descending
    EXPECT_EQ(L"c.txt", ResultList::ItemAt(0)->name.str());
    ASSERT_TRUE(DispatchListCommand(targets, 10067 + 8));
    EXPECT_EQ(2u, list.m_callback.groups.groups.size());
    EXPECT_EQ(L"Ready", status.ShownText().str());
}

TEST_F(ListCommandsTest, ViewCommandSwitchesTheListAndChecksItsToolbarButton) {
    CVQToolBarCtrl toolBar;
    ASSERT_TRUE(toolBar.Create(parent.Handle(), nullptr, nullptr));
    targets.toolBar = &toolBar;
    const HWND bar = toolBar.m_toolBar.Handle();
    for (int mode : {ViewList, ViewSmallIcons, ViewDetails}) {
        ASSERT_TRUE(DispatchListCommand(targets, kCommandViewModeFirst + mode));
        EXPECT_EQ(mode, Settings().LisViewMode.Get());
        for (int other = 0; other <= kLastViewMode; ++other)
            EXPECT_EQ(other == mode, SendMessageW(bar, TB_ISBUTTONCHECKED,
                                                  kCommandViewModeFirst + other, 0) != 0)
                << mode << " / " << other;
    }
}

TEST_F(ListCommandsTest, ColumnCommandShowsAndHidesTheColumn) {
    auto columns = [&] { return Header_GetItemCount(ListView_GetHeader(list.Handle())); };
    ASSERT_EQ(9, columns());
    ASSERT_TRUE(DispatchListCommand(targets, kCommandColumnFirst + 4));
    EXPECT_EQ(8, columns());
    EXPECT_EQ(1, Settings().Columns.Records[4].Hidden);
    ASSERT_TRUE(DispatchListCommand(targets, kCommandColumnFirst + 4));
    EXPECT_EQ(9, columns());
    ASSERT_TRUE(DispatchListCommand(targets, kCommandColumnFirst)); // the name column stays
    EXPECT_EQ(9, columns());
}

TEST_F(ListCommandsTest, InvertTurnsTheSelectionRoundFromTheSmallerSide) {
    AddItems({{.name = L"0"}, {.name = L"1"}, {.name = L"2"}, {.name = L"3"}});
    list.SetItemCount(4);
    auto selected = [&] {
        std::string rows;
        for (int row = -1; (row = ListView_GetNextItem(list.Handle(), row, LVNI_SELECTED)) >= 0;)
            rows += std::to_string(row);
        return rows;
    };
    for (const auto& [before, after] :
         {std::pair{"", "0123"}, std::pair{"2", "013"}, std::pair{"02", "13"},
          std::pair{"013", "2"}, std::pair{"0123", ""}}) {
        ListView_SetItemState(list.Handle(), -1, 0, LVIS_SELECTED);
        for (const char* row = before; *row != 0; ++row)
            ListView_SetItemState(list.Handle(), *row - '0', LVIS_SELECTED, LVIS_SELECTED);
        ASSERT_TRUE(DispatchListCommand(targets, 10031));
        EXPECT_EQ(after, selected()) << before;
    }
    ASSERT_TRUE(DispatchListCommand(targets, kCommandSelectAll));
    EXPECT_EQ("0123", selected());
    EXPECT_FALSE(DispatchListCommand(targets, 10001));
}

TEST_F(ListCommandsTest, CommandsWithoutHandlerAreGreyedInTheMenus) {
    CVQDlgMenus menus;
    const std::vector<LanguageInfo> languages;
    menus.Build(parent.Handle(), false, &languages);
    GreyUnhandledCommands(menus.menuBar.Handle(), &IsListCommand);
    const HMENU bar = menus.menuBar.Handle();
    auto greyed = [&](UINT id) { return (GetMenuState(bar, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    for (UINT id : {10001u, 10025u, 10153u, 1058u})
        EXPECT_TRUE(greyed(id)) << id;
    for (UINT id : {10030u, 10031u, 10041u, 10054u, 10066u, 10076u, 10045u})
        EXPECT_FALSE(greyed(id)) << id;
    EXPECT_TRUE(greyed(10044u)); // the name column stays greyed
}

} // namespace
