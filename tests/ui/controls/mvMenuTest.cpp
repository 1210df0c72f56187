#include "ui/controls/mvMenu.h"

#include "ui/theme/BufferedPaint.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/mvApp.h"

#include "../support/Canvas.h"
#include "ProbeWnd.h"
#include "ScopedLook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// Counts what the routing hands to it.
class CountingMenu : public mvMenu {
public:
    using mvMenu::mvMenu;
    void OnMeasureItem(MEASUREITEMSTRUCT* item) override {
        measured.push_back(item->itemID);
        if (const mvBaseApp* app = mvBaseApp::Get())
            currentAtMeasure = app->m_popupMenu;
        mvMenu::OnMeasureItem(item);
    }
    void OnDrawItem(DRAWITEMSTRUCT* item) override {
        drawn.push_back(item->itemID);
        mvMenu::OnDrawItem(item);
    }
    std::vector<UINT> measured;
    std::vector<UINT> drawn;
    HMENU currentAtMeasure = nullptr; // the application's current pop-up then
};

// A top-level window that routes its menu messages the way every themed
// window does.
class MenuHostWnd : public mvWnd, public mvtheme_control {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
            return result;
        if (message == WM_COMMAND)
            commands.push_back(LOWORD(wParam));
        return mvWnd::WindowProc(message, wParam, lParam);
    }
    void Draw(HDC, const RECT*, LPARAM) override {}
    std::vector<UINT> commands;
};

// The item's type (MIIM_FTYPE) or state (MIIM_STATE), by position or command.
UINT ItemInfo(HMENU menu, UINT item, UINT mask, bool byPosition) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = mask;
    GetMenuItemInfoW(menu, item, byPosition, &mii);
    return mask == MIIM_FTYPE ? mii.fType : mii.fState;
}

UINT ItemType(HMENU menu, UINT position) {
    return ItemInfo(menu, position, MIIM_FTYPE, true);
}

UINT ItemState(HMENU menu, UINT id) {
    return ItemInfo(menu, id, MIIM_STATE, false);
}

// Draws one item of the menu into a fresh white canvas through the menu's
// own drawing.
void DrawItem(mvMenu& menu, Canvas& canvas, UINT id, UINT state = 0) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_MENU;
    item.itemID = id;
    item.itemState = state;
    item.hwndItem = reinterpret_cast<HWND>(menu.Handle());
    item.hDC = canvas.Dc();
    item.rcItem = {0, 0, canvas.Width(), canvas.Height()};
    menu.OnDrawItem(&item);
}

std::vector<COLORREF> Pixels(const Canvas& canvas) {
    std::vector<COLORREF> all;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            all.push_back(canvas.At(x, y));
    return all;
}

// The columns holding the colour, leftmost and rightmost; -1, -1 when none.
std::pair<int, int> ColumnsOf(const Canvas& canvas, COLORREF colour, int from, int to) {
    int first = -1, last = -1;
    for (int x = from; x < to; ++x)
        for (int y = 0; y < canvas.Height(); ++y)
            if (canvas.At(x, y) == colour) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

} // namespace

TEST(mvMenu, ItemsAreOwnerDrawnUnlessTheSystemLookIsOnOrTheMenuIsPlain) {
    struct Case {
        bool systemLook;
        bool plain;
        bool ownerDrawn;
    } cases[] = {{false, false, true}, {false, true, false}, {true, false, false}};
    for (const Case& c : cases) {
        ScopedLook look(c.systemLook);
        mvMenu menu(c.plain);
        ASSERT_TRUE(menu.CreatePopup());
        ASSERT_TRUE(menu.AppendItem(100, L"Open", nullptr));
        ASSERT_TRUE(menu.AppendItem(0, nullptr, nullptr));
        mvMenu* sub = menu.AddSubMenu(L"More");
        ASSERT_NE(sub, nullptr);
        ASSERT_TRUE(sub->AppendItem(200, L"Deeper", nullptr));
        const UINT od = c.ownerDrawn ? MFT_OWNERDRAW : 0;
        EXPECT_EQ(ItemType(menu.Handle(), 0) & MFT_OWNERDRAW, od) << c.plain << c.systemLook;
        EXPECT_EQ(ItemType(menu.Handle(), 1), MFT_SEPARATOR | od);
        EXPECT_EQ(ItemType(sub->Handle(), 0) & MFT_OWNERDRAW, od);
        EXPECT_EQ(sub->IsPlain(), c.plain);
        // A submenu item's identifier is its submenu handle.
        EXPECT_EQ(GetMenuItemID(menu.Handle(), 2), UINT(-1));
        EXPECT_EQ(menu.GetSubMenu(2), sub);
    }
}

