#include "app/main/VQDlg.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"
#include "search/Notifier.h"
#include "ui/core/ComctlVersion.h"
#include "ui/theme/UiTheme.h"
#include "support/ScopedSetting.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// The main window, shown at 900 x 600, with its settings files in a
// temporary folder.
class MainWindow {
public:
    MainWindow() {
        SetConfigBaseFolders(m_dir.Path(), m_dir.Path());
        m_window = std::make_unique<CVQDlg>();
        created = m_window->CreateDialogWindow(nullptr);
        if (created) {
            SetWindowPos(Hwnd(), nullptr, 50, 50, 900, 600, SWP_NOZORDER | SWP_NOACTIVATE);
            ShowWindow(Hwnd(), SW_SHOWNA);
            Pump();
        }
    }
    ~MainWindow() {
        m_window.reset();
        // As the program does once its window has gone: the notifier the
        // window started ends before the process does.
        StopNotifierThread();
        SetConfigBaseFolders(L"", L"");
    }

    CVQDlg& operator*() { return *m_window; }
    CVQDlg* operator->() { return m_window.get(); }
    HWND Hwnd() const { return m_window->m_hwnd; }
    HWND Host() const { return m_window->m_searchPanel.m_hwnd; }
    HWND List() const { return m_window->m_list.m_hwnd; }
    const TempDir& Dir() const { return m_dir; }

    // A child's rectangle in the window's client coordinates.
    RECT Place(HWND child) const {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    RECT Client() const {
        RECT rect{};
        GetClientRect(Hwnd(), &rect);
        return rect;
    }

    static void Pump() {
        MSG msg;
        for (int round = 0; round < 3; ++round) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(10);
        }
    }

    bool created = false;

private:
    TempDir m_dir;
    std::unique_ptr<CVQDlg> m_window;
};

int Width(const RECT& rect) {
    return rect.right - rect.left;
}

// The line below the toolbar takes a pixel unless the system draws the
// frame natively.
int SeparatorHeight() {
    return IsThemedComctl() && SystemLook() ? 0 : 1;
}

} // namespace

