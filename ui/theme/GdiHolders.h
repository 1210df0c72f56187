// Owners of the GDI objects the library paints with: fonts, bitmaps with
// their size (and pixels for DIB sections), and the paint scope of a window.
#pragma once

#include "foundation/Handles.h"

#include <windows.h>

#include <cstdint>

// One font, deleted when the holder lets go.
using mvfont = GdiHandle<HFONT>;

// A bitmap with its size; a DIB section also gives its pixels. The size is
// set only when a bitmap was created.
class mvGdiBitmap {
public:
    mvGdiBitmap() = default;

    // Deletes the bitmap and clears size and pixels.
    void Reset() noexcept;
    // A bitmap compatible with the device context (the screen's when none
    // is given). Null, holding nothing, for a size of 0 or less or a failed
    // creation.
    HBITMAP CreateCompatible(int cx, int cy, HDC dc);
    // A 32-bit bottom-up DIB section whose pixels stay reachable through
    // Bits(). Null as for CreateCompatible.
    HBITMAP CreateDIB(int cx, int cy, HDC dc);

    HBITMAP Get() const noexcept { return m_bitmap.Get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(m_bitmap); }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    void* Bits() const noexcept { return m_bits; }

private:
    GdiHandle<HBITMAP> m_bitmap;
    int m_width = 0;
    int m_height = 0;
    void* m_bits = nullptr;
};

// The font value that asks mvPaintDC for the window's own WM_GETFONT font.
inline const HFONT kWindowFont = reinterpret_cast<HFONT>(-1);

// BeginPaint and EndPaint around a scope, with a transparent background and
// the given font selected (kWindowFont: the window's font; null: none).
class mvPaintDC {
public:
    mvPaintDC(HWND hwnd, HFONT font);
    mvPaintDC(const mvPaintDC&) = delete;
    mvPaintDC& operator=(const mvPaintDC&) = delete;
    ~mvPaintDC() { End(); }

    // Ends painting; later calls do nothing.
    void End() noexcept;

    HDC Dc() const noexcept { return m_dc; }
    const PAINTSTRUCT& Paint() const noexcept { return m_paint; }

private:
    HWND m_hwnd;
    HDC m_dc = nullptr;
    PAINTSTRUCT m_paint{};
};

// Direct access to the pixels of the 32-bit DIB section selected in a DC.
struct DibAccess {
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    bool topDown = false; // row 0 of the bits is the top row

    explicit operator bool() const noexcept { return bits != nullptr; }
    // The pixel word at (x, y) in the DC's bitmap coordinates; the caller
    // keeps x and y inside the bitmap.
    std::uint32_t& At(int x, int y) const noexcept {
        return bits[static_cast<size_t>(topDown ? y : height - 1 - y) * width + x];
    }
};

// All empty unless the DC's bitmap is a 32-bit DIB section with pixels, a
// positive size and rows of exactly width x 4 bytes. The row order is found
// by changing pixel (0, 0) and watching the first word of the pixels; the
// pixel is put back.
DibAccess GetDibAccess(HDC dc);
