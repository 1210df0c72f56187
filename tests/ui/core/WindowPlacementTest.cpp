#include "ui/core/WindowHolders.h"
#include "ui/core/WindowPlacement.h"

#include "foundation/Handles.h"

#include <gtest/gtest.h>

namespace {

// A plain top-level window of the given size.
WindowHandle TestWindow(int width, int height, HWND owner = nullptr,
                        DWORD style = WS_OVERLAPPEDWINDOW) {
    return WindowHandle(CreateWindowExW(0, L"Static", L"placement test", style, 0, 0, width, height,
                                        owner, nullptr, GetModuleHandleW(nullptr), nullptr));
}

RECT PrimaryWorkArea() {
    MONITORINFO info = {sizeof info};
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

RECT WindowRect(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return r;
}

} // namespace

TEST(WindowPlacement, ARectangleCrossingTheWorkAreaIsMovedBackWithItsSize) {
    const RECT area = PrimaryWorkArea();
    const WindowHandle window = TestWindow(200, 100);
    ASSERT_TRUE(window.Get());
    struct Case {
        RECT saved;
        RECT expected;
    } cases[] = {
        {{area.right - 100, area.top + 10, area.right + 100, area.top + 110},
         {area.right - 200, area.top + 10, area.right, area.top + 110}},
        {{area.left + 10, area.bottom - 50, area.left + 210, area.bottom + 50},
         {area.left + 10, area.bottom - 100, area.left + 210, area.bottom}},
        {{area.left - 30, area.top - 40, area.left + 170, area.top + 60},
         {area.left, area.top, area.left + 200, area.top + 100}},
        {{area.left + 20, area.top + 30, area.left + 220, area.top + 130},
         {area.left + 20, area.top + 30, area.left + 220, area.top + 130}},
    };
    for (const Case& c : cases) {
        RECT saved = c.saved;
        bool maximized = false;
        EXPECT_TRUE(WindowPlacement(window.Get(), &saved, &maximized, false));
        RECT restored = {};
        maximized = true;
        EXPECT_TRUE(WindowPlacement(window.Get(), &restored, &maximized, true));
        EXPECT_TRUE(EqualRect(&restored, &c.expected))
            << restored.left << "," << restored.top << "," << restored.right << ","
            << restored.bottom;
        EXPECT_FALSE(maximized);
        EXPECT_FALSE(IsWindowVisible(window.Get())); // a hidden window stays hidden
    }
}

TEST(WindowPlacement, MaximizedStateRoundTripsAndBadArgumentsChangeNothing) {
    const WindowHandle window = TestWindow(200, 100);
    ASSERT_TRUE(window.Get());
    ShowWindow(window.Get(), SW_SHOWNORMAL);
    RECT rect = {50, 60, 350, 260};
    bool maximized = true;
    EXPECT_TRUE(WindowPlacement(window.Get(), &rect, &maximized, false));
    EXPECT_TRUE(IsZoomed(window.Get()));
    RECT read = {};
    maximized = false;
    EXPECT_TRUE(WindowPlacement(window.Get(), &read, &maximized, true));
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(EqualRect(&read, &rect));

    RECT empty = {10, 10, 10, 50};
    EXPECT_FALSE(WindowPlacement(window.Get(), &empty, &maximized, false));
    EXPECT_FALSE(WindowPlacement(nullptr, &rect, &maximized, true));
}

namespace {

// A 1600 x 1000 monitor whose work area leaves room for a taskbar.
RECT g_fakeWork = {};
BOOL FakeMonitorInfo(HMONITOR, MONITORINFO* info) {
    info->rcMonitor = {0, 0, 1600, 1000};
    info->rcWork = g_fakeWork;
    info->dwFlags = MONITORINFOF_PRIMARY;
    return TRUE;
}

} // namespace

TEST(WindowPlacement, NormalPositionsAreWorkspaceCoordinatesOfTheWorkArea) {
    struct Case {
        const char* name;
        RECT work;
        DWORD exStyle;
        RECT saved;
        RECT expected;
    } cases[] = {
        {"taskbar at the top, inside",
         {0, 40, 1600, 1000},
         0,
         {10, 10, 210, 110},
         {10, 10, 210, 110}},
        {"taskbar at the top, crossing the bottom",
         {0, 40, 1600, 1000},
         0,
         {10, 900, 210, 1000},
         {10, 860, 210, 960}},
        {"taskbar at the left, crossing the right",
         {60, 0, 1600, 1000},
         0,
         {1400, 10, 1600, 110},
         {1340, 10, 1540, 110}},
        {"taskbar at the left, at the left edge",
         {60, 0, 1600, 1000},
         0,
         {0, 10, 200, 110},
         {0, 10, 200, 110}},
        {"tool windows use screen coordinates",
         {0, 40, 1600, 1000},
         WS_EX_TOOLWINDOW,
         {10, 10, 210, 110},
         {10, 40, 210, 140}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_fakeWork = c.work;
        const WindowHandle window(CreateWindowExW(c.exStyle, L"Static", L"placement test",
                                                  WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                                  nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(window.Get());
        SetMonitorInfoSource(FakeMonitorInfo);
        RECT saved = c.saved;
        bool maximized = false;
        EXPECT_TRUE(WindowPlacement(window.Get(), &saved, &maximized, false));
        SetMonitorInfoSource(nullptr);
        RECT restored = {};
        ASSERT_TRUE(WindowPlacement(window.Get(), &restored, &maximized, true));
        EXPECT_EQ(restored.left, c.expected.left);
        EXPECT_EQ(restored.top, c.expected.top);
        EXPECT_EQ(restored.right, c.expected.right);
        EXPECT_EQ(restored.bottom, c.expected.bottom);
    }
}

TEST(CenterWindowOver, CentresOverAVisibleOwnerElseOnThePrimaryWorkArea) {
    const RECT area = PrimaryWorkArea();
    const WindowHandle owner = TestWindow(400, 300);
    ASSERT_TRUE(owner.Get());
    SetWindowPos(owner.Get(), nullptr, area.left + 100, area.top + 50, 400, 300,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(owner.Get(), SW_SHOWNOACTIVATE);
    const WindowHandle dialog = TestWindow(200, 101, owner.Get(), WS_POPUP | WS_CAPTION);
    ASSERT_TRUE(dialog.Get());

    EXPECT_TRUE(CenterWindowOver(dialog.Get()));
    RECT r = WindowRect(dialog.Get());
    const RECT o = WindowRect(owner.Get());
    EXPECT_EQ(r.left, (o.left + o.right) / 2 - 100);
    EXPECT_EQ(r.top, (o.top + o.bottom) / 2 - 50);
    EXPECT_EQ(r.right - r.left, 200);

    // An owner near the bottom-right corner: the dialog stays inside.
    SetWindowPos(owner.Get(), nullptr, area.right - 100, area.bottom - 50, 400, 300,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(CenterWindowOver(dialog.Get()));
    r = WindowRect(dialog.Get());
    EXPECT_EQ(r.right, area.right);
    EXPECT_EQ(r.bottom, area.bottom);

    ShowWindow(owner.Get(), SW_MINIMIZE);
    EXPECT_TRUE(CenterWindowOver(dialog.Get()));
    r = WindowRect(dialog.Get());
    EXPECT_EQ(r.left, (area.left + area.right) / 2 - 100);
    EXPECT_EQ(r.top, (area.top + area.bottom) / 2 - 50);
}

TEST(CenterWindowOver, RefusesChildWindowsAndNonWindows) {
    const WindowHandle parent = TestWindow(400, 300);
    const WindowHandle child = TestWindow(50, 50, parent.Get(), WS_CHILD);
    ASSERT_TRUE(child.Get());
    SetWindowPos(child.Get(), nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_FALSE(CenterWindowOver(child.Get(), parent.Get()));
    POINT p = {0, 0};
    MapWindowPoints(child.Get(), parent.Get(), &p, 1);
    EXPECT_EQ(p.x, 5);
    EXPECT_FALSE(CenterWindowOver(nullptr));
}
