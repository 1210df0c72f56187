#include "ui/theme/DrawPrimitives.h"

#include "ui/theme/GdiHolders.h"
#include "ui/theme/GdiplusSession.h"

#include <algorithm>

namespace {

void FillBox(HDC dc, int x, int y, int cx, int cy, COLORREF color) {
    FillSolidRect(dc, RECT{x, y, x + cx, y + cy}, color);
}

// The strip of a side, `thickness` pixels deep, the full length of the side.
RECT SideStrip(const RECT& r, unsigned side, int thickness) {
    switch (side) {
    case SideLeft:
        return {r.left, r.top, r.left + thickness, r.bottom};
    case SideTop:
        return {r.left, r.top, r.right, r.top + thickness};
    case SideRight:
        return {r.right - thickness, r.top, r.right, r.bottom};
    default:
        return {r.left, r.bottom - thickness, r.right, r.bottom};
    }
}

constexpr unsigned kSides[] = {SideLeft, SideTop, SideRight, SideBottom};

// Sets the alpha byte of the pixels of the strip that lie inside the bitmap.
void SetStripAlpha(const DibAccess& dib, const RECT& strip, std::uint8_t alpha) {
    const int left = std::max<int>(strip.left, 0), right = std::min<int>(strip.right, dib.width);
    const int top = std::max<int>(strip.top, 0), bottom = std::min<int>(strip.bottom, dib.height);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            std::uint32_t& pixel = dib.At(x, y);
            pixel = (pixel & 0xFFFFFF) | std::uint32_t(alpha) << 24;
        }
}

// A GDI+ object deleted with its own flat function.
template <typename T> class GdipObject {
public:
    explicit GdipObject(gdip::Status(WINAPI* destroy)(T*)) : m_destroy(destroy) {}
    GdipObject(const GdipObject&) = delete;
    GdipObject& operator=(const GdipObject&) = delete;
    ~GdipObject() {
        if (m_object != nullptr)
            m_destroy(m_object);
    }
    T** Put() noexcept { return &m_object; }
    T* Get() const noexcept { return m_object; }

private:
    T* m_object = nullptr;
    gdip::Status(WINAPI* m_destroy)(T*);
};

// Anti-aliased GDI+ graphics on the DC; Get() null when GDI+ is unavailable.
class SmoothGraphics {
public:
    explicit SmoothGraphics(HDC dc)
        : m_api(gdip::GetApi()), m_graphics(m_api ? m_api->DeleteGraphics : nullptr) {
        if (m_api != nullptr && m_api->CreateFromHDC(dc, m_graphics.Put()) == 0)
            m_api->SetSmoothingMode(m_graphics.Get(), gdip::kSmoothingAntiAlias);
    }
    const gdip::Api* Api() const noexcept { return m_api; }
    gdip::Graphics* Get() const noexcept { return m_graphics.Get(); }

private:
    const gdip::Api* m_api;
    GdipObject<gdip::Graphics> m_graphics;
};

} // namespace

