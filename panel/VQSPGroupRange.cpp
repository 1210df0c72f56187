#include "panel/VQSPGroupRange.h"

#include "foundation/DisplayText.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "search/SearchCriteria.h"
#include "ui/core/WindowClasses.h"
#include "ui/theme/UiTheme.h"

#include <algorithm>
#include <vector>

namespace {

constexpr DWORD kComboStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | CBS_HASSTRINGS | CBS_DROPDOWNLIST;
constexpr std::uint64_t kDay = 864'000'000'000ULL;

const LayoutSpacing& Spacing() {
    return UiTheme::Get().fonts.spacing;
}

void CreateCombo(PanelCombo& combo, HWND parent, int id) {
    CreateComboBoxWindow(combo, parent, id, RECT{}, WS_CLIPSIBLINGS | WS_TABSTOP | kComboStyle);
}

// Refills a combo with entries 0..count-1 of an option list, keeping the
// selection index.
void FillCombo(PanelCombo& combo, int list, int count) {
    HWND hwnd = combo.Handle();
    if (hwnd == nullptr)
        return;
    const LRESULT selection = SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
    SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i)
        SendMessageW(hwnd, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(GetSearchPanelOptionList(list, i).c_str()));
    SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

// The rows shared by both groups: two operator rows, the first after the
// small spacing, the second after twice the row gap.
void AddOperatorRows(std::vector<GroupRow>& rows, mvWnd& logic1, mvWnd& value1, mvWnd& logic2,
                     mvWnd& value2) {
    rows.push_back(
        GroupRow{&logic1, static_cast<std::uint16_t>(Spacing().innerSpacing.cy), RowOperator});
    rows.push_back(GroupRow{&value1, 0, 0});
    rows.push_back(GroupRow{&logic2, static_cast<std::uint16_t>(2 * Spacing().gap), RowOperator});
    rows.push_back(GroupRow{&value2, 0, 0});
}

// Enables the rows for the running state and then each value control by its
// operator; true when both operators are none.
bool UpdateRangeRows(CVQSPGroup& group, bool running, const mvWnd& logic1, mvWnd& value1,
                     const mvWnd& logic2, mvWnd& value2) {
    const int op1 = logic1.Handle() != nullptr ? ComboSelection(logic1) : 0;
    const int op2 = logic2.Handle() != nullptr ? ComboSelection(logic2) : 0;
    group.EnableControls(running);
    if (!running) {
        if (value1.Handle() != nullptr)
            EnableWindow(value1.Handle(), op1 > 0);
        if (value2.Handle() != nullptr)
            EnableWindow(value2.Handle(), op2 > 0);
    }
    return op1 == 0 && op2 == 0;
}

SYSTEMTIME DayOne(SYSTEMTIME time, int year, int month) {
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = 1;
    return time;
}

} // namespace

int ComboSelection(const mvWnd& combo) {
    if (combo.Handle() == nullptr)
        return -1;
    return static_cast<int>(SendMessageW(combo.Handle(), CB_GETCURSEL, 0, 0));
}

void SetComboSelection(mvWnd& combo, int index) {
    HWND hwnd = combo.Handle();
    if (hwnd == nullptr)
        return;
    // An index past the list clears the selection; some systems keep the old
    // one instead, so the clearing is asked for by its own name.
    const LRESULT count = SendMessageW(hwnd, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count)
        index = -1;
    SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

CVQPresetButton::~CVQPresetButton() {
    Detach(true);
}

LRESULT CVQPresetButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR)
        if (HCURSOR hand = GetHandCursor()) {
            SetCursor(hand);
            return 1;
        }
    const LRESULT result =
        mvScrollPanel_Ctrl<CVQShortcutButton>::WindowProc(message, wParam, lParam);
    if (message == WM_GETDLGCODE)
        return result & ~LRESULT(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
    return result;
}

// Size

CVQSPGroup_Size::~CVQSPGroup_Size() {
    Detach(true);
}

