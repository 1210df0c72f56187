#include "ui/controls/mvButton.h"

#include "ui/core/ComctlVersion.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/controls/ToolTip.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/mvApp.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

bool CreateButtonWindow(mvButton& button, HWND parent, int id, DWORD style) {
    const HWND hwnd = CreateWindowExW(0, L"Button", L"", style | 0x54010000, 0, 0, 0, 0, parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                      mvApp::Instance(), nullptr);
    if (hwnd == nullptr)
        return false;
    const HFONT font = UiTheme::Get().fonts.normal.Get();
    button.m_font = font;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (button.Handle() == nullptr)
        button.SubclassWindow(hwnd);
    return true;
}

mvButton::~mvButton() {
    m_theme.Reset();
    // While the drawing base still lives: destroying the window runs this
    // class's window procedure.
    Detach(true);
}

bool mvButton::IsOwnerDrawn() const {
    return m_hwnd != nullptr && (GetWindowLongW(m_hwnd, GWL_STYLE) & 0xF) == BS_OWNERDRAW;
}

bool mvButton::UsesNativeDrawing() const {
    return SystemLook() && (m_sides == 15 || IsThemedComctl());
}

void mvButton::ApplyDrawingMode() {
    if (m_hwnd == nullptr)
        return;
    const bool native = UsesNativeDrawing();
    const DWORD low = native ? (m_style & 0xFFFF) : ((m_style & 0xFFF0) | BS_OWNERDRAW);
    ModifyStyle(0xFFFF, low);
    if (native || !IsThemedComctl())
        m_theme.Reset();
    else
        m_theme.Assign(OpenThemeData(m_hwnd, L"Button"));
}

void mvButton::Refresh() {
    BufferedPaintStopAllAnimationsDyn(m_hwnd);
    m_frameValid = false;
    if (m_hwnd != nullptr && IsWindowVisible(m_hwnd))
        InvalidateRect(m_hwnd, nullptr, FALSE);
}

void mvButton::OnAttached() {
    m_caption = GetWindowTextString(m_hwnd);
    m_style = static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_STYLE)) & 0xFFFF;
    ApplyDrawingMode();
    UpdateToolTip();
    AutoSize();
}

void mvButton::SetBorderSides(bool left, bool right, bool top, bool bottom) {
    SetBorderMask((left ? 1u : 0u) | (right ? 4u : 0u) | (top ? 2u : 0u) | (bottom ? 8u : 0u));
}

void mvButton::SetBorderMask(unsigned mask) {
    m_sides = mask;
    ApplyDrawingMode();
}

void mvButton::SetAlignment(unsigned flags) {
    DWORD bits = (flags & 3) == 1 ? BS_CENTER : (flags & 3) == 2 ? BS_RIGHT : BS_LEFT;
    bits |= (flags & 12) == 4 ? BS_VCENTER : (flags & 12) == 8 ? BS_BOTTOM : BS_TOP;
    const DWORD style = (m_style & ~DWORD(0xF00)) | bits;
    if (style == m_style)
        return;
    m_style = style;
    ApplyDrawingMode();
    if (m_hwnd != nullptr && IsWindowVisible(m_hwnd))
        InvalidateRect(m_hwnd, nullptr, FALSE);
}

void mvButton::SetHideFocus(bool hide) {
    if (hide == m_hideFocus)
        return;
    m_hideFocus = hide;
    if (m_hwnd != nullptr) {
        const LRESULT flags = SendMessageW(m_hwnd, WM_QUERYUISTATE, 0, 0);
        SendMessageW(m_hwnd, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, flags), 0);
    }
}

void mvButton::SetToolTipText(const wchar_t* text) {
    if (text == nullptr)
        m_toolTip.clear();
    else
        m_toolTip = *text == L'\0' ? L"#0" : text;
    UpdateToolTip();
}

