#include "ui/core/WindowPlacement.h"

#include <algorithm>

namespace {

MonitorInfoSource g_monitorInfo = nullptr;

// The monitor's rectangle and work area; without a monitor, the primary
// work area as both.
MONITORINFO InfoOf(HMONITOR monitor) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    const MonitorInfoSource source = g_monitorInfo != nullptr ? g_monitorInfo : GetMonitorInfoW;
    if (monitor && source(monitor, &info))
        return info;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    info.rcMonitor = info.rcWork;
    return info;
}

RECT WorkAreaOf(HMONITOR monitor) {
    return InfoOf(monitor).rcWork;
}

} // namespace

void SetMonitorInfoSource(MonitorInfoSource source) {
    g_monitorInfo = source;
}

bool CenterWindowOver(HWND window, HWND over) {
    if (!IsWindow(window) || (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0)
        return false;
    if (!IsWindow(over))
        over = GetWindow(window, GW_OWNER);

    RECT target;
    RECT area;
    if (over && IsWindowVisible(over) && !IsIconic(over)) {
        GetWindowRect(over, &target);
        area = WorkAreaOf(MonitorFromWindow(over, MONITOR_DEFAULTTONEAREST));
    } else {
        const POINT origin = {0, 0};
        area = WorkAreaOf(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY));
        target = area;
    }

    RECT own;
    GetWindowRect(window, &own);
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG x = (target.left + target.right) / 2 - width / 2;
    LONG y = (target.top + target.bottom) / 2 - height / 2;
    if (x + width > area.right)
        x = area.right - width;
    if (y + height > area.bottom)
        y = area.bottom - height;
    x = std::max(x, area.left);
    y = std::max(y, area.top);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

bool WindowPlacement(HWND window, RECT* rect, bool* maximized, bool get) {
    if (!IsWindow(window) || rect == nullptr || maximized == nullptr)
        return false;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement))
        return false;

    if (get) {
        *rect = placement.rcNormalPosition;
        *maximized = placement.showCmd == SW_SHOWMAXIMIZED ||
                     (placement.showCmd == SW_SHOWMINIMIZED &&
                      (placement.flags & WPF_RESTORETOMAXIMIZED) != 0);
        return true;
    }

    if (IsRectEmpty(rect))
        return false;
    if (*maximized && placement.showCmd != 0)
        placement.showCmd = SW_SHOWMAXIMIZED;
    else if (!IsWindowVisible(window))
        placement.showCmd = SW_HIDE;

    // Moved, never resized, so that the window comes back whole on a monitor
    // that still exists. The work area is in screen coordinates, so a
    // rectangle in workspace coordinates is compared in screen terms.
    RECT r = *rect;
    const MONITORINFO info = InfoOf(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    const bool workspace =
        (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) == 0 && (exStyle & WS_EX_TOOLWINDOW) == 0;
    const LONG dx = workspace ? info.rcWork.left - info.rcMonitor.left : 0;
    const LONG dy = workspace ? info.rcWork.top - info.rcMonitor.top : 0;
    OffsetRect(&r, dx, dy);
    const RECT& area = info.rcWork;
    if (r.right > area.right)
        OffsetRect(&r, area.right - r.right, 0);
    if (r.bottom > area.bottom)
        OffsetRect(&r, 0, area.bottom - r.bottom);
    if (r.left < area.left)
        OffsetRect(&r, area.left - r.left, 0);
    if (r.top < area.top)
        OffsetRect(&r, 0, area.top - r.top);
    OffsetRect(&r, -dx, -dy);
    placement.rcNormalPosition = r;
    return SetWindowPlacement(window, &placement) != FALSE;
}
