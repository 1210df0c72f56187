#include "ui/core/WindowHolders.h"
#include "ui/controls/mvStatusBar.h"

#include "ProbeWnd.h"
#include "foundation/Handles.h"
#include "ui/theme/UiTheme.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Records the text rectangle the bar hands to its hook; with a field width
// it draws a right-hand field as the derived bars do (an icon stretched to
// 8 x 8 and a text) and narrows the rectangle by it.
class FieldsBar : public mvStatusBar {
public:
    void DrawContent(HDC dc, RECT* textRect) override {
        seen = *textRect;
        if (fieldWidth <= 0)
            return;
        RECT field = *textRect;
        field.left = field.right - fieldWidth;
        textRect->right = field.left - 10;
        const RECT icon = {field.left, field.top, field.left + 8, field.top + 8};
        DrawPartIcon(dc, &icon, fieldIcon);
        field.left += 10;
        DrawPartText(dc, &field, L"9");
    }
    RECT seen = {};
    int fieldWidth = 0;
    HICON fieldIcon = nullptr;
};

// An opaque icon of one colour.
IconHandle SolidIcon(int size, COLORREF colour) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, size, 1, 32, BI_RGB};
    void* bits = nullptr;
    GdiHandle<HBITMAP> face(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const std::uint32_t pixel =
        0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    std::fill_n(static_cast<std::uint32_t*>(bits), size * size, pixel);
    std::vector<BYTE> zeros(static_cast<size_t>(size) * size / 8 + 64, 0);
    GdiHandle<HBITMAP> mask(CreateBitmap(size, size, 1, 1, zeros.data()));
    ICONINFO icon = {TRUE, 0, 0, mask.Get(), face.Get()};
    return IconHandle(CreateIconIndirect(&icon));
}

// The columns of the face that hold a pixel of the colour (0xRRGGBB).
std::vector<int> ColumnsOf(const std::vector<std::uint32_t>& face, int width, std::uint32_t rgb) {
    std::vector<int> columns;
    for (int x = 0; x < width; ++x)
        for (size_t y = 0; y < face.size() / width; ++y)
            if ((face[y * width + x] & 0xFFFFFF) == rgb) {
                columns.push_back(x);
                break;
            }
    return columns;
}

// The columns in which two faces differ.
std::vector<int> ChangedColumns(const std::vector<std::uint32_t>& a,
                                const std::vector<std::uint32_t>& b, int width) {
    std::vector<int> columns;
    for (int x = 0; x < width; ++x)
        for (size_t y = 0; y < a.size() / width; ++y)
            if (a[y * width + x] != b[y * width + x]) {
                columns.push_back(x);
                break;
            }
    return columns;
}

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

TEST_F(mvStatusBarTest, TemporaryTextExpiresAfterTheTimeOutAndRestartsWhenSetAgain) {
    bar.SetText(L"Ready");
    bar.SetPartText(L"Kept", nullptr); // no time-out yet: until replaced
    PumpFor(300);
    EXPECT_STREQ(L"Kept", bar.ShownText().c_str());

    bar.SetMessageTimeout(400);
    bar.SetPartText(L"&Copying", nullptr);
    EXPECT_STREQ(L"Copying", bar.ShownText().c_str());
    PumpFor(250);
    bar.SetPartText(L"&Copying", nullptr); // the same text again: its time starts over
    PumpFor(250);
    EXPECT_STREQ(L"Copying", bar.ShownText().c_str());
    PumpFor(400);
    EXPECT_STREQ(L"Ready", bar.ShownText().c_str());

    bar.SetMessageTimeout(-5); // read as none: until replaced
    EXPECT_EQ(0, bar.MessageTimeout());
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

// The icon stands centred in a cell at the left with the text after it;
// a temporary text without icon shows the main icon; a derived bar's field
// narrows the line, so that a long text stops before it.
TEST_F(mvStatusBarTest, IconsAndDerivedFieldsShareTheLine) {
    bar.m_sizeGrip = false;
    const IconHandle red = SolidIcon(16, RGB(255, 0, 0));
    const IconHandle blue = SolidIcon(16, RGB(0, 0, 255));
    int width = 0, height = 0;
    bar.SetText(L"");
    const std::vector<std::uint32_t> empty = Face(&width, &height);

    bar.SetPartText(L"Saved", red.Get());
    std::vector<std::uint32_t> face = Face(&width, &height);
    const int lineHeight = bar.seen.bottom - bar.seen.top;
    const int cell = std::max(16, lineHeight);
    const std::vector<int> icon = ColumnsOf(face, width, 0xFF0000);
    ASSERT_EQ(16u, icon.size());
    EXPECT_EQ(2 + (cell - 16) / 2, icon.front());
    bar.SetPartText(nullptr, nullptr);
    const std::vector<int> iconOnly = ChangedColumns(Face(&width, &height), empty, width);
    const std::vector<int> changed = ChangedColumns(face, empty, width);
    ASSERT_GT(changed.size(), iconOnly.size()); // the text left a mark
    EXPECT_TRUE(iconOnly.empty());
    const int textStart =
        *std::find_if(changed.begin(), changed.end(), [&](int x) { return x > icon.back(); });
    EXPECT_GE(textStart, 2 + cell + 2);

    bar.m_main.icon = blue.Get();
    bar.m_main.iconSize = {16, 16};
    bar.SetPartText(L"No icon of its own", nullptr);
    EXPECT_EQ(16u, ColumnsOf(Face(&width, &height), width, 0x0000FF).size());
    bar.SetPartText(nullptr, nullptr);
    bar.SetText(L"");

    // A long text runs to the edge, or to a derived bar's field.
    bar.SetText(mvstring(200, L'W'));
    const std::vector<int> full = ChangedColumns(Face(&width, &height), empty, width);
    ASSERT_FALSE(full.empty());
    EXPECT_GT(full.back(), width - 20);
    bar.fieldWidth = 100;
    bar.fieldIcon = red.Get();
    face = Face(&width, &height);
    const std::vector<int> field = ColumnsOf(face, width, 0xFF0000);
    ASSERT_EQ(8u, field.size()); // the field's icon, stretched to 8 pixels
    EXPECT_EQ(width - 100, field.front());
    bar.fieldIcon = nullptr;
    const std::vector<int> narrowed = ChangedColumns(Face(&width, &height), empty, width);
    ASSERT_FALSE(narrowed.empty());
    // The line stops 10 pixels before the field; the field shows its text.
    const int fieldLeft = width - 100;
    EXPECT_TRUE(std::none_of(narrowed.begin(), narrowed.end(),
                             [&](int x) { return x >= fieldLeft - 10 && x < fieldLeft; }));
    EXPECT_TRUE(
        std::any_of(narrowed.begin(), narrowed.end(), [&](int x) { return x >= fieldLeft + 10; }));
    EXPECT_GT(narrowed.size(), 200u);
}

} // namespace
