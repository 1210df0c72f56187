#include "app/shared/VQUiResources.h"

#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "ui/controls/ToolTip.h"
#include "ui/core/Measure.h"
#include "ui/core/mvComBase.h"
#include "ui/theme/UiTheme.h"

#include "support/ScopedSetting.h"
#include "support/TempDir.h"

#include "LanguageScope.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The command ids of a menu's items in order; 0 for a separator, -1 for a
// submenu.
std::vector<int> Ids(HMENU menu) {
    std::vector<int> ids;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        ids.push_back(static_cast<int>(GetMenuItemID(menu, i)));
    return ids;
}

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 256, MF_BYPOSITION);
    return text;
}

std::vector<int> Range(int first, int count) {
    std::vector<int> ids;
    for (int i = 0; i < count; ++i)
        ids.push_back(first + i);
    return ids;
}

std::vector<int> Joined(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

SizeGroups GroupsWithBounds(size_t n) {
    SizeGroups groups;
    groups.Labels.push_back(L"empty");
    for (size_t i = 0; i < n; ++i) {
        groups.Bounds.push_back(1000 * (i + 1));
        groups.Labels.push_back(L"band " + std::to_wstring(i));
    }
    groups.Labels.push_back(L"above");
    return groups;
}

} // namespace

TEST(VQUiResources, TheSizePresetsFollowTheSizeGroupsUpToThirtyTwo) {
    struct Case {
        size_t bounds;
        int presets;
    } cases[] = {{0, 2}, {5, 7}, {30, 32}, {40, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bounds);
        ScopedSetting<SizeGroups> groups(Settings().SizeGroups, GroupsWithBounds(c.bounds));
        VQUiResources resources;
        resources.Init(false);
        HMENU menu = resources.QuickSizeMenu().Handle();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(Ids(menu), Joined({10189}, Range(10156, c.presets)));
        // Without size-group titles in the language the labels stand alone.
        EXPECT_EQ(ItemText(menu, 1), L"empty");
        EXPECT_EQ(ItemText(menu, c.presets), c.presets == static_cast<int>(c.bounds) + 2
                                                 ? std::wstring(L"above")
                                                 : L"band " + std::to_wstring(c.presets - 2));
    }
}

TEST(VQUiResources, EveryMenuHoldsItsCommandsInOrderWithTheirLanguageTexts) {
    LanguageScope language("\xEF\xBB\xBF[search_panel]\nlogic_list = any/equal/more\n"
                           "browse_append = Add a folder\n"
                           "[menu_file]\ntitle = &File\nundosir = Undo\nexit = E&xit\n"
                           "[menu_help]\ntitle = &Help\nabout = &About...\n"
                           "[hexview]\njumpto = &Jump to...\n");
    ASSERT_TRUE(language.loaded);
    VQUiResources resources;
    resources.Init(false);

    const std::vector<int> dates = Joined(Joined({10199}, Range(10190, 8)), {0, 10200});
    EXPECT_EQ(Ids(resources.QuickDateMenu().Handle()), dates);
    EXPECT_EQ(Ids(resources.BrowseMenu().Handle()), std::vector<int>({10201}));
    EXPECT_EQ(Ids(resources.SearchButtonMenu().Handle()),
              std::vector<int>({10018, 10023, 10024}));

    HMENU bar = resources.HexViewerMenuBar().Handle();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Ids(bar), std::vector<int>(4, -1));
    const std::vector<std::vector<int>> submenus = {
        {10001, 10002, 10016, 0, 10025},
        {10027, 10026, 0, 10018, 10023, 10022, 0, 10030},
        {10033, 0, 10036, 10032, 0, 10087},
        {1058, 0, 10155},
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Ids(GetSubMenu(bar, i)), submenus[i]) << "submenu " << i;

    struct Text {
        HMENU menu;
        int position;
        const wchar_t* text;
    } texts[] = {
        {resources.QuickSizeMenu().Handle(), 0, L"any"},
        {resources.QuickDateMenu().Handle(), 0, L"any"},
        {resources.BrowseMenu().Handle(), 0, L"Add a folder"},
        {resources.SearchButtonMenu().Handle(), 2, L"Undo"},
        {bar, 0, L"&File"},
        {bar, 3, L"&Help"},
        {GetSubMenu(bar, 0), 4, L"E&xit"},
        {GetSubMenu(bar, 1), 5, L"&Jump to..."},
        {GetSubMenu(bar, 3), 2, L"&About..."},
    };
    for (const Text& t : texts)
        EXPECT_EQ(ItemText(t.menu, t.position), t.text);
}

