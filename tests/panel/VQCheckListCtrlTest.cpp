#include "panel/VQCheckListCtrl.h"

#include "app/shared/VQDropTarget.h"
#include "ui/core/mvWnd.h"

#include "ui/ProbeWnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The parent: counts the order-change notices of the list (item 0, state
// mask, no state given), which the list view's own changes never are.
class ListParent : public mvWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NOTIFY) {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if (change->hdr.code == LVN_ITEMCHANGED && change->uChanged == LVIF_STATE &&
                change->uNewState == 0 && change->uOldState == 0 && change->iItem == 0 &&
                change->hdr.idFrom == static_cast<UINT_PTR>(kCheckListId))
                ++orderNotices;
        }
        return mvWnd::WindowProc(message, wParam, lParam);
    }
    int orderNotices = 0;
};

// A parent window with a check list of rows "A", "B", ... carrying 10, 11, ...
struct Fixture {
    explicit Fixture(int rows, bool fixedOrder = false, bool toggleOnClick = false) {
        EXPECT_TRUE(CreateTopLevel(parent));
        SetWindowPos(parent.m_hwnd, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER);
        list.m_fixedOrder = fixedOrder;
        list.m_toggleOnClick = toggleOnClick;
        EXPECT_TRUE(list.Create(parent.m_hwnd));
        SetWindowPos(list.m_hwnd, nullptr, 0, 0, 200, 200, SWP_NOZORDER);
        for (int i = 0; i < rows; ++i) {
            const wchar_t text[2] = {static_cast<wchar_t>(L'A' + i), 0};
            list.InsertItem(text, 10 + i);
        }
    }
    ~Fixture() {
        list.Detach(true);
        DestroyWindow(parent.m_hwnd);
    }
    std::wstring Order() const {
        std::wstring order;
        for (int i = 0; i < list.Count(); ++i)
            order += static_cast<wchar_t>(L'A' + list.GetItemData(i) - 10);
        return order;
    }
    std::wstring Selected() const {
        std::wstring rows;
        for (int i = 0; i < list.Count(); ++i)
            if (SendMessageW(list.m_hwnd, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED)
                rows += static_cast<wchar_t>(L'A' + list.GetItemData(i) - 10);
        return rows;
    }
    void Select(const std::wstring& rows, int focus = -1) {
        for (int i = 0; i < list.Count(); ++i) {
            const wchar_t name = static_cast<wchar_t>(L'A' + list.GetItemData(i) - 10);
            LVITEMW item{};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = (rows.find(name) != std::wstring::npos ? LVIS_SELECTED : 0) |
                         (i == focus ? LVIS_FOCUSED : 0);
            SendMessageW(list.m_hwnd, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
        }
    }

    ListParent parent;
    CVQCheckListCtrl list;
};

void SetModifiers(bool ctrl, bool shift) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
}

void Press(HWND hwnd, WPARAM key, bool ctrl, bool shift) {
    SetModifiers(ctrl, shift);
    SendMessageW(hwnd, WM_KEYDOWN, key, 1);
    SendMessageW(hwnd, WM_KEYUP, key, 0xC0000001);
    SetModifiers(false, false);
}

// A click as the list view meets it: the release waits in the queue, where
// a list view that tracks the mouse after the press finds it.
void Click(HWND hwnd, POINT at) {
    PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

} // namespace

TEST(CVQCheckListCtrl, CtrlUpAndDownMoveTheSelectedRowsAsOneBlock) {
    struct Case {
        const wchar_t* selected;
        WPARAM key;
        bool shift;
        bool fixedOrder;
        const wchar_t* order;
        int notices;
    } cases[] = {
        {L"BC", VK_DOWN, false, false, L"ADBC", 1},
        {L"BC", VK_UP, false, false, L"BCAD", 1},
        {L"AC", VK_UP, false, false, L"ABCD", 0},   // A is at the top
        {L"BD", VK_DOWN, false, false, L"ABCD", 0}, // D is at the bottom
        {L"AC", VK_DOWN, false, false, L"BADC", 1},
        {L"B", VK_DOWN, true, false, L"ABCD", 0}, // Shift held: not a move
        {L"B", VK_UP, false, true, L"ABCD", 0},   // fixed order
        {L"", VK_DOWN, false, false, L"ABCD", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selected << (c.key == VK_UP ? " up" : " down")
                                        << (c.shift ? " shift" : "") << (c.fixedOrder ? " fixed" : ""));
        Fixture f(4, c.fixedOrder);
        f.Select(c.selected);
        Press(f.list.m_hwnd, c.key, true, c.shift);
        EXPECT_EQ(f.Order(), c.order);
        EXPECT_EQ(f.parent.orderNotices, c.notices);
        if (!c.shift && !c.fixedOrder) {
            EXPECT_EQ(f.Selected(), c.selected) << "the moved rows stay selected";
        }
    }
}

TEST(CVQCheckListCtrl, CtrlASelectsEveryRow) {
    Fixture f(3);
    f.Select(L"B");
    Press(f.list.m_hwnd, 'A', true, false);
    EXPECT_EQ(f.Selected(), L"ABC");
}

TEST(CVQCheckListCtrl, AClickBesideTheCheckBoxTogglesOnlyWithTheRowClickFlag) {
    struct Case {
        bool toggleOnClick;
        bool onCheckBox;
        bool before;
        bool after;
    } cases[] = {
        {true, false, false, true},  {true, false, true, false},
        {true, true, false, true},   // toggled once, by the list view
        {false, false, false, false}, {false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.toggleOnClick << c.onCheckBox << c.before);
        Fixture f(3, true, c.toggleOnClick);
        for (int i = 0; i < 3; ++i)
            f.list.SetCheck(i, c.before);
        RECT label{LVIR_LABEL};
        SendMessageW(f.list.m_hwnd, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&label));
        RECT bounds{LVIR_BOUNDS};
        SendMessageW(f.list.m_hwnd, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&bounds));
        const int y = (label.top + label.bottom) / 2;
        POINT at = {c.onCheckBox ? bounds.left + 8 : label.left + 4, y};
        LVHITTESTINFO hit{};
        hit.pt = at;
        ASSERT_EQ(SendMessageW(f.list.m_hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
        ASSERT_EQ((hit.flags & LVHT_ONITEMSTATEICON) != 0, c.onCheckBox);
        Click(f.list.m_hwnd, at);
        EXPECT_EQ(f.list.GetCheck(1), c.after);
        EXPECT_EQ(f.list.GetCheck(0), c.before) << "other rows keep theirs";
    }
}

TEST(CVQCheckListCtrl, LookupsOfDataAndOfTheFocusedRow) {
    Fixture f(3);
    f.list.InsertItem(L"minus one", -1);
    EXPECT_EQ(f.list.FindItemByData(11), 1);
    EXPECT_EQ(f.list.FindItemByData(-1), -1) << "no valid data, even when a row carries it";
    EXPECT_EQ(f.list.FindItemByData(-2), -1);
    EXPECT_EQ(f.list.FindItemByData(99), -1);
    EXPECT_EQ(f.list.GetItemData(4), -1);

    struct Case {
        const wchar_t* selected;
        int focus;
        int mark;
        int expected;
    } cases[] = {
        {L"BC", 2, 1, 2}, // focused and selected
        {L"BC", 0, 2, 2}, // focus not selected: the selection mark
        {L"BC", 0, 0, 1}, // neither: the first selected
        {L"", 1, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.selected << " " << c.focus << " " << c.mark);
        f.Select(c.selected, c.focus);
        SendMessageW(f.list.m_hwnd, LVM_SETSELECTIONMARK, 0, c.mark);
        EXPECT_EQ(f.list.GetFocusedIndex(), c.expected);
    }
}

TEST(CVQCheckListCtrl, SortByOrderPutsUnlistedRowsFirst) {
    Fixture f(5);
    f.list.SortByOrder({14, 10, 12});
    const std::wstring order = f.Order();
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(order.substr(2), L"EAC");
    EXPECT_NE(order.substr(0, 2).find(L'B'), std::wstring::npos);
    EXPECT_NE(order.substr(0, 2).find(L'D'), std::wstring::npos);
}

TEST(CVQCheckListCtrl, MoveOrderEntryShiftsTheEntriesBetween) {
    struct Case {
        int index;
        int offset;
        bool moved;
        std::vector<LPARAM> after;
    } cases[] = {
        {0, 2, true, {2, 3, 1, 4}}, {3, -3, true, {4, 1, 2, 3}}, {1, 1, true, {1, 3, 2, 4}},
        {1, 0, false, {1, 2, 3, 4}}, {3, 1, false, {1, 2, 3, 4}}, {0, -1, false, {1, 2, 3, 4}},
        {4, -1, false, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        std::vector<LPARAM> order = {1, 2, 3, 4};
        EXPECT_EQ(CVQCheckListCtrl::MoveOrderEntry(order, c.index, c.offset), c.moved)
            << c.index << " " << c.offset;
        EXPECT_EQ(order, c.after) << c.index << " " << c.offset;
    }
}

TEST(CVQCheckListCtrl, TheColumnFillsTheListAndAListWithoutWindowAnswersNothing) {
    Fixture f(2);
    RECT client{};
    GetClientRect(f.list.m_hwnd, &client);
    EXPECT_EQ(SendMessageW(f.list.m_hwnd, LVM_GETCOLUMNWIDTH, 0, 0), client.right);

    CVQCheckListCtrl none;
    EXPECT_EQ(none.InsertItem(L"x", 1), -1);
    EXPECT_EQ(none.GetItemData(0), -1);
    EXPECT_EQ(none.FindItemByData(1), -1);
    EXPECT_EQ(none.GetFocusedIndex(), -1);
    EXPECT_FALSE(none.MoveSelection(1));
    none.SetCheck(0, true);
    EXPECT_FALSE(none.GetCheck(0));
}

// Where the list view cannot place the insert mark, the drop row is the row
// under the point, or the first or last one beside the rows.
TEST(CVQCheckListCtrl, TheDropRowIsTheRowNearestThePoint) {
    Fixture f(4);
    RECT rows[4];
    for (int i = 0; i < 4; ++i) {
        rows[i].left = LVIR_BOUNDS;
        SendMessageW(f.list.m_hwnd, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rows[i]));
    }
    EXPECT_EQ(f.list.DropRowAt({10, (rows[2].top + rows[2].bottom) / 2}), 2);
    EXPECT_EQ(f.list.DropRowAt({10, rows[0].top + 1}), 0);
    EXPECT_EQ(f.list.DropRowAt({10, rows[3].bottom + 40}), 3);
    Fixture empty(0);
    EXPECT_EQ(empty.list.DropRowAt({10, 10}), -1);
}

// A real drag through the shell's drag loop, begun as the list view begins
// one: the list's notice of a drag reaches its parent. No mouse button is
// held, so the loop drops at once where the cursor is. It takes the
// display's cursor, so the suite runs alone.
TEST(CVQCheckListCtrlInput, DroppedRowsLandWithTheFocusedRowOnTheRowUnderTheDrop) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    struct Case {
        const char* what;
        const wchar_t* selected;
        int focus;    // row index
        int dropOn;   // row index; -1: on the parent beside the list
        bool fixedOrder;
        const wchar_t* order;
        int notices;
    } cases[] = {
        {"one row down", L"B", 1, 3, false, L"ACDB", 1},
        {"one row up", L"C", 2, 0, false, L"CABD", 1},
        {"on itself", L"B", 1, 1, false, L"ABCD", 0},
        {"a block led by its last row", L"BC", 2, 3, false, L"ADBC", 1},
        {"a block led by its first row", L"BC", 1, 2, false, L"ADBC", 1},
        {"a block that would leave the list", L"BC", 1, 3, false, L"ABCD", 0},
        {"rows apart keep their distance", L"AC", 0, 1, false, L"BADC", 1},
        {"beside the list", L"A", 0, -1, false, L"ABCD", 0},
        {"fixed order", L"A", 0, 3, true, L"ABCD", 0},
        {"nothing selected", L"", 1, 3, false, L"ABCD", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f(4, c.fixedOrder);
        SetWindowPos(f.parent.m_hwnd, HWND_TOPMOST, 100, 100, 300, 300, SWP_SHOWWINDOW);
        UpdateWindow(f.parent.m_hwnd);
        f.Select(c.selected, c.focus);
        POINT at{250, 100}; // in the parent, right of the 200-pixel list
        if (c.dropOn >= 0) {
            RECT row{LVIR_BOUNDS};
            SendMessageW(f.list.m_hwnd, LVM_GETITEMRECT, static_cast<WPARAM>(c.dropOn),
                         reinterpret_cast<LPARAM>(&row));
            at = {20, (row.top + row.bottom) / 2};
            MapWindowPoints(f.list.m_hwnd, f.parent.m_hwnd, &at, 1);
        }
        ClientToScreen(f.parent.m_hwnd, &at);
        SetCursorPos(at.x, at.y);

        NMLISTVIEW begin{};
        begin.hdr = {f.list.m_hwnd, static_cast<UINT_PTR>(kCheckListId), LVN_BEGINDRAG};
        begin.iItem = c.focus;
        SendMessageW(f.parent.m_hwnd, WM_NOTIFY, kCheckListId, reinterpret_cast<LPARAM>(&begin));

        EXPECT_EQ(f.Order(), c.order);
        EXPECT_EQ(f.parent.orderNotices, c.notices);
        if (c.notices > 0) {
            EXPECT_EQ(f.Selected(), c.selected) << "the moved rows stay selected";
        }
        // The list was its own target for the drag only.
        CVQDropTarget other;
        EXPECT_EQ(RegisterDragDrop(f.list.m_hwnd, &other), S_OK);
        RevokeDragDrop(f.list.m_hwnd);
    }
    OleUninitialize();
}
