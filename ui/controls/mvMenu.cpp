#include "ui/controls/mvMenu.h"

#include "foundation/Handles.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowHolders.h"
#include "ui/core/mvApp.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <cstring>
#include <vector>

namespace {

// Process-wide menu state: the "Menu" visual-style theme, the UI font as the
// menus last saw it, and the off-screen DC items are painted in.
struct MenuState {
    ThemeHandle theme;
    LOGFONTW font{};
    mvMemDC memDC;
    bool memDCMade = false;
};

MenuState& State() {
    static MenuState state;
    return state;
}

// Once the registry is gone (process exit), wrappers destroyed later leave it
// alone.
bool g_mapAlive = false;

bool ThemeOpen() {
    return static_cast<bool>(State().theme);
}

void OpenMenuTheme() {
    if (!ThemeOpen())
        State().theme.Assign(OpenThemeData(nullptr, L"Menu"));
}

bool IsFontEmpty(const LOGFONTW& font) {
    static const LOGFONTW empty{};
    return std::memcmp(&font, &empty, sizeof font) == 0;
}

bool ReadUiLogFont(LOGFONTW& font) {
    const HFONT ui = UiTheme::Get().fonts.normal.Get();
    return ui != nullptr && GetObjectW(ui, sizeof font, &font) == sizeof font;
}

// The colour of marks (check, arrow): greyed, selected or normal.
COLORREF MarkColour(UINT state) {
    const bool greyed = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
    if (SystemLook()) {
        if (greyed)
            return GetSysColor(COLOR_GRAYTEXT);
        return GetSysColor((state & ODS_SELECTED) != 0 ? COLOR_HIGHLIGHTTEXT : COLOR_3DDKSHADOW);
    }
    return ThemeColour(greyed ? ThemeTextGray : ThemeIcon);
}

struct ItemInfo {
    UINT type = 0;
    UINT state = 0;
    UINT id = 0;
    HMENU submenu = nullptr;
    mvstring text;
};

// The item's type, state, id, submenu and text; false when it cannot be
// read.
bool ReadItem(HMENU menu, UINT item, bool byPosition, ItemInfo& info) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    if (!GetMenuItemInfoW(menu, item, byPosition, &mii))
        return false;
    info.type = mii.fType;
    info.state = mii.fState;
    info.id = mii.wID;
    info.submenu = mii.hSubMenu;
    info.text.clear();
    if (mii.cch > 0) {
        std::vector<wchar_t> buffer(mii.cch + 1u, L'\0');
        mii.fMask = MIIM_STRING;
        mii.dwTypeData = buffer.data();
        mii.cch = static_cast<UINT>(buffer.size());
        if (GetMenuItemInfoW(menu, item, byPosition, &mii))
            info.text = mvstring(buffer.data());
    }
    return true;
}

bool DrawItemHook(DRAWITEMSTRUCT* item) {
    mvMenu* menu = mvMenuMap::Get().Find(reinterpret_cast<HMENU>(item->hwndItem));
    if (menu == nullptr)
        return false;
    menu->OnDrawItem(item);
    return true;
}

void MeasureItemHook(MEASUREITEMSTRUCT* item, HMENU currentPopup) {
    mvMenu* menu = mvMenuMap::Get().Find(currentPopup);
    if (menu == nullptr && item->itemID >= 0xFFFF)
        menu = mvMenuMap::Get().FindByItemId(item->itemID);
    if (menu != nullptr)
        menu->OnMeasureItem(item);
}

// The registry exists before any code of the program runs, and the themed
// windows and the theme record reach the menus through it.
struct MenuHooksAtLoad {
    MenuHooksAtLoad() {
        mvMenuMap::Get();
        ThemedMenuHooks& hooks = GetThemedMenuHooks();
        hooks.DrawItem = DrawItemHook;
        hooks.MeasureItem = MeasureItemHook;
        UiTheme& theme = UiTheme::Record();
        theme.onThemeApplied = ApplyThemeToMenus;
        theme.onFontChanged = RefreshMenusForFont;
    }
} g_menuHooksAtLoad;

} // namespace

