#include "panel/VQSetupHexViewDlg.h"

#include "app/shared/VQFileDialog.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/VersionInfo.h"
#include "panel/DialogLayout.h"
#include "ui/dialogs/mvMessageBox.h"
#include "ui/theme/UiTheme.h"

#include <algorithm>

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kComboClass = 0x0085;
constexpr DWORD kItemStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

} // namespace

mvstring QuotedProgramPath(const mvstring& path) {
    const std::wstring& text = path.str();
    if (text.find(L' ') == std::wstring::npos || (text.size() >= 2 && text.front() == L'"'))
        return path;
    return mvstring(L"\"" + text + L"\"");
}

CVQSetupHexViewDlg::CVQSetupHexViewDlg() {
    m_customPaint = 0;
    m_info.m_dialogUnits = {25, 14};
    DWORD comboStyle = kItemStyle | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
    if (!SystemLook())
        comboStyle |= CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
    InitTemplate(260, 90, true, 8);
    AppendTemplateItem(comboStyle, 0, 7, 7, 246, 55, kHexViewerChoiceId, kComboClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 7, 21, 246, 12,
                       kHexViewerNameId, kEditClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 7, 36, 246, 12,
                       kHexViewerPathId, kEditClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP, 0, 203, 50, 50, 14, kHexViewerBrowseId,
                       kButtonClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 147, 69, 50, 14, IDOK,
                       kButtonClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP, 0, 203, 69, 50, 14, IDCANCEL, kButtonClass);
    AppendTemplateItem(kItemStyle | WS_TABSTOP, 0, 7, 69, 50, 14, kHexViewerInfoId, kButtonClass);
}

void CVQSetupHexViewDlg::OnPreInitDialog() {
    m_viewer.SubclassDlgItem(m_hwnd, kHexViewerChoiceId);
    m_name.SubclassDlgItem(m_hwnd, kHexViewerNameId);
    m_path.SubclassDlgItem(m_hwnd, kHexViewerPathId);
    m_browse.SubclassDlgItem(m_hwnd, kHexViewerBrowseId);
    m_ok.SubclassDlgItem(m_hwnd, IDOK);
    m_cancel.SubclassDlgItem(m_hwnd, IDCANCEL);
    m_info.SubclassDlgItem(m_hwnd, kHexViewerInfoId);
}

void CVQSetupHexViewDlg::SetTexts() {
    mvstring title = GetLangText(L"menu_tools", L"customhexview");
    SetWindowTextW(m_hwnd, title.StripMenuText(false, 0, 0).c_str());
    const int chosen = static_cast<int>(SendMessageW(m_viewer.m_hwnd, CB_GETCURSEL, 0, 0));
    SendMessageW(m_viewer.m_hwnd, CB_RESETCONTENT, 0, 0);
    for (const wchar_t* key : {L"internal", L"external"})
        SendMessageW(m_viewer.m_hwnd, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(GetLangText(L"customhexview", key).c_str()));
    if (chosen >= 0)
        SendMessageW(m_viewer.m_hwnd, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    m_name.SetCueText(GetLangText(L"customhexview", L"info_name"), true);
    m_path.SetCueText(GetLangText(L"customhexview", L"info_path"), true);
    SetWindowTextW(m_browse.m_hwnd, GetLangText(L"customhexview", L"choose").c_str());
    SetWindowTextW(m_ok.m_hwnd, GetLangText(L"global", L"ok").c_str());
    SetWindowTextW(m_cancel.m_hwnd, GetLangText(L"global", L"cancel").c_str());
    SetWindowTextW(m_info.m_hwnd, L"?");
}

bool CVQSetupHexViewDlg::ExternalChosen() const {
    return SendMessageW(m_viewer.m_hwnd, CB_GETCURSEL, 0, 0) > 0;
}

void CVQSetupHexViewDlg::UpdateControls() {
    const bool external = ExternalChosen();
    EnableWindow(m_name.m_hwnd, external);
    EnableWindow(m_path.m_hwnd, external);
    EnableWindow(m_browse.m_hwnd, external);
    EnableWindow(m_ok.m_hwnd, !external || GetWindowTextLengthW(m_path.m_hwnd) > 0);
}

int CVQSetupHexViewDlg::OnInitDialog() {
    CVQBaseDlg::OnInitDialog();
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const SIZE margin = spacing.outerMargin;
    const int height = 2 * margin.cy + WindowSize(m_viewer.m_hwnd).cy + spacing.gap +
                       2 * WindowSize(m_path.m_hwnd).cy + spacing.innerSpacing.cy +
                       2 * WindowSize(m_browse.m_hwnd).cy + 2 * margin.cy;
    const int width = std::max<int>(4 * WindowSize(m_ok.m_hwnd).cx, static_cast<int>(height * 1.8));
    SizeClientAndCentre(*this, width + 2 * margin.cx, height + 2 * margin.cy, false);

    const HexViewerLaunch& launch = Settings().HexViewer;
    const bool external = launch.UseCustomHexview.Get();
    SendMessageW(m_viewer.m_hwnd, CB_SETCURSEL, external ? 1 : 0, 0);
    UpdateControls();
    SetWindowTextW(m_name.m_hwnd, launch.CustomHexviewName.Get().c_str());
    SetWindowTextW(m_path.m_hwnd, launch.CustomHexviewPath.Get().c_str());
    if (external) {
        SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_name.m_hwnd), TRUE);
        return FALSE;
    }
    return TRUE;
}

