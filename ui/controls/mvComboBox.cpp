#include "ui/controls/mvComboBox.h"

#include "ui/core/ComctlVersion.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/GdiHolders.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/mvApp.h"

#include <uxtheme.h>
#include <vsstyle.h>

#include <algorithm>
#include <vector>

namespace {

DWORD StyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
}

// The theme state of a control or button state: -1 disabled, 2 pressed,
// 1 hot, else normal.
int ThemeStateOf(int state) {
    return state < 0 ? 4 : state == 2 ? 3 : state == 1 ? 2 : 1;
}

const UINT kItemTextFlags = DT_NOPREFIX | DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER;

// Height of a new combo window: the rectangle's, or a third of the parent's
// monitor (of the desktop window when that cannot be had).
int WindowHeightFor(HWND parent, const RECT& rect) {
    const int height = rect.bottom - rect.top;
    if (height > 0)
        return height;
    RECT screen{};
    GetWindowRect(GetDesktopWindow(), &screen);
    if (parent != nullptr) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(MonitorFromWindow(parent, MONITOR_DEFAULTTONEAREST), &info))
            screen = info.rcMonitor;
    }
    return (screen.bottom - screen.top) / 3;
}

bool CreateAndBind(mvWnd& object, const wchar_t* className, HWND parent, int id, const RECT& rect,
                   DWORD style) {
    const HWND hwnd = CreateWindowExW(0, className, L"", style | WS_VSCROLL, rect.left, rect.top,
                                      rect.right - rect.left, WindowHeightFor(parent, rect), parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                      mvApp::Instance(), nullptr);
    if (hwnd == nullptr)
        return false;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()),
                 FALSE);
    if (object.Handle() == nullptr && !object.SubclassWindow(hwnd)) {
        DestroyWindow(hwnd);
        return false;
    }
    return true;
}

} // namespace

bool CreateComboBoxWindow(mvComboBox& combo, HWND parent, int id, const RECT& rect, DWORD style) {
    return CreateAndBind(combo, L"ComboBox", parent, id, rect, style);
}

bool CreateComboBoxExWindow(mvComboBoxEx& combo, HWND parent, int id, const RECT& rect,
                            DWORD style) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_USEREX_CLASSES};
    InitCommonControlsEx(&classes);
    return CreateAndBind(combo, WC_COMBOBOXEXW, parent, id, rect, style);
}

// ---------------------------------------------------------------------------
// mvComboBox::_ListBox

mvComboBox::_ListBox::~_ListBox() {
    // The list window belongs to the combo, which destroys it.
    Detach(false);
}

LRESULT mvComboBox::_ListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = mvWnd::WindowProc(message, wParam, lParam);
    const UiTheme& ui = UiTheme::Get();
    if (message == WM_NCPAINT && !ui.SystemLookFlag) {
        const bool simple = m_combo != nullptr && (StyleOf(m_combo->Handle()) & 3) == CBS_SIMPLE;
        PaintWindowBorderDC(m_hwnd, ui.Color(ThemeBase),
                            ui.Color(simple ? ThemeBorder : ThemeBorderActive));
    }
    return result;
}

// ---------------------------------------------------------------------------
// mvComboBox

UINT mvComboBox::RecreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"WM_MVCOMBOBOX_RECREATED");
    return message;
}

mvComboBox::mvComboBox() : m_list(this) {
    RecreatedMessage();
    m_edit.m_heightMode = 1;
}

mvComboBox::~mvComboBox() {
    m_theme.Reset();
    // The window goes while the drawing base and the members still live: its
    // destruction runs this class's window procedure and unbinds the list
    // and the edit part.
    Detach(true);
}

bool mvComboBox::IsOwnerDrawnFixed() const {
    return m_hwnd != nullptr && (StyleOf(m_hwnd) & CBS_OWNERDRAWFIXED) != 0;
}