// mvMenuMap

mvMenuMap& mvMenuMap::Get() {
    static mvMenuMap map;
    return map;
}

mvMenuMap::mvMenuMap() {
    g_mapAlive = true;
}

mvMenuMap::~mvMenuMap() {
    g_mapAlive = false;
    const std::map<HMENU, mvMenu*> menus = std::move(m_menus);
    m_menus.clear();
    m_bars.clear();
    for (const auto& [menu, wrapper] : menus) {
        if (wrapper->IsOwned())
            wrapper->ReleaseHandle();
        else
            delete wrapper;
    }
}

mvMenu* mvMenuMap::Find(HMENU menu) const {
    const auto it = m_menus.find(menu);
    return it != m_menus.end() ? it->second : nullptr;
}

mvMenu* mvMenuMap::FindByItemId(UINT id) const {
    for (const auto& [menu, wrapper] : m_menus) {
        const int count = GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i) {
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_ID;
            if (GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii) && mii.wID == id)
                return wrapper;
        }
    }
    return nullptr;
}

void mvMenuMap::Insert(HMENU bar, HWND window) {
    if (bar != nullptr)
        m_bars[bar] = window;
}

HWND mvMenuMap::BarWindow(HMENU bar) const {
    const auto it = m_bars.find(bar);
    return it != m_bars.end() ? it->second : nullptr;
}

void mvMenuMap::Register(HMENU menu, mvMenu* wrapper) {
    if (menu != nullptr)
        m_menus[menu] = wrapper;
}

void mvMenuMap::Unregister(HMENU menu, const mvMenu* wrapper) {
    const auto it = m_menus.find(menu);
    if (it != m_menus.end() && it->second == wrapper)
        m_menus.erase(it);
}

void mvMenuMap::RemoveBar(HMENU bar) {
    m_bars.erase(bar);
}

std::vector<mvMenu*> mvMenuMap::OwningWrappers() const {
    std::vector<mvMenu*> owning;
    for (const auto& [menu, wrapper] : m_menus)
        if (wrapper->IsOwned())
            owning.push_back(wrapper);
    return owning;
}

// mvMenu: handles

mvMenu::mvMenu(bool plain) : m_plain(plain) {
    OpenMenuTheme();
    if (IsFontEmpty(State().font))
        ReadUiLogFont(State().font);
}

mvMenu::~mvMenu() {
    Destroy();
}

bool mvMenu::IsBar() const {
    return m_menu != nullptr && g_mapAlive && mvMenuMap::Get().BarWindow(m_menu) != nullptr;
}

bool mvMenu::CreateMenuBar() {
    return Adopt(CreateMenu());
}

bool mvMenu::CreatePopup() {
    return Adopt(CreatePopupMenu());
}

bool mvMenu::Adopt(HMENU menu) {
    if (menu == nullptr)
        return false;
    Destroy();
    m_menu = menu;
    mvMenuMap::Get().Register(menu, this);
    if (!m_plain)
        ApplyLook();
    return true;
}

bool mvMenu::Attach(HMENU menu, bool notOwned) {
    Destroy();
    if (menu == nullptr)
        return false;
    m_menu = menu;
    m_notOwned = notOwned;
    mvMenuMap::Get().Register(menu, this);
    return true;
}

void mvMenu::Destroy() {
    if (m_menu == nullptr)
        return;
    if (g_mapAlive) {
        mvMenuMap& map = mvMenuMap::Get();
        const int count = GetMenuItemCount(m_menu);
        for (int i = 0; i < count; ++i) {
            mvMenu* sub = map.Find(::GetSubMenu(m_menu, i));
            if (sub != nullptr && sub != this && !sub->IsOwned())
                delete sub;
        }
        map.RemoveBar(m_menu);
    }
    ReleaseHandle();
}

