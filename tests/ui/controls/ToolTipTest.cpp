#include "ui/controls/ToolTip.h"

#include "ui/theme/UiTheme.h"

#include "support/Canvas.h"
#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <utility>

namespace {

TOOLINFOW ToolFor(HWND owner, UINT_PTR id, const wchar_t* text, UINT flags) {
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = flags;
    tool.hwnd = owner;
    tool.uId = id;
    tool.lpszText = const_cast<wchar_t*>(text);
    return tool;
}

// The face and height of a font, to compare a font with the copy the
// tooltip control keeps of it.
std::pair<std::wstring, LONG> FontOf(HFONT font) {
    LOGFONTW info{};
    GetObjectW(font, sizeof info, &info);
    return {info.lfFaceName, info.lfHeight};
}

HFONT TipFont(HWND tip) {
    return reinterpret_cast<HFONT>(SendMessageW(tip, WM_GETFONT, 0, 0));
}

int ToolCount() {
    return static_cast<int>(SendMessageW(mvToolTipCtrl::Global().Handle(), TTM_GETTOOLCOUNT, 0, 0));
}

// Applies a theme for the test and goes back to the system look.
struct ScopedTheme {
    explicit ScopedTheme(int index) { UiTheme::Get().Apply(index); }
    ~ScopedTheme() { UiTheme::Get().Apply(-1); }
};

// Draws the tip on a canvas as its paint does (transparent text over the
// face) and counts the pixels in the theme's text colour.
size_t TextPixels(mvToolTipCtrl& tip, const UiTheme& theme) {
    Canvas canvas(140, 40);
    SelectObject(canvas.Dc(), theme.fonts.normal.Get());
    SetBkMode(canvas.Dc(), TRANSPARENT);
    const RECT all{0, 0, 140, 40};
    tip.Draw(canvas.Dc(), &all, 0);
    // The frame's right and bottom sides, and the face inside.
    for (int y = 0; y < 40; ++y)
        EXPECT_EQ(canvas.At(139, y), theme.Color(ThemeBorder)) << y;
    for (int x = 0; x < 140; ++x)
        EXPECT_EQ(canvas.At(x, 39), theme.Color(ThemeBorder)) << x;
    EXPECT_EQ(canvas.At(130, 30), theme.Color(ThemeBase));
    return canvas.PixelsOf(theme.Color(ThemeText)).size();
}

} // namespace

TEST(ToolTip, OneTopmostTipThatTheMousePassesThrough) {
    mvToolTipCtrl& tip = mvToolTipCtrl::Global();
    ASSERT_TRUE(tip.Create());
    const HWND hwnd = tip.Handle();
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(tip.Create()); // bound already: the same window
    EXPECT_EQ(tip.Handle(), hwnd);
    EXPECT_EQ(mvWnd::FromHandle(hwnd), &tip);

    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, 64);
    EXPECT_STREQ(className, TOOLTIPS_CLASSW);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TRANSPARENT);
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0, 0), HTTRANSPARENT);

    // The tip follows the UI font.
    UiFonts& fonts = UiTheme::Get().fonts;
    EXPECT_EQ(tip.Font(), fonts.normal.Get());
    EXPECT_EQ(FontOf(TipFont(hwnd)), FontOf(fonts.normal.Get()));
    LOGFONTW original{};
    GetObjectW(fonts.normal.Get(), sizeof original, &original);
    LOGFONTW larger = original;
    larger.lfHeight = original.lfHeight * 2;
    fonts.Create(larger, 1.45);
    EXPECT_EQ(FontOf(TipFont(hwnd)), FontOf(fonts.normal.Get()));
    EXPECT_EQ(FontOf(TipFont(hwnd)).second, larger.lfHeight);
    fonts.Create(original, 1.45);
}

