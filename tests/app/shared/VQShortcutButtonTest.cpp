#include "app/shared/VQShortcutButton.h"

#include "app/shared/VQUiResources.h"
#include "ui/theme/UiTheme.h"

#include "support/Canvas.h"
#include "ui/ScopedLook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kCell = 8;
constexpr COLORREF kIconColour = RGB(220, 20, 30);
constexpr COLORREF kOtherColour = RGB(20, 40, 200);

// A strip of 20 cells: the preset buttons' icon in its own colour, every
// other cell in another, so a wrong cell shows.
HBITMAP MakeStrip() {
    const int width = 20 * kCell;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -kCell, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr)
        return nullptr;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < kCell; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c =
                x / kCell == CVQShortcutButton::kIconIndex ? kIconColour : kOtherColour;
            pixels[y * width + x] =
                0xFF000000u | GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
        }
    return bitmap;
}

// The global small strip holds the test strip for the test's duration.
class StripScope {
public:
    StripScope() {
        HBITMAP strip = MakeStrip();
        loaded = UiResources().SmallIcons().FromHBitmap(strip);
        DeleteObject(strip);
    }
    ~StripScope() { UiResources().SmallIcons().Reset(); }
    bool loaded = false;
};

} // namespace

TEST(CVQShortcutButton, TheFaceIsTheBackgroundAFocusCueAndTheCentredPresetIcon) {
    StripScope strip;
    ASSERT_TRUE(strip.loaded);
    // 31 x 21: the icon's offsets (23 / 2, 13 / 2) are cut toward zero.
    const RECT rect = {0, 0, 31, 21};
    const int left = 11, top = 6;
    struct Case {
        bool systemLook;
        bool focus;
    } cases[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "system look " << c.systemLook << " focus " << c.focus);
        ScopedLook look(c.systemLook);
        const COLORREF back = c.systemLook ? GetSysColor(COLOR_BTNFACE) : ThemeColour(ThemeBase);
        const COLORREF text = c.systemLook ? GetSysColor(COLOR_BTNTEXT) : ThemeColour(ThemeText);
        ASSERT_NE(back, text);
        Canvas canvas(31, 21, RGB(1, 2, 3));
        CVQShortcutButton button;
        EXPECT_TRUE(button.DrawFace(canvas.Dc(), rect, c.focus));

        EXPECT_EQ(canvas.PixelsOf(kOtherColour).size(), 0u) << "another cell was drawn";
        const auto icon = canvas.PixelsOf(kIconColour);
        ASSERT_EQ(icon.size(), size_t(kCell * kCell));
        EXPECT_EQ(icon.front().x, left);
        EXPECT_EQ(icon.front().y, top);
        EXPECT_EQ(icon.back().x, left + kCell - 1);
        EXPECT_EQ(icon.back().y, top + kCell - 1);

        EXPECT_EQ(canvas.At(0, 0), back);
        EXPECT_EQ(canvas.At(30, 20), back);
        // The focus cue runs one pixel inside the edge and nowhere else.
        const auto cue = canvas.PixelsOf(text);
        EXPECT_EQ(cue.empty(), !c.focus);
        for (const POINT& p : cue)
            EXPECT_TRUE(p.x == 1 || p.x == 29 || p.y == 1 || p.y == 19) << p.x << "," << p.y;
    }
}

TEST(CVQShortcutButton, WithoutTheStripOnlyTheBackgroundIsDrawn) {
    UiResources().SmallIcons().Reset();
    ScopedLook look(false);
    Canvas canvas(20, 20, RGB(1, 2, 3));
    CVQShortcutButton button;
    EXPECT_FALSE(button.DrawFace(canvas.Dc(), RECT{0, 0, 20, 20}, false));
    EXPECT_EQ(canvas.PixelsOf(ThemeColour(ThemeBase)).size(), 400u);
}