void FillSolidRect(HDC dc, const RECT& rect, COLORREF color) {
    if (dc == nullptr || !IsDrawnColor(color))
        return;
    const COLORREF old = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

COLORREF BlendColor(COLORREF first, COLORREF second, unsigned percent) {
    const unsigned p = percent & 0xFF;
    if (p >= 100)
        return first;
    const auto mix = [p](unsigned a, unsigned b) { return a * p / 100 + b * (100 - p) / 100; };
    return RGB(mix(GetRValue(first), GetRValue(second)), mix(GetGValue(first), GetGValue(second)),
               mix(GetBValue(first), GetBValue(second)));
}

void DrawFrameRect(HDC dc, const RECT* rect, COLORREF color, unsigned sides, int thickness,
                   std::uint8_t alpha) {
    if (dc == nullptr || rect == nullptr || !IsDrawnColor(color) || thickness <= 0)
        return;
    const DibAccess dib = alpha != 0 ? GetDibAccess(dc) : DibAccess{};
    for (const unsigned side : kSides) {
        if ((sides & side) == 0)
            continue;
        const RECT strip = SideStrip(*rect, side, thickness);
        FillSolidRect(dc, strip, color);
        if (dib) {
            GdiFlush();
            SetStripAlpha(dib, strip, alpha);
        }
    }
}

void DrawEdgeSides(HDC dc, const RECT* rect, COLORREF first, COLORREF second, unsigned sides) {
    if (dc == nullptr || rect == nullptr)
        return;
    for (const unsigned side : kSides)
        if (sides & side)
            FillSolidRect(dc, SideStrip(*rect, side, 1),
                          side == SideLeft || side == SideTop ? first : second);
}

void FillGradient(HDC dc, const RECT* rect, COLORREF from, COLORREF to, bool vertical) {
    if (dc == nullptr || rect == nullptr)
        return;
    if (from == to) {
        FillSolidRect(dc, *rect, from);
        return;
    }
    const int n = vertical ? RectHeight(*rect) : RectWidth(*rect);
    const auto step = [n](int a, int b, int i) { return a + (b - a) * i / n; };
    for (int i = 0; i < n; ++i) {
        const COLORREF color =
            RGB(step(GetRValue(from), GetRValue(to), i), step(GetGValue(from), GetGValue(to), i),
                step(GetBValue(from), GetBValue(to), i));
        const RECT line = vertical
                              ? RECT{rect->left, rect->top + i, rect->right, rect->top + i + 1}
                              : RECT{rect->left + i, rect->top, rect->left + i + 1, rect->bottom};
        FillSolidRect(dc, line, color);
    }
}

void DrawFocusDots(HDC dc, const RECT* rect, COLORREF color) {
    if (dc == nullptr || rect == nullptr || RectWidth(*rect) <= 0 || RectHeight(*rect) <= 0)
        return;
    const int left = rect->left, top = rect->top;
    const int right = rect->right - 1, bottom = rect->bottom - 1;
    int index = 0;
    const auto dot = [&](int x, int y) {
        if (index++ % 2 == 0)
            SetPixel(dc, x, y, color);
    };
    for (int y = bottom; y >= top; --y)
        dot(left, y);
    for (int x = left + 1; x <= right; ++x)
        dot(x, top);
    if (right > left) {
        for (int y = top + 1; y <= bottom; ++y)
            dot(right, y);
        if (bottom > top)
            for (int x = right - 1; x > left; --x)
                dot(x, bottom);
    }
}

void PaintNonClientSides(HWND hwnd, HDC dc, COLORREF fill, COLORREF left, COLORREF top,
                         COLORREF right, COLORREF bottom) {
    RECT window{}, client{};
    if (dc == nullptr || !GetWindowRect(hwnd, &window) || !GetClientRect(hwnd, &client))
        return;
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int borderX = std::min(client.left - window.left, window.right - client.right);
    const int borderY = std::min(client.top - window.top, window.bottom - client.bottom);
    if (borderX <= 0 && borderY <= 0)
        return;
    const RECT outer{0, 0, RectWidth(window), RectHeight(window)};
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, std::max(borderX, 0), std::max(borderY, 0),
                    outer.right - std::max(borderX, 0), outer.bottom - std::max(borderY, 0));
    FillSolidRect(dc, outer, fill);
    const COLORREF colors[] = {left, top, right, bottom};
    for (int i = 0; i < 4; ++i)
        FillSolidRect(dc, SideStrip(outer, kSides[i], 1), colors[i]);
    RestoreDC(dc, saved);
}

void PaintWindowBorder(HWND hwnd, HDC dc, COLORREF fill, COLORREF side) {
    PaintNonClientSides(hwnd, dc, fill, side, side, side, side);
}

