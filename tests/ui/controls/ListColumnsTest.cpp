#include "ui/controls/ListColumns.h"

#include "foundation/ColumnSettings.h"
#include "foundation/Handles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include "foundation/ConfigFolders.h"
#include "ui/core/WindowHolders.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Explicit widths so that file texts do not depend on the screen font.
constexpr wchar_t kNineRecords[] = L"200,8,0 | 100,7,1 | 90,6,0 | 80,5,1 | 70,4,0 | 60,3,1 | "
                                   L"50,2,0 | 40,1,1 | 30,0,0";

void SetRecords(ColumnSettings& columns, const std::vector<int>& widths,
                const std::vector<int>& orders, const std::vector<int>& hidden) {
    for (int id = 0; id < kListColumnCount; ++id) {
        columns.Records[id].Width = widths[id];
        columns.Records[id].Order = orders[id];
        columns.Records[id].Hidden = static_cast<uint8_t>(hidden[id]);
    }
}

const std::vector<int> kWidths = {200, 100, 90, 80, 70, 60, 50, 40, 30};
const std::vector<int> kIdOrder = {0, 1, 2, 3, 4, 5, 6, 7, 8};
const std::vector<int> kAllShown(9, 0);

std::vector<mvstring> Titles() {
    std::vector<mvstring> titles;
    for (int id = 0; id < kListColumnCount; ++id)
        titles.push_back(L"t" + std::to_wstring(id));
    return titles;
}

// "id:width@order" of each list column by position, and "!" after the id
// when it is right-aligned.
std::string Layout(HWND list) {
    std::string out;
    for (int position = 0;; ++position) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_SUBITEM | LVCF_ORDER | LVCF_FMT;
        if (!SendMessageW(list, LVM_GETCOLUMNW, position, reinterpret_cast<LPARAM>(&column)))
            break;
        out += (out.empty() ? "" : " ") + std::to_string(column.iSubItem) +
               ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT ? "!" : "") + ":" +
               std::to_string(column.cx) + "@" + std::to_string(column.iOrder);
    }
    return out;
}

std::wstring TitleAt(HWND list, int position) {
    wchar_t buffer[32] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = buffer;
    column.cchTextMax = 32;
    SendMessageW(list, LVM_GETCOLUMNW, position, reinterpret_cast<LPARAM>(&column));
    return buffer;
}

// "item data:arrow" of each header item, the arrow "^", "v" or "-".
std::string Arrows(HWND list) {
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    std::string out;
    const auto count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT | HDI_LPARAM;
        SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        const char* arrow = (item.fmt & HDF_SORTUP) ? "^" : (item.fmt & HDF_SORTDOWN) ? "v" : "-";
        out += (out.empty() ? "" : " ") + std::to_string(item.lParam) + ":" + arrow;
    }
    return out;
}

class ListColumnsTest : public ConfigFolders {
protected:
    void SetUp() override {
        ConfigFolders::SetUp();
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        m_list = MakeList();
        ASSERT_TRUE(m_list);
        VQSettings& settings = Settings();
        m_sortColumn = settings.SortColumn.Get();
        m_sortDescending = settings.SortDescending.Get();
    }
    void TearDown() override {
        Settings().SortColumn.Set(m_sortColumn);
        Settings().SortDescending.Set(m_sortDescending);
        ConfigFolders::TearDown();
    }

    static WindowHandle MakeList() {
        return WindowHandle(CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 900,
                                            300, nullptr, nullptr, GetModuleHandleW(nullptr),
                                            nullptr));
    }
    HWND List() const { return m_list.Get(); }

    // Columns of kWidths in id order with the hidden flags given, applied to
    // the list while the settings sort by `sortColumn`.
    void ApplySorted(ColumnSettings& columns, const std::vector<int>& hidden, uint8_t sortColumn,
                     bool descending) {
        SetRecords(columns, kWidths, kIdOrder, hidden);
        Settings().SortColumn.Set(sortColumn);
        Settings().SortDescending.Set(descending);
        ASSERT_TRUE(ApplyToList(columns, List(), Titles()));
    }

    std::wstring UiStates() const { return ReadUtf16(PathA(L"uistates.ini")); }
    static std::wstring ColumnsFile(const std::wstring& records) {
        return L"[global]\r\nColumns = " + records + L"\r\n\r\n";
    }
    void RemoveUiStates() const { DeleteFileW(PathA(L"uistates.ini").c_str()); }

    WindowHandle m_list;
    uint8_t m_sortColumn = 9;
    bool m_sortDescending = false;
};

