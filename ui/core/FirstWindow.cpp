#include "ui/core/FirstWindow.h"

#include <windows.h>

#include <commctrl.h>

void PrepareFirstWindow() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0xFF};
        InitCommonControlsEx(&controls);
        return true;
    }();
    (void)done;
}
