#include "panel/VQSearchPanel.h"

#include "foundation/History.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "app/shared/VQFileDialog.h"
#include "app/shared/VQUiResources.h"
#include "ui/dialogs/mvMessageBox.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int kBrowseMenuAppend = 10201;

const LayoutSpacing& Spacing() {
    return UiTheme::Get().fonts.spacing;
}

RECT ChildRect(HWND child, HWND parent) {
    RECT rect{};
    if (child == nullptr)
        return rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int Height(HWND hwnd) {
    RECT rect{};
    if (hwnd != nullptr)
        GetWindowRect(hwnd, &rect);
    return RectHeight(rect);
}

mvstring TextOf(HWND hwnd) {
    if (hwnd == nullptr)
        return mvstring();
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return mvstring(text);
}

void SetTextOf(HWND hwnd, const mvstring& text) {
    if (hwnd != nullptr)
        SetWindowTextW(hwnd, text.c_str());
}

// The radio index checked first, or `none`.
int CheckedIndex(const PanelCheckBox (&radios)[5], int none) {
    for (int i = 0; i < 5; ++i)
        if (IsButtonChecked(radios[i]))
            return i;
    return none;
}

void CheckOnly(PanelCheckBox (&radios)[5], int index) {
    for (int i = 0; i < 5; ++i)
        SetButtonChecked(radios[i], i == index);
}

int ThirdOfMonitor(HWND hwnd) {
    MONITORINFO info{sizeof info};
    RECT area{};
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info))
        area = info.rcMonitor;
    else
        GetWindowRect(GetDesktopWindow(), &area);
    return RectHeight(area) / 3;
}

void Enable(const mvWnd& control, bool enable) {
    if (control.Handle() != nullptr)
        EnableWindow(control.Handle(), enable ? TRUE : FALSE);
}

} // namespace

mvstring ComposeFolderText(const mvstring& current, const mvstring& chosen, bool append) {
    mvstring text;
    if (append && !current.empty()) {
        text = current;
        text += L" | ";
    }
    text += chosen;
    return text;
}

// CVQPanelEdit

CVQPanelEdit::~CVQPanelEdit() {
    Detach(true);
}

LRESULT CVQPanelEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDBLCLK && !IsDropDownVisible()) {
        // The Down key drops the suggestions down.
        SendMessageW(m_hwnd, WM_KEYDOWN, VK_DOWN, 1 | (0x50 << 16));
    }
    return mvScrollPanel_Ctrl<mvACEdit>::WindowProc(message, wParam, lParam);
}

// CVQSearchPanel

CVQSearchPanel::CVQSearchPanel() {
    m_browse.m_dialogUnits = {55, 14};
    // Until its window exists the folder list takes many suggestions.
    m_folders.SetLimit(2048);
}

CVQSearchPanel::~CVQSearchPanel() {
    Detach(true);
}

CVQSPGroup* CVQSearchPanel::GroupById(int id) {
    switch (id) {
    case 1005:
        return &m_nameGroup;
    case 1013:
        return &m_wordGroup;
    case 1023:
        return &m_sizeGroup;
    case 1030:
        return &m_dateGroup;
    case 1038:
        return &m_advGroup;
    default:
        return nullptr;
    }
}

void CVQSearchPanel::OnAttached() {
    mvScrollPanel::OnAttached();
    CreateEditWindow(m_names, m_hwnd, 1004);
    m_names.m_heightMode = 1;
    m_names.FitHeight();
    CreateButtonWindow(m_nameGroup, m_hwnd, 1005, BS_LEFT);
    CreateEditWindow(m_words, m_hwnd, 1012);
    m_words.m_heightMode = 1;
    m_words.FitHeight();
    CreateButtonWindow(m_wordGroup, m_hwnd, 1013, BS_LEFT);
    CreateComboBoxExWindow(m_folders, m_hwnd, 1021, RECT{},
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP |
                               CBS_DROPDOWN | CBS_AUTOHSCROLL);
    CreateButtonWindow(m_browse, m_hwnd, 1022, 0);
    CreateButtonWindow(m_sizeGroup, m_hwnd, 1023, BS_LEFT);
    CreateButtonWindow(m_dateGroup, m_hwnd, 1030, BS_LEFT);
    CreateButtonWindow(m_advGroup, m_hwnd, 1038, BS_LEFT);
    LoadBrowseText(false);

    const int capacity = Settings().MaxHistory;
    m_names.SetLimit(capacity);
    m_words.SetLimit(capacity);
    m_folders.SetLimit(std::max(capacity, 1));
    FillHistory();
}

