#include "ui/theme/DrawPrimitives.h"

#include "foundation/Handles.h"

#include "support/Canvas.h"
#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kInk = RGB(200, 10, 30);
constexpr COLORREF kInk2 = RGB(10, 150, 40);
constexpr COLORREF kPaper = RGB(255, 255, 255);

using Art = std::vector<std::string>;

int CountInRow(const Canvas& canvas, int y, COLORREF color) {
    int count = 0;
    for (int x = 0; x < canvas.Width(); ++x)
        count += canvas.At(x, y) == color;
    return count;
}

} // namespace

TEST(DrawPrimitives, BlendColor) {
    struct Case {
        COLORREF first, second;
        unsigned percent;
        COLORREF expected;
    } cases[] = {
        {RGB(10, 20, 30), RGB(200, 100, 50), 100, RGB(10, 20, 30)},
        {RGB(10, 20, 30), RGB(200, 100, 50), 0, RGB(200, 100, 50)},
        {RGB(10, 20, 30), RGB(200, 100, 50), 250, RGB(10, 20, 30)},
        // Only the low 8 bits count: 0x164 is 100.
        {RGB(10, 20, 30), RGB(200, 100, 50), 0x164, RGB(10, 20, 30)},
        // Each part is truncated on its own: 255 x 50 / 100 = 127, 1 x 50 / 100 = 0.
        {RGB(255, 0, 1), RGB(1, 255, 1), 50, RGB(127, 127, 0)},
        {RGB(0, 0, 0), RGB(255, 255, 255), 30, RGB(178, 178, 178)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BlendColor(c.first, c.second, c.percent), c.expected) << c.percent;
}

TEST(DrawPrimitives, FrameStripsFollowTheMask) {
    struct Case {
        unsigned sides;
        int thickness;
        Art expected;
    } cases[] = {
        {SideAll, 1, {"######", "#....#", "#....#", "######"}},
        {SideLeft | SideBottom, 2, {"##....", "##....", "######", "######"}},
        {SideTop | SideRight, 1, {"######", ".....#", ".....#", ".....#"}},
        {0, 1, {"......", "......", "......", "......"}},
    };
    for (const Case& c : cases) {
        Canvas canvas(8, 6);
        SetBkColor(canvas.Dc(), kInk2);
        const RECT box{1, 1, 7, 5};
        DrawFrameRect(canvas.Dc(), &box, kInk, c.sides, c.thickness, 0);
        Art drawn;
        for (const std::string& row : canvas.Art(kInk))
            drawn.push_back(row.substr(1, 6));
        drawn = Art(drawn.begin() + 1, drawn.begin() + 5);
        EXPECT_EQ(drawn, c.expected) << c.sides;
        EXPECT_EQ(CountInRow(canvas, 0, kPaper), 8); // nothing outside the rectangle
        EXPECT_EQ(GetBkColor(canvas.Dc()), kInk2);   // background colour restored
    }
}

TEST(DrawPrimitives, FrameAlphaOnlyOnStripsInsideTheBitmap) {
    for (const bool topDown : {false, true}) {
        Canvas canvas(6, 5, kPaper, topDown);
        // Reaches past the right and bottom edges of the bitmap.
        const RECT box{2, 1, 9, 8};
        DrawFrameRect(canvas.Dc(), &box, kInk, SideLeft | SideTop, 1, 0x80);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool onStrip = (x == 2 && y >= 1) || (y == 1 && x >= 2);
                EXPECT_EQ(canvas.Alpha(x, y), onStrip ? 0x80 : 0) << x << "," << y << topDown;
                EXPECT_EQ(canvas.At(x, y), onStrip ? kInk : kPaper);
            }
    }
}

TEST(DrawPrimitives, NoColourAndNoDcDrawNothing) {
    Canvas canvas(12, 12);
    const RECT box{0, 0, 12, 12};
    DrawFrameRect(canvas.Dc(), &box, kNoColor, SideAll, 2, 0);
    DrawFrameRect(canvas.Dc(), &box, 0x01000000 | kInk, SideAll, 2, 0);
    DrawRoundRect(canvas.Dc(), &box, kNoColor, kNoColor, 1);
    DrawButtonFace(canvas.Dc(), &box, kNoColor, kNoColor, kNoColor, MarkCheck, 0);
    EXPECT_EQ(canvas.PixelsOf(kPaper).size(), 144u);
    // Without a DC every primitive returns at once.
    DrawFrameRect(nullptr, &box, kInk, SideAll, 1, 255);
    DrawEdgeSides(nullptr, &box, kInk, kInk, SideAll);
    FillGradient(nullptr, &box, kInk, kInk2, true);
    DrawFocusDots(nullptr, &box, kInk);
    DrawButtonFace(nullptr, &box, kInk, kInk, kInk, MarkCheck, 0.5);
    DrawChevron(nullptr, &box, kInk, ChevronVertical, true, 0);
    DrawArrowGlyph(nullptr, &box, kInk, kInk2, 8, true);
    FillCircle(nullptr, 0, 0, 8, kInk);
    DrawRoundRect(nullptr, &box, kInk, kInk, 1);
    DrawSizeGrip(nullptr, &box, kInk);
}