TEST(mvMenu, SubmenuWrappersAreRegisteredAndGoWithTheirItemOrMenu) {
    mvMenu menu;
    ASSERT_TRUE(menu.CreatePopup());
    mvMenu* first = menu.AddSubMenu(L"First");
    mvMenu* second = menu.AddSubMenu(L"Second");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const HMENU firstHandle = first->Handle();
    const HMENU secondHandle = second->Handle();
    EXPECT_EQ(mvMenuMap::Get().Find(firstHandle), first);
    EXPECT_EQ(mvMenuMap::Get().Find(menu.Handle()), &menu);
    EXPECT_EQ(menu.GetSubMenu(5), nullptr);
    EXPECT_EQ(menu.GetItemText(1), L"Second");
    EXPECT_EQ(menu.GetItemText(7), L"");

    ASSERT_TRUE(menu.DeleteItem(0));
    EXPECT_EQ(mvMenuMap::Get().Find(firstHandle), nullptr);
    EXPECT_FALSE(IsMenu(firstHandle));
    EXPECT_EQ(menu.GetItemText(0), L"Second");

    const HMENU handle = menu.Handle();
    menu.Destroy();
    EXPECT_EQ(menu.Handle(), nullptr);
    EXPECT_EQ(mvMenuMap::Get().Find(handle), nullptr);
    EXPECT_EQ(mvMenuMap::Get().Find(secondHandle), nullptr);
    EXPECT_FALSE(IsMenu(handle));

    // A wrapper without a handle does nothing and reports so.
    EXPECT_FALSE(menu.AppendItem(1, L"x", nullptr));
    EXPECT_FALSE(menu.SetItem(1, L"x", 0, false));
    EXPECT_EQ(menu.AddSubMenu(L"x"), nullptr);
    EXPECT_EQ(menu.TrackPopup(0, 0, nullptr), 0);
    EXPECT_FALSE(menu.Attach(nullptr, false));
}