void CVQSearchPanel::FillHistory() {
    m_names.Clear();
    m_words.Clear();
    m_folders.ClearHistory();
    if (Settings().DisableHistory.Get())
        return;
    std::vector<mvstring> names, words, folders;
    LoadHistory(&names, &words, &folders);
    // Oldest first, so that the newest ends up in front.
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        m_names.AddString(*it);
    for (auto it = words.rbegin(); it != words.rend(); ++it)
        m_words.AddString(*it);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        m_folders.AddHistoryPath(*it);
}

void CVQSearchPanel::RememberCriteria(const SearchCriteria& criteria) {
    if (Settings().DisableHistory.Get())
        return;
    if (!criteria.name.empty()) {
        m_names.AddString(criteria.name);
        AddHistory(HistoryNames, criteria.name);
    }
    if (!criteria.word.empty()) {
        m_words.AddString(criteria.word);
        AddHistory(HistoryWords, criteria.word);
    }
    if (!criteria.folders.empty()) {
        m_folders.AddHistoryPath(criteria.folders);
        AddHistory(HistoryFolders, criteria.folders);
    }
}

void CVQSearchPanel::LoadBrowseText(bool groups) {
    SetTextOf(m_browse.Handle(), GetLangText(L"global", L"browse"));
    if (!groups)
        return;
    m_nameGroup.LoadTexts();
    m_wordGroup.LoadTexts();
    m_sizeGroup.LoadTexts();
    m_dateGroup.LoadTexts();
    m_advGroup.LoadTexts();
}

int CVQSearchPanel::LabelHeight() const {
    return GetTextHeight(m_font != nullptr ? m_font : UiTheme::Get().fonts.normal.Get()) + 2;
}

void CVQSearchPanel::Layout() {
    LayoutPass(true);
}

