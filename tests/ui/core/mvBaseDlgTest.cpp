#include "ui/core/mvBaseDlg.h"

#include "support/MessagePump.h"
#include "ui/theme/UiTheme.h"

#include "ProbeWnd.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A themed dialog with one static text child; records its hooks in order.
class ThemedDialog : public mvBaseDlg {
public:
    explicit ThemedDialog(bool topLevel = true) {
        InitTemplate(160, 80, topLevel, 1);
        AppendTemplateItem(WS_CHILD | WS_VISIBLE, 0, 7, 7, 60, 10, 100, 0x0082);
    }
    void SetTexts() override { hooks += "T"; }
    void UpdateControls() override { hooks += "U"; }
    void Layout() override { hooks += "L"; }
    void PaintContent(HDC, const RECT*) override { ++painted; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SYSCOLORCHANGE)
            ++colourChanges;
        return mvBaseDlg::WindowProc(message, wParam, lParam);
    }

    std::string hooks;
    int painted = 0;
    int colourChanges = 0;
};

// Applies the built-in theme of the name for the test's duration.
class ThemeScope {
public:
    explicit ThemeScope(const wchar_t* name) {
        UiTheme& theme = UiTheme::Get();
        for (size_t i = 0; i < theme.themes.entries.size(); ++i)
            if (theme.themes.entries[i].name == name)
                theme.Apply(static_cast<int>(i));
    }
    ~ThemeScope() { UiTheme::Get().Apply(-1); }
};

} // namespace

TEST(mvBaseDlg, InitialisationSetsTheUiFontThenTextsControlsAndLayout) {
    ThemedDialog dialog;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
    HFONT uiFont = UiTheme::Get().fonts.normal.Get();
    ASSERT_NE(uiFont, nullptr);
    EXPECT_EQ(dialog.hooks.substr(0, 3), "TUL");
    EXPECT_TRUE(dialog.m_initialized);
    EXPECT_EQ(dialog.Font(), uiFont);
    HWND text = GetDlgItem(dialog.m_hwnd, 100);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)), uiFont);

    // A later font change of the top-level dialog lays it out again, as does
    // a size change that is not a minimise.
    dialog.hooks.clear();
    SendMessageW(dialog.m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont), 0);
    SendMessageW(dialog.m_hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    SendMessageW(dialog.m_hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(dialog.hooks, "LL");
    DestroyWindow(dialog.m_hwnd);
    EXPECT_FALSE(dialog.m_initialized);
}

TEST(mvBaseDlg, TheThemeChangeReachesEveryDescendantButASystemChangeIsNotPassedOn) {
    ThemedDialog outer;
    ASSERT_TRUE(outer.CreateDialogWindow(nullptr));
    ThemedDialog inner(false);
    ASSERT_TRUE(inner.CreateDialogWindow(outer.m_hwnd));
    ProbeWnd leaf;
    ASSERT_TRUE(CreateChild(leaf, inner.m_hwnd, 200));
    ASSERT_EQ(GetParent(leaf.Handle()), inner.m_hwnd);

    const LPARAM marker = reinterpret_cast<LPARAM>(&UiTheme::Get());
    SendMessageW(outer.m_hwnd, WM_SYSCOLORCHANGE, 0, marker);
    PumpMessages(3, 10);
    EXPECT_EQ(inner.colourChanges, 1);
    EXPECT_TRUE(leaf.Saw(WM_SYSCOLORCHANGE));

    leaf.seen.clear();
    SendMessageW(outer.m_hwnd, WM_SYSCOLORCHANGE, 0, 0);
    PumpMessages(3, 10);
    EXPECT_EQ(inner.colourChanges, 1);
    EXPECT_FALSE(leaf.Saw(WM_SYSCOLORCHANGE));
}

TEST(mvBaseDlg, AFixedSizeDialogShowsNoSizingBorderAndNoSizeCommand) {
    ThemedDialog dialog;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
    dialog.ModifyStyle(0, WS_THICKFRAME);
    RECT rect{};
    GetWindowRect(dialog.m_hwnd, &rect);
    const POINT rightEdge = {rect.right - 1, (rect.top + rect.bottom) / 2};
    const LPARAM at = MAKELPARAM(rightEdge.x, rightEdge.y);
    const LRESULT sizable = SendMessageW(dialog.m_hwnd, WM_NCHITTEST, 0, at);
    ASSERT_EQ(sizable, HTRIGHT) << "a thick frame sizes at its edge";

    dialog.m_minTrack = dialog.m_maxTrack = {rect.right - rect.left, rect.bottom - rect.top};
    EXPECT_EQ(SendMessageW(dialog.m_hwnd, WM_NCHITTEST, 0, at), HTBORDER);
    HMENU menu = GetSystemMenu(dialog.m_hwnd, FALSE);
    ASSERT_NE(menu, nullptr);
    EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_ENABLED);
    SendMessageW(dialog.m_hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, 1));
    EXPECT_NE(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND) & MF_DISABLED, 0u);

    MINMAXINFO info{};
    SendMessageW(dialog.m_hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxTrackSize.x, dialog.m_maxTrack.cx);
    EXPECT_EQ(info.ptMinTrackSize.y, dialog.m_minTrack.cy);
}

TEST(mvBaseDlg, ColoursAndBackgroundFollowTheThemeUnlessTheSystemLookIsOn) {
    ThemedDialog dialog;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
    HWND text = GetDlgItem(dialog.m_hwnd, 100);
    MemoryDC dc(CreateCompatibleDC(nullptr));
    mvGdiBitmap bitmap;
    bitmap.CreateDIB(20, 20, dc.Get());
    const HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
    const RECT area = {0, 0, 20, 20};

    struct Case {
        const wchar_t* theme;
        bool themed;
    } cases[] = {{L"Dark", true}, {L"System Default", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.themed ? "Dark" : "system look"));
        ThemeScope scope(c.theme);
        const UiTheme& theme = UiTheme::Get();
        ASSERT_EQ(theme.SystemLookFlag, !c.themed);
        const LRESULT brush =
            SendMessageW(dialog.m_hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                         reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(brush == reinterpret_cast<LRESULT>(theme.baseBrush.Get()), c.themed);
        const int painted = dialog.painted;
        dialog.Draw(dc.Get(), &area, 0);
        EXPECT_EQ(dialog.painted, painted + 1);
        EXPECT_EQ(GetPixel(dc.Get(), 5, 5),
                  c.themed ? theme.Color(ThemeBase) : GetSysColor(COLOR_BTNFACE));
    }
    SelectObject(dc.Get(), old);
}

TEST(mvBaseDlg, AShownThemedDialogPaintsThroughItsFaceAndOnlyThen) {
    struct Case {
        const wchar_t* theme;
        bool themed;
    } cases[] = {{L"Dark", true}, {L"System Default", false}};
    for (const Case& c : cases) {
        ThemeScope scope(c.theme);
        ThemedDialog dialog;
        ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
        ShowWindow(dialog.m_hwnd, SW_SHOWNOACTIVATE);
        InvalidateRect(dialog.m_hwnd, nullptr, TRUE);
        UpdateWindow(dialog.m_hwnd);
        EXPECT_EQ(dialog.painted > 0, c.themed);
        EXPECT_EQ(dialog.m_frameValid, c.themed);
        DestroyWindow(dialog.m_hwnd);
    }
}
