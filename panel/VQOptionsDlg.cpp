#include "panel/VQOptionsDlg.h"

#include "foundation/Language.h"
#include "panel/DialogLayout.h"
#include "ui/theme/UiTheme.h"

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr DWORD kButtonStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP;

} // namespace

const OptionEntry kOptionEntries[8] = {
    {1050, L"foldersontop", &VQSettings::KeepFoldersOnTop, true},
    {1051, L"removenonexists", &VQSettings::RemoveNonExists, false},
    {1056, L"sortwhilesearch", &VQSettings::SortWhileSearch, false},
    {1052, L"usegridlines", &VQSettings::UseGridLines, false},
    {1053, L"useshellcm", &VQSettings::UseShellContextMenu, true},
    {1055, L"updatetbopenbtn", &VQSettings::UpdateTBOpenBtn, true},
    {1054, L"exportstrsize", &VQSettings::ExportUseStrSize, false},
    {1057, L"disablehistory", &VQSettings::DisableHistory, false},
};

CVQOptionsDlg::CVQOptionsDlg() {
    m_list.m_fixedOrder = true;
    m_list.m_toggleOnClick = true;
    InitTemplate(230, 200, true, 4);
    AppendTemplateItem(kButtonStyle, 0, 7, 179, 50, 14, kOptionsResetId, kButtonClass);
    AppendTemplateItem(kButtonStyle | BS_DEFPUSHBUTTON, 0, 117, 179, 50, 14, IDOK, kButtonClass);
    AppendTemplateItem(kButtonStyle, 0, 173, 179, 50, 14, IDCANCEL, kButtonClass);
}

void CVQOptionsDlg::OnPreInitDialog() {
    m_ok.SubclassDlgItem(m_hwnd, IDOK);
    m_cancel.SubclassDlgItem(m_hwnd, IDCANCEL);
    m_reset.SubclassDlgItem(m_hwnd, kOptionsResetId);
    if (m_list.Create(m_hwnd)) {
        SetWindowPos(m_list.m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        m_list.ModifyStyle(0, LVS_SINGLESEL);
    }
}

void CVQOptionsDlg::SetTexts() {
    mvstring title = GetLangText(L"menu_tools", L"options");
    SetWindowTextW(m_hwnd, title.StripMenuText(false, 0, 0).c_str());
    SetWindowTextW(m_reset.m_hwnd, GetLangText(L"global", L"reset").c_str());
    SetWindowTextW(m_ok.m_hwnd, GetLangText(L"global", L"ok").c_str());
    SetWindowTextW(m_cancel.m_hwnd, GetLangText(L"global", L"cancel").c_str());
    SendMessageW(m_list.m_hwnd, LVM_DELETEALLITEMS, 0, 0);
    for (const OptionEntry& option : kOptionEntries)
        m_list.InsertItem(GetLangText(L"options", option.textKey).c_str(), option.id);
}

void CVQOptionsDlg::LoadOptions() {
    VQSettings& settings = Settings();
    for (const OptionEntry& option : kOptionEntries)
        m_list.SetCheck(m_list.FindItemByData(option.id), (settings.*option.setting).Get());
}

void CVQOptionsDlg::ResetDefaults() {
    for (const OptionEntry& option : kOptionEntries)
        m_list.SetCheck(m_list.FindItemByData(option.id), option.resetValue);
}

void CVQOptionsDlg::SaveOptions() {
    VQSettings& settings = Settings();
    for (const OptionEntry& option : kOptionEntries)
        (settings.*option.setting).Set(m_list.GetCheck(m_list.FindItemByData(option.id)));
    settings.SaveGroup(1);
}

int CVQOptionsDlg::OnInitDialog() {
    CVQBaseDlg::OnInitDialog();
    LoadOptions();
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const SIZE button = WindowSize(m_ok.m_hwnd);
    const int width = 4 * button.cx + 3 * spacing.innerSpacing.cx;
    const int height = mvtheme_control::GetTextHeight(m_font) + ListRowsHeight(m_list.m_hwnd) +
                       4 * spacing.innerSpacing.cy + button.cy;
    SizeClientAndCentre(*this, width + 2 * spacing.outerMargin.cx,
                        height + 2 * spacing.outerMargin.cy, true);
    return TRUE;
}

void CVQOptionsDlg::Layout() {
    if (m_ok.m_hwnd == nullptr || m_list.m_hwnd == nullptr)
        return;
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const RECT inner = InnerClientRect(m_hwnd);
    const SIZE button = WindowSize(m_ok.m_hwnd);
    const int top = inner.bottom - button.cy;
    MoveChild(m_reset.m_hwnd, inner.left, top, button.cx, button.cy);
    MoveChild(m_ok.m_hwnd, inner.right - 2 * button.cx - spacing.innerSpacing.cx, top);
    MoveChild(m_cancel.m_hwnd, inner.right - button.cx, top, button.cx, button.cy);
    MoveChild(m_list.m_hwnd, inner.left, inner.top, inner.right - inner.left,
              top - 4 * spacing.innerSpacing.cy - inner.top);
}

LRESULT CVQOptionsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        if (LOWORD(wParam) == IDOK)
            SaveOptions();
        else if (LOWORD(wParam) == kOptionsResetId)
            ResetDefaults();
    }
    return CVQBaseDlg::WindowProc(message, wParam, lParam);
}
