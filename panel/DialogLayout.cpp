#include "panel/DialogLayout.h"

#include "ui/core/mvDialog.h"
#include "ui/theme/UiTheme.h"

#include <commctrl.h>

SIZE WindowSize(HWND hwnd) {
    RECT rect{};
    if (!GetWindowRect(hwnd, &rect))
        return {0, 0};
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void MoveChild(HWND hwnd, int x, int y) {
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MoveChild(HWND hwnd, int x, int y, int cx, int cy) {
    SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT InnerClientRect(HWND dialog) {
    const SIZE margin = UiTheme::Get().fonts.spacing.outerMargin;
    RECT rect{};
    GetClientRect(dialog, &rect);
    InflateRect(&rect, -margin.cx, -margin.cy);
    return rect;
}

void SizeClientAndCentre(mvDialog& dialog, int cx, int cy, bool atLeastSquare) {
    const HWND hwnd = dialog.m_hwnd;
    RECT frame = {0, 0, cx, cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    if (atLeastSquare && height < width)
        height = width;
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    dialog.CenterWindow();
}

int ListRowsHeight(HWND list) {
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const LRESULT size = SendMessageW(list, LVM_APPROXIMATEVIEWRECT, static_cast<WPARAM>(count),
                                      MAKELPARAM(-1, -1));
    return HIWORD(size);
}
