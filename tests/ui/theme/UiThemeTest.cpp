#include "ui/theme/UiTheme.h"

#include "foundation/Handles.h"
#include "ui/core/Measure.h"
#include "ui/core/mvApp.h"
#include "ui/core/mvWnd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>

namespace {

constexpr wchar_t kPersonalize[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Sets or removes the light-theme value for the test and puts the old one back.
class ScopedLightTheme {
public:
    ScopedLightTheme() {
        RegCreateKeyExW(HKEY_CURRENT_USER, kPersonalize, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        m_key.Put(), nullptr);
        DWORD size = sizeof m_old;
        m_had = RegQueryValueExW(m_key.Get(), L"AppsUseLightTheme", nullptr, &m_oldType,
                                 reinterpret_cast<BYTE*>(&m_old), &size) == ERROR_SUCCESS;
        m_oldSize = size;
    }
    ~ScopedLightTheme() {
        if (m_had)
            RegSetValueExW(m_key.Get(), L"AppsUseLightTheme", 0, m_oldType,
                           reinterpret_cast<const BYTE*>(&m_old), m_oldSize);
        else
            RegDeleteValueW(m_key.Get(), L"AppsUseLightTheme");
    }
    void Set(DWORD type, const void* data, DWORD size) {
        RegSetValueExW(m_key.Get(), L"AppsUseLightTheme", 0, type, static_cast<const BYTE*>(data),
                       size);
    }
    void Remove() { RegDeleteValueW(m_key.Get(), L"AppsUseLightTheme"); }

private:
    RegKeyHandle m_key;
    bool m_had = false;
    DWORD m_oldType = 0;
    DWORD m_oldSize = 0;
    unsigned char m_old[64]{};
};

COLORREF BrushColor(HBRUSH brush) {
    LOGBRUSH info{};
    GetObjectW(brush, sizeof info, &info);
    return info.lbColor;
}

// An application with a main window that collects what the theme sends it.
struct MainWindowFixture {
    mvApp app{L"theme test"};
    mvWnd main;
    MainWindowFixture() {
        main.Create(L"main", nullptr, 0, 0, 0, 100, 100, WS_OVERLAPPEDWINDOW, 0, nullptr);
        app.m_mainWnd = &main;
    }
    ~MainWindowFixture() { app.m_mainWnd = nullptr; }
    // Takes the theme-change messages waiting for the main window.
    int TakeThemeChanges() {
        int count = 0;
        MSG msg;
        while (PeekMessageW(&msg, main.Handle(), WM_SYSCOLORCHANGE, WM_SYSCOLORCHANGE, PM_REMOVE))
            count += UiTheme::Get().IsThemeChange(msg.message, msg.lParam);
        return count;
    }
};

} // namespace

TEST(UiTheme, StartsInTheSystemLook) {
    const UiTheme& theme = UiTheme::Get();
    EXPECT_TRUE(theme.SystemLookFlag);
    EXPECT_EQ(theme.current.name, L"System Default");
    EXPECT_EQ(theme.themes.entries.size(), 5u);
    EXPECT_EQ(BrushColor(theme.baseBrush.Get()), theme.Color(ThemeBase));
    ASSERT_TRUE(theme.fonts.normal);
    ASSERT_TRUE(theme.fonts.bold);
    ASSERT_TRUE(theme.fonts.large);
    // The system's menu font is the UI font.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
    LOGFONTW normal{};
    GetObjectW(theme.fonts.normal.Get(), sizeof normal, &normal);
    EXPECT_STREQ(normal.lfFaceName, metrics.lfMenuFont.lfFaceName);
    EXPECT_EQ(normal.lfHeight, metrics.lfMenuFont.lfHeight);
}

TEST(UiTheme, ApplySetsColoursBrushesAndTheSystemLook) {
    MainWindowFixture fixture;
    UiTheme& theme = UiTheme::Get();
    ASSERT_TRUE(theme.themes.includeSystemDefault);
    struct Case {
        int index;
        const wchar_t* name;
        bool systemLook;
    } cases[] = {{1, L"Dark", false},
                 {4, L"System Default", true},
                 {3, L"Green", false},
                 {-1, L"System Default", true},
                 {0, L"Light", false}};
    for (const Case& c : cases) {
        ASSERT_TRUE(theme.Apply(c.index)) << c.index;
        EXPECT_EQ(theme.current.name, c.name);
        EXPECT_EQ(theme.SystemLookFlag, c.systemLook) << c.index;
        EXPECT_EQ(BrushColor(theme.baseBrush.Get()), theme.Color(ThemeBase));
        EXPECT_EQ(BrushColor(theme.editBrush.Get()), theme.Color(ThemeEditBg));
        EXPECT_EQ(BrushColor(theme.borderBrush.Get()), theme.Color(ThemeBorder));
        EXPECT_EQ(fixture.TakeThemeChanges(), 1) << c.index;
    }
    // Outside the list nothing changes and nothing is posted.
    for (const int index : {5, -2, 100}) {
        EXPECT_FALSE(theme.Apply(index));
        EXPECT_EQ(theme.current.name, L"Light");
        EXPECT_EQ(fixture.TakeThemeChanges(), 0);
    }
    EXPECT_TRUE(theme.Apply(-1));
}

TEST(UiTheme, DefaultWithoutSystemEntryFollowsDarkMode) {
    ScopedLightTheme registry;
    UiTheme& theme = UiTheme::Get();
    const DWORD zero = 0, one = 1;
    const unsigned long long wideZero = 0;
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        bool dark;
    } cases[] = {
        {"dark", REG_DWORD, &zero, 4, true},
        {"light", REG_DWORD, &one, 4, false},
        {"eight bytes", REG_QWORD, &wideZero, 8, false},
        {"binary zero", REG_BINARY, &zero, 4, false},
        {"missing", REG_NONE, nullptr, 0, false},
    };
    theme.themes.includeSystemDefault = false;
    theme.themes.AddBuiltIns();
    for (const Case& c : cases) {
        if (c.data == nullptr)
            registry.Remove();
        else
            registry.Set(c.type, c.data, c.size);
        EXPECT_EQ(IsSystemDarkTheme(), c.dark) << c.what;
        ASSERT_TRUE(theme.Apply(-1));
        EXPECT_EQ(theme.current.name, c.dark ? L"Dark" : L"Light") << c.what;
        EXPECT_FALSE(theme.SystemLookFlag);
    }
    // An empty list with the system entry: the default is out of range.
    theme.themes.includeSystemDefault = true;
    theme.themes.entries.clear();
    EXPECT_FALSE(theme.Apply(-1));
    theme.themes.AddBuiltIns();
    EXPECT_TRUE(theme.Apply(-1));
}

