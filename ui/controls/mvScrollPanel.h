// A scroll panel in the library's look: a child window whose content is
// taller than its client area; it scrolls by lines, pages and wheel notches
// and, in the own colour theme, wraps itself in a scroll box
// (ui/mvScrollBox.h). UI thread only.
#pragma once

#include "ui/theme/BufferedPaint.h"
#include "ui/controls/mvScrollBox.h"
#include "ui/core/mvWnd.h"

#include <windows.h>

class mvScrollPanel : public mvWnd, public mvtheme_control {
public:
    mvScrollPanel() = default;
    ~mvScrollPanel() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override;
    // Sets the UI font and attaches once; later calls do nothing.
    bool SubclassWindow(HWND hwnd) override;

    // Text height of the panel font.
    virtual int GetLineHeight();
    // The system's wheel scroll lines, 3 when it gives none.
    virtual int GetWheelLines();
    // Scrolls to the position, kept between 0 and content height - client
    // height.
    virtual void ScrollTo(int position);
    // The panel's own message handling; derived panels override and call it.
    virtual LRESULT ChildProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Creates the panel window (class "mvScrollPanel") and attaches it.
    bool CreatePanel(HWND parent, int id, const RECT& rect, DWORD style);
    // Range and page after the content height or the size changed.
    void UpdateScrollBar();
    // Scrolls so that the descendant window shows.
    void ScrollIntoView(HWND descendant);
    // The background: base, or the face colour in the system look.
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    int Position() const noexcept { return m_pos; }
    // The largest position: content height - client height, 0 when the
    // content fits.
    int LargestPosition() const;

    mvScrollBox m_box;
    int m_contentHeight = 0;
    bool m_hadVScroll = false;

protected:
    void OnVScroll(int code);
    int ClientHeight() const;

    int m_pos = 0;
    bool m_attached = false;
};
