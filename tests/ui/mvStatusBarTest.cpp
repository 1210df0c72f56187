#include "ui/mvStatusBar.h"

#include "ProbeWnd.h"
#include "foundation/Handles.h"
#include "ui/UiTheme.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void PumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Records the text rectangle the bar hands to its hook.
class FieldsBar : public mvStatusBar {
public:
    void DrawContent(HDC, RECT* textRect) override { seen = *textRect; }
    RECT seen = {};
};

class mvStatusBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 40, 40, 400, 200,
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L""));
        HWND label = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 170,
                                     400, 24, parent.Handle(), nullptr, nullptr, nullptr);
        ASSERT_TRUE(bar.SubclassWindow(label));
    }
    // The bar's face drawn into a white DIB of its client size.
    std::vector<std::uint32_t> Face(int* width, int* height) {
        RECT client = {};
        GetClientRect(bar.Handle(), &client);
        *width = client.right;
        *height = client.bottom;
        MemoryDC dc(CreateCompatibleDC(nullptr));
        mvGdiBitmap canvas;
        canvas.CreateDIB(client.right, client.bottom, dc.Get());
        HGDIOBJ old = SelectObject(dc.Get(), canvas.Get());
        bar.Draw(dc.Get(), &client, 0);
        GdiFlush();
        SelectObject(dc.Get(), old);
        const auto* bits = static_cast<const std::uint32_t*>(canvas.Bits());
        return {bits, bits + client.right * client.bottom};
    }

    ProbeWnd parent;
    FieldsBar bar;
};

TEST_F(mvStatusBarTest, AttachMakesTheStaticOwnerDrawnAndFontSetsItsHeight) {
    EXPECT_EQ(SS_OWNERDRAW, GetWindowLongW(bar.Handle(), GWL_STYLE) & SS_TYPEMASK);
    int heights[2] = {};
    for (int i : {0, 1}) {
        LOGFONTW font = {};
        font.lfHeight = i == 0 ? -11 : -40;
        wcscpy_s(font.lfFaceName, L"Tahoma");
        GdiHandle<HFONT> made(CreateFontIndirectW(&font));
        SendMessageW(bar.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(made.Get()), FALSE);
        RECT window = {};
        GetWindowRect(bar.Handle(), &window);
        EXPECT_EQ(400, window.right - window.left);
        heights[i] = window.bottom - window.top;
        EXPECT_GE(heights[i], mvtheme_control::GetTextHeight(made.Get()) + 4);
        SendMessageW(bar.Handle(), WM_SETFONT, 0, FALSE);
    }
    EXPECT_GT(heights[1], heights[0] + 20);
}

TEST_F(mvStatusBarTest, TemporaryTextExpiresAndRestartsWhenSetAgain) {
    bar.SetText(L"Ready");
    bar.m_main.time = 400;
    bar.SetPartText(L"&Copying", nullptr);
    EXPECT_STREQ(L"Copying", bar.ShownText().c_str());
    PumpFor(250);
    bar.SetPartText(L"&Copying", nullptr); // the same text again: its time starts over
    PumpFor(250);
    EXPECT_STREQ(L"Copying", bar.ShownText().c_str());
    PumpFor(400);
    EXPECT_STREQ(L"Ready", bar.ShownText().c_str());

    bar.m_main.time = 0; // until replaced
    bar.SetPartText(L"Stays", nullptr);
    PumpFor(500);
    EXPECT_STREQ(L"Stays", bar.ShownText().c_str());
    bar.SetPartText(nullptr, nullptr);
    EXPECT_STREQ(L"Ready", bar.ShownText().c_str());
}

TEST_F(mvStatusBarTest, UnchangedMainTextDoesNotRedraw) {
    bar.SetText(L"Ready");
    UpdateWindow(parent.Handle());
    RECT pending = {};
    EXPECT_FALSE(GetUpdateRect(bar.Handle(), &pending, FALSE));
    bar.SetText(L"Ready");
    EXPECT_FALSE(GetUpdateRect(bar.Handle(), &pending, FALSE));
    bar.SetText(L"Done");
    EXPECT_TRUE(GetUpdateRect(bar.Handle(), &pending, FALSE));
}

TEST_F(mvStatusBarTest, MaximisedParentHidesTheGripAndTheTextRunsToTheEdge) {
    for (bool maximised : {false, true}) {
        ShowWindow(parent.Handle(), maximised ? SW_MAXIMIZE : SW_RESTORE);
        PumpFor(100);
        int width = 0, height = 0;
        bar.m_sizeGrip = false;
        const std::vector<std::uint32_t> plain = Face(&width, &height);
        bar.m_sizeGrip = true;
        const std::vector<std::uint32_t> face = Face(&width, &height);
        EXPECT_EQ(maximised, face == plain) << maximised;
        EXPECT_EQ(maximised ? width : width - 16, bar.seen.right) << maximised;
        EXPECT_EQ(2, bar.seen.left);
    }
}

} // namespace
