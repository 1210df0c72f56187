#include "ui/controls/mvStatusBar.h"

#include "foundation/Handles.h"
#include "ui/core/ComctlVersion.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/core/Measure.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowHolders.h"

#include <vssym32.h>

#include <algorithm>

namespace {

ThemeHandle g_statusTheme; // shared by every bar

SIZE IconSize(HICON icon) {
    std::uint64_t packed = GetIconSize(icon);
    return {static_cast<LONG>(packed & 0xFFFFFFFF), static_cast<LONG>(packed >> 32)};
}

} // namespace

mvStatusBar::mvStatusBar() = default;

mvStatusBar::~mvStatusBar() {
    m_partTimer.Stop();
    m_flashTimer.Stop();
    Detach(false);
}

void mvStatusBar::OnAttached() {
    LONG style = GetWindowLongW(m_hwnd, GWL_STYLE);
    SetWindowLongW(m_hwnd, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_OWNERDRAW);
}

HTHEME mvStatusBar::OpenTheme(bool reopen) {
    if (!g_statusTheme || reopen)
        g_statusTheme.Assign(OpenThemeData(m_hwnd, L"STATUS"));
    return UiTheme::Get().SystemLookFlag && IsThemedComctl() ? g_statusTheme.Get() : nullptr;
}

const mvstring& mvStatusBar::ShownText() const {
    return m_part.text.empty() ? m_main.text : m_part.text;
}

void mvStatusBar::Redraw() {
    if (m_hwnd != nullptr && IsWindowVisible(m_hwnd))
        RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE);
}

void mvStatusBar::SetText(const mvstring& text) {
    if (text == m_main.text && m_main.icon == nullptr)
        return;
    m_main.text = text;
    m_main.icon = nullptr;
    m_main.iconSize = {};
    Redraw();
}

void mvStatusBar::SetPartText(const wchar_t* text, HICON icon, int stripDots) {
    m_partTimer.Stop();
    mvstring clean(text);
    clean.StripMenuText(false, stripDots, 0);
    const int time = m_main.time;
    if (clean == m_part.text && icon == m_part.icon && !m_part.flash) {
        if (clean.empty() || time == 0)
            return;
    }
    m_part.text = clean;
    m_part.icon = icon;
    m_part.iconSize = IconSize(icon);
    m_part.time = time;
    m_part.flash = false;
    if (!clean.empty() && time != 0)
        m_partTimer.Rebind(m_hwnd, static_cast<UINT>(time));
    Redraw();
}

LRESULT mvStatusBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (m_partTimer.Id() != 0 && wParam == m_partTimer.Id()) {
            m_partTimer.Stop();
            SetPartText(nullptr, nullptr);
            return 0;
        }
        break;
    case WM_THEMECHANGED:
        OpenTheme(true);
        break;
    case WM_SYSCOLORCHANGE:
        if (UiTheme::Get().IsThemeChange(message, lParam)) {
            m_frameValid = false;
            RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE);
        }
        break;
    }
    result = mvWnd::WindowProc(message, wParam, lParam);
    if (message == WM_SETFONT && m_hwnd != nullptr) {
        HFONT font = reinterpret_cast<HFONT>(wParam);
        SIZE icon = IconSize(UiTheme::Get().icons.GetIcon(StockInfoSmall));
        int height = std::max(mvtheme_control::GetTextHeight(font), static_cast<int>(icon.cy)) +
                     2 * 2 + UiTheme::Get().fonts.spacing.halfMargin.cy;
        RECT window = {};
        GetWindowRect(m_hwnd, &window);
        SetWindowPos(m_hwnd, nullptr, 0, 0, window.right - window.left, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return result;
}

void mvStatusBar::OnReflectDrawItem(DRAWITEMSTRUCT* item) {
    RECT client = {};
    GetClientRect(m_hwnd, &client);
    PaintBuffered(m_hwnd, item->hDC, &client, 0, true);
}

void mvStatusBar::DrawBackground(HDC dc, const RECT* rect) {
    HTHEME theme = OpenTheme(false);
    if (theme != nullptr) {
        if (IsThemeBackgroundPartiallyTransparent(theme, 0, 0)) {
            RECT area = *rect;
            DrawThemeParentBackground(m_hwnd, dc, &area);
        }
        DrawThemeBackground(theme, dc, 0, 0, rect, nullptr);
        return;
    }
    const UiTheme& ui = UiTheme::Get();
    const bool system = ui.SystemLookFlag;
    FillSolidRect(dc, *rect, system ? GetSysColor(COLOR_BTNFACE) : ui.Color(ThemeButton));
    RECT line = {rect->left, rect->top, rect->right, rect->top + 1};
    FillSolidRect(dc, line, system ? GetSysColor(COLOR_BTNSHADOW) : ui.Color(ThemeBorder));
}

void mvStatusBar::DrawGripper(HDC dc, const RECT* rect, COLORREF color) {
    HTHEME theme = OpenTheme(false);
    if (theme == nullptr || FAILED(DrawThemeBackground(theme, dc, SP_GRIPPER, 0, rect, nullptr)))
        DrawSizeGrip(dc, rect, color);
}

void mvStatusBar::DrawPartText(HDC dc, const RECT* rect, const mvstring& text) {
    if (text.empty())
        return;
    RECT area = *rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_HIDEPREFIX | DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER);
}

