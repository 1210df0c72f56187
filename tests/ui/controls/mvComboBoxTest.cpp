#include "ui/core/WindowHolders.h"
#include "ui/controls/mvComboBox.h"

#include "ui/core/ComctlVersion.h"
#include "support/MessagePump.h"
#include "ui/theme/UiTheme.h"

#include "../support/Canvas.h"
#include "ProbeWnd.h"
#include "ScopedLook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A parent that records the re-creation announcements it receives.
class ComboParent : public ProbeWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == mvComboBox::RecreatedMessage())
            recreated.push_back(wParam);
        return ProbeWnd::WindowProc(message, wParam, lParam);
    }
    std::vector<WPARAM> recreated;
};

// A shown top-level parent placed away from the cursor, so that no control
// counts as hot.
void PlaceAwayFromCursor(HWND hwnd) {
    POINT cursor{};
    GetCursorPos(&cursor);
    const int x = cursor.x > 400 ? 0 : 500, y = cursor.y > 300 ? 0 : 400;
    SetWindowPos(hwnd, nullptr, x, y, 320, 240, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
}

std::vector<std::wstring> ItemTexts(const mvComboBox& combo) {
    std::vector<std::wstring> texts;
    const LRESULT count = SendMessageW(combo.Handle(), CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        texts.emplace_back(combo.ItemText(i).c_str());
    return texts;
}

void SendThemeChange(HWND hwnd) {
    SendMessageW(hwnd, WM_SYSCOLORCHANGE, 0, reinterpret_cast<LPARAM>(&UiTheme::Get()));
}

const RECT kComboRect{10, 10, 160, 200};
// A drop-down list drawn by the library.
constexpr DWORD kOwnerDrawnList =
    CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_CHILD | WS_VISIBLE;

// A solid square icon of one colour.
IconHandle SolidIcon(int size, COLORREF colour) {
    ScreenDC screen(GetDC(nullptr));
    GdiHandle<HBITMAP> colourBits(CreateCompatibleBitmap(screen.Get(), size, size));
    GdiHandle<HBITMAP> mask(CreateBitmap(size, size, 1, 1, nullptr));
    {
        MemoryDC dc(CreateCompatibleDC(screen.Get()));
        HGDIOBJ old = SelectObject(dc.Get(), colourBits.Get());
        GdiHandle<HBRUSH> brush(CreateSolidBrush(colour));
        const RECT all{0, 0, size, size};
        FillRect(dc.Get(), &all, brush.Get());
        SelectObject(dc.Get(), mask.Get());
        FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SelectObject(dc.Get(), old);
    }
    ICONINFO info{TRUE, 0, 0, mask.Get(), colourBits.Get()};
    return IconHandle(CreateIconIndirect(&info));
}

int CountColour(const Canvas& canvas, COLORREF colour, const RECT& within) {
    int count = 0;
    for (int y = within.top; y < within.bottom; ++y)
        for (int x = within.left; x < within.right; ++x)
            count += canvas.At(x, y) == colour;
    return count;
}

} // namespace

TEST(mvComboBox, LookChangesRecreateTheComboCarryingItemsAndSettingsOver) {
    ScopedLook look(false);
    ComboParent parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    ProbeWnd before, after;
    ASSERT_TRUE(CreateChild(before, parent.Handle(), 1));
    mvComboBox combo;
    ASSERT_TRUE(CreateComboBoxWindow(combo, parent.Handle(), 77, kComboRect,
                                     CBS_DROPDOWNLIST | WS_CHILD | WS_VISIBLE));
    ASSERT_TRUE(CreateChild(after, parent.Handle(), 2));
    SetWindowPos(after.Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const HWND first = combo.Handle();
    const HWND previous = GetWindow(first, GW_HWNDPREV);

    // Own colours need an owner-drawn combo with strings: the attach asks for
    // the re-creation, which follows from the message queue.
    PumpMessages(5, 5);
    ASSERT_NE(nullptr, combo.Handle());
    EXPECT_NE(first, combo.Handle());
    EXPECT_FALSE(IsWindow(first));
    const DWORD own = GetWindowLongW(combo.Handle(), GWL_STYLE);
    EXPECT_EQ(DWORD(CBS_OWNERDRAWFIXED | CBS_HASSTRINGS),
              own & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS));
    EXPECT_EQ(DWORD(CBS_DROPDOWNLIST), own & 3);
    EXPECT_EQ(77, GetDlgCtrlID(combo.Handle()));
    EXPECT_EQ(previous, GetWindow(combo.Handle(), GW_HWNDPREV));
    EXPECT_EQ(std::vector<WPARAM>{77}, parent.recreated);
    EXPECT_NE(nullptr, combo.m_list.Handle());

    for (const wchar_t* text : {L"alpha", L"beta", L"gamma"})
        SendMessageW(combo.Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(combo.Handle(), CB_SETITEMDATA, 1, 1234);
    SendMessageW(combo.Handle(), CB_SETCURSEL, 1, 0);
    SendMessageW(combo.Handle(), CB_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(L"Pick one"));
    SendMessageW(combo.Handle(), CB_SETDROPPEDWIDTH, 240, 0);
    SendMessageW(combo.Handle(), CB_SETEXTENDEDUI, TRUE, 0);
    const HWND ownWindow = combo.Handle();

    // Back to the system look: one more re-creation, and none after it.
    UiTheme::Get().SystemLookFlag = true;
    SendThemeChange(combo.Handle());
    ASSERT_NE(nullptr, combo.Handle());
    EXPECT_NE(ownWindow, combo.Handle());
    EXPECT_EQ(0, GetWindowLongW(combo.Handle(), GWL_STYLE) &
                     (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE));
    EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}), ItemTexts(combo));
    EXPECT_EQ(1, SendMessageW(combo.Handle(), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, SendMessageW(combo.Handle(), CB_GETITEMDATA, 1, 0)); // item data stay behind
    EXPECT_EQ(240, SendMessageW(combo.Handle(), CB_GETDROPPEDWIDTH, 0, 0));
    EXPECT_EQ(TRUE, SendMessageW(combo.Handle(), CB_GETEXTENDEDUI, 0, 0));
    wchar_t cue[64] = {};
    EXPECT_EQ(TRUE,
              SendMessageW(combo.Handle(), CB_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 64));
    EXPECT_STREQ(L"Pick one", cue);
    EXPECT_EQ(previous, GetWindow(combo.Handle(), GW_HWNDPREV));
    const HWND systemWindow = combo.Handle();
    SendThemeChange(combo.Handle());
    EXPECT_EQ(systemWindow, combo.Handle());
    PumpMessages(5, 5);
    EXPECT_EQ((std::vector<WPARAM>{77, 77}), parent.recreated);
}

