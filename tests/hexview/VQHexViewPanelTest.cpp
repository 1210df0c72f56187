#include "hexview/VQHexViewPanel.h"

#include "support/Canvas.h"

#include "HexViewFixture.h"

#include <climits>
#include <string>

namespace {

std::wstring WindowText(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

// Whether a pixel of the rectangle differs from the colour.
bool HasColourOtherThan(const Canvas& canvas, COLORREF color, const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (canvas.At(x, y) != color)
                return true;
    return false;
}

SCROLLINFO ScrollInfo(HWND hwnd) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(hwnd, SB_VERT, &info);
    return info;
}

} // namespace

TEST_F(HexViewTest, TheOffsetColumnWidensWithTheFileSize) {
    struct Case {
        int64_t size;
        int label;
    } cases[] = {{0xFFFF, 7}, {0x10000, 11}, {0x100000000LL, 19}};
    for (const Case& c : cases) {
        OpenSparse(c.size);
        EXPECT_EQ(m_panel.OffsetLabelLength(), c.label) << c.size;
        const int w = m_panel.CharWidth();
        EXPECT_EQ(m_panel.HexColumnLeft(), 4 + c.label * w) << c.size;
        EXPECT_EQ(m_panel.TextColumnLeft(), m_panel.HexColumnLeft() + 49 * w) << c.size;
    }
}

TEST_F(HexViewTest, OpeningPlacesCaretAndSelectionClampedToTheFile) {
    const std::string bytes(100, 'x');
    struct Case {
        const char* what;
        bool hasOffset;
        uint64_t offset;
        uint32_t count;
        int64_t caret, anchor;
    } cases[] = {
        {"no offset", false, 0, 0, 0, -1},
        {"offset", true, 65, 0, 65, -1},
        {"offset and count", true, 65, 3, 67, 65},
        {"offset past the end", true, 1000, 0, 99, -1},
        {"count past the end", true, 90, 50, 99, 90},
        {"offset beyond 2^63", true, 0xFFFFFFFFFFFFFFF0ULL, 0, 99, -1},
        {"both at their largest", true, UINT64_MAX, UINT32_MAX, 99, 99},
    };
    m_path = m_dir.WriteFile(L"data.bin", bytes);
    for (const Case& c : cases) {
        ASSERT_TRUE(m_panel.OpenFileAt(m_parent.Handle(), m_path.c_str(), c.hasOffset, c.offset,
                                       c.count));
        EXPECT_EQ(m_panel.m_caret, c.caret) << c.what;
        EXPECT_EQ(m_panel.m_anchor, c.anchor) << c.what;
    }
    EXPECT_EQ(WindowText(m_parent.Handle()), L"data.bin - HexView");
    // A file that cannot be opened leaves an empty view and the bare title.
    EXPECT_FALSE(m_panel.OpenFile(m_parent.Handle(), (m_dir / L"missing.bin").c_str(), 5, 0));
    EXPECT_EQ(m_panel.m_rows, 0);
    EXPECT_EQ(WindowText(m_parent.Handle()), L"HexView");
}

TEST_F(HexViewTest, RowsAndTheLastTopRowLeaveOneEmptyRowBelow) {
    Open(std::string(17, 'a'));
    EXPECT_EQ(m_panel.m_rows, 2);
    EXPECT_EQ(GetWindowLongW(m_panel.Handle(), GWL_STYLE) & WS_VSCROLL, 0) << "no bar when it fits";

    Open(std::string(160, 'a')); // 10 rows, 5 visible
    SetVisibleRows(5);
    ASSERT_EQ(m_panel.VisibleRows(), 5);
    m_panel.OnVScroll(SB_BOTTOM, 0);
    EXPECT_EQ(m_panel.m_top, 6);
    m_panel.OnVScroll(SB_PAGEUP, 0);
    EXPECT_EQ(m_panel.m_top, 1);
    m_panel.OnVScroll(SB_LINEUP, 0);
    m_panel.OnVScroll(SB_LINEUP, 0);
    EXPECT_EQ(m_panel.m_top, 0);
    // The caret's row scrolls into view as the bottom row.
    m_panel.ScrollToOffset(7 * 16, false, true);
    EXPECT_EQ(m_panel.m_top, 3);
}

