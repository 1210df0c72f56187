#include "ui/core/mvBaseDlg.h"

#include "ui/theme/UiTheme.h"
#include "ui/core/mvApp.h"
#include "ui/controls/mvMenu.h"

namespace {

bool BothSet(const SIZE& size) {
    return size.cx != 0 && size.cy != 0;
}

} // namespace

mvBaseDlg::~mvBaseDlg() {
    // While the theme part still lives: destroying the window runs this
    // class's window procedure.
    Detach(true);
}

bool mvBaseDlg::IsFixedSize() const noexcept {
    return BothSet(m_minTrack) && m_minTrack.cx == m_maxTrack.cx && m_minTrack.cy == m_maxTrack.cy;
}

int mvBaseDlg::OnInitDialog() {
    m_maxTrack = {};
    m_minTrack = {};
    m_initialized = false;
    SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()),
                 0);
    SetTexts();
    UpdateControls();
    Layout();
    m_initialized = true;
    return TRUE;
}

void mvBaseDlg::Draw(HDC dc, const RECT* rect, LPARAM) {
    const UiTheme& theme = UiTheme::Get();
    const bool systemLook = theme.SystemLookFlag;
    SetBkColor(dc, systemLook ? GetSysColor(COLOR_BTNFACE) : theme.Color(ThemeBase));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
    SetTextColor(dc, systemLook ? GetSysColor(COLOR_BTNTEXT) : theme.Color(ThemeText));
    PaintContent(dc, rect);
}

LRESULT mvBaseDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    UiTheme& theme = UiTheme::Get();
    const bool systemLook = theme.SystemLookFlag;
    switch (message) {
    case WM_PAINT:
        if (!systemLook && PaintUpdatedClient(m_hwnd, *this, m_font))
            return 0;
        break;
    case WM_DPICHANGED:
        return 0;
    case WM_ERASEBKGND:
        if (wParam != 0 && !systemLook)
            return 1;
        break;
    case WM_SYSCOLORCHANGE:
        // Only the theme's own change goes down the tree; a system colour
        // change reaches every window from the system anyway.
        if (theme.IsThemeChange(message, lParam)) {
            PostToChildren(m_hwnd, message, wParam, lParam);
            if (IsWindowVisible(m_hwnd)) {
                BufferedPaintStopAllAnimationsDyn(m_hwnd);
                m_frameValid = false;
                RedrawWindow(m_hwnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
            }
            return 0;
        }
        break;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (BothSet(m_minTrack))
            info->ptMinTrackSize = {m_minTrack.cx, m_minTrack.cy};
        if (BothSet(m_maxTrack))
            info->ptMaxTrackSize = {m_maxTrack.cx, m_maxTrack.cy};
        break;
    }
    case WM_NCDESTROY:
        m_initialized = false;
        break;
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) != 0 && wParam != 0 && IsFixedSize())
            EnableMenuItem(reinterpret_cast<HMENU>(wParam), SC_SIZE, MF_BYCOMMAND | MF_DISABLED);
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        if (!systemLook) {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, theme.Color(ThemeText));
            SetBkColor(dc, theme.Color(ThemeBase));
            return reinterpret_cast<LRESULT>(theme.baseBrush.Get());
        }
        break;
    case WM_THEMECHANGED:
        if (IsMainWindow(m_hwnd))
            ReopenMenuTheme();
        break;
    default:
        break;
    }

    result = mvDialog::WindowProc(message, wParam, lParam);

    const LONG style = m_hwnd != nullptr ? GetWindowLongW(m_hwnd, GWL_STYLE) : 0;
    switch (message) {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && GetWindow(m_hwnd, GW_CHILD) != nullptr)
            Layout();
        break;
    case WM_SETFONT:
        if (m_initialized && (style & WS_CHILD) == 0 && GetWindow(m_hwnd, GW_CHILD) != nullptr)
            Layout();
        break;
    case WM_SETFOCUS:
        if ((style & WS_CHILD) != 0) {
            HWND first = GetNextDlgTabItem(m_hwnd, nullptr, FALSE);
            if (first == m_hwnd)
                first = GetNextDlgTabItem(GetParent(m_hwnd), nullptr, FALSE);
            if (first != nullptr && first != m_hwnd)
                PostMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        }
        break;
    case WM_NCHITTEST:
        if (IsFixedSize() && result >= HTLEFT && result <= HTBOTTOMRIGHT)
            result = HTBORDER;
        break;
    default:
        break;
    }
    return result;
}
