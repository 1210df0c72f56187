// The process-wide current theme: its colours and brushes, the UI fonts with
// the layout spacing derived from them, the stock icons and the theme list.
// Built before the entry point; UI thread only.
#pragma once

#include "ui/theme/ColorTheme.h"
#include "ui/theme/GdiHolders.h"
#include "ui/theme/StockIcons.h"

#include <windows.h>

// Margins and spacing of the library's dialogs, in pixels of the UI font.
struct LayoutSpacing {
    SIZE outerMargin{12, 13}; // 7 x 7 dialog units
    SIZE halfMargin{6, 6};    // half the outer margin
    int gap = 2;              // between closely related controls
    SIZE innerSpacing{7, 8};  // 4 x 4 dialog units
};

class UiFonts {
public:
    // Normal font from the LOGFONT, bold (weight 700), and large (height
    // times the scale, which is at least 1); then the spacing for the normal
    // font. When the normal font changed, the tooltip and the main window
    // get WM_SETFONT with it and the owner-drawn menus are refreshed.
    void Create(const LOGFONTW& font, double scale);

    mvfont normal;
    mvfont bold;
    mvfont large;
    LayoutSpacing spacing;
};

// Called when the theme or the UI font changes, for the owner-drawn menus
// that follow them.
using UiThemeHook = void (*)();

class UiTheme {
public:
    // The one record, built at the first call (UI thread); its address marks
    // WM_SYSCOLORCHANGE as a theme change.
    static UiTheme& Get();
    // The same record without building it, for the hooks set as the program
    // loads.
    static UiTheme& Record();

    // Applies theme `index` of the list (-1: the default, see the source).
    // False, changing nothing, outside the list.
    bool Apply(int index);
    // The theme's colour of the slot.
    COLORREF Color(ThemeColor slot) const { return current.colors[slot]; }
    // True when the message is the theme change this record posted.
    bool IsThemeChange(UINT message, LPARAM lParam) const {
        return message == WM_SYSCOLORCHANGE && lParam == reinterpret_cast<LPARAM>(this);
    }

    ThemeEntry current;
    GdiHandle<HBRUSH> baseBrush;
    GdiHandle<HBRUSH> editBrush;
    GdiHandle<HBRUSH> borderBrush;
    UiFonts fonts;
    mvsysicon icons;
    ThemeList themes;
    // True while "System Default" is applied: controls draw natively.
    bool SystemLookFlag = false;

    UiThemeHook onThemeApplied = nullptr; // menus re-apply their look
    UiThemeHook onFontChanged = nullptr;  // menus re-measure

private:
    UiTheme() = default;
};

// Shorthands of the painting code: the system look is on, and the current
// theme's colour of a slot.
inline bool SystemLook() {
    return UiTheme::Get().SystemLookFlag;
}
inline COLORREF ThemeColour(ThemeColor slot) {
    return UiTheme::Get().Color(slot);
}

// True when the user's apps use the dark mode: the current user's
// "AppsUseLightTheme" is a 4-byte REG_DWORD of 0.
bool IsSystemDarkTheme();

// Builds the record, which UiTheme::Get does at its first call: the built-in
// themes with "System Default", applied as the default, and the UI fonts from
// the system's menu font ("Segoe UI" 9 pt when it cannot be had).
void InitUiGlobals();
