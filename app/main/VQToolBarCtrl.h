// The strip at the top of the main window: a rebar (id 1001) with one band
// holding a flat toolbar of open, copy, cut, delete, the six view modes as a
// check group, and help. The icons come from one of the two icon strips,
// 24 or 32 pixels a cell; the button texts serve as tooltips.
#pragma once

#include "ui/controls/mvReBarCtrl.h"
#include "ui/controls/mvToolBarCtrl.h"

#include <windows.h>

class mvimage;

// The rebar's control id in the main window.
inline constexpr int kToolBarRebarId = 1001;

// The strip's cell size (24 or 32) for the ToolbarIconSize setting (0:
// automatic) and the size of the small system icons.
int ChooseToolbarStrip(int setting, int smallIconSize);

class CVQToolBarCtrl : public mvReBarCtrl {
public:
    CVQToolBarCtrl() = default;
    ~CVQToolBarCtrl() override;

    // Builds the toolbar from the strip the settings choose of the two (a
    // missing or empty strip leaves the buttons without images) and the
    // rebar around it. False only when a window cannot be made.
    bool Create(HWND parent, const mvimage* strip24, const mvimage* strip32);
    // The same with the program's two strips (UiResources).
    bool Create(HWND parent);
    // Button texts in the current language.
    void UpdateTexts();

    int ButtonSize = 24;       // pixel size of the chosen strip
    int OpenButtonImage = -1;  // -1: the open button shows the strip's own icon
    int SpareOpenImage = -1;   // the image the main window may replace
    mvToolBarCtrl m_toolBar;
};
