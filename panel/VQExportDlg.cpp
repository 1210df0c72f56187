#include "panel/VQExportDlg.h"

#include "app/shared/VQFileDialog.h"
#include "foundation/DisplayText.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "panel/DialogLayout.h"
#include "search/ResultExport.h"
#include "search/SearchJob.h"
#include "ui/dialogs/mvMessageBox.h"
#include "ui/theme/UiTheme.h"

#include <algorithm>

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr DWORD kButtonStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP;
constexpr int kColumnCount = 9;
constexpr UINT kInfoFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_HIDEPREFIX;

// The export format of the save dialog's filter: CSV, HTML, or by the
// file's extension for all files.
int FormatOfFilter(int filter) {
    return filter == 0 ? ExportCsv : filter == 1 ? ExportHtml : ExportByExtension;
}

} // namespace

CVQExportDlg::CVQExportDlg() {
    InitTemplate(230, 200, true, 8);
    const int ids[] = {kExportAllId, kExportVisibleId, kExportMoveUpId, kExportMoveDownId,
                       kExportResetId, IDOK, IDCANCEL};
    int y = 7;
    for (int id : ids) {
        AppendTemplateItem(kButtonStyle | (id == IDOK ? BS_DEFPUSHBUTTON : 0), 0, 173, y, 50, 14,
                           static_cast<WORD>(id), kButtonClass);
        y += 18;
    }
}

