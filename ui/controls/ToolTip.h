// The program's one tooltip window, drawn in the theme colours unless the
// system look is on.
#pragma once

#include "ui/theme/BufferedPaint.h"
#include "ui/core/mvWnd.h"

#include <windows.h>

class mvToolTipCtrl : public mvWnd, public mvtheme_control {
public:
    mvToolTipCtrl() = default;
    ~mvToolTipCtrl() override;

    // The program's tooltip; created by Create on demand.
    static mvToolTipCtrl& Global();

    // Creates and binds the tooltip window: topmost, transparent to the
    // mouse, in the normal UI font. True at once when it is already bound;
    // false when the window cannot be created.
    bool Create();
    // Removes the tool of the window from the global tooltip.
    static void RemoveTool(HWND tool);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Fills the rectangle in the theme's base colour, frames it and draws the
    // current tool's text.
    void Draw(HDC dc, const RECT* rect, LPARAM parameter) override;
};