TEST(VQDlg, LaysOutToolbarPanelListAndStatusBarByTheSettings) {
    const struct {
        const char* what;
        bool toolbar;
        uint8_t right;
        bool autoHide;
    } cases[] = {
        {"panel left", true, 0, false},
        {"panel right", true, 1, false},
        {"toolbar hidden", false, 0, false},
        {"panel sliding over the list", true, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedBoolSetting toolbar(Settings().Toolbar, c.toolbar);
        ScopedByteSetting side(Settings().SearchPanelRight, c.right);
        ScopedBoolSetting autoHide(Settings().SearchPanelAutoHide, c.autoHide);
        ScopedBoolSetting statusBar(Settings().StatusBar, true);
        MainWindow window;
        ASSERT_TRUE(window.created);
        ASSERT_NE(window.Host(), nullptr);
        const RECT client = window.Client();
        const RECT list = window.Place(window.List());
        const RECT host = window.Place(window.Host());
        const RECT status = window.Place(window->m_statusBar.m_hwnd);
        const int top =
            (c.toolbar ? window.Place(window->ToolBarWindow()).bottom : 0) + SeparatorHeight();
        EXPECT_EQ(list.top, top);
        EXPECT_EQ(host.top, top);
        EXPECT_EQ(list.bottom, status.top);
        EXPECT_EQ(host.bottom, status.top);
        EXPECT_EQ(status.bottom, client.bottom);
        EXPECT_EQ(c.right ? host.right : host.left, c.right ? client.right : 0);
        if (c.autoHide) {
            EXPECT_EQ(list.left, 0);
            EXPECT_EQ(list.right, client.right);
        } else if (c.right) {
            EXPECT_EQ(list.left, 0);
            EXPECT_EQ(list.right, host.left);
        } else {
            EXPECT_EQ(list.left, host.right);
            EXPECT_EQ(list.right, client.right);
        }
    }
}

TEST(VQDlg, APanelWiderThanTheRoomIsNarrowedOnTheNextLayout) {
    ScopedBoolSetting autoHide(Settings().SearchPanelAutoHide, false);
    MainWindow window;
    ASSERT_TRUE(window.created);
    const int minimum = window->m_searchPanel.m_minWidth;
    ASSERT_GT(minimum, 0);
    SetWindowPos(window.Host(), nullptr, 0, 0, 5000, 300, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(window.Hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(890, 560));
    EXPECT_EQ(Width(window.Place(window.Host())), Width(window.Client()) - minimum);
    // And one narrower than its minimum is widened to it.
    SetWindowPos(window.Host(), nullptr, 0, 0, 10, 300, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(window.Hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(890, 560));
    EXPECT_EQ(Width(window.Place(window.Host())), minimum);
}

TEST(VQDlg, AWindowSmallerThanItsMinimumAfterAFontChangeIsEnlargedAtOnce) {
    MainWindow window;
    ASSERT_TRUE(window.created);
    const SIZE minimum = window->m_minTrack;
    ASSERT_GT(minimum.cx, 2 * window->m_searchPanel.m_minWidth);
    ASSERT_GT(minimum.cy, window->m_searchPanel.m_minHeight);
    SetWindowPos(window.Hwnd(), nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(window.Hwnd(), WM_SETFONT,
                 reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()), 0);
    RECT rect{};
    GetWindowRect(window.Hwnd(), &rect);
    EXPECT_GE(Width(rect), minimum.cx);
    EXPECT_GE(rect.bottom - rect.top, minimum.cy);
}

TEST(VQDlg, TheCornerSizesTheWindowAndThePanelEdgeFacingTheListSizesThePanel) {
    for (const uint8_t right : {0, 1}) {
        SCOPED_TRACE(right ? "panel right" : "panel left");
        ScopedByteSetting side(Settings().SearchPanelRight, right);
        ScopedBoolSetting autoHide(Settings().SearchPanelAutoHide, false);
        MainWindow window;
        ASSERT_TRUE(window.created);
        RECT client = window.Client();
        MapWindowPoints(window.Hwnd(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        const auto hit = [](HWND hwnd, int x, int y) {
            return SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        };
        EXPECT_EQ(hit(window.Hwnd(), client.right - 2, client.bottom - 2), HTBOTTOMRIGHT);
        EXPECT_EQ(hit(window.Hwnd(), client.right - 12, client.bottom - 2) == HTBOTTOMRIGHT, false);

        RECT host{};
        GetWindowRect(window.Host(), &host);
        const int middle = (host.top + host.bottom) / 2;
        EXPECT_EQ(hit(window.Host(), right ? host.left + 1 : host.right - 2, middle),
                  right ? HTLEFT : HTRIGHT);
        EXPECT_EQ(hit(window.Host(), right ? host.right - 2 : host.left + 1, middle), HTCLIENT);
    }
}

TEST(VQDlg, AHidingPanelSlidesInAtItsEdgeAndOutWhenTheMouseLeaves) {
    for (const uint8_t right : {0, 1}) {
        SCOPED_TRACE(right ? "panel right" : "panel left");
        ScopedByteSetting side(Settings().SearchPanelRight, right);
        ScopedBoolSetting autoHide(Settings().SearchPanelAutoHide, true);
        MainWindow window;
        ASSERT_TRUE(window.created);
        SetFocus(window.List());
        RECT host{};
        GetWindowRect(window.Host(), &host);
        const int middle = (host.top + host.bottom) / 2;
        const int strip = 2 * GetSystemMetrics(SM_CXVSCROLL);
        const POINT inList = {right ? host.left - 50 : host.right + 50, middle};
        const POINT atEdge = {right ? host.right - strip + 2 : host.left + strip - 2, middle};
        const POINT pastStrip = {right ? host.right - strip - 2 : host.left + strip + 2, middle};
        const auto visible = [&] { return IsWindowVisible(window.Host()) != FALSE; };

        // Whether it came up shown depends on where the cursor was.
        window->AutoShowSearchPanel(&atEdge, false);
        ASSERT_TRUE(visible());
        EXPECT_FALSE(window->AutoShowSearchPanel(&atEdge, false));
        EXPECT_TRUE(window->AutoShowSearchPanel(&inList, false));
        EXPECT_FALSE(visible());
        // Hidden, only the strip along the docking edge brings it back.
        EXPECT_FALSE(window->AutoShowSearchPanel(&pastStrip, false));
        EXPECT_FALSE(visible());
        EXPECT_TRUE(window->AutoShowSearchPanel(&atEdge, false));
        EXPECT_TRUE(visible());
        // With the focus inside, it stays wherever the mouse goes.
        SetFocus(GetDlgItem(window.Host(), kCommandSearch));
        EXPECT_FALSE(window->AutoShowSearchPanel(&inList, false));
        EXPECT_TRUE(visible());
    }
}

TEST(VQDlg, ClosingSavesThePlacementThePanelWidthAndTheDefaultSearch) {
    for (const bool autoSave : {false, true}) {
        SCOPED_TRACE(autoSave ? "default search saved" : "default search left alone");
        ScopedBoolSetting save(Settings().AutoSaveDefSearch, autoSave);
        MainWindow window;
        ASSERT_TRUE(window.created);
        // A default search from before; criteria equal to the defaults
        // delete it when it is saved.
        const std::wstring defaults =
            window.Dir().WriteFile(L"Config\\defsearch.ini", "[global]\r\nname = *.txt\r\n");
        SetWindowPos(window.Hwnd(), nullptr, 61, 42, 880, 590, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(window.Host(), nullptr, 0, 0, 280, 300, SWP_NOMOVE | SWP_NOZORDER);
        RECT rect{};
        GetWindowRect(window.Hwnd(), &rect);
        DestroyWindow(window.Hwnd());
        const VQSettings& settings = Settings();
        EXPECT_EQ(settings.MainWndPos_L.Get(), rect.left);
        EXPECT_EQ(settings.MainWndPos_T.Get(), rect.top);
        EXPECT_EQ(settings.MainWndPos_R.Get(), rect.right);
        EXPECT_EQ(settings.MainWndPos_B.Get(), rect.bottom);
        EXPECT_EQ(settings.SearchPanelWidth.Get(), 280);
        mvini states;
        states.Load(window.Dir() / L"Config\\uistates.ini");
        EXPECT_EQ(states.GetString(L"global", L"MainWndPos_R"), std::to_wstring(rect.right));
        EXPECT_EQ(GetFileAttributesW(defaults.c_str()) == INVALID_FILE_ATTRIBUTES, autoSave);
    }
}
