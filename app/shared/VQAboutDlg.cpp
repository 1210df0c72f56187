#include "app/shared/VQAboutDlg.h"

#include "foundation/Language.h"
#include "foundation/ModulePath.h"
#include "foundation/VersionInfo.h"
#include "ui/core/Measure.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

#include <algorithm>

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr DWORD kItemStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// The maker, named on the link; not a language text.
constexpr wchar_t kMakerText[] = L"Morvik";
constexpr UINT kCopyrightFlags =
    DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS;

SIZE WindowSize(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void MoveTo(HWND hwnd, int x, int y) {
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int BoldLineHeight() {
    return mvtheme_control::GetTextHeight(UiTheme::Get().fonts.bold.Get());
}

// The client rectangle less the dialog margins.
RECT InnerRect(HWND hwnd) {
    const SIZE margin = UiTheme::Get().fonts.spacing.outerMargin;
    RECT rect{};
    GetClientRect(hwnd, &rect);
    InflateRect(&rect, -margin.cx, -margin.cy);
    return rect;
}

} // namespace

mvstring ShortVersion(const mvstring& version) {
    size_t dots = 0;
    for (size_t i = 0; i < version.length(); ++i)
        if (version[i] == L'.' && ++dots == 3)
            return mvstring(version.substr(0, i));
    return version;
}

mvstring CVQAboutDlg::TitleText() {
    VersionInfo info;
    const mvstring program = GetModulePath(L"");
    const mvstring version = ShortVersion(info.Load(program.c_str()).GetString(L"ProductVersion"));
    mvstring title(L"Velquin");
    if (!version.empty()) {
        title += L" ";
        title += version;
    }
    return title;
}

CVQAboutDlg::CVQAboutDlg() {
    InitTemplate(260, 90, true, 4);
    AppendTemplateItem(kItemStyle, 0, 37, 29, 151, 13, kAboutLinkId, kButtonClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP, 0, 205, 7, 50, 14, kAboutHelpId, kButtonClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 205, 26, 50, 14, IDCANCEL,
                       kButtonClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP, 0, 205, 69, 50, 14, kAboutDonateId, kButtonClass);
}

void CVQAboutDlg::OnPreInitDialog() {
    m_link.SubclassDlgItem(m_hwnd, kAboutLinkId);
    m_help.SubclassDlgItem(m_hwnd, kAboutHelpId);
    m_close.SubclassDlgItem(m_hwnd, IDCANCEL);
    m_donate.SubclassDlgItem(m_hwnd, kAboutDonateId);
}

void CVQAboutDlg::SetTexts() {
    mvstring title = GetLangText(L"menu_help", L"about");
    SetWindowTextW(m_hwnd, title.StripMenuText(false, 0, 0).c_str());
    SetWindowTextW(m_link.m_hwnd, kMakerText);
    mvstring help = GetLangText(L"global", L"help");
    SetWindowTextW(m_help.m_hwnd, help.StripMenuText(true, 0, 1).c_str());
    SetWindowTextW(m_close.m_hwnd, GetLangText(L"global", L"close").c_str());
    mvstring donate = GetLangText(L"menu_help", L"donate");
    SetWindowTextW(m_donate.m_hwnd, donate.StripMenuText(true, 0, 0).c_str());
}

HICON CVQAboutDlg::Icon(SIZE* size) const {
    mvsysicon& icons = UiTheme::Get().icons;
    HICON icon = icons.GetIcon(AppIconLarge);
    const std::uint64_t packed = icon != nullptr ? icons.GetSize(AppIconLarge) : 0;
    *size = {PackedX(packed), PackedY(packed)};
    return icon;
}

RECT CVQAboutDlg::IconRect() const {
    const SIZE margin = UiTheme::Get().fonts.spacing.outerMargin;
    SIZE icon{};
    Icon(&icon);
    return {margin.cx, margin.cy, margin.cx + icon.cx, margin.cy + icon.cy};
}

int CVQAboutDlg::OnInitDialog() {
    CVQBaseDlg::OnInitDialog();
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    SIZE icon{};
    Icon(&icon);
    int a = BoldLineHeight() + WindowSize(m_link.m_hwnd).cy;
    if (icon.cy >= a)
        a = icon.cy;
    const int h = WindowSize(m_close.m_hwnd).cy;
    const int b = spacing.innerSpacing.cy + 2 * h;
    const int height = h + 4 * spacing.outerMargin.cy + std::max(a, b);
    RECT frame = {0, 0, static_cast<LONG>(height * 2.85), height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_EXSTYLE)));
    SetWindowPos(m_hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow();
    SetFocus(m_close.m_hwnd);
    return FALSE;
}

