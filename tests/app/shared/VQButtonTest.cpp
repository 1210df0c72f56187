#include "app/shared/VQButton.h"

#include "ui/core/Measure.h"
#include "ui/theme/UiTheme.h"

#include "ui/ProbeWnd.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

SIZE WindowSize(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

POINT PlaceInParent(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    POINT at = {rect.left, rect.top};
    ScreenToClient(GetParent(hwnd), &at);
    return at;
}

SIZE Expected(int cx, int cy, HFONT font) {
    const std::uint64_t pixels = DialogUnitsToPixels(PackXY(cx, cy), font);
    return {PackedX(pixels), PackedY(pixels)};
}

template <typename B> class CVQButtonTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateTopLevel(parent));
        LOGFONTW big = {};
        big.lfHeight = -30;
        wcscpy_s(big.lfFaceName, L"Tahoma");
        bigFont.Assign(CreateFontIndirectW(&big));
    }

    ProbeWnd parent;
    B button;
    GdiHandle<HFONT> bigFont;
};

using ButtonKinds = testing::Types<CVQButton<mvButton>, CVQButton<mvButton_Link>,
                                   CVQButton<mvButton_Dropdown>>;
TYPED_TEST_SUITE(CVQButtonTest, ButtonKinds);

} // namespace

// Created, given another font or another size: the button measures its
// dialog units in its current font and stays where it was put.
TYPED_TEST(CVQButtonTest, TheSizeInDialogUnitsFollowsTheFont) {
    HFONT uiFont = UiTheme::Get().fonts.normal.Get();
    ASSERT_TRUE(CreateButtonWindow(this->button, this->parent.m_hwnd, 1058, BS_PUSHBUTTON));
    HWND hwnd = this->button.m_hwnd;
    const SIZE created = WindowSize(hwnd);
    EXPECT_EQ(created.cx, Expected(50, 14, uiFont).cx);
    EXPECT_EQ(created.cy, Expected(50, 14, uiFont).cy);

    SetWindowPos(hwnd, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(this->bigFont.Get()), FALSE);
    const SIZE big = WindowSize(hwnd);
    EXPECT_EQ(big.cx, Expected(50, 14, this->bigFont.Get()).cx);
    EXPECT_EQ(big.cy, Expected(50, 14, this->bigFont.Get()).cy);
    EXPECT_GT(big.cy, created.cy);

    this->button.SetDialogUnitSize(55, 20);
    EXPECT_EQ(WindowSize(hwnd).cx, Expected(55, 20, this->bigFont.Get()).cx);
    EXPECT_EQ(WindowSize(hwnd).cy, Expected(55, 20, this->bigFont.Get()).cy);
    const POINT at = PlaceInParent(hwnd);
    EXPECT_EQ(at.x, 5);
    EXPECT_EQ(at.y, 6);
}

TEST(CVQButtonDropdown, TheArrowPartLightsUpUnderTheMouseAndOnlyAMouseReleaseCounts) {
    ProbeWnd parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    CVQButton<mvButton_Dropdown> button;
    ASSERT_TRUE(CreateButtonWindow(button, parent.m_hwnd, 10018, BS_PUSHBUTTON));
    ShowWindow(parent.m_hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(parent.m_hwnd);

    RECT client{};
    GetClientRect(button.m_hwnd, &client);
    const RECT arrow = button.ArrowRect();
    // The arrow glyph is 7 pixels wide: the part is at least 7 + 12.
    EXPECT_EQ(arrow.right - arrow.left, std::max<LONG>(client.bottom / 2, 19));
    EXPECT_EQ(arrow.right, client.right);

    struct Move {
        int x;
        bool hot;
        bool redrawn;
    } moves[] = {
        {arrow.left + 2, true, true},
        {arrow.left + 4, true, false}, // still inside: no redraw
        {arrow.left - 2, false, true},
        {2, false, false},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.x);
        ValidateRect(button.m_hwnd, nullptr);
        SendMessageW(button.m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(m.x, client.bottom / 2));
        EXPECT_EQ(button.ArrowHot(), m.hot);
        RECT pending{};
        EXPECT_EQ(GetUpdateRect(button.m_hwnd, &pending, FALSE) != FALSE, m.redrawn);
    }
    SendMessageW(button.m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(arrow.left + 2, client.bottom / 2));
    SendMessageW(button.m_hwnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.ArrowHot());

    SendMessageW(button.m_hwnd, WM_LBUTTONUP, 0, MAKELPARAM(arrow.left + 2, 2));
    EXPECT_TRUE(button.m_releasedByMouse);
    SendMessageW(button.m_hwnd, WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(button.m_releasedByMouse);
}

// The owner asks HitArrow when the click arrives: with the cursor on the
// arrow, a mouse release is an arrow click and a key press is not.
TEST(CVQButtonDropdownInput, AKeyPressNeverCountsAsAnArrowClick) {
    ProbeWnd parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    CVQButton<mvButton_Dropdown> button;
    ASSERT_TRUE(CreateButtonWindow(button, parent.m_hwnd, 10018, BS_PUSHBUTTON));
    ShowWindow(parent.m_hwnd, SW_SHOWNOACTIVATE);
    const RECT arrow = button.ArrowRect();
    auto cursorTo = [&](int x) {
        POINT at = {x, (arrow.top + arrow.bottom) / 2};
        ClientToScreen(button.m_hwnd, &at);
        SetCursorPos(at.x, at.y);
    };
    struct Case {
        int x;
        UINT release;
        bool hit;
    } cases[] = {
        {arrow.left + 3, WM_LBUTTONUP, true},
        {arrow.left + 3, WM_KEYUP, false},
        {arrow.left - 3, WM_LBUTTONUP, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.release);
        cursorTo(c.x);
        SendMessageW(button.m_hwnd, c.release, c.release == WM_KEYUP ? VK_SPACE : 0, 0);
        EXPECT_EQ(button.HitArrow(), c.hit);
    }
}
