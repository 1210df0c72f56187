#include "hexview/VQHexViewDialogs.h"

#include "foundation/ConfigFiles.h"
#include "foundation/History.h"
#include "foundation/Language.h"
#include "foundation/Numbers.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"
#include "ui/dialogs/mvMessageBox.h"
#include "ui/theme/UiTheme.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP;
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr int kEditId = 1012;
constexpr int kMatchCaseId = 1019;
constexpr int kHexId = 1020;

const LayoutSpacing& Spacing() {
    return UiTheme::Get().fonts.spacing;
}

// The menu caption as a title: no mnemonic marks, nothing after a tab.
mvstring TitleText(const wchar_t* key) {
    return GetLangText(L"hexview", key).StripMenuText(false, 0, 0);
}

SIZE WindowSize(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// Sizes the dialog to a client area of content plus the margins, then
// centres it over its owner.
void SizeToContent(mvDialog& dialog, int width, int height) {
    const LayoutSpacing& s = Spacing();
    RECT window{0, 0, width + 2 * s.outerMargin.cx, height + 2 * s.outerMargin.cy};
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongW(dialog.Handle(), GWL_STYLE)),
                       FALSE, static_cast<DWORD>(GetWindowLongW(dialog.Handle(), GWL_EXSTYLE)));
    SetWindowPos(dialog.Handle(), nullptr, 0, 0, window.right - window.left,
                 window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    dialog.CenterWindow();
}

void Place(HWND hwnd, int x, int y, int cx, int cy) {
    SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The client area less the dialog margins.
RECT ContentRect(HWND hwnd) {
    const LayoutSpacing& s = Spacing();
    RECT r{};
    GetClientRect(hwnd, &r);
    InflateRect(&r, -s.outerMargin.cx, -s.outerMargin.cy);
    return r;
}

// Puts the focus back into the edit after a refused value.
void RefocusEdit(HWND dialog, HWND edit) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
}

bool HistoryOn() {
    return !Settings().DisableHistory.Get();
}

} // namespace

// --- jump to / bytes per line --------------------------------------------

CVQHexviewJumptoDlg::CVQHexviewJumptoDlg() {
    InitTemplate(190, 60, true, 3);
    AppendTemplateItem(kChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 7, 21, 176, 12, kEditId,
                       kEditClass);
    AppendTemplateItem(kChild, 0, 79, 39, 50, 14, IDOK, kButtonClass);
    AppendTemplateItem(kChild, 0, 133, 39, 50, 14, IDCANCEL, kButtonClass);
}

CVQHexviewJumptoDlg* MakeHexviewJumptoDlg(std::unique_ptr<CVQHexviewJumptoDlg>& slot) {
    slot = std::make_unique<CVQHexviewJumptoDlg>();
    return slot.get();
}

void CVQHexviewJumptoDlg::OnPreInitDialog() {
    m_edit.SubclassDlgItem(m_hwnd, kEditId);
    m_ok.SubclassDlgItem(m_hwnd, IDOK);
    m_cancel.SubclassDlgItem(m_hwnd, IDCANCEL);
}

void CVQHexviewJumptoDlg::SetTexts() {
    SetWindowTextW(m_hwnd, TitleText(m_columnWidth ? L"setcolwidth" : L"jumpto").c_str());
    SetWindowTextW(m_ok.Handle(), GetLangText(L"global", L"ok").c_str());
    SetWindowTextW(m_cancel.Handle(), GetLangText(L"global", L"Cancel").c_str());
}

RECT CVQHexviewJumptoDlg::InfoRect() const {
    RECT r = ContentRect(m_hwnd);
    RECT edit{};
    GetWindowRect(m_edit.Handle(), &edit);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&edit), 2);
    r.bottom = edit.top;
    return r;
}