void PaintWindowBorderDC(HWND hwnd, COLORREF fill, COLORREF side) {
    if (!IsDrawnColor(fill) && !IsDrawnColor(side))
        return;
    const WindowDC windowDc(hwnd);
    PaintWindowBorder(hwnd, windowDc.Dc(), fill, side);
}

void DrawButtonFace(HDC dc, const RECT* rect, COLORREF face, COLORREF frame, COLORREF mark,
                    int markType, double fraction) {
    if (dc == nullptr || rect == nullptr)
        return;
    RECT box = *rect;
    if (fraction > 0 && fraction < 1) {
        const int inset = static_cast<int>(RectHeight(box) * (1 - fraction) / 2);
        InflateRect(&box, -inset, -inset);
    }
    if (RectWidth(box) % 2 == 0)
        --box.right;
    if (RectHeight(box) % 2 == 0)
        --box.bottom;
    if (RectWidth(box) <= 0 || RectHeight(box) <= 0)
        return;
    FillSolidRect(dc, box, face);
    DrawFrameRect(dc, &box, frame, SideAll, 1, 0);
    if (!IsDrawnColor(mark))
        return;
    const int inset = std::max(2, static_cast<int>(RectWidth(box) * 0.15)) + 1;
    RECT inner = box;
    InflateRect(&inner, -inset, -inset);
    const int innerWidth = RectWidth(inner), innerHeight = RectHeight(inner);
    if (innerWidth <= 0 || innerHeight <= 0)
        return;
    if (markType == MarkSquare) {
        FillSolidRect(dc, inner, mark);
        return;
    }
    if (markType != MarkCheck)
        return;
    // Columns 3 pixels high: the short stroke steps down to the right, the
    // long one up from its lowest point.
    const int shortLength = static_cast<int>((innerWidth - 1) * 0.4) + 1;
    const auto offset = [&](int column) {
        return column < shortLength ? column : 2 * (shortLength - 1) - column;
    };
    const int highest = std::min(0, offset(innerWidth - 1));
    const int markHeight = (shortLength - 1) - highest + 3;
    const int baseY = inner.top + (innerHeight - markHeight) / 2 - highest;
    for (int column = 0; column < innerWidth; ++column)
        FillBox(dc, inner.left + column, baseY + offset(column), 1, 3, mark);
}

void DrawChevron(HDC dc, const RECT* rect, COLORREF color, int orientation, bool towardsEnd,
                 double fraction) {
    if (dc == nullptr || rect == nullptr)
        return;
    int side = std::min(RectWidth(*rect), RectHeight(*rect));
    int x = rect->left + (RectWidth(*rect) - side) / 2;
    int y = rect->top + (RectHeight(*rect) - side) / 2;
    if (fraction > 0 && fraction < 1) {
        const int inset = static_cast<int>(side * (1 - fraction) / 2);
        x += inset;
        y += inset;
        side -= 2 * inset;
    }
    const int n = side / 2;
    // Along: the axis the tip points on; across: the other one.
    const int startAlong = (side - n) / 2;
    for (int i = 0; i < n; ++i) {
        const int along = startAlong + (towardsEnd ? i : n - 1 - i);
        const int nearAcross = i, farAcross = side - 2 - i;
        if (orientation == ChevronVertical) {
            FillBox(dc, x + nearAcross, y + along, 2, 1, color);
            FillBox(dc, x + farAcross, y + along, 2, 1, color);
        } else {
            FillBox(dc, x + along, y + nearAcross, 1, 2, color);
            FillBox(dc, x + along, y + farAcross, 1, 2, color);
        }
    }
}

