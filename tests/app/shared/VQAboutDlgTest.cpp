#include "app/shared/VQAboutDlg.h"

#include "foundation/Language.h"
#include "ui/theme/UiTheme.h"

#include "support/Canvas.h"
#include "support/MessagePump.h"
#include "support/TempDir.h"
#include "ui/ProbeWnd.h"
#include "ui/ScopedLook.h"

#include "LanguageScope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace {

// The system's application icon as the program's, for one test.
class IconScope {
public:
    IconScope() {
        UiTheme::Get().icons.SetIcon(AppIconLarge, LoadIconW(nullptr, IDI_APPLICATION), false, 32,
                                     32);
    }
    ~IconScope() { UiTheme::Get().icons.SetIcon(AppIconLarge, nullptr, false, 0, 0); }
};

std::wstring Text(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

RECT Place(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void SetCtrlAlt(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    for (int key : {VK_CONTROL, VK_LCONTROL, VK_MENU, VK_LMENU})
        keys[key] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

} // namespace

TEST(CVQAboutDlg, TheTextsAreTheLanguagesCleanedLikeMenuCaptions) {
    struct Case {
        const char* language;
        const wchar_t* title;
        const wchar_t* help;
        const wchar_t* close;
        const wchar_t* donate;
    } cases[] = {
        {"[global]\nhelp = &Help\\tF1\nclose = &Close...\n"
         "[menu_help]\nabout = &About Velquin...\\tF1\ndonate = &Donate...\n",
         L"About Velquin", L"&Help", L"&Close...", L"&Donate"},
        {"[global]\nhelp = \\tF1\n[menu_help]\nabout = &About.\ndonate = Give && take..\n",
         L"About.", L"", L"", L"Give && take"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        LanguageScope language(c.language);
        ASSERT_TRUE(language.loaded);
        CVQAboutDlg dialog;
        ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
        EXPECT_EQ(Text(dialog.m_hwnd), c.title);
        EXPECT_EQ(Text(dialog.m_help.m_hwnd), c.help);
        EXPECT_EQ(Text(dialog.m_close.m_hwnd), c.close);
        EXPECT_EQ(Text(dialog.m_donate.m_hwnd), c.donate);
        EXPECT_FALSE(Text(dialog.m_link.m_hwnd).empty()) << "the maker";
        DestroyWindow(dialog.m_hwnd);
    }
}

// Help, donate and the link tell the opener once per click and leave the
// box open; close ends the box.
TEST(CVQAboutDlg, TheButtonsTellTheOpenerAndCloseEndsTheBox) {
    ProbeWnd owner;
    ASSERT_TRUE(CreateTopLevel(owner));
    CVQAboutDlg dialog;
    std::thread clicker([ui = GetCurrentThreadId()] {
        HWND box = nullptr;
        for (int i = 0; i < 400 && box == nullptr; ++i) {
            EnumThreadWindows(
                ui,
                [](HWND hwnd, LPARAM found) -> BOOL {
                    if (!IsWindowVisible(hwnd) || GetDlgItem(hwnd, kAboutLinkId) == nullptr)
                        return TRUE;
                    *reinterpret_cast<HWND*>(found) = hwnd;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&box));
            Sleep(25);
        }
        for (int id : {kAboutHelpId, kAboutDonateId, kAboutLinkId, kAboutHelpId})
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
        Sleep(200);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, IDCANCEL)));
    });
    EXPECT_EQ(dialog.DoModal(owner.m_hwnd), IDCANCEL);
    clicker.join();
    PumpMessages();
    const std::vector<WPARAM> expected = {
        MAKEWPARAM(kAboutHelpId, BN_CLICKED), MAKEWPARAM(kAboutDonateId, BN_CLICKED),
        MAKEWPARAM(kAboutLinkId, BN_CLICKED), MAKEWPARAM(kAboutHelpId, BN_CLICKED)};
    EXPECT_EQ(owner.commands, expected);
}