int CVQHexviewJumptoDlg::OnInitDialog() {
    CVQBaseDlg::OnInitDialog();
    m_info = GetLangText(L"hexview", m_columnWidth ? L"info_setcolwidth" : L"info_jumpto");
    if (m_value != 0) {
        wchar_t text[32];
        swprintf(text, 32, L"%" PRId64, static_cast<int64_t>(m_value));
        SetWindowTextW(m_edit.Handle(), text);
    }
    const SIZE button = WindowSize(m_ok.Handle()), edit = WindowSize(m_edit.Handle());
    const int width = button.cx * 36 / 10;
    RECT measure{0, 0, width, 768};
    HDC dc = GetDC(m_hwnd);
    HGDIOBJ old = SelectObject(dc, Font());
    DrawTextW(dc, m_info.c_str(), -1, &measure,
              DT_EDITCONTROL | DT_NOPREFIX | DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(m_hwnd, dc);
    const int height = (measure.bottom - measure.top) + button.cy + 13 + edit.cy + 6;
    SizeToContent(*this, width, height);
    UpdateControls();
    return TRUE;
}

void CVQHexviewJumptoDlg::Layout() {
    if (m_ok.Handle() == nullptr)
        return;
    const RECT r = ContentRect(m_hwnd);
    const SIZE button = WindowSize(m_ok.Handle()), edit = WindowSize(m_edit.Handle());
    const int buttonTop = r.bottom - button.cy;
    Place(m_cancel.Handle(), r.right - button.cx, buttonTop, button.cx, button.cy);
    Place(m_ok.Handle(), r.right - 2 * button.cx - Spacing().innerSpacing.cx, buttonTop, button.cx,
          button.cy);
    Place(m_edit.Handle(), r.left, buttonTop - 13 - edit.cy, r.right - r.left, edit.cy);
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

void CVQHexviewJumptoDlg::PaintContent(HDC dc, const RECT*) {
    RECT r = InfoRect();
    HGDIOBJ old = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SystemLook() ? GetSysColor(COLOR_BTNTEXT) : ThemeColour(ThemeText));
    DrawTextW(dc, m_info.c_str(), -1, &r, DT_EDITCONTROL | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(dc, old);
}

void CVQHexviewJumptoDlg::UpdateControls() {
    EnableWindow(m_ok.Handle(), GetWindowTextLengthW(m_edit.Handle()) > 0);
}

bool CVQHexviewJumptoDlg::Accept() {
    uint64_t value = 0;
    const wchar_t* error = nullptr;
    if (!ParseUInt64(GetWindowTextString(m_edit.Handle()).c_str(), value))
        error = L"err_invalidint";
    else if (m_columnWidth && (value < 1 || value > 64))
        error = L"err_invalidcolwidth";
    if (error != nullptr) {
        ShowMessageBox(GetLangText(L"hexview", error).c_str(), MB_ICONERROR);
        RefocusEdit(m_hwnd, m_edit.Handle());
        return false;
    }
    m_value = value;
    return true;
}

LRESULT CVQHexviewJumptoDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        if (LOWORD(wParam) == IDOK && !Accept())
            return 0;
        if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_CHANGE)
            UpdateControls();
    }
    return CVQBaseDlg::WindowProc(message, wParam, lParam);
}

bool AskHexviewNumber(HWND owner, bool columnWidth, uint64_t& value) {
    std::unique_ptr<CVQHexviewJumptoDlg> dialog;
    MakeHexviewJumptoDlg(dialog);
    dialog->m_columnWidth = columnWidth;
    dialog->m_value = columnWidth ? value : 0;
    if (dialog->DoModal(owner) != IDOK)
        return false;
    value = dialog->m_value;
    return true;
}

// --- find ------------------------------------------------------------------

CVQHexviewFindDlg::CVQHexviewFindDlg() {
    InitTemplate(248, 60, true, 6);
    AppendTemplateItem(kChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 7, 11, 176, 12, kEditId,
                       kEditClass);
    AppendTemplateItem(kChild | BS_AUTOCHECKBOX, 0, 7, 27, 86, 10, kMatchCaseId, kButtonClass);
    AppendTemplateItem(kChild | BS_AUTOCHECKBOX, 0, 97, 27, 86, 10, kHexId, kButtonClass);
    AppendTemplateItem(kChild, 0, 191, 7, 50, 14, IDOK, kButtonClass);
    AppendTemplateItem(kChild, 0, 191, 25, 50, 14, IDCANCEL, kButtonClass);
    AppendTemplateItem(kChild | BS_CENTER | BS_BOTTOM, 0, 7, 39, 50, 14, kClearHistoryId,
                       kButtonClass);
}

void CVQHexviewFindDlg::OnPreInitDialog() {
    m_edit.SubclassDlgItem(m_hwnd, kEditId);
    m_matchCaseBox.SubclassDlgItem(m_hwnd, kMatchCaseId);
    m_hexBox.SubclassDlgItem(m_hwnd, kHexId);
    m_findNext.SubclassDlgItem(m_hwnd, IDOK);
    m_cancel.SubclassDlgItem(m_hwnd, IDCANCEL);
    m_clearHistory.SubclassDlgItem(m_hwnd, kClearHistoryId);
}

void CVQHexviewFindDlg::SetTexts() {
    SetWindowTextW(m_hwnd, TitleText(L"find").c_str());
    SetWindowTextW(m_matchCaseBox.Handle(), GetLangText(L"hexview", L"findcase").c_str());
    SetWindowTextW(m_hexBox.Handle(), GetLangText(L"hexview", L"findhex").c_str());
    SetWindowTextW(m_findNext.Handle(),
                   GetLangText(L"hexview", L"findnext").StripMenuText(true, 255, 0).c_str());
    SetWindowTextW(m_cancel.Handle(), GetLangText(L"global", L"Cancel").c_str());
    SetWindowTextW(m_clearHistory.Handle(),
                   GetLangText(L"hexview", L"find_clearhistory").c_str());
    m_clearHistory.AutoSize();
}