void DrawArrowGlyph(HDC dc, const RECT* rect, COLORREF fill, COLORREF edge, int size,
                    bool pointingUp) {
    if (dc == nullptr || rect == nullptr)
        return;
    size = std::min(size, RectWidth(*rect));
    if (size % 2 != 0)
        ++size;
    const int rows = size / 2;
    if (rows <= 0)
        return;
    const int x0 = rect->left + (RectWidth(*rect) - size) / 2;
    const int y0 = rect->top + (RectHeight(*rect) - rows) / 2;
    for (int k = 0; k < rows; ++k) {
        const int y = pointingUp ? y0 + rows - 1 - k : y0 + k;
        const int width = size - 2 * k;
        FillBox(dc, x0 + k, y, width, 1, k == 0 ? edge : fill);
        if (k > 0 && fill != edge) {
            FillBox(dc, x0 + k, y, 1, 1, edge);
            FillBox(dc, x0 + k + width - 1, y, 1, 1, edge);
        }
    }
}

void FillCircle(HDC dc, int x, int y, int diameter, COLORREF color) {
    if (dc == nullptr)
        return;
    const SmoothGraphics graphics(dc);
    const gdip::Api* api = graphics.Api();
    if (graphics.Get() == nullptr)
        return;
    GdipObject<gdip::Brush> brush(api->DeleteBrush);
    if (api->CreateSolidFill(gdip::Argb(color, 255), brush.Put()) == 0)
        api->FillEllipseI(graphics.Get(), brush.Get(), x, y, diameter, diameter);
}

void DrawRoundRect(HDC dc, const RECT* rect, COLORREF fill, COLORREF border, float borderWidth) {
    const bool filled = IsDrawnColor(fill), bordered = IsDrawnColor(border);
    if (dc == nullptr || rect == nullptr || (!filled && !bordered))
        return;
    if (RectWidth(*rect) <= 20 || RectHeight(*rect) <= 20) {
        FillSolidRect(dc, *rect, fill);
        DrawFrameRect(dc, rect, border, SideAll, static_cast<int>(borderWidth), 255);
        return;
    }
    const SmoothGraphics graphics(dc);
    const gdip::Api* api = graphics.Api();
    if (graphics.Get() == nullptr)
        return;
    GdipObject<gdip::Path> path(api->DeletePath);
    if (api->CreatePath(gdip::kFillModeAlternate, path.Put()) != 0)
        return;
    const int l = rect->left, t = rect->top, r = rect->right, b = rect->bottom;
    gdip::Path* p = path.Get();
    api->AddPathLineI(p, l + 5, t, r - 6, t);
    api->AddPathArcI(p, r - 11, t, 10, 10, -90, 90);
    api->AddPathLineI(p, r - 1, t + 5, r - 1, b - 6);
    api->AddPathArcI(p, r - 11, b - 11, 10, 10, 0, 90);
    api->AddPathLineI(p, r - 6, b - 1, l + 5, b - 1);
    api->AddPathArcI(p, l, b - 11, 10, 10, 90, 90);
    api->AddPathLineI(p, l, b - 6, l, t + 5);
    api->AddPathArcI(p, l, t, 10, 10, 180, 90);
    api->ClosePathFigure(p);
    if (filled) {
        GdipObject<gdip::Brush> brush(api->DeleteBrush);
        if (api->CreateSolidFill(gdip::Argb(fill, 255), brush.Put()) == 0)
            api->FillPath(graphics.Get(), brush.Get(), p);
    }
    if (bordered) {
        GdipObject<gdip::Pen> pen(api->DeletePen);
        if (api->CreatePen1(gdip::Argb(border, 255), borderWidth, gdip::kUnitPixel, pen.Put()) == 0)
            api->DrawPath(graphics.Get(), pen.Get(), p);
    }
}

void DrawSizeGrip(HDC dc, const RECT* rect, COLORREF color) {
    if (dc == nullptr || rect == nullptr)
        return;
    const int r = rect->right, b = rect->bottom;
    const POINT squares[] = {{r - 4, b - 4}, {r - 4, b - 7}, {r - 4, b - 10},
                             {r - 7, b - 7}, {r - 7, b - 4}, {r - 10, b - 4}};
    for (const POINT& at : squares)
        FillBox(dc, at.x, at.y, 2, 2, color);
}
