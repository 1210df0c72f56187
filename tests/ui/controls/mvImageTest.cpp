#include "ui/controls/mvImage.h"

#include "foundation/Handles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// A 32-bit DIB section whose rows are given top row first as 0xAARRGGBB.
struct Source {
    mvGdiBitmap bitmap;
    Source(int width, const std::vector<std::uint32_t>& topDown) {
        const int height = static_cast<int>(topDown.size()) / width;
        bitmap.CreateDIB(width, height, nullptr);
        auto* bits = static_cast<std::uint32_t*>(bitmap.Bits());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bits[(height - 1 - y) * width + x] = topDown[y * width + x];
    }
};

// The pixels of a bottom-up DIB section, top row first.
std::vector<std::uint32_t> TopDown(const mvGdiBitmap& dib) {
    std::vector<std::uint32_t> out;
    const auto* bits = static_cast<const std::uint32_t*>(dib.Bits());
    for (int y = dib.Height() - 1; y >= 0; --y)
        for (int x = 0; x < dib.Width(); ++x)
            out.push_back(bits[y * dib.Width() + x]);
    return out;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

const std::vector<std::uint32_t> kPixels = {
    0xFF102030, 0x80FF0000, 0x0012AB34, // the last is fully transparent
    0xFF00FF00, 0xFFFFFFFF, 0xFF000000,
};

TEST(mvimage, BitmapRoundTripClearsOnlyTransparentPixels) {
    Source source(3, kPixels);
    mvimage image;
    ASSERT_TRUE(image.FromHBitmap(source.bitmap.Get()));
    EXPECT_EQ(3, image.Width());
    EXPECT_EQ(2, image.Height());
    mvGdiBitmap dib;
    ASSERT_TRUE(image.ToHBitmap(dib, nullptr));
    std::vector<std::uint32_t> expected = kPixels;
    expected[2] = 0;
    EXPECT_EQ(expected, TopDown(dib));

    const struct {
        RECT part;
        int width, height;
        std::vector<std::uint32_t> pixels;
    } parts[] = {
        {{1, 0, 3, 1}, 2, 1, {0x80FF0000, 0}},
        {{2, 1, 9, 9}, 1, 1, {0xFF000000}}, // clipped to the image
        {{0, 1, 2, 2}, 2, 1, {0xFF00FF00, 0xFFFFFFFF}},
    };
    for (const auto& p : parts) {
        ASSERT_TRUE(image.ToHBitmap(dib, &p.part));
        EXPECT_EQ(p.width, dib.Width());
        EXPECT_EQ(p.height, dib.Height());
        EXPECT_EQ(p.pixels, TopDown(dib));
    }
    const RECT outside = {5, 5, 8, 8};
    EXPECT_FALSE(image.ToHBitmap(dib, &outside));
}

// Bitmaps that carry no alpha at all are opaque images, not fully
// transparent ones; one transparent pixel is enough to keep the alpha.
TEST(mvimage, BitmapsWithoutAlphaAreOpaque) {
    mvGdiBitmap plain; // 24-bit, as the screen keeps it
    {
        MemoryDC dc(CreateCompatibleDC(nullptr));
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 1, 1, 24, BI_RGB};
        void* bits = nullptr;
        GdiHandle<HBITMAP> rgb(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const HGDIOBJ old = SelectObject(dc.Get(), rgb.Get());
        SetPixelV(dc.Get(), 0, 0, RGB(0x10, 0x20, 0x30));
        SetPixelV(dc.Get(), 1, 0, RGB(0, 0, 0));
        SelectObject(dc.Get(), old);
        mvimage image;
        ASSERT_TRUE(image.FromHBitmap(rgb.Get()));
        ASSERT_TRUE(image.ToHBitmap(plain, nullptr));
    }
    EXPECT_EQ((std::vector<std::uint32_t>{0xFF102030, 0xFF000000}), TopDown(plain));

    const struct {
        std::vector<std::uint32_t> given, expected;
    } cases[] = {
        {{0x00102030, 0x00000000}, {0xFF102030, 0xFF000000}}, // 32-bit, alpha all 0
        {{0x01102030, 0x00405060}, {0x01102030, 0}},          // has alpha: kept
    };
    for (const auto& c : cases) {
        Source source(2, c.given);
        mvimage image;
        ASSERT_TRUE(image.FromHBitmap(source.bitmap.Get()));
        mvGdiBitmap dib;
        ASSERT_TRUE(image.ToHBitmap(dib, nullptr));
        const std::vector<std::uint32_t> got = TopDown(dib);
        ASSERT_EQ(2u, got.size());
        for (size_t i = 0; i < 2; ++i)
            EXPECT_TRUE(Near(c.expected[i], got[i], 1)) << std::hex << got[i];
    }
}

// The test program carries a 3 x 2 PNG under the number 900 and the name
// "PIXELS"; the decoded image keeps its colours and alpha.
TEST(mvimage, PngResourceLoadsByNumberAndName) {
    for (const wchar_t* name : {static_cast<const wchar_t*>(MAKEINTRESOURCEW(900)), L"PIXELS"}) {
        mvimage image;
        ASSERT_TRUE(image.LoadPngResource(name));
        EXPECT_EQ(3, image.Width());
        EXPECT_EQ(2, image.Height());
        mvGdiBitmap dib;
        ASSERT_TRUE(image.ToHBitmap(dib, nullptr));
        EXPECT_EQ((std::vector<std::uint32_t>{0xFF302010, 0x800000FF, 0, 0xFF00FF00, 0xFFFFFFFF,
                                              0xFF000000}),
                  TopDown(dib));
        // Loading again over a held image replaces it; a missing one drops it.
        EXPECT_TRUE(image.LoadPngResource(name));
        EXPECT_FALSE(image.LoadPngResource(L"NOSUCHPNG"));
        EXPECT_FALSE(image.IsLoaded());
    }
}

TEST(mvimage, EmptyImageRefusesEveryOperation) {
    mvimage image;
    mvGdiBitmap dib;
    dib.CreateDIB(2, 2, nullptr);
    EXPECT_FALSE(image.ToHBitmap(dib, nullptr));
    EXPECT_FALSE(dib); // the target's bitmap went too
    EXPECT_FALSE(image.FromHBitmap(nullptr));
    EXPECT_FALSE(image.DrawRect(GetDC(nullptr), nullptr, nullptr));
    EXPECT_FALSE(image.ApplyColorMatrix(GreyMatrix()));
    mvimage copy;
    EXPECT_FALSE(copy.CopyFrom(image));
    const wchar_t* const names[] = {nullptr, L"", L"NOSUCHPNG", MAKEINTRESOURCEW(129)};
    for (const wchar_t* name : names)
        EXPECT_FALSE(image.LoadPngResource(name));
}

TEST(mvimage, GreyMatrixAndBrightnessRecolourPixels) {
    Source source(3, kPixels);
    mvimage grey, hot;
    ASSERT_TRUE(grey.FromHBitmap(source.bitmap.Get()));
    ASSERT_TRUE(hot.CopyFrom(grey));
    ASSERT_TRUE(grey.ApplyColorMatrix(GreyMatrix()));
    ASSERT_TRUE(hot.ApplyBrightness(-25));
    mvGdiBitmap dib;
    ASSERT_TRUE(grey.ToHBitmap(dib, nullptr));
    std::vector<std::uint32_t> greyPixels = TopDown(dib);
    // 0.299 R + 0.587 G + 0.114 B in every channel, alpha times 0.6.
    const std::uint32_t expectedGrey[] = {0x991C1C1C, 0, 0, 0x99969696, 0x99FFFFFF, 0x99000000};
    for (size_t i : {0u, 3u, 4u, 5u})
        EXPECT_TRUE(Near(expectedGrey[i], greyPixels[i], 2))
            << i << " " << std::hex << greyPixels[i];
    EXPECT_EQ(0u, greyPixels[2]);
    ASSERT_TRUE(hot.ToHBitmap(dib, nullptr));
    std::vector<std::uint32_t> hotPixels = TopDown(dib);
    EXPECT_TRUE(Near(0xFFE6E6E6, hotPixels[4], 3)) << std::hex << hotPixels[4];
    EXPECT_TRUE(Near(0xFF00E600, hotPixels[3], 3)) << std::hex << hotPixels[3];
}

TEST(mvimage, DrawRectBlendsThroughAMatrix) {
    Source source(2, {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000});
    mvimage image;
    ASSERT_TRUE(image.FromHBitmap(source.bitmap.Get()));
    MemoryDC dc(CreateCompatibleDC(nullptr));
    mvGdiBitmap canvas;
    canvas.CreateDIB(4, 2, dc.Get());
    HGDIOBJ old = SelectObject(dc.Get(), canvas.Get());
    auto* bits = static_cast<std::uint32_t*>(canvas.Bits());
    std::fill(bits, bits + 8, 0xFFFFFFFF);
    const RECT left = {0, 0, 2, 2}, right = {2, 0, 4, 2};
    EXPECT_TRUE(image.DrawRect(dc.Get(), &left, nullptr));
    const mvColorMatrix half = AlphaMatrix(0.5f);
    EXPECT_TRUE(image.DrawRect(dc.Get(), &right, nullptr, &half));
    GdiFlush();
    SelectObject(dc.Get(), old);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_TRUE(Near(x < 2 ? 0 : 0x7F7F7F, bits[y * 4 + x] & 0xFFFFFF, 2))
                << x << "," << y << " " << std::hex << bits[y * 4 + x];
    }
}

} // namespace