TEST_F(HexViewTest, AboveTwoBillionRowsTheThumbStillReachesEveryPart) {
    // One byte per line: 2^31 + 2^20 rows, more than the bar's range.
    m_panel.ColumnWidth(false, 1);
    const int64_t rows = (1LL << 31) + (1 << 20);
    OpenSparse(rows);
    ASSERT_EQ(m_panel.m_rows, rows);
    const SCROLLINFO info = ScrollInfo(m_panel.Handle());
    EXPECT_EQ(info.nMax, INT_MAX - 1);

    m_panel.OnVScroll(SB_BOTTOM, 0);
    EXPECT_EQ(m_panel.m_top, rows - 5 + 1) << "the thumb at the bottom shows the last row";
    EXPECT_GE(ScrollInfo(m_panel.Handle()).nPos, INT_MAX - 7);

    // A thumb dragged to the middle lands in the middle of the file.
    SCROLLINFO track{};
    track.cbSize = sizeof track;
    track.fMask = SIF_POS;
    track.nPos = (INT_MAX - 1) / 2;
    SetScrollInfo(m_panel.Handle(), SB_VERT, &track, FALSE);
    m_panel.OnVScroll(SB_THUMBPOSITION, 0);
    EXPECT_NEAR(static_cast<double>(m_panel.m_top), rows / 2.0, rows / 1e6);
}

TEST_F(HexViewTest, HitTestAndByteRectMeetAtTheCells) {
    Open(std::string(64, 'z'));
    const int w = m_panel.CharWidth(), h = m_panel.RowHeight();
    const int hex = m_panel.HexColumnLeft(), text = m_panel.TextColumnLeft();
    struct Case {
        const char* what;
        POINT at;
        int64_t offset;
    } cases[] = {
        {"offset column", {1, h + 1}, 16},
        {"first digit of byte 3", {hex + 9 * w + 1, 1}, 3},
        {"blank before byte 3", {hex + 8 * w + 1, 1}, 3},
        {"text column byte 5", {text + 5 * w + 1, 2 * h + 1}, 37},
        {"right of everything", {text + 40 * w, 1}, 15},
        {"above the view", {hex + 1, -3}, 0},
        {"below the rows", {hex + 1, 20 * h}, 48},
    };
    for (const Case& c : cases)
        EXPECT_EQ(m_panel.HitTest(c.at), c.offset) << c.what;
    RECT cell{};
    ASSERT_TRUE(m_panel.ByteRect(37, cell, 0));
    EXPECT_EQ(cell.left, hex + 5 * 3 * w);
    EXPECT_EQ(cell.top, 2 * h);
    EXPECT_EQ(cell.right - cell.left, 3 * w);
}