TEST(UiTheme, FontsAndSpacingFollowTheLogFont) {
    MainWindowFixture fixture;
    UiFonts& fonts = UiTheme::Get().fonts;
    LOGFONTW original{};
    GetObjectW(fonts.normal.Get(), sizeof original, &original);
    LOGFONTW base{};
    wcscpy(base.lfFaceName, L"Tahoma");
    base.lfCharSet = DEFAULT_CHARSET;
    base.lfWeight = FW_NORMAL;
    int lastOuterY = 0;
    for (const LONG height : {-11, -20, -31}) {
        base.lfHeight = height;
        fonts.Create(base, 1.45);
        LOGFONTW normal{}, bold{}, large{};
        GetObjectW(fonts.normal.Get(), sizeof normal, &normal);
        GetObjectW(fonts.bold.Get(), sizeof bold, &bold);
        GetObjectW(fonts.large.Get(), sizeof large, &large);
        EXPECT_EQ(normal.lfHeight, height);
        EXPECT_EQ(bold.lfWeight, FW_BOLD);
        EXPECT_EQ(bold.lfHeight, height);
        EXPECT_EQ(large.lfHeight, std::lround(height * 1.45)) << height;
        EXPECT_EQ(fixture.main.Font(), fonts.normal.Get()); // the main window follows

        const LayoutSpacing& s = fonts.spacing;
        EXPECT_EQ(PackXY(s.outerMargin.cx, s.outerMargin.cy),
                  DialogUnitsToPixels(PackXY(7, 7), fonts.normal.Get()));
        EXPECT_EQ(PackXY(s.innerSpacing.cx, s.innerSpacing.cy),
                  DialogUnitsToPixels(PackXY(4, 4), fonts.normal.Get()));
        EXPECT_EQ(s.halfMargin.cx, s.outerMargin.cx / 2);
        EXPECT_EQ(s.halfMargin.cy, s.outerMargin.cy / 2);
        EXPECT_GT(s.outerMargin.cy, lastOuterY); // a larger font spaces more
        lastOuterY = s.outerMargin.cy;
    }
    // A scale below 1 counts as 1.
    fonts.Create(base, 0.5);
    LOGFONTW large{};
    GetObjectW(fonts.large.Get(), sizeof large, &large);
    EXPECT_EQ(large.lfHeight, base.lfHeight);
    fonts.Create(original, 1.45);
}
