#include "ui/core/Measure.h"

#include "ui/theme/GdiHolders.h"
#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Measure, DialogUnitsRoundHalfAwayFromZero) {
    EXPECT_EQ(DialogUnitsToPixels(PackXY(7, -3), nullptr), PackXY(7, -3));

    for (const int height : {-11, -15, -21}) {
        const mvfont font(
            CreateFontW(height, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
        // 4 x 8 dialog units are one average letter wide and one line high.
        const std::uint64_t unit = DialogUnitsToPixels(PackXY(4, 8), font.Get());
        const double average = PackedX(unit), line = PackedY(unit);
        ASSERT_GT(average, 0);
        ASSERT_GT(line, -height - 1);
        for (const int units : {1, 2, 3, 5, 7, -7, -3, 13}) {
            const std::uint64_t pixels = DialogUnitsToPixels(PackXY(units, units), font.Get());
            EXPECT_EQ(PackedX(pixels), std::lround(units * average / 4)) << height << " " << units;
            EXPECT_EQ(PackedY(pixels), std::lround(units * line / 8)) << height << " " << units;
        }
    }
}

TEST(Measure, IconSizeIsTheColourBitmapSize) {
    EXPECT_EQ(GetIconSize(nullptr), 0u);

    const ScreenDC screen(GetDC(nullptr));
    GdiHandle<HBITMAP> color(CreateCompatibleBitmap(screen.Get(), 20, 24));
    GdiHandle<HBITMAP> mask(CreateBitmap(20, 24, 1, 1, nullptr));
    ICONINFO info{TRUE, 0, 0, mask.Get(), color.Get()};
    const IconHandle icon(CreateIconIndirect(&info));
    ASSERT_TRUE(icon);
    EXPECT_EQ(GetIconSize(icon.Get()), PackXY(20, 24));

    // A monochrome icon has only its mask, twice the height.
    GdiHandle<HBITMAP> monoMask(CreateBitmap(16, 32, 1, 1, nullptr));
    ICONINFO monoInfo{TRUE, 0, 0, monoMask.Get(), nullptr};
    const IconHandle mono(CreateIconIndirect(&monoInfo));
    ASSERT_TRUE(mono);
    EXPECT_EQ(GetIconSize(mono.Get()), 0u);
}

TEST(Measure, DragMetricsAreAtLeastFour) {
    const int oldWidth = GetSystemMetrics(SM_CXDRAG), oldHeight = GetSystemMetrics(SM_CYDRAG);
    struct Case {
        int width, height, expectedWidth, expectedHeight;
    } cases[] = {{1, 2, 4, 4}, {10, 3, 10, 4}, {4, 12, 4, 12}};
    for (const Case& c : cases) {
        SystemParametersInfoW(SPI_SETDRAGWIDTH, c.width, nullptr, 0);
        SystemParametersInfoW(SPI_SETDRAGHEIGHT, c.height, nullptr, 0);
        const RECT drag = GetDragMetrics();
        EXPECT_EQ(drag.left, c.expectedWidth) << c.width;
        EXPECT_EQ(drag.top, c.expectedHeight) << c.height;
        EXPECT_EQ(drag.right, 0);
        EXPECT_EQ(drag.bottom, 0);
    }
    SystemParametersInfoW(SPI_SETDRAGWIDTH, oldWidth, nullptr, 0);
    SystemParametersInfoW(SPI_SETDRAGHEIGHT, oldHeight, nullptr, 0);
}
