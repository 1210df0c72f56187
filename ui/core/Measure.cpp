#include "ui/core/Measure.h"

#include "foundation/Handles.h"

#include <algorithm>

std::uint64_t DialogUnitsToPixels(std::uint64_t dialogUnits, HFONT font) {
    if (font == nullptr)
        return dialogUnits;
    const ScreenDC screen(GetDC(nullptr));
    if (!screen)
        return dialogUnits;
    const HGDIOBJ old = SelectObject(screen.Get(), font);
    int averageWidth = 0;
    const int height = MeasureAverageChar(screen.Get(), &averageWidth);
    SelectObject(screen.Get(), old);
    if (height <= 0)
        return dialogUnits;
    return PackXY(MulDiv(PackedX(dialogUnits), averageWidth, 4),
                  MulDiv(PackedY(dialogUnits), height, 8));
}

std::uint64_t GetIconSize(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    const GdiHandle<HBITMAP> mask(info.hbmMask);
    const GdiHandle<HBITMAP> color(info.hbmColor);
    BITMAP bm{};
    if (!color || GetObjectW(color.Get(), sizeof bm, &bm) == 0)
        return 0;
    return PackXY(bm.bmWidth, bm.bmHeight);
}

RECT GetDragMetrics() {
    return {std::max(GetSystemMetrics(SM_CXDRAG), 4), std::max(GetSystemMetrics(SM_CYDRAG), 4), 0,
            0};
}
