#include "hexview/VQHexViewStatusBar.h"

#include "foundation/Language.h"
#include "hexview/VQHexViewPanel.h"
#include "ui/core/NumberText.h"
#include "ui/theme/UiTheme.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <cwchar>

void StatusNumberText::Set(int64_t newValue, bool asHex) {
    if (newValue == value && asHex == hex)
        return;
    value = newValue;
    hex = asHex;
    if (hex) {
        wchar_t digits[24];
        swprintf(digits, 24, L"%llxH", static_cast<unsigned long long>(value));
        text = digits;
    } else {
        text = FormatInt64Grouped(value);
    }
}

CVQHexViewStatusBar::CVQHexViewStatusBar(CVQHexViewPanel* panel)
    : m_numbers(6), m_panel(panel) {}

void CVQHexViewStatusBar::ShowNotice() {
    const wchar_t* key = nullptr;
    switch (m_panel->Notice()) {
    case HexFileNotice::Changed:
        key = L"status_changed";
        break;
    case HexFileNotice::Unreadable:
        key = L"status_unreadable";
        break;
    case HexFileNotice::Deleted:
        key = L"status_deleted";
        break;
    case HexFileNotice::None:
        break;
    }
    SetText(key != nullptr ? GetLangText(L"hexview", key) : mvstring());
}

void CVQHexViewStatusBar::DrawField(HDC dc, RECT* rect, const mvstring& text, COLORREF separator) {
    const int margin = UiTheme::Get().fonts.spacing.outerMargin.cx;
    RECT measure{0, 0, 0, 0};
    if (!text.empty())
        DrawTextW(dc, text.c_str(), -1, &measure,
                  DT_CALCRECT | DT_SINGLELINE | DT_VCENTER | DT_HIDEPREFIX);
    const int width = (measure.right - measure.left) + 2 * margin;
    RECT field{std::max(rect->left, rect->right - width), rect->top, rect->right, rect->bottom};
    DrawTextW(dc, text.c_str(), -1, &field, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
    RECT line{field.left, field.top, field.left + 1, field.bottom};
    const COLORREF old = SetBkColor(dc, separator);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &line, nullptr, 0, nullptr);
    SetBkColor(dc, old);
    rect->right = field.left;
}

void CVQHexViewStatusBar::DrawContent(HDC dc, RECT* rect) {
    if (m_panel == nullptr || !m_panel->HasFile())
        return;
    COLORREF separator = GetSysColor(COLOR_BTNSHADOW);
    if (HTHEME theme = OpenTheme(false)) {
        COLORREF themed = 0;
        if (SUCCEEDED(GetThemeColor(theme, SP_PANE, 0, TMT_EDGEFILLCOLOR, &themed)))
            separator = themed;
    }
    const int64_t size = m_panel->FileSize(), rows = m_panel->m_rows;
    const int64_t perLine = std::max<int64_t>(m_panel->m_perLine, 1);
    const int64_t offset = std::max<int64_t>(m_panel->m_caret, 0);
    const int64_t line = std::max<int64_t>(m_panel->m_caret / perLine, 0) + (rows > 0 ? 1 : 0);
    const int64_t count = m_panel->SelectionExtent();

    m_numbers[0].Set(size, false);
    DrawField(dc, rect, GetLangText(L"hexview", L"status_size", m_numbers[0].text.c_str()),
              separator);
    m_numbers[1].Set(line, false);
    m_numbers[2].Set(rows, false);
    DrawField(dc, rect,
              GetLangText(L"hexview", L"status_line", m_numbers[1].text.c_str(),
                          m_numbers[2].text.c_str()),
              separator);
    m_numbers[3].Set(offset, true);
    m_numbers[4].Set(size, true);
    DrawField(dc, rect,
              GetLangText(L"hexview", L"status_offset", m_numbers[3].text.c_str(),
                          m_numbers[4].text.c_str()),
              separator);
    if (count > 0) {
        m_numbers[5].Set(count, false);
        DrawField(dc, rect, GetLangText(L"hexview", L"status_sel", m_numbers[5].text.c_str()),
                  separator);
    }
    rect->right -= UiTheme::Get().fonts.spacing.outerMargin.cx;
}