TEST(CVQAboutDlg, TheBoxSizesItselfFromItsContentAndPlacesTheButtonsAtTheRight) {
    for (bool withIcon : {false, true}) {
        SCOPED_TRACE(withIcon);
        IconScope* icon = withIcon ? new IconScope : nullptr;
        CVQAboutDlg dialog;
        ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
        const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
        const SIZE m = spacing.outerMargin;
        RECT client{};
        GetClientRect(dialog.m_hwnd, &client);
        const RECT help = Place(dialog.m_hwnd, dialog.m_help.m_hwnd);
        const RECT close = Place(dialog.m_hwnd, dialog.m_close.m_hwnd);
        const RECT donate = Place(dialog.m_hwnd, dialog.m_donate.m_hwnd);
        const RECT link = Place(dialog.m_hwnd, dialog.m_link.m_hwnd);

        const int h = close.bottom - close.top;
        const int boldLine = mvtheme_control::GetTextHeight(UiTheme::Get().fonts.bold.Get());
        const int iconSize = withIcon ? 32 : 0;
        const int a = std::max<int>(boldLine + (link.bottom - link.top), iconSize);
        const int b = spacing.innerSpacing.cy + 2 * h;
        EXPECT_EQ(client.bottom, h + 4 * m.cy + std::max(a, b));
        EXPECT_EQ(client.right, static_cast<int>(client.bottom * 2.85));

        EXPECT_EQ(help.right, client.right - m.cx);
        EXPECT_EQ(close.right, client.right - m.cx);
        EXPECT_EQ(donate.right, client.right - m.cx);
        EXPECT_EQ(help.top, m.cy);
        EXPECT_EQ(close.top, help.bottom + spacing.innerSpacing.cy);
        EXPECT_EQ(donate.bottom, client.bottom - m.cy);
        EXPECT_EQ(link.left, m.cx + iconSize + spacing.halfMargin.cx);
        EXPECT_EQ(link.top, m.cy + boldLine);
        EXPECT_EQ(GetFocus(), dialog.m_close.m_hwnd);
        DestroyWindow(dialog.m_hwnd);
        delete icon;
    }
}

// Below the link the copyright text ends at the bottom margin; without one
// nothing is drawn there.
TEST(CVQAboutDlg, TheCopyrightTextSitsAtTheBottomAndAnEmptyOneDrawsNothing) {
    ScopedLook look(false);
    for (bool withText : {false, true}) {
        SCOPED_TRACE(withText);
        LanguageScope language(withText ? "[global]\ncopyright = Made with care\n" : "[x]\ny=z\n");
        ASSERT_TRUE(language.loaded);
        CVQAboutDlg dialog;
        ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
        RECT client{};
        GetClientRect(dialog.m_hwnd, &client);
        const COLORREF back = ThemeColour(ThemeBase);
        Canvas canvas(client.right, client.bottom, back);
        SelectObject(canvas.Dc(), dialog.Font());
        dialog.Draw(canvas.Dc(), &client, 0);
        const RECT link = Place(dialog.m_hwnd, dialog.m_link.m_hwnd);
        const RECT help = Place(dialog.m_hwnd, dialog.m_help.m_hwnd);
        const SIZE m = UiTheme::Get().fonts.spacing.outerMargin;
        int title = 0, below = 0, lowest = -1;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < help.left; ++x)
                if (canvas.At(x, y) != back) {
                    if (y < link.top)
                        ++title;
                    else if (y >= link.bottom) {
                        ++below;
                        lowest = y;
                    }
                }
        EXPECT_GT(title, 0) << "the name line";
        EXPECT_EQ(below > 0, withText);
        if (withText) {
            EXPECT_LT(lowest, client.bottom - m.cy);
            EXPECT_GT(lowest, client.bottom - m.cy - 8) << "the text ends at the margin";
        }
        DestroyWindow(dialog.m_hwnd);
    }
}

TEST(CVQAboutDlg, OnlyACtrlAltDoubleClickOnTheIconMakesItBlink) {
    IconScope icon;
    CVQAboutDlg dialog;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
    ShowWindow(dialog.m_hwnd, SW_SHOWNOACTIVATE);
    const SIZE m = UiTheme::Get().fonts.spacing.outerMargin;
    struct Case {
        bool ctrlAlt;
        int x;
        bool blinks;
    } cases[] = {{false, m.cx + 5, false}, {true, m.cx + 40, false}, {true, m.cx + 5, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ctrlAlt << " " << c.x);
        UpdateWindow(dialog.m_hwnd);
        SetCtrlAlt(c.ctrlAlt);
        const auto start = std::chrono::steady_clock::now();
        SendMessageW(dialog.m_hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(c.x, m.cy + 5));
        const auto took = std::chrono::steady_clock::now() - start;
        SetCtrlAlt(false);
        EXPECT_EQ(took >= std::chrono::milliseconds(900), c.blinks);
        RECT pending{};
        EXPECT_EQ(GetUpdateRect(dialog.m_hwnd, &pending, FALSE) != FALSE, c.blinks);
    }
    DestroyWindow(dialog.m_hwnd);
}

TEST(CVQAboutDlg, TheVersionShowsThreeParts) {
    struct Case {
        const wchar_t* given;
        const wchar_t* shown;
    } cases[] = {
        {L"1.0.3.0", L"1.0.3"}, {L"2.10.7.1234", L"2.10.7"}, {L"1.0.3", L"1.0.3"}, {L"", L""}};
    for (const Case& c : cases)
        EXPECT_EQ(ShortVersion(c.given), c.shown) << c.given;
}
