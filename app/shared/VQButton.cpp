#include "app/shared/VQButton.h"

#include "ui/core/Measure.h"
#include "ui/theme/UiTheme.h"

#include <windowsx.h>

bool ApplyDialogUnitSize(HWND hwnd, SIZE dialogUnits) {
    if (hwnd == nullptr || !IsWindow(hwnd))
        return false;
    auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    if (font == nullptr)
        font = UiTheme::Get().fonts.normal.Get();
    const std::uint64_t pixels = DialogUnitsToPixels(PackXY(dialogUnits.cx, dialogUnits.cy), font);
    return SetWindowPos(hwnd, nullptr, 0, 0, PackedX(pixels), PackedY(pixels),
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

CVQButton<mvButton_Dropdown>::CVQButton() {
    m_arrowSize = 7;
    m_releasedByMouse = false;
}

void CVQButton<mvButton_Dropdown>::SetArrowHot(bool hot) {
    if (hot == m_arrowHot)
        return;
    m_arrowHot = hot;
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

LRESULT CVQButton<mvButton_Dropdown>::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE: {
        const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT arrow = ArrowRect();
        SetArrowHot(PtInRect(&arrow, at) != FALSE);
        break;
    }
    case WM_MOUSELEAVE:
        SetArrowHot(false);
        break;
    case WM_LBUTTONUP:
        m_releasedByMouse = true;
        break;
    case WM_KEYUP:
        m_releasedByMouse = false;
        break;
    default:
        break;
    }
    return CVQButtonSized<mvButton_Dropdown>::WindowProc(message, wParam, lParam);
}