TEST_F(HexViewTest, PaintingShowsTheSelectionInTheHexAndTextColumns) {
    Open("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    Select(2, 4);
    Canvas canvas(700, 5 * m_panel.RowHeight());
    SendMessageW(m_panel.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
    const int w = m_panel.CharWidth(), y = m_panel.RowHeight() / 2;
    const int hex = m_panel.HexColumnLeft(), text = m_panel.TextColumnLeft();
    // The left edge of a cell is blank in this font: the cell's background.
    auto background = [&](int x) { return canvas.At(x + 1, 1); };
    EXPECT_EQ(background(hex + 3 * 1 * w), m_panel.m_backColor) << "byte 1";
    EXPECT_EQ(background(hex + 3 * 2 * w), m_panel.m_selBackColor) << "byte 2";
    EXPECT_EQ(background(hex + 3 * 4 * w + w), m_panel.m_selBackColor) << "byte 4, second digit";
    EXPECT_EQ(background(hex + 3 * 4 * w + 2 * w), m_panel.m_backColor)
        << "the blank after the run";
    EXPECT_EQ(background(text + 2 * w), m_panel.m_selBackColor);
    EXPECT_EQ(background(text + 5 * w), m_panel.m_backColor);
    // The second row has ten bytes; the rest of it stays background, and
    // nothing is drawn below the last row.
    EXPECT_EQ(canvas.At(text + 12 * w, m_panel.RowHeight() + y), m_panel.m_backColor);
    EXPECT_EQ(canvas.At(hex + 3 * w, 3 * m_panel.RowHeight() + y), m_panel.m_backColor);
    EXPECT_TRUE(HasColourOtherThan(canvas, m_panel.m_backColor, RECT{hex, 0, hex + 2 * w, 2 * y}))
        << "the digits of byte 0 are drawn";
}

TEST_F(HexViewTest, AFileThatChangesIsShownAsItIsNow) {
    Open(std::string(40, 'a'), 30, 0);
    ASSERT_EQ(m_panel.m_rows, 3);
    // Shrink it behind the view's back: the next check shows the new size
    // and keeps the caret on a byte.
    {
        FileHandle file(CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER end{};
        end.QuadPart = 20;
        ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    EXPECT_TRUE(m_panel.CheckFile());
    EXPECT_EQ(m_panel.FileSize(), 20);
    EXPECT_EQ(m_panel.m_rows, 2);
    EXPECT_EQ(m_panel.m_caret, 19);
    EXPECT_EQ(m_panel.Notice(), HexFileNotice::Changed);
    EXPECT_FALSE(m_panel.CheckFile()) << "nothing new the second time";

    // Grown with new bytes: they are read, not the old window's.
    {
        FileHandle file(CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), "QQQQ", 4, &written, nullptr));
        LARGE_INTEGER end{};
        end.QuadPart = 50;
        ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    EXPECT_TRUE(m_panel.CheckFile());
    EXPECT_EQ(m_panel.m_rows, 4);
    int32_t count = 1;
    const uint8_t* first = m_panel.Reader().Read(0, count, true);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first[0], 'Q');
}

// A read that gives less than the size promised (a file cut short, or
// locked by another program, where the system enforces such locks) ends the
// rows there and says so: nothing of an older window is shown as current.
TEST_F(HexViewTest, ARowThatCannotBeReadEndsThePaintingAndSaysSo) {
    Open(std::string(4096, 'k'));
    m_panel.Reader().ClearWindow();
    {
        FileHandle file(CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER end{};
        end.QuadPart = 40; // two rows and a half
        ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    // Printing draws straight from the reader, before any check of the file.
    Canvas canvas(700, 5 * m_panel.RowHeight());
    SendMessageW(m_panel.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
    EXPECT_EQ(m_panel.Notice(), HexFileNotice::Unreadable);
    const int h = m_panel.RowHeight();
    EXPECT_TRUE(HasColourOtherThan(canvas, m_panel.m_backColor, RECT{0, h, 700, 2 * h}));
    // The third row's read came back short: the painting ends there.
    EXPECT_FALSE(HasColourOtherThan(canvas, m_panel.m_backColor, RECT{0, 2 * h, 700, 5 * h}))
        << "no row beyond what could be read";

    // A real paint first looks at the file, and shows it as it is now.
    RedrawWindow(m_panel.Handle(), nullptr, nullptr, RDW_INVALIDATE);
    SendMessageW(m_panel.Handle(), WM_PAINT, 0, 0);
    EXPECT_EQ(m_panel.FileSize(), 40);
    EXPECT_EQ(m_panel.Notice(), HexFileNotice::Changed);
}

TEST_F(HexViewTest, BytesPerLineOutsideItsRangeBecomeSixteenAndAChangeGoesToTheStart) {
    Open(std::string(100, 'b'), 50, 4);
    EXPECT_EQ(m_panel.ColumnWidth(false, 0), 16);
    EXPECT_EQ(m_panel.m_anchor, 50) << "16 again: unchanged";
    EXPECT_EQ(m_panel.ColumnWidth(false, 8), 8);
    EXPECT_EQ(m_panel.m_rows, 13);
    EXPECT_EQ(m_panel.m_caret, 0);
    EXPECT_EQ(m_panel.m_anchor, -1);
    EXPECT_EQ(m_panel.ColumnWidth(false, 65), 16);
}
