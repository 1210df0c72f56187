#include "ui/controls/mvReBarCtrl.h"

#include "HelpApp.h"
#include "ProbeWnd.h"
#include "ScopedLook.h"
#include "support/Canvas.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/mvApp.h"
#include "ui/controls/mvToolBarCtrl.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

class mvReBarCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_COOL_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&init);
        ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 0, 0, 500, 200,
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L""));
        ASSERT_TRUE(
            rebar.Create(L"", parent.Handle(), 1001, 0, 0, 0, 0, 0x56002041, 0, REBARCLASSNAMEW));
        ASSERT_TRUE(CreateChild(child, rebar.Handle(), 7));
    }

    // A custom-draw notice from the rebar, sent to its parent as the native
    // control sends it; the parent's answer.
    LRESULT SendCustomDraw(HWND from, DWORD stage, HDC dc, const RECT& rect) {
        NMCUSTOMDRAW draw = {};
        draw.hdr = {from, static_cast<UINT_PTR>(GetDlgCtrlID(from)),
                    static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.dwDrawStage = stage;
        draw.hdc = dc;
        draw.rc = rect;
        return SendMessageW(GetParent(from), WM_NOTIFY, draw.hdr.idFrom,
                            reinterpret_cast<LPARAM>(&draw));
    }

    ProbeWnd parent;
    mvReBarCtrl rebar;
    ProbeWnd child;
};

TEST_F(mvReBarCtrlTest, ThemeChangeReachesEveryCarriedWindowAndRepaintsTheRebar) {
    UiTheme& theme = UiTheme::Get();
    struct Case {
        LPARAM lParam;
        bool marked;
    } cases[] = {{reinterpret_cast<LPARAM>(&theme), true}, {0, false}};
    // A band gives the rebar its height.
    REBARBANDINFOW band = {sizeof band};
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE;
    band.hwndChild = child.Handle();
    band.cyMinChild = band.cyChild = 20;
    ASSERT_TRUE(SendMessageW(rebar.Handle(), RB_INSERTBANDW, 0, reinterpret_cast<LPARAM>(&band)));
    RECT area = {};
    GetClientRect(rebar.Handle(), &area);
    ASSERT_FALSE(IsRectEmpty(&area));
    for (const Case& c : cases) {
        UpdateWindow(parent.Handle());
        ValidateRect(rebar.Handle(), nullptr);
        child.seen.clear();
        SendMessageW(rebar.Handle(), WM_SYSCOLORCHANGE, 0, c.lParam);
        RECT update = {};
        EXPECT_EQ(c.marked, GetUpdateRect(rebar.Handle(), &update, FALSE) != FALSE) << c.marked;
        EXPECT_EQ(c.marked, child.Saw(WM_SYSCOLORCHANGE));
    }
}

TEST_F(mvReBarCtrlTest, HelpGoesToTheApplication) {
    HelpApp app;
    HELPINFO help = {sizeof help};
    EXPECT_EQ(0, SendMessageW(rebar.Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help)));
    ASSERT_EQ(1u, app.helpMessages.size());
    EXPECT_EQ(static_cast<UINT>(WM_HELP), app.helpMessages[0]);
}

// Only the first stage in the own colours paints (the base colour over the
// whole rebar); every stage is answered by the rebar, not its parent.
TEST_F(mvReBarCtrlTest, CustomDrawFillsTheBaseColourInTheOwnColoursOnly) {
    const COLORREF paper = RGB(1, 2, 3);
    struct Case {
        bool systemLook;
        DWORD stage;
        LRESULT answer;
        bool filled;
    } cases[] = {
        {false, CDDS_PREPAINT, CDRF_NOTIFYITEMDRAW, true},
        {false, CDDS_ITEMPREPAINT, 0, false},
        {false, CDDS_POSTPAINT, 0, false},
        {true, CDDS_PREPAINT, 0, false},
    };
    for (const Case& c : cases) {
        ScopedLook look(c.systemLook);
        Canvas canvas(20, 10, paper);
        parent.seen.clear();
        EXPECT_EQ(c.answer, SendCustomDraw(rebar.Handle(), c.stage, canvas.Dc(), {0, 0, 20, 10}))
            << c.systemLook << " " << c.stage;
        EXPECT_EQ(c.filled ? UiTheme::Get().Color(ThemeBase) : paper, canvas.At(19, 9));
        EXPECT_FALSE(parent.Saw(WM_NOTIFY));
    }
    // Other notices go on to the parent.
    NMHDR other = {rebar.Handle(), 1001, static_cast<UINT>(RBN_HEIGHTCHANGE)};
    SendMessageW(parent.Handle(), WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&other));
    EXPECT_TRUE(parent.Saw(WM_NOTIFY));
}

// The toolbar as the rebar's band: its custom drawing, sent to the rebar,
// reaches the toolbar object.
TEST_F(mvReBarCtrlTest, CarriesTheToolbarAsItsBand) {
    ScopedLook look(false);
    mvToolBarCtrl bar;
    ASSERT_TRUE(bar.Create(parent.Handle()));
    REBARBANDINFOW band = {sizeof band};
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE;
    band.fStyle = RBBS_BREAK;
    band.hwndChild = bar.Handle();
    band.cxMinChild = 1;
    band.cyMinChild = band.cyChild = LOWORD(SendMessageW(bar.Handle(), TB_GETBUTTONSIZE, 0, 0)) + 6;
    ASSERT_TRUE(SendMessageW(rebar.Handle(), RB_INSERTBANDW, 0, reinterpret_cast<LPARAM>(&band)));
    EXPECT_EQ(rebar.Handle(), GetParent(bar.Handle()));
    Canvas canvas(30, 30, RGB(1, 2, 3));
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW,
              SendCustomDraw(bar.Handle(), CDDS_PREPAINT, canvas.Dc(), {0, 0, 30, 30}));
    EXPECT_EQ(UiTheme::Get().Color(ThemeBase), canvas.At(15, 15));
}

} // namespace
