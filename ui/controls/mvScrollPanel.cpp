#include "ui/controls/mvScrollPanel.h"

#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowClasses.h"
#include "ui/core/mvApp.h"

#include <uxtheme.h>
#include <vssym32.h>
#include <windowsx.h>
#undef SubclassWindow // a macro of windowsx.h, a member here

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The system's wheel scroll lines; 0 until read.
int g_wheelLines = 0;

} // namespace

mvScrollPanel::~mvScrollPanel() {
    // While this class's parts live: destroying the window runs its procedure.
    Detach(true);
}

bool mvScrollPanel::CreatePanel(HWND parent, int id, const RECT& rect, DWORD style) {
    if (RegisterAppWindowClass(L"mvScrollPanel") == 0)
        return false;
    if (!Create(L"", parent, static_cast<UINT_PTR>(id), rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, style | WS_CHILD, 0, L"mvScrollPanel"))
        return false;
    SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()),
                 FALSE);
    m_attached = true;
    OnAttached();
    return true;
}

bool mvScrollPanel::SubclassWindow(HWND hwnd) {
    if (m_attached)
        return false;
    m_font = UiTheme::Get().fonts.normal.Get();
    if (!Attach(hwnd))
        return false;
    m_attached = true;
    OnAttached();
    return true;
}

void mvScrollPanel::OnAttached() {
    m_pos = 0;
    m_hadVScroll = (GetWindowLongW(m_hwnd, GWL_STYLE) & WS_VSCROLL) != 0;
    if (!SystemLook()) {
        m_box.m_hotBorder = false;
        m_box.AttachChild(m_hwnd, true);
    }
}

int mvScrollPanel::GetLineHeight() {
    return GetTextHeight(m_font != nullptr ? m_font : UiTheme::Get().fonts.normal.Get());
}

int mvScrollPanel::GetWheelLines() {
    if (g_wheelLines == 0) {
        UINT lines = 0;
        if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0) || lines == 0)
            lines = 3;
        g_wheelLines = static_cast<int>(lines);
    }
    return g_wheelLines;
}

int mvScrollPanel::ClientHeight() const {
    RECT client{};
    GetClientRect(m_hwnd, &client);
    return client.bottom - client.top;
}

int mvScrollPanel::LargestPosition() const {
    // The last position shows the content's last row at the bottom edge.
    return std::max(m_contentHeight - ClientHeight(), 0);
}

void mvScrollPanel::ScrollTo(int position) {
    if (m_hwnd == nullptr)
        return;
    position = std::clamp(position, 0, LargestPosition());
    if (position == m_pos)
        return;
    SetScrollPos(m_hwnd, SB_VERT, position, TRUE);
    const int now = position;
    ScrollWindow(m_hwnd, 0, m_pos - now, nullptr, nullptr);
    m_pos = now;
}

void mvScrollPanel::UpdateScrollBar() {
    if (m_hwnd == nullptr)
        return;
    const int client = ClientHeight();
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    if (m_contentHeight > client) {
        ShowScrollBar(m_hwnd, SB_VERT, TRUE);
        EnableScrollBar(m_hwnd, SB_VERT, ESB_ENABLE_BOTH);
        // Range 0 .. content - 1 with a page of the client height: the last
        // position is content - client, with no pixel scrolled past the end.
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = 0;
        info.nMax = m_contentHeight - 1;
        info.nPage = static_cast<UINT>(client);
        info.nPos = std::min(m_pos, LargestPosition());
        SetScrollInfo(m_hwnd, SB_VERT, &info, TRUE);
        if (m_pos > LargestPosition())
            ScrollTo(LargestPosition());
    } else {
        ScrollTo(0);
        info.fMask = SIF_ALL;
        SetScrollInfo(m_hwnd, SB_VERT, &info, TRUE);
        if (!m_hadVScroll)
            ShowScrollBar(m_hwnd, SB_VERT, FALSE);
    }
}