void CVQSearchPanel::LayoutPass(bool mayRepeat) {
    if (m_hwnd == nullptr || m_inLayout)
        return;
    m_inLayout = true;
    const bool hadScrollBar = (GetWindowLongW(m_hwnd, GWL_STYLE) & WS_VSCROLL) != 0;
    RECT work{};
    GetClientRect(m_hwnd, &work);
    if (m_contentHeight > 0) {
        work.top = -m_pos;
        work.bottom = m_contentHeight - m_pos;
    }
    const LayoutSpacing& s = Spacing();
    InflateRect(&work, -s.innerSpacing.cx, -s.innerSpacing.cy);
    const int left = work.left;
    const int width = std::max<int>(RectWidth(work), 0);
    const int label = LabelHeight();
    auto place = [&](HWND hwnd, int x, int y, int cx, int cy) {
        if (hwnd != nullptr)
            SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    auto placeFull = [&](const mvWnd& control, int y) {
        const int h = Height(control.Handle());
        place(control.Handle(), left, y, width, h);
        return h;
    };
    int y = work.top + label;
    y += placeFull(m_names, y) + s.innerSpacing.cy / 2;
    placeFull(m_nameGroup, y);
    y += m_nameGroup.GetContentBottom() + s.innerSpacing.cy + s.innerSpacing.cy / 2 + label;
    y += placeFull(m_words, y) + s.innerSpacing.cy / 2;
    placeFull(m_wordGroup, y);
    y += m_wordGroup.GetContentBottom() + s.innerSpacing.cy + s.innerSpacing.cy / 2 + label;
    if (HWND folders = m_folders.Handle()) {
        // A combo's window height includes its drop-down list: a third of
        // the monitor's height.
        const int closed = Height(folders);
        SetWindowPos(folders, nullptr, left, y, width, std::max(ThirdOfMonitor(m_hwnd), closed),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        y += Height(folders) + 2 * s.gap;
    }
    if (HWND browse = m_browse.Handle()) {
        RECT rect{};
        GetWindowRect(browse, &rect);
        place(browse, left + width - RectWidth(rect), y, RectWidth(rect), RectHeight(rect));
        y += RectHeight(rect) + 2 * s.innerSpacing.cy;
    }
    placeFull(m_sizeGroup, y);
    y += m_sizeGroup.GetContentBottom() + 2 * s.innerSpacing.cy;
    placeFull(m_dateGroup, y);
    y += m_dateGroup.GetContentBottom() + 2 * s.innerSpacing.cy;
    placeFull(m_advGroup, y);

    HWND last = m_advGroup.IsExpanded() && m_advGroup.LastControl() != nullptr
                    ? m_advGroup.LastControl()
                    : m_advGroup.Handle();
    if (last != nullptr) {
        const int content = ChildRect(last, m_hwnd).bottom + s.innerSpacing.cy + m_pos;
        if (content >= 0) {
            m_contentHeight = content;
            UpdateScrollBar();
        }
    }
    if (m_box.Child() == m_hwnd) {
        RECT corner{0, 0, 1, 1};
        InvalidateRect(m_hwnd, &corner, FALSE);
    }
    m_inLayout = false;
    const bool hasScrollBar = (GetWindowLongW(m_hwnd, GWL_STYLE) & WS_VSCROLL) != 0;
    if (hasScrollBar != hadScrollBar && mayRepeat)
        LayoutPass(false); // the client width changed
}

void CVQSearchPanel::UpdateState() {
    UpdateState(IsSearchRunning());
}

void CVQSearchPanel::UpdateState(bool running) {
    for (const mvWnd* input :
         {static_cast<const mvWnd*>(&m_names), static_cast<const mvWnd*>(&m_words),
          static_cast<const mvWnd*>(&m_folders), static_cast<const mvWnd*>(&m_browse)})
        Enable(*input, !running);
    m_nameGroup.UpdateState(running);
    m_wordGroup.UpdateState(running);
    m_sizeGroup.UpdateState(running);
    m_dateGroup.UpdateState(running);
    m_advGroup.UpdateState(running);
}

void CVQSearchPanel::LoadFromCriteria(const SearchCriteria& c) {
    SetTextOf(m_names.Handle(), c.name);
    CheckOnly(m_nameGroup.m_options, c.name_opt);
    SetButtonChecked(m_nameGroup.m_case, c.name_case);
    SetTextOf(m_words.Handle(), c.word);
    CheckOnly(m_wordGroup.m_options, c.word_opt);
    SetButtonChecked(m_wordGroup.m_case, c.word_case);
    SetButtonChecked(m_wordGroup.m_hex, c.word_hex);
    SetTextOf(m_folders.Handle(), c.folders);
    SetComboSelection(m_sizeGroup.m_unit, c.size_mode);
    SetComboSelection(m_sizeGroup.m_logic1, c.size_logic1);
    m_sizeGroup.m_size1.SetValue(c.size1);
    SetComboSelection(m_sizeGroup.m_logic2, c.size_logic2);
    m_sizeGroup.m_size2.SetValue(c.size2);
    CVQSPGroup_Date& date = m_dateGroup;
    date.m_useSeconds = c.date_usesec;
    SetComboSelection(date.m_mode, c.date_mode);
    SetComboSelection(date.m_part, c.date_part);
    SetComboSelection(date.m_logic1, c.date_logic1);
    if (c.date_logic1 != 0) {
        date.m_date1.SetFileTime(c.date1);
        date.m_date1.SetFormat(c.date_part, c.date_usesec);
    }
    SetComboSelection(date.m_logic2, c.date_logic2);
    if (c.date_logic2 != 0) {
        date.m_date2.SetFileTime(c.date2);
        date.m_date2.SetFormat(c.date_part, c.date_usesec);
    }
    for (int i = 0; i < 6; ++i) {
        const unsigned bit = CVQSPGroup_Adv::kBits[i];
        SetButtonChecked(m_advGroup.m_boxes[i],
                         i == CVQSPGroup_Adv::kSubfolderBox ? c.subfolder : (c.attr & bit) != 0);
    }
    UpdateState();
    for (CVQSPGroup* group :
         {static_cast<CVQSPGroup*>(&m_nameGroup), static_cast<CVQSPGroup*>(&m_wordGroup),
          static_cast<CVQSPGroup*>(&m_sizeGroup), static_cast<CVQSPGroup*>(&m_dateGroup),
          static_cast<CVQSPGroup*>(&m_advGroup)})
        if (group->Handle() != nullptr)
            group->SetExpanded(!group->m_atDefaults);
    if (m_hwnd != nullptr)
        RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CVQSearchPanel::SaveToCriteria(SearchCriteria& c) const {
    c.folders = m_folders.Handle() != nullptr ? m_folders.GetEditText() : mvstring();
    c.name = TextOf(m_names.Handle());
    c.name_opt = CheckedIndex(m_nameGroup.m_options, NameAllPatterns);
    c.name_case = IsButtonChecked(m_nameGroup.m_case);
    c.word = TextOf(m_words.Handle());
    c.word_opt = CheckedIndex(m_wordGroup.m_options, WordAny);
    c.word_case = IsButtonChecked(m_wordGroup.m_case);
    c.word_hex = IsButtonChecked(m_wordGroup.m_hex);
    c.size_mode = ComboSelection(m_sizeGroup.m_unit);
    c.size_logic1 = ComboSelection(m_sizeGroup.m_logic1);
    c.size1 = m_sizeGroup.m_size1.GetValue();
    c.size_logic2 = ComboSelection(m_sizeGroup.m_logic2);
    c.size2 = m_sizeGroup.m_size2.GetValue();
    const CVQSPGroup_Date& date = m_dateGroup;
    c.date_usesec = date.m_useSeconds;
    c.date_mode = ComboSelection(date.m_mode);
    c.date_part = ComboSelection(date.m_part);
    c.date_logic1 = ComboSelection(date.m_logic1);
    if (c.date_logic1 != 0)
        c.date1 = date.m_date1.GetFileTime(c.date_usesec);
    c.date_logic2 = ComboSelection(date.m_logic2);
    if (c.date_logic2 != 0)
        c.date2 = date.m_date2.GetFileTime(c.date_usesec);
    c.attr = 0;
    for (int i = 0; i < 6; ++i) {
        if (i == CVQSPGroup_Adv::kSubfolderBox)
            c.subfolder = IsButtonChecked(m_advGroup.m_boxes[i]);
        else if (IsButtonChecked(m_advGroup.m_boxes[i]))
            c.attr |= CVQSPGroup_Adv::kBits[i];
    }
}

bool CVQSearchPanel::CheckInput(InputProblem& problem) const {
    problem = InputProblem{};
    const CVQSPGroup_Size& size = m_sizeGroup;
    const struct {
        const PanelCombo& logic;
        const PanelSizeEdit& edit;
    } values[] = {{size.m_logic1, size.m_size1}, {size.m_logic2, size.m_size2}};
    for (const auto& value : values) {
        if (ComboSelection(value.logic) > 0 && !value.edit.HasValidText()) {
            problem = {GetDlgCtrlID(value.edit.Handle()), BadSizeMessage()};
            return false;
        }
    }
    SearchCriteria criteria;
    SaveToCriteria(criteria);
    return CheckSearchInput(criteria, problem);
}

bool CVQSearchPanel::ValidateInput() {
    InputProblem problem;
    if (CheckInput(problem))
        return true;
    HWND control = problem.controlId != 0 ? GetDlgItem(m_hwnd, problem.controlId) : nullptr;
    if (control != nullptr) {
        ScrollIntoView(control);
        SetFocus(control);
    }
    ShowMessageBox(problem.message.c_str(), MB_OK | MB_ICONWARNING);
    if (control != nullptr)
        SetFocus(control);
    return false;
}

void CVQSearchPanel::ApplyBrowsedFolder(const mvstring& chosen, bool append) {
    const mvstring current = m_folders.Handle() != nullptr ? m_folders.GetEditText() : mvstring();
    SetTextOf(m_folders.Handle(), ComposeFolderText(current, chosen, append));
}

void CVQSearchPanel::ScrollGroupIntoView(CVQSPGroup& group) {
    if (group.Handle() == nullptr)
        return;
    const RECT header = ChildRect(group.Handle(), m_hwnd);
    HWND last = group.LastControl();
    const int bottom = (last != nullptr ? ChildRect(last, m_hwnd).bottom : header.bottom) + 2;
    RECT view{};
    GetClientRect(m_hwnd, &view);
    if (header.top >= view.top && bottom <= view.bottom)
        return;
    const int height = bottom - header.top;
    ScrollTo(m_pos + bottom - std::max<int>(height, RectHeight(view)));
}

void CVQSearchPanel::OnGroupToggled(CVQSPGroup& group) {
    BufferedPaintStopAllAnimationsDyn(m_hwnd);
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    HWND host = m_box.Child() == m_hwnd && m_box.Handle() != nullptr ? GetParent(m_box.Handle())
                                                                     : GetParent(m_hwnd);
    if (host != nullptr)
        SendMessageW(host, WM_SIZE, 0, 0);
    if (group.IsExpanded())
        ScrollGroupIntoView(group);
}

void CVQSearchPanel::TrackBelow(mvMenu& menu, HWND button, int fromRight) {
    if (button == nullptr)
        return;
    RECT rect{};
    GetWindowRect(button, &rect);
    menu.TrackPopup(fromRight > 0 ? rect.right - fromRight : rect.left, rect.bottom, m_hwnd);
}

LRESULT CVQSearchPanel::ChildProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COMMAND)
        return mvScrollPanel::ChildProc(message, wParam, lParam);
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (CVQSPGroup* group = GroupById(id)) {
        OnGroupToggled(*group);
    } else if (id >= 1006 && id <= 1011) {
        m_nameGroup.UpdateState(IsSearchRunning());
    } else if (id >= 1014 && id <= 1020) {
        m_wordGroup.UpdateState(IsSearchRunning());
    } else if (id >= 1039 && id <= 1044) {
        m_advGroup.UpdateState(IsSearchRunning());
    } else if ((id == 1026 || id == 1028) && code == CBN_SELCHANGE) {
        m_sizeGroup.UpdateState(IsSearchRunning());
    } else if ((id == 1032 || id == 1034 || id == 1036) && code == CBN_SELCHANGE) {
        m_dateGroup.UpdateState(IsSearchRunning());
    } else if ((id >= kSizePresetFirst && id <= kSizePresetLast) || id == kSizePresetClear) {
        m_sizeGroup.OnShortcutMenu(id);
        m_sizeGroup.UpdateState(IsSearchRunning());
        return 0;
    } else if ((id >= kDatePresetFirst && id <= kDatePresetLast) || id == kDatePresetClear) {
        m_dateGroup.OnShortcutMenu(id);
        m_dateGroup.UpdateState(IsSearchRunning());
        return 0;
    } else if (id == kUseSecondsCommand) {
        m_dateGroup.m_useSeconds = !m_dateGroup.m_useSeconds;
        m_dateGroup.UpdateState(IsSearchRunning());
    } else if (id == 1025) {
        TrackBelow(UiResources().QuickSizeMenu(), m_sizeGroup.m_preset.Handle(), 0);
    } else if (id == 1033) {
        UiResources().QuickDateMenu().CheckItem(kUseSecondsCommand, m_dateGroup.m_useSeconds,
                                                false);
        TrackBelow(UiResources().QuickDateMenu(), m_dateGroup.m_preset.Handle(), 0);
    } else if (id == 1022 && m_browse.HitArrow()) {
        TrackBelow(UiResources().BrowseMenu(), m_browse.Handle(), RectWidth(m_browse.ArrowRect()));
    } else if (id == 1022 || id == kBrowseMenuAppend) {
        CVQFileDialogPtr dialog;
        if (MakeFileDialog(dialog)) {
            dialog->m_folderMode = true;
            if (dialog->Show(m_hwnd))
                ApplyBrowsedFolder(dialog->m_results.empty() ? mvstring()
                                                             : dialog->m_results.front(),
                                   id == kBrowseMenuAppend);
        }
    }
    return mvScrollPanel::ChildProc(message, wParam, lParam);
}

void CVQSearchPanel::Draw(HDC dc, const RECT* rect, LPARAM param) {
    if (dc == nullptr || rect == nullptr)
        return;
    mvScrollPanel::Draw(dc, rect, param);
    SetTextColor(dc, SystemLook() ? GetSysColor(COLOR_BTNTEXT) : ThemeColour(ThemeText));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, m_font != nullptr ? m_font : UiTheme::Get().fonts.normal.Get());
    RECT work{};
    GetClientRect(m_hwnd, &work);
    InflateRect(&work, -Spacing().innerSpacing.cx, -Spacing().innerSpacing.cy);
    const int label = LabelHeight();
    auto caption = [&](HWND control, const wchar_t* key, int indent) {
        if (control == nullptr || !IsWindowVisible(control))
            return;
        const int top = ChildRect(control, m_hwnd).top;
        RECT text{work.left + indent, top - label, work.right, top};
        const mvstring value = GetLangText(L"search_panel", key);
        DrawTextW(dc, value.c_str(), -1, &text, DT_SINGLELINE | DT_LEFT | DT_END_ELLIPSIS);
    };
    caption(m_names.Handle(), L"filenames", 0);
    caption(m_words.Handle(), L"words", 0);
    caption(m_folders.Handle(), L"folders", 0);
    if (m_sizeGroup.IsExpanded())
        caption(m_sizeGroup.m_logic2.Handle(), L"logic_and", 2);
    if (m_dateGroup.IsExpanded())
        caption(m_dateGroup.m_logic2.Handle(), L"logic_and", 2);
    SelectObject(dc, old);
}
