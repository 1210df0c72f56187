// Keys and mouse of the hex view, sent as messages to a hidden panel (no
// display input is used, so these suites run beside the others).
#include "hexview/VQHexViewPanel.h"

#include "HexViewFixture.h"

#include <string>

namespace {

struct KeyCase {
    const char* what;
    int64_t caret, anchor; // before
    UINT key;
    bool shift, ctrl;
    int64_t newCaret, newAnchor;
};

} // namespace

// 200 bytes, 16 per line (13 rows, the last of 8 bytes), 5 rows in view.
TEST_F(HexViewTest, TheKeyTableWithShiftAndCtrl) {
    Open(std::string(200, 'k'));
    const KeyCase cases[] = {
        {"Right", 5, -1, VK_RIGHT, false, false, 6, -1},
        {"Left at the start", 0, -1, VK_LEFT, false, false, 0, -1},
        {"first Shift+Right selects the caret byte", 5, -1, VK_RIGHT, true, false, 5, 5},
        {"second Shift+Right selects two", 5, 5, VK_RIGHT, true, false, 6, 5},
        {"Shift+Left back onto the anchor keeps one byte", 6, 5, VK_LEFT, true, false, 5, 5},
        {"Right without Shift drops the selection", 6, 5, VK_RIGHT, false, false, 7, -1},
        {"Down", 5, -1, VK_DOWN, false, false, 21, -1},
        {"Down on the last row goes to the last byte", 190, -1, VK_DOWN, false, false, 199, -1},
        {"Shift+Up back to the anchor drops it", 21, 5, VK_UP, true, false, 5, -1},
        {"Up on the first row only drops the selection", 3, 1, VK_UP, false, false, 3, -1},
        {"Up on the first row without selection", 3, -1, VK_UP, false, false, 3, -1},
        {"Home", 37, -1, VK_HOME, false, false, 32, -1},
        {"Shift+End", 37, -1, VK_END, true, false, 47, 37},
        {"Ctrl+Home", 37, -1, VK_HOME, false, true, 0, -1},
        {"Ctrl+End", 37, -1, VK_END, false, true, 199, -1},
        {"PageDown", 3, -1, VK_NEXT, false, false, 83, -1},
        {"PageDown past the rows does nothing", 190, 180, VK_NEXT, false, false, 190, 180},
        {"PageUp above the start does nothing", 40, -1, VK_PRIOR, false, false, 40, -1},
        {"Ctrl+Right from column 3 to the middle", 3, -1, VK_RIGHT, false, true, 8, -1},
        {"Ctrl+Right from the middle to the end", 8, -1, VK_RIGHT, false, true, 15, -1},
        {"Ctrl+Right at the end to the next row", 15, -1, VK_RIGHT, false, true, 16, -1},
        {"Ctrl+Left at a row start to the previous row", 16, -1, VK_LEFT, false, true, 15, -1},
        {"Ctrl+Left past the middle to the middle", 29, -1, VK_LEFT, false, true, 24, -1},
        {"Ctrl+Left from the middle to the start", 24, -1, VK_LEFT, false, true, 16, -1},
        {"Ctrl+A", 37, -1, 'A', false, true, 199, 0},
        {"A alone does nothing", 37, -1, 'A', false, false, 37, -1},
        {"G alone does nothing", 37, -1, 'G', false, false, 37, -1},
        {"F alone does nothing", 37, -1, 'F', false, false, 37, -1},
        {"another key does nothing", 37, 30, 'Z', false, true, 37, 30},
    };
    for (const KeyCase& c : cases) {
        Select(c.anchor, c.caret);
        m_panel.m_top = 0;
        Key(c.key, c.shift, c.ctrl);
        EXPECT_EQ(m_panel.m_caret, c.newCaret) << c.what;
        EXPECT_EQ(m_panel.m_anchor, c.newAnchor) << c.what;
    }
}

