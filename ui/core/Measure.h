// Sizes in pixels: dialog units of a font, icon sizes, and the packed
// x | y << 32 form in which they travel.
#pragma once

#include "foundation/TextMetrics.h"

#include <windows.h>

#include <cstdint>

// x in the low 32 bits, y in the high 32 bits, each a signed int.
constexpr std::uint64_t PackXY(int x, int y) {
    return std::uint64_t(std::uint32_t(x)) | std::uint64_t(std::uint32_t(y)) << 32;
}
constexpr int PackedX(std::uint64_t packed) {
    return static_cast<int>(static_cast<std::uint32_t>(packed));
}
constexpr int PackedY(std::uint64_t packed) {
    return static_cast<int>(static_cast<std::uint32_t>(packed >> 32));
}

// Dialog units to pixels for the font, measured on a screen DC: x times the
// average letter width / 4, y times the text height / 8, each rounded half
// away from zero (as MulDiv rounds). Without a font, or when nothing can be
// measured, the input comes back unchanged.
std::uint64_t DialogUnitsToPixels(std::uint64_t dialogUnits, HFONT font);

// Packed cx | cy << 32 of the icon's colour bitmap; 0 for a null icon or one
// without a colour bitmap.
std::uint64_t GetIconSize(HICON icon);

// The distance the mouse must move before a drag starts: {SM_CXDRAG,
// SM_CYDRAG, 0, 0}, each at least 4.
RECT GetDragMetrics();
