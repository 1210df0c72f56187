#include "ui/controls/mvScrollPanel.h"

#include "support/MessagePump.h"
#include "ui/theme/UiTheme.h"

#include "../support/Canvas.h"
#include "ProbeWnd.h"
#include "ScopedLook.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kLine = 16;

// A panel with 16-pixel lines and 3 lines a wheel notch.
class TestPanel : public mvScrollPanel {
public:
    int GetLineHeight() override { return kLine; }
    int GetWheelLines() override { return 3; }
};

// A hidden top-level window holding a panel of 200 x 100 client pixels.
struct PanelFixture {
    explicit PanelFixture(bool systemLook, int contentHeight) : look(systemLook) {
        EXPECT_TRUE(CreateTopLevel(host));
        EXPECT_TRUE(panel.CreatePanel(host.m_hwnd, 50, RECT{10, 10, 210, 110}, WS_VISIBLE));
        panel.m_contentHeight = contentHeight;
        panel.UpdateScrollBar();
    }
    int ClientHeight() const {
        RECT client{};
        GetClientRect(panel.m_hwnd, &client);
        return client.bottom;
    }

    ScopedLook look;
    ProbeWnd host;
    TestPanel panel;
};

// Sends a mouse message at the point (box client coordinates) with the
// cursor put there too, since the system also reports the cursor's moves.
void Mouse(HWND box, UINT message, WPARAM keys, int x, int y) {
    POINT screen{x, y};
    ClientToScreen(box, &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageW(box, message, keys, MAKELPARAM(x, y));
}

} // namespace

TEST(mvScrollPanel, LinesPagesAndWheelNotchesScrollWithinTheContent) {
    for (const bool systemLook : {true, false}) {
        PanelFixture f(systemLook, 500);
        const int client = f.ClientHeight();
        ASSERT_EQ(client, 100) << systemLook;
        const int last = 500 - client;
        struct Step {
            UINT message;
            WPARAM wParam;
            int expected;
        } steps[] = {
            {WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 3 * kLine},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA / 2)),
             3 * kLine + 3 * kLine / 2},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 3 * kLine / 2},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, 1), 3 * kLine / 2}, // too little to move a pixel
            {WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, -WHEEL_DELTA), 3 * kLine / 2},
            {WM_VSCROLL, SB_LINEDOWN, 3 * kLine / 2 + kLine},
            {WM_VSCROLL, SB_PAGEDOWN, 3 * kLine / 2 + kLine + client},
            {WM_VSCROLL, SB_BOTTOM, last},
            {WM_VSCROLL, SB_LINEDOWN, last},
            {WM_VSCROLL, SB_PAGEUP, last - client},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, 20 * WHEEL_DELTA), 0},
            {WM_VSCROLL, SB_TOP, 0},
            {WM_VSCROLL, SB_LINEUP, 0},
            {WM_VSCROLL, SB_ENDSCROLL, 0},
        };
        for (const Step& s : steps) {
            SendMessageW(f.panel.m_hwnd, s.message, s.wParam, 0);
            EXPECT_EQ(f.panel.Position(), s.expected)
                << systemLook << " message " << s.message << " " << std::hex << s.wParam;
        }
        // The scroll bar's own last position is the panel's: no pixel past
        // the content's end.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        ASSERT_TRUE(GetScrollInfo(f.panel.m_hwnd, SB_VERT, &info));
        EXPECT_EQ(info.nMax - static_cast<int>(info.nPage) + 1, last);
    }
}

