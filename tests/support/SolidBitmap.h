// An opaque square bitmap of one colour, for tests that draw images or
// store thumbnails.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>

// A 32-bit top-down DIB section of size x size pixels, every pixel 0xRRGGBB
// with full alpha; the caller owns it. Null when it cannot be made.
inline HBITMAP SolidBitmap(int size, std::uint32_t rgb) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr)
        std::fill_n(static_cast<std::uint32_t*>(bits), size * size, 0xFF000000u | rgb);
    return bitmap;
}
