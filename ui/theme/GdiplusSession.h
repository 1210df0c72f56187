// The process-wide GDI+ session and the few flat GDI+ calls the drawing
// primitives make, looked up in Gdiplus.dll at run time.
#pragma once

#include <windows.h>

#include <cstdint>

// Without `shutdown`: starts GDI+ on the first call and returns the token (0
// when GDI+ is missing or its start failed; a failed start is not retried).
// With `shutdown`: ends a running session and returns 0. A static object
// ends a session still running at exit; nothing starts one before its first
// use.
ULONG_PTR GdiplusSession(bool shutdown);

// The flat GDI+ functions used here, null where Gdiplus.dll lacks them.
// Objects are opaque pointers; colours are 0xAARRGGBB.
namespace gdip {

using Status = int;
using Graphics = void;
using Brush = void;
using Pen = void;
using Path = void;

constexpr int kSmoothingAntiAlias = 4;
constexpr int kFillModeAlternate = 0;
constexpr int kUnitPixel = 2;

// 0xAARRGGBB from a COLORREF and an alpha.
constexpr std::uint32_t Argb(COLORREF color, std::uint8_t alpha) {
    return std::uint32_t(alpha) << 24 | std::uint32_t(GetRValue(color)) << 16 |
           std::uint32_t(GetGValue(color)) << 8 | GetBValue(color);
}

struct Api {
    Status(WINAPI* CreateFromHDC)(HDC, Graphics**);
    Status(WINAPI* DeleteGraphics)(Graphics*);
    Status(WINAPI* SetSmoothingMode)(Graphics*, int);
    Status(WINAPI* CreateSolidFill)(std::uint32_t, Brush**);
    Status(WINAPI* DeleteBrush)(Brush*);
    Status(WINAPI* FillEllipseI)(Graphics*, Brush*, INT, INT, INT, INT);
    Status(WINAPI* CreatePath)(int, Path**);
    Status(WINAPI* DeletePath)(Path*);
    Status(WINAPI* AddPathLineI)(Path*, INT, INT, INT, INT);
    Status(WINAPI* AddPathArcI)(Path*, INT, INT, INT, INT, float, float);
    Status(WINAPI* ClosePathFigure)(Path*);
    Status(WINAPI* FillPath)(Graphics*, Brush*, Path*);
    Status(WINAPI* CreatePen1)(std::uint32_t, float, int, Pen**);
    Status(WINAPI* DeletePen)(Pen*);
    Status(WINAPI* DrawPath)(Graphics*, Pen*, Path*);
};

// The functions, or null when GDI+ did not start or one of them is missing.
const Api* GetApi();

} // namespace gdip