TEST_F(HexViewTest, KeysScrollTheCaretIntoViewAndCtrlArrowsScrollAlone) {
    Open(std::string(200, 'k'));
    Key(VK_END, false, true);
    EXPECT_EQ(m_panel.m_top, 13 - 5 + 1) << "the last row at the bottom, one empty row below";
    Key(VK_HOME, false, true);
    EXPECT_EQ(m_panel.m_top, 0);
    Key(VK_NEXT);
    EXPECT_EQ(m_panel.m_top, 5) << "PageDown puts the caret's row on top";
    Key(VK_UP, false, true);
    EXPECT_EQ(m_panel.m_top, 4);
    EXPECT_EQ(m_panel.m_caret, 80) << "Ctrl+Up scrolls without moving the caret";
    Key(VK_DOWN, false, true);
    EXPECT_EQ(m_panel.m_top, 5);

    // Every move tells the parent that the status may have changed.
    m_parent.commands.clear();
    Key(VK_RIGHT);
    MSG msg;
    while (PeekMessageW(&msg, m_parent.Handle(), 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    ASSERT_FALSE(m_parent.commands.empty());
    EXPECT_EQ(m_parent.commands.back(), MAKEWPARAM(kHexViewPanelId, kHexViewStatusRefresh));
}

TEST_F(HexViewTest, CtrlOPostsOpenEvenWithNoFile) {
    m_parent.commands.clear();
    Key('O', false, true);
    Key('O', false, false);
    MSG msg;
    while (PeekMessageW(&msg, m_parent.Handle(), 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    ASSERT_EQ(m_parent.commands.size(), 1u);
    EXPECT_EQ(m_parent.commands[0], 10001u);
}

TEST_F(HexViewTest, ClickDragAndReleaseSelectFromThePressedByte) {
    Open(std::string(200, 'm'));
    Mouse(WM_LBUTTONDOWN, HexPoint(18), MK_LBUTTON);
    EXPECT_EQ(m_panel.m_anchor, 18);
    EXPECT_EQ(m_panel.m_caret, -1) << "a click is pending";
    Mouse(WM_LBUTTONUP, HexPoint(18));
    EXPECT_EQ(m_panel.m_caret, 18);
    EXPECT_EQ(m_panel.m_anchor, -1) << "a plain click selects nothing";

    Mouse(WM_LBUTTONDOWN, HexPoint(18), MK_LBUTTON);
    POINT small = HexPoint(18);
    small.x += 1; // within the drag distance: no drag yet
    Mouse(WM_MOUSEMOVE, small, MK_LBUTTON);
    EXPECT_EQ(m_panel.m_caret, -1);
    Mouse(WM_MOUSEMOVE, HexPoint(52), MK_LBUTTON);
    EXPECT_EQ(m_panel.m_caret, 52);
    Mouse(WM_LBUTTONUP, HexPoint(52));
    EXPECT_EQ(m_panel.m_anchor, 18);
    EXPECT_EQ(m_panel.m_caret, 52) << "releasing keeps the selection";

    // A right click inside the selection keeps it; outside it moves the caret.
    Mouse(WM_RBUTTONDOWN, HexPoint(30));
    EXPECT_EQ(m_panel.m_anchor, 18);
    Mouse(WM_RBUTTONDOWN, HexPoint(70));
    EXPECT_EQ(m_panel.m_caret, 70);
    EXPECT_EQ(m_panel.m_anchor, -1);

    // A double click leaves one byte selected.
    Mouse(WM_LBUTTONDOWN, HexPoint(40), MK_LBUTTON);
    Mouse(WM_LBUTTONUP, HexPoint(40));
    Mouse(WM_LBUTTONDBLCLK, HexPoint(40), MK_LBUTTON);
    Mouse(WM_LBUTTONUP, HexPoint(40));
    EXPECT_EQ(m_panel.m_anchor, 40);
    EXPECT_EQ(m_panel.m_caret, 40);
    EXPECT_EQ(m_panel.SelectionExtent(), 1);
}

TEST_F(HexViewTest, TheWheelScrollsWholeNotchesOnly) {
    Open(std::string(16 * 100, 'w'));
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_NE(lines, WHEEL_PAGESCROLL);
    auto wheel = [&](short delta, WPARAM keys = 0) {
        return SendMessageW(m_panel.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), 0);
    };
    EXPECT_EQ(wheel(-60), 1);
    EXPECT_EQ(m_panel.m_top, 0) << "half a notch";
    wheel(-240);
    EXPECT_EQ(m_panel.m_top, 2 * static_cast<int64_t>(lines ? lines : 3));
    wheel(-120, MK_CONTROL);
    EXPECT_EQ(m_panel.m_top, 2 * static_cast<int64_t>(lines ? lines : 3)) << "Ctrl+wheel is not a scroll";
    wheel(480);
    EXPECT_EQ(m_panel.m_top, 0);
}