void CVQAboutDlg::Layout() {
    if (m_close.m_hwnd == nullptr)
        return;
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const RECT inner = InnerRect(m_hwnd);
    SIZE icon{};
    Icon(&icon);
    MoveTo(m_link.m_hwnd, inner.left + icon.cx + spacing.halfMargin.cx,
           inner.top + BoldLineHeight());
    const SIZE help = WindowSize(m_help.m_hwnd);
    MoveTo(m_help.m_hwnd, inner.right - help.cx, inner.top);
    const SIZE close = WindowSize(m_close.m_hwnd);
    MoveTo(m_close.m_hwnd, inner.right - close.cx, inner.top + help.cy + spacing.innerSpacing.cy);
    const SIZE donate = WindowSize(m_donate.m_hwnd);
    MoveTo(m_donate.m_hwnd, inner.right - donate.cx, inner.bottom - donate.cy);
}

void CVQAboutDlg::PaintContent(HDC dc, const RECT*) {
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    RECT inner = InnerRect(m_hwnd);
    inner.right -= WindowSize(m_help.m_hwnd).cx + spacing.outerMargin.cx;
    SIZE iconSize{};
    if (HICON icon = Icon(&iconSize))
        DrawIconEx(dc, inner.left, inner.top, icon, iconSize.cx, iconSize.cy, 0, nullptr,
                   DI_NORMAL);

    const mvstring title = TitleText();
    RECT line = inner;
    line.left += iconSize.cx + spacing.halfMargin.cx;
    line.bottom = line.top + BoldLineHeight();
    const HGDIOBJ oldFont = SelectObject(dc, UiTheme::Get().fonts.bold.Get());
    DrawTextW(dc, title.c_str(), static_cast<int>(title.length()), &line,
              DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont); // the dialog's font

    const mvstring copyright = GetLangText(L"global", L"copyright");
    if (copyright.empty())
        return;
    RECT space = inner;
    space.top = line.bottom + WindowSize(m_link.m_hwnd).cy + spacing.outerMargin.cy;
    RECT measured = space;
    DrawTextW(dc, copyright.c_str(), static_cast<int>(copyright.length()), &measured,
              DT_CALCRECT | kCopyrightFlags);
    if (measured.bottom - measured.top < space.bottom - space.top)
        space.top = space.bottom - (measured.bottom - measured.top);
    DrawTextW(dc, copyright.c_str(), static_cast<int>(copyright.length()), &space,
              kCopyrightFlags);
}

void CVQAboutDlg::BlinkIcon() {
    const RECT icon = IconRect();
    SIZE size{};
    HICON handle = Icon(&size);
    if (handle == nullptr)
        return;
    HDC dc = GetDC(m_hwnd);
    if (dc == nullptr)
        return;
    mvMemDC surface;
    if (HDC memory = surface.Prepare(dc, size.cx, size.cy)) {
        const COLORREF back = SystemLook() ? GetSysColor(COLOR_BTNFACE) : ThemeColour(ThemeBase);
        const RECT cell = {0, 0, size.cx, size.cy};
        for (int frame = 0; frame < 5; ++frame) {
            FillSolidRect(memory, cell, back);
            if (frame == 1 || frame == 3)
                DrawIconEx(memory, 0, 0, handle, size.cx, size.cy, 0, nullptr, DI_NORMAL);
            BitBlt(dc, icon.left, icon.top, size.cx, size.cy, memory, 0, 0, SRCCOPY);
            GdiFlush();
            Sleep(200);
        }
    }
    ReleaseDC(m_hwnd, dc);
    InvalidateRect(m_hwnd, &icon, FALSE);
}

LRESULT CVQAboutDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= kAboutHelpId && id <= kAboutLinkId)
            PostMessageW(GetParent(m_hwnd), WM_COMMAND, wParam, 0);
        break;
    }
    case WM_LBUTTONDBLCLK: {
        const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const RECT icon = IconRect();
        if (GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) < 0 && PtInRect(&icon, at))
            BlinkIcon();
        break;
    }
    default:
        break;
    }
    return CVQBaseDlg::WindowProc(message, wParam, lParam);
}