void CVQSPGroup_Size::CreateControls(HWND parent) {
    CreateCombo(m_unit, parent, 1024);
    CreateButtonWindow(m_preset, parent, 1025, BS_PUSHBUTTON);
    CreateCombo(m_logic1, parent, 1026);
    CreateEditWindow(m_size1, parent, 1027);
    CreateCombo(m_logic2, parent, 1028);
    CreateEditWindow(m_size2, parent, 1029);
    m_rows.clear();
    AddRow(m_unit, Spacing().innerSpacing.cy, RowWithButton);
    AddRow(m_preset, 0, 0);
    AddOperatorRows(m_rows, m_logic1, m_size1, m_logic2, m_size2);
}

void CVQSPGroup_Size::LoadTexts() {
    SetWindowTextW(m_hwnd, GetLangText(L"search_panel", L"filesize").c_str());
    FillCombo(m_unit, 2, 4);
    FillCombo(m_logic1, 5, 6);
    FillCombo(m_logic2, 5, 6);
}

void CVQSPGroup_Size::UpdateState(bool running) {
    SetAtDefaults(UpdateRangeRows(*this, running, m_logic1, m_size1, m_logic2, m_size2));
}

void CVQSPGroup_Size::OnShortcutMenu(int id) {
    if (id == kSizePresetClear) {
        m_size1.SetValue(0);
        m_size2.SetValue(0);
        SetComboSelection(m_logic1, OpNone);
        SetComboSelection(m_logic2, OpNone);
        return;
    }
    std::vector<std::uint64_t> bounds = Settings().SizeGroups.Bounds;
    if (bounds.empty() || id < kSizePresetFirst || id > kSizePresetLast)
        return;
    const size_t n = bounds.size();
    const size_t i = std::min<size_t>(static_cast<size_t>(id - kSizePresetFirst), n + 1);
    std::uint64_t lower = 0, upper = 0;
    if (i == 1) {
        upper = bounds[0];
    } else if (i >= 2 && i <= n) {
        lower = bounds[i - 2];
        upper = bounds[i - 1];
    } else if (i == n + 1) {
        lower = bounds[n - 1];
    }
    // The unit grows while every bound stays a whole number in it, so that a
    // bound such as 1,500,000 bytes is not cut to 1 MB.
    std::uint64_t m = std::min(lower, upper);
    if (m == 0)
        m = std::max(lower, upper);
    int unit = 0;
    while (unit < 3 && m >= 1024 && lower % 1024 == 0 && upper % 1024 == 0) {
        m /= 1024;
        lower /= 1024;
        upper /= 1024;
        ++unit;
    }
    SetComboSelection(m_unit, unit);
    const int op1 = upper != 0 || lower != 0 ? OpGreater : OpEqual;
    const int op2 = upper != 0 ? OpLessEqual : OpNone;
    SetComboSelection(m_logic1, op1);
    SetComboSelection(m_logic2, op2);
    m_size1.SetValue(static_cast<double>(lower));
    m_size2.SetValue(static_cast<double>(upper));
}

// Date

CVQSPGroup_Date::~CVQSPGroup_Date() {
    Detach(true);
}

