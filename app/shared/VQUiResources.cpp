#include "app/shared/VQUiResources.h"

#include "foundation/GroupRanges.h"
#include "foundation/Language.h"
#include "foundation/ModulePath.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "ui/controls/ToolTip.h"
#include "ui/core/Measure.h"
#include "ui/core/mvApp.h"
#include "ui/theme/UiTheme.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace {

// The common control classes the program's windows use: the Windows 95
// classes, the date pickers and the rebar.
constexpr DWORD kCommonControlClasses = 0x5FF;
// Size presets beyond this many are left out of the menu.
constexpr size_t kMaxSizePresets = 32;

// One menu item: a command with its language text, or (id 0) a separator.
struct MenuRow {
    UINT id;
    const wchar_t* section;
    const wchar_t* key;
};

void AppendRows(mvMenu& menu, std::initializer_list<MenuRow> rows) {
    for (const MenuRow& row : rows) {
        if (row.id == 0)
            menu.AppendItem(0, nullptr, nullptr);
        else
            menu.AppendItem(row.id, GetLangText(row.section, row.key).c_str(), nullptr);
    }
}

void AppendSubMenu(mvMenu& bar, const wchar_t* titleSection, std::initializer_list<MenuRow> rows) {
    if (mvMenu* sub = bar.AddSubMenu(GetLangText(titleSection, L"title").c_str()))
        AppendRows(*sub, rows);
}

} // namespace

VQUiResources::VQUiResources() = default;

VQUiResources::~VQUiResources() = default;

void VQUiResources::Init(bool rebuild) {
    if (!rebuild) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, kCommonControlClasses};
        InitCommonControlsEx(&classes);
        UiTheme& theme = UiTheme::Get();
        theme.themes.Select(GetModulePath(L"Theme\\*.ini"));
        theme.Apply(-1);
        ApplyForcedTheme();
        LoadAppIcon();
        m_smallIcons.LoadPngResource(MAKEINTRESOURCEW(kSmallIconStripId));
        m_largeIcons.LoadPngResource(MAKEINTRESOURCEW(kLargeIconStripId));
        LOGFONTW uiFont{};
        Settings().LoadSaveListFont(uiFont, false);
        if (uiFont.lfFaceName[0] != L'\0')
            theme.fonts.Create(uiFont, 1.45);
        SetUpToolTips();
    }
    if (!m_hexViewerOnly)
        BuildSearchPanelMenus();
    LOGFONTW hexFont{};
    Settings().LoadSaveHexviewFont(hexFont, false);
    m_hexViewerFont.Assign(CreateFontIndirectW(&hexFont));
    BuildHexViewerMenuBar();
}

void VQUiResources::ApplyForcedTheme() {
    const mvstring& wanted = Settings().ForceTheme;
    if (wanted.empty())
        return;
    UiTheme& theme = UiTheme::Get();
    const auto& entries = theme.themes.entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        const mvstring& name = entries[i].name;
        if (CompareStringOrdinal(name.c_str(), static_cast<int>(name.length()), wanted.c_str(),
                                 static_cast<int>(wanted.length()), TRUE) == CSTR_EQUAL) {
            theme.Apply(static_cast<int>(i));
            return;
        }
    }
    theme.Apply(-1);
}

void VQUiResources::LoadAppIcon() {
    struct Slot {
        int key;
        int size;
    };
    for (const Slot slot : {Slot{AppIconLarge, 48}, Slot{AppIconSmall, 20}}) {
        auto icon = static_cast<HICON>(LoadImageW(mvApp::Instance(), MAKEINTRESOURCEW(kAppIconId),
                                                  IMAGE_ICON, slot.size, slot.size, 0));
        if (icon == nullptr)
            continue;
        // An icon that cannot be measured gets no size (0 x 0).
        const std::uint64_t measured = GetIconSize(icon);
        const bool sized = PackedX(measured) != 0 && PackedY(measured) != 0;
        UiTheme::Get().icons.SetIcon(slot.key, icon, true, sized ? PackedX(measured) : 0,
                                     sized ? PackedY(measured) : 0);
    }
}