TEST(DrawPrimitives, EdgeSidesTakeTwoColours) {
    Canvas canvas(5, 4);
    const RECT box{0, 0, 5, 4};
    DrawEdgeSides(canvas.Dc(), &box, kInk, kInk2, SideAll);
    // The later sides (right, bottom) paint over the corners they share.
    EXPECT_EQ(canvas.Art(kInk), (Art{"####.", "#....", "#....", "....."}));
    EXPECT_EQ(canvas.Art(kInk2), (Art{"....#", "....#", "....#", "#####"}));
}

TEST(DrawPrimitives, GradientStepsPerLine) {
    Canvas canvas(4, 4);
    const RECT box{0, 0, 4, 4};
    FillGradient(canvas.Dc(), &box, RGB(0, 200, 100), RGB(100, 0, 100), true);
    for (int y = 0; y < 4; ++y) {
        const COLORREF expected = RGB(25 * y, 200 - 50 * y, 100);
        EXPECT_EQ(CountInRow(canvas, y, expected), 4) << y;
    }
    FillGradient(canvas.Dc(), &box, RGB(100, 0, 0), RGB(0, 0, 0), false);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(canvas.At(x, 2), RGB(100 - 25 * x, 0, 0)) << x;
    FillGradient(canvas.Dc(), &box, kInk, kInk, false);
    EXPECT_EQ(canvas.PixelsOf(kInk).size(), 16u);
}

TEST(DrawPrimitives, FocusDotsAlternateRoundTheCorners) {
    Canvas canvas(5, 4);
    const RECT box{0, 0, 5, 4};
    DrawFocusDots(canvas.Dc(), &box, kInk);
    // From the bottom-left corner up, along the top, down and back.
    EXPECT_EQ(canvas.Art(kInk), (Art{".#.#.", "#...#", ".....", "#.#.#"}));
}

TEST(DrawPrimitives, SizeGripSquares) {
    Canvas canvas(12, 12);
    const RECT box{0, 0, 12, 12};
    DrawSizeGrip(canvas.Dc(), &box, kInk);
    EXPECT_EQ(canvas.Art(kInk),
              (Art{"............", "............", "........##..", "........##..", "............",
                   ".....##.##..", ".....##.##..", "............", "..##.##.##..", "..##.##.##..",
                   "............", "............"}));
}

TEST(DrawPrimitives, ButtonFaceIsOddWithFrameAndMark) {
    // A 12 x 12 box becomes 11 x 11; the mark sits inset by max(2, 1) + 1.
    Canvas canvas(12, 12);
    const RECT box{0, 0, 12, 12};
    DrawButtonFace(canvas.Dc(), &box, kInk2, kInk, RGB(0, 0, 255), MarkSquare, 0);
    EXPECT_EQ(CountInRow(canvas, 0, kInk), 11);
    EXPECT_EQ(canvas.At(11, 0), kPaper);
    EXPECT_EQ(canvas.At(0, 11), kPaper);
    EXPECT_EQ(canvas.At(10, 10), kInk);
    EXPECT_EQ(canvas.PixelsOf(RGB(0, 0, 255)).size(), 25u); // 3..7 square
    EXPECT_EQ(canvas.At(3, 3), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(2, 2), kInk2);

    // A fraction shrinks the box by height x (1 - fraction) / 2 on each side.
    Canvas shrunk(20, 20);
    const RECT large{0, 0, 20, 20};
    DrawButtonFace(shrunk.Dc(), &large, kInk2, kInk, kNoColor, MarkCheck, 0.5);
    EXPECT_EQ(shrunk.At(5, 5), kInk);
    EXPECT_EQ(shrunk.At(4, 4), kPaper);
    EXPECT_EQ(CountInRow(shrunk, 5, kInk), 9); // 10 wide made odd
}

