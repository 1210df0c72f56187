#include "ui/controls/mvButtonKinds.h"

#include "ui/core/ComctlVersion.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowClasses.h"

#include "../support/Canvas.h"
#include "ProbeWnd.h"
#include "ScopedLook.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Host {
    explicit Host(bool systemLook = false) : look(systemLook) {
        SetComctlMajorVersion(5);
        EXPECT_TRUE(CreateTopLevel(wnd));
    }
    ~Host() { SetComctlMajorVersion(0); }
    template <typename B> void Add(B& button, int id, DWORD style, int y = 0, int height = 20) {
        EXPECT_TRUE(CreateButtonWindow(button, wnd.m_hwnd, id, style));
        SetWindowPos(button.m_hwnd, nullptr, 0, y, 120, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    ScopedLook look;
    ProbeWnd wnd;
};

LRESULT Check(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0);
}

// A group header that records the hook's calls and names its last row.
class TestGroup : public mvButton_Group {
public:
    void OnExpandedChanging(bool expanded) override { hooks.push_back(expanded); }
    std::vector<bool> hooks;
};

} // namespace

TEST(mvCheckBox, SetCheckAndClicksFollowTheBoxType) {
    Host host;
    struct Case {
        DWORD style;
        WPARAM set;
        LRESULT afterSet;
        std::vector<LRESULT> afterClicks; // from unchecked
    } cases[] = {
        {BS_AUTOCHECKBOX, 2, 1, {1, 0, 1}}, {BS_AUTO3STATE, 2, 2, {1, 2, 0, 1}},
        {BS_CHECKBOX, 2, 1, {0, 0}},        {BS_PUSHBUTTON, 2, 1, {1, 0}}, // made an auto check box
        {BS_AUTOCHECKBOX, 7, 0, {1}}, // larger values are ignored
    };
    int id = 200;
    for (const Case& c : cases) {
        mvCheckBox box;
        host.Add(box, id, c.style);
        ASSERT_EQ(GetWindowLongW(box.m_hwnd, GWL_STYLE) & 0xF, BS_OWNERDRAW) << c.style;
        SendMessageW(box.m_hwnd, BM_SETCHECK, c.set, 0);
        EXPECT_EQ(Check(box.m_hwnd), c.afterSet) << c.style << " set " << c.set;
        SendMessageW(box.m_hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
        for (size_t i = 0; i < c.afterClicks.size(); ++i) {
            SendMessageW(box.m_hwnd, BM_CLICK, 0, 0);
            EXPECT_EQ(Check(box.m_hwnd), c.afterClicks[i]) << c.style << " click " << i;
        }
        EXPECT_EQ(host.wnd.commands.empty(), false); // the parent still sees the clicks
        host.wnd.commands.clear();
        ++id;
    }
}

TEST(mvCheckBox, AnAutoRadioUnchecksOnlyTheLibrarysRadiosOfItsGroup) {
    Host host;
    mvCheckBox first, second, third;
    host.Add(first, 301, BS_AUTORADIOBUTTON | WS_GROUP, 0);
    host.Add(second, 302, BS_AUTORADIOBUTTON, 25);
    // A system radio button in the same group, and a library radio of the
    // next group.
    const HWND foreign =
        CreateWindowExW(0, L"Button", L"", WS_CHILD | WS_VISIBLE | BS_RADIOBUTTON, 0, 50, 120, 20,
                        host.wnd.m_hwnd, reinterpret_cast<HMENU>(303), nullptr, nullptr);
    host.Add(third, 304, BS_AUTORADIOBUTTON | WS_GROUP, 75);
    EXPECT_EQ(GetPropW(first.m_hwnd, kAutoRadioProperty), reinterpret_cast<HANDLE>(9));
    EXPECT_EQ(GetPropW(foreign, kAutoRadioProperty), nullptr);

    SendMessageW(second.m_hwnd, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(foreign, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(third.m_hwnd, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(first.m_hwnd, BM_CLICK, 0, 0);
    EXPECT_EQ(Check(first.m_hwnd), BST_CHECKED);
    EXPECT_EQ(Check(second.m_hwnd), BST_UNCHECKED);
    EXPECT_EQ(Check(foreign), BST_CHECKED);
    EXPECT_EQ(Check(third.m_hwnd), BST_CHECKED);

    // The property goes when the box stops being an auto radio button.
    SendMessageW(second.m_hwnd, BM_SETSTYLE, BS_AUTOCHECKBOX, FALSE);
    SetWindowLongW(second.m_hwnd, GWL_STYLE,
                   (GetWindowLongW(second.m_hwnd, GWL_STYLE) & ~0xF) | BS_AUTOCHECKBOX);
    EXPECT_EQ(GetPropW(second.m_hwnd, kAutoRadioProperty), nullptr);
}

TEST(mvCheckBox, SwitchingToTheSystemLookHandsTheStateToTheNativeBox) {
    Host host(false);
    mvCheckBox box;
    host.Add(box, 400, BS_AUTOCHECKBOX);
    SendMessageW(box.m_hwnd, BM_SETCHECK, BST_CHECKED, 0);
    UiTheme::Get().SystemLookFlag = true;
    SendMessageW(box.m_hwnd, WM_SYSCOLORCHANGE, 0, reinterpret_cast<LPARAM>(&UiTheme::Get()));
    EXPECT_EQ(GetWindowLongW(box.m_hwnd, GWL_STYLE) & 0xF, BS_AUTOCHECKBOX);
    EXPECT_EQ(Check(box.m_hwnd), BST_CHECKED);
    SendMessageW(box.m_hwnd, BM_CLICK, 0, 0);
    EXPECT_EQ(Check(box.m_hwnd), BST_UNCHECKED);
    EXPECT_EQ(box.CheckState(), 0);
}

TEST(mvButton_Dropdown, TheArrowPartIsHalfTheHeightOrTheArrowAndItsMargin) {
    Host host;
    struct Case {
        int height;
        int arrowSize;
        int width;
    } cases[] = {{20, 4, 16}, {40, 0, 20}, {40, 10, 22}, {10, 0, 12}};
    for (const Case& c : cases) {
        mvButton_Dropdown split;
        split.m_arrowSize = c.arrowSize;
        host.Add(split, 500, BS_PUSHBUTTON, 0, c.height);
        const RECT arrow = split.ArrowRect();
        EXPECT_EQ(arrow.right - arrow.left, c.width) << c.height << " " << c.arrowSize;
        EXPECT_EQ(arrow.right, 120);
        EXPECT_EQ(arrow.bottom - arrow.top, c.height);
    }
    // A key release never hits the arrow, wherever the cursor is.
    mvButton_Dropdown split;
    host.Add(split, 501, BS_PUSHBUTTON, 0, 20);
    split.m_releasedByMouse = false;
    EXPECT_FALSE(split.HitArrow());
}

TEST(mvButton_Group, AClickExpandsAndTheContentBottomFollowsTheLastRow) {
    Host host;
    TestGroup group;
    host.Add(group, 600, BS_PUSHBUTTON, 10, 24);
    const HWND row = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 40, 100, 30,
                                     host.wnd.m_hwnd, nullptr, nullptr, nullptr);
    group.m_children.push_back(row);
    EXPECT_EQ(group.GetContentBottom(), 24);
    SendMessageW(group.m_hwnd, BM_CLICK, 0, 0);
    EXPECT_TRUE(group.IsExpanded());
    EXPECT_EQ(group.GetContentBottom(), 70 - 10);
    SendMessageW(group.m_hwnd, BM_CLICK, 0, 0);
    EXPECT_FALSE(group.IsExpanded());
    EXPECT_EQ(group.GetContentBottom(), 24);
    EXPECT_EQ(group.hooks, (std::vector<bool>{true, false}));
    int clicks = 0;
    for (WPARAM w : host.wnd.commands)
        clicks += LOWORD(w) == 600 && HIWORD(w) == BN_CLICKED;
    EXPECT_EQ(clicks, 2);

    // The header is framed on all sides; a quiet border is blended with the
    // face, an emphasised one is not.
    DRAWITEMSTRUCT item{};
    ButtonPaintState quiet, expanded;
    group.GetFramedColors(item, quiet);
    EXPECT_EQ(group.Sides(), 15u);
    EXPECT_EQ(quiet.border,
              BlendColor(UiTheme::Get().Color(ThemeBorder), UiTheme::Get().Color(ThemeButton), 60));
    group.SetExpanded(true);
    group.GetFramedColors(item, expanded);
    EXPECT_EQ(expanded.border, UiTheme::Get().Color(ThemeBorderActive));
    EXPECT_EQ(expanded.back, UiTheme::Get().Color(ThemeButtonPush));
    EXPECT_EQ(expanded.fill, expanded.border);
}

TEST(mvButton_Link, ALinkIsAlwaysOwnerDrawnWithTheHandCursor) {
    Host host(true);
    mvButton_Link link;
    host.Add(link, 700, BS_PUSHBUTTON);
    EXPECT_EQ(GetWindowLongW(link.m_hwnd, GWL_STYLE) & 0xF, BS_OWNERDRAW);
    if (GetHandCursor() != nullptr) {
        EXPECT_EQ(SendMessageW(link.m_hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hwnd),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
                  1);
        EXPECT_EQ(GetCursor(), GetHandCursor());
    }
    DRAWITEMSTRUCT item{};
    ButtonPaintState state;
    link.GetColors(item, state);
    EXPECT_EQ(state.text, GetSysColor(COLOR_HOTLIGHT));
    item.itemState = ODS_DISABLED;
    link.GetColors(item, state);
    EXPECT_EQ(state.text, GetSysColor(COLOR_GRAYTEXT));
}

TEST(mvCheckBox, TheOwnerDrawnGlyphShowsTheMarkOnlyWhenChecked) {
    Host host;
    const COLORREF icon = UiTheme::Get().Color(ThemeIcon);
    for (const DWORD style : {DWORD(BS_AUTOCHECKBOX), DWORD(BS_AUTORADIOBUTTON)}) {
        mvCheckBox box;
        host.Add(box, 800, style, 0, 24);
        auto markPixels = [&] {
            Canvas canvas(120, 24);
            SendMessageW(box.m_hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()),
                         PRF_CLIENT);
            // The glyph sits at the left; count its mark pixels inside the
            // frame.
            int count = 0;
            for (int y = 8; y < 16; ++y)
                for (int x = 6; x < 12; ++x)
                    count += canvas.At(x, y) == icon;
            return count;
        };
        const int unchecked = markPixels();
        SendMessageW(box.m_hwnd, BM_SETCHECK, BST_CHECKED, 0);
        const int checked = markPixels();
        EXPECT_EQ(unchecked, 0) << style;
        EXPECT_GT(checked, 4) << style;
    }
}
