// The themed edit control: a one-pixel border in the theme colours
// (highlighted on focus and hover), a cue text it can paint itself in its
// own colour, a single-line height fitted to its font, and Ctrl+A to select
// everything. In the own colours a framed edit sits in a scroll box that
// draws its frame and scroll bar. mvACEdit adds autocomplete from a string
// history.
#pragma once

#include "foundation/mvstring.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/controls/mvAutoComplete.h"
#include "ui/controls/mvScrollBox.h"
#include "ui/core/mvWnd.h"

#include <windows.h>

// A cue text with its painting choices.
struct EditCue {
    mvstring text;
    bool showWhenFocused = true;
    COLORREF color = kNoCueColor; // own colour; none: the grey text colour

    static constexpr COLORREF kNoCueColor = 0xFF000000;
};

class mvEdit : public mvWnd, public mvtheme_control {
public:
    mvEdit() = default;
    ~mvEdit() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Fits the height and, in the own colours, hands a framed edit (border,
    // edge or scroll bars) to the scroll box.
    void OnAttached() override;
    // EN_CHANGE: the first text typed ends a temporary cue. Never consumes.
    bool OnReflectCommand(UINT code) override;
    void OnReflectCtlColor(HDC dc, LRESULT* result) override;
    void Draw(HDC, const RECT*, LPARAM) override {}
    // Stores the text colour for the state; always false.
    virtual bool GetTextColor(COLORREF* color);

    // Stores the cue (its own colour reset) and hands it to the native
    // control unless a temporary cue is shown.
    void SetCueText(const mvstring& text, bool showWhenFocused);
    // The cue in force: the temporary one while it has text.
    const EditCue& ActiveCue() const { return m_tempCue.text.empty() ? m_cue : m_tempCue; }
    // True when this object, not the native control, paints the cue now.
    bool PaintsCue() const;
    // Fits a single-line edit's height to its font (see m_heightMode); a
    // hosted edit sizes its scroll box.
    void FitHeight();
    // True while the scroll box hosts the edit.
    bool IsHosted() const { return m_hwnd != nullptr && m_box.Child() == m_hwnd; }

    mvScrollBox m_box;
    bool m_hover = false;
    bool m_frameCalculated = false;
    int m_createdClientHeight = 0;
    EditCue m_cue;
    EditCue m_tempCue;
    // 1: the height follows the text; 0: at least the created client
    // height; negative: never adjusted.
    int m_heightMode = 0;
    // Non-zero: the hosting box lights its frame while the edit has the
    // focus or the mouse.
    int m_scrollBoxOption = 1;

private:
    bool PaintCue();
    // The edit's own handling, after what the hosting box takes over.
    LRESULT EditProc(UINT message, WPARAM wParam, LPARAM lParam);
};

// Creates a themed single-line edit child (12 vertical dialog units of the UI
// font high), sets the UI font and binds the object. False on failure.
bool CreateEditWindow(mvEdit& edit, HWND parent, int id);

class mvACEdit : public mvEdit, public mvACBase {
public:
    mvACEdit() = default;
    ~mvACEdit() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Binds the autocomplete with the arrow keys dropping the list.
    void OnAttached() override;
    HWND GetAutoCompleteWindow() const { return m_hwnd; }
};
