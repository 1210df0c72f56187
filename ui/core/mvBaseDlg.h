// The themed dialog every dialog of the program derives from: background in
// the theme's colours painted off-screen, the UI font, and the hooks that
// set the texts, enable the controls and lay out the children.
#pragma once

#include "foundation/Handles.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/core/mvDialog.h"

class mvBaseDlg : public mvDialog, public mvtheme_control {
public:
    mvBaseDlg() = default;
    ~mvBaseDlg() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Sends the UI font to the dialog and its children, then calls SetTexts,
    // UpdateControls and Layout.
    int OnInitDialog() override;
    // Places the children; called on every size change and font change.
    virtual void Layout() {}
    // Enables and checks the controls.
    virtual void UpdateControls() {}
    // Takes the texts from the current language.
    virtual void SetTexts() {}
    // Paints over the background.
    virtual void PaintContent(HDC dc, const RECT* rect) {}

    // The background: the theme's base colour (the system's dialog colour
    // under the system look), then PaintContent.
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // A dialog whose minimum track size equals its maximum cannot be sized.
    bool IsFixedSize() const noexcept;

    SIZE m_maxTrack = {}; // maximum track size (0 = none)
    bool m_initialized = false;
};
