#include "ui/theme/GdiHolders.h"

namespace {

// The given DC, else a screen DC held for the call.
class DcOrScreen {
public:
    explicit DcOrScreen(HDC dc) {
        if (dc == nullptr)
            m_screen.Assign(GetDC(nullptr));
        m_dc = dc != nullptr ? dc : m_screen.Get();
    }
    HDC Get() const noexcept { return m_dc; }

private:
    ScreenDC m_screen;
    HDC m_dc;
};

} // namespace

void mvGdiBitmap::Reset() noexcept {
    m_bitmap.Reset();
    m_width = 0;
    m_height = 0;
    m_bits = nullptr;
}

HBITMAP mvGdiBitmap::CreateCompatible(int cx, int cy, HDC dc) {
    Reset();
    if (cx <= 0 || cy <= 0)
        return nullptr;
    const DcOrScreen target(dc);
    m_bitmap.Assign(CreateCompatibleBitmap(target.Get(), cx, cy));
    if (m_bitmap) {
        m_width = cx;
        m_height = cy;
    }
    return m_bitmap.Get();
}

HBITMAP mvGdiBitmap::CreateDIB(int cx, int cy, HDC dc) {
    Reset();
    if (cx <= 0 || cy <= 0)
        return nullptr;
    const DcOrScreen target(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_bitmap.Assign(CreateDIBSection(target.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (m_bitmap) {
        m_width = cx;
        m_height = cy;
        m_bits = bits;
    }
    return m_bitmap.Get();
}

mvPaintDC::mvPaintDC(HWND hwnd, HFONT font) : m_hwnd(hwnd) {
    m_dc = BeginPaint(hwnd, &m_paint);
    if (m_dc == nullptr)
        return;
    SetBkMode(m_dc, TRANSPARENT);
    if (font == kWindowFont)
        font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    if (font != nullptr)
        SelectObject(m_dc, font);
}

void mvPaintDC::End() noexcept {
    if (m_dc == nullptr)
        return;
    EndPaint(m_hwnd, &m_paint);
    m_dc = nullptr;
}

DibAccess GetDibAccess(HDC dc) {
    if (dc == nullptr)
        return {};
    const HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    DIBSECTION section{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof section, &section) != sizeof section)
        return {};
    const BITMAP& bm = section.dsBm;
    if (bm.bmBitsPixel != 32 || bm.bmBits == nullptr || bm.bmWidth <= 0 || bm.bmHeight <= 0 ||
        bm.bmWidthBytes != bm.bmWidth * 4)
        return {};
    DibAccess access;
    access.bits = static_cast<std::uint32_t*>(bm.bmBits);
    access.width = bm.bmWidth;
    access.height = bm.bmHeight;

    // Pixel (0, 0) is either the first or the first of the last row; both
    // words are put back whole, alpha included.
    std::uint32_t& first = access.bits[0];
    std::uint32_t& lastRow = access.bits[static_cast<size_t>(bm.bmHeight - 1) * bm.bmWidth];
    GdiFlush();
    const std::uint32_t savedFirst = first;
    const std::uint32_t savedLastRow = lastRow;
    const COLORREF test = (GetPixel(dc, 0, 0) & 0xFFFFFF) == 0 ? RGB(255, 255, 255) : RGB(0, 0, 0);
    SetPixel(dc, 0, 0, test);
    GdiFlush();
    // Black and white read the same as COLORREF and as pixel words.
    access.topDown = (savedFirst & 0xFFFFFF) != test && (first & 0xFFFFFF) == test;
    first = savedFirst;
    lastRow = savedLastRow;
    return access;
}