TEST(VQUiResources, AHexViewerOnlyRunBuildsNoSearchPanelMenus) {
    VQUiResources resources;
    resources.SetHexViewerOnly(true);
    resources.Init(false);
    EXPECT_EQ(resources.QuickSizeMenu().Handle(), nullptr);
    EXPECT_EQ(resources.QuickDateMenu().Handle(), nullptr);
    EXPECT_EQ(resources.BrowseMenu().Handle(), nullptr);
    EXPECT_EQ(resources.SearchButtonMenu().Handle(), nullptr);
    EXPECT_NE(resources.HexViewerMenuBar().Handle(), nullptr);
    EXPECT_NE(resources.HexViewerFont(), nullptr);
}

// After a language change the menus are new, with the new texts, and the
// old handles are gone; so is the old hex viewer font.
TEST(VQUiResources, ARebuildReplacesTheMenusAndTheHexViewerFont) {
    VQUiResources resources;
    resources.Init(false);
    const HMENU oldPopup = resources.SearchButtonMenu().Handle();
    const HMENU oldBar = resources.HexViewerMenuBar().Handle();
    const HFONT oldFont = resources.HexViewerFont();
    ASSERT_TRUE(IsMenu(oldPopup));
    ASSERT_NE(oldFont, nullptr);
    EXPECT_EQ(ItemText(oldBar, 0), L"");

    LanguageScope language("\xEF\xBB\xBF[menu_file]\ntitle = &Datei\n");
    ASSERT_TRUE(language.loaded);
    resources.Init(true);
    EXPECT_FALSE(IsMenu(oldPopup));
    EXPECT_FALSE(IsMenu(oldBar));
    EXPECT_TRUE(IsMenu(resources.SearchButtonMenu().Handle()));
    EXPECT_EQ(ItemText(resources.HexViewerMenuBar().Handle(), 0), L"&Datei");
    EXPECT_NE(resources.HexViewerFont(), nullptr);
    EXPECT_EQ(GetObjectType(oldFont), 0u);
    // The hex viewer's font is a fixed-pitch one.
    LOGFONTW font = {};
    ASSERT_NE(GetObjectW(resources.HexViewerFont(), sizeof font, &font), 0);
    EXPECT_EQ(font.lfPitchAndFamily & 0x0F, FIXED_PITCH);
}

TEST(VQUiResources, TheForcedThemeIsFoundIgnoringCaseElseTheSystemDefaultApplies) {
    struct Case {
        const wchar_t* forced;
        const wchar_t* applied;
    } cases[] = {
        {L"dARK", L"Dark"},
        {L"Blue", L"Blue"},
        {L"No such theme", ThemeList::kSystemDefault},
        {L"", ThemeList::kSystemDefault},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.forced);
        ScopedSetting<mvstring> forced(Settings().ForceTheme, mvstring(c.forced));
        UiTheme::Get().Apply(0); // something else first
        VQUiResources resources;
        resources.Init(false);
        EXPECT_EQ(UiTheme::Get().current.name, c.applied);
        EXPECT_EQ(UiTheme::Get().SystemLookFlag, std::wstring(c.applied) == L"System Default");
    }
}

// The first build without the program's resources: icons and strips stay
// empty; the tooltip is set up, and the UI font follows config.ini.
TEST(VQUiResources, TheFirstBuildSetsUpTooltipsAndTheUiFontAndLeavesMissingImagesEmpty) {
    LOGFONTW wanted = {};
    wanted.lfHeight = -19;
    wcscpy_s(wanted.lfFaceName, L"Tahoma");
    ScopedSetting<LOGFONTW> listFont(Settings().ListFont, wanted);
    VQUiResources resources;
    resources.Init(false);

    EXPECT_FALSE(resources.SmallIcons().IsLoaded());
    EXPECT_FALSE(resources.LargeIcons().IsLoaded());
    EXPECT_EQ(UiTheme::Get().icons.GetIcon(AppIconLarge), nullptr);

    LOGFONTW font = {};
    ASSERT_NE(GetObjectW(UiTheme::Get().fonts.normal.Get(), sizeof font, &font), 0);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfHeight, -19);

    HWND tip = mvToolTipCtrl::Global().Handle();
    ASSERT_TRUE(IsWindow(tip));
    EXPECT_EQ(SendMessageW(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 32767);
    MONITORINFO monitor = {sizeof monitor};
    GetMonitorInfoW(MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const LONG width = monitor.rcWork.right - monitor.rcWork.left;
    EXPECT_EQ(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), width - 2 * (width / 8));
}