void CVQSPGroup_Date::CreateControls(HWND parent) {
    CreateCombo(m_part, parent, 1032);
    CreateCombo(m_mode, parent, 1031);
    CreateButtonWindow(m_preset, parent, 1033, BS_PUSHBUTTON);
    CreateCombo(m_logic1, parent, 1034);
    m_date1.CreatePicker(parent, 1035, DTS_SHORTDATECENTURYFORMAT);
    CreateCombo(m_logic2, parent, 1036);
    m_date2.CreatePicker(parent, 1037, DTS_SHORTDATECENTURYFORMAT);
    // A picker is as high as the combo beside it.
    RECT combo{};
    GetWindowRect(m_logic1.Handle(), &combo);
    for (CVQDateTimeCtrl* picker :
         {static_cast<CVQDateTimeCtrl*>(&m_date1), static_cast<CVQDateTimeCtrl*>(&m_date2)}) {
        if (picker->Handle() == nullptr)
            continue;
        SendMessageW(picker->Handle(), WM_SETFONT,
                     reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()), FALSE);
        SetWindowPos(picker->Handle(), nullptr, 0, 0, 100, combo.bottom - combo.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_rows.clear();
    AddRow(m_part, Spacing().innerSpacing.cy, RowPairButton);
    AddRow(m_mode, 0, 0);
    AddRow(m_preset, 0, 0);
    AddOperatorRows(m_rows, m_logic1, m_date1, m_logic2, m_date2);
}

void CVQSPGroup_Date::LoadTexts() {
    SetWindowTextW(m_hwnd, GetLangText(L"search_panel", L"datetime").c_str());
    FillCombo(m_mode, 3, 3);
    FillCombo(m_part, 4, 3);
    FillCombo(m_logic1, 5, 6);
    FillCombo(m_logic2, 5, 6);
}

void CVQSPGroup_Date::UpdateState(bool running) {
    const bool atDefaults = UpdateRangeRows(*this, running, m_logic1, m_date1, m_logic2, m_date2);
    const int part = ComboSelection(m_part);
    m_date1.SetFormat(part, m_useSeconds);
    m_date2.SetFormat(part, m_useSeconds);
    SyncChildren();
    SetAtDefaults(atDefaults);
}

void CVQSPGroup_Date::OnShortcutMenu(int id) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    ApplyPreset(id, now);
}

void CVQSPGroup_Date::ApplyPreset(int id, const SYSTEMTIME& now) {
    if (id == kDatePresetClear) {
        SetComboSelection(m_logic1, OpNone);
        SetComboSelection(m_logic2, OpNone);
        return;
    }
    if (id < kDatePresetFirst || id > kDatePresetLast)
        return;
    const std::uint64_t today = SystemTimeToCounts(now);
    std::uint64_t first = today;
    std::uint64_t second = 0;
    int op1 = OpGreaterEqual, op2 = OpNone;
    switch (id - kDatePresetFirst) {
    case 0: // today
        op1 = OpEqual;
        break;
    case 1: // yesterday
        first = today - kDay;
        op1 = OpEqual;
        break;
    case 2:   // this week
    case 3: { // last week
        SYSTEMTIME shifted = now;
        ShiftDayOfWeek(shifted);
        first = today - (shifted.wDayOfWeek + (id == kDatePresetFirst + 3 ? 7 : 0)) * kDay;
        second = first + 6 * kDay;
        op2 = OpLessEqual;
        break;
    }
    case 4: // this month
        first = SystemTimeToCounts(DayOne(now, now.wYear, now.wMonth));
        second = now.wMonth == 12 ? SystemTimeToCounts(DayOne(now, now.wYear + 1, 1))
                                  : SystemTimeToCounts(DayOne(now, now.wYear, now.wMonth + 1));
        op2 = OpLess;
        break;
    case 5: { // last month
        const int year = now.wMonth == 1 ? now.wYear - 1 : now.wYear;
        const int month = now.wMonth == 1 ? 12 : now.wMonth - 1;
        first = SystemTimeToCounts(DayOne(now, year, month));
        second = SystemTimeToCounts(DayOne(now, now.wYear, now.wMonth));
        op2 = OpLess;
        break;
    }
    default: { // this year, last year
        const int year = id == kDatePresetLast ? now.wYear - 1 : now.wYear;
        first = SystemTimeToCounts(DayOne(now, year, 1));
        SYSTEMTIME last = DayOne(now, year, 12);
        last.wDay = 31;
        second = SystemTimeToCounts(last);
        op2 = OpLessEqual;
        break;
    }
    }
    SetComboSelection(m_part, 0);
    m_date1.SetFileTime(first);
    SetComboSelection(m_logic1, op1);
    if (op2 != OpNone)
        m_date2.SetFileTime(second);
    SetComboSelection(m_logic2, op2);
}