void mvButton::UpdateToolTip() {
    if (m_hwnd == nullptr)
        return;
    mvToolTipCtrl::RemoveTool(m_hwnd);
    const bool useCaption = m_toolTip == L"#0";
    if (m_toolTip.empty() || (useCaption && m_caption.empty()))
        return;
    mvstring text = useCaption ? m_caption : m_toolTip;
    text.StripMenuText(false, 255, 0);
    mvToolTipCtrl& tip = mvToolTipCtrl::Global();
    if (!tip.Create() || tip.Handle() == nullptr)
        return;
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = m_hwnd;
    info.uId = reinterpret_cast<UINT_PTR>(m_hwnd);
    info.lpszText = text.data();
    SendMessageW(tip.Handle(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

int mvButton::ThemeState(const ButtonPaintState& state) const {
    if (state.pushed)
        return PBS_PRESSED;
    if (state.disabled)
        return PBS_DISABLED;
    if (state.hot)
        return PBS_HOT;
    if (state.focused || (m_style & 0xF) == BS_DEFPUSHBUTTON)
        return m_defaultAsHot ? PBS_HOT : PBS_DEFAULTED;
    return PBS_NORMAL;
}

void mvButton::GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) {
    state = ButtonPaintState{};
    state.back = ThemeColour(ThemeButton);
    state.border = ThemeColour(ThemeBorder);
    state.text = ThemeColour(ThemeText);
    HWND pointed = GetCapture();
    if (pointed == nullptr) {
        POINT cursor{};
        GetCursorPos(&cursor);
        pointed = WindowFromPoint(cursor);
    }
    state.hot = pointed != nullptr && pointed == m_hwnd;
    state.pushed = (item.itemState & ODS_SELECTED) != 0;
    state.disabled = (item.itemState & ODS_DISABLED) != 0;
    state.focused = (item.itemState & ODS_FOCUS) != 0;
    if (state.disabled) {
        state.back = ThemeColour(ThemeButtonDisable);
        state.text = ThemeColour(ThemeTextGray);
    } else if (state.pushed) {
        state.back = ThemeColour(ThemeButtonPush);
        state.border = ThemeColour(ThemeBorderActive);
    } else if (state.hot) {
        state.back = ThemeColour(ThemeButtonOver);
        state.border = ThemeColour(ThemeBorderActive);
    } else if (state.focused) {
        state.border = ThemeColour(ThemeBorderActive);
    }
    state.focusRect = state.focused && (item.itemState & ODS_NOFOCUSRECT) == 0 && !m_hideFocus;
    state.showPrefix = (item.itemState & ODS_NOACCEL) == 0;
    if (!state.disabled && (m_style & 0xF) == BS_DEFPUSHBUTTON)
        state.border = ThemeColour(ThemeBorderActive);
    if (SystemLook()) {
        COLORREF text = 0;
        if (m_theme && SUCCEEDED(GetThemeColor(m_theme.Get(), BP_PUSHBUTTON, ThemeState(state),
                                               TMT_TEXTCOLOR, &text)))
            state.text = text;
        else
            state.text = GetSysColor(state.disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    }
}

void mvButton::OnReflectDrawItem(DRAWITEMSTRUCT* item) {
    if (item == nullptr)
        return;
    ButtonPaintState state;
    GetColors(*item, state);
    const bool noAnimation = SystemLook() && !m_theme;
    PaintBuffered(m_hwnd, item->hDC, &item->rcItem, reinterpret_cast<LPARAM>(&state), noAnimation);
}

UINT mvButton::CaptionFlags(const ButtonPaintState& state) const {
    UINT flags = DT_SINGLELINE | DT_EXPANDTABS;
    const DWORD horizontal = m_style & 0x300;
    flags |= horizontal == BS_LEFT ? DT_LEFT : horizontal == BS_RIGHT ? DT_RIGHT : DT_CENTER;
    const DWORD vertical = m_style & 0xC00;
    flags |= vertical == BS_TOP ? 0 : vertical == BS_BOTTOM ? DT_BOTTOM : DT_VCENTER;
    if (!state.showPrefix)
        flags |= DT_HIDEPREFIX;
    return flags;
}

void mvButton::DrawContent(HDC dc, RECT& rect, const ButtonPaintState& state) {
    DrawTextW(dc, m_caption.c_str(), static_cast<int>(m_caption.length()), &rect,
              CaptionFlags(state));
}

void mvButton::Draw(HDC dc, const RECT* area, LPARAM param) {
    if (dc == nullptr || area == nullptr || param == 0)
        return;
    ButtonPaintState state = *reinterpret_cast<const ButtonPaintState*>(param);
    RECT rect = *area;
    const bool system = SystemLook();
    const bool isDefault = (m_style & 0xF) == BS_DEFPUSHBUTTON;
    if (system && !m_theme) {
        FillSolidRect(dc, rect, GetSysColor(COLOR_BTNFACE));
        if (!state.disabled && (state.focused || isDefault)) {
            DrawFrameRect(dc, &rect, GetSysColor(COLOR_WINDOWFRAME), m_sides, 1, 0);
            InflateRect(&rect, -1, -1);
        }
        if (state.pushed) {
            DrawFrameRect(dc, &rect, GetSysColor(COLOR_BTNSHADOW), m_sides, 1, 0);
        } else {
            DrawEdgeSides(dc, &rect, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW),
                          m_sides);
            RECT inner = rect;
            InflateRect(&inner, -1, -1);
            DrawEdgeSides(dc, &inner, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNSHADOW),
                          m_sides);
        }
        InflateRect(&rect, -3, -3);
    } else if (system) {
        FillSolidRect(dc, rect, GetSysColor(COLOR_BTNFACE));
        DrawThemeBackground(m_theme.Get(), dc, BP_PUSHBUTTON, ThemeState(state), &rect, nullptr);
        RECT content{};
        if (SUCCEEDED(GetThemeBackgroundContentRect(m_theme.Get(), dc, BP_PUSHBUTTON, PBS_DEFAULTED,
                                                    &rect, &content)))
            rect = content;
        COLORREF text = 0;
        if (SUCCEEDED(GetThemeColor(m_theme.Get(), BP_PUSHBUTTON, ThemeState(state), TMT_TEXTCOLOR,
                                    &text)))
            state.text = text;
    } else {
        FillSolidRect(dc, rect, state.back);
        DrawFrameRect(dc, &rect, state.border, m_sides, 1, 0);
        InflateRect(&rect, -2, -2);
    }
    if (state.focusRect)
        DrawFocusDots(dc, &rect, state.text);
    if (!system)
        InflateRect(&rect, -1, -1);
    else if (!m_theme) {
        InflateRect(&rect, -1, 0);
        if (state.pushed)
            OffsetRect(&rect, 1, 1);
    }
    SetTextColor(dc, state.text);
    SetBkMode(dc, TRANSPARENT);
    DrawContent(dc, rect, state);
}

LRESULT mvButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_DESTROY:
        mvToolTipCtrl::RemoveTool(m_hwnd);
        m_theme.Reset();
        break;
    case WM_SETTEXT:
        BufferedPaintStopAllAnimationsDyn(m_hwnd);
        m_frameValid = false;
        m_caption = lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"";
        UpdateToolTip();
        result = DefaultProc(message, wParam, lParam);
        AutoSize();
        return result;
    case WM_ERASEBKGND:
        if (wParam != 0 && IsOwnerDrawn())
            return 1;
        break;
    case WM_SYSCOLORCHANGE:
        if (UiTheme::Get().IsThemeChange(message, lParam)) {
            ApplyDrawingMode();
            Refresh();
            return 0;
        }
        break;
    case WM_STYLECHANGED:
        if (wParam == static_cast<WPARAM>(GWL_STYLE)) {
            const auto* change = reinterpret_cast<const STYLESTRUCT*>(lParam);
            DWORD style = change->styleNew & 0xFFFF;
            if ((style & 0xF) == BS_OWNERDRAW)
                style = (style & ~DWORD(0xF)) | (m_style & 0xF);
            if (style != m_style) {
                m_style = style;
                ApplyDrawingMode();
                if (IsWindowVisible(m_hwnd))
                    InvalidateRect(m_hwnd, nullptr, FALSE);
            }
            return 0;
        }
        break;
    case BM_SETSTYLE:
        m_style = (m_style & ~DWORD(0xF)) | (static_cast<DWORD>(wParam) & 0xF);
        ApplyDrawingMode();
        if (LOWORD(lParam) != 0)
            InvalidateRect(m_hwnd, nullptr, FALSE);
        return 0;
    case WM_CHAR:
        if (wParam == VK_RETURN)
            PostMessageW(GetParent(m_hwnd), WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(m_hwnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(m_hwnd));
        break;
    case WM_CHANGEUISTATE:
    case WM_UPDATEUISTATE:
        if (m_hideFocus) {
            WORD flags = HIWORD(wParam);
            if (LOWORD(wParam) == UIS_CLEAR)
                flags &= ~WORD(UISF_HIDEFOCUS);
            else
                flags |= UISF_HIDEFOCUS;
            wParam = MAKEWPARAM(LOWORD(wParam), flags);
            if (IsWindowVisible(m_hwnd))
                InvalidateRect(m_hwnd, nullptr, FALSE);
        }
        break;
    case WM_MOUSEMOVE:
        if (IsOwnerDrawn() && !m_tracking) {
            m_tracking = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hwnd, HOVER_DEFAULT};
            TrackMouseEvent(&track);
            InvalidateRect(m_hwnd, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        if (IsOwnerDrawn()) {
            m_tracking = false;
            InvalidateRect(m_hwnd, nullptr, FALSE);
        }
        break;
    case WM_LBUTTONDBLCLK:
        // A double click is a second press.
        PostMessageW(m_hwnd, WM_LBUTTONDOWN, wParam, lParam);
        return 0;
    case WM_THEMECHANGED:
        ApplyDrawingMode();
        break;
    case WM_GETDLGCODE: {
        result = DefaultProc(message, wParam, lParam);
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
            result |= DLGC_WANTMESSAGE;
        if (IsOwnerDrawn()) {
            if ((m_style & 0xF) == BS_PUSHBUTTON)
                result |= DLGC_UNDEFPUSHBUTTON;
            else if ((m_style & 0xF) == BS_DEFPUSHBUTTON)
                result |= DLGC_DEFPUSHBUTTON;
        }
        return result;
    }
    case WM_SIZE:
    case WM_SETFONT:
        result = DefaultProc(message, wParam, lParam);
        AutoSize();
        return result;
    default:
        break;
    }
    return mvWnd::WindowProc(message, wParam, lParam);
}