void mvMenu::ReleaseHandle() {
    if (m_menu == nullptr)
        return;
    if (!m_notOwned)
        DestroyMenu(m_menu);
    if (g_mapAlive)
        mvMenuMap::Get().Unregister(m_menu, this);
    m_menu = nullptr;
    m_notOwned = false;
}

// mvMenu: metrics and drawing

bool mvMenu::IsOwnerDraw() const {
    return !(SystemLook() || m_plain);
}

int mvMenu::GetItemHeight() {
    return mvtheme_control::GetTextHeight(GetFont(false)) + 12;
}

int mvMenu::GetAccelGap() {
    int average = 0;
    mvtheme_control::GetTextHeight(GetFont(false), &average);
    return 4 * average;
}

HFONT mvMenu::GetFont(bool bold) {
    const UiFonts& fonts = UiTheme::Get().fonts;
    return bold ? fonts.bold.Get() : fonts.normal.Get();
}

HBRUSH mvMenu::GetBackgroundBrush() {
    if (SystemLook())
        return GetSysColorBrush(COLOR_MENU);
    return UiTheme::Get().baseBrush.Get();
}

int mvMenu::DrawCheckMark(HDC dc, const RECT& rect, UINT state, bool, bool measureOnly) {
    const int height = GetItemHeight();
    if (measureOnly || dc == nullptr)
        return height;
    RECT square{rect.left, rect.top, rect.left + height, rect.top + height};
    const bool greyed = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
    if (SystemLook() && ThemeOpen()) {
        RECT inner{square.left, square.top + 2, square.right - 4, square.bottom - 2};
        DrawThemeBackground(State().theme.Get(), dc, MENU_POPUPCHECKBACKGROUND,
                            greyed ? MCB_DISABLED : MCB_NORMAL, &inner, nullptr);
        DrawThemeBackground(State().theme.Get(), dc, MENU_POPUPCHECK,
                            greyed ? MC_CHECKMARKDISABLED : MC_CHECKMARKNORMAL, &inner, nullptr);
        return height;
    }
    DrawButtonFace(dc, &square, kNoColor, kNoColor, MarkColour(state), MarkCheck, 0.7);
    return height;
}

int mvMenu::DrawSubmenuArrow(HDC dc, const RECT& rect, UINT state, HMENU, bool measureOnly) {
    const int height = GetItemHeight();
    if (measureOnly || dc == nullptr)
        return height;
    const int side = rect.bottom - rect.top;
    RECT square{rect.right - side, rect.top, rect.right, rect.bottom};
    const bool greyed = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
    if (SystemLook() && ThemeOpen()) {
        DrawThemeBackground(State().theme.Get(), dc, MENU_POPUPSUBMENU,
                            greyed ? MSM_DISABLED : MSM_NORMAL, &square, nullptr);
        return height;
    }
    // The tip points right, towards the submenu.
    DrawChevron(dc, &square, MarkColour(state), ChevronHorizontal, true, 0.45);
    return height;
}

