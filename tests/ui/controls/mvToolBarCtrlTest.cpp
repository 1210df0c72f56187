#include "ui/core/WindowHolders.h"
#include "ui/controls/mvToolBarCtrl.h"

#include "ProbeWnd.h"
#include "ScopedLook.h"
#include "support/Canvas.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A strip of `count` 16 x 16 opaque images side by side.
HBITMAP Strip(int count) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16 * count, 16, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::fill_n(static_cast<std::uint32_t*>(bits), 16 * 16 * count, 0xFF3366CCu);
    return bitmap;
}

// An opaque icon of one colour (0xAARRGGBB pixels).
IconHandle SolidIcon(int size, std::uint32_t pixel) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, size, 1, 32, BI_RGB};
    void* bits = nullptr;
    GdiHandle<HBITMAP> colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    std::fill_n(static_cast<std::uint32_t*>(bits), size * size, pixel);
    std::vector<BYTE> zeros(static_cast<size_t>(size) * size / 8 + 64, 0);
    GdiHandle<HBITMAP> mask(CreateBitmap(size, size, 1, 1, zeros.data()));
    ICONINFO icon = {TRUE, 0, 0, mask.Get(), colour.Get()};
    return IconHandle(CreateIconIndirect(&icon));
}

// The toolbar with the drop-down part the control reports given by the
// test: Wine's toolbar gives none. An empty part asks the control.
class PartToolBar : public mvToolBarCtrl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == TB_GETITEMDROPDOWNRECT && !IsRectEmpty(&part)) {
            *reinterpret_cast<RECT*>(lParam) = part;
            return TRUE;
        }
        return mvToolBarCtrl::WindowProc(message, wParam, lParam);
    }
    RECT part = {};
};

class mvToolBarCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 0, 0, 500, 200,
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L""));
        ASSERT_TRUE(bar.Create(parent.Handle()));
        bar.CreateImageLists(16, 16, false);
    }
    ProbeWnd parent;
    PartToolBar bar;
};

TEST_F(mvToolBarCtrlTest, StripsFillAllThreeListsAndForeignSourcesAreRefused) {
    EXPECT_EQ(1001, GetDlgCtrlID(bar.Handle()));
    GdiHandle<HBITMAP> three(Strip(3)), two(Strip(2));
    EXPECT_EQ(0, bar.AddBitmap(three.Get(), nullptr));
    EXPECT_EQ(3, bar.AddBitmap(two.Get(), nullptr));
    EXPECT_EQ(-1, bar.AddBitmap(nullptr, nullptr));
    for (HIMAGELIST list : {bar.m_normal.Get(), bar.m_disabled.Get(), bar.m_hot.Get()})
        EXPECT_EQ(5, ImageList_GetImageCount(list));

    TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(three.Get())};
    EXPECT_EQ(-1, SendMessageW(bar.Handle(), TB_ADDBITMAP, 3, reinterpret_cast<LPARAM>(&add)));
    EXPECT_EQ(-1,
              SendMessageW(bar.Handle(), TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(L"pool\0")));
    ImageListHandle foreign(ImageList_Create(16, 16, ILC_COLOR32, 1, 1));
    EXPECT_EQ(
        0, SendMessageW(bar.Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(foreign.Get())));
    EXPECT_EQ(reinterpret_cast<LRESULT>(bar.m_normal.Get()),
              SendMessageW(bar.Handle(), TB_GETIMAGELIST, 0, 0));
    // Another tooltip window is not taken either.
    const LRESULT tip = SendMessageW(bar.Handle(), TB_GETTOOLTIPS, 0, 0);
    EXPECT_EQ(0, SendMessageW(bar.Handle(), TB_SETTOOLTIPS,
                              reinterpret_cast<WPARAM>(parent.Handle()), 0));
    EXPECT_EQ(tip, SendMessageW(bar.Handle(), TB_GETTOOLTIPS, 0, 0));
}

