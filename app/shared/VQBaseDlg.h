// The base of every dialog of the program and of its top-level windows: the
// library's themed dialog, which can also take over its whole painting, so
// that a dialog drawing its own content (an icon, a title line) shows it in
// the system look as well.
#pragma once

#include "ui/core/mvBaseDlg.h"

#include <cstdint>

class CVQBaseDlg : public mvBaseDlg {
public:
    CVQBaseDlg() = default;

    // With the custom-paint flag: WM_PAINT paints the background and
    // PaintContent off-screen in one block, under the system look too, and
    // WM_ERASEBKGND leaves the background to it. Everything else, and every
    // message of a dialog without the flag, goes to the library dialog.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Set by default; a window that paints its frame itself clears it in its
    // constructor.
    std::uint8_t m_customPaint = 1;
};