void mvScrollPanel::OnVScroll(int code) {
    const int client = ClientHeight();
    switch (code) {
    case SB_LINEUP:
    case SB_LINEDOWN:
        if (const int line = GetLineHeight(); line != 0)
            ScrollTo(m_pos + (code == SB_LINEUP ? -line : line));
        break;
    case SB_PAGEUP:
    case SB_PAGEDOWN:
        if (m_contentHeight > client)
            ScrollTo(m_pos + (code == SB_PAGEUP ? -client : client));
        break;
    case SB_TOP:
        ScrollTo(0);
        break;
    case SB_BOTTOM:
        ScrollTo(LargestPosition());
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(m_hwnd, SB_VERT, &info))
            ScrollTo(info.nTrackPos);
        break;
    }
    default:
        break;
    }
}

void mvScrollPanel::ScrollIntoView(HWND descendant) {
    if (m_hwnd == nullptr || descendant == nullptr)
        return;
    HWND w = descendant;
    while (w != nullptr && w != m_hwnd) {
        if ((GetWindowLongW(w, GWL_STYLE) & WS_CHILD) == 0)
            return;
        w = GetParent(w);
    }
    if (w != m_hwnd || descendant == m_hwnd)
        return;
    RECT rect{};
    GetWindowRect(descendant, &rect);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rect), 2);
    const int client = ClientHeight();
    if (rect.top >= 0 && rect.bottom <= client)
        return;
    if (rect.bottom > client && rect.bottom - rect.top <= client)
        ScrollTo(m_pos + rect.bottom - client);
    else
        ScrollTo(m_pos + rect.top);
}

void mvScrollPanel::Draw(HDC dc, const RECT* rect, LPARAM) {
    FillSolidRect(dc, *rect, SystemLook() ? GetSysColor(COLOR_BTNFACE) : ThemeColour(ThemeBase));
}

LRESULT mvScrollPanel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (m_box.HostChildMessage(message, wParam, lParam, &result,
                               [&] { return ChildProc(message, wParam, lParam); }))
        return result;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    return ChildProc(message, wParam, lParam);
}

LRESULT mvScrollPanel::ChildProc(UINT message, WPARAM wParam, LPARAM lParam) {
    UiTheme& theme = UiTheme::Get();
    switch (message) {
    case WM_SIZE:
        UpdateScrollBar();
        break;
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
        LRESULT result = 0;
        if (PaintBufferedMessage(m_hwnd, *this, m_font, message, wParam, true, &result))
            return result;
        break;
    }
    case WM_SYSCOLORCHANGE:
        if (theme.IsThemeChange(message, lParam)) {
            PostToChildren(m_hwnd, message, wParam, lParam);
            if (IsWindowVisible(m_hwnd)) {
                m_frameValid = false;
                RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE);
            }
            return 0;
        }
        break;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font);
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        if ((GET_KEYSTATE_WPARAM(wParam) & (MK_SHIFT | MK_CONTROL)) != 0)
            break;
        const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        const int lines = GetWheelLines();
        // A partial notch scrolls its share of a full one.
        const int amount = lines == static_cast<int>(WHEEL_PAGESCROLL)
                               ? delta * ClientHeight()
                               : delta * lines * GetLineHeight();
        if (amount / WHEEL_DELTA != 0)
            ScrollTo(m_pos - amount / WHEEL_DELTA);
        return 1;
    }
    case WM_WININICHANGE:
        if (wParam == SPI_SETWHEELSCROLLLINES)
            g_wheelLines = 0;
        break;
    default:
        break;
    }
    const LRESULT result = mvWnd::WindowProc(message, wParam, lParam);
    const bool system = SystemLook();
    const COLORREF side = system ? GetSysColor(COLOR_BTNSHADOW) : ThemeColour(ThemeBorder);
    const COLORREF fill = system ? GetSysColor(COLOR_WINDOW) : ThemeColour(ThemeBase);
    if (message == WM_NCPAINT)
        PaintWindowBorderDC(m_hwnd, fill, side);
    else if (message == WM_PRINT && (lParam & PRF_NONCLIENT) != 0)
        PaintWindowBorder(m_hwnd, reinterpret_cast<HDC>(wParam), fill, side);
    return result;
}
