#include "ui/controls/mvButton.h"

#include "ui/core/ComctlVersion.h"
#include "ui/controls/ToolTip.h"
#include "support/MessagePump.h"
#include "ui/theme/UiTheme.h"

#include "../support/Canvas.h"
#include "ProbeWnd.h"
#include "ScopedLook.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A shown host window placed away from the cursor, so that no button
// counts as hot, with one push button.
struct ButtonFixture {
    explicit ButtonFixture(bool systemLook, DWORD style = BS_PUSHBUTTON) : look(systemLook) {
        SetComctlMajorVersion(5);
        EXPECT_TRUE(CreateTopLevel(host));
        POINT cursor{};
        GetCursorPos(&cursor);
        const int x = cursor.x > 400 ? 0 : 500, y = cursor.y > 300 ? 0 : 400;
        SetWindowPos(host.m_hwnd, nullptr, x, y, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(host.m_hwnd, SW_SHOWNOACTIVATE);
        EXPECT_TRUE(CreateButtonWindow(button, host.m_hwnd, 100, style));
        SetWindowPos(button.m_hwnd, nullptr, 10, 10, 80, 24, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ~ButtonFixture() { SetComctlMajorVersion(0); }
    DWORD WindowType() const { return GetWindowLongW(button.m_hwnd, GWL_STYLE) & 0xF; }

    ScopedLook look;
    ProbeWnd host;
    mvButton button;
};

int Clicks(const ProbeWnd& host, int id) {
    int count = 0;
    for (WPARAM w : host.commands)
        count += LOWORD(w) == id && HIWORD(w) == BN_CLICKED;
    return count;
}

} // namespace

TEST(mvButton, TheSystemLookDrawsNativelyOnlyWithAllFourSides) {
    struct Case {
        bool systemLook;
        unsigned mask;
        bool ownerDrawn;
    } cases[] = {{false, 15, true}, {false, 5, true}, {true, 15, false}, {true, 7, true}};
    for (const Case& c : cases) {
        ButtonFixture f(c.systemLook);
        f.button.SetBorderMask(c.mask);
        EXPECT_EQ(f.WindowType() == BS_OWNERDRAW, c.ownerDrawn) << c.systemLook << " " << c.mask;
        EXPECT_EQ(f.button.Style() & 0xF, DWORD(BS_PUSHBUTTON));
    }
    ButtonFixture f(true);
    f.button.SetBorderSides(true, false, true, false);
    EXPECT_EQ(f.button.Sides(), 3u);
    EXPECT_EQ(f.WindowType(), DWORD(BS_OWNERDRAW));
    f.button.SetBorderSides(true, true, true, true);
    EXPECT_EQ(f.WindowType(), DWORD(BS_PUSHBUTTON));
}

TEST(mvButton, AnOwnerDrawnButtonKeepsItsDefaultTypeForTheDialog) {
    ButtonFixture f(false);
    ASSERT_EQ(f.WindowType(), DWORD(BS_OWNERDRAW));
    EXPECT_NE(SendMessageW(f.button.m_hwnd, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON, 0);

    SendMessageW(f.button.m_hwnd, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(f.WindowType(), DWORD(BS_OWNERDRAW));
    EXPECT_EQ(f.button.Style() & 0xF, DWORD(BS_DEFPUSHBUTTON));
    const LRESULT code = SendMessageW(f.button.m_hwnd, WM_GETDLGCODE, 0, 0);
    EXPECT_NE(code & DLGC_DEFPUSHBUTTON, 0);
    EXPECT_EQ(code & DLGC_UNDEFPUSHBUTTON, 0);

    // A style set from outside keeps the stored type while owner-drawn, and
    // Enter is asked for.
    SetWindowLongW(f.button.m_hwnd, GWL_STYLE,
                   GetWindowLongW(f.button.m_hwnd, GWL_STYLE) | BS_RIGHT);
    EXPECT_EQ(f.button.Style() & 0xF, DWORD(BS_DEFPUSHBUTTON));
    EXPECT_EQ(f.button.Style() & 0x300, DWORD(BS_RIGHT));
    MSG enter{f.button.m_hwnd, WM_KEYDOWN, VK_RETURN, 0};
    EXPECT_NE(
        SendMessageW(f.button.m_hwnd, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
            DLGC_WANTMESSAGE,
        0);
}

TEST(mvButton, StateColoursFollowDisabledPushedFocusedAndDefault) {
    ButtonFixture f(false);
    const UiTheme& theme = UiTheme::Get();
    struct Case {
        UINT itemState;
        bool isDefault;
        ThemeColor back;
        ThemeColor border;
        ThemeColor text;
        bool focusRect;
    } cases[] = {
        {0, false, ThemeButton, ThemeBorder, ThemeText, false},
        {ODS_SELECTED, false, ThemeButtonPush, ThemeBorderActive, ThemeText, false},
        {ODS_DISABLED | ODS_SELECTED, false, ThemeButtonDisable, ThemeBorder, ThemeTextGray, false},
        {ODS_FOCUS, false, ThemeButton, ThemeBorderActive, ThemeText, true},
        {ODS_FOCUS | ODS_NOFOCUSRECT, false, ThemeButton, ThemeBorderActive, ThemeText, false},
        {0, true, ThemeButton, ThemeBorderActive, ThemeText, false},
        {ODS_DISABLED, true, ThemeButtonDisable, ThemeBorder, ThemeTextGray, false},
    };
    for (const Case& c : cases) {
        SendMessageW(f.button.m_hwnd, BM_SETSTYLE, c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
                     FALSE);
        DRAWITEMSTRUCT item{};
        item.itemState = c.itemState;
        ButtonPaintState state;
        f.button.GetColors(item, state);
        EXPECT_EQ(state.back, theme.Color(c.back)) << c.itemState << " " << c.isDefault;
        EXPECT_EQ(state.border, theme.Color(c.border)) << c.itemState << " " << c.isDefault;
        EXPECT_EQ(state.text, theme.Color(c.text)) << c.itemState;
        EXPECT_EQ(state.focusRect, c.focusRect) << c.itemState;
        EXPECT_FALSE(state.hot);
    }
    f.button.SetHideFocus(true);
    DRAWITEMSTRUCT focused{};
    focused.itemState = ODS_FOCUS;
    ButtonPaintState state;
    f.button.GetColors(focused, state);
    EXPECT_FALSE(state.focusRect);
}

TEST(mvButton, TheOwnerDrawnFacePaintsInTheThemeColours) {
    ButtonFixture f(false);
    SetWindowTextW(f.button.m_hwnd, L"");
    const UiTheme& theme = UiTheme::Get();
    for (const bool enabled : {true, false}) {
        EnableWindow(f.button.m_hwnd, enabled);
        Canvas canvas(80, 24, RGB(1, 2, 3));
        SendMessageW(f.button.m_hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()),
                     PRF_CLIENT);
        EXPECT_EQ(canvas.At(40, 12), theme.Color(enabled ? ThemeButton : ThemeButtonDisable))
            << enabled;
        EXPECT_EQ(canvas.At(0, 12), theme.Color(ThemeBorder)) << enabled;
        EXPECT_EQ(canvas.At(79, 0), theme.Color(ThemeBorder)) << enabled;
    }
    // Without the right side, the face runs to the edge.
    EnableWindow(f.button.m_hwnd, TRUE);
    f.button.SetBorderMask(15u & ~4u); // all but the right side
    Canvas canvas(80, 24, RGB(1, 2, 3));
    SendMessageW(f.button.m_hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()),
                 PRF_CLIENT);
    EXPECT_EQ(canvas.At(79, 12), theme.Color(ThemeButton));
    EXPECT_EQ(canvas.At(0, 12), theme.Color(ThemeBorder));
}

TEST(mvButton, TheToolTipShowsTheCaptionOnceThereIsOne) {
    ButtonFixture f(false);
    SetWindowTextW(f.button.m_hwnd, L"");
    f.button.SetToolTipText(L"");
    auto toolText = [&]() -> std::wstring {
        const HWND tip = mvToolTipCtrl::Global().Handle();
        if (tip == nullptr || SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0) == 0)
            return L"<none>";
        wchar_t text[128] = {};
        TTTOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.uFlags = TTF_IDISHWND;
        info.hwnd = f.button.m_hwnd;
        info.uId = reinterpret_cast<UINT_PTR>(f.button.m_hwnd);
        info.lpszText = text;
        SendMessageW(tip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&info));
        return text;
    };
    EXPECT_EQ(toolText(), L"<none>");
    SetWindowTextW(f.button.m_hwnd, L"&Search now");
    EXPECT_EQ(toolText(), L"Search now");
    f.button.SetToolTipText(L"Starts the search");
    EXPECT_EQ(toolText(), L"Starts the search");
    f.button.SetToolTipText(nullptr);
    EXPECT_EQ(toolText(), L"<none>");
}

TEST(mvButton, ADoubleClickIsTwoClicks) {
    for (const bool systemLook : {false, true}) {
        ButtonFixture f(systemLook);
        const HWND b = f.button.m_hwnd;
        const LPARAM at = MAKELPARAM(5, 5);
        SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(b, WM_LBUTTONUP, 0, at);
        SendMessageW(b, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PumpMessages();
        SendMessageW(b, WM_LBUTTONUP, 0, at);
        PumpMessages();
        EXPECT_EQ(Clicks(f.host, 100), 2) << systemLook;
    }
}

TEST(mvButton, EnterOnTheButtonClicksIt) {
    for (const bool systemLook : {false, true}) {
        ButtonFixture f(systemLook);
        SendMessageW(f.button.m_hwnd, WM_CHAR, VK_RETURN, 0);
        PumpMessages();
        EXPECT_EQ(Clicks(f.host, 100), 1) << systemLook;
    }
}