TEST_F(ListColumnsTest, ApplyRebuildsTheColumnsFromTheShownRecords) {
    for (int i = 0; i < 3; ++i) { // leftovers that must go
        LVCOLUMNW old{};
        old.mask = LVCF_WIDTH | LVCF_SUBITEM;
        old.cx = 10;
        old.iSubItem = 20 + i;
        SendMessageW(List(), LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&old));
    }
    ColumnSettings columns;
    SetRecords(columns, kWidths, {3, 0, 6, 8, 1, 5, 7, 2, 4}, {1, 0, 0, 1, 0, 0, 1, 0, 0});
    ASSERT_TRUE(ApplyToList(columns, List(), Titles()));

    EXPECT_EQ(Layout(List()), "0:200@3 1!:100@0 2:90@6 4:70@1 5:60@5 7:40@2 8:30@4");
    const std::wstring titles[] = {L"t0", L"t1", L"t2", L"t4", L"t5", L"t7", L"t8"};
    for (int position = 0; position < 7; ++position)
        EXPECT_EQ(TitleAt(List(), position), titles[position]);
    EXPECT_EQ(columns.Records[0].Hidden, 0) << "column 0 is always shown";
    EXPECT_EQ(columns.Records[3].Hidden, 1);
    EXPECT_FALSE(Exists(PathA(L"uistates.ini")));

    WindowHandle gone = MakeList();
    const HWND stale = gone.Get();
    gone.Reset();
    EXPECT_FALSE(ApplyToList(columns, stale, Titles()));
    EXPECT_FALSE(ApplyToList(columns, nullptr, Titles()));
}

TEST_F(ListColumnsTest, SortArrowFollowsTheItemDataNotThePosition) {
    ColumnSettings columns;
    ApplySorted(columns, {0, 1, 0, 0, 0, 0, 0, 0, 0}, 4, true);
    EXPECT_EQ(Arrows(List()), "0:- 2:- 3:- 4:v 5:- 6:- 7:- 8:-");

    struct Case {
        int sortColumn;
        bool descending;
        const char* arrows;
    } cases[] = {
        {2, false, "0:- 2:^ 3:- 4:- 5:- 6:- 7:- 8:-"},
        {2, true, "0:- 2:v 3:- 4:- 5:- 6:- 7:- 8:-"},
        {0, false, "0:^ 2:- 3:- 4:- 5:- 6:- 7:- 8:-"},
        {1, false, "0:- 2:- 3:- 4:- 5:- 6:- 7:- 8:-"}, // hidden column
        {8, true, "0:- 2:- 3:- 4:- 5:- 6:- 7:- 8:v"},
        {9, false, "0:- 2:- 3:- 4:- 5:- 6:- 7:- 8:-"}, // no sorting
    };
    for (const Case& c : cases) {
        SetHeaderSortArrow(List(), c.sortColumn, c.descending);
        EXPECT_EQ(Arrows(List()), c.arrows) << c.sortColumn << " " << c.descending;
    }
}

TEST_F(ListColumnsTest, CapturingAllSavesOnlyWhatChanged) {
    ColumnSettings columns;
    SetRecords(columns, kWidths, kIdOrder, kAllShown);
    ASSERT_TRUE(ApplyToList(columns, List(), Titles()));
    EXPECT_TRUE(CaptureAndSave(columns, List(), -1));
    EXPECT_FALSE(Exists(PathA(L"uistates.ini"))) << "nothing changed";

    // The user drags column 6 to the front and widens column 2.
    int order[] = {6, 0, 1, 2, 3, 4, 5, 7, 8};
    ASSERT_TRUE(SendMessageW(List(), LVM_SETCOLUMNORDERARRAY, 9, reinterpret_cast<LPARAM>(order)));
    ASSERT_TRUE(SendMessageW(List(), LVM_SETCOLUMNWIDTH, 2, 150));
    EXPECT_TRUE(CaptureAndSave(columns, List(), -1));
    const std::wstring saved = L"200,1,0 | 100,2,0 | 150,3,0 | 80,4,0 | 70,5,0 | 60,6,0 | "
                               L"50,0,0 | 40,7,0 | 30,8,0";
    EXPECT_EQ(UiStates(), ColumnsFile(saved));

    RemoveUiStates();
    EXPECT_TRUE(CaptureAndSave(columns, List(), -1));
    EXPECT_FALSE(Exists(PathA(L"uistates.ini"))) << "captured again without changes";

    // The saved layout restores the same arrangement on a new list.
    WriteA(L"uistates.ini", "[global]\r\nColumns = " + std::string(saved.begin(), saved.end()));
    VQSettings restored;
    InitSettings(restored);
    WindowHandle second = MakeList();
    ASSERT_TRUE(ApplyToList(restored.Columns, second.Get(), Titles()));
    EXPECT_EQ(Layout(second.Get()), Layout(List()));
    EXPECT_EQ(Layout(second.Get()), "0:200@1 1!:100@2 2:150@3 3:80@4 4:70@5 5:60@6 6:50@0 7:40@7 "
                                    "8:30@8");
}

