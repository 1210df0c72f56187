// The drawing primitives of the owner-drawn controls. Colours are COLORREF
// values; wherever a colour is optional, a value above 0xFFFFFF (any bit in
// the top byte) means that part is not drawn. Every primitive does nothing
// for a null DC.
#pragma once

#include <windows.h>

#include <cstdint>

// The colour value that draws nothing.
constexpr COLORREF kNoColor = 0xFFFFFFFF;

constexpr bool IsDrawnColor(COLORREF color) {
    return color <= 0xFFFFFF;
}

inline int RectWidth(const RECT& r) {
    return r.right - r.left;
}
inline int RectHeight(const RECT& r) {
    return r.bottom - r.top;
}

// The DC of a whole window (GetWindowDC), given back to its window when the
// holder goes.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetWindowDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (m_dc != nullptr)
            ReleaseDC(m_hwnd, m_dc);
    }
    HDC Dc() const noexcept { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// Sides of a rectangle, combined as a mask.
enum RectSide : unsigned { SideLeft = 1, SideTop = 2, SideRight = 4, SideBottom = 8, SideAll = 15 };

// percent (low 8 bits) of the first colour and the rest of the second, per
// channel; 100 or more gives the first colour.
COLORREF BlendColor(COLORREF first, COLORREF second, unsigned percent);

// Strips of `thickness` pixels along the sides in the mask, each the full
// length of its side. With a non-zero alpha and a 32-bit DIB section
// selected, the strips' pixels inside the bitmap get that alpha byte.
void DrawFrameRect(HDC dc, const RECT* rect, COLORREF color, unsigned sides, int thickness,
                   std::uint8_t alpha);

// 1-pixel lines: left and top in the first colour, right and bottom in the
// second, for the sides in the mask.
void DrawEdgeSides(HDC dc, const RECT* rect, COLORREF first, COLORREF second, unsigned sides);

// One line a row (vertical) or a column from `from` towards `to`; equal
// colours fill the rectangle solid.
void FillGradient(HDC dc, const RECT* rect, COLORREF from, COLORREF to, bool vertical);

// A dotted frame along the inside of the rectangle, every second pixel,
// starting at the bottom-left corner, going up, right, down and back.
void DrawFocusDots(HDC dc, const RECT* rect, COLORREF color);

// Paints the non-client border of the window into the DC (window
// coordinates): the fill colour over the border area, then a 1-pixel line
// on the outer edge of each side in that side's colour (left, top, right,
// bottom). The border is as wide as the thinner of the two opposite
// non-client sides; nothing when both are 0.
void PaintNonClientSides(HWND hwnd, HDC dc, COLORREF fill, COLORREF left, COLORREF top,
                         COLORREF right, COLORREF bottom);
void PaintWindowBorder(HWND hwnd, HDC dc, COLORREF fill, COLORREF side);
// The same on the window's own window DC; nothing when neither colour is
// drawn.
void PaintWindowBorderDC(HWND hwnd, COLORREF fill, COLORREF side);

// Check-box marks.
enum ButtonMark : int { MarkNone = 0, MarkCheck = 1, MarkSquare = 2 };

// A check or radio box face: with 0 < fraction < 1 the box shrinks by
// height x (1 - fraction) / 2 on each side; odd width and height; face, 1-pixel
// frame, and the mark when its colour is drawn.
void DrawButtonFace(HDC dc, const RECT* rect, COLORREF face, COLORREF frame, COLORREF mark,
                    int markType, double fraction);

// Chevron orientations: the tip points left or right (horizontal) or up or
// down (vertical); `towardsEnd` points it right or down.
enum ChevronOrientation : int { ChevronHorizontal = 0, ChevronVertical = 1 };
void DrawChevron(HDC dc, const RECT* rect, COLORREF color, int orientation, bool towardsEnd,
                 double fraction);

// A small filled triangle, widest row in the edge colour; when the colours
// differ the ends of every row too.
void DrawArrowGlyph(HDC dc, const RECT* rect, COLORREF fill, COLORREF edge, int size,
                    bool pointingUp);

// An anti-aliased filled circle (GDI+) with its bounding box at (x, y).
void FillCircle(HDC dc, int x, int y, int diameter, COLORREF color);

// A rectangle with 10 x 10 anti-aliased corner arcs (GDI+); 20 pixels or less
// wide or high, a plain rectangle. Either colour may be left out.
void DrawRoundRect(HDC dc, const RECT* rect, COLORREF fill, COLORREF border, float borderWidth);

// Six 2 x 2 squares in a triangle in the bottom-right corner.
void DrawSizeGrip(HDC dc, const RECT* rect, COLORREF color);

// Fills the rectangle solid (ExtTextOutW with ETO_OPAQUE), keeping the DC's
// background colour.
void FillSolidRect(HDC dc, const RECT& rect, COLORREF color);
