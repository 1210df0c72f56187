#include "panel/ScrollPanelCtrl.h"

void ScrollControlIntoView(HWND control) {
    HWND child = control;
    while (child != nullptr && (GetWindowLongW(child, GWL_STYLE) & WS_CHILD) != 0) {
        HWND parent = GetParent(child);
        if (auto* panel = dynamic_cast<mvScrollPanel*>(mvWnd::FromHandle(parent))) {
            panel->ScrollIntoView(child);
            return;
        }
        child = parent;
    }
}
