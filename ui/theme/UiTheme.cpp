#include "ui/theme/UiTheme.h"

#include "foundation/Registry.h"
#include "ui/core/Measure.h"
#include "ui/core/ToolTipWindow.h"
#include "ui/core/mvApp.h"
#include "ui/core/mvWnd.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace {

// Raised while the record is built at its first use: a window that exists by
// then was made in the record's first state, which is no change to tell it of.
bool g_buildingRecord = false;

// The main window, to be told of a change of fonts or colours; none while the
// record is built.
HWND MainWindowHandle() {
    const mvWnd* main = g_buildingRecord ? nullptr : mvApp::MainWindow();
    return main != nullptr ? main->Handle() : nullptr;
}

SIZE SizeOf(std::uint64_t packed) {
    return {PackedX(packed), PackedY(packed)};
}

// The system's menu font, else "Segoe UI" 9 pt at the screen's resolution.
LOGFONTW UiLogFont() {
    // The size before the padded border width was added to the structure.
    constexpr UINT kMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = kMetricsSize;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0))
        return metrics.lfMenuFont;
    LOGFONTW font{};
    wcscpy(font.lfFaceName, L"Segoe UI");
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    int dpi = 96;
    if (const ScreenDC screen(GetDC(nullptr)); screen)
        dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    font.lfHeight = -MulDiv(9, dpi, 72);
    if (font.lfHeight == 0)
        font.lfHeight = -12;
    return font;
}

} // namespace

void UiFonts::Create(const LOGFONTW& font, double scale) {
    const HFONT oldNormal = normal.Get();
    normal.Assign(CreateFontIndirectW(&font));
    LOGFONTW variant = font;
    variant.lfWeight = FW_BOLD;
    bold.Assign(CreateFontIndirectW(&variant));
    variant = font;
    variant.lfHeight = static_cast<LONG>(std::lround(font.lfHeight * std::max(scale, 1.0)));
    large.Assign(CreateFontIndirectW(&variant));

    spacing.outerMargin = SizeOf(DialogUnitsToPixels(PackXY(7, 7), normal.Get()));
    spacing.innerSpacing = SizeOf(DialogUnitsToPixels(PackXY(4, 4), normal.Get()));
    spacing.halfMargin = {spacing.outerMargin.cx / 2, spacing.outerMargin.cy / 2};

    if (normal.Get() == oldNormal)
        return;
    const WPARAM handle = reinterpret_cast<WPARAM>(normal.Get());
    if (const HWND tooltip = ProgramToolTipWindow())
        SendMessageW(tooltip, WM_SETFONT, handle, FALSE);
    if (const HWND main = MainWindowHandle())
        SendMessageW(main, WM_SETFONT, handle, TRUE);
    if (const UiThemeHook refresh = UiTheme::Get().onFontChanged)
        refresh();
}

UiTheme& UiTheme::Record() {
    static UiTheme theme;
    return theme;
}

UiTheme& UiTheme::Get() {
    UiTheme& theme = Record();
    // Built at the first use, not as the program loads: a run without windows
    // never measures fonts on the display. The flag is raised first because
    // building the record asks for it again.
    static bool built = false;
    if (!built) {
        built = true;
        g_buildingRecord = true;
        InitUiGlobals();
        g_buildingRecord = false;
    }
    return theme;
}

bool UiTheme::Apply(int index) {
    const int count = static_cast<int>(themes.entries.size());
    if (index == -1) {
        if (themes.includeSystemDefault)
            index = count > 0 ? count - 1 : static_cast<int>(IsSystemDarkTheme());
        else
            index = IsSystemDarkTheme() ? 1 : 0;
    }
    if (index < 0 || index >= count)
        return false;
    current = themes.entries[static_cast<size_t>(index)];
    SystemLookFlag = themes.includeSystemDefault && index == count - 1;
    baseBrush.Assign(CreateSolidBrush(Color(ThemeBase)));
    editBrush.Assign(CreateSolidBrush(Color(ThemeEditBg)));
    borderBrush.Assign(CreateSolidBrush(Color(ThemeBorder)));
    if (onThemeApplied != nullptr)
        onThemeApplied();
    if (const HWND main = MainWindowHandle())
        PostMessageW(main, WM_SYSCOLORCHANGE, 0, reinterpret_cast<LPARAM>(this));
    return true;
}

bool IsSystemDarkTheme() {
    DWORD type = 0;
    const SharedBuffer value =
        ReadRegistryValue(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                          L"AppsUseLightTheme", &type);
    if (type != REG_DWORD || value.Size() != sizeof(DWORD))
        return false;
    DWORD light = 1;
    std::memcpy(&light, value.Data(), sizeof light);
    return light == 0;
}

void InitUiGlobals() {
    UiTheme& theme = UiTheme::Get();
    theme.current.Clear();
    theme.SystemLookFlag = false;
    theme.themes.includeSystemDefault = true;
    theme.themes.AddBuiltIns();
    if (!theme.Apply(-1)) {
        theme.Apply(IsSystemDarkTheme() ? 1 : 0);
        theme.SystemLookFlag = false;
    }
    theme.fonts.Create(UiLogFont(), 1.45);
}