int mvMenu::DrawItemText(HDC dc, const RECT& rect, const mvstring& text, UINT state,
                         bool measureOnly) {
    const UINT prefix = (state & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0;
    if (!measureOnly) {
        const bool greyed = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
        const bool selected = (state & ODS_SELECTED) != 0;
        COLORREF colour;
        if (SystemLook()) {
            const int themeState = 1 + (selected ? 1 : 0) + (greyed ? 2 : 0);
            if (!ThemeOpen() || FAILED(GetThemeColor(State().theme.Get(), MENU_POPUPITEM,
                                                     themeState, TMT_TEXTCOLOR, &colour)))
                colour = GetSysColor(greyed     ? COLOR_GRAYTEXT
                                     : selected ? COLOR_HIGHLIGHTTEXT
                                                : COLOR_MENUTEXT);
        } else {
            colour = ThemeColour(greyed ? ThemeTextGray : ThemeText);
        }
        SetTextColor(dc, colour);
    }
    const UINT measure = measureOnly ? DT_CALCRECT : 0;
    if (IsBar()) {
        RECT box = rect;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.length()), &box,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix | measure);
        return box.right - box.left;
    }
    std::vector<mvstring> parts;
    SplitString(text, parts, L"\t");
    if (parts.empty())
        return 0;
    auto draw = [&](const mvstring& part, UINT flags) {
        RECT box = rect;
        DrawTextW(dc, part.c_str(), static_cast<int>(part.length()), &box,
                  flags | DT_VCENTER | DT_SINGLELINE | prefix | measure);
        return static_cast<int>(box.right - box.left);
    };
    const int first = draw(parts.front(), DT_LEFT);
    if (parts.size() < 2)
        return first + GetAccelGap() / 2;
    const int last = draw(parts.back(), DT_RIGHT);
    return first + GetAccelGap() + last;
}

void mvMenu::OnMeasureItem(MEASUREITEMSTRUCT* item) {
    if (item == nullptr || m_menu == nullptr)
        return;
    item->itemHeight = static_cast<UINT>(GetItemHeight());
    item->itemWidth = 160;
    ItemInfo info;
    if (!ReadItem(m_menu, item->itemID, FALSE, info))
        return;
    if ((info.type & MFT_SEPARATOR) != 0) {
        int half = UiTheme::Get().fonts.spacing.halfMargin.cy;
        if (half % 2 != 0)
            ++half;
        item->itemHeight = static_cast<UINT>(half);
        item->itemWidth = static_cast<UINT>(half);
        return;
    }
    const HDC dc = GetMenuMemDC(1024, 768);
    if (dc == nullptr)
        return;
    const HGDIOBJ old = SelectObject(dc, GetFont(false));
    const RECT scratch{0, 0, 1024, 768};
    int width = DrawItemText(dc, scratch, info.text, 0, true);
    if (!IsBar())
        width += DrawCheckMark(dc, scratch, 0, false, true) +
                 DrawSubmenuArrow(dc, scratch, 0, info.submenu, true) -
                 GetSystemMetrics(SM_CXMENUCHECK);
    SelectObject(dc, old);
    item->itemWidth = static_cast<UINT>(width > 0 ? width : 0);
}

void mvMenu::OnDrawItem(DRAWITEMSTRUCT* item) {
    if (item == nullptr || m_menu == nullptr)
        return;
    const RECT& target = item->rcItem;
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    HDC dc = GetMenuMemDC(width, height);
    RECT rect{0, 0, width, height};
    if (dc == nullptr) {
        dc = item->hDC;
        rect = target;
    }
    ItemInfo info;
    ReadItem(m_menu, item->itemID, FALSE, info);
    const UINT state = item->itemState;
    const bool selected = (state & ODS_SELECTED) != 0;
    const bool greyed = (state & (ODS_GRAYED | ODS_DISABLED)) != 0;
    if (SystemLook() && ThemeOpen()) {
        DrawThemeBackground(State().theme.Get(), dc, MENU_POPUPBACKGROUND, 0, &rect, nullptr);
        DrawThemeBackground(State().theme.Get(), dc, MENU_POPUPITEM,
                            1 + (selected ? 1 : 0) + (greyed ? 2 : 0), &rect, nullptr);
    } else if (SystemLook()) {
        FillSolidRect(dc, rect, GetSysColor(selected && !greyed ? COLOR_MENUHILIGHT : COLOR_MENU));
    } else {
        FillSolidRect(dc, rect,
                      ThemeColour(selected ? (greyed ? ThemeButton : ThemeButtonPush) : ThemeBase));
    }
    RECT textRect = rect;
    if (!IsBar()) {
        const bool checked = (info.state & MFS_CHECKED) != 0 && item->itemID != 0;
        textRect.left +=
            DrawCheckMark(dc, rect, state, (info.type & MFT_RADIOCHECK) != 0, !checked);
        textRect.right -= DrawSubmenuArrow(dc, rect, state, info.submenu, info.submenu == nullptr);
    }
    if ((info.type & MFT_SEPARATOR) != 0) {
        if (SystemLook() && ThemeOpen()) {
            DrawThemeBackground(State().theme.Get(), dc, MENU_POPUPSEPARATOR, 0, &rect, nullptr);
        } else {
            const int middle = (rect.top + rect.bottom) / 2;
            const RECT line{rect.left, middle, rect.right, middle + 1};
            FillSolidRect(dc, line,
                          SystemLook() ? GetSysColor(COLOR_BTNSHADOW) : ThemeColour(ThemeBorder));
        }
    } else if (!info.text.empty()) {
        const HGDIOBJ old = SelectObject(dc, GetFont((state & ODS_DEFAULT) != 0));
        SetBkMode(dc, TRANSPARENT);
        DrawItemText(dc, textRect, info.text, state, false);
        SelectObject(dc, old);
    }
    if (dc != item->hDC)
        BitBlt(item->hDC, target.left, target.top, width, height, dc, 0, 0, SRCCOPY);
    // Keeps the system from painting its own submenu arrow over the item.
    ExcludeClipRect(item->hDC, target.left, target.top, target.right, target.bottom);
}