// Only the library's theme change repaints the toolbar.
TEST_F(mvToolBarCtrlTest, ThemeChangeRepaints) {
    bar.AddButton(10001, 0, L"Open", BTNS_BUTTON, TBSTATE_ENABLED);
    SendMessageW(bar.Handle(), TB_AUTOSIZE, 0, 0);
    for (const bool marked : {true, false}) {
        UpdateWindow(parent.Handle());
        ValidateRect(bar.Handle(), nullptr);
        SendMessageW(bar.Handle(), WM_SYSCOLORCHANGE, 0,
                     marked ? reinterpret_cast<LPARAM>(&UiTheme::Get()) : 0);
        EXPECT_EQ(marked, GetUpdateRect(bar.Handle(), nullptr, FALSE) != FALSE) << marked;
    }
}

TEST_F(mvToolBarCtrlTest, ButtonsSeparatorsAndTexts) {
    EXPECT_EQ(0, bar.AddButton(0, -2, nullptr, 0, TBSTATE_ENABLED));
    EXPECT_EQ(1, bar.AddButton(10001, 0, L"Open", BTNS_BUTTON, TBSTATE_ENABLED));
    TBBUTTON button = {};
    SendMessageW(bar.Handle(), TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&button));
    EXPECT_TRUE(button.fsStyle & BTNS_SEP);
    EXPECT_EQ(0, button.fsState);
    wchar_t text[32] = {};
    EXPECT_TRUE(bar.SetButtonText(10001, L"Open file"));
    SendMessageW(bar.Handle(), TB_GETBUTTONTEXTW, 10001, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(L"Open file", text);
    EXPECT_FALSE(bar.SetButtonText(0, L"x"));
    // A string-pool index is no text here; the caller's buttons are read,
    // never written (they may stand in read-only memory).
    TBBUTTON pooled = {0, 10002, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 2};
    ASSERT_TRUE(SendMessageW(bar.Handle(), TB_INSERTBUTTONW, 2, reinterpret_cast<LPARAM>(&pooled)));
    EXPECT_EQ(0, SendMessageW(bar.Handle(), TB_GETBUTTONTEXTW, 10002, 0));
    EXPECT_EQ(2, pooled.iString);
    static const TBBUTTON kPooled[] = {{0, 10003, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 1},
                                       {0, 10004, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0}};
    ASSERT_TRUE(SendMessageW(bar.Handle(), TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(kPooled)));
    EXPECT_EQ(5, SendMessageW(bar.Handle(), TB_BUTTONCOUNT, 0, 0));
    EXPECT_EQ(0, SendMessageW(bar.Handle(), TB_GETBUTTONTEXTW, 10003, 0));
    EXPECT_EQ(1, kPooled[0].iString);
}