void CVQSetupHexViewDlg::Layout() {
    if (m_info.m_hwnd == nullptr)
        return;
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const RECT inner = InnerClientRect(m_hwnd);
    const int width = inner.right - inner.left;
    const int comboHeight = WindowSize(m_viewer.m_hwnd).cy;
    MoveChild(m_viewer.m_hwnd, inner.left, inner.top, width, comboHeight);
    const int editHeight = WindowSize(m_path.m_hwnd).cy;
    const int nameTop = inner.top + comboHeight + 2 * spacing.outerMargin.cy;
    MoveChild(m_name.m_hwnd, inner.left, nameTop, width, editHeight);
    const int pathTop = nameTop + editHeight + spacing.innerSpacing.cy;
    MoveChild(m_path.m_hwnd, inner.left, pathTop, width, editHeight);
    const SIZE browse = WindowSize(m_browse.m_hwnd);
    MoveChild(m_browse.m_hwnd, inner.right - browse.cx, pathTop + editHeight + spacing.gap);
    const SIZE cancel = WindowSize(m_cancel.m_hwnd);
    MoveChild(m_cancel.m_hwnd, inner.right - cancel.cx, inner.bottom - cancel.cy);
    const SIZE ok = WindowSize(m_ok.m_hwnd);
    MoveChild(m_ok.m_hwnd, inner.right - cancel.cx - spacing.innerSpacing.cx - ok.cx,
              inner.bottom - ok.cy);
    MoveChild(m_info.m_hwnd, inner.left, inner.bottom - WindowSize(m_info.m_hwnd).cy);
}

bool CVQSetupHexViewDlg::Save() {
    const bool external = ExternalChosen();
    const mvstring path = GetWindowTextString(m_path.m_hwnd);
    if (external && path.empty())
        return false;
    VQSettings& settings = Settings();
    settings.HexViewer.UseCustomHexview.Set(external);
    settings.HexViewer.CustomHexviewName.Set(GetWindowTextString(m_name.m_hwnd));
    settings.HexViewer.CustomHexviewPath.Set(path);
    settings.SaveGroup(3);
    return true;
}

void CVQSetupHexViewDlg::TakeProgram(const mvstring& path) {
    SetWindowTextW(m_path.m_hwnd, QuotedProgramPath(path).c_str());
    VersionInfo info;
    SetWindowTextW(m_name.m_hwnd, info.Load(path.c_str()).GetString(L"FileDescription").c_str());
}

void CVQSetupHexViewDlg::Browse() {
    CVQFileDialogPtr dialog;
    if (!MakeFileDialog(dialog))
        return;
    dialog->SetDefaultExtension(L"exe");
    dialog->AddFilter(GetLangText(L"global", L"filetype_exe"), L"*.exe");
    dialog->AddFilter(GetLangText(L"global", L"filetype_all"), L"*.*");
    if (dialog->Show(m_hwnd) && !dialog->m_results.empty())
        TakeProgram(dialog->m_results.front());
}

LRESULT CVQSetupHexViewDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if ((id == kHexViewerChoiceId && code == CBN_SELCHANGE) ||
            ((id == kHexViewerNameId || id == kHexViewerPathId) && code == EN_CHANGE)) {
            UpdateControls();
        } else if (id == IDOK) {
            if (!Save())
                return 0;
        } else if (id == kHexViewerBrowseId) {
            Browse();
        } else if (id == kHexViewerInfoId) {
            ShowMessageBox(GetLangText(L"customhexview", L"info").c_str(), 0);
        }
    }
    return CVQBaseDlg::WindowProc(message, wParam, lParam);
}
