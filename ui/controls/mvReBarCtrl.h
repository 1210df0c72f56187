// The rebar base of the application's toolbar strip: a native
// "ReBarWindow32" whose background follows the colour theme through custom
// drawing, which passes the theme change down to the windows it carries and
// sends F1 help to the application.
#pragma once

#include "ui/theme/BufferedPaint.h"
#include "ui/core/mvWnd.h"

#include <windows.h>

class mvReBarCtrl : public mvWnd, public mvtheme_control {
public:
    mvReBarCtrl() = default;
    ~mvReBarCtrl() override;

    // The theme change invalidates the rebar and goes on to every child;
    // WM_HELP goes to the application; the rest to the native rebar.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // NM_CUSTOMDRAW: in the own colours the whole rebar is filled with the
    // base colour before the bands are drawn; every stage is answered.
    bool OnReflectNotify(NMHDR* header, LRESULT* result) override;
    // The rebar paints through the native control and custom drawing.
    void Draw(HDC, const RECT*, LPARAM) override {}
};