bool mvComboBox::NeedsRecreate() const {
    if (HasImages() || m_hwnd == nullptr)
        return false;
    const DWORD style = StyleOf(m_hwnd);
    if (style & CBS_OWNERDRAWVARIABLE)
        return true;
    if (UiTheme::Get().SystemLookFlag)
        return (style & CBS_OWNERDRAWFIXED) != 0;
    return (style & (CBS_OWNERDRAWFIXED | CBS_HASSTRINGS)) != (CBS_OWNERDRAWFIXED | CBS_HASSTRINGS);
}

mvstring mvComboBox::ItemText(int index) const {
    if (m_hwnd == nullptr || index < 0)
        return {};
    const DWORD style = StyleOf(m_hwnd);
    if ((style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0 &&
        (style & CBS_HASSTRINGS) == 0)
        return {};
    const LRESULT length = SendMessageW(m_hwnd, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0)
        return {};
    mvstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(m_hwnd, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

void mvComboBox::SetItemHeights() {
    HFONT font = m_font != nullptr
                     ? m_font
                     : reinterpret_cast<HFONT>(SendMessageW(m_hwnd, WM_GETFONT, 0, 0));
    const int height = GetTextHeight(font);
    SendMessageW(m_hwnd, CB_SETITEMHEIGHT, 0, height + 1);
    SendMessageW(m_hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height + 3);
}

void mvComboBox::Refresh() {
    BufferedPaintStopAllAnimationsDyn(m_hwnd);
    m_frameValid = false;
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

HTHEME mvComboBox::Theme() {
    if (!m_themeOpened) {
        m_themeOpened = true;
        m_theme.Assign(OpenThemeData(m_hwnd, L"COMBOBOX"));
    }
    return m_theme.Get();
}

void mvComboBox::OnAttached() {
    if (m_hwnd == nullptr)
        return;
    ModifyStyle(0, WS_CLIPCHILDREN);
    if (m_dropHeight == 0) {
        RECT dropped{};
        SendMessageW(m_hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        m_dropHeight = std::max<int>(dropped.bottom - dropped.top, 64);
    }
    if (NeedsRecreate()) {
        PostMessageW(m_hwnd, WM_SYSCOLORCHANGE, 0, reinterpret_cast<LPARAM>(&UiTheme::Get()));
        return;
    }
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (m_list.Handle() == nullptr && GetComboBoxInfo(m_hwnd, &info) && info.hwndList != nullptr)
        m_list.Attach(info.hwndList);
    SetItemHeights();
    m_uiState = SendMessageW(m_hwnd, WM_QUERYUISTATE, 0, 0);
}

bool mvComboBox::Recreate() {
    const HWND old = m_hwnd;
    if (old == nullptr)
        return false;
    const DWORD style = StyleOf(old) & ~DWORD(CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE);
    const HWND parent = GetParent(old);
    const int id = GetDlgCtrlID(old);
    RECT rect{};
    GetWindowRect(old, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    rect.bottom = rect.top + m_dropHeight;
    const LRESULT minVisible = SendMessageW(old, CB_GETMINVISIBLE, 0, 0);
    std::vector<wchar_t> cue(1025, L'\0');
    SendMessageW(old, CB_GETCUEBANNER, reinterpret_cast<WPARAM>(cue.data()), 1024);
    const mvstring cueText(cue.data());
    const LRESULT droppedWidth = SendMessageW(old, CB_GETDROPPEDWIDTH, 0, 0);
    const LRESULT extendedUi = SendMessageW(old, CB_GETEXTENDEDUI, 0, 0);
    const LRESULT extent = SendMessageW(old, CB_GETHORIZONTALEXTENT, 0, 0);
    const LRESULT topIndex = SendMessageW(old, CB_GETTOPINDEX, 0, 0);
    const LRESULT locale = SendMessageW(old, CB_GETLOCALE, 0, 0);
    const LRESULT selection = SendMessageW(old, CB_GETCURSEL, 0, 0);
    std::vector<mvstring> items;
    const LRESULT count = SendMessageW(old, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        items.push_back(ItemText(i));
    const mvstring text = GetWindowTextString(old);
    const HFONT font =
        m_font != nullptr ? m_font : reinterpret_cast<HFONT>(SendMessageW(old, WM_GETFONT, 0, 0));
    const HWND previous = GetWindow(old, GW_HWNDPREV);

    m_list.Detach(false);
    m_edit.Detach(false);
    m_theme.Reset();
    m_themeOpened = false;
    Detach(true);
    m_frameValid = false;

    DWORD newStyle = style | CBS_HASSTRINGS;
    if (!UiTheme::Get().SystemLookFlag)
        newStyle |= CBS_OWNERDRAWFIXED;
    if (!CreateComboBoxWindow(*this, parent, id, rect, newStyle))
        return false;
    SetWindowPos(m_hwnd, previous != nullptr ? previous : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (const mvstring& item : items)
        SendMessageW(m_hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (!text.empty())
        SetWindowTextW(m_hwnd, text.c_str());
    if (selection != CB_ERR)
        SendMessageW(m_hwnd, CB_SETCURSEL, selection, 0);
    SendMessageW(m_hwnd, CB_SETMINVISIBLE, minVisible, 0);
    if (!cueText.empty())
        SendMessageW(m_hwnd, CB_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(cueText.c_str()));
    if (droppedWidth != CB_ERR)
        SendMessageW(m_hwnd, CB_SETDROPPEDWIDTH, droppedWidth, 0);
    SendMessageW(m_hwnd, CB_SETEXTENDEDUI, extendedUi, 0);
    SendMessageW(m_hwnd, CB_SETHORIZONTALEXTENT, extent, 0);
    if (topIndex != CB_ERR)
        SendMessageW(m_hwnd, CB_SETTOPINDEX, topIndex, 0);
    SendMessageW(m_hwnd, CB_SETLOCALE, locale, 0);
    PostMessageW(parent, RecreatedMessage(), static_cast<WPARAM>(id), 0);
    return true;
}

LRESULT mvComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    const UiTheme& ui = UiTheme::Get();
    switch (message) {
    case WM_SETFOCUS:
        if (IsOwnerDrawnFixed())
            InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case WM_PAINT: {
        RECT update{};
        if (IsOwnerDrawnFixed() && GetUpdateRect(m_hwnd, &update, FALSE)) {
            mvPaintDC paint(m_hwnd, kWindowFont);
            RECT client{};
            GetClientRect(m_hwnd, &client);
            PaintBuffered(m_hwnd, paint.Dc(), &client, 0, ui.SystemLookFlag && !IsThemedComctl());
            return 0;
        }
        break;
    }
    case WM_ERASEBKGND:
        if (IsOwnerDrawnFixed())
            return 1;
        break;
    case WM_SYSCOLORCHANGE: {
        const bool marked = ui.IsThemeChange(message, lParam);
        if (NeedsRecreate()) {
            Recreate();
            return 0;
        }
        if (marked) {
            if (IsWindowVisible(m_hwnd)) {
                BufferedPaintStopAllAnimationsDyn(m_hwnd);
                m_frameValid = false;
                RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            }
            return 0;
        }
        break;
    }
    case WM_SETFONT:
        SetItemHeights();
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (!ui.SystemLookFlag) {
            SetBkColor(reinterpret_cast<HDC>(wParam), ui.Color(ThemeEditBg));
            SetTextColor(reinterpret_cast<HDC>(wParam), ui.Color(ThemeText));
            return reinterpret_cast<LRESULT>(ui.editBrush.Get());
        }
        break;
    case WM_CTLCOLORLISTBOX:
        if (!ui.SystemLookFlag)
            return reinterpret_cast<LRESULT>(ui.editBrush.Get());
        break;
    case WM_THEMECHANGED:
        m_theme.Reset();
        m_themeOpened = false;
        break;
    case WM_CHANGEUISTATE:
    case WM_UPDATEUISTATE:
        result = DefaultProc(message, wParam, lParam);
        m_uiState = SendMessageW(m_hwnd, WM_QUERYUISTATE, 0, 0);
        return result;
    case CB_SETCURSEL:
        result = DefaultProc(message, wParam, lParam);
        if (IsOwnerDrawnFixed())
            Refresh();
        return result;
    case CB_SETCUEBANNER: {
        m_cue = mvstring(reinterpret_cast<const wchar_t*>(lParam));
        result = DefaultProc(message, wParam, lParam);
        // Controls without cue banners of their own: the edit part shows it.
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (result != TRUE && GetComboBoxInfo(m_hwnd, &info) && info.hwndItem != nullptr &&
            info.hwndItem != m_hwnd)
            SendMessageW(info.hwndItem, EM_SETCUEBANNER, FALSE,
                         reinterpret_cast<LPARAM>(m_cue.c_str()));
        return result;
    }
    case CB_GETCUEBANNER: {
        result = DefaultProc(message, wParam, lParam);
        auto* buffer = reinterpret_cast<wchar_t*>(wParam);
        if (result != TRUE && buffer != nullptr && lParam > 0 && !m_cue.empty()) {
            lstrcpynW(buffer, m_cue.c_str(), static_cast<int>(lParam));
            return TRUE;
        }
        return result;
    }
    default:
        break;
    }
    return mvWnd::WindowProc(message, wParam, lParam);
}

void mvComboBox::OnReflectCtlColor(HDC, LRESULT* result) {
    if (IsOwnerDrawnFixed())
        *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

int mvComboBox::OnReflectCompareItem(COMPAREITEMSTRUCT* item) {
    if (item->itemID1 == item->itemID2)
        return 0;
    return item->itemID1 < item->itemID2 ? -1 : 1;
}

void mvComboBox::OnReflectDrawItem(DRAWITEMSTRUCT* item) {
    if (item == nullptr || m_hwnd == nullptr)
        return;
    const LRESULT selection = SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0);
    // The closed control paints its own selection field.
    if ((item->itemState & ODS_COMBOBOXEDIT) != 0 &&
        static_cast<int>(item->itemID) == static_cast<int>(selection))
        return;
    const UiTheme& ui = UiTheme::Get();
    const bool system = ui.SystemLookFlag;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    const bool disabled = (item->itemState & ODS_DISABLED) != 0;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(m_hwnd, &info);
    const bool hasEdit = info.hwndItem != nullptr && info.hwndItem != m_hwnd;
    HDC dc = item->hDC;
    COLORREF back;
    if (system)
        back = GetSysColor(selected                                           ? COLOR_HIGHLIGHT
                           : disabled && (item->itemState & ODS_COMBOBOXEDIT) ? COLOR_BTNFACE
                                                                              : COLOR_WINDOW);
    else
        back = ui.Color(selected ? ThemeButtonPush : ThemeEditBg);
    FillSolidRect(dc, item->rcItem, back);
    RECT rect = item->rcItem;
    rect.left = info.rcItem.left;
    DrawItemContent(dc, &rect, item);
    if (!hasEdit)
        rect.left += 1;
    COLORREF text;
    if (system)
        text = GetSysColor(disabled   ? COLOR_GRAYTEXT
                           : selected ? COLOR_HIGHLIGHTTEXT
                                      : COLOR_WINDOWTEXT);
    else
        text = ui.Color(disabled ? ThemeTextGray : ThemeText);
    const mvstring label = ItemText(static_cast<int>(item->itemID));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &rect, kItemTextFlags);
}

void mvComboBox::Draw(HDC dc, const RECT* area, LPARAM) {
    if (dc == nullptr || area == nullptr || m_hwnd == nullptr)
        return;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!GetComboBoxInfo(m_hwnd, &info))
        return;
    const HWND edit = info.hwndItem != m_hwnd ? info.hwndItem : nullptr;
    const HWND list = info.hwndList;
    const UiTheme& ui = UiTheme::Get();
    const bool system = ui.SystemLookFlag;
    const HTHEME theme = system && IsThemedComctl() ? Theme() : nullptr;
    const DWORD style = StyleOf(m_hwnd);
    const bool leftScroll = (GetWindowLongW(m_hwnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    RECT button = info.rcButton;
    if (!IsRectEmpty(&button)) {
        if (leftScroll)
            button.left = area->left;
        else
            button.right = area->right;
        button.top = area->top;
    }

    // -1 disabled, 2 pressed, 1 hot, 0 normal.
    const bool disabled = !IsWindowEnabled(m_hwnd);
    const bool buttonPressed = (info.stateButton & STATE_SYSTEM_PRESSED) != 0;
    const bool listShown = list != nullptr && IsWindowVisible(list);
    const bool pressed = buttonPressed || GetCapture() == m_hwnd || listShown;
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(m_hwnd, &cursor);
    RECT client{};
    GetClientRect(m_hwnd, &client);
    int state = disabled ? -1 : pressed ? 2 : PtInRect(&client, cursor) ? 1 : 0;
    if (!disabled && edit != nullptr && GetFocus() == edit)
        state = 2;
    const int buttonState =
        disabled ? -1 : (edit != nullptr && PtInRect(&button, cursor) ? state : 0);

    // Background and frame.
    auto ownBack = [&](bool hot) {
        if (disabled)
            return ui.Color(edit != nullptr ? ThemeBase : ThemeButtonDisable);
        if (edit != nullptr && !hot)
            return ui.Color(ThemeEditBg);
        return ui.Color(hot ? ThemeButtonOver : ThemeButton);
    };
    const COLORREF frame = ui.Color(state <= 0 ? ThemeBorder : ThemeBorderActive);
    if (theme != nullptr) {
        FillSolidRect(dc, *area, GetSysColor(edit != nullptr ? COLOR_WINDOW : COLOR_BTNFACE));
        DrawThemeBackground(theme, dc, edit != nullptr ? CP_BORDER : CP_READONLY,
                            ThemeStateOf(state), area, nullptr);
    } else if (system) {
        FillSolidRect(dc, *area, GetSysColor(disabled ? COLOR_BTNFACE : COLOR_WINDOW));
        RECT edge = *area;
        DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    } else {
        FillSolidRect(dc, *area, ownBack(state > 0 && edit == nullptr));
        DrawFrameRect(dc, area, frame, SideAll, 1, 0);
    }

    // The strip between the edit part and the list of a simple combo.
    if ((style & 3) == CBS_SIMPLE && listShown) {
        RECT listRect{};
        GetWindowRect(list, &listRect);
        MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&listRect), 2);
        RECT strip{area->left, info.rcItem.bottom, area->right, listRect.top};
        if (strip.bottom > strip.top) {
            FillSolidRect(dc, strip, system ? GetSysColor(COLOR_BTNFACE) : ui.Color(ThemeBase));
            RECT line{strip.left, strip.bottom - 1, strip.right, strip.bottom};
            if (theme != nullptr)
                DrawThemeBackground(theme, dc, CP_BORDER, ThemeStateOf(state), &line, nullptr);
            else if (system)
                DrawEdge(dc, &strip, EDGE_SUNKEN, BF_BOTTOM);
            else
                FillSolidRect(dc, line, frame);
        }
    }

    // The drop-down button.
    if (!IsRectEmpty(&button)) {
        if (theme != nullptr) {
            DrawThemeBackground(theme, dc,
                                leftScroll ? CP_DROPDOWNBUTTONLEFT : CP_DROPDOWNBUTTONRIGHT,
                                ThemeStateOf(buttonState), &button, nullptr);
        } else if (system) {
            UINT flags = DFCS_SCROLLCOMBOBOX;
            if (disabled)
                flags |= DFCS_INACTIVE;
            else if (buttonPressed && GetKeyState(VK_LBUTTON) < 0)
                flags |= DFCS_PUSHED;
            DrawFrameControl(dc, &button, DFC_SCROLL, flags);
        } else {
            RECT inner = button;
            RECT inside = *area;
            InflateRect(&inside, -1, -1);
            IntersectRect(&inner, &inner, &inside);
            FillSolidRect(dc, inner, ownBack(buttonState > 0 || (edit == nullptr && state > 0)));
            if (buttonState > 0) {
                const int x = leftScroll ? inner.right - 1 : inner.left;
                FillSolidRect(dc, RECT{x, inner.top, x + 1, inner.bottom},
                              ui.Color(ThemeBorderActive));
            }
            DrawChevron(dc, &inner, ui.Color(disabled ? ThemeBorder : ThemeIcon), ChevronVertical,
                        true, 0.55);
        }
    }

    // The selection field.
    RECT field = info.rcItem;
    const bool focused = GetFocus() == m_hwnd || (list != nullptr && GetFocus() == list);
    if (system && theme == nullptr && edit == nullptr && GetFocus() == m_hwnd && !disabled &&
        !pressed)
        FillSolidRect(dc, field, GetSysColor(COLOR_HIGHLIGHT));
    DrawItemContent(dc, &field, nullptr);
    if (edit == nullptr && (m_uiState & UISF_HIDEFOCUS) == 0 && !pressed && focused)
        DrawFocusDots(dc, &field, system ? GetSysColor(COLOR_BTNTEXT) : ui.Color(ThemeText));
    InflateRect(&field, -1, -1);
    const mvstring text = ItemText(static_cast<int>(SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0)));
    if (text.empty())
        return;
    SetBkMode(dc, TRANSPARENT);
    if (theme != nullptr) {
        DrawThemeText(theme, dc, CP_READONLY, ThemeStateOf(state), text.c_str(),
                      static_cast<int>(text.size()), kItemTextFlags, 0, &field);
        return;
    }
    COLORREF colour;
    if (!system)
        colour = ui.Color(disabled ? ThemeTextGray : ThemeText);
    else if (disabled)
        colour = GetSysColor(COLOR_GRAYTEXT);
    else if (GetFocus() == m_hwnd && !listShown && edit == nullptr)
        colour = GetSysColor(COLOR_HIGHLIGHTTEXT);
    else
        colour = GetSysColor(COLOR_BTNTEXT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &field, kItemTextFlags);
}

// ---------------------------------------------------------------------------
// mvComboBoxEx

mvComboBoxEx::_ComboBox::~_ComboBox() {
    m_images.Reset();
}

mvstring mvComboBoxEx::_ComboBox::ItemText(int index) const {
    if (m_owner == nullptr || m_owner->Handle() == nullptr || index < 0)
        return {};
    const HWND owner = m_owner->Handle();
    std::vector<wchar_t> buffer(1024, L'\0');
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT | CBEIF_LPARAM;
    item.iItem = index;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    if (!SendMessageW(owner, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return {};
    if (item.pszText != nullptr && item.pszText != LPSTR_TEXTCALLBACKW && item.pszText[0] != 0)
        return mvstring(item.pszText);
    // Some extended combos hand back nothing for a text their parent keeps:
    // the parent is asked as the control itself would ask it.
    NMCOMBOBOXEXW info{};
    info.hdr.hwndFrom = owner;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(owner));
    info.hdr.code = CBEN_GETDISPINFOW;
    info.ceItem.mask = CBEIF_TEXT;
    info.ceItem.iItem = index;
    info.ceItem.lParam = item.lParam;
    buffer[0] = 0;
    info.ceItem.pszText = buffer.data();
    info.ceItem.cchTextMax = static_cast<int>(buffer.size());
    SendMessageW(GetParent(owner), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
    if (info.ceItem.pszText == nullptr || info.ceItem.pszText == LPSTR_TEXTCALLBACKW)
        return {};
    return mvstring(info.ceItem.pszText);
}

void mvComboBoxEx::_ComboBox::DrawItemContent(HDC dc, RECT* rect, const DRAWITEMSTRUCT* item) {
    if (!m_images || m_imageCx <= 0 || m_hwnd == nullptr || rect == nullptr)
        return;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(m_hwnd, &info);
    RECT cell = *rect;
    cell.right = cell.left + m_imageCx + 2 * info.rcItem.left;
    if (const HWND edit = m_owner != nullptr ? m_owner->EditWindow() : nullptr) {
        RECT editRect{};
        GetWindowRect(edit, &editRect);
        MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&editRect), 2);
        cell.right = std::max(cell.right, editRect.left);
    }
    const int current = static_cast<int>(SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0));
    const int index = item != nullptr ? static_cast<int>(item->itemID) : current;
    if (index >= 0 && m_owner != nullptr) {
        COMBOBOXEXITEMW record{};
        record.mask = CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        record.iItem = index;
        if (SendMessageW(m_owner->Handle(), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&record))) {
            const int image = record.iImage != record.iSelectedImage && index == current
                                  ? record.iSelectedImage
                                  : record.iImage;
            if (image >= 0 && image < ImageList_GetImageCount(m_images.Get()))
                ImageList_Draw(m_images.Get(), image, dc,
                               cell.left + (cell.right - cell.left - m_imageCx) / 2,
                               cell.top + (cell.bottom - cell.top - m_imageCy) / 2, ILD_NORMAL);
        }
    }
    rect->left = cell.right;
}

mvComboBoxEx::~mvComboBoxEx() {
    // The window first: it still draws with the inner combo and its images.
    Detach(true);
}

HWND mvComboBoxEx::EditWindow() const {
    return m_hwnd != nullptr
               ? reinterpret_cast<HWND>(SendMessageW(m_hwnd, CBEM_GETEDITCONTROL, 0, 0))
               : nullptr;
}

void mvComboBoxEx::SetImageList(HIMAGELIST images) {
    if (m_hwnd != nullptr)
        SendMessageW(m_hwnd, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    m_combo.m_images.Assign(images);
    m_combo.m_imageCx = m_combo.m_imageCy = 0;
    if (images != nullptr)
        ImageList_GetIconSize(images, &m_combo.m_imageCx, &m_combo.m_imageCy);
}

void mvComboBoxEx::OnAttached() {
    if (m_hwnd == nullptr)
        return;
    const auto inner = reinterpret_cast<HWND>(SendMessageW(m_hwnd, CBEM_GETCOMBOCONTROL, 0, 0));
    if (inner == nullptr)
        return;
    if (m_combo.Handle() == nullptr)
        m_combo.SubclassWindow(inner);
    m_combo.ModifyStyle(0, CBS_HASSTRINGS);
    const BOOL enabled = IsWindowEnabled(m_hwnd);
    EnableWindow(inner, enabled);
    for (HWND child = GetWindow(inner, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        EnableWindow(child, enabled);
}

LRESULT mvComboBoxEx::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_DESTROY:
        result = DefaultProc(message, wParam, lParam);
        m_combo.m_images.Reset();
        return result;
    case WM_ENABLE:
        result = DefaultProc(message, wParam, lParam);
        if (m_combo.Handle() != nullptr)
            EnableWindow(m_combo.Handle(), wParam != 0);
        return result;
    case WM_SETTEXT:
    case CB_RESETCONTENT:
        SendMessageW(m_hwnd, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        break;
    case WM_SYSCOLORCHANGE:
        if (UiTheme::Get().IsThemeChange(message, lParam)) {
            BufferedPaintStopAllAnimationsDyn(m_combo.Handle());
            m_combo.m_frameValid = false;
            RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            return 0;
        }
        break;
    case WM_DRAWITEM:
        m_combo.OnReflectDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return 0;
    default:
        break;
    }
    return mvWnd::WindowProc(message, wParam, lParam);
}
