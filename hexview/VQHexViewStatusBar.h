// The hex viewer's status bar: at its right end, from right to left, the
// file size, the caret's line of all lines, the caret's offset of the size
// in hex, and the selected byte count when there is a selection; at its left
// what the panel has to tell about the file (changed, unreadable, deleted).
#pragma once

#include "foundation/mvstring.h"
#include "ui/controls/mvStatusBar.h"

#include <cstdint>
#include <vector>

class CVQHexViewPanel;

// A number and its text, formatted again only when the number changes: in
// hex ("1f40H") or grouped by the locale ("1,048,576").
struct StatusNumberText {
    bool hex = false;
    int64_t value = 0;
    mvstring text = L"0";

    void Set(int64_t newValue, bool asHex);
};

class CVQHexViewStatusBar : public mvStatusBar {
public:
    explicit CVQHexViewStatusBar(CVQHexViewPanel* panel);

    void DrawContent(HDC dc, RECT* textRect) override;
    // The panel's notice as the bar's main text.
    void ShowNotice();

    // 0 size, 1 line, 2 rows, 3 offset (hex), 4 size (hex), 5 selected count.
    std::vector<StatusNumberText> m_numbers;
    CVQHexViewPanel* m_panel;

private:
    // Draws the text as the next field from the right; narrows the rectangle.
    void DrawField(HDC dc, RECT* rect, const mvstring& text, COLORREF separator);
};