TEST(mvComboBox, DropDownHeightIsMeasuredOnceWithAFloor) {
    ScopedLook look(true);
    ComboParent parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(
        GetMonitorInfoW(MonitorFromWindow(parent.Handle(), MONITOR_DEFAULTTONEAREST), &monitor));
    const int third = (monitor.rcMonitor.bottom - monitor.rcMonitor.top) / 3;
    // The list part reaches as far down as asked (a third of the monitor
    // when no height is given) less the selection field; never less than 64.
    struct Case {
        int height;
        int most;
    } cases[] = {{0, third}, {-5, third}, {30, 64}, {180, 180}};
    for (const Case& c : cases) {
        mvComboBox combo;
        const RECT rect{0, 0, 120, c.height};
        ASSERT_TRUE(CreateComboBoxWindow(combo, parent.Handle(), 5, rect,
                                         CBS_DROPDOWN | WS_CHILD | WS_VISIBLE));
        EXPECT_LE(combo.m_dropHeight, c.most) << c.height;
        EXPECT_GE(combo.m_dropHeight, c.most == 64 ? 64 : c.most - 40) << c.height;
    }
}

TEST(mvComboBox, ListItemsAreDrawnInTheLookInForce) {
    ComboParent parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    mvComboBox combo;
    {
        ScopedLook own(false);
        ASSERT_TRUE(CreateComboBoxWindow(combo, parent.Handle(), 9, kComboRect, kOwnerDrawnList));
    }
    for (const wchar_t* text : {L"WWWW", L"MMMM"})
        SendMessageW(combo.Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    const UiTheme& ui = UiTheme::Get();
    struct Case {
        bool systemLook;
        UINT state;
        COLORREF back;
        COLORREF text;
    } cases[] = {
        {false, 0, ui.Color(ThemeEditBg), ui.Color(ThemeText)},
        {false, ODS_SELECTED, ui.Color(ThemeButtonPush), ui.Color(ThemeText)},
        {false, ODS_DISABLED, ui.Color(ThemeEditBg), ui.Color(ThemeTextGray)},
        {true, 0, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)},
        {true, ODS_SELECTED, GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT)},
    };
    const RECT row{0, 0, 120, 20};
    for (const Case& c : cases) {
        ScopedLook look(c.systemLook);
        Canvas canvas(120, 20, RGB(1, 2, 3));
        DRAWITEMSTRUCT item{ODT_COMBOBOX, 9,   0, ODA_DRAWENTIRE, c.state, combo.Handle(),
                            canvas.Dc(),  row, 0};
        // Through the parent, as the control sends it.
        EXPECT_EQ(TRUE,
                  SendMessageW(parent.Handle(), WM_DRAWITEM, 9, reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(c.back, canvas.At(0, 0)) << c.systemLook << " " << c.state;
        EXPECT_EQ(c.back, canvas.At(119, 19)) << c.systemLook << " " << c.state;
        EXPECT_GT(CountColour(canvas, c.text, row), 10) << c.systemLook << " " << c.state;
    }

    // The selection field of the current selection is the closed control's
    // to paint.
    SendMessageW(combo.Handle(), CB_SETCURSEL, 0, 0);
    Canvas canvas(120, 20, RGB(1, 2, 3));
    DRAWITEMSTRUCT field{ODT_COMBOBOX, 9,   0, ODA_DRAWENTIRE, ODS_COMBOBOXEDIT, combo.Handle(),
                         canvas.Dc(),  row, 0};
    SendMessageW(parent.Handle(), WM_DRAWITEM, 9, reinterpret_cast<LPARAM>(&field));
    EXPECT_EQ(120 * 20, CountColour(canvas, RGB(1, 2, 3), row));
}

TEST(mvComboBox, ClosedControlPaintsFrameButtonAndSelectionInOwnColours) {
    ScopedLook look(false);
    ComboParent parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    PlaceAwayFromCursor(parent.Handle());
    mvComboBox combo;
    ASSERT_TRUE(CreateComboBoxWindow(combo, parent.Handle(), 9, kComboRect, kOwnerDrawnList));
    SendMessageW(combo.Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"WWWW"));
    SendMessageW(combo.Handle(), CB_SETCURSEL, 0, 0);
    SetFocus(nullptr);
    const UiTheme& ui = UiTheme::Get();
    RECT client{};
    GetClientRect(combo.Handle(), &client);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo.Handle(), &info));
    ASSERT_FALSE(IsRectEmpty(&info.rcButton));
    const RECT left{1, 1, info.rcButton.left - 1, client.bottom - 1};
    const RECT button{info.rcButton.left + 1, 1, client.right - 1, client.bottom - 1};

    struct Case {
        bool enabled;
        COLORREF back;
        COLORREF chevron;
        COLORREF text;
    } cases[] = {
        {true, ui.Color(ThemeButton), ui.Color(ThemeIcon), ui.Color(ThemeText)},
        {false, ui.Color(ThemeButtonDisable), ui.Color(ThemeBorder), ui.Color(ThemeTextGray)},
    };
    for (const Case& c : cases) {
        EnableWindow(combo.Handle(), c.enabled);
        Canvas canvas(client.right, client.bottom, RGB(1, 2, 3));
        combo.Draw(canvas.Dc(), &client, 0);
        EXPECT_EQ(ui.Color(ThemeBorder), canvas.At(0, 0)) << c.enabled;
        EXPECT_EQ(ui.Color(ThemeBorder), canvas.At(client.right - 1, client.bottom - 1));
        EXPECT_EQ(c.back, canvas.At(2, 2)) << c.enabled;
        EXPECT_GT(CountColour(canvas, c.chevron, button), 4) << c.enabled;
        if (c.enabled) { // the grey of a disabled text's edges may match the border
            EXPECT_EQ(0, CountColour(canvas, c.chevron, left));
        }

        EXPECT_GT(CountColour(canvas, c.text, left), 10) << c.enabled;
        EXPECT_EQ(0, CountColour(canvas, RGB(1, 2, 3), client)) << c.enabled;
    }
}