// A click in a drop-down button counts as in its arrow part only where the
// control gives that part; a failed query is no part at all.
TEST_F(mvToolBarCtrlTest, DropDownPressNeedsAKnownArrowPart) {
    ScopedLook look(false);
    ASSERT_EQ(0, bar.AddButton(10018, 0, L"Search", BTNS_DROPDOWN, TBSTATE_ENABLED));
    RECT item = {};
    SendMessageW(bar.Handle(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    RECT part = {};
    const bool known =
        SendMessageW(bar.Handle(), TB_GETITEMDROPDOWNRECT, 0, reinterpret_cast<LPARAM>(&part)) != 0;
    const POINT click = {item.right - 3, (item.top + item.bottom) / 2};
    SendMessageW(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(click.x, click.y));
    EXPECT_EQ(known && PtInRect(&part, click) ? 0 : -1, bar.m_pressedDropDown);
    EXPECT_EQ(known && PtInRect(&part, click), bar.InDropDownPart(0, click));
    SendMessageW(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(click.x, click.y));
    EXPECT_EQ(-1, bar.m_pressedDropDown);
}

} // namespace

namespace {

// A disabled button is drawn from the grey list without the control's own
// dimming; the list is back to normal for the next button.
TEST_F(mvToolBarCtrlTest, DisabledButtonDrawsFromTheGreyList) {
    ScopedLook look(false);
    ASSERT_EQ(0, bar.AddButton(10019, 0, L"Load", BTNS_BUTTON, 0)); // disabled
    MemoryDC dc(CreateCompatibleDC(nullptr));
    NMTBCUSTOMDRAW draw = {};
    draw.nmcd.hdr = {bar.Handle(), 1001, static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.hdc = dc.Get();
    draw.nmcd.rc = {0, 0, 24, 24};
    draw.nmcd.dwItemSpec = 10019;
    LRESULT answer = 0;
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    ASSERT_TRUE(bar.OnReflectNotify(&draw.nmcd.hdr, &answer));
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW, answer);
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.uItemState = CDIS_DISABLED;
    ASSERT_TRUE(bar.OnReflectNotify(&draw.nmcd.hdr, &answer));
    EXPECT_EQ(0xDB0010, answer);
    EXPECT_EQ(0u, draw.nmcd.uItemState & CDIS_DISABLED);
    EXPECT_EQ(reinterpret_cast<LRESULT>(bar.m_disabled.Get()),
              SendMessageW(bar.Handle(), TB_GETIMAGELIST, 0, 0));
    draw.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
    ASSERT_TRUE(bar.OnReflectNotify(&draw.nmcd.hdr, &answer));
    EXPECT_TRUE(draw.nmcd.uItemState & CDIS_DISABLED);
    EXPECT_EQ(reinterpret_cast<LRESULT>(bar.m_normal.Get()),
              SendMessageW(bar.Handle(), TB_GETIMAGELIST, 0, 0));
}

} // namespace

namespace {

// The height of the font the window uses; the tooltip control answers
// WM_GETFONT with a copy of the font it was given.
LONG FontHeightOf(HWND hwnd) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

TEST_F(mvToolBarCtrlTest, TooltipIsTheLibrarysAndFollowsTheToolbarFont) {
    const auto tip = reinterpret_cast<HWND>(SendMessageW(bar.Handle(), TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(nullptr, tip);
    EXPECT_EQ(tip, bar.m_toolTip.Handle());
    EXPECT_EQ(&bar.m_toolTip, mvWnd::FromHandle(tip));
    const HFONT ui = UiTheme::Get().fonts.normal.Get();
    EXPECT_EQ(ui, bar.m_toolTip.Font());
    LOGFONTW big = {};
    GetObjectW(ui, sizeof big, &big);
    EXPECT_EQ(big.lfHeight, FontHeightOf(tip));
    big.lfHeight = -30;
    GdiHandle<HFONT> font(CreateFontIndirectW(&big));
    SendMessageW(bar.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    EXPECT_EQ(font.Get(), bar.m_toolTip.Font());
    EXPECT_EQ(-30, FontHeightOf(tip));
    SendMessageW(bar.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(ui), FALSE);
}

// The centre pixel of an image of the list drawn on white.
COLORREF ImageColour(HIMAGELIST list, int index) {
    Canvas canvas(40, 40);
    ImageList_Draw(list, index, canvas.Dc(), 0, 0, ILD_NORMAL);
    return canvas.At(8, 8);
}

TEST_F(mvToolBarCtrlTest, IconsJoinAllThreeListsWithTheirGreyAndHotForms) {
    GdiHandle<HBITMAP> strip(Strip(2));
    ASSERT_EQ(0, bar.AddBitmap(strip.Get(), nullptr));
    const IconHandle icon = SolidIcon(16, 0xFF3366CCu);
    ASSERT_EQ(2, bar.AddIcon(icon.Get()));
    for (HIMAGELIST list : {bar.m_normal.Get(), bar.m_disabled.Get(), bar.m_hot.Get()})
        EXPECT_EQ(3, ImageList_GetImageCount(list));

    const COLORREF normal = ImageColour(bar.m_normal.Get(), 2);
    EXPECT_EQ(RGB(0x33, 0x66, 0xCC), normal);
    // Grey: the three channels alike.
    const COLORREF grey = ImageColour(bar.m_disabled.Get(), 2);
    EXPECT_NEAR(GetRValue(grey), GetGValue(grey), 2);
    EXPECT_NEAR(GetGValue(grey), GetBValue(grey), 2);
    // Hot: every channel 25 darker.
    const COLORREF hot = ImageColour(bar.m_hot.Get(), 2);
    EXPECT_NEAR(0x33 - 25, GetRValue(hot), 3);
    EXPECT_NEAR(0x66 - 25, GetGValue(hot), 3);
    EXPECT_NEAR(0xCC - 25, GetBValue(hot), 3);

    EXPECT_EQ(-1, bar.AddIcon(nullptr));
    mvToolBarCtrl windowless;
    EXPECT_EQ(-1, windowless.AddIcon(icon.Get()));
}

// An icon of the older kind: colour bitmap without alpha (24 or 32 bits),
// shaped by its mask; its top-left 4 x 4 corner is transparent.
IconHandle MaskedIcon(WORD bits, COLORREF colour) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, 16, 1, bits, BI_RGB};
    void* pixels = nullptr;
    GdiHandle<HBITMAP> face(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    {
        MemoryDC dc(CreateCompatibleDC(nullptr));
        const HGDIOBJ old = SelectObject(dc.Get(), face.Get());
        FillSolidRect(dc.Get(), RECT{0, 0, 16, 16}, colour);
        FillSolidRect(dc.Get(), RECT{0, 0, 4, 4}, RGB(0, 0, 0));
        SelectObject(dc.Get(), old);
    }
    BYTE rows[16][2] = {};
    for (int y = 0; y < 4; ++y)
        rows[y][0] = 0xF0;
    GdiHandle<HBITMAP> mask(CreateBitmap(16, 16, 1, 1, rows));
    ICONINFO icon = {TRUE, 0, 0, mask.Get(), face.Get()};
    return IconHandle(CreateIconIndirect(&icon));
}

// Icons without alpha keep their shape in all three lists: the grey and hot
// forms are not made fully transparent for lack of alpha.
TEST_F(mvToolBarCtrlTest, IconsWithoutAlphaKeepTheirShapeInEveryList) {
    for (WORD bits : {WORD(24), WORD(32)}) {
        const IconHandle icon = MaskedIcon(bits, RGB(0x33, 0x66, 0xCC));
        const int index = bar.AddIcon(icon.Get());
        ASSERT_GE(index, 0) << bits;
        const COLORREF normal = ImageColour(bar.m_normal.Get(), index);
        EXPECT_EQ(RGB(0x33, 0x66, 0xCC), normal) << bits;
        const COLORREF grey = ImageColour(bar.m_disabled.Get(), index);
        EXPECT_NE(RGB(255, 255, 255), grey) << bits;
        EXPECT_NEAR(GetRValue(grey), GetGValue(grey), 2) << bits;
        EXPECT_NEAR(GetGValue(grey), GetBValue(grey), 2) << bits;
        EXPECT_LT(GetRValue(grey), 0xE0) << bits; // drawn, not the white background
        const COLORREF hot = ImageColour(bar.m_hot.Get(), index);
        EXPECT_NEAR(0x33 - 25, GetRValue(hot), 3) << bits;
        EXPECT_NEAR(0xCC - 25, GetBValue(hot), 3) << bits;
        // The masked corner stays transparent in every list.
        for (HIMAGELIST list : {bar.m_normal.Get(), bar.m_disabled.Get(), bar.m_hot.Get()}) {
            Canvas canvas(40, 40);
            ImageList_Draw(list, index, canvas.Dc(), 0, 0, ILD_NORMAL);
            EXPECT_EQ(RGB(255, 255, 255), canvas.At(1, 1)) << bits;
        }
    }
}

// Without lists the first icon makes them at its size.
TEST_F(mvToolBarCtrlTest, FirstIconMakesTheListsAtItsSize) {
    bar.CreateImageLists(0, 0, true);
    ASSERT_FALSE(bar.m_normal);
    const IconHandle icon = SolidIcon(24, 0xFF20A040u);
    EXPECT_EQ(0, bar.AddIcon(icon.Get()));
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(bar.m_hot.Get(), &cx, &cy));
    EXPECT_EQ(24, cx);
    EXPECT_EQ(24, cy);
    EXPECT_EQ(1, ImageList_GetImageCount(bar.m_disabled.Get()));
    EXPECT_EQ(reinterpret_cast<LRESULT>(bar.m_normal.Get()),
              SendMessageW(bar.Handle(), TB_GETIMAGELIST, 0, 0));
}

TEST_F(mvToolBarCtrlTest, SeparatorsArePaintedOverTheNativePaintInTheOwnColours) {
    ScopedLook look(false);
    bar.AddButton(10001, 0, nullptr, BTNS_BUTTON, TBSTATE_ENABLED);
    bar.AddButton(0, -2, nullptr, 0, 0);
    bar.AddButton(10002, 0, nullptr, BTNS_BUTTON, TBSTATE_ENABLED);
    SendMessageW(bar.Handle(), TB_AUTOSIZE, 0, 0);
    RECT separator = {};
    ASSERT_TRUE(
        SendMessageW(bar.Handle(), TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&separator)));
    ASSERT_GT(separator.right - separator.left, 2);
    RedrawWindow(bar.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const UiTheme& ui = UiTheme::Get();
    const int x = (separator.left + separator.right) / 2;
    const int y = (separator.top + separator.bottom) / 2;
    HDC dc = GetDC(bar.Handle());
    const COLORREF line = GetPixel(dc, x, y), beside = GetPixel(dc, x - 1, y);
    ReleaseDC(bar.Handle(), dc);
    EXPECT_EQ(ui.Color(ThemeBorder), line);
    EXPECT_EQ(ui.Color(ThemeBase), beside);
}

// Longest run of the colour in any row of the canvas.
int WidestRun(const Canvas& canvas, COLORREF color);

// The width of the arrow glyph of the size as the drawing primitive makes
// it.
int ArrowWidth(int size) {
    Canvas canvas(24, 24, RGB(255, 255, 255));
    const RECT all = {0, 0, 24, 24};
    DrawArrowGlyph(canvas.Dc(), &all, 0, 0, size, false);
    return WidestRun(canvas, 0);
}

int WidestRun(const Canvas& canvas, COLORREF color) {
    int widest = 0;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0, run = 0; x < canvas.Width(); ++x) {
            run = canvas.At(x, y) == color ? run + 1 : 0;
            widest = std::max(widest, run);
        }
    return widest;
}

// After the native painting of a drop-down button its arrow part gets the
// item's colours (a pressed part while hot the pressed ones) and an arrow
// of min(width - 2, 7) in the text colour.
TEST_F(mvToolBarCtrlTest, DropDownArrowPartInTheItemColours) {
    ScopedLook look(false);
    const UiTheme& ui = UiTheme::Get();
    ASSERT_EQ(0, bar.AddButton(10018, 0, L"Search", BTNS_DROPDOWN, TBSTATE_ENABLED));
    ASSERT_EQ(1, bar.AddButton(10019, 0, L"Load", BTNS_DROPDOWN, 0));
    ASSERT_EQ(2,
              bar.AddButton(10020, 0, L"All", BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN, TBSTATE_ENABLED));
    const COLORREF paper = RGB(1, 2, 3);
    struct Case {
        int command;
        int width; // of the part the control gives; 0: none
        int pressed;
        UINT state;
        COLORREF face, frame, arrow;
        int pressedAfter;
    } cases[] = {
        {10018, 12, -1, 0, ui.Color(ThemeBase), kNoColor, ui.Color(ThemeText), -1},
        {10018, 12, -1, CDIS_HOT, ui.Color(ThemeButton), ui.Color(ThemeBorder), ui.Color(ThemeText),
         -1},
        {10018, 12, 0, CDIS_HOT, ui.Color(ThemeButtonOver), ui.Color(ThemeBorderActive),
         ui.Color(ThemeText), 0},
        {10018, 12, 0, 0, ui.Color(ThemeBase), kNoColor, ui.Color(ThemeText), -1},
        {10019, 12, -1, 0, ui.Color(ThemeBase), kNoColor, ui.Color(ThemeTextGray), -1},
        {10018, 7, -1, 0, ui.Color(ThemeBase), kNoColor, ui.Color(ThemeText), -1},
        {10018, 0, -1, CDIS_HOT, paper, paper, paper, -1},
        {10020, 12, -1, CDIS_HOT, paper, paper, paper, -1},
    };
    for (const Case& c : cases) {
        const RECT part = {40 - std::max(c.width, 12), 0, 40, 24};
        bar.part = c.width > 0 ? RECT{40 - c.width, 0, 40, 24} : RECT{};
        bar.m_pressedDropDown = c.pressed;
        Canvas canvas(48, 24, paper, true);
        NMTBCUSTOMDRAW draw = {};
        draw.nmcd.hdr = {bar.Handle(), 1001, static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
        draw.nmcd.hdc = canvas.Dc();
        draw.nmcd.rc = {0, 0, 40, 24};
        draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(c.command);
        draw.nmcd.uItemState = c.state;
        EXPECT_EQ(0,
                  SendMessageW(parent.Handle(), WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&draw)));
        const std::string label = std::to_string(c.command) + " state " + std::to_string(c.state) +
                                  " pressed " + std::to_string(c.pressed);
        const RECT& drawn = c.width > 0 ? bar.part : part;
        EXPECT_EQ(c.face, canvas.At(drawn.left + 1, drawn.top + 2)) << label;
        EXPECT_EQ(IsDrawnColor(c.frame) ? c.frame : c.face, canvas.At(drawn.left, drawn.top))
            << label;
        EXPECT_EQ(paper, canvas.At(drawn.left - 1, 10)) << label; // the button itself is left
        if (c.arrow != paper) {
            EXPECT_EQ(ArrowWidth(std::min(c.width - 2, 7)), WidestRun(canvas, c.arrow)) << label;
        }
        EXPECT_EQ(c.pressedAfter, bar.m_pressedDropDown) << label;
    }
}

// A click inside the reported arrow part presses the drop-down; elsewhere
// in the button it does not.
TEST_F(mvToolBarCtrlTest, DropDownPressInsideTheReportedPartOnly) {
    ScopedLook look(false);
    ASSERT_EQ(0, bar.AddButton(10018, 0, L"Search", BTNS_DROPDOWN, TBSTATE_ENABLED));
    RECT item = {};
    SendMessageW(bar.Handle(), TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    bar.part = {item.right - 10, item.top, item.right, item.bottom};
    const int y = (item.top + item.bottom) / 2;
    struct Case {
        int x;
        int pressed;
    } cases[] = {{item.right - 3, 0}, {item.left + 2, -1}};
    for (const Case& c : cases) {
        // The pointer over the button first: a pressed part stays pressed
        // only while its button is hot.
        SendMessageW(bar.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(c.x, y));
        SendMessageW(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, y));
        EXPECT_EQ(c.pressed, bar.m_pressedDropDown) << c.x;
        SendMessageW(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(c.x, y));
        EXPECT_EQ(-1, bar.m_pressedDropDown);
    }
}

} // namespace

namespace {

// A toolbar window that outlives its object shows none of the destroyed
// lists and keeps a working tooltip.
TEST(mvToolBarCtrl, WindowOutlivingTheObjectLetsGoOfTheLists) {
    ProbeWnd parent;
    ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 0, 0, 300, 100, WS_OVERLAPPEDWINDOW, 0, L""));
    HWND window = nullptr, tip = nullptr;
    {
        mvToolBarCtrl bar;
        ASSERT_TRUE(bar.Create(parent.Handle()));
        bar.CreateImageLists(16, 16, false);
        window = bar.Handle();
        tip = bar.m_toolTip.Handle();
        ASSERT_NE(0, SendMessageW(window, TB_GETIMAGELIST, 0, 0));
    }
    ASSERT_TRUE(IsWindow(window));
    for (UINT message : {TB_GETIMAGELIST, TB_GETDISABLEDIMAGELIST, TB_GETHOTIMAGELIST})
        EXPECT_EQ(0, SendMessageW(window, message, 0, 0)) << message;
    EXPECT_TRUE(IsWindow(tip));
    EXPECT_EQ(nullptr, mvWnd::FromHandle(tip));
    EXPECT_EQ(reinterpret_cast<LRESULT>(tip), SendMessageW(window, TB_GETTOOLTIPS, 0, 0));
}

} // namespace
