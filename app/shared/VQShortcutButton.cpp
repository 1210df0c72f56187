#include "app/shared/VQShortcutButton.h"

#include "app/shared/VQUiResources.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

void CVQShortcutButton::Draw(HDC dc, const RECT* rect, LPARAM param) {
    if (rect == nullptr)
        return;
    const bool focusCue =
        param != 0 && reinterpret_cast<const ButtonPaintState*>(param)->focusRect;
    DrawFace(dc, *rect, focusCue);
}

bool CVQShortcutButton::DrawFace(HDC dc, const RECT& rect, bool focusCue) {
    if (dc == nullptr)
        return false;
    const bool system = SystemLook();
    FillSolidRect(dc, rect, system ? GetSysColor(COLOR_BTNFACE) : ThemeColour(ThemeBase));
    if (focusCue) {
        RECT inner = rect;
        InflateRect(&inner, -1, -1);
        DrawFocusDots(dc, &inner, system ? GetSysColor(COLOR_BTNTEXT) : ThemeColour(ThemeText));
    }
    mvimage& strip = UiResources().SmallIcons();
    const int cell = strip.Height();
    if (!strip.IsLoaded() || cell <= 0)
        return false;
    const RECT source = {kIconIndex * cell, 0, (kIconIndex + 1) * cell, cell};
    const int left = rect.left + (rect.right - rect.left - cell) / 2;
    const int top = rect.top + (rect.bottom - rect.top - cell) / 2;
    const RECT target = {left, top, left + cell, top + cell};
    return strip.DrawRect(dc, &target, &source);
}
