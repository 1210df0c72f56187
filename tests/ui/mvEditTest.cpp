#include "ui/mvEdit.h"

#include "ProbeWnd.h"
#include "foundation/Handles.h"
#include "ui/UiTheme.h"

#include <gtest/gtest.h>

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

using mvACEditInput = EditFixture<mvACEdit>;

TEST_F(mvACEditInput, DoubleClickOpensTheListWithoutLeavingDownPressed) {
    ASSERT_NE(nullptr, edit.AutoComplete());
    if (!DisplayReportsSynthesisedKeys())
        GTEST_SKIP() << "the display does not report synthesised keys";
    edit.AddString(L"C:\\one");
    // The keys go to the parent: under Wine the shell's list itself crashes
    // on a Down key in this set-up, and the key state is all this checks.
    SetForegroundWindow(parent.Handle());
    SetFocus(parent.Handle());
    ASSERT_FALSE(edit.IsDropDownVisible());
    SendMessageW(edit.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    Pump(300);
    EXPECT_EQ(0, GetAsyncKeyState(VK_DOWN) & 0x8000); // not held
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

} // namespace