// mvMenu: items

bool mvMenu::InsertAt(UINT position, UINT id, const wchar_t* text, HMENU submenu) {
    if (m_menu == nullptr)
        return false;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
    const UINT ownerDraw = IsOwnerDraw() ? MFT_OWNERDRAW : 0;
    mii.fType = ownerDraw != 0 ? ownerDraw : MFT_STRING;
    if (id == 0 && submenu == nullptr)
        mii.fType = MFT_SEPARATOR | ownerDraw;
    mii.wID = id;
    mii.dwTypeData = const_cast<wchar_t*>(text != nullptr ? text : L"");
    if (submenu != nullptr) {
        mii.fMask |= MIIM_SUBMENU;
        mii.hSubMenu = submenu;
        mii.wID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(submenu));
    }
    return InsertMenuItemW(m_menu, position, TRUE, &mii) != FALSE;
}

bool mvMenu::InsertItem(UINT position, UINT id, const wchar_t* text, HMENU submenu) {
    if (m_menu == nullptr)
        return false;
    if (submenu != nullptr && mvMenuMap::Get().Find(submenu) == nullptr) {
        mvMenu look(m_plain);
        look.Attach(submenu, true);
        look.ApplyLook();
    } else if (submenu != nullptr) {
        mvMenuMap::Get().Find(submenu)->ApplyLook();
    }
    return InsertAt(position, id, text, submenu);
}

bool mvMenu::AppendItem(UINT id, const wchar_t* text, HMENU submenu) {
    if (m_menu == nullptr)
        return false;
    return InsertAt(static_cast<UINT>(GetMenuItemCount(m_menu)), id, text, submenu);
}

mvMenu* mvMenu::AddSubMenu(const wchar_t* text) {
    if (m_menu == nullptr)
        return nullptr;
    const HMENU popup = CreatePopupMenu();
    if (popup == nullptr)
        return nullptr;
    const int before = GetMenuItemCount(m_menu);
    if (!AppendItem(0, text, popup) || GetMenuItemCount(m_menu) != before + 1) {
        DestroyMenu(popup);
        return nullptr;
    }
    mvMenu* sub = GetSubMenu(static_cast<UINT>(before));
    if (sub == nullptr)
        return nullptr;
    sub->m_plain = m_plain;
    if (!m_plain)
        sub->ApplyLook();
    return sub;
}

