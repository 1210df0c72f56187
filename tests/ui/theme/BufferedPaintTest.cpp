#include "ui/theme/BufferedPaint.h"

#include "foundation/TextMetrics.h"
#include "ui/controls/ToolTip.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/mvApp.h"

#include "ProbeWnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Fills its rectangle with `colour` and records each call.
class SolidFace : public mvtheme_control {
public:
    void Draw(HDC dc, const RECT* rect, LPARAM) override {
        calls.push_back({dc, *rect});
        SetBkColor(dc, colour);
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
    }
    struct Call {
        HDC dc;
        RECT rect;
    };
    std::vector<Call> calls;
    COLORREF colour = kRed;
};

// A 200 x 120 white surface standing for a window's paint DC.
class Surface {
public:
    Surface() : m_dc(CreateCompatibleDC(nullptr)) {
        m_bitmap.CreateDIB(200, 120, m_dc.Get());
        m_old = SelectObject(m_dc.Get(), m_bitmap.Get());
        const RECT all = {0, 0, 200, 120};
        SetBkColor(m_dc.Get(), kWhite);
        ExtTextOutW(m_dc.Get(), 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
    }
    ~Surface() { SelectObject(m_dc.Get(), m_old); }
    HDC Dc() const { return m_dc.Get(); }
    COLORREF At(int x, int y) const { return GetPixel(m_dc.Get(), x, y); }

private:
    MemoryDC m_dc;
    mvGdiBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};

// Buffered-animation functions that animate at once: the "to" surface is
// what the target shows when the animation ends.
struct FakeAnimation {
    static inline int begun = 0;
    static inline RECT rect = {};
    static inline DWORD duration = 0;
    static inline COLORREF fromAtRect = CLR_INVALID;
    static inline bool refuse = false;
    static inline Surface* from = nullptr;
    static inline Surface* to = nullptr;
    static inline HDC target = nullptr;

    static HANIMATIONBUFFER WINAPI Begin(HWND, HDC dc, const RECT* r, BP_BUFFERFORMAT,
                                         BP_PAINTPARAMS*, BP_ANIMATIONPARAMS* params, HDC* f,
                                         HDC* t) {
        ++begun;
        if (refuse)
            return nullptr;
        rect = *r;
        duration = params->dwDuration;
        target = dc;
        from = new Surface;
        to = new Surface;
        *f = from->Dc();
        *t = to->Dc();
        return reinterpret_cast<HANIMATIONBUFFER>(from);
    }
    static BOOL WINAPI Render(HWND, HDC) { return FALSE; }
    static HRESULT WINAPI End(HANIMATIONBUFFER, BOOL) {
        fromAtRect = from->At(rect.left, rect.top);
        BitBlt(target, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               to->Dc(), rect.left, rect.top, SRCCOPY);
        delete from;
        delete to;
        return S_OK;
    }
    static HRESULT WINAPI Stop(HWND) { return S_OK; }
};

const BufferedPaintApi kFakeApi = {nullptr,
                                   nullptr,
                                   FakeAnimation::Begin,
                                   FakeAnimation::Render,
                                   FakeAnimation::End,
                                   FakeAnimation::Stop};

class BufferedPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeAnimation::begun = 0;
        FakeAnimation::refuse = false;
        SetBufferedPaintApi(&kFakeApi);
        ASSERT_TRUE(CreateTopLevel(window));
    }
    void TearDown() override { SetBufferedPaintApi(nullptr); }

    ProbeWnd window;
    Surface surface;
    const RECT rect = {30, 20, 110, 70};
};

} // namespace

TEST_F(BufferedPaintTest, TheFirstPaintDrawsOffScreenAndCopiesTheFaceToTheRectangle) {
    SolidFace face;
    face.PaintBuffered(window.Handle(), surface.Dc(), &rect, 0, false);
    EXPECT_EQ(FakeAnimation::begun, 0) << "nothing to fade from";
    ASSERT_EQ(face.calls.size(), 1u);
    EXPECT_EQ(face.calls[0].dc, face.m_memDC.Dc());
    EXPECT_EQ(face.calls[0].rect.left, 0);
    EXPECT_EQ(face.calls[0].rect.right, 80);
    EXPECT_EQ(surface.At(30, 20), kRed);
    EXPECT_EQ(surface.At(109, 69), kRed);
    EXPECT_EQ(surface.At(29, 20), kWhite);
    EXPECT_EQ(surface.At(110, 69), kWhite);
    EXPECT_TRUE(face.m_frameValid);
}