TEST(mvComboBox, PaintsThroughTheBufferOnlyWhenOwnerDrawn) {
    ComboParent parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    PlaceAwayFromCursor(parent.Handle());
    struct Case {
        bool systemLook;
        DWORD style;
        bool buffered;
    } cases[] = {
        {false, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, true},
        {true, CBS_DROPDOWNLIST, false},
    };
    for (const Case& c : cases) {
        ScopedLook look(c.systemLook);
        mvComboBox combo;
        ASSERT_TRUE(CreateComboBoxWindow(combo, parent.Handle(), 4, kComboRect,
                                         c.style | WS_CHILD | WS_VISIBLE));
        RedrawWindow(combo.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT client{};
        GetClientRect(combo.Handle(), &client);
        EXPECT_EQ(c.buffered, combo.m_frameValid) << c.systemLook;
        if (c.buffered) {
            EXPECT_EQ(client.right, combo.m_memDC.Used().cx);
            EXPECT_EQ(client.bottom, combo.m_memDC.Used().cy);
        }
    }
}

TEST(mvComboBox, ItemHeightsFollowTheFont) {
    ScopedLook look(false);
    ComboParent parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    mvComboBox combo;
    ASSERT_TRUE(CreateComboBoxWindow(combo, parent.Handle(), 4, kComboRect, kOwnerDrawnList));
    for (int height : {-11, -30}) {
        LOGFONTW logFont{};
        logFont.lfHeight = height;
        wcscpy_s(logFont.lfFaceName, L"Tahoma");
        GdiHandle<HFONT> font(CreateFontIndirectW(&logFont));
        SendMessageW(combo.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        const int text = mvtheme_control::GetTextHeight(font.Get());
        EXPECT_EQ(text + 1, SendMessageW(combo.Handle(), CB_GETITEMHEIGHT, 0, 0)) << height;
        // Some systems report the selection field one pixel higher than set.
        const LRESULT field =
            SendMessageW(combo.Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        EXPECT_GE(field, text + 3) << height;
        EXPECT_LE(field, text + 4) << height;
    }
    SendMessageW(combo.Handle(), WM_SETFONT,
                 reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()), FALSE);
}

TEST(mvComboBoxEx, InnerComboDrawsItemImagesAndIsNeverRecreated) {
    ScopedLook look(false);
    ComboParent parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    mvComboBoxEx combo;
    ASSERT_TRUE(CreateComboBoxExWindow(combo, parent.Handle(), 12, kComboRect,
                                       CBS_DROPDOWNLIST | WS_CHILD | WS_VISIBLE));
    const HWND inner = combo.m_combo.Handle();
    ASSERT_NE(nullptr, inner);
    EXPECT_EQ(inner,
              reinterpret_cast<HWND>(SendMessageW(combo.Handle(), CBEM_GETCOMBOCONTROL, 0, 0)));
    EXPECT_NE(0, GetWindowLongW(inner, GWL_STYLE) & CBS_HASSTRINGS);

    ImageListHandle images(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 2));
    const COLORREF red = RGB(220, 0, 0), blue = RGB(0, 0, 220);
    for (COLORREF colour : {red, blue}) {
        IconHandle icon = SolidIcon(16, colour);
        ASSERT_GE(ImageList_AddIcon(images.Get(), icon.Get()), 0);
    }
    combo.SetImageList(images.Release());
    EXPECT_EQ(16, combo.m_combo.m_imageCx);
    // Both items: image red, selected image blue.
    for (const wchar_t* text : {L"WWWW", L"MMMM"}) {
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = -1;
        item.pszText = const_cast<wchar_t*>(text);
        item.iImage = 0;
        item.iSelectedImage = 1;
        ASSERT_GE(
            SendMessageW(combo.Handle(), CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 0);
    }
    EXPECT_STREQ(L"MMMM", combo.m_combo.ItemText(1).c_str());
    SendMessageW(combo.Handle(), CB_SETCURSEL, 0, 0);

    const RECT row{0, 0, 150, 20};
    struct Case {
        UINT index;
        COLORREF image;
        COLORREF other;
    } cases[] = {{0, blue, red}, {1, red, blue}}; // the current selection shows its selected image
    for (const Case& c : cases) {
        Canvas canvas(150, 20, RGB(1, 2, 3));
        DRAWITEMSTRUCT item{ODT_COMBOBOX, 0,   c.index, ODA_DRAWENTIRE, 0, inner,
                            canvas.Dc(),  row, 0};
        SendMessageW(combo.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
        const RECT cell{0, 0, 16 + 2 * 8 + 8, 20};
        EXPECT_GT(CountColour(canvas, c.image, cell), 100) << c.index;
        EXPECT_EQ(0, CountColour(canvas, c.other, row)) << c.index;
        // The text stands right of the image.
        const RECT textPart{17, 0, 150, 20};
        EXPECT_GT(CountColour(canvas, UiTheme::Get().Color(ThemeText), textPart), 10);
    }

    SendThemeChange(inner);
    PumpMessages(5, 5);
    EXPECT_EQ(inner, combo.m_combo.Handle());
    EXPECT_TRUE(IsWindow(inner));
}

// Combos without cue banners of their own still report the cue and hand it
// to the edit part, whose library object paints it.
TEST(mvComboBox, CueBannerIsKeptAndHandedToTheEditPart) {
    ScopedLook look(false);
    ComboParent parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    mvComboBox combo;
    ASSERT_TRUE(CreateComboBoxWindow(combo, parent.Handle(), 6, kComboRect,
                                     CBS_DROPDOWN | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_CHILD |
                                         WS_VISIBLE));
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo.Handle(), &info));
    ASSERT_NE(combo.Handle(), info.hwndItem);
    ASSERT_TRUE(combo.m_edit.SubclassWindow(info.hwndItem)); // as the control's users do
    const LRESULT native =
        SendMessageW(combo.Handle(), CB_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(L"Folder"));
    wchar_t cue[32] = {};
    EXPECT_EQ(TRUE,
              SendMessageW(combo.Handle(), CB_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 32));
    EXPECT_STREQ(L"Folder", cue);
    if (native == TRUE)
        GTEST_SKIP() << "the combo shows cue banners itself";
    EXPECT_STREQ(L"Folder", combo.m_edit.m_cue.text.c_str());
    EXPECT_TRUE(combo.m_edit.PaintsCue());
}
