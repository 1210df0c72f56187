// The library's push button: a native "Button" window that draws itself in
// the system look, or is turned into an owner-drawn button painted in the
// colour theme with hover, pushed, focused, default and disabled states.
// UI thread only.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvstring.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/core/WindowHolders.h"
#include "ui/core/mvWnd.h"

#include <windows.h>

// The colours and states a button paints with; zeroed before each query.
struct ButtonPaintState {
    COLORREF back = 0;
    COLORREF text = 0;
    COLORREF border = 0;
    bool focusRect = false;  // draw the focus rectangle
    bool showPrefix = false; // underline accelerators
    bool hot = false;
    bool pushed = false;
    bool focused = false;
    bool disabled = false;
    COLORREF fill = 0; // check boxes, the split arrow and groups
    COLORREF mark = 0;
};

class mvButton : public mvWnd, public mvtheme_control {
public:
    mvButton() = default;
    ~mvButton() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Reads caption and style and applies the drawing mode.
    void OnAttached() override;
    void OnReflectDrawItem(DRAWITEMSTRUCT* item) override;

    // True when the native control draws: the system look with all four
    // sides, or with visual styles.
    virtual bool UsesNativeDrawing() const;
    // Draws the caption.
    virtual void DrawContent(HDC dc, RECT& rect, const ButtonPaintState& state);
    virtual void GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state);
    virtual void AutoSize() {}
    virtual void SetBorderSides(bool left, bool right, bool top, bool bottom);
    virtual void SetBorderMask(unsigned mask);
    // Horizontal 1 centre, 2 right, else left; vertical 4 centre, 8 bottom,
    // else top.
    virtual void SetAlignment(unsigned flags);
    virtual void SetHideFocus(bool hide);
    // Null clears the tooltip; an empty text shows the caption.
    virtual void SetToolTipText(const wchar_t* text);

    // The push-button face; `param` is the ButtonPaintState.
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // Style bits the button keeps, with the type the caller gave even while
    // the window is owner-drawn.
    DWORD Style() const noexcept { return m_style; }
    unsigned Sides() const noexcept { return m_sides; }
    const mvstring& Caption() const noexcept { return m_caption; }
    bool IsOwnerDrawn() const;

    // Public: the application sets it on selected buttons.
    bool m_defaultAsHot = false;

protected:
    // Native or owner-drawn by UsesNativeDrawing, and the visual-style data.
    void ApplyDrawingMode();
    void UpdateToolTip();
    // Stops animations, forgets the last face and repaints a visible button.
    void Refresh();
    // DrawTextW flags of the caption for the alignment bits.
    UINT CaptionFlags(const ButtonPaintState& state) const;
    // The visual-style state: pressed 3, disabled 4, hot 2, focused or
    // default 5 (2 with m_defaultAsHot), else 1.
    int ThemeState(const ButtonPaintState& state) const;

    bool m_tracking = false;
    DWORD m_style = 0xF00; // BS_CENTER | BS_VCENTER
    unsigned m_sides = 15;
    mvstring m_caption;
    mvstring m_toolTip;
    bool m_hideFocus = false;
    ThemeHandle m_theme;
};

// Creates a "Button" child with the style plus WS_CHILD, WS_VISIBLE,
// WS_CLIPSIBLINGS and WS_TABSTOP, gives it the UI font and attaches the
// object (unless attached already). False when the window cannot be made.
bool CreateButtonWindow(mvButton& button, HWND parent, int id, DWORD style);