bool mvMenu::SetItem(UINT item, const wchar_t* text, UINT id, bool byPosition) {
    if (m_menu == nullptr || (!byPosition && item == 0))
        return false;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    if (id != 0) {
        mii.fMask |= MIIM_ID;
        mii.wID = id;
    }
    if (text != nullptr && *text != L'\0') {
        mii.fMask |= MIIM_STRING;
        mii.dwTypeData = const_cast<wchar_t*>(text);
    }
    return SetMenuItemInfoW(m_menu, item, byPosition, &mii) != FALSE;
}

bool mvMenu::DeleteItem(UINT position) {
    if (m_menu == nullptr)
        return false;
    mvMenu* sub = mvMenuMap::Get().Find(::GetSubMenu(m_menu, static_cast<int>(position)));
    if (!DeleteMenu(m_menu, position, MF_BYPOSITION))
        return false;
    // The submenu handle went with the item; a viewing wrapper must not
    // destroy it again, an owning one forgets it.
    if (sub != nullptr && sub != this) {
        if (sub->IsOwned()) {
            sub->m_notOwned = true;
            sub->ReleaseHandle();
        } else {
            delete sub;
        }
    }
    return true;
}

mvMenu* mvMenu::GetSubMenu(UINT position) {
    if (m_menu == nullptr)
        return nullptr;
    const HMENU handle = ::GetSubMenu(m_menu, static_cast<int>(position));
    if (handle == nullptr)
        return nullptr;
    if (mvMenu* found = mvMenuMap::Get().Find(handle))
        return found;
    auto* sub = new mvMenu(false);
    sub->Attach(handle, true);
    return sub;
}

mvstring mvMenu::GetItemText(UINT position) const {
    ItemInfo info;
    if (m_menu == nullptr || !ReadItem(m_menu, position, TRUE, info))
        return {};
    return info.text;
}

bool mvMenu::ContainsCommand(UINT id) const {
    if (m_menu == nullptr || id == 0)
        return false;
    const int count = GetMenuItemCount(m_menu);
    for (int i = 0; i < count; ++i)
        if (::GetSubMenu(m_menu, i) == nullptr && GetMenuItemID(m_menu, i) == id)
            return true;
    return false;
}

mvMenu* mvMenu::FindSubMenuWithCommand(UINT id) {
    if (m_menu == nullptr || id == 0)
        return nullptr;
    const int count = GetMenuItemCount(m_menu);
    for (int i = 0; i < count; ++i) {
        mvMenu* sub = GetSubMenu(static_cast<UINT>(i));
        if (sub == nullptr)
            continue;
        if (sub->ContainsCommand(id))
            return sub;
        if (mvMenu* deeper = sub->FindSubMenuWithCommand(id))
            return deeper;
    }
    return nullptr;
}

