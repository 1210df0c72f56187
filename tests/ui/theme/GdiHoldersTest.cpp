#include "ui/theme/GdiHolders.h"

#include "support/Canvas.h"
#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

TEST(GdiHolders, BitmapsKeepTheirSizeOnlyWhenCreated) {
    mvGdiBitmap bitmap;
    ASSERT_NE(bitmap.CreateDIB(7, 5, nullptr), nullptr);
    EXPECT_EQ(bitmap.Width(), 7);
    EXPECT_EQ(bitmap.Height(), 5);
    ASSERT_NE(bitmap.Bits(), nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(bitmap.Get(), sizeof section, &section), int(sizeof section));
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    EXPECT_GT(section.dsBmih.biHeight, 0); // bottom-up
    const HGDIOBJ first = bitmap.Get();

    // A new bitmap replaces the old one, which is deleted.
    ASSERT_NE(bitmap.CreateCompatible(3, 4, nullptr), nullptr);
    EXPECT_EQ(GetObjectType(first), 0u);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Bits(), nullptr);

    for (const SIZE size : {SIZE{0, 4}, SIZE{4, 0}, SIZE{-1, 3}}) {
        EXPECT_EQ(bitmap.CreateDIB(size.cx, size.cy, nullptr), nullptr);
        EXPECT_FALSE(bitmap);
        EXPECT_EQ(bitmap.Width(), 0);
        EXPECT_EQ(bitmap.Height(), 0);
    }
}

TEST(GdiHolders, DibAccessFindsTheRowOrder) {
    struct Case {
        bool topDown;
        COLORREF corner; // the colour at (0, 0) before the probe
    } cases[] = {{false, RGB(0, 0, 0)},
                 {false, RGB(255, 255, 255)},
                 {true, RGB(0, 0, 0)},
                 {true, RGB(9, 8, 7)}};
    for (const Case& c : cases) {
        // The other corners hold the probe colours, to catch a probe that
        // reads the wrong row.
        Canvas canvas(3, 4, RGB(255, 255, 255), c.topDown);
        SetPixel(canvas.Dc(), 0, 3, RGB(0, 0, 0));
        SetPixel(canvas.Dc(), 0, 0, c.corner);
        const DibAccess dib = GetDibAccess(canvas.Dc());
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib.width, 3);
        EXPECT_EQ(dib.height, 4);
        EXPECT_EQ(dib.topDown, c.topDown) << c.corner;
        EXPECT_EQ(canvas.At(0, 0), c.corner); // put back
        EXPECT_EQ(dib.At(0, 0) & 0xFFFFFF, unsigned(GetBValue(c.corner) | GetGValue(c.corner) << 8 |
                                                    GetRValue(c.corner) << 16));
    }
}

TEST(GdiHolders, DibAccessNeedsA32BitSection) {
    EXPECT_FALSE(GetDibAccess(nullptr));
    MemoryDC dc(CreateCompatibleDC(nullptr));
    EXPECT_FALSE(GetDibAccess(dc.Get())); // the stock 1 x 1 bitmap

    mvGdiBitmap compatible;
    compatible.CreateCompatible(4, 4, dc.Get());
    const HGDIOBJ old = SelectObject(dc.Get(), compatible.Get());
    EXPECT_FALSE(GetDibAccess(dc.Get()));
    SelectObject(dc.Get(), old);
}

TEST(GdiHolders, PaintDcSelectsTheFontAndValidates) {
    WindowHandle window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 30, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    const mvfont font(
        CreateFontW(-11, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    SendMessageW(window.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    const HFONT systemFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));

    struct Case {
        HFONT given;
        HFONT selected;
    } cases[] = {{kWindowFont, font.Get()}, {systemFont, systemFont}};
    for (const Case& c : cases) {
        InvalidateRect(window.Get(), nullptr, FALSE);
        mvPaintDC paint(window.Get(), c.given);
        ASSERT_NE(paint.Dc(), nullptr);
        EXPECT_EQ(GetBkMode(paint.Dc()), TRANSPARENT);
        EXPECT_EQ(GetCurrentObject(paint.Dc(), OBJ_FONT), c.selected);
        paint.End();
        paint.End(); // a second end does nothing
        EXPECT_FALSE(GetUpdateRect(window.Get(), nullptr, FALSE));
    }
}
