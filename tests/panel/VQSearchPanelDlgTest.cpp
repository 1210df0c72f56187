#include "panel/VQSearchPanelDlg.h"

#include "foundation/Settings.h"

#include "PanelFixture.h"
#include "support/ScopedSetting.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring MenuText(HMENU menu, UINT id) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, id, text, 128, MF_BYCOMMAND);
    return text;
}

bool Greyed(HMENU menu, UINT id) {
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

// The host inside a hidden main window of 800 x 600 client pixels.
struct HostWindow {
    explicit HostWindow(bool systemLook = true) : look(systemLook) {
        EXPECT_TRUE(main.Create(L"main", nullptr, 0, 0, 0, 800, 600, WS_OVERLAPPEDWINDOW, 0, L""));
        RECT client{0, 0, 800, 600};
        AdjustWindowRect(&client, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(main.Handle(), nullptr, 0, 0, client.right - client.left,
                     client.bottom - client.top, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_TRUE(host.BuildTemplate(150, 300));
        EXPECT_TRUE(host.CreateDialogWindow(main.Handle()));
    }
    ScopedEnglish english;
    ScopedLook look;
    ProbeWnd main;
    CVQSearchPanelDlg host;
};

} // namespace

TEST(VQSearchPanelDlg, TheSearchMenuFollowsTheStateOfTheSearch) {
    ScopedEnglish english;
    struct Case {
        const char* name;
        bool alive;
        JobKind kind;
        std::size_t results, undo;
        const wchar_t* searchText;
        bool search, within, undoOn;
        const wchar_t* undoText;
    } cases[] = {
        {"idle, nothing", false, JobIdle, 0, 0, L"Start &search\tCtrl+F3", true, false, false,
         L"&Undo search in results"},
        {"idle, results and undo", false, JobIdle, 5, 2, L"Start &search\tCtrl+F3", true, true,
         true, L"&Undo search in results\t[2]"},
        {"kind left after the end", false, JobSearch, 5, 0, L"Start &search\tCtrl+F3", true, true,
         false, L"&Undo search in results"},
        {"searching", true, JobSearch, 5, 1, L"Stop &search\tCtrl+F3", true, false, false,
         L"&Undo search in results\t[1]"},
        {"loading", true, JobLoadFile, 5, 0, L"Start &search\tCtrl+F3", false, false, false,
         L"&Undo search in results"},
        {"searching in results", true, JobSearchInResults, 5, 1, L"Start &search\tCtrl+F3", false,
         true, false, L"&Undo search in results\t[1]"},
        {"stopping", true, JobIdle, 5, 1, L"Start &search\tCtrl+F3", false, false, false,
         L"&Undo search in results\t[1]"},
    };
    for (const Case& test : cases) {
        // The three items as the shared resources build them.
        mvMenu items(true);
        ASSERT_TRUE(items.CreatePopup());
        items.AppendItem(kSearchCommand, L"x", nullptr);
        items.AppendItem(kSearchInResultsCommand, L"y", nullptr);
        items.AppendItem(kUndoSearchInResultsCommand, L"z", nullptr);
        ApplySearchMenuState(items,
                             GetSearchMenuState(test.alive, test.kind, test.results, test.undo));
        HMENU menu = items.Handle();
        EXPECT_EQ(MenuText(menu, kSearchCommand), test.searchText) << test.name;
        EXPECT_EQ(!Greyed(menu, kSearchCommand), test.search) << test.name;
        EXPECT_EQ(!Greyed(menu, kSearchInResultsCommand), test.within) << test.name;
        EXPECT_EQ(!Greyed(menu, kUndoSearchInResultsCommand), test.undoOn) << test.name;
        EXPECT_EQ(MenuText(menu, kUndoSearchInResultsCommand), test.undoText) << test.name;
    }
}

TEST(VQSearchPanelDlg, TheSplitterKeepsThePanelBetweenItsMinimumAndTheWindowLessThatMinimum) {
    HostWindow w;
    RECT button{};
    GetWindowRect(w.host.m_search.Handle(), &button);
    const int minimum =
        3 * UiTheme::Get().fonts.spacing.innerSpacing.cx + 2 * (button.right - button.left);
    MINMAXINFO info{};
    SendMessageW(w.host.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, minimum);
    EXPECT_EQ(info.ptMaxTrackSize.x, 800 - minimum);
    EXPECT_EQ(w.host.GetPreferredSize(0, nullptr, nullptr), minimum);
}

TEST(VQSearchPanelDlg, TheSplitterIsTheEdgeThatFacesTheResults) {
    for (const std::uint8_t right : {0, 1}) {
        ScopedSetting<ByteSetting> side(Settings().SearchPanelRight, UnsavedByte(right));
        HostWindow w;
        RECT window{};
        GetWindowRect(w.host.Handle(), &window);
        const int y = (window.top + window.bottom) / 2;
        const LRESULT atLeft =
            SendMessageW(w.host.Handle(), WM_NCHITTEST, 0, MAKELPARAM(window.left + 1, y));
        const LRESULT atRight =
            SendMessageW(w.host.Handle(), WM_NCHITTEST, 0, MAKELPARAM(window.right - 2, y));
        EXPECT_EQ(atLeft == HTLEFT, right != 0) << int(right);
        EXPECT_EQ(atRight == HTRIGHT, right == 0) << int(right);
    }
}

TEST(VQSearchPanelDlg, AKeyboardPressOfSearchAlwaysReachesTheMainWindow) {
    HostWindow w;
    SendMessageW(w.host.m_search.Handle(), WM_KEYUP, VK_SPACE, 0);
    SendMessageW(w.host.Handle(), WM_COMMAND, MAKEWPARAM(kSearchCommand, BN_CLICKED),
                 reinterpret_cast<LPARAM>(w.host.m_search.Handle()));
    ASSERT_FALSE(w.main.commands.empty());
    EXPECT_EQ(LOWORD(w.main.commands.back()), kSearchCommand);
}

TEST(VQSearchPanelDlg, CriteriaReadBackAreClampedToWhatTheControlsCanShow) {
    HostWindow w;
    SearchCriteria shown;
    shown.size_logic2 = 9; // out of range: the combo shows nothing
    shown.name_opt = 7;
    shown.date_part = -1;
    EXPECT_TRUE(w.host.SetCriteria(&shown));
    EXPECT_EQ(ComboSelection(w.host.m_panel.m_sizeGroup.m_logic2), -1);
    SearchCriteria read;
    EXPECT_TRUE(w.host.GetCriteria(read));
    EXPECT_EQ(read.size_logic2, OpNone);
    EXPECT_EQ(read.name_opt, NameAllPatterns);
    EXPECT_EQ(read.date_part, 0);
    CVQSearchPanelDlg unmade;
    EXPECT_FALSE(unmade.GetCriteria(read));
    EXPECT_FALSE(unmade.SetCriteria(&shown));
}

TEST(VQSearchPanelDlg, TheSearchButtonReadsCancelWhileTheWorkerLives) {
    HostWindow w;
    auto caption = [&] {
        wchar_t text[64] = {};
        GetWindowTextW(w.host.m_search.Handle(), text, 64);
        return std::wstring(text);
    };
    w.host.UpdateSearchButton();
    EXPECT_EQ(caption(), L"&Search");
    HeldWorker worker(JobSearchInResults);
    ASSERT_TRUE(worker.started);
    w.host.UpdateSearchButton();
    EXPECT_EQ(caption(), L"Cancel");
    EXPECT_FALSE(IsWindowEnabled(w.host.m_panel.m_names.Handle()));
    const SearchMenuState state = GetSearchMenuState();
    EXPECT_FALSE(state.searchEnabled);
    worker.Release();
    w.host.UpdateSearchButton();
    EXPECT_EQ(caption(), L"&Search");
    EXPECT_TRUE(IsWindowEnabled(w.host.m_panel.m_names.Handle()));
}

TEST(VQSearchPanelDlg, TheSearchButtonFollowsAShortPanelAndStaysAtTheBottomOfAFullOne) {
    for (const bool systemLook : {true, false}) {
        SCOPED_TRACE(systemLook);
        HostWindow w(systemLook);
        const int spacing = UiTheme::Get().fonts.spacing.innerSpacing.cy;
        auto inHost = [&](HWND hwnd) {
            RECT rect{};
            GetWindowRect(hwnd, &rect);
            MapWindowPoints(nullptr, w.host.Handle(), reinterpret_cast<POINT*>(&rect), 2);
            return rect;
        };
        RECT client{};
        GetClientRect(w.host.Handle(), &client);
        RECT panel = inHost(w.host.m_panel.Handle());
        RECT button = inHost(w.host.m_search.Handle());
        EXPECT_EQ(button.top, panel.bottom + spacing);
        EXPECT_LT(button.bottom, client.bottom - spacing);
        SearchCriteria everything; // every group away from its defaults
        everything.name_case = true;
        everything.word_hex = true;
        everything.size_logic1 = OpLess;
        everything.date_logic1 = OpLess;
        everything.attr = 0x80;
        w.host.SetCriteria(&everything);
        panel = inHost(w.host.m_panel.Handle());
        button = inHost(w.host.m_search.Handle());
        EXPECT_EQ(button.top, panel.bottom + spacing);
        EXPECT_EQ(button.bottom, client.bottom - spacing);
        EXPECT_GT(w.host.m_panel.m_contentHeight, panel.bottom - panel.top);
    }
}
