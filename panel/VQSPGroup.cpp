#include "panel/VQSPGroup.h"

#include "app/shared/VQUiResources.h"
#include "foundation/WordLists.h"
#include "search/SearchJob.h"
#include "ui/core/WindowClasses.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

#include <algorithm>

namespace {

// The widest operator text as a combo; 0 until measured.
int g_operatorWidth = 0;

constexpr int kOperatorCount = 6;
constexpr int kOperatorList = 5;

// Half the panel's horizontal margin: the space between controls of a row.
int RowSpace() {
    return UiTheme::Get().fonts.spacing.innerSpacing.cx / 2;
}

int WindowHeight(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return RectHeight(rect);
}

void Place(HWND hwnd, int x, int y, int cx, int cy) {
    if (hwnd != nullptr)
        SetWindowPos(hwnd, nullptr, x, y, std::max(cx, 0), std::max(cy, 0),
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

bool IsSearchRunning() {
    return GlobalSearchJob().IsRunning();
}

CVQSPGroup::~CVQSPGroup() {
    Detach(true);
}

int CVQSPGroup::OptionListWidth(HWND combo, bool refresh) {
    if (combo == nullptr)
        return 0;
    if (g_operatorWidth != 0 && !refresh)
        return g_operatorWidth;
    std::vector<mvstring> texts;
    for (int i = 0; i < kOperatorCount; ++i)
        texts.push_back(GetSearchPanelOptionList(kOperatorList, i));
    g_operatorWidth = ComboDropWidth(combo, texts);
    return g_operatorWidth;
}

void CVQSPGroup::OnAttached() {
    mvButton_Group::OnAttached();
    HWND parent = GetParent(m_hwnd);
    m_expanded = true;
    CreateControls(parent);
    SyncChildren();
    LoadTexts();
    LayoutRows(parent);
    m_expanded = false;
}

void CVQSPGroup::SyncChildren() {
    m_children.clear();
    for (const GroupRow& row : m_rows)
        m_children.push_back(row.control != nullptr ? row.control->Handle() : nullptr);
}

void CVQSPGroup::LayoutRows(HWND parent) {
    if (m_rows.empty() || m_hwnd == nullptr || parent == nullptr)
        return;
    RECT client{};
    GetClientRect(parent, &client);
    const int margin = UiTheme::Get().fonts.spacing.innerSpacing.cx;
    const int left = client.left + margin;
    const int right = client.right - margin;
    const int space = RowSpace();
    RECT header{};
    GetWindowRect(m_hwnd, &header);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&header), 2);
    int y = header.bottom;
    const HFONT font = m_font != nullptr ? m_font : UiTheme::Get().fonts.normal.Get();
    auto handle = [&](size_t i) {
        return i < m_rows.size() && m_rows[i].control != nullptr ? m_rows[i].control->Handle()
                                                                 : nullptr;
    };
    for (size_t i = 0; i < m_rows.size();) {
        const GroupRow& row = m_rows[i];
        y += row.gap;
        HWND first = handle(i);
        const int h = first != nullptr ? WindowHeight(first) : 0;
        switch (row.kind) {
        case RowWithButton:
            Place(handle(i + 1), right - h, y, h, h);
            Place(first, left, y, right - left - space - h, h);
            i += 2;
            break;
        case RowOperator: {
            const int width = std::min(OptionListWidth(first, false), right - left - space - h);
            Place(first, left, y, width, WindowHeight(first));
            HWND value = handle(i + 1);
            Place(value, left + width + space, y, right - left - space - width,
                  value != nullptr ? WindowHeight(value) : h);
            y += GetTextHeight(font);
            i += 2;
            break;
        }
        case RowPairButton: {
            Place(handle(i + 2), right - h, y, h, h);
            const int half = (right - left - space - h) / 2;
            Place(handle(i + 1), left + half, y, half - space, WindowHeight(handle(i + 1)));
            Place(first, left, y, half - space, h);
            i += 3;
            break;
        }
        default:
            Place(first, left, y, right - left, h);
            ++i;
            break;
        }
        y += h;
    }
}

void CVQSPGroup::ShowRows(bool show) {
    std::vector<HWND> windows;
    for (const GroupRow& row : m_rows)
        windows.push_back(row.control != nullptr ? row.control->Handle() : nullptr);
    for (HWND hwnd : windows)
        if (hwnd != nullptr)
            ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
}

HWND CVQSPGroup::LastControl() const {
    if (m_rows.empty() || m_rows.back().control == nullptr)
        return nullptr;
    return m_rows.back().control->Handle();
}

void CVQSPGroup::EnableControls(bool disable) {
    if (m_rows.empty() || m_rows.front().control == nullptr)
        return;
    HWND first = m_rows.front().control->Handle();
    if (first != nullptr && (IsWindowEnabled(first) == FALSE) == disable)
        return;
    for (const GroupRow& row : m_rows)
        if (row.control != nullptr && row.control->Handle() != nullptr)
            EnableWindow(row.control->Handle(), disable ? FALSE : TRUE);
}

void CVQSPGroup::SetAtDefaults(bool atDefaults) {
    if (m_atDefaults == atDefaults)
        return;
    m_atDefaults = atDefaults;
    Refresh();
}

HFONT CVQSPGroup::CaptionFont() const {
    const UiFonts& fonts = UiTheme::Get().fonts;
    return m_atDefaults ? fonts.normal.Get() : fonts.bold.Get();
}

void CVQSPGroup::AutoSize() {
    if (m_hwnd == nullptr)
        return;
    RECT rect{};
    GetWindowRect(m_hwnd, &rect);
    const HFONT font = m_font != nullptr ? m_font : UiTheme::Get().fonts.normal.Get();
    const int height = GetTextHeight(font) + (IsFlat() ? 6 : 12);
    if (height != RectHeight(rect))
        SetWindowPos(m_hwnd, nullptr, 0, 0, RectWidth(rect), height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVQSPGroup::GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) {
    if (m_inFramedColors) {
        // The framed colours start from the plain button's.
        mvButton::GetColors(item, state);
        return;
    }
    if (IsFlat()) {
        mvButton::GetColors(item, state);
        m_sides = 8; // a line under the caption only
        const bool disabled = state.disabled;
        if (SystemLook()) {
            state.text = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_HOTLIGHT);
            state.back = GetSysColor(COLOR_BTNFACE);
            state.border = GetSysColor(COLOR_BTNSHADOW);
            state.mark = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_3DDKSHADOW);
        } else {
            state.text = ThemeColour(disabled ? ThemeTextGray : ThemeLink);
            state.back = ThemeColour(ThemeBase);
            state.border = ThemeColour(ThemeBorder);
            state.mark = ThemeColour(disabled ? ThemeTextGray : ThemeIcon);
        }
        state.fill = state.border;
        return;
    }
    m_inFramedColors = true;
    GetFramedColors(item, state);
    m_inFramedColors = false;
    // A collapsed group with changed options stands out by its frame.
    if (!m_atDefaults && !m_expanded && !state.hot && !state.pushed) {
        state.border = SystemLook() ? GetSysColor(COLOR_3DDKSHADOW) : ThemeColour(ThemeBorder);
        state.fill = state.border;
    }
}

void CVQSPGroup::Draw(HDC dc, const RECT* rect, LPARAM param) {
    if (dc == nullptr)
        return;
    HGDIOBJ old = SelectObject(dc, CaptionFont());
    mvButton_Group::Draw(dc, rect, param);
    SelectObject(dc, old);
}

void CVQSPGroup::DrawCaptionExtras(HDC dc, RECT& rect, const ButtonPaintState& state) {
    DrawExpandGlyph(dc, rect, state);
    if (IsFlat())
        rect.left = 3;
}

LRESULT CVQSPGroup::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETCURSOR:
        if (IsFlat())
            if (HCURSOR hand = GetHandCursor()) {
                SetCursor(hand);
                return 1;
            }
        break;
    case WM_SETFONT:
        if (HWND parent = GetParent(m_hwnd))
            OptionListWidth(GetDlgItem(parent, 1026), true);
        break;
    default:
        break;
    }
    const LRESULT result = mvScrollPanel_Ctrl<mvButton_Group>::WindowProc(message, wParam, lParam);
    if (message == WM_MOVE || message == WM_SIZE)
        LayoutRows(GetParent(m_hwnd));
    else if (message == WM_GETDLGCODE)
        return result & ~LRESULT(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
    return result;
}
