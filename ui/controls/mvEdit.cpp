#include "ui/controls/mvEdit.h"

#include "ui/core/ComctlVersion.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/core/Measure.h"
#include "ui/theme/UiTheme.h"

#include <commctrl.h>

#include <algorithm>

namespace {

bool HasStyle(HWND hwnd, LONG bits) {
    return (GetWindowLongW(hwnd, GWL_STYLE) & bits) != 0;
}

} // namespace

bool CreateEditWindow(mvEdit& edit, HWND parent, int id) {
    HFONT font = UiTheme::Get().fonts.normal.Get();
    const int height = static_cast<int>(DialogUnitsToPixels(std::uint64_t(12) << 32, font) >> 32);
    HWND hwnd =
        CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY, L"Edit", L"", 0x54010080, 0, 0, 0,
                        height, parent, reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
    if (hwnd == nullptr)
        return false;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!edit.SubclassWindow(hwnd)) {
        DestroyWindow(hwnd);
        return false;
    }
    return true;
}

mvEdit::~mvEdit() {
    Detach(false);
}

void mvEdit::OnAttached() {
    m_frameCalculated = false;
    RECT client = {};
    GetClientRect(m_hwnd, &client);
    m_createdClientHeight = client.bottom;
    FitHeight();
    const bool framed = HasStyle(m_hwnd, WS_HSCROLL | WS_VSCROLL | WS_BORDER) ||
                        (GetWindowLongW(m_hwnd, GWL_EXSTYLE) &
                         (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE)) != 0;
    if (framed && UiTheme::Get().fonts.normal && !SystemLook()) {
        m_box.m_hotBorder = m_scrollBoxOption != 0;
        m_box.AttachChild(m_hwnd, false);
    }
}

bool mvEdit::GetTextColor(COLORREF* color) {
    const UiTheme& ui = UiTheme::Get();
    if (!IsWindowEnabled(m_hwnd))
        *color = ui.SystemLookFlag ? GetSysColor(COLOR_GRAYTEXT) : ui.Color(ThemeTextGray);
    else if (!ui.SystemLookFlag)
        *color = ui.Color(ThemeText);
    else
        *color = GetSysColor(HasStyle(m_hwnd, ES_READONLY) ? COLOR_BTNTEXT : COLOR_WINDOWTEXT);
    return false;
}

void mvEdit::SetCueText(const mvstring& text, bool showWhenFocused) {
    m_cue.text = text;
    m_cue.showWhenFocused = showWhenFocused;
    m_cue.color = EditCue::kNoCueColor;
    if (m_hwnd != nullptr && m_tempCue.text.empty())
        SendMessageW(m_hwnd, EM_SETCUEBANNER, showWhenFocused,
                     reinterpret_cast<LPARAM>(m_cue.text.c_str()));
}

bool mvEdit::PaintsCue() const {
    const EditCue& cue = ActiveCue();
    if (m_hwnd == nullptr || cue.text.empty() || !IsWindowEnabled(m_hwnd) ||
        HasStyle(m_hwnd, ES_MULTILINE) || GetWindowTextLengthW(m_hwnd) != 0)
        return false;
    if (GetFocus() == m_hwnd && !cue.showWhenFocused)
        return false;
    if (cue.color != EditCue::kNoCueColor || !UiTheme::Get().SystemLookFlag)
        return true;
    return !IsThemedComctl();
}

