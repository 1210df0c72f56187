#include "ui/core/MainWindowPlacement.h"

#include "foundation/Settings.h"
#include "ui/core/WindowPlacement.h"

#include <algorithm>

namespace {

void SavePlacement(VQSettings& settings, HWND window) {
    RECT rect{};
    bool maximized = false;
    if (!WindowPlacement(window, &rect, &maximized, true))
        return;
    settings.MainWndPos_L.Set(rect.left);
    settings.MainWndPos_T.Set(rect.top);
    settings.MainWndPos_R.Set(rect.right);
    settings.MainWndPos_B.Set(rect.bottom);
    settings.MainWndMax.Set(maximized);
    settings.SaveGroup(2);
}

// First start: nothing saved yet.
void CenterInWorkArea(HWND window, int minWidth, int minHeight) {
    RECT area{};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
        area = info.rcWork;
    if (IsRectEmpty(&area))
        GetWindowRect(GetDesktopWindow(), &area);
    RECT current{};
    GetWindowRect(window, &current);
    const int areaWidth = area.right - area.left;
    const int areaHeight = area.bottom - area.top;
    const int width =
        std::max({static_cast<int>(current.right - current.left),
                  static_cast<int>(static_cast<float>(areaWidth) * 2.0f / 3.0f), minWidth});
    const int height =
        std::max({static_cast<int>(current.bottom - current.top),
                  static_cast<int>(static_cast<float>(areaHeight) * 3.0f / 4.0f), minHeight});
    SetWindowPos(window, nullptr, area.left + areaWidth / 2 - width / 2,
                 area.top + areaHeight / 2 - height / 2, width, height,
                 SWP_NOACTIVATE | SWP_NOZORDER);
}

} // namespace

void MainWindowPlacement(bool save, HWND window, int minWidth, int minHeight) {
    VQSettings& settings = Settings();
    if (save) {
        if (IsWindow(window))
            SavePlacement(settings, window);
        return;
    }
    RECT rect{settings.MainWndPos_L.Get(), settings.MainWndPos_T.Get(), settings.MainWndPos_R.Get(),
              settings.MainWndPos_B.Get()};
    if (IsRectEmpty(&rect)) {
        if (IsWindow(window))
            CenterInWorkArea(window, minWidth, minHeight);
        return;
    }
    if (minWidth > 0 && rect.right - rect.left < minWidth)
        rect.right = rect.left + minWidth;
    if (minHeight > 0 && rect.bottom - rect.top < minHeight)
        rect.bottom = rect.top + minHeight;
    bool maximized = settings.MainWndMax.Get();
    WindowPlacement(window, &rect, &maximized, false);
}
