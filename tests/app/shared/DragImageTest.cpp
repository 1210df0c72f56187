#include "app/shared/DragImage.h"

#include "foundation/Handles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(DragImageTest, StacksUpToFourImagesWithTheFirstOnTop) {
    struct Case {
        int iconSize;
        std::size_t count;
        int side;
        POINT offset;
        int firstSquare, squares; // the first drawn square's corner; each next is 2 further
        bool badge;
    };
    const SIZE digit{7, 15}; // a one- or two-digit count in the default UI font
    const Case cases[] = {
        {32, 1, 50, {25, 41}, 9, 1, false},
        {32, 2, 50, {25, 41}, 9, 2, true},
        {32, 3, 50, {25, 41}, 7, 3, true},
        {48, 7, 66, {33, 57}, 7, 4, true},
        {16, 40, 34, {17, 25}, 7, 4, true},
    };
    for (const Case& c : cases) {
        const DragImageLayout layout = LayoutDragImage(c.iconSize, c.count, digit);
        EXPECT_EQ(layout.side, c.side) << c.iconSize << " " << c.count;
        EXPECT_EQ(layout.offset.x, c.offset.x);
        EXPECT_EQ(layout.offset.y, c.offset.y);
        ASSERT_EQ(layout.squares.size(), static_cast<std::size_t>(c.squares));
        for (int i = 0; i < c.squares; ++i) {
            const int at = c.firstSquare + 2 * i;
            const RECT& square = layout.squares[i];
            EXPECT_EQ(square.left, at);
            EXPECT_EQ(square.top, at);
            EXPECT_EQ(square.right - square.left, c.iconSize);
            EXPECT_EQ(square.bottom - square.top, c.iconSize);
        }
        EXPECT_EQ(!IsRectEmpty(&layout.badge), c.badge);
    }
}

TEST(DragImageTest, TheCountBadgeIsFilledOnlyWhereTheIconLeavesRoom) {
    // The count's box: its text with 4 pixels round it, at least as wide as
    // high, centred.
    struct Case {
        int iconSize;
        SIZE text;
        RECT badge;
        bool filled;
    };
    const Case cases[] = {
        {32, {7, 15}, {13, 13, 36, 36}, true},   // 23 x 23 fits 32 - 4; (50 - 23) / 2 = 13
        {32, {30, 15}, {6, 13, 44, 36}, false},  // 38 wide does not
        {48, {14, 15}, {21, 21, 44, 44}, true},
        {16, {7, 15}, {5, 5, 28, 28}, false},
    };
    for (const Case& c : cases) {
        const DragImageLayout layout = LayoutDragImage(c.iconSize, 12, c.text);
        EXPECT_TRUE(EqualRect(&layout.badge, &c.badge))
            << c.iconSize << ": " << layout.badge.left << "," << layout.badge.top << ","
            << layout.badge.right << "," << layout.badge.bottom;
        EXPECT_EQ(layout.badgeFilled, c.filled) << c.iconSize << " " << c.text.cx;
    }
}

// Solid squares stand for the items' icons, so that each one's place shows
// in the painted bitmap. No drag image reaches the screen under Wine: the
// bitmap is what can be looked at.
TEST(DragImageTest, PaintsTheItemsAndTheBadgeWhereTheLayoutSays) {
    constexpr int kSize = 32;
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
    HIMAGELIST list = ImageList_Create(kSize, kSize, ILC_COLOR32, 3, 0);
    ASSERT_NE(list, nullptr);
    const ScreenDC screen(GetDC(nullptr));
    const MemoryDC paint(CreateCompatibleDC(screen.Get()));
    for (COLORREF colour : colours) {
        GdiHandle<HBITMAP> square(CreateCompatibleBitmap(screen.Get(), kSize, kSize));
        const HGDIOBJ old = SelectObject(paint.Get(), square.Get());
        const RECT all{0, 0, kSize, kSize};
        const GdiHandle<HBRUSH> brush(CreateSolidBrush(colour));
        FillRect(paint.Get(), &all, brush.Get());
        SelectObject(paint.Get(), old);
        ImageList_Add(list, square.Get(), nullptr);
    }
    std::vector<ItemImageParts> images(3);
    for (int i = 0; i < 3; ++i)
        images[i].icon = i;

    DragImageLayout layout;
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GdiHandle<HBITMAP> bitmap(PaintDragImage(kSize, list, images, 3, font, &layout));
    ASSERT_TRUE(bitmap);
    ImageList_Destroy(list);
    ASSERT_EQ(layout.squares.size(), 3u);
    ASSERT_TRUE(layout.badgeFilled);

    const HGDIOBJ old = SelectObject(paint.Get(), bitmap.Get());
    auto at = [&](int x, int y) { return GetPixel(paint.Get(), x, y) & 0xFFFFFF; };
    // The third item lies lowest and shows only at its top left corner, the
    // first lies on top and shows whole at its bottom right.
    const RECT& third = layout.squares[0];
    const RECT& second = layout.squares[1];
    const RECT& first = layout.squares[2];
    EXPECT_EQ(at(third.left, third.top), colours[2]);
    EXPECT_EQ(at(second.left, second.top), colours[1]);
    EXPECT_EQ(at(first.left, first.top), colours[0]);
    EXPECT_EQ(at(first.right - 1, first.bottom - 1), colours[0]);
    EXPECT_EQ(at(first.right, first.bottom), at(0, 0)) << "background past the top square";
    // The badge: framed in the highlight's text colour, filled with the
    // highlight inside the frame.
    EXPECT_EQ(at(layout.badge.left, layout.badge.top), GetSysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(at(layout.badge.left + 1, layout.badge.top + 1), GetSysColor(COLOR_HIGHLIGHT));
    SelectObject(paint.Get(), old);
}

} // namespace