void VQUiResources::SetUpToolTips() {
    MONITORINFO monitor = {sizeof monitor};
    if (!GetMonitorInfoW(MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return;
    const LONG width = monitor.rcWork.right - monitor.rcWork.left;
    const LONG tipWidth = width - 2 * (width / 8);
    mvToolTipCtrl& tip = mvToolTipCtrl::Global();
    tip.Create();
    if (!IsWindow(tip.Handle()))
        return;
    SendMessageW(tip.Handle(), TTM_SETMAXTIPWIDTH, 0, tipWidth);
    SendMessageW(tip.Handle(), TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(32767, 0));
}

void VQUiResources::BuildSearchPanelMenus() {
    const mvstring& clearLabel = GetSearchPanelOptionList(5, 0);

    m_quickSizeMenu.CreatePopup();
    m_quickSizeMenu.AppendItem(10189, clearLabel.c_str(), nullptr);
    const SizeGroups& groups = Settings().SizeGroups;
    const size_t presets = std::min(groups.Bounds.size() + 2, kMaxSizePresets);
    for (size_t i = 0; i < presets; ++i) {
        mvstring label = SizeGroupLabel(groups, static_cast<int>(i));
        GetSizeGroupTitle(static_cast<int>(i), label);
        m_quickSizeMenu.AppendItem(static_cast<UINT>(10156 + i), label.c_str(), nullptr);
    }

    m_quickDateMenu.CreatePopup();
    m_quickDateMenu.AppendItem(10199, clearLabel.c_str(), nullptr);
    for (int j = 0; j < 8; ++j)
        m_quickDateMenu.AppendItem(static_cast<UINT>(10190 + j), GetQuickDateList(j).c_str(),
                                   nullptr);
    AppendRows(m_quickDateMenu, {{0, nullptr, nullptr}, {10200, L"search_panel", L"useseconds"}});

    m_browseMenu.CreatePopup();
    AppendRows(m_browseMenu, {{10201, L"search_panel", L"browse_append"}});

    m_searchButtonMenu.CreatePopup();
    AppendRows(m_searchButtonMenu, {{10018, L"menu_file", L"startsearch"},
                                    {10023, L"menu_file", L"searchinresult"},
                                    {10024, L"menu_file", L"undosir"}});
}

void VQUiResources::BuildHexViewerMenuBar() {
    if (!m_hexViewerBar.CreateMenuBar())
        return;
    AppendSubMenu(m_hexViewerBar, L"menu_file",
                  {{10001, L"hexview", L"open"},
                   {10002, L"hexview", L"opennewwnd"},
                   {10016, L"global", L"close"},
                   {0, nullptr, nullptr},
                   {10025, L"menu_file", L"exit"}});
    AppendSubMenu(m_hexViewerBar, L"menu_edit",
                  {{10027, L"menu_edit", L"copy"},
                   {10026, L"hexview", L"copyashex"},
                   {0, nullptr, nullptr},
                   {10018, L"hexview", L"find"},
                   {10023, L"hexview", L"findnext"},
                   {10022, L"hexview", L"jumpto"},
                   {0, nullptr, nullptr},
                   {10030, L"menu_edit", L"selectall"}});
    AppendSubMenu(m_hexViewerBar, L"menu_view",
                  {{10033, L"menu_view", L"statusbar"},
                   {0, nullptr, nullptr},
                   {10036, L"hexview", L"vert_sel"},
                   {10032, L"hexview", L"setcolwidth"},
                   {0, nullptr, nullptr},
                   {10087, L"menu_tools", L"font"}});
    AppendSubMenu(m_hexViewerBar, L"menu_help",
                  {{1058, L"menu_help", L"help"},
                   {0, nullptr, nullptr},
                   {10155, L"menu_help", L"about"}});
}

void VQUiResources::SetClipboardObject(IDataObject* object) {
    if (object != nullptr)
        object->AddRef();
    m_clipboardObject.Assign(object);
}

bool VQUiResources::FlushClipboard() {
    ComHandle<IDataObject> object(m_clipboardObject.Release());
    return object && OleIsCurrentClipboard(object.Get()) == S_OK &&
           SUCCEEDED(OleFlushClipboard());
}

VQUiResources& UiResources() {
    static VQUiResources resources;
    return resources;
}

int ComboDropWidth(HWND combo, const std::vector<mvstring>& texts) {
    if (combo == nullptr || !IsWindow(combo))
        return 0;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo, &info);
    int widest = 0;
    if (HDC dc = GetDC(combo)) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0));
        const HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
        for (const mvstring& text : texts) {
            if (text.empty())
                continue;
            RECT bounds = {0, 0, 32000, 768};
            DrawTextW(dc, text.c_str(), static_cast<int>(text.length()), &bounds,
                      DT_CALCRECT | DT_SINGLELINE);
            widest = std::max(widest, static_cast<int>(bounds.right - bounds.left));
        }
        if (old != nullptr)
            SelectObject(dc, old);
        ReleaseDC(combo, dc);
    }
    return widest + 2 * UiTheme::Get().fonts.spacing.innerSpacing.cx +
           (info.rcButton.right - info.rcButton.left);
}
