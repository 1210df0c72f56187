// An owner-drawn, themed status bar made from a Static control: one line
// with a main text, or for a while a temporary text in its place, each with
// an optional icon at the left, a size grip at the right, and what a derived
// bar draws in between through DrawContent.
#pragma once

#include "foundation/mvstring.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/core/mvWnd.h"
#include "ui/core/mvWndTimer.h"

#include <windows.h>
#include <uxtheme.h>

// One text the bar can show.
struct StatusText {
    mvstring text;
    int time = 0;         // display time in ms (main record: default of temporary texts)
    HICON icon = nullptr; // not owned
    bool flash = false;
    SIZE iconSize = {};
};

class mvStatusBar : public mvWnd, public mvtheme_control {
public:
    mvStatusBar();
    ~mvStatusBar() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Makes the Static control owner-drawn.
    void OnAttached() override;
    void OnReflectDrawItem(DRAWITEMSTRUCT* item) override;

    virtual void DrawGripper(HDC dc, const RECT* rect, COLORREF color);
    virtual void DrawBackground(HDC dc, const RECT* rect);
    virtual void DrawPartText(HDC dc, const RECT* rect, const mvstring& text);
    // The icon stretched to the rectangle; nothing for a null icon.
    virtual void DrawPartIcon(HDC dc, const RECT* rect, HICON icon);
    // Derived bars draw their right-hand fields here and narrow the text
    // rectangle.
    virtual void DrawContent(HDC dc, RECT* textRect) {}

    // The whole face of the bar.
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // Sets the main text and removes the main icon; a redraw only when
    // something changed and the bar is visible.
    void SetText(const mvstring& text);
    // Shows a temporary text (menu marks stripped, ampersands removed, dots
    // as `stripDots` says) with its icon for the default display time; null
    // or empty text clears it. Setting the shown text again restarts its
    // time.
    void SetPartText(const wchar_t* text, HICON icon, int stripDots = 0);
    // The "STATUS" theme shared by all bars, opened on first use (again when
    // asked); given only in the system look with visual styles, else null.
    HTHEME OpenTheme(bool reopen);

    // The text the bar shows now (temporary before main).
    const mvstring& ShownText() const;
    // How long a temporary text stays, in ms, for the texts shown from now
    // on; 0 (also for a negative time) keeps each until it is replaced,
    // which is the start-up value.
    void SetMessageTimeout(int milliseconds) noexcept {
        m_main.time = milliseconds > 0 ? milliseconds : 0;
    }
    int MessageTimeout() const noexcept { return m_main.time; }

    mvWndTimer m_partTimer;
    mvWndTimer m_flashTimer;
    StatusText m_flash;
    StatusText m_main; // its time is the default display time of temporary texts
    StatusText m_part;
    int m_flashLimit = 0;
    int m_flashCount = 0;
    int m_flashInterval = 150;
    bool m_sizeGrip = true;

private:
    void Redraw();
    // Width of the size grip drawn now (0 when hidden).
    int GripWidth(HTHEME theme, HDC dc, const RECT* rect);
};