int CVQHexviewFindDlg::OnInitDialog() {
    CVQBaseDlg::OnInitDialog();
    const SIZE button = WindowSize(m_findNext.Handle());
    const int height = GetTextHeight(Font()) + 12 + 2 * button.cy;
    SizeToContent(*this, 4 * height, height);
    m_edit.SetLimit(Settings().MaxHistory);
    if (HistoryOn()) {
        mvini history(L"global");
        std::vector<mvstring> values;
        if (LoadNamedIni(history, false, kHistoryIni) &&
            GetIniSectionValues(history, L"Hexview_Words", values))
            for (const mvstring& value : values)
                m_edit.AddString(value);
    }
    if (!m_text.empty())
        SetWindowTextW(m_edit.Handle(), m_text.c_str());
    SendMessageW(m_matchCaseBox.Handle(), BM_SETCHECK, m_matchCase ? BST_CHECKED : BST_UNCHECKED,
                 0);
    SendMessageW(m_hexBox.Handle(), BM_SETCHECK, m_hex ? BST_CHECKED : BST_UNCHECKED, 0);
    UpdateControls();
    return TRUE;
}

void CVQHexviewFindDlg::Layout() {
    if (m_findNext.Handle() == nullptr)
        return;
    const RECT r = ContentRect(m_hwnd);
    const SIZE button = WindowSize(m_findNext.Handle()), edit = WindowSize(m_edit.Handle());
    const SIZE box = WindowSize(m_matchCaseBox.Handle());
    Place(m_findNext.Handle(), r.right - button.cx, r.top, button.cx, button.cy);
    Place(m_cancel.Handle(), r.right - button.cx, r.top + button.cy + 8, button.cx, button.cy);
    const int editWidth = r.right - button.cx - 14 - r.left;
    Place(m_edit.Handle(), r.left, r.top + 6, editWidth, edit.cy);
    const int boxTop = r.top + 6 + edit.cy + 8, half = editWidth / 2;
    Place(m_matchCaseBox.Handle(), r.left + 3, boxTop, half - 7, box.cy);
    Place(m_hexBox.Handle(), r.left + half + 7, boxTop, half - 7, box.cy);
    const SIZE link = WindowSize(m_clearHistory.Handle());
    Place(m_clearHistory.Handle(), r.left, r.bottom - link.cy, link.cx, link.cy);
}

void CVQHexviewFindDlg::UpdateControls() {
    EnableWindow(m_findNext.Handle(), GetWindowTextLengthW(m_edit.Handle()) > 0);
    const bool hex = SendMessageW(m_hexBox.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    EnableWindow(m_matchCaseBox.Handle(), !hex);
}

bool CVQHexviewFindDlg::Accept() {
    const mvstring text = GetWindowTextString(m_edit.Handle());
    if (text.empty())
        return false;
    const bool hex = SendMessageW(m_hexBox.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    std::vector<unsigned char> bytes;
    if (hex && !ParseHexBytes(text.c_str(), bytes)) {
        ShowMessageBox(GetLangText(L"hexview", L"err_invalidhex").c_str(), MB_ICONERROR);
        RefocusEdit(m_hwnd, m_edit.Handle());
        return false;
    }
    m_text = text;
    m_hex = hex;
    m_matchCase = SendMessageW(m_matchCaseBox.Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (HistoryOn()) {
        m_edit.AddString(text);
        AddHistory(HistoryHexviewWords, text);
    }
    return true;
}

LRESULT CVQHexviewFindDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        const WORD id = LOWORD(wParam);
        if (id == IDOK && !Accept())
            return 0;
        if ((id == kEditId && HIWORD(wParam) == EN_CHANGE) || id == kHexId)
            UpdateControls();
        if (id == kClearHistoryId && HIWORD(wParam) == BN_CLICKED &&
            ShowMessageBox(GetLangText(L"hexview", L"ask_clearhistory").c_str(),
                           MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
            ClearHistory(HistoryHexviewWords);
            m_edit.Clear();
        }
    }
    return CVQBaseDlg::WindowProc(message, wParam, lParam);
}

bool AskHexviewFind(HWND owner, mvstring& text, bool& matchCase, bool& hex) {
    auto dialog = std::make_unique<CVQHexviewFindDlg>();
    dialog->m_text = text;
    dialog->m_matchCase = matchCase;
    dialog->m_hex = hex;
    if (dialog->DoModal(owner) != IDOK)
        return false;
    text = dialog->m_text;
    matchCase = dialog->m_matchCase;
    hex = dialog->m_hex;
    return true;
}
