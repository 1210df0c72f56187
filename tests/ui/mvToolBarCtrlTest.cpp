#include "ui/mvToolBarCtrl.h"

#include "ProbeWnd.h"
#include "ui/UiTheme.h"

#include <gtest/gtest.h>

#include <string>

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

class mvToolBarCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 0, 0, 500, 200,
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L""));
        ASSERT_TRUE(bar.Create(parent.Handle()));
        bar.CreateImageLists(16, 16, false);
    }
    ProbeWnd parent;
    mvToolBarCtrl bar;
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
    // A string-pool index is no text here.
    TBBUTTON pooled = {0, 10002, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 2};
    ASSERT_TRUE(SendMessageW(bar.Handle(), TB_INSERTBUTTONW, 2, reinterpret_cast<LPARAM>(&pooled)));
    EXPECT_EQ(0, SendMessageW(bar.Handle(), TB_GETBUTTONTEXTW, 10002, 0));
}

// A click in a drop-down button counts as in its arrow part only where the
// control gives that part; a failed query is no part at all.
TEST_F(mvToolBarCtrlTest, DropDownPressNeedsAKnownArrowPart) {
    UiTheme& ui = UiTheme::Get();
    const bool savedLook = ui.SystemLookFlag;
    ui.SystemLookFlag = false;
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
    ui.SystemLookFlag = savedLook;
}

} // namespace

namespace {

// A disabled button is drawn from the grey list without the control's own
// dimming; the list is back to normal for the next button.
TEST_F(mvToolBarCtrlTest, DisabledButtonDrawsFromTheGreyList) {
    UiTheme& ui = UiTheme::Get();
    const bool savedLook = ui.SystemLookFlag;
    ui.SystemLookFlag = false;
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
    ui.SystemLookFlag = savedLook;
}

} // namespace