bool mvMenu::EnableSubMenuOf(UINT id, bool enable) {
    if (m_menu == nullptr || id == 0)
        return false;
    const int count = GetMenuItemCount(m_menu);
    for (int i = 0; i < count; ++i) {
        mvMenu* sub = GetSubMenu(static_cast<UINT>(i));
        if (sub == nullptr)
            continue;
        if (sub->ContainsCommand(id)) {
            EnableMenuItem(m_menu, static_cast<UINT>(i),
                           MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
            return true;
        }
        if (sub->EnableSubMenuOf(id, enable))
            return true;
    }
    return false;
}

bool mvMenu::CheckItem(UINT id, bool checked, bool radio) {
    if (m_menu == nullptr)
        return false;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_STATE;
    if (!GetMenuItemInfoW(m_menu, id, FALSE, &mii))
        return false;
    mii.fState = checked ? (mii.fState | MFS_CHECKED) : (mii.fState & ~MFS_CHECKED);
    mii.fType = radio ? (mii.fType | MFT_RADIOCHECK) : (mii.fType & ~MFT_RADIOCHECK);
    return SetMenuItemInfoW(m_menu, id, FALSE, &mii) != FALSE;
}

bool mvMenu::CheckRadioItem(UINT first, UINT last, UINT id, bool radio) {
    if (m_menu == nullptr || !CheckMenuRadioItem(m_menu, first, last, id, MF_BYCOMMAND))
        return false;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    if (GetMenuItemInfoW(m_menu, id, FALSE, &mii) && ((mii.fType & MFT_RADIOCHECK) != 0) != radio) {
        mii.fType ^= MFT_RADIOCHECK;
        SetMenuItemInfoW(m_menu, id, FALSE, &mii);
    }
    return true;
}

bool mvMenu::SetDefaultItem(UINT id) {
    if (m_menu == nullptr)
        return false;
    if (SetMenuDefaultItem(m_menu, id, FALSE))
        return true;
    const int count = GetMenuItemCount(m_menu);
    for (int i = 0; i < count; ++i) {
        mvMenu* sub = GetSubMenu(static_cast<UINT>(i));
        if (sub != nullptr && sub->SetDefaultItem(id))
            return true;
    }
    return false;
}

BOOL mvMenu::TrackPopup(int x, int y, HWND window) {
    if (m_menu == nullptr)
        return 0;
    if (mvBaseApp* app = mvBaseApp::Get())
        app->NotePopupMenu(m_menu);
    return TrackPopupMenu(m_menu, TPM_LEFTBUTTON, x, y, 0, window, nullptr);
}

bool mvMenu::CopyFrom(const mvMenu& other) {
    if (m_menu != nullptr && GetMenuItemCount(m_menu) > 0)
        Destroy();
    if (m_menu == nullptr && !(other.IsBar() ? CreateMenuBar() : CreatePopup()))
        return false;
    return CopyItems(other);
}

bool mvMenu::CopyItems(const mvMenu& other) {
    if (m_menu == nullptr || other.m_menu == nullptr)
        return false;
    const int count = GetMenuItemCount(other.m_menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_DATA |
                    MIIM_BITMAP | MIIM_STRING;
        if (!GetMenuItemInfoW(other.m_menu, static_cast<UINT>(i), TRUE, &mii))
            return false;
        std::vector<wchar_t> text(mii.cch + 1u, L'\0');
        if (mii.cch > 0) {
            mii.dwTypeData = text.data();
            mii.cch = static_cast<UINT>(text.size());
            if (!GetMenuItemInfoW(other.m_menu, static_cast<UINT>(i), TRUE, &mii))
                return false;
        }
        if (mii.hbmpItem == nullptr)
            mii.fMask &= ~MIIM_BITMAP;
        if (mii.dwItemData == 0)
            mii.fMask &= ~MIIM_DATA;
        if (mii.hbmpChecked == nullptr && mii.hbmpUnchecked == nullptr)
            mii.fMask &= ~MIIM_CHECKMARKS;
        if (text[0] == L'\0')
            mii.fMask &= ~MIIM_STRING;
        mii.dwTypeData = text.data();
        if (mii.hSubMenu != nullptr) {
            mvMenu* source = mvMenuMap::Get().Find(mii.hSubMenu);
            mvMenu* sub = AddSubMenu(text.data());
            if (sub == nullptr)
                return false;
            mvMenu view(true);
            if (source == nullptr) {
                view.Attach(mii.hSubMenu, true);
                source = &view;
            }
            const bool copied = sub->CopyItems(*source);
            if (source == &view)
                view.ReleaseHandle();
            if (!copied)
                return false;
            continue;
        }
        // The copy follows this menu's look, not the source's: copied
        // owner-drawn items would stay owner-drawn in the system look.
        mii.fType = (mii.fType & ~MFT_OWNERDRAW) | (IsOwnerDraw() ? MFT_OWNERDRAW : 0);
        if (!InsertMenuItemW(m_menu, static_cast<UINT>(i), TRUE, &mii))
            return false;
    }
    return true;
}

// mvMenu: look

void mvMenu::ApplyLook() {
    if (m_menu == nullptr || !IsOwnerDraw())
        return;
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
    info.hbrBack = GetBackgroundBrush();
    SetMenuInfo(m_menu, &info);
    SetOwnerDrawFlags();
}

void mvMenu::SetOwnerDrawFlags() {
    if (m_menu == nullptr)
        return;
    const bool on = IsOwnerDraw();
    const int count = GetMenuItemCount(m_menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(m_menu, static_cast<UINT>(i), TRUE, &mii))
            continue;
        if (((mii.fType & MFT_OWNERDRAW) != 0) == on)
            continue;
        mii.fMask = MIIM_FTYPE;
        mii.fType = on ? (mii.fType | MFT_OWNERDRAW) : (mii.fType & ~MFT_OWNERDRAW);
        SetMenuItemInfoW(m_menu, static_cast<UINT>(i), TRUE, &mii);
        if (mii.hSubMenu != nullptr)
            if (mvMenu* sub = GetSubMenu(static_cast<UINT>(i)))
                sub->SetOwnerDrawFlags();
    }
}

