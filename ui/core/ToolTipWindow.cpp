#include "ui/core/ToolTipWindow.h"

namespace {

HWND g_toolTip = nullptr;

} // namespace

HWND ProgramToolTipWindow() noexcept {
    return g_toolTip;
}

void SetProgramToolTipWindow(HWND window) noexcept {
    g_toolTip = window;
}