bool mvEdit::PaintCue() {
    const UiTheme& ui = UiTheme::Get();
    const EditCue& cue = ActiveCue();
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(m_hwnd, &paint);
    if (dc == nullptr)
        return false;
    HFONT font = m_font != nullptr
                     ? m_font
                     : reinterpret_cast<HFONT>(SendMessageW(m_hwnd, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
    const bool plain = !IsWindowEnabled(m_hwnd) || HasStyle(m_hwnd, ES_READONLY);
    const bool system = ui.SystemLookFlag;
    COLORREF back = plain ? (system ? GetSysColor(COLOR_BTNFACE) : ui.Color(ThemeBase))
                          : (system ? GetSysColor(COLOR_WINDOW) : ui.Color(ThemeEditBg));
    RECT client = {};
    GetClientRect(m_hwnd, &client);
    FillSolidRect(dc, client, back);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, cue.color != EditCue::kNoCueColor
                         ? cue.color
                         : (system ? GetSysColor(COLOR_GRAYTEXT) : ui.Color(ThemeTextGray)));
    RECT format = client;
    SendMessageW(m_hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    DrawTextW(dc, cue.text.c_str(), static_cast<int>(cue.text.size()), &format,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (oldFont != nullptr)
        SelectObject(dc, oldFont);
    EndPaint(m_hwnd, &paint);
    return true;
}

void mvEdit::FitHeight() {
    if (m_hwnd == nullptr || m_heightMode < 0 || HasStyle(m_hwnd, ES_MULTILINE))
        return;
    RECT format = {};
    SendMessageW(m_hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    const int margin = std::min<int>(format.top, 2) + 2;
    HFONT font = m_font != nullptr
                     ? m_font
                     : reinterpret_cast<HFONT>(SendMessageW(m_hwnd, WM_GETFONT, 0, 0));
    int client = mvtheme_control::GetTextHeight(font) + margin;
    if (m_heightMode != 1)
        client = std::max(client, m_createdClientHeight);
    RECT frame = {0, 0, 0, client};
    AdjustWindowRectEx(&frame, GetWindowLongW(m_hwnd, GWL_STYLE), FALSE,
                       GetWindowLongW(m_hwnd, GWL_EXSTYLE));
    int height = frame.bottom - frame.top;
    HWND sized = m_hwnd;
    if (IsHosted()) {
        const RECT insets = m_box.GetBarInsets();
        height += insets.top + insets.bottom;
        sized = m_box.Handle();
    }
    RECT window = {};
    GetWindowRect(sized, &window);
    if (RectHeight(window) != height)
        SetWindowPos(sized, nullptr, 0, 0, RectWidth(window), height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool mvEdit::OnReflectCommand(UINT code) {
    if (code == EN_CHANGE) {
        if (!m_tempCue.text.empty() && GetWindowTextLengthW(m_hwnd) != 0) {
            m_tempCue.text.clear();
            SendMessageW(m_hwnd, EM_SETCUEBANNER, m_cue.showWhenFocused,
                         reinterpret_cast<LPARAM>(m_cue.text.c_str()));
        }
        if (PaintsCue())
            InvalidateRect(m_hwnd, nullptr, TRUE);
    }
    return false;
}

void mvEdit::OnReflectCtlColor(HDC dc, LRESULT* result) {
    const UiTheme& ui = UiTheme::Get();
    if (ui.SystemLookFlag)
        return;
    COLORREF text = 0;
    GetTextColor(&text);
    SetTextColor(dc, text);
    const bool plain = !IsWindowEnabled(m_hwnd) || HasStyle(m_hwnd, ES_READONLY);
    SetBkColor(dc, ui.Color(plain ? ThemeBase : ThemeEditBg));
    *result = reinterpret_cast<LRESULT>(plain ? ui.baseBrush.Get() : ui.editBrush.Get());
}

LRESULT mvEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    if (IsHosted() && m_box.HostChildMessage(message, wParam, lParam, &result,
                                             [&] { return EditProc(message, wParam, lParam); }))
        return result;
    return EditProc(message, wParam, lParam);
}

LRESULT mvEdit::EditProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const UiTheme& ui = UiTheme::Get();
    switch (message) {
    case EM_SETCUEBANNER: {
        auto* text = reinterpret_cast<const wchar_t*>(lParam);
        if (text != m_cue.text.c_str() && text != m_tempCue.text.c_str()) {
            SetCueText(mvstring(text), wParam != 0);
            return TRUE;
        }
        break;
    }
    case WM_PAINT:
        if (PaintsCue() && PaintCue())
            return 0;
        break;
    case WM_NCCALCSIZE:
        m_frameCalculated = true;
        break;
    case WM_NCPAINT:
        if (!ui.SystemLookFlag) {
            const bool scrollBars = HasStyle(m_hwnd, WS_HSCROLL | WS_VSCROLL);
            if (IsHosted()) {
                // The box draws frame and bars; the edit's own frame must be
                // worked out once so that it takes no non-client area.
                if (scrollBars && !m_frameCalculated) {
                    m_frameCalculated = true;
                    SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                                     SWP_NOACTIVATE);
                }
                return 0;
            }
            if (scrollBars)
                DefaultProc(message, wParam, lParam);
            POINT cursor = {};
            RECT client = {};
            GetCursorPos(&cursor);
            ScreenToClient(m_hwnd, &cursor);
            GetClientRect(m_hwnd, &client);
            const bool active =
                GetFocus() == m_hwnd || (GetCapture() == nullptr && PtInRect(&client, cursor));
            PaintWindowBorderDC(m_hwnd, ui.Color(ThemeEditBg),
                                ui.Color(active ? ThemeBorderActive : ThemeBorder));
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (!ui.SystemLookFlag)
            RedrawWindow(m_hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        break;
    case WM_SYSCOLORCHANGE:
        if (ui.IsThemeChange(message, lParam))
            RedrawWindow(m_hwnd, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
        break;
    case WM_KEYDOWN:
        if (wParam == 'A' && GetAsyncKeyState(VK_CONTROL) < 0)
            SendMessageW(m_hwnd, EM_SETSEL, 0, -1);
        break;
    case WM_MOUSEMOVE:
        // The repaint of a pixel refreshes the hosting box, which then lights
        // its frame for the mouse.
        if (IsHosted() && !m_hover) {
            m_hover = true;
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hwnd, 0};
            TrackMouseEvent(&track);
            const RECT pixel = {0, 0, 1, 1};
            InvalidateRect(m_hwnd, &pixel, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        if (m_hover) {
            m_hover = false;
            const RECT pixel = {0, 0, 1, 1};
            InvalidateRect(m_hwnd, &pixel, FALSE);
        }
        break;
    }
    const LRESULT result = mvWnd::WindowProc(message, wParam, lParam);
    if (message == WM_SIZE || message == WM_SETFONT)
        FitHeight();
    return result;
}

mvACEdit::~mvACEdit() {
    // The shell's autocomplete sits in the window's message chain: the
    // window goes first, so no message reaches released autocomplete parts.
    Detach(true);
    mvACBase::Release();
}

void mvACEdit::OnAttached() {
    mvEdit::OnAttached();
    mvACBase::Attach(m_hwnd, true);
}

LRESULT mvACEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDBLCLK && AutoComplete() != nullptr && !IsDropDownVisible()) {
        // The Down key opens the list; its release follows so that the key
        // is not left down for the rest of the session.
        keybd_event(VK_DOWN, 80, 0, 0);
        keybd_event(VK_DOWN, 80, KEYEVENTF_KEYUP, 0);
    }
    return mvEdit::WindowProc(message, wParam, lParam);
}