TEST_F(BufferedPaintTest, AStateChangeCrossFadesAtTheRectangleOfTheTarget) {
    SolidFace face;
    face.PaintBuffered(window.Handle(), surface.Dc(), &rect, 0, false);
    face.colour = kBlue;
    face.PaintBuffered(window.Handle(), surface.Dc(), &rect, 0, false);
    ASSERT_EQ(FakeAnimation::begun, 1);
    EXPECT_EQ(FakeAnimation::duration, 200u);
    EXPECT_TRUE(EqualRect(&FakeAnimation::rect, &rect));
    EXPECT_EQ(FakeAnimation::fromAtRect, kRed) << "the old face fades out";
    EXPECT_EQ(surface.At(30, 20), kBlue) << "the new face is drawn where it shows";
    EXPECT_EQ(surface.At(109, 69), kBlue);
    EXPECT_EQ(surface.At(29, 19), kWhite);
    EXPECT_EQ(GetPixel(face.m_memDC.Dc(), 0, 0), kBlue) << "kept for the next fade";
}

TEST_F(BufferedPaintTest, NothingAnimatesWithAnimationOffAfterAResizeOrWhenRefused) {
    struct Case {
        const char* name;
        bool noAnimation;
        bool resize;
        bool refuse;
    } cases[] = {
        {"animation off", true, false, false},
        {"after a resize", false, true, false},
        {"refused by the system", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAnimation::refuse = c.refuse;
        SolidFace face;
        face.PaintBuffered(window.Handle(), surface.Dc(), &rect, 0, c.noAnimation);
        if (c.resize) {
            LRESULT result = 0;
            EXPECT_FALSE(
                face.HandleMessage(window.Handle(), WM_SIZE, 0, MAKELPARAM(80, 50), &result));
            EXPECT_FALSE(face.m_frameValid);
        }
        face.colour = kBlue;
        face.PaintBuffered(window.Handle(), surface.Dc(), &rect, 0, c.noAnimation);
        EXPECT_EQ(surface.At(30, 20), kBlue) << "painted directly";
        EXPECT_EQ(face.calls.size(), 2u);
        EXPECT_EQ(face.calls[1].dc, face.m_memDC.Dc());
    }
    EXPECT_EQ(FakeAnimation::begun, 1) << "only the refused fade was tried";
}

TEST_F(BufferedPaintTest, TheSystemsAnimationsEndInTheNewFace) {
    SetBufferedPaintApi(nullptr);
    SolidFace face;
    face.PaintBuffered(window.Handle(), surface.Dc(), &rect, 0, false);
    face.colour = kBlue;
    face.PaintBuffered(window.Handle(), surface.Dc(), &rect, 0, false);
    if (face.calls.size() == 2 && face.calls[1].dc != face.m_memDC.Dc())
        GTEST_SKIP() << "this system cross-fades; the fake covers the fade";
    EXPECT_EQ(surface.At(30, 20), kBlue);
}

TEST(mvMemDC, TheBitmapOnlyGrowsInEachDimension) {
    mvMemDC memory;
    memory.m_dib = true;
    const ScreenDC screen(GetDC(nullptr));
    struct Case {
        int cx, cy;
        int width, height; // of the bitmap afterwards
    } cases[] = {{200, 100, 200, 100},
                 {50, 30, 200, 100},
                 {300, 50, 300, 100},
                 {100, 150, 300, 150},
                 {0, 0, 300, 150}};
    for (const Case& c : cases) {
        ASSERT_NE(memory.Prepare(screen.Get(), c.cx, c.cy), nullptr);
        EXPECT_EQ(memory.Bitmap().Width(), c.width) << c.cx << "x" << c.cy;
        EXPECT_EQ(memory.Bitmap().Height(), c.height) << c.cx << "x" << c.cy;
        if (c.cx > 0) {
            EXPECT_EQ(memory.Used().cx, c.cx);
        }
    }
    EXPECT_NE(memory.Bitmap().Bits(), nullptr) << "a DIB section";
    memory.Release();
    EXPECT_EQ(memory.Dc(), nullptr);
    EXPECT_EQ(memory.Used().cx, 0);
}

TEST(mvtheme_control, MenusAreMeasuredAndThePopupBeingShownIsRemembered) {
    mvBaseApp app(L"Velquin");
    SolidFace face;
    ProbeWnd window;
    ASSERT_TRUE(CreateTopLevel(window));
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 3, L"c");
    AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"b");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"a");
    HMENU other = CreatePopupMenu();

    LRESULT result = 0;
    EXPECT_FALSE(face.HandleMessage(window.Handle(), WM_INITMENUPOPUP,
                                    reinterpret_cast<WPARAM>(popup), 0, &result));
    EXPECT_EQ(app.m_popupMenu, popup);
    face.HandleMessage(window.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), 0,
                       &result);
    EXPECT_EQ(app.m_popupMenu, popup) << "a submenu of the one shown";
    face.HandleMessage(window.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(other), 0,
                       &result);
    EXPECT_EQ(app.m_popupMenu, other);
    face.HandleMessage(window.Handle(), WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(other), 0,
                       &result);
    EXPECT_EQ(app.m_popupMenu, nullptr);

    static HMENU measuredWith = nullptr;
    static int measured = 0;
    GetThemedMenuHooks().MeasureItem = [](MEASUREITEMSTRUCT*, HMENU current) {
        ++measured;
        measuredWith = current;
    };
    app.m_popupMenu = popup;
    MEASUREITEMSTRUCT menuItem = {ODT_MENU, 0, 3};
    MEASUREITEMSTRUCT listItem = {ODT_LISTBOX, 5, 0};
    result = 0;
    EXPECT_TRUE(face.HandleMessage(window.Handle(), WM_MEASUREITEM, 0,
                                   reinterpret_cast<LPARAM>(&menuItem), &result));
    EXPECT_EQ(result, TRUE);
    result = 0;
    EXPECT_TRUE(face.HandleMessage(window.Handle(), WM_MEASUREITEM, 0,
                                   reinterpret_cast<LPARAM>(&listItem), &result));
    EXPECT_EQ(result, TRUE);
    EXPECT_EQ(measured, 1);
    EXPECT_EQ(measuredWith, popup);
    GetThemedMenuHooks().MeasureItem = nullptr;

    DRAWITEMSTRUCT draw = {ODT_MENU};
    EXPECT_FALSE(face.HandleMessage(window.Handle(), WM_DRAWITEM, 0,
                                    reinterpret_cast<LPARAM>(&draw), &result))
        << "no menu code to draw it";
    DestroyMenu(bar);
    DestroyMenu(other);
}

