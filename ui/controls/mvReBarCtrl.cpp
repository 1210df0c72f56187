#include "ui/controls/mvReBarCtrl.h"

#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

#include <commctrl.h>

mvReBarCtrl::~mvReBarCtrl() {
    // While the theme part still lives: destroying the window runs this
    // class's window procedure.
    Detach(true);
}

LRESULT mvReBarCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    if (UiTheme::Get().IsThemeChange(message, lParam)) {
        InvalidateRect(m_hwnd, nullptr, TRUE);
        SendToChildren(m_hwnd, message, wParam, lParam);
    }
    // WM_HELP goes to the application there, everything else on to the
    // native rebar.
    return mvWnd::WindowProc(message, wParam, lParam);
}

bool mvReBarCtrl::OnReflectNotify(NMHDR* header, LRESULT* result) {
    if (header->code != static_cast<UINT>(NM_CUSTOMDRAW))
        return false;
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(header);
    *result = 0;
    if (draw->dwDrawStage == CDDS_PREPAINT && !SystemLook()) {
        FillSolidRect(draw->hdc, draw->rc, ThemeColour(ThemeBase));
        *result = CDRF_NOTIFYITEMDRAW;
    }
    return true;
}
