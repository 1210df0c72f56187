#include "ui/core/MainWindowPlacement.h"

#include "foundation/Handles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include "foundation/ConfigFolders.h"
#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

namespace {

WindowHandle MakeWindow(int width, int height) {
    return WindowHandle(CreateWindowExW(0, L"Static", L"main window test", WS_OVERLAPPEDWINDOW, 0,
                                        0, width, height, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

class MainWindowPlacementTest : public ConfigFolders {
protected:
    void SetUp() override {
        ConfigFolders::SetUp();
        VQSettings& settings = Settings();
        m_saved = SavedRect();
        m_savedMax = settings.MainWndMax.Get();
        SetSaved(RECT{}, false); // first start
    }
    void TearDown() override {
        SetSaved(m_saved, m_savedMax);
        ConfigFolders::TearDown();
    }

    static RECT SavedRect() {
        const VQSettings& s = Settings();
        return RECT{s.MainWndPos_L.Get(), s.MainWndPos_T.Get(), s.MainWndPos_R.Get(),
                    s.MainWndPos_B.Get()};
    }
    static void SetSaved(const RECT& r, bool maximized) {
        VQSettings& s = Settings();
        s.MainWndPos_L.Set(r.left);
        s.MainWndPos_T.Set(r.top);
        s.MainWndPos_R.Set(r.right);
        s.MainWndPos_B.Set(r.bottom);
        s.MainWndMax.Set(maximized);
    }

    RECT m_saved{};
    bool m_savedMax = false;
};

TEST_F(MainWindowPlacementTest, SavedPlacementIsWrittenAndRestored) {
    WindowHandle window = MakeWindow(300, 200);
    ASSERT_TRUE(window) << "no window could be created";
    const RECT area = WorkAreaOf(window.Get());
    const RECT placed{area.left + 40, area.top + 30, area.left + 340, area.top + 230};
    SetWindowPos(window.Get(), nullptr, placed.left, placed.top, 300, 200,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    MainWindowPlacement(true, window.Get());
    EXPECT_EQ(Text(SavedRect()), Text(placed));
    EXPECT_FALSE(Settings().MainWndMax.Get());
    mvini file(L"global");
    ASSERT_TRUE(file.Load(PathA(kUiStatesIni)));
    EXPECT_EQ(file.GetString(L"global", L"MainWndPos_L"), std::to_wstring(placed.left));
    EXPECT_EQ(file.GetString(L"global", L"MainWndPos_B"), std::to_wstring(placed.bottom));
    EXPECT_EQ(file.GetString(L"global", L"MainWndMax"), L"false");

    // Saving for a window that is gone changes nothing.
    const std::string written = TempDir::ReadFile(PathA(kUiStatesIni));
    MainWindowPlacement(true, nullptr);
    EXPECT_EQ(Text(SavedRect()), Text(placed));
    EXPECT_EQ(TempDir::ReadFile(PathA(kUiStatesIni)), written);

    struct Case {
        int minWidth;
        int minHeight;
        RECT expected;
    };
    const Case cases[] = {
        {0, 0, placed},
        {250, 150, placed},
        {500, 400, RECT{placed.left, placed.top, placed.left + 500, placed.top + 400}},
    };
    for (const Case& c : cases) {
        WindowHandle restored = MakeWindow(100, 100);
        MainWindowPlacement(false, restored.Get(), c.minWidth, c.minHeight);
        EXPECT_EQ(Text(WindowRect(restored.Get())), Text(c.expected))
            << c.minWidth << "x" << c.minHeight;
        EXPECT_FALSE(IsZoomed(restored.Get()));
    }
}

// Under Wine without a window manager, hiding or destroying a shown window
// waits about two seconds for the display: this test costs some four seconds.
TEST_F(MainWindowPlacementTest, WindowMinimizedFromMaximizedComesBackMaximized) {
    WindowHandle window = MakeWindow(300, 200);
    ASSERT_TRUE(window) << "no window could be created";
    ShowWindow(window.Get(), SW_SHOWNORMAL);
    ShowWindow(window.Get(), SW_MAXIMIZE);
    ShowWindow(window.Get(), SW_MINIMIZE);
    MainWindowPlacement(true, window.Get());
    EXPECT_TRUE(Settings().MainWndMax.Get());

    WindowHandle restored = MakeWindow(100, 100);
    ShowWindow(restored.Get(), SW_SHOWNOACTIVATE);
    MainWindowPlacement(false, restored.Get());
    EXPECT_TRUE(IsZoomed(restored.Get()));
}

TEST_F(MainWindowPlacementTest, FirstStartCentresTheWindowInTheWorkArea) {
    WindowHandle probe = MakeWindow(100, 100);
    ASSERT_TRUE(probe) << "no window could be created";
    const RECT area = WorkAreaOf(probe.Get());
    const int areaWidth = area.right - area.left;
    const int areaHeight = area.bottom - area.top;
    const int twoThirds = static_cast<int>(static_cast<float>(areaWidth) * 2.0f / 3.0f);
    const int threeQuarters = static_cast<int>(static_cast<float>(areaHeight) * 3.0f / 4.0f);
    struct Case {
        int width, height, minWidth, minHeight;
        int expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {200, 100, 0, 0, twoThirds, threeQuarters},
        {areaWidth - 10, areaHeight - 20, 0, 0, areaWidth - 10, areaHeight - 20},
        {200, 100, areaWidth - 4, threeQuarters + 6, areaWidth - 4, threeQuarters + 6},
    };
    for (const Case& c : cases) {
        WindowHandle window = MakeWindow(c.width, c.height);
        MainWindowPlacement(false, window.Get(), c.minWidth, c.minHeight);
        const int left = area.left + areaWidth / 2 - c.expectedWidth / 2;
        const int top = area.top + areaHeight / 2 - c.expectedHeight / 2;
        EXPECT_EQ(Text(WindowRect(window.Get())),
                  Text(RECT{left, top, left + c.expectedWidth, top + c.expectedHeight}))
            << c.width << "x" << c.height;
        EXPECT_FALSE(IsZoomed(window.Get()));
    }
}

} // namespace