TEST_F(ListColumnsTest, CapturingOneColumnTakesItsWidthAndOrder) {
    ColumnSettings columns;
    SetRecords(columns, kWidths, {0, 1, 2, 3, 3, 4, 5, 6, 7}, {0, 0, 0, 1, 0, 0, 0, 0, 0});
    ASSERT_TRUE(ApplyToList(columns, List(), Titles()));
    LVCOLUMNW foreign{};
    foreign.mask = LVCF_WIDTH | LVCF_SUBITEM;
    foreign.cx = 10;
    foreign.iSubItem = 12;
    ASSERT_EQ(SendMessageW(List(), LVM_INSERTCOLUMNW, 8, reinterpret_cast<LPARAM>(&foreign)), 8);

    EXPECT_TRUE(CaptureAndSave(columns, List(), 2));
    EXPECT_FALSE(Exists(PathA(L"uistates.ini"))) << "unchanged";
    ASSERT_TRUE(SendMessageW(List(), LVM_SETCOLUMNWIDTH, 6, 77)); // position 6 is column 7
    EXPECT_TRUE(CaptureAndSave(columns, List(), 6));
    EXPECT_EQ(UiStates(), ColumnsFile(L"200,0,0 | 100,1,0 | 90,2,0 | 80,3,1 | 70,3,0 | 60,4,0 | "
                                      L"50,5,0 | 77,6,0 | 30,7,0"));

    RemoveUiStates();
    EXPECT_FALSE(CaptureAndSave(columns, List(), 8)) << "subitem 12 is not a column of ours";
    EXPECT_FALSE(CaptureAndSave(columns, List(), 9)) << "no such position";
    EXPECT_FALSE(CaptureAndSave(columns, List(), -2));
    EXPECT_FALSE(CaptureAndSave(columns, nullptr, -1));
    EXPECT_TRUE(CaptureAndSave(columns, List(), -1)) << "the foreign column is skipped";
    EXPECT_FALSE(Exists(PathA(L"uistates.ini")));
}

TEST_F(ListColumnsTest, ToggleHidesAColumnAndShowsItBackInItsPlace) {
    ColumnSettings columns;
    SetRecords(columns, kWidths, kIdOrder, kAllShown);
    ASSERT_TRUE(ApplyToList(columns, List(), Titles()));
    ASSERT_TRUE(SendMessageW(List(), LVM_SETCOLUMNWIDTH, 3, 333));
    ASSERT_TRUE(CaptureAndSave(columns, List(), 3));

    const struct {
        HWND list;
        int id;
    } refused[] = {{nullptr, 3}, {List(), 0}, {List(), 9}, {List(), -1}};
    RemoveUiStates();
    for (const auto& r : refused)
        EXPECT_FALSE(ToggleColumn(columns, r.list, r.id, L"x")) << r.id;
    EXPECT_FALSE(Exists(PathA(L"uistates.ini")));

    EXPECT_TRUE(ToggleColumn(columns, List(), 3, L"t3"));
    EXPECT_EQ(Layout(List()), "0:200@0 1!:100@1 2:90@2 4:70@3 5:60@4 6:50@5 7:40@6 8:30@7");
    EXPECT_EQ(UiStates(), ColumnsFile(L"200,0,0 | 100,1,0 | 90,2,0 | 333,3,1 | 70,3,0 | 60,4,0 | "
                                      L"50,5,0 | 40,6,0 | 30,7,0"));

    EXPECT_TRUE(ToggleColumn(columns, List(), 3, L"t3"));
    EXPECT_EQ(Layout(List()), "0:200@0 1!:100@1 2:90@2 3:333@3 4:70@4 5:60@5 6:50@6 7:40@7 8:30@8");
    EXPECT_EQ(TitleAt(List(), 3), L"t3");
    EXPECT_EQ(UiStates(), ColumnsFile(L"200,0,0 | 100,1,0 | 90,2,0 | 333,3,0 | 70,4,0 | 60,5,0 | "
                                      L"50,6,0 | 40,7,0 | 30,8,0"));
}

TEST_F(ListColumnsTest, ToggleIsSavedEvenWhenNoOtherColumnMoves) {
    ColumnSettings columns;
    SetRecords(columns, kWidths, kIdOrder, kAllShown);
    ASSERT_TRUE(ApplyToList(columns, List(), Titles()));
    // Column 8 is last: hiding or showing it moves no other column.
    EXPECT_TRUE(ToggleColumn(columns, List(), 8, L"t8"));
    EXPECT_EQ(UiStates(), ColumnsFile(L"200,0,0 | 100,1,0 | 90,2,0 | 80,3,0 | 70,4,0 | 60,5,0 | "
                                      L"50,6,0 | 40,7,0 | 30,8,1"));
    EXPECT_TRUE(ToggleColumn(columns, List(), 8, L"t8"));
    EXPECT_EQ(UiStates(), ColumnsFile(L"200,0,0 | 100,1,0 | 90,2,0 | 80,3,0 | 70,4,0 | 60,5,0 | "
                                      L"50,6,0 | 40,7,0 | 30,8,0"));
}

TEST_F(ListColumnsTest, ShowingTheSortColumnBringsItsArrowBack) {
    ColumnSettings columns;
    ApplySorted(columns, {0, 0, 0, 0, 0, 1, 0, 0, 0}, 5, false);
    EXPECT_TRUE(ToggleColumn(columns, List(), 5, L"t5"));
    EXPECT_EQ(Arrows(List()), "0:- 1:- 2:- 3:- 4:- 5:^ 6:- 7:- 8:-");
}

} // namespace
