#include "ui/controls/ToolTip.h"

#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/GdiHolders.h"
#include "ui/core/ToolTipWindow.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowHolders.h"
#include "ui/core/FirstWindow.h"

#include <commctrl.h>

namespace {

// The tool record as the tooltip reads and writes it: the full size with
// lParam (64 bytes in a 64-bit process).
const UINT kToolInfoSize = TTTOOLINFOW_V2_SIZE;
constexpr int kTextCapacity = 1024;

} // namespace

mvToolTipCtrl::~mvToolTipCtrl() = default;

mvToolTipCtrl& mvToolTipCtrl::Global() {
    static mvToolTipCtrl tooltip;
    return tooltip;
}

bool mvToolTipCtrl::Create() {
    if (Handle() != nullptr)
        return true;
    PrepareFirstWindow();
    WindowHandle window(CreateWindowExW(WS_EX_TRANSPARENT, TOOLTIPS_CLASSW, nullptr, WS_POPUP,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!window)
        return false;
    const HFONT font = UiTheme::Get().fonts.normal.Get();
    SendMessageW(window.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowPos(window.Get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    if (!Attach(window.Get()))
        return false;
    (void)window.Release(); // the object owns the window now
    m_font = font;          // the control answers WM_GETFONT with a copy of its own
    if (this == &Global())
        SetProgramToolTipWindow(Handle());
    OnAttached();
    return true;
}

void mvToolTipCtrl::RemoveTool(HWND tool) {
    const HWND tooltip = Global().Handle();
    if (tooltip == nullptr || tool == nullptr)
        return;
    TOOLINFOW info{};
    info.cbSize = kToolInfoSize;
    info.uFlags = TTF_IDISHWND;
    info.hwnd = tool;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    SendMessageW(tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT mvToolTipCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(Handle(), message, wParam, lParam, &result))
        return result;
    const bool systemLook = UiTheme::Get().SystemLookFlag;
    switch (message) {
    case WM_PAINT:
        if (systemLook)
            break;
        if (GetUpdateRect(Handle(), nullptr, FALSE)) {
            mvPaintDC paint(Handle(), kWindowFont);
            RECT client{};
            GetClientRect(Handle(), &client);
            PaintBuffered(Handle(), paint.Dc(), &client, 0, true);
        }
        return 0;
    case WM_ERASEBKGND:
        if (wParam != 0 && systemLook)
            return 1;
        break;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_NCDESTROY:
        if (ProgramToolTipWindow() == Handle())
            SetProgramToolTipWindow(nullptr);
        break;
    }
    return mvWnd::WindowProc(message, wParam, lParam);
}

void mvToolTipCtrl::Draw(HDC dc, const RECT* rect, LPARAM) {
    const UiTheme& theme = UiTheme::Get();
    SetTextColor(dc, theme.Color(ThemeText));
    FillSolidRect(dc, *rect, theme.Color(ThemeBase));
    const LONG style = GetWindowLongW(Handle(), GWL_STYLE);
    if (style & TTS_BALLOON) {
        const GdiHandle<HRGN> region(CreateRectRgn(0, 0, 0, 0));
        if (GetWindowRgn(Handle(), region.Get()) != ERROR)
            FrameRgn(dc, region.Get(), theme.borderBrush.Get(), 1, 1);
    } else {
        DrawFrameRect(dc, rect, theme.Color(ThemeBorder), SideAll, 1, 0);
    }

    wchar_t text[kTextCapacity] = {};
    TOOLINFOW tool{};
    tool.cbSize = kToolInfoSize;
    tool.lpszText = text;
    if (!SendMessageW(Handle(), TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&tool)))
        return;
    if (tool.lpszText == LPSTR_TEXTCALLBACKW) {
        tool.lpszText = text;
        SendMessageW(Handle(), TTM_GETTEXTW, kTextCapacity, reinterpret_cast<LPARAM>(&tool));
    }
    RECT textRect = *rect;
    AdjustWindowRectEx(&textRect, style, FALSE, GetWindowLongW(Handle(), GWL_EXSTYLE));
    SendMessageW(Handle(), TTM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&textRect));
    const UINT prefix = (style & TTS_NOPREFIX) ? DT_NOPREFIX : DT_HIDEPREFIX;
    DrawTextW(dc, tool.lpszText != nullptr ? tool.lpszText : L"", -1, &textRect,
              DT_WORDBREAK | DT_EDITCONTROL | prefix);
}
