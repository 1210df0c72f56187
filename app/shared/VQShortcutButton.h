// The search panel's small square preset buttons: an owner-drawn button
// whose face is one icon of the small strip on the panel's background.
// UI thread only.
#pragma once

#include "ui/controls/mvButton.h"

#include <windows.h>

class CVQShortcutButton : public mvButton {
public:
    // The icon of the small strip that every preset button shows.
    static constexpr int kIconIndex = 18;

    // Always drawn by the button itself, in every look.
    bool UsesNativeDrawing() const override { return false; }
    // The face for the painting state given in `param` (ButtonPaintState).
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // Fills the rectangle with the panel's background, draws the dotted
    // focus cue one pixel inside it when asked, and the icon centred in it.
    // True when the icon was drawn; false without a DC or rectangle, or
    // while the small strip has no image.
    bool DrawFace(HDC dc, const RECT& rect, bool focusCue);
};
