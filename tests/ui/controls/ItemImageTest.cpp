#include "ui/controls/ItemImage.h"

#include "foundation/Handles.h"
#include "foundation/mvcominit.h"
#include "support/Canvas.h"
#include "support/SolidBitmap.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <commoncontrols.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

// The colours of a 32 x 32 white canvas after the painting.
std::vector<COLORREF> Painted(const std::function<void(HDC)>& paint) {
    Canvas canvas(32, 32);
    paint(canvas.Dc());
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            pixels.push_back(canvas.At(x, y));
    return pixels;
}

} // namespace

TEST(ItemImage, EachViewShowsItsShellList) {
    const struct {
        int view;
        bool hasExtraLarge;
        int list;
    } cases[] = {
        {ViewSmallIcons, true, SHIL_SMALL},
        {ViewIcons, true, SHIL_LARGE},
        {ViewLargeIcons, true, SHIL_EXTRALARGE},
        {ViewList, true, SHIL_SMALL},
        {ViewDetails, true, SHIL_SMALL},
        {ViewTiles, true, SHIL_EXTRALARGE},
        {ViewTiles, false, SHIL_LARGE},
        {17, true, SHIL_SMALL},
        {-1, false, SHIL_SMALL},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.list, ImageListForView(c.view, c.hasExtraLarge))
            << c.view << " " << c.hasExtraLarge;
}

TEST(ItemImage, IconOfTheListOrTheThumbnailCentredAndHalfTransparentWhenCut) {
    mvcominit com;
    IImageList* shellList = nullptr;
    ASSERT_TRUE(SUCCEEDED(
        SHGetImageList(SHIL_LARGE, __uuidof(IImageList), reinterpret_cast<void**>(&shellList))));
    ComHandle<IImageList> held(shellList);
    const auto list = reinterpret_cast<HIMAGELIST>(shellList);
    const RECT cell = {0, 0, 32, 32};
    SHFILEINFOW info = {};
    SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                   SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    const int icon = info.iIcon;

    const auto direct = Painted([&](HDC dc) {
        ImageList_DrawEx(list, icon, dc, 0, 0, 32, 32, CLR_NONE, CLR_NONE, ILD_NORMAL);
    });
    EXPECT_NE(Painted([](HDC) {}), direct) << "the icon leaves a mark";
    EXPECT_EQ(direct,
              Painted([&](HDC dc) { DrawItemImage(dc, cell, list, icon, -1, nullptr, false); }));
    EXPECT_EQ(Painted([](HDC) {}),
              Painted([&](HDC dc) { DrawItemImage(dc, cell, nullptr, icon, 2, nullptr, false); }))
        << "no list, no icon";

    GdiHandle<HBITMAP> thumbnail(SolidBitmap(8, 0));
    for (bool cut : {false, true}) {
        const auto pixels =
            Painted([&](HDC dc) { DrawItemImage(dc, cell, list, icon, -1, thumbnail.Get(), cut); });
        const int grey = GetRValue(pixels[16 * 32 + 16]);
        EXPECT_NEAR(cut ? 0x7F : 0, grey, 3) << cut;
        EXPECT_EQ(RGB(255, 255, 255), pixels[0]) << cut << ": an 8-pixel image centred in 32";
        EXPECT_EQ(RGB(255, 255, 255), pixels[11 * 32 + 11]) << cut;
    }
}
