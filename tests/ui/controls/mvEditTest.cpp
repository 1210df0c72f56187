#include "ui/controls/mvEdit.h"

#include "ProbeWnd.h"
#include "ScopedLook.h"
#include "foundation/Handles.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// True when a key pressed with keybd_event shows as held afterwards; some
// displays never report synthesised keys, and the key tests skip there.
bool DisplayReportsSynthesisedKeys() {
    keybd_event(VK_SCROLL, 0x46, 0, 0);
    Pump(100);
    const bool held = (GetAsyncKeyState(VK_SCROLL) & 0x8000) != 0;
    keybd_event(VK_SCROLL, 0x46, KEYEVENTF_KEYUP, 0);
    Pump(50);
    keybd_event(VK_SCROLL, 0x46, 0, 0); // toggled twice: the lock state stays
    keybd_event(VK_SCROLL, 0x46, KEYEVENTF_KEYUP, 0);
    Pump(50);
    return held;
}

int WindowHeight(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return r.bottom - r.top;
}

template <typename Edit> class EditFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 60, 60, 300, 120,
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L""));
        ASSERT_TRUE(CreateEditWindow(edit, parent.Handle(), 101));
        SetWindowPos(edit.Handle(), nullptr, 10, 10, 200, WindowHeight(edit.Handle()),
                     SWP_NOZORDER);
    }
    ProbeWnd parent;
    Edit edit;
};
using mvEditTest = EditFixture<mvEdit>;