TEST(mvScrollPanel, ContentThatFitsShowsNoScrollBarAndScrollsBackToTheTop) {
    PanelFixture f(true, 500);
    SendMessageW(f.panel.m_hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    ASSERT_GT(f.panel.Position(), 0);
    EXPECT_NE(GetWindowLongW(f.panel.m_hwnd, GWL_STYLE) & WS_VSCROLL, 0);
    for (const int content : {f.ClientHeight(), 10}) {
        f.panel.m_contentHeight = content;
        f.panel.UpdateScrollBar();
        EXPECT_EQ(f.panel.Position(), 0) << content;
        EXPECT_EQ(GetWindowLongW(f.panel.m_hwnd, GWL_STYLE) & WS_VSCROLL, 0) << content;
        SendMessageW(f.panel.m_hwnd, WM_VSCROLL, SB_BOTTOM, 0);
        EXPECT_EQ(f.panel.Position(), 0) << content;
    }
    // Shrinking content pulls a position beyond the new end back to it.
    f.panel.m_contentHeight = 500;
    f.panel.UpdateScrollBar();
    SendMessageW(f.panel.m_hwnd, WM_VSCROLL, SB_BOTTOM, 0);
    f.panel.m_contentHeight = 250;
    f.panel.UpdateScrollBar();
    EXPECT_EQ(f.panel.Position(), 250 - f.ClientHeight());
}

TEST(mvScrollPanel, ScrollIntoViewShowsADescendantWithTheLeastMovement) {
    PanelFixture f(true, 1000);
    const int client = f.ClientHeight();
    // Child rectangles in content coordinates.
    struct Case {
        RECT rect;
        int start;
        int expected;
    } cases[] = {
        {{0, 150, 50, 170}, 0, 170 - client}, // partly below: bottom meets bottom
        {{0, 20, 50, 60}, 0, 0},              // fully shown: stays
        {{0, 400, 50, 600}, 0, 400},          // taller than the view: top meets top
        {{0, 100, 50, 120}, 300, 100},        // above: top meets top
        {{0, 290, 50, 310}, 300, 290},        // partly above
    };
    for (const Case& c : cases) {
        f.panel.ScrollTo(c.start);
        ASSERT_EQ(f.panel.Position(), c.start);
        // An edit inside a static inside the panel: a descendant two levels down.
        const HWND holder =
            CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, c.rect.top - c.start, 60,
                            c.rect.bottom - c.rect.top, f.panel.m_hwnd, nullptr, nullptr, nullptr);
        const HWND edit =
            CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50,
                            c.rect.bottom - c.rect.top, holder, nullptr, nullptr, nullptr);
        f.panel.ScrollIntoView(edit);
        EXPECT_EQ(f.panel.Position(), c.expected) << c.rect.top << " from " << c.start;
        DestroyWindow(holder);
    }
    // A window outside the panel changes nothing.
    f.panel.ScrollTo(50);
    const HWND outside = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 500, 10, 10, f.host.m_hwnd,
                                         nullptr, nullptr, nullptr);
    f.panel.ScrollIntoView(outside);
    EXPECT_EQ(f.panel.Position(), 50);
}

TEST(mvScrollBoxInput, TheOwnThemeDrawsTheBarAndAThumbDragToTheEndReachesTheLastPosition) {
    PanelFixture f(false, 500);
    ShowWindow(f.host.m_hwnd, SW_SHOWNOACTIVATE);
    mvScrollBox& box = f.panel.m_box;
    ASSERT_NE(box.m_hwnd, nullptr);
    EXPECT_EQ(GetParent(f.panel.m_hwnd), box.m_hwnd);
    box.RefreshBars();
    const ScrollBarGeometry& g = box.Geometry();
    const RECT bar = g.rects[ScrollPartBar];
    ASSERT_GT(bar.right, bar.left);
    RECT boxClient{};
    GetClientRect(box.m_hwnd, &boxClient);
    EXPECT_EQ(bar.right, boxClient.right);
    // The panel leaves room for the bar (less the shared pixel).
    EXPECT_EQ(f.ClientHeight(), 100);
    RECT panelRect{};
    GetWindowRect(f.panel.m_hwnd, &panelRect);
    EXPECT_EQ(panelRect.right - panelRect.left, boxClient.right - (bar.right - bar.left - 1));

    // The flat bar: thumb in the button colour between the arrows.
    const RECT thumb = g.rects[ScrollPartThumb];
    ASSERT_GT(thumb.bottom, thumb.top);
    EXPECT_GE(thumb.top, g.rects[ScrollPartUp].bottom);
    Canvas canvas(boxClient.right, boxClient.bottom);
    SendMessageW(box.m_hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    const int midX = (thumb.left + thumb.right) / 2, midY = (thumb.top + thumb.bottom) / 2;
    EXPECT_EQ(canvas.At(midX, midY), UiTheme::Get().Color(ThemeButton));
    EXPECT_EQ(
        canvas.At(midX, (g.rects[ScrollPartPageDown].top + g.rects[ScrollPartPageDown].bottom) / 2),
        UiTheme::Get().Color(ThemeBase));

    Mouse(box.m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, midX, midY);
    EXPECT_EQ(GetCapture(), box.m_hwnd);
    Mouse(box.m_hwnd, WM_MOUSEMOVE, MK_LBUTTON, midX, boxClient.bottom + 200);
    PumpMessages();
    EXPECT_EQ(f.panel.Position(), 500 - 100);
    Mouse(box.m_hwnd, WM_LBUTTONUP, 0, midX, boxClient.bottom + 200);
    PumpMessages();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(f.panel.Position(), 500 - 100);
    // The box follows: its thumb has left its old place for the track's end.
    EXPECT_GE(box.Geometry().rects[ScrollPartThumb].top, thumb.bottom);

    // Back to the top by a drag above the track.
    const RECT moved = box.Geometry().rects[ScrollPartThumb];
    Mouse(box.m_hwnd, WM_LBUTTONDOWN, MK_LBUTTON, midX, (moved.top + moved.bottom) / 2);
    Mouse(box.m_hwnd, WM_MOUSEMOVE, MK_LBUTTON, midX, -300);
    Mouse(box.m_hwnd, WM_LBUTTONUP, 0, midX, -300);
    PumpMessages();
    EXPECT_EQ(f.panel.Position(), 0);
}