void CVQExportDlg::OnPreInitDialog() {
    m_all.SubclassDlgItem(m_hwnd, kExportAllId);
    m_visible.SubclassDlgItem(m_hwnd, kExportVisibleId);
    m_up.SubclassDlgItem(m_hwnd, kExportMoveUpId);
    m_down.SubclassDlgItem(m_hwnd, kExportMoveDownId);
    m_reset.SubclassDlgItem(m_hwnd, kExportResetId);
    m_ok.SubclassDlgItem(m_hwnd, IDOK);
    m_cancel.SubclassDlgItem(m_hwnd, IDCANCEL);
    if (m_list.Create(m_hwnd)) {
        for (int id = 0; id < kColumnCount; ++id)
            m_list.InsertItem(nullptr, id);
        SetWindowPos(m_list.m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
}

void CVQExportDlg::SetTexts() {
    mvstring title = GetLangText(L"menu_file", L"exportsearch");
    SetWindowTextW(m_hwnd, title.StripMenuText(false, 0, 0).c_str());
    const struct {
        HWND button;
        const wchar_t* section;
        const wchar_t* key;
    } texts[] = {{m_all.m_hwnd, L"export", L"selall"},     {m_visible.m_hwnd, L"export", L"selvisible"},
                 {m_up.m_hwnd, L"export", L"moveup"},      {m_down.m_hwnd, L"export", L"movedown"},
                 {m_reset.m_hwnd, L"global", L"reset"},    {m_ok.m_hwnd, L"export", L"export"},
                 {m_cancel.m_hwnd, L"global", L"cancel"}};
    for (const auto& text : texts)
        SetWindowTextW(text.button, GetLangText(text.section, text.key).c_str());
    for (int row = 0; row < m_list.Count(); ++row) {
        const mvstring columnTitle = GetColumnTitle(static_cast<int>(m_list.GetItemData(row)), true);
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = const_cast<wchar_t*>(columnTitle.c_str());
        SendMessageW(m_list.m_hwnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<std::uint8_t> CVQExportDlg::RowIds(bool checkedOnly) const {
    std::vector<std::uint8_t> ids;
    for (int row = 0; row < m_list.Count(); ++row)
        if (!checkedOnly || m_list.GetCheck(row))
            ids.push_back(static_cast<std::uint8_t>(m_list.GetItemData(row)));
    return ids;
}

int CVQExportDlg::OnInitDialog() {
    CVQBaseDlg::OnInitDialog();
    m_info = GetLangText(L"export", L"info");
    std::vector<std::uint8_t> order, checked;
    Settings().ExportCustomCols.LoadSave(false, &order, &checked);
    m_list.SortByOrder(std::vector<LPARAM>(order.begin(), order.end()));
    for (int row = 0; row < m_list.Count(); ++row)
        m_list.SetCheck(row, std::find(checked.begin(), checked.end(),
                                       m_list.GetItemData(row)) != checked.end());
    UpdateControls();

    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const SIZE button = WindowSize(m_ok.m_hwnd);
    const int width = 4 * button.cx + 3 * spacing.innerSpacing.cx;
    const int listHeight = ListRowsHeight(m_list.m_hwnd) + mvtheme_control::GetTextHeight(m_font);
    const int content = std::max<int>(listHeight, 5 * (spacing.innerSpacing.cy + button.cy)) +
                        4 * spacing.innerSpacing.cy + button.cy;
    m_infoHeight = spacing.innerSpacing.cy;
    if (!m_info.empty()) {
        HDC dc = GetDC(m_hwnd);
        const HGDIOBJ oldFont = SelectObject(dc, m_font);
        RECT measured = {0, 0, width, 0};
        DrawTextW(dc, m_info.c_str(), static_cast<int>(m_info.length()), &measured,
                  kInfoFlags | DT_CALCRECT);
        SelectObject(dc, oldFont);
        ReleaseDC(m_hwnd, dc);
        m_infoHeight += measured.bottom;
    }
    SizeClientAndCentre(*this, width + 2 * spacing.outerMargin.cx,
                        m_infoHeight + content + 2 * spacing.outerMargin.cy, true);
    return TRUE;
}

void CVQExportDlg::Layout() {
    if (m_cancel.m_hwnd == nullptr || m_list.m_hwnd == nullptr)
        return;
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    RECT inner = InnerClientRect(m_hwnd);
    inner.top += m_infoHeight;
    const SIZE button = WindowSize(m_ok.m_hwnd);
    const int line = inner.bottom - button.cy;
    MoveChild(m_ok.m_hwnd, inner.right - 2 * button.cx - spacing.innerSpacing.cx, line);
    MoveChild(m_cancel.m_hwnd, inner.right - button.cx, line, button.cx, button.cy);
    const int listRight = inner.right - button.cx - spacing.innerSpacing.cx;
    MoveChild(m_list.m_hwnd, inner.left, inner.top, listRight - inner.left,
              line - 4 * spacing.innerSpacing.cy - inner.top);
    const int x = listRight + spacing.innerSpacing.cx;
    int y = inner.top;
    const HWND column[] = {m_all.m_hwnd, m_visible.m_hwnd, m_up.m_hwnd, m_down.m_hwnd,
                           m_reset.m_hwnd};
    for (HWND hwnd : column) {
        if (hwnd == m_up.m_hwnd)
            y += spacing.innerSpacing.cy; // a wider gap before the moves
        MoveChild(hwnd, x, y, button.cx, button.cy);
        y += button.cy + spacing.innerSpacing.cy;
    }
}

void CVQExportDlg::UpdateControls() {
    const int count = m_list.Count();
    bool anyChecked = false;
    bool anySelected = false;
    for (int row = 0; row < count; ++row) {
        anyChecked = anyChecked || m_list.GetCheck(row);
        anySelected = anySelected || ListView_GetItemState(m_list.m_hwnd, row, LVIS_SELECTED) != 0;
    }
    auto selected = [this](int row) {
        return ListView_GetItemState(m_list.m_hwnd, row, LVIS_SELECTED) != 0;
    };
    const struct {
        HWND button;
        bool enabled;
    } states[] = {{m_ok.m_hwnd, anyChecked},
                  {m_up.m_hwnd, anySelected && !selected(0)},
                  {m_down.m_hwnd, anySelected && !selected(count - 1)}};
    for (const auto& state : states) {
        if (!state.enabled && GetFocus() == state.button)
            SendMessageW(m_hwnd, WM_NEXTDLGCTL, 0, FALSE);
        EnableWindow(state.button, state.enabled);
    }
}

void CVQExportDlg::PaintContent(HDC dc, const RECT*) {
    if (m_info.empty())
        return;
    RECT band = InnerClientRect(m_hwnd);
    band.bottom = band.top + m_infoHeight;
    DrawTextW(dc, m_info.c_str(), static_cast<int>(m_info.length()), &band, kInfoFlags);
}

bool CVQExportDlg::DoExport() {
    const std::vector<std::uint8_t> columns = RowIds(true);
    if (columns.empty())
        return false;
    CVQFileDialogPtr dialog;
    if (!MakeFileDialog(dialog))
        return false;
    VQSettings& settings = Settings();
    dialog->m_saveMode = true;
    dialog->SetDefaultExtension(L"csv");
    dialog->AddFilter(GetLangText(L"global", L"filetype_csv"), L"*.csv");
    dialog->AddFilter(GetLangText(L"global", L"filetype_html"), L"*.html");
    dialog->AddFilter(GetLangText(L"global", L"filetype_all"), L"*.*");
    dialog->m_filterIndex = settings.ExportLastType.Get();
    dialog->SetFileName(MakeSearchTitle(GlobalSearchJob().folder_text, 0));
    if (!dialog->Show(m_hwnd))
        return false;
    const int filter = dialog->m_chosenFilterIndex;
    settings.ExportLastType.Set(static_cast<std::uint8_t>(std::min(std::max(filter, 0), 2)));
    const mvstring path = dialog->m_results.empty() ? mvstring() : dialog->m_results.front();

    const mvstring info = m_info;
    m_info = GetLangText(L"export", L"info_exporting");
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const bool written =
        ExportResults(path, FormatOfFilter(filter), columns, settings.ExportUseStrSize.Get());
    std::vector<std::uint8_t> order = RowIds(false);
    std::vector<std::uint8_t> checked = columns;
    settings.ExportCustomCols.LoadSave(true, &order, &checked);
    if (written)
        return true;
    // The exporter writes beside the target and replaces it only when done,
    // so a file already there is untouched; the user may choose again.
    m_info = info;
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ShowMessageBox(GetLangText(L"export", L"err_write", path.str()).c_str(), MB_OK | MB_ICONERROR);
    return false;
}

LRESULT CVQExportDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (change->hdr.idFrom == kCheckListId && change->hdr.code == LVN_ITEMCHANGED &&
            (change->uChanged & LVIF_STATE) != 0)
            UpdateControls();
    } else if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            if (!DoExport())
                return 0;
            break;
        case kExportMoveUpId:
        case kExportMoveDownId:
            m_list.MoveSelection(LOWORD(wParam) == kExportMoveUpId ? -1 : 1);
            break;
        case kExportResetId:
            m_list.SortByOrder({0, 1, 2, 3, 4, 5, 6, 7, 8});
            break;
        case kExportAllId:
            for (int row = 0; row < m_list.Count(); ++row)
                m_list.SetCheck(row, true);
            break;
        case kExportVisibleId: {
            const ColumnSettings& columns = Settings().Columns;
            for (int row = 0; row < m_list.Count(); ++row) {
                const auto id = static_cast<size_t>(m_list.GetItemData(row));
                m_list.SetCheck(row, id < columns.Records.size() && columns.Records[id].Hidden == 0);
            }
            break;
        }
        default:
            break;
        }
    }
    return CVQBaseDlg::WindowProc(message, wParam, lParam);
}