TEST_F(mvEditTest, CreatedEditFollowsItsFontHeight) {
    EXPECT_EQ(0x54010080, GetWindowLongW(edit.Handle(), GWL_STYLE) & 0x54010080);
    EXPECT_TRUE(GetWindowLongW(edit.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(101, GetDlgCtrlID(edit.Handle()));
    LOGFONTW big = {};
    big.lfHeight = -36;
    wcscpy_s(big.lfFaceName, L"Tahoma");
    GdiHandle<HFONT> font(CreateFontIndirectW(&big));
    const int before = WindowHeight(edit.Handle());
    SendMessageW(edit.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    const int grown = WindowHeight(edit.Handle());
    EXPECT_GE(grown, mvtheme_control::GetTextHeight(font.Get()) + 2);
    EXPECT_GT(grown, before);
    EXPECT_EQ(200, [&] {
        RECT r = {};
        GetWindowRect(edit.Handle(), &r);
        return int(r.right - r.left);
    }());
    // Mode 0 never goes below the height it was created with; mode 1 may;
    // a negative mode leaves the height alone.
    SendMessageW(edit.Handle(), WM_SETFONT,
                 reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()), FALSE);
    EXPECT_EQ(before, WindowHeight(edit.Handle()));
    edit.m_heightMode = -1;
    SendMessageW(edit.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    EXPECT_EQ(before, WindowHeight(edit.Handle()));
}

TEST_F(mvEditTest, CueFromElsewhereIsKeptAndTemporaryCueEndsWithTyping) {
    SendMessageW(edit.Handle(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Folder"));
    EXPECT_STREQ(L"Folder", edit.m_cue.text.c_str());
    EXPECT_TRUE(edit.m_cue.showWhenFocused);
    edit.m_cue.color = RGB(255, 0, 0);
    edit.SetCueText(L"Names", false);
    EXPECT_FALSE(edit.m_cue.showWhenFocused);
    EXPECT_EQ(EditCue::kNoCueColor, edit.m_cue.color);

    edit.m_tempCue.text = L"Type a folder";
    EXPECT_STREQ(L"Type a folder", edit.ActiveCue().text.c_str());
    SetWindowTextW(edit.Handle(), L"C");
    EXPECT_TRUE(edit.m_tempCue.text.empty());
    EXPECT_STREQ(L"Names", edit.ActiveCue().text.c_str());
}

TEST_F(mvEditTest, LibraryPaintsTheCueOnlyWhereTheNativeControlCannot) {
    UiTheme& ui = UiTheme::Get();
    const bool savedLook = ui.SystemLookFlag;
    struct Case {
        bool systemLook, focused, showWhenFocused, hasText, enabled, ownColour;
        bool painted;
    };
    const Case cases[] = {
        {false, false, true, false, true, false, true},
        {false, true, false, false, true, false, false}, // focused without show-when-focused
        {false, true, true, false, true, false, true},
        {false, false, true, true, true, false, false},   // text hides the cue
        {false, false, true, false, false, false, false}, // disabled
        {true, false, true, false, true, true, true},     // own colour in the system look
    };
    for (const Case& c : cases) {
        ui.SystemLookFlag = c.systemLook;
        edit.SetCueText(L"Cue", c.showWhenFocused);
        if (c.ownColour)
            edit.m_cue.color = RGB(200, 0, 0);
        SetWindowTextW(edit.Handle(), c.hasText ? L"x" : L"");
        EnableWindow(edit.Handle(), c.enabled);
        SetFocus(c.focused ? edit.Handle() : parent.Handle());
        EXPECT_EQ(c.painted, edit.PaintsCue())
            << c.systemLook << c.focused << c.showWhenFocused << c.hasText << c.enabled;
        EnableWindow(edit.Handle(), TRUE);
    }
    ui.SystemLookFlag = savedLook;
}

// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST(mvEdit, FramedEditsSitInAScrollBoxInTheOwnColoursOnly) {
    ProbeWnd parent;
    ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 60, 60, 300, 120, WS_OVERLAPPEDWINDOW, 0, L""));
    // Wine's edit control takes WS_BORDER off and draws that border itself,
    // so a bordered edit is not among the cases.
    struct Case {
        bool systemLook;
        DWORD style, exStyle;
        int option;
        bool hosted;
        int inset; // of the box's frame
    } cases[] = {
        {false, 0, WS_EX_CLIENTEDGE, 1, true, 2},
        {false, 0, WS_EX_CLIENTEDGE, 0, true, 2},
        {false, 0, WS_EX_STATICEDGE, 1, true, 2},
        {false, WS_HSCROLL | ES_MULTILINE, 0, 1, true, 0},
        {false, 0, 0, 1, false, 0},
        {true, 0, WS_EX_CLIENTEDGE, 1, false, 0},
        {true, WS_VSCROLL | ES_MULTILINE, WS_EX_CLIENTEDGE, 1, false, 0},
    };
    for (const Case& c : cases) {
        ScopedLook look(c.systemLook);
        const std::wstring label = std::to_wstring(c.style) + L" " + std::to_wstring(c.exStyle) +
                                   L" look " + std::to_wstring(c.systemLook);
        HWND hwnd = CreateWindowExW(c.exStyle, L"Edit", L"", WS_CHILD | WS_VISIBLE | c.style, 10,
                                    10, 150, 30, parent.Handle(), nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hwnd);
        mvEdit edit;
        edit.m_scrollBoxOption = c.option;
        ASSERT_TRUE(edit.SubclassWindow(hwnd));
        EXPECT_EQ(c.hosted, edit.IsHosted()) << label;
        if (!c.hosted) {
            EXPECT_EQ(parent.Handle(), GetParent(hwnd)) << label;
            DestroyWindow(hwnd);
            continue;
        }
        // The box stands where the edit stood and takes over its frame.
        const HWND box = edit.m_box.Handle();
        EXPECT_EQ(box, GetParent(hwnd)) << label;
        EXPECT_EQ(parent.Handle(), GetParent(box)) << label;
        const RECT boxRect = RectInParent(box);
        EXPECT_EQ(10, boxRect.left) << label;
        EXPECT_EQ(10, boxRect.top) << label;
        EXPECT_EQ(150, boxRect.right - boxRect.left) << label;
        EXPECT_EQ(0, GetWindowLongW(hwnd, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
        EXPECT_EQ(0, GetWindowLongW(hwnd, GWL_STYLE) & WS_BORDER);
        const RECT inner = RectInParent(hwnd);
        EXPECT_EQ(c.inset, inner.left) << label;
        EXPECT_EQ(c.inset, inner.top) << label;
        EXPECT_EQ(RectHeight(boxRect) - 2 * c.inset, RectHeight(inner)) << label;
        RECT client = {};
        GetClientRect(hwnd, &client);
        EXPECT_EQ(RectWidth(inner), client.right) << label; // no non-client area
        EXPECT_EQ(c.option != 0, edit.m_box.m_hotBorder) << label;
    }
}

class HostedEditTest : public EditFixture<mvEdit> {
protected:
    ScopedLook look{false};
};

TEST_F(HostedEditTest, MovingShowingEnablingAndHeightGoToTheBox) {
    ASSERT_TRUE(edit.IsHosted());
    const HWND box = edit.m_box.Handle();
    SetWindowPos(edit.Handle(), nullptr, 30, 40, 180, WindowHeight(box), SWP_NOZORDER);
    const RECT boxRect = RectInParent(box);
    EXPECT_EQ(30, boxRect.left);
    EXPECT_EQ(40, boxRect.top);
    EXPECT_EQ(180, RectWidth(boxRect));
    const RECT inner = RectInParent(edit.Handle());
    EXPECT_EQ(2, inner.left);
    EXPECT_EQ(176, RectWidth(inner));

    ShowWindow(edit.Handle(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(box));
    ShowWindow(edit.Handle(), SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(box));
    EnableWindow(edit.Handle(), FALSE);
    EXPECT_FALSE(IsWindowEnabled(box));
    EnableWindow(edit.Handle(), TRUE);
    EXPECT_TRUE(IsWindowEnabled(box));
    EXPECT_EQ(HTCLIENT, SendMessageW(edit.Handle(), WM_NCHITTEST, 0, 0));

    // A larger font makes the box taller, by the text height and the frame.
    LOGFONTW big = {};
    big.lfHeight = -36;
    wcscpy_s(big.lfFaceName, L"Tahoma");
    GdiHandle<HFONT> font(CreateFontIndirectW(&big));
    SendMessageW(edit.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    const int text = mvtheme_control::GetTextHeight(font.Get());
    EXPECT_GE(WindowHeight(box), text + 2 + 4);
    EXPECT_LE(WindowHeight(box), text + 4 + 4);
    EXPECT_EQ(WindowHeight(box) - 4, WindowHeight(edit.Handle()));
    EXPECT_EQ(180, RectWidth(RectInParent(box)));
}

TEST_F(HostedEditTest, NotificationsStillReachTheDialog) {
    ASSERT_TRUE(edit.IsHosted());
    edit.m_tempCue.text = L"Type a folder";
    parent.commands.clear();
    SetWindowTextW(edit.Handle(), L"C");
    Pump(50);
    EXPECT_TRUE(edit.m_tempCue.text.empty()); // the edit saw its own EN_CHANGE
    bool seen = false;
    for (WPARAM command : parent.commands)
        seen = seen || command == MAKEWPARAM(101, EN_CHANGE);
    EXPECT_TRUE(seen);
}

// A multi-line edit's scroll bar is the box's: the edit keeps no room for
// its own, and the box's thumb follows the edit's scrolling.
TEST(mvEdit, HostedMultiLineEditScrollsWithTheBoxBar) {
    ScopedLook look(false);
    ProbeWnd parent;
    ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 60, 60, 300, 200,
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L""));
    HWND hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                                10, 10, 200, 100, parent.Handle(), nullptr, nullptr, nullptr);
    mvEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(hwnd));
    ASSERT_TRUE(edit.IsHosted());
    std::wstring text;
    for (int i = 0; i < 60; ++i)
        text += L"line " + std::to_wstring(i) + L"\r\n";
    SetWindowTextW(hwnd, text.c_str());
    UpdateWindow(parent.Handle());
    edit.m_box.RefreshBars();
    const ScrollBarGeometry& bar = edit.m_box.Geometry();
    const RECT barRect = bar.rects[ScrollPartBar];
    ASSERT_FALSE(IsRectEmpty(&barRect));
    RECT box = {};
    GetClientRect(edit.m_box.Handle(), &box);
    EXPECT_EQ(box.right - 2, barRect.right);
    // The edit ends where the bar begins.
    EXPECT_EQ(barRect.left + 1, RectInParent(hwnd).right);
    RECT client = {};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(RectWidth(RectInParent(hwnd)), client.right);

    const int top = bar.rects[ScrollPartThumb].top;
    SendMessageW(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_GT(edit.m_box.Geometry().rects[ScrollPartThumb].top, top);
    EXPECT_EQ(1, SendMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0));
}

using mvACEditInput = EditFixture<mvACEdit>;

// The keys the system takes in while the hook is set, as the low-level
// keyboard hook sees them (injected ones too, whether or not the display
// reports them back).
struct KeyTrace {
    struct Key {
        DWORD vk, scan, flags;
    };
    static inline std::vector<Key> keys;
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HC_ACTION) {
            const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
            keys.push_back({key->vkCode, key->scanCode, key->flags});
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    KeyTrace() {
        keys.clear();
        hook = SetWindowsHookExW(WH_KEYBOARD_LL, &Hook, GetModuleHandleW(nullptr), 0);
    }
    ~KeyTrace() {
        if (hook != nullptr)
            UnhookWindowsHookEx(hook);
    }
    HHOOK hook = nullptr;
};

TEST_F(mvACEditInput, DoubleClickOpensTheListWithoutLeavingDownPressed) {
    ASSERT_NE(nullptr, edit.AutoComplete());
    edit.AddString(L"C:\\one");
    // The keys go to the parent: under Wine the shell's list itself crashes
    // on a Down key in this set-up, and the keys sent are all this checks.
    SetForegroundWindow(parent.Handle());
    SetFocus(parent.Handle());
    ASSERT_FALSE(edit.IsDropDownVisible());
    KeyTrace trace;
    ASSERT_NE(nullptr, trace.hook);
    SendMessageW(edit.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    Pump(300);
    // One Down press, then its release.
    ASSERT_EQ(2u, KeyTrace::keys.size());
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(DWORD(VK_DOWN), KeyTrace::keys[i].vk);
        EXPECT_EQ(80u, KeyTrace::keys[i].scan);
        EXPECT_EQ(i == 1, (KeyTrace::keys[i].flags & LLKHF_UP) != 0) << i;
    }
    if (DisplayReportsSynthesisedKeys()) {
        EXPECT_EQ(0, GetAsyncKeyState(VK_DOWN) & 0x8000); // not held
    }
}

TEST_F(mvACEditInput, CtrlASelectsTheWholeText) {
    SetWindowTextW(edit.Handle(), L"C:\\Data\\Reports");
    SendMessageW(edit.Handle(), EM_SETSEL, 3, 3);
    SetForegroundWindow(parent.Handle());
    SetFocus(edit.Handle());
    if (!DisplayReportsSynthesisedKeys())
        GTEST_SKIP() << "the display does not report synthesised keys";
    keybd_event(VK_CONTROL, 0x1D, 0, 0);
    Pump(100);
    SendMessageW(edit.Handle(), WM_KEYDOWN, 'A', 0);
    keybd_event(VK_CONTROL, 0x1D, KEYEVENTF_KEYUP, 0);
    Pump(100);
    DWORD start = 0, end = 0;
    SendMessageW(edit.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(15u, end);
}

// The frame colour of the hosted edit's box (its left edge).
COLORREF BoxFrame(const mvEdit& edit) {
    const HWND box = edit.m_box.Handle();
    UpdateWindow(edit.Handle());
    UpdateWindow(box);
    HDC dc = GetDC(box);
    const COLORREF colour = GetPixel(dc, 0, 5);
    ReleaseDC(box, dc);
    return colour;
}

class mvEditInput : public EditFixture<mvEdit> {
protected:
    ScopedLook look{false};
};

// The box lights its frame while the mouse is over the edit or the edit has
// the focus.
TEST_F(mvEditInput, HoverAndFocusLightTheHostedFrame) {
    ASSERT_TRUE(edit.IsHosted());
    const UiTheme& ui = UiTheme::Get();
    SetForegroundWindow(parent.Handle());
    SetFocus(parent.Handle());
    POINT away = {0, 0};
    ClientToScreen(parent.Handle(), &away);
    SetCursorPos(away.x - 40, away.y - 40);
    Pump(50);
    SendMessageW(edit.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ui.Color(ThemeBorder), BoxFrame(edit));

    RECT r = {};
    GetClientRect(edit.Handle(), &r);
    POINT over = {r.right / 2, r.bottom / 2};
    ClientToScreen(edit.Handle(), &over);
    SetCursorPos(over.x, over.y);
    SendMessageW(edit.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.right / 2, r.bottom / 2));
    EXPECT_TRUE(edit.m_hover);
    EXPECT_EQ(ui.Color(ThemeBorderActive), BoxFrame(edit));

    SetCursorPos(away.x - 40, away.y - 40);
    SendMessageW(edit.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(edit.m_hover);
    EXPECT_EQ(ui.Color(ThemeBorder), BoxFrame(edit));

    SetFocus(edit.Handle());
    Pump(50);
    EXPECT_EQ(ui.Color(ThemeBorderActive), BoxFrame(edit));
}

} // namespace
