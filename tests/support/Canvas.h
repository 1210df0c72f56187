// A 32-bit DIB section selected into a memory DC, for tests that draw and
// read the pixels back.
#pragma once

#include "foundation/Handles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class Canvas {
public:
    // Filled with `background`; `topDown` builds the bitmap with row 0 on top.
    Canvas(int width, int height, COLORREF background = RGB(255, 255, 255), bool topDown = false)
        : m_width(width), m_height(height), m_topDown(topDown) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = topDown ? -height : height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc.Assign(CreateCompatibleDC(nullptr));
        void* bits = nullptr;
        m_bitmap.Assign(CreateDIBSection(m_dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<std::uint32_t*>(bits);
        m_old = SelectObject(m_dc.Get(), m_bitmap.Get());
        Fill(background);
    }
    ~Canvas() { SelectObject(m_dc.Get(), m_old); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc.Get(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void Fill(COLORREF color) {
        const RECT all{0, 0, m_width, m_height};
        GdiHandle<HBRUSH> brush(CreateSolidBrush(color));
        FillRect(m_dc.Get(), &all, brush.Get());
    }
    // The colour at (x, y) without the alpha byte.
    COLORREF At(int x, int y) const {
        GdiFlush();
        return GetPixel(m_dc.Get(), x, y) & 0xFFFFFF;
    }
    // The alpha byte at (x, y), read from the bitmap itself.
    std::uint8_t Alpha(int x, int y) const {
        GdiFlush();
        const int row = m_topDown ? y : m_height - 1 - y;
        return static_cast<std::uint8_t>(m_bits[static_cast<size_t>(row) * m_width + x] >> 24);
    }
    // Every pixel of the colour, as (x, y) pairs row by row.
    std::vector<POINT> PixelsOf(COLORREF color) const {
        std::vector<POINT> found;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) == color)
                    found.push_back({x, y});
        return found;
    }
    // The text art of the canvas: '#' for the colour, '.' for anything else.
    std::vector<std::string> Art(COLORREF color) const {
        std::vector<std::string> rows(m_height, std::string(m_width, '.'));
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) == color)
                    rows[y][x] = '#';
        return rows;
    }

private:
    int m_width;
    int m_height;
    bool m_topDown;
    MemoryDC m_dc;
    GdiHandle<HBITMAP> m_bitmap;
    std::uint32_t* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
};