TEST(DrawPrimitives, CheckMarkIsOneStrokeDownThenUp) {
    Canvas canvas(30, 30);
    const RECT box{0, 0, 29, 29};
    constexpr COLORREF kMark = RGB(0, 0, 255);
    DrawButtonFace(canvas.Dc(), &box, kNoColor, kNoColor, kMark, MarkCheck, 0);
    // Inset max(2, 4) + 1 = 5: the mark spans columns 5..23, each column a
    // run of exactly 3 pixels, stepping by one row between neighbours.
    std::vector<int> tops;
    for (int x = 0; x < 30; ++x) {
        std::vector<int> rows;
        for (int y = 0; y < 30; ++y)
            if (canvas.At(x, y) == kMark)
                rows.push_back(y);
        if (x < 5 || x > 23) {
            EXPECT_TRUE(rows.empty()) << x;
            continue;
        }
        ASSERT_EQ(rows.size(), 3u) << x;
        EXPECT_EQ(rows[2] - rows[0], 2) << x;
        tops.push_back(rows[0]);
    }
    const size_t lowest = std::max_element(tops.begin(), tops.end()) - tops.begin();
    EXPECT_EQ(lowest + 1, size_t((19 - 1) * 0.4) + 1); // short stroke length
    for (size_t i = 1; i < tops.size(); ++i)
        EXPECT_EQ(tops[i] - tops[i - 1], i <= lowest ? 1 : -1) << i;
    // Centred vertically in the inner area (rows 5..23).
    const int top = *std::min_element(tops.begin(), tops.end());
    const int bottom = tops[lowest] + 2;
    EXPECT_LE(std::abs((top - 5) - (23 - bottom)), 1);
}

TEST(DrawPrimitives, ChevronPointsTheChosenWay) {
    struct Case {
        int orientation;
        bool towardsEnd;
    } cases[] = {{ChevronHorizontal, true},
                 {ChevronHorizontal, false},
                 {ChevronVertical, true},
                 {ChevronVertical, false}};
    for (const Case& c : cases) {
        // 16 x 10 is trimmed to the square 3..13 x 0..10.
        Canvas canvas(16, 10);
        const RECT box{0, 0, 16, 10};
        DrawChevron(canvas.Dc(), &box, kInk, c.orientation, c.towardsEnd, 0);
        const std::vector<POINT> pixels = canvas.PixelsOf(kInk);
        ASSERT_FALSE(pixels.empty());
        // along: the axis the tip points on, across: the other one.
        const bool vertical = c.orientation == ChevronVertical;
        int minAlong = 99, maxAlong = -1, minAcross = 99, maxAcross = -1;
        for (const POINT& p : pixels) {
            EXPECT_TRUE(p.x >= 3 && p.x < 13) << p.x;
            const int along = vertical ? p.y : p.x, across = vertical ? p.x : p.y;
            minAlong = std::min(minAlong, along), maxAlong = std::max(maxAlong, along);
            minAcross = std::min(minAcross, across), maxAcross = std::max(maxAcross, across);
        }
        EXPECT_EQ(maxAlong - minAlong + 1, 5) << c.orientation; // n = half the side
        // The tip: the one line across that is only the meeting point.
        const int tipAlong = c.towardsEnd ? maxAlong : minAlong;
        const int baseAlong = c.towardsEnd ? minAlong : maxAlong;
        int tipCount = 0, baseCount = 0;
        for (const POINT& p : pixels) {
            const int along = vertical ? p.y : p.x;
            tipCount += along == tipAlong;
            baseCount += along == baseAlong;
        }
        EXPECT_EQ(baseCount, 4) << c.orientation << c.towardsEnd; // two blocks apart
        EXPECT_LE(tipCount, 3) << c.orientation << c.towardsEnd;  // blocks meet
    }
}

TEST(DrawPrimitives, ArrowRowsShrinkTowardsTheTip) {
    for (const bool up : {true, false}) {
        Canvas canvas(12, 10);
        const RECT box{0, 0, 12, 10};
        // Size 7 grows to 8: four rows of 8, 6, 4, 2 pixels.
        DrawArrowGlyph(canvas.Dc(), &box, kInk, kInk2, 7, up);
        std::vector<int> widths;
        for (int y = 0; y < 10; ++y) {
            const int width = CountInRow(canvas, y, kInk) + CountInRow(canvas, y, kInk2);
            if (width != 0)
                widths.push_back(width);
        }
        EXPECT_EQ(widths, up ? (std::vector<int>{2, 4, 6, 8}) : (std::vector<int>{8, 6, 4, 2}));
        // The widest row in the edge colour, the others with edge-coloured ends.
        const int widest = up ? 6 : 3;
        EXPECT_EQ(CountInRow(canvas, widest, kInk2), 8);
        const int next = up ? 5 : 4;
        EXPECT_EQ(CountInRow(canvas, next, kInk2), 2);
        EXPECT_EQ(CountInRow(canvas, next, kInk), 4);
    }
    Canvas narrow(4, 10);
    const RECT box{0, 0, 4, 10};
    DrawArrowGlyph(narrow.Dc(), &box, kInk, kInk, 30, false); // limited to the width
    EXPECT_EQ(narrow.PixelsOf(kInk).size(), 4u + 2u);
}