TEST(mvMenu, CommandsAreFoundEnabledCheckedAndMadeDefaultThroughTheirSubmenus) {
    mvMenu menu;
    ASSERT_TRUE(menu.CreateMenuBar());
    ASSERT_TRUE(menu.AppendItem(10, L"Top", nullptr));
    mvMenu* file = menu.AddSubMenu(L"File");
    ASSERT_TRUE(file->AppendItem(11, L"Open", nullptr));
    mvMenu* recent = file->AddSubMenu(L"Recent");
    ASSERT_TRUE(recent->AppendItem(12, L"One", nullptr));
    ASSERT_TRUE(recent->AppendItem(13, L"Two", nullptr));
    ASSERT_TRUE(recent->AppendItem(14, L"Three", nullptr));

    EXPECT_TRUE(menu.ContainsCommand(10));
    EXPECT_FALSE(menu.ContainsCommand(11)); // one level only
    EXPECT_FALSE(menu.ContainsCommand(0));
    EXPECT_EQ(menu.FindSubMenuWithCommand(11), file);
    EXPECT_EQ(menu.FindSubMenuWithCommand(13), recent);
    EXPECT_EQ(menu.FindSubMenuWithCommand(10), nullptr);

    // The entry leading to the command is greyed, not the command.
    EXPECT_TRUE(menu.EnableSubMenuOf(13, false));
    EXPECT_NE(GetMenuState(file->Handle(), 1, MF_BYPOSITION) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(recent->Handle(), 13, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(menu.Handle(), 1, MF_BYPOSITION) & MF_GRAYED, 0u);
    EXPECT_TRUE(menu.EnableSubMenuOf(13, true));
    EXPECT_EQ(GetMenuState(file->Handle(), 1, MF_BYPOSITION) & MF_GRAYED, 0u);
    EXPECT_FALSE(menu.EnableSubMenuOf(10, false)); // directly in this menu

    EXPECT_TRUE(recent->CheckItem(12, true, true));
    EXPECT_NE(ItemState(recent->Handle(), 12) & MFS_CHECKED, 0u);
    EXPECT_NE(GetMenuState(recent->Handle(), 12, MF_BYCOMMAND) & MFT_RADIOCHECK, 0u);
    EXPECT_TRUE(recent->CheckItem(12, false, false));
    EXPECT_EQ(ItemState(recent->Handle(), 12) & MFS_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(recent->Handle(), 12, MF_BYCOMMAND) & MFT_RADIOCHECK, 0u);

    EXPECT_TRUE(recent->CheckRadioItem(12, 14, 13, false));
    EXPECT_EQ(ItemState(recent->Handle(), 12) & MFS_CHECKED, 0u);
    EXPECT_NE(ItemState(recent->Handle(), 13) & MFS_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(recent->Handle(), 13, MF_BYCOMMAND) & MFT_RADIOCHECK, 0u);
    EXPECT_FALSE(recent->CheckRadioItem(12, 14, 99, true));

    EXPECT_TRUE(menu.SetDefaultItem(14));
    EXPECT_EQ(GetMenuDefaultItem(recent->Handle(), FALSE, 0), 14u);
    EXPECT_FALSE(menu.SetDefaultItem(99));

    EXPECT_TRUE(recent->SetItem(14, L"Renamed", 15, false));
    EXPECT_EQ(recent->GetItemText(2), L"Renamed");
    EXPECT_TRUE(recent->ContainsCommand(15));
    EXPECT_FALSE(recent->SetItem(0, L"x", 0, false));
}

TEST(mvMenu, MeasuringFollowsTheFontTabsAndKindOfMenu) {
    ScopedLook look(false);
    mvMenu popup;
    ASSERT_TRUE(popup.CreatePopup());
    mvMenu bar;
    ASSERT_TRUE(bar.CreateMenuBar());
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 300, 200, nullptr,
                                        nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    RegisterMenuBar(bar.Handle(), window);
    EXPECT_TRUE(bar.IsBar());
    EXPECT_FALSE(popup.IsBar());

    const HFONT font = UiTheme::Get().fonts.normal.Get();
    const ScreenDC screen(GetDC(nullptr));
    const HGDIOBJ old = SelectObject(screen.Get(), font);
    auto width = [&](const wchar_t* text) {
        SIZE size{};
        GetTextExtentPoint32W(screen.Get(), text, static_cast<int>(wcslen(text)), &size);
        return static_cast<int>(size.cx);
    };
    const int gap = popup.GetAccelGap();
    const int squares = 2 * popup.GetItemHeight() - GetSystemMetrics(SM_CXMENUCHECK);
    EXPECT_EQ(popup.GetItemHeight(), mvtheme_control::GetTextHeight(font) + 12);
    struct Case {
        const wchar_t* text;
        bool inBar;
        int expected;
    } cases[] = {
        {L"Open\tCtrl+O", false, width(L"Open") + gap + width(L"Ctrl+O") + squares},
        {L"\tCtrl+O", false, width(L"Ctrl+O") + gap / 2 + squares},
        {L"One\tTwo\tThree", false, width(L"One") + gap + width(L"Three") + squares},
        {L"Open", false, width(L"Open") + gap / 2 + squares},
        {L"File\tX", true, width(L"File\tX")},
    };
    UINT id = 100;
    for (const Case& c : cases) {
        mvMenu& menu = c.inBar ? bar : popup;
        ASSERT_TRUE(menu.AppendItem(id, c.text, nullptr));
        MEASUREITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = id++;
        menu.OnMeasureItem(&item);
        EXPECT_NEAR(int(item.itemWidth), c.expected, c.inBar ? 20 : 1) << std::wstring(c.text);
        EXPECT_EQ(int(item.itemHeight), popup.GetItemHeight());
    }
    SelectObject(screen.Get(), old);

    // Separators are as high as the half margin, made even.
    ASSERT_TRUE(popup.AppendItem(0, nullptr, nullptr));
    LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const LayoutSpacing saved = spacing;
    for (const auto& [half, expected] : {std::pair{5, 6}, {6, 6}, {7, 8}}) {
        spacing.halfMargin.cy = half;
        MEASUREITEMSTRUCT item{};
        item.CtlType = ODT_MENU;
        item.itemID = 0;
        popup.OnMeasureItem(&item);
        EXPECT_EQ(int(item.itemHeight), expected) << half;
        EXPECT_EQ(int(item.itemWidth), expected) << half;
    }
    spacing = saved;
    bar.Destroy();
    DestroyWindow(window);
}

TEST(mvMenu, PopupItemsDrawLabelLeftShortcutRightAndNeverTheMiddlePart) {
    ScopedLook look(false);
    UiTheme& theme = UiTheme::Get();
    const COLORREF text = theme.Color(ThemeText);
    mvMenu menu;
    ASSERT_TRUE(menu.CreatePopup());
    ASSERT_TRUE(menu.AppendItem(1, L"Open\tCtrl+O", nullptr));
    ASSERT_TRUE(menu.AppendItem(2, L"Open\tMiddle\tCtrl+O", nullptr));
    ASSERT_TRUE(menu.AppendItem(3, L"\tOpen", nullptr));
    ASSERT_TRUE(menu.AppendItem(4, L"Open", nullptr));
    const int height = menu.GetItemHeight();
    const int width = 400;

    Canvas two(width, height, kWhite), three(width, height, kWhite);
    DrawItem(menu, two, 1);
    DrawItem(menu, three, 2);
    EXPECT_EQ(Pixels(two), Pixels(three));
    // The label starts after the check square, the shortcut ends before the
    // arrow square, and nothing is drawn between them.
    const auto left = ColumnsOf(two, text, 0, width / 2);
    const auto right = ColumnsOf(two, text, width / 2, width);
    EXPECT_GE(left.first, height);
    EXPECT_LT(left.first, height + 4);
    EXPECT_GE(right.first, width / 2);
    EXPECT_LE(right.second, width - height);
    EXPECT_GT(right.second, width - height - 8);

    Canvas leadingTab(width, height, kWhite), plain(width, height, kWhite);
    DrawItem(menu, leadingTab, 3);
    DrawItem(menu, plain, 4);
    EXPECT_EQ(Pixels(leadingTab), Pixels(plain));
    // The background is the theme's base colour, selected items button_push.
    EXPECT_EQ(plain.At(1, 1), theme.Color(ThemeBase));
    Canvas selected(width, height, kWhite);
    DrawItem(menu, selected, 4, ODS_SELECTED);
    EXPECT_EQ(selected.At(1, 1), theme.Color(ThemeButtonPush));
}

TEST(mvMenu, ChecksSitLeftAndSubmenuArrowsPointRight) {
    ScopedLook look(false);
    const COLORREF icon = UiTheme::Get().Color(ThemeIcon);
    mvMenu menu;
    ASSERT_TRUE(menu.CreatePopup());
    ASSERT_TRUE(menu.AppendItem(1, L"", nullptr));
    mvMenu* sub = menu.AddSubMenu(L"");
    ASSERT_NE(sub, nullptr);
    const int height = menu.GetItemHeight();
    const int width = 200;

    Canvas unchecked(width, height, kWhite);
    DrawItem(menu, unchecked, 1);
    EXPECT_TRUE(unchecked.PixelsOf(icon).empty());
    ASSERT_TRUE(menu.CheckItem(1, true, false));
    Canvas checked(width, height, kWhite);
    DrawItem(menu, checked, 1);
    const auto check = ColumnsOf(checked, icon, 0, width);
    EXPECT_GE(check.first, 0);
    EXPECT_LT(check.second, height);

    Canvas arrow(width, height, kWhite);
    DrawItem(menu, arrow, static_cast<UINT>(reinterpret_cast<UINT_PTR>(sub->Handle())));
    const auto columns = ColumnsOf(arrow, icon, 0, width);
    ASSERT_GE(columns.first, width - height);
    // A right-pointing chevron: the rightmost column is its tip, one pixel
    // pair high; the leftmost holds both strokes apart.
    auto rowsIn = [&](int x) {
        int count = 0;
        for (int y = 0; y < height; ++y)
            count += arrow.At(x, y) == icon;
        return count;
    };
    EXPECT_LT(rowsIn(columns.second), rowsIn(columns.first));
}

TEST(mvMenu, ThemedWindowsRouteMeasureAndDrawOfTheirBarToTheWrapper) {
    ScopedLook look(false);
    MenuHostWnd host;
    ASSERT_TRUE(CreateTopLevel(host));
    CountingMenu bar;
    ASSERT_TRUE(bar.CreateMenuBar());
    mvMenu* file = bar.AddSubMenu(L"File");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->AppendItem(101, L"Open", nullptr));
    RegisterMenuBar(bar.Handle(), host.m_hwnd);
    ASSERT_TRUE(SetMenu(host.m_hwnd, bar.Handle()));
    ShowWindow(host.m_hwnd, SW_SHOWNOACTIVATE);
    RedrawWindow(host.m_hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    DrawMenuBar(host.m_hwnd);
    RedrawWindow(host.m_hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    const UINT fileId = static_cast<UINT>(reinterpret_cast<UINT_PTR>(file->Handle()));
    EXPECT_FALSE(bar.measured.empty());
    for (UINT id : bar.measured)
        EXPECT_EQ(id, fileId);
    ASSERT_FALSE(bar.drawn.empty());
    EXPECT_EQ(bar.drawn.front(), fileId);
    SetMenu(host.m_hwnd, nullptr);
    bar.Destroy();
}

TEST(mvMenu, TheSystemLookRecreatesOwnerDrawnMenusAndReattachesTheBar) {
    MenuHostWnd host;
    ASSERT_TRUE(CreateTopLevel(host));
    mvMenu bar, popup, plain(true);
    {
        ScopedLook own(false);
        ASSERT_TRUE(bar.CreateMenuBar());
        mvMenu* file = bar.AddSubMenu(L"File");
        ASSERT_TRUE(file->AppendItem(101, L"Open\tCtrl+O", nullptr));
        ASSERT_TRUE(file->AppendItem(0, nullptr, nullptr));
        ASSERT_TRUE(file->AppendItem(102, L"Close", nullptr));
        ASSERT_TRUE(file->CheckItem(102, true, false));
        RegisterMenuBar(bar.Handle(), host.m_hwnd);
        ASSERT_TRUE(SetMenu(host.m_hwnd, bar.Handle()));
        ASSERT_TRUE(popup.CreatePopup());
        ASSERT_TRUE(popup.AppendItem(201, L"Copy", nullptr));
        ASSERT_TRUE(plain.CreatePopup());
        ASSERT_TRUE(plain.AppendItem(301, L"Plain", nullptr));
    }
    const HMENU oldBar = bar.Handle();
    const HMENU oldPopup = popup.Handle();
    const HMENU oldPlain = plain.Handle();
    ScopedLook system(true);
    ApplyThemeToMenus();

    EXPECT_NE(bar.Handle(), oldBar);
    EXPECT_FALSE(IsMenu(oldBar));
    EXPECT_EQ(GetMenu(host.m_hwnd), bar.Handle());
    EXPECT_TRUE(bar.IsBar());
    EXPECT_EQ(mvMenuMap::Get().Find(bar.Handle()), &bar);
    EXPECT_EQ(mvMenuMap::Get().Find(oldBar), nullptr);
    EXPECT_NE(popup.Handle(), oldPopup);
    EXPECT_EQ(plain.Handle(), oldPlain);

    // The copy keeps every item, state and submenu, drawn by the system now.
    mvMenu* file = bar.GetSubMenu(0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(bar.GetItemText(0), L"File");
    EXPECT_EQ(file->GetItemText(0), L"Open\tCtrl+O");
    EXPECT_EQ(ItemType(file->Handle(), 1) & MFT_SEPARATOR, UINT(MFT_SEPARATOR));
    EXPECT_TRUE(file->ContainsCommand(102));
    EXPECT_NE(ItemState(file->Handle(), 102) & MFS_CHECKED, 0u);
    for (UINT i = 0; i < 3; ++i)
        EXPECT_EQ(ItemType(file->Handle(), i) & MFT_OWNERDRAW, 0u) << i;
    EXPECT_EQ(ItemType(bar.Handle(), 0) & MFT_OWNERDRAW, 0u);
    EXPECT_EQ(ItemType(popup.Handle(), 0) & MFT_OWNERDRAW, 0u);
    SetMenu(host.m_hwnd, nullptr);
    bar.Destroy();
}

TEST(mvMenu, CopyFromFillsAnEmptySubmenuInPlaceAndRecreatesAFullMenu) {
    ScopedLook look(false);
    mvMenu source;
    ASSERT_TRUE(source.CreatePopup());
    ASSERT_TRUE(source.AppendItem(1, L"One", nullptr));
    mvMenu* nested = source.AddSubMenu(L"Nested");
    ASSERT_TRUE(nested->AppendItem(2, L"Two", nullptr));
    ASSERT_TRUE(source.AppendItem(0, nullptr, nullptr));

    mvMenu target;
    ASSERT_TRUE(target.CreatePopup());
    mvMenu* empty = target.AddSubMenu(L"Copy");
    const HMENU emptyHandle = empty->Handle();
    ASSERT_TRUE(empty->CopyFrom(source));
    EXPECT_EQ(empty->Handle(), emptyHandle);
    EXPECT_EQ(GetMenuItemCount(emptyHandle), 3);
    EXPECT_EQ(empty->GetItemText(1), L"Nested");
    ASSERT_NE(empty->GetSubMenu(1), nullptr);
    EXPECT_EQ(empty->GetSubMenu(1)->GetItemText(0), L"Two");
    EXPECT_TRUE(empty->GetSubMenu(1)->ContainsCommand(2));

    const HMENU full = target.Handle();
    ASSERT_TRUE(target.CopyFrom(source));
    EXPECT_NE(target.Handle(), full);
    EXPECT_FALSE(IsMenu(full));
    EXPECT_EQ(GetMenuItemCount(target.Handle()), 3);
}

TEST(mvMenu, ATrackedPopupIsMeasuredAndDrawnThroughTheCurrentPopupMenu) {
    ScopedLook look(false);
    mvBaseApp app(L"menu test");
    MenuHostWnd host;
    ASSERT_TRUE(CreateTopLevel(host));
    ShowWindow(host.m_hwnd, SW_SHOWNOACTIVATE);
    CountingMenu popup;
    ASSERT_TRUE(popup.CreatePopup());
    ASSERT_TRUE(popup.AppendItem(501, L"First", nullptr));
    ASSERT_TRUE(popup.AppendItem(502, L"Second\tF2", nullptr));
    SetTimer(host.m_hwnd, 2, 300, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
        KillTimer(hwnd, id);
        EndMenu();
    });
    popup.TrackPopup(20, 20, host.m_hwnd);
    KillTimer(host.m_hwnd, 2);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(popup.measured, (std::vector<UINT>{501, 502}));
    EXPECT_FALSE(popup.drawn.empty());
    EXPECT_EQ(popup.currentAtMeasure, popup.Handle());
}

TEST(mvMenu, ANewUiFontRecreatesOwnerDrawnMenusOnly) {
    ScopedLook look(false);
    mvMenu drawn, plain(true);
    ASSERT_TRUE(drawn.CreatePopup());
    ASSERT_TRUE(drawn.AppendItem(1, L"One", nullptr));
    ASSERT_TRUE(plain.CreatePopup());
    ASSERT_TRUE(plain.AppendItem(2, L"Two", nullptr));
    const HMENU drawnBefore = drawn.Handle(), plainBefore = plain.Handle();

    UiFonts& fonts = UiTheme::Get().fonts;
    LOGFONTW font{};
    ASSERT_EQ(GetObjectW(fonts.normal.Get(), sizeof font, &font), int(sizeof font));
    // The same font again changes nothing.
    RefreshMenusForFont();
    EXPECT_EQ(drawn.Handle(), drawnBefore);

    font.lfHeight = font.lfHeight < 0 ? font.lfHeight - 3 : font.lfHeight + 3;
    fonts.Create(font, 1.45);
    EXPECT_NE(drawn.Handle(), drawnBefore);
    EXPECT_FALSE(IsMenu(drawnBefore));
    EXPECT_EQ(drawn.GetItemText(0), L"One");
    EXPECT_NE(ItemType(drawn.Handle(), 0) & MFT_OWNERDRAW, 0u);
    EXPECT_EQ(plain.Handle(), plainBefore);
}