TEST(mvtheme_control, TextHeightsMatchTheMeasuredFont) {
    HFONT uiFont = UiTheme::Get().fonts.normal.Get();
    HFONT other = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    for (HFONT font : {uiFont, other, uiFont}) {
        if (font == nullptr)
            continue;
        const ScreenDC screen(GetDC(nullptr));
        const HGDIOBJ old = SelectObject(screen.Get(), font);
        int expectedWidth = 0;
        const int expectedHeight = MeasureAverageChar(screen.Get(), &expectedWidth);
        SelectObject(screen.Get(), old);
        int width = 0;
        EXPECT_EQ(mvtheme_control::GetTextHeight(font, &width), expectedHeight);
        EXPECT_EQ(width, expectedWidth);
        EXPECT_GT(expectedHeight, 0);
    }
}

namespace {

// The messages this thread sends to the program's tooltip.
std::vector<UINT> g_sentToToolTip;
LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->hwnd == mvToolTipCtrl::Global().Handle())
        g_sentToToolTip.push_back(sent->message);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST(mvBaseApp, MousePressesAndMovesAreRelayedToTheToolTip) {
    mvBaseApp app(L"Velquin");
    ProbeWnd target;
    ASSERT_TRUE(CreateTopLevel(target));
    MSG move = {target.Handle(), WM_MOUSEMOVE, 0, 0};
    EXPECT_EQ(app.PreTranslateMessage(&move), 0) << "nothing to relay to before the tooltip";

    ASSERT_TRUE(mvToolTipCtrl::Global().Create());
    HWND tip = mvToolTipCtrl::Global().Handle();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordSent, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    struct Case {
        UINT message;
        bool toToolTip;
        bool relayed;
    } cases[] = {
        {WM_MOUSEMOVE, false, true},      {WM_LBUTTONDOWN, false, true},
        {WM_LBUTTONUP, false, true},      {WM_RBUTTONDOWN, false, true},
        {WM_RBUTTONUP, false, true},      {WM_MBUTTONDOWN, false, true},
        {WM_MBUTTONUP, false, true},      {WM_NCMOUSEMOVE, false, true},
        {WM_LBUTTONDBLCLK, false, false}, {WM_RBUTTONDBLCLK, false, false},
        {WM_MOUSEWHEEL, false, false},    {WM_KEYDOWN, false, false},
        {WM_MOUSEMOVE, true, false},
    };
    for (const Case& c : cases) {
        g_sentToToolTip.clear();
        MSG msg = {c.toToolTip ? tip : target.Handle(), c.message, 0, 0};
        EXPECT_EQ(app.PreTranslateMessage(&msg), 0);
        const bool relayed = std::find(g_sentToToolTip.begin(), g_sentToToolTip.end(),
                                       static_cast<UINT>(TTM_RELAYEVENT)) != g_sentToToolTip.end();
        EXPECT_EQ(relayed, c.relayed) << c.message;
    }
    UnhookWindowsHookEx(hook);
}