TEST(ToolTip, RemoveToolTakesTheWindowsTool) {
    ASSERT_TRUE(mvToolTipCtrl::Global().Create());
    const HWND tipWindow = mvToolTipCtrl::Global().Handle();
    WindowHandle owner(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 50, 50, nullptr,
                                       nullptr, GetModuleHandleW(nullptr), nullptr));
    TOOLINFOW tool = ToolFor(owner.Get(), reinterpret_cast<UINT_PTR>(owner.Get()), L"tip",
                             TTF_IDISHWND | TTF_SUBCLASS);
    const int before = ToolCount();
    ASSERT_TRUE(SendMessageW(tipWindow, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(ToolCount(), before + 1);
    mvToolTipCtrl::RemoveTool(nullptr);
    EXPECT_EQ(ToolCount(), before + 1);
    mvToolTipCtrl::RemoveTool(owner.Get());
    EXPECT_EQ(ToolCount(), before);
}

// The tip has a current tool only once the mouse rests on a tool, which
// takes the display's cursor.
TEST(ToolTipInput, DrawsTheCurrentToolInTheThemeColours) {
    const ScopedTheme dark(1);
    const UiTheme& theme = UiTheme::Get();
    mvToolTipCtrl& tip = mvToolTipCtrl::Global();
    ASSERT_TRUE(tip.Create());
    EXPECT_EQ(TextPixels(tip, theme), 0u); // no current tool: frame and face only

    // Not a static control: those let the mouse through to what lies below.
    WindowHandle owner(CreateWindowExW(WS_EX_TOPMOST, L"EDIT", L"owner", WS_POPUP | WS_VISIBLE, 40,
                                       40, 120, 80, nullptr, nullptr, GetModuleHandleW(nullptr),
                                       nullptr));
    SetForegroundWindow(owner.Get());
    TOOLINFOW tool = ToolFor(owner.Get(), reinterpret_cast<UINT_PTR>(owner.Get()), L"Wide text",
                             TTF_IDISHWND | TTF_SUBCLASS);
    ASSERT_TRUE(SendMessageW(tip.Handle(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)));
    SendMessageW(tip.Handle(), TTM_SETDELAYTIME, TTDT_INITIAL, 1);
    // Shown whether or not the owner is the active window.
    tip.ModifyStyle(0, TTS_ALWAYSTIP);
    SendMessageW(tip.Handle(), TTM_ACTIVATE, TRUE, 0);
    SetCursorPos(90, 70);

    TOOLINFOW current{};
    current.cbSize = TTTOOLINFOW_V2_SIZE;
    // One move over the tool starts the show timer; each further move would
    // start it again.
    MSG relay{owner.Get(), WM_MOUSEMOVE, 0, MAKELPARAM(50, 30)};
    SendMessageW(tip.Handle(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    bool shown = false;
    for (int i = 0; i < 100 && !shown; ++i) {
        Sleep(10);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        shown = SendMessageW(tip.Handle(), TTM_GETCURRENTTOOLW, 0,
                             reinterpret_cast<LPARAM>(&current)) != 0;
    }
    ASSERT_TRUE(shown);
    EXPECT_GT(TextPixels(tip, theme), 20u); // the tool's text
    mvToolTipCtrl::RemoveTool(owner.Get());
    tip.ModifyStyle(TTS_ALWAYSTIP, 0);
}

TEST(ToolTip, PaintsItsOwnFaceOutsideTheSystemLook) {
    const ScopedTheme green(3);
    mvToolTipCtrl& tip = mvToolTipCtrl::Global();
    ASSERT_TRUE(tip.Create());
    SetWindowPos(tip.Handle(), HWND_TOPMOST, 10, 10, 120, 30, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(tip.Handle(), nullptr, TRUE);
    UpdateWindow(tip.Handle());
    EXPECT_FALSE(GetUpdateRect(tip.Handle(), nullptr, FALSE));
    const HDC dc = GetDC(tip.Handle());
    EXPECT_EQ(GetPixel(dc, 0, 0) & 0xFFFFFF, UiTheme::Get().Color(ThemeBorder));
    EXPECT_EQ(GetPixel(dc, 5, 5) & 0xFFFFFF, UiTheme::Get().Color(ThemeBase));
    ReleaseDC(tip.Handle(), dc);
    ShowWindow(tip.Handle(), SW_HIDE);
}