void mvStatusBar::DrawPartIcon(HDC dc, const RECT* rect, HICON icon) {
    if (icon != nullptr)
        DrawIconEx(dc, rect->left, rect->top, icon, rect->right - rect->left,
                   rect->bottom - rect->top, 0, nullptr, DI_NORMAL);
}

int mvStatusBar::GripWidth(HTHEME theme, HDC dc, const RECT* rect) {
    HWND parent = GetParent(m_hwnd);
    if (!m_sizeGrip || (parent != nullptr && IsZoomed(parent)))
        return 0;
    SIZE size = {};
    if (theme != nullptr &&
        SUCCEEDED(GetThemePartSize(theme, dc, SP_GRIPPER, 0, nullptr, TS_DRAW, &size)) &&
        size.cx > 0)
        return size.cx;
    return 16;
}

void mvStatusBar::Draw(HDC dc, const RECT* rect, LPARAM) {
    const UiTheme& ui = UiTheme::Get();
    const bool system = ui.SystemLookFlag;
    HTHEME theme = OpenTheme(false);
    DrawBackground(dc, rect);

    const int grip = GripWidth(theme, dc, rect);
    if (grip > 0) {
        SIZE size = {grip, rect->bottom - rect->top};
        if (theme != nullptr)
            GetThemePartSize(theme, dc, SP_GRIPPER, 0, nullptr, TS_DRAW, &size);
        if (size.cy <= 0 || theme == nullptr)
            size.cy = rect->bottom - rect->top;
        RECT box = {rect->right - grip, rect->bottom - size.cy, rect->right, rect->bottom};
        DrawGripper(dc, &box, system ? GetSysColor(COLOR_BTNSHADOW) : ui.Color(ThemeBorder));
    }

    RECT text = {rect->left + 2, rect->top + 2, rect->right - grip, rect->bottom - 2};
    HGDIOBJ oldFont = m_font != nullptr ? SelectObject(dc, m_font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, system ? GetSysColor(COLOR_BTNTEXT) : ui.Color(ThemeText));
    DrawContent(dc, &text);

    const StatusText& shown = m_part.text.empty() ? m_main : m_part;
    HICON icon = shown.icon;
    SIZE iconSize = shown.iconSize;
    if (icon == nullptr) {
        icon = m_main.icon;
        iconSize = m_main.iconSize;
    }
    if (icon != nullptr) {
        const int height = text.bottom - text.top;
        const int cell = std::max(static_cast<int>(iconSize.cx), height);
        RECT place = {text.left + (cell - iconSize.cx) / 2, text.top + (height - iconSize.cy) / 2,
                      0, 0};
        place.right = place.left + iconSize.cx;
        place.bottom = place.top + iconSize.cy;
        DrawIconEx(dc, place.left, place.top, icon, iconSize.cx, iconSize.cy, 0, nullptr,
                   DI_NORMAL);
        text.left += cell + 2;
    } else {
        text.left += ui.fonts.spacing.halfMargin.cx;
    }
    DrawPartText(dc, &text, shown.text);
    if (oldFont != nullptr)
        SelectObject(dc, oldFont);
}