TEST(VQUiResources, ComboDropWidthIsTheWidestTextWithMarginsAndTheButton) {
    HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 120,
                                 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    LOGFONTW big = {};
    big.lfHeight = -28;
    wcscpy_s(big.lfFaceName, L"Tahoma");
    GdiHandle<HFONT> font(CreateFontIndirectW(&big));
    SendMessageW(combo, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);

    COMBOBOXINFO info = {sizeof info};
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    const int fixed = 2 * UiTheme::Get().fonts.spacing.innerSpacing.cx +
                      (info.rcButton.right - info.rcButton.left);
    // Measured in the combo's own font.
    HDC dc = GetDC(combo);
    const HGDIOBJ old = SelectObject(dc, font.Get());
    SIZE longest = {};
    GetTextExtentPoint32W(dc, L"a much longer entry", 19, &longest);
    SelectObject(dc, old);
    ReleaseDC(combo, dc);

    struct Case {
        std::vector<mvstring> texts;
        int width;
    } cases[] = {
        {{}, fixed},
        {{L"", L""}, fixed},
        {{L"short", L"a much longer entry", L""}, fixed + longest.cx},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComboDropWidth(combo, c.texts), c.width) << c.texts.size();
    EXPECT_EQ(ComboDropWidth(nullptr, {L"x"}), 0);
    DestroyWindow(combo);
}

namespace {

// A data object with one text that tells when it is gone.
class TextData : public mvcom_base<IDataObject> {
public:
    TextData(const wchar_t* text, bool* alive) : m_text(text), m_alive(alive) { *alive = true; }
    ~TextData() override { *m_alive = false; }

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK)
            return DV_E_FORMATETC;
        const size_t bytes = (m_text.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        if (memory == nullptr)
            return E_OUTOFMEMORY;
        std::memcpy(GlobalLock(memory), m_text.c_str(), bytes);
        GlobalUnlock(memory);
        *medium = {};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        return format != nullptr && format->cfFormat == CF_UNICODETEXT &&
                       (format->tymed & TYMED_HGLOBAL) != 0
                   ? S_OK
                   : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out != nullptr)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        FORMATETC format = {CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return SHCreateStdEnumFmtEtc(1, &format, out);
    }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::wstring m_text;
    bool* m_alive;
};

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class OleScope {
public:
    OleScope() : ok(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleScope() {
        if (ok)
            OleUninitialize();
    }
    bool ok;
};

} // namespace

// The slot keeps the data object alive on its own; at exit the clipboard is
// flushed only while that object is still its content.
TEST(VQUiResources, TheClipboardSlotHoldsItsOwnReferenceAndFlushesOnlyItsOwnData) {
    OleScope ole;
    ASSERT_TRUE(ole.ok);
    struct Case {
        bool replacedMeanwhile;
        bool flushed;
        const wchar_t* textAfter;
    } cases[] = {{false, true, L"copied items"}, {true, false, L"another program's text"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.replacedMeanwhile);
        VQUiResources resources;
        EXPECT_FALSE(resources.FlushClipboard()) << "an empty slot";
        bool alive = false;
        auto* data = new TextData(L"copied items", &alive);
        resources.SetClipboardObject(data);
        ASSERT_EQ(OleSetClipboard(data), S_OK);
        data->Release(); // the creator's reference
        ASSERT_EQ(resources.ClipboardObject(), data);
        if (c.replacedMeanwhile) {
            ASSERT_TRUE(OpenClipboard(nullptr));
            EmptyClipboard();
            const wchar_t other[] = L"another program's text";
            HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof other);
            std::memcpy(GlobalLock(memory), other, sizeof other);
            GlobalUnlock(memory);
            SetClipboardData(CF_UNICODETEXT, memory);
            CloseClipboard();
        }
        // Whether or not the clipboard still holds it, the slot does.
        EXPECT_TRUE(alive);
        EXPECT_EQ(resources.FlushClipboard(), c.flushed);
        EXPECT_FALSE(alive) << "released by the slot and the clipboard";
        EXPECT_EQ(resources.ClipboardObject(), nullptr);
        EXPECT_EQ(ClipboardText(), c.textAfter);
        OleSetClipboard(nullptr);
    }
}
