// A scroll box in the library's look: it takes over an existing child
// window, re-parents the child into itself, draws the child's frame and, at
// its right edge, a vertical scroll bar of its own that mirrors and drives
// the child's real one. UI thread only.
#pragma once

#include "foundation/Handles.h"
#include "ui/core/WindowHolders.h"
#include "ui/core/mvBaseDlg.h"

#include <windows.h>

#include <functional>

// The parts of the box's scroll bar, in box client coordinates.
enum ScrollBarPart : int {
    ScrollPartNone = -1,
    ScrollPartBar = 0,
    ScrollPartUp = 1,
    ScrollPartPageUp = 2,
    ScrollPartThumb = 3,
    ScrollPartPageDown = 4,
    ScrollPartDown = 5,
    ScrollPartFocus = 6, // the box or child has the focus or the mouse
};

struct ScrollBarGeometry {
    // Bar, up arrow, page-up area, thumb, page-down area, down arrow, and the
    // box's whole client rectangle.
    RECT rects[7] = {};
    // STATE_SYSTEM_ flags of each part.
    DWORD states[7] = {};
};

class mvScrollBox : public mvBaseDlg {
public:
    mvScrollBox();
    ~mvScrollBox() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnInitDialog() override;
    void Layout() override;
    void PaintContent(HDC dc, const RECT* rect) override;

    // Re-parents the child into the box (made under the child's parent when
    // needed), taking over its frame; `faceBackground` fills with the face
    // colour instead of the window colour. Nothing for a dead window or one
    // without a parent.
    void AttachChild(HWND child, bool faceBackground);
    // Re-reads the child's WS_VSCROLL and lays out again when it changed.
    void SyncStyle();
    // Mirrors the child's scroll bar again and redraws when anything changed.
    void RefreshBars();
    // What the frame and the bar take from each side of the box.
    RECT GetBarInsets() const;
    // A message of the hosted child as it concerns the box: focus, enabling,
    // showing and moving go to the box (the child then stays in place within
    // it), the child keeps no non-client area, the bars follow painting and
    // scrolling, and the whole child is client area. `process` runs the
    // child's own handling. True when this answered the message (`result`
    // set); false when the child goes on to handle it itself. Nothing while
    // no child is hosted.
    bool HostChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                          const std::function<LRESULT()>& process);
    // True when the geometry or a state changed.
    bool ComputeBarGeometry();
    // The part under the point (box client coordinates).
    int HitTest(POINT point) const;
    // True when the hot part changed. A point (box client coordinates) is one
    // the box received a mouse message at; without one the cursor is used.
    bool UpdateHotPart(const POINT* point = nullptr);
    void DragThumb(int y);
    void EndThumbDrag();

    HWND Child() const noexcept { return m_child; }
    const ScrollBarGeometry& Geometry() const noexcept { return m_geometry; }
    int HotPart() const noexcept { return m_hot; }

    bool m_framed = false;
    bool m_childVScroll = false;
    bool m_hotBorder = true;
    bool m_faceBackground = false;

private:
    void DrawBarFlat(HDC dc, const RECT& bar);
    void DrawBarThemed(HDC dc, const RECT& bar);
    void DrawBarClassic(HDC dc, const RECT& bar);
    void Redraw();
    // Moves the child to the box's client area less the insets.
    void PlaceChild();

    ThemeHandle m_theme;
    int m_hot = ScrollPartNone;
    ScrollBarGeometry m_geometry;
    struct Drag {
        int trackTop = 0;
        int trackBottom = 0;
        int grab = 0;
        RECT thumb = {};
        HWND capture = nullptr;
        HWND child = nullptr;
    } m_drag;
    HWND m_child = nullptr;
};