TEST(DrawPrimitives, RoundRectCornersFromTwentyOnePixels) {
    struct Case {
        int width;
        bool rounded;
    } cases[] = {{20, false}, {21, true}};
    for (const Case& c : cases) {
        Canvas canvas(c.width, 40);
        const RECT box{0, 0, c.width, 40};
        DrawRoundRect(canvas.Dc(), &box, kInk2, kInk, 1);
        EXPECT_EQ(canvas.At(0, 0) == kInk, !c.rounded) << c.width;
        EXPECT_EQ(canvas.At(c.width - 1, 39) == kInk, !c.rounded) << c.width;
        EXPECT_EQ(canvas.At(c.width / 2, 20), kInk2) << c.width;
        EXPECT_EQ(canvas.At(c.width / 2, 0), kInk) << c.width;
    }
}

TEST(DrawPrimitives, FillCircleLeavesTheBoxCorners) {
    Canvas canvas(20, 20);
    FillCircle(canvas.Dc(), 2, 2, 16, kInk);
    EXPECT_EQ(canvas.At(10, 10), kInk);
    EXPECT_EQ(canvas.At(10, 3), kInk);
    EXPECT_EQ(canvas.At(3, 3), kPaper);
    EXPECT_EQ(canvas.At(17, 17), kPaper);
    EXPECT_EQ(canvas.At(1, 10), kPaper);
}

TEST(DrawPrimitives, NonClientSidesPaintTheBorderOnly) {
    constexpr COLORREF kFill = RGB(1, 2, 3), kLeft = RGB(10, 0, 0), kTop = RGB(0, 20, 0),
                       kRight = RGB(0, 0, 30), kBottom = RGB(40, 40, 0);
    struct Case {
        DWORD style;
        bool painted;
    } cases[] = {{WS_POPUP | WS_THICKFRAME, true}, {WS_POPUP | WS_BORDER, true}, {WS_POPUP, false}};
    for (const Case& c : cases) {
        WindowHandle window(CreateWindowExW(0, L"STATIC", L"", c.style, 0, 0, 60, 40, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(window);
        RECT outer{}, client{};
        GetWindowRect(window.Get(), &outer);
        GetClientRect(window.Get(), &client);
        MapWindowPoints(window.Get(), nullptr, reinterpret_cast<POINT*>(&client), 2);
        const int width = outer.right - outer.left, height = outer.bottom - outer.top;
        const int border = client.left - outer.left; // the same on every side here
        Canvas canvas(width, height);
        PaintNonClientSides(window.Get(), canvas.Dc(), kFill, kLeft, kTop, kRight, kBottom);
        if (!c.painted) {
            EXPECT_EQ(canvas.PixelsOf(kPaper).size(), size_t(width * height));
            continue;
        }
        // Outer lines in order left, top, right, bottom: later ones take the corners.
        EXPECT_EQ(canvas.At(0, height / 2), kLeft);
        EXPECT_EQ(canvas.At(width / 2, 0), kTop);
        EXPECT_EQ(canvas.At(width - 1, 0), kRight);
        EXPECT_EQ(canvas.At(0, height - 1), kBottom);
        EXPECT_EQ(canvas.At(width - 1, height - 1), kBottom);
        if (border > 1) {
            EXPECT_EQ(canvas.At(border - 1, height / 2), kFill);
        }
        EXPECT_EQ(canvas.At(border, height / 2), kPaper); // the client area stays
        EXPECT_EQ(canvas.At(width / 2, height / 2), kPaper);

        // One colour for all sides; without any drawn colour nothing happens.
        canvas.Fill(kPaper);
        PaintWindowBorder(window.Get(), canvas.Dc(), kNoColor, kInk);
        EXPECT_EQ(canvas.At(0, 0), kInk);
        EXPECT_EQ(canvas.At(width - 1, height / 2), kInk);
        if (border > 1) {
            EXPECT_EQ(canvas.At(border - 1, height / 2), kPaper); // no fill
        }
    }
}