bool mvMenu::Recreate() {
    const bool bar = IsBar();
    const HWND window = bar ? mvMenuMap::Get().BarWindow(m_menu) : nullptr;
    mvMenu copy(m_plain);
    if (!(bar ? copy.CreateMenuBar() : copy.CreatePopup()) || !copy.CopyItems(*this))
        return false;
    // The copy's handle and its submenu wrappers pass to this wrapper.
    const HMENU fresh = copy.m_menu;
    mvMenuMap::Get().Unregister(fresh, &copy);
    copy.m_menu = nullptr;
    if (bar) {
        // The window gets the new bar before the old one is destroyed.
        SetMenu(window, fresh);
    }
    Destroy();
    m_menu = fresh;
    m_notOwned = false;
    mvMenuMap::Get().Register(fresh, this);
    if (bar) {
        mvMenuMap::Get().Insert(fresh, window);
    }
    return true;
}

void mvMenu::ApplyTheme() {
    if (m_menu == nullptr || m_plain)
        return;
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    if (GetMenuItemCount(m_menu) <= 0 || !GetMenuItemInfoW(m_menu, 0, TRUE, &mii)) {
        ApplyLook();
        return;
    }
    if ((mii.fType & MFT_OWNERDRAW) != 0 && !IsOwnerDraw())
        Recreate();
    ApplyLook();
    if (IsBar())
        DrawMenuBar(mvMenuMap::Get().BarWindow(m_menu));
}

void mvMenu::Rebuild() {
    if (!IsOwnerDraw())
        return;
    OpenMenuTheme();
    if (IsFontEmpty(State().font))
        ReadUiLogFont(State().font);
    Recreate();
}

// Process-wide

void ApplyThemeToMenus() {
    if (!g_mapAlive)
        return;
    for (mvMenu* menu : mvMenuMap::Get().OwningWrappers())
        menu->ApplyTheme();
}

void RefreshMenusForFont() {
    LOGFONTW font{};
    if (!ReadUiLogFont(font) || !g_mapAlive)
        return;
    if (std::memcmp(&font, &State().font, sizeof font) == 0)
        return;
    for (mvMenu* menu : mvMenuMap::Get().OwningWrappers())
        menu->Rebuild();
    State().font = font;
}

HTHEME ReopenMenuTheme() {
    State().theme.Assign(OpenThemeData(nullptr, L"Menu"));
    return State().theme.Get();
}

HDC GetMenuMemDC(int width, int height) {
    MenuState& state = State();
    const ScreenDC screen(GetDC(nullptr));
    if (!state.memDCMade) {
        if (state.memDC.Prepare(screen.Get(), 1024, 768) == nullptr)
            return nullptr;
        state.memDCMade = true;
        SetBkMode(state.memDC.Dc(), TRANSPARENT);
        SetTextColor(state.memDC.Dc(), UiTheme::Get().Color(ThemeText));
    }
    return state.memDC.Prepare(screen.Get(), width, height);
}
