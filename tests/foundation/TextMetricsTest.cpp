#include "foundation/TextMetrics.h"

#include "foundation/Handles.h"

#include <gtest/gtest.h>

namespace {

// Memory DCs are freed with DeleteDC, unlike the screen's.
using MemoryDC = mvHandle<HDC, ::DeleteDC>;

TEST(TextMetricsTest, AverageIsTheRoundedWidthOfTheLatinLettersInTheSelectedFont) {
    ScreenDC screen(GetDC(nullptr));
    ASSERT_TRUE(screen);
    MemoryDC dc(CreateCompatibleDC(screen.Get()));
    ASSERT_TRUE(dc);
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (const int height : {-11, -16, -29}) {
        GdiHandle<HFONT> font(CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0,
                                          0, 0, 0, L"Tahoma"));
        ASSERT_TRUE(font);
        const HGDIOBJ old = SelectObject(dc.Get(), font.Get());
        SIZE extent{};
        ASSERT_TRUE(GetTextExtentPoint32W(dc.Get(), letters, 52, &extent));
        TEXTMETRICW metrics{};
        ASSERT_TRUE(GetTextMetricsW(dc.Get(), &metrics));

        int average = -1;
        EXPECT_EQ(MeasureAverageChar(dc.Get(), &average), metrics.tmHeight) << height;
        EXPECT_EQ(average, (extent.cx * 2 + 52) / 104) << "width " << extent.cx;
        EXPECT_EQ(MeasureAverageChar(dc.Get(), nullptr), metrics.tmHeight);
        SelectObject(dc.Get(), old);
    }
}

TEST(TextMetricsTest, NoDeviceContextMeasuresNothing) {
    int average = -1;
    EXPECT_EQ(MeasureAverageChar(nullptr, &average), 0);
    EXPECT_EQ(average, 0);
}

} // namespace
