#include "app/main/VQStatusBar.h"

#include "MainWndFixture.h"
#include "ui/theme/StockIcons.h"
#include "ui/controls/mvImage.h"
#include "ui/theme/GdiHolders.h"
#include "ui/theme/UiTheme.h"

#include <shlwapi.h>

#include <string>

namespace {

std::wstring ByteSize(std::int64_t size) {
    wchar_t text[64] = {};
    StrFormatByteSizeW(size, text, 64);
    return text;
}
std::wstring KbSize(std::int64_t size) {
    wchar_t text[64] = {};
    StrFormatKBSizeW(size, text, 64);
    return text;
}

class VQStatusBarTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        m_sizeFormat = Settings().FileSizeFormat;
        HWND label = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 470,
                                     700, 24, parent.Handle(), reinterpret_cast<HMENU>(1002),
                                     GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(bar.SubclassWindow(label));
    }
    void TearDown() override {
        bar.Detach(true);
        Settings().FileSizeFormat = m_sizeFormat;
        MainWndFixture::TearDown();
    }

    // The width DrawContent takes off the right of a 600 x 24 area and what
    // it leaves at the left.
    RECT Content() {
        mvGdiBitmap bitmap;
        const HDC dc = CreateCompatibleDC(nullptr);
        bitmap.CreateDIB(600, 24, dc);
        const HGDIOBJ old = SelectObject(dc, bitmap.Get());
        const HGDIOBJ font = SelectObject(dc, UiTheme::Get().fonts.normal.Get());
        RECT area = {0, 0, 600, 24};
        bar.DrawContent(dc, &area);
        SelectObject(dc, font);
        SelectObject(dc, old);
        DeleteDC(dc);
        return area;
    }
    static int TextWidth(const mvstring& text) {
        if (text.empty())
            return 0;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ font = SelectObject(dc, UiTheme::Get().fonts.normal.Get());
        RECT r = {};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE | DT_VCENTER | DT_HIDEPREFIX);
        SelectObject(dc, font);
        DeleteDC(dc);
        return r.right - r.left;
    }

    CVQStatusBar bar;

private:
    std::uint8_t m_sizeFormat = 0;
};

TEST_F(VQStatusBarTest, CountAndSelectionTexts) {
    struct Case {
        int items, selected;
        std::int64_t size;
        std::uint8_t format;
        std::wstring count, selection;
    };
    const Case cases[] = {
        {0, 0, -1, 0, L"0 items", L""},
        {1, 0, -1, 0, L"1 item", L""},
        {1234, 0, -1, 0, L"1234 items", L""},
        {-1, 0, -1, 0, L"", L""},
        {5, 1, 2048, 0, L"5 items", L"1 selected (" + ByteSize(2048) + L")"},
        {5, 2, 5000000, 0, L"5 items", L"2 selected (" + ByteSize(5000000) + L")"},
        {5, 2, 5000000, 2, L"5 items", L"2 selected (" + KbSize(5000000) + L")"},
        {5, 3, -1, 0, L"5 items", L"3 selected ()"}, // a folder among them
        {0, 0, 4096, 0, L"0 items", L" selected (" + ByteSize(4096) + L")"},
    };
    for (const Case& c : cases) {
        bar.itemCount = c.items;
        bar.selectedCount = c.selected;
        bar.selectionSize = c.size;
        Settings().FileSizeFormat = c.format;
        EXPECT_EQ(c.count, bar.CountText().str());
        EXPECT_EQ(c.selection, bar.SelectionText().str());
    }
}

TEST_F(VQStatusBarTest, PartsTakeTheirTextWidthAndMarginsFromTheRight) {
    const int margin = UiTheme::Get().fonts.spacing.outerMargin.cx;
    bar.statusState = StatusReady;
    bar.itemCount = -1;
    bar.selectedCount = 0;
    bar.selectionSize = -1;
    EXPECT_EQ(600 - 24 - margin, Content().right);

    bar.itemCount = 42;
    const int count = TextWidth(bar.CountText()) + 2 * margin;
    EXPECT_EQ(600 - 24 - count - margin, Content().right);

    bar.selectedCount = 2;
    bar.selectionSize = 3000;
    const int selection = TextWidth(bar.SelectionText()) + 2 * margin;
    const RECT area = Content();
    EXPECT_EQ(600 - 24 - count - selection - margin, area.right);
    EXPECT_EQ(0, area.left); // ready: no state icon
}

TEST_F(VQStatusBarTest, StateIconTakesItsCellUnlessAMessageShowsAnIcon) {
    mvimage strip;
    mvGdiBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateDIB(18 * 24, 24, nullptr));
    ASSERT_TRUE(strip.FromHBitmap(bitmap.Get()));
    bar.SetIconStrip(&strip);
    bar.itemCount = -1;
    const int margin = UiTheme::Get().fonts.spacing.outerMargin.cx;
    for (std::uint8_t state : {StatusSearching, StatusLoading, StatusPaused}) {
        bar.statusState = state;
        EXPECT_EQ(24 + 2 - margin / 2, Content().left) << int(state);
    }
    EXPECT_EQ((std::vector<int>{-1, 14, 15, 17}),
              (std::vector<int>{StatusIconIndex(0), StatusIconIndex(1), StatusIconIndex(2),
                                StatusIconIndex(3)}));
    bar.SetPartText(L"Canceled", UiTheme::Get().icons.GetIcon(StockWarningSmall));
    EXPECT_EQ(0, Content().left);
}

TEST_F(VQStatusBarTest, StatesFollowTheJobAndTheCodes) {
    AddItems({{.name = L"a"}, {.name = L"b"}, {.name = L"c"}});
    bar.itemCount = 9;
    bar.selectedCount = 2;
    bar.selectionSize = 10;

    BusyJob* busy = new BusyJob(JobSearch);
    ASSERT_TRUE(busy->started);
    bar.SetState(StatusStarted, 0, false);
    EXPECT_EQ(0, bar.itemCount);
    EXPECT_EQ(0, bar.selectedCount);
    EXPECT_EQ(-1, bar.selectionSize);
    EXPECT_EQ(StatusSearching, bar.statusState);
    bar.SetState(StatusText, reinterpret_cast<LPARAM>(L"C:\\deep\\folder"), false);
    EXPECT_EQ(L"Searching: C:\\deep\\folder", bar.ShownText().str());
    bar.ShowReady(); // not while the job runs
    EXPECT_EQ(L"Searching: C:\\deep\\folder", bar.ShownText().str());
    bar.SetState(StatusSorting, 0, false);
    EXPECT_EQ(L"Sorting", bar.ShownText().str());
    EXPECT_EQ(3, bar.itemCount);
    delete busy;

    bar.SetState(StatusFinished, 1, false);
    EXPECT_EQ(StatusReady, bar.statusState);
    EXPECT_EQ(3, bar.itemCount);
    EXPECT_EQ(L"Canceled", bar.ShownText().str());
    bar.SetPartText(nullptr, nullptr);
    EXPECT_EQ(L"Ready", bar.ShownText().str());
    bar.SetState(StatusGrouping, 0, false);
    EXPECT_EQ(L"Grouping", bar.ShownText().str());
    bar.ShowReady();
    EXPECT_EQ(L"Ready", bar.ShownText().str());

    BusyJob loading(JobLoadFile);
    ASSERT_TRUE(loading.started);
    bar.SetState(StatusText, reinterpret_cast<LPARAM>(L"saved.vqs"), false);
    EXPECT_EQ(L"Loading: saved.vqs", bar.ShownText().str());
    EXPECT_EQ(StatusLoading, bar.statusState);
}

} // namespace
