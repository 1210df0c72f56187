#include "foundation/Settings.h"

#include "ConfigFolders.h"

#include <functional>
#include <map>

namespace {

std::wstring Join(const ExtensionSet& set) {
    std::wstring out;
    for (const mvstring& ext : set)
        out += (out.empty() ? L"" : L"|") + ext.str();
    return out;
}

std::wstring Flag(bool value) {
    return value ? L"true" : L"false";
}

// The value a key was loaded into, as text: setting objects by their value
// text, plain advconf.ini members in decimal.
std::wstring ValueOf(const VQSettings& s, const std::wstring& file, const std::wstring& key) {
    using Get = std::function<std::wstring(const VQSettings&)>;
    static const std::map<std::wstring, Get> members = {
        {L"advconf.ini/SpecIconExts", [](auto& s) { return Join(s.SpecIconExts); }},
        {L"advconf.ini/ToolbarIconSize",
         [](auto& s) { return std::to_wstring(s.ToolbarIconSize); }},
        {L"advconf.ini/FileSizeFormat", [](auto& s) { return std::to_wstring(s.FileSizeFormat); }},
        {L"advconf.ini/ThumbnailFlag", [](auto& s) { return std::to_wstring(s.ThumbnailFlag); }},
        {L"advconf.ini/ForceUsePropSys", [](auto& s) { return Flag(s.ForceUsePropSys); }},
        {L"advconf.ini/AttrSortWithString", [](auto& s) { return Flag(s.AttrSortWithString); }},
        {L"advconf.ini/ListModeColumnWidth",
         [](auto& s) { return std::to_wstring(s.ListModeColumnWidth); }},
        {L"advconf.ini/MaxItemStatusShowSize",
         [](auto& s) { return std::to_wstring(s.MaxItemStatusShowSize); }},
        {L"advconf.ini/MaxItemOpen", [](auto& s) { return std::to_wstring(s.MaxItemOpen); }},
        {L"advconf.ini/MaxItemContextMenu",
         [](auto& s) { return std::to_wstring(s.MaxItemContextMenu); }},
        {L"advconf.ini/MaxHistory", [](auto& s) { return std::to_wstring(s.MaxHistory); }},
        {L"advconf.ini/MaxFileInZipMB",
         [](auto& s) { return std::to_wstring(s.MaxFileInZipBytes); }},
        {L"advconf.ini/MaxRegexpTextMB",
         [](auto& s) { return std::to_wstring(s.MaxRegexpTextBytes); }},
        {L"advconf.ini/FileBufferSizeMB",
         [](auto& s) { return std::to_wstring(s.FileBufferSize); }},
        {L"advconf.ini/HexviewMaxCopyMB",
         [](auto& s) { return std::to_wstring(s.HexviewMaxCopyBytes); }},
        {L"advconf.ini/ForceTheme", [](auto& s) { return s.ForceTheme.str(); }},
        {L"advconf.ini/NoIExplorerBrowser", [](auto& s) { return Flag(s.NoIExplorerBrowser); }},
        {L"advconf.ini/NoParseDocx", [](auto& s) { return Flag(s.NoParseDocx); }},
        {L"advconf.ini/GroupNameChars", [](auto& s) { return s.GroupNameChars.str(); }},
        {L"config.ini/KeepFoldersOnTop",
         [](auto& s) { return s.KeepFoldersOnTop.ValueText().str(); }},
        {L"config.ini/UseShellContextMenu",
         [](auto& s) { return s.UseShellContextMenu.ValueText().str(); }},
        {L"config.ini/RemoveNonExists",
         [](auto& s) { return s.RemoveNonExists.ValueText().str(); }},
        {L"config.ini/UseGridLines", [](auto& s) { return s.UseGridLines.ValueText().str(); }},
        {L"config.ini/ExportUseStrSize",
         [](auto& s) { return s.ExportUseStrSize.ValueText().str(); }},
        {L"config.ini/UpdateTBOpenBtn",
         [](auto& s) { return s.UpdateTBOpenBtn.ValueText().str(); }},
        {L"config.ini/SortWhileSearch",
         [](auto& s) { return s.SortWhileSearch.ValueText().str(); }},
        {L"config.ini/SortColumn", [](auto& s) { return s.SortColumn.ValueText().str(); }},
        {L"config.ini/GroupColumn", [](auto& s) { return s.GroupColumn.ValueText().str(); }},
        {L"config.ini/SortDescending", [](auto& s) { return s.SortDescending.ValueText().str(); }},
        {L"config.ini/GroupDescending",
         [](auto& s) { return s.GroupDescending.ValueText().str(); }},
        {L"config.ini/DisableHistory", [](auto& s) { return s.DisableHistory.ValueText().str(); }},
        {L"config.ini/AutoSaveDefSearch",
         [](auto& s) { return s.AutoSaveDefSearch.ValueText().str(); }},
        {L"config.ini/UseCustomHexview",
         [](auto& s) { return s.HexViewer.UseCustomHexview.ValueText().str(); }},
        {L"config.ini/CustomHexviewPath",
         [](auto& s) { return s.HexViewer.CustomHexviewPath.Get().str(); }},
        {L"config.ini/CustomHexviewName",
         [](auto& s) { return s.HexViewer.CustomHexviewName.Get().str(); }},
        {L"config.ini/Language", [](auto& s) { return s.Language.Get().str(); }},
        {L"uistates.ini/LisViewMode", [](auto& s) { return s.LisViewMode.ValueText().str(); }},
        {L"uistates.ini/Toolbar", [](auto& s) { return s.Toolbar.ValueText().str(); }},
        {L"uistates.ini/StatusBar", [](auto& s) { return s.StatusBar.ValueText().str(); }},
        {L"uistates.ini/ExportLastType",
         [](auto& s) { return s.ExportLastType.ValueText().str(); }},
        {L"uistates.ini/SearchPanelRight",
         [](auto& s) { return s.SearchPanelRight.ValueText().str(); }},
        {L"uistates.ini/SearchPanelAutoHide",
         [](auto& s) { return s.SearchPanelAutoHide.ValueText().str(); }},
        {L"uistates.ini/SearchPanelWidth",
         [](auto& s) { return s.SearchPanelWidth.ValueText().str(); }},
        {L"uistates.ini/MainWndPos_L", [](auto& s) { return s.MainWndPos_L.ValueText().str(); }},
        {L"uistates.ini/MainWndPos_T", [](auto& s) { return s.MainWndPos_T.ValueText().str(); }},
        {L"uistates.ini/MainWndPos_R", [](auto& s) { return s.MainWndPos_R.ValueText().str(); }},
        {L"uistates.ini/MainWndPos_B", [](auto& s) { return s.MainWndPos_B.ValueText().str(); }},
        {L"uistates.ini/MainWndMax", [](auto& s) { return s.MainWndMax.ValueText().str(); }},
        {L"hexview.ini/WndPos_L", [](auto& s) { return s.WndPos_L.ValueText().str(); }},
        {L"hexview.ini/WndPos_T", [](auto& s) { return s.WndPos_T.ValueText().str(); }},
        {L"hexview.ini/WndPos_R", [](auto& s) { return s.WndPos_R.ValueText().str(); }},
        {L"hexview.ini/WndPos_B", [](auto& s) { return s.WndPos_B.ValueText().str(); }},
        {L"hexview.ini/WndMax", [](auto& s) { return s.WndMax.ValueText().str(); }},
        {L"hexview.ini/StatusBar", [](auto& s) { return s.HexviewStatusBar.ValueText().str(); }},
        {L"hexview.ini/BytesPerLine", [](auto& s) { return s.BytesPerLine.ValueText().str(); }},
        {L"hexview.ini/VertSelection", [](auto& s) { return s.VertSelection.ValueText().str(); }},
    };
    auto it = members.find(file + L"/" + key);
    return it == members.end() ? L"<unknown key>" : it->second(s);
}

const wchar_t* const kFiles[] = {L"advconf.ini", L"config.ini", L"uistates.ini", L"hexview.ini"};

} // namespace

class SettingsTest : public ConfigFolders {
protected:
    void RemoveFiles() {
        for (const wchar_t* name : kFiles) {
            DeleteFileW(PathA(name).c_str());
            DeleteFileW(PathB(name).c_str());
        }
    }
    bool AnyFileExists() {
        for (const wchar_t* name : kFiles)
            if (Exists(PathA(name)) || Exists(PathB(name)))
                return true;
        return false;
    }
};

TEST_F(SettingsTest, EveryKeyTakesItsDefaultWhenMissingEmptyOrOutOfRange) {
    struct Case {
        const wchar_t* file;
        const wchar_t* key;
        const char* stored; // null: the key is missing
        const wchar_t* expected;
    } cases[] = {
        // config.ini
        {L"config.ini", L"KeepFoldersOnTop", nullptr, L"true"},
        {L"config.ini", L"KeepFoldersOnTop", "", L"true"},
        {L"config.ini", L"KeepFoldersOnTop", "false", L"false"},
        {L"config.ini", L"UseShellContextMenu", nullptr, L"true"},
        {L"config.ini", L"RemoveNonExists", nullptr, L"false"},
        {L"config.ini", L"RemoveNonExists", "TRUE", L"true"},
        {L"config.ini", L"RemoveNonExists", "1", L"true"},
        {L"config.ini", L"RemoveNonExists", "0x10", L"true"},
        {L"config.ini", L"RemoveNonExists", "yes", L"false"},
        {L"config.ini", L"UseGridLines", nullptr, L"false"},
        {L"config.ini", L"ExportUseStrSize", nullptr, L"false"},
        {L"config.ini", L"UpdateTBOpenBtn", nullptr, L"true"},
        {L"config.ini", L"SortWhileSearch", nullptr, L"false"},
        {L"config.ini", L"SortColumn", nullptr, L"9"},
        {L"config.ini", L"SortColumn", "260", L"4"},
        {L"config.ini", L"SortColumn", "10", L"9"},
        {L"config.ini", L"SortColumn", "0x3", L"3"},
        {L"config.ini", L"SortColumn", "0", L"0"},
        {L"config.ini", L"GroupColumn", "", L"9"},
        {L"config.ini", L"GroupColumn", "8", L"8"},
        {L"config.ini", L"SortDescending", nullptr, L"false"},
        {L"config.ini", L"GroupDescending", "true", L"true"},
        {L"config.ini", L"DisableHistory", nullptr, L"false"},
        {L"config.ini", L"AutoSaveDefSearch", nullptr, L"false"},
        {L"config.ini", L"UseCustomHexview", nullptr, L"false"},
        {L"config.ini", L"CustomHexviewPath", "C:\\Tools\\hx.exe %1", L"C:\\Tools\\hx.exe %1"},
        {L"config.ini", L"CustomHexviewName", nullptr, L""},
        {L"config.ini", L"Language", "deutsch.ini", L"deutsch.ini"},
        // uistates.ini
        {L"uistates.ini", L"LisViewMode", nullptr, L"4"},
        {L"uistates.ini", L"LisViewMode", "6", L"6"},
        {L"uistates.ini", L"LisViewMode", "7", L"4"},
        {L"uistates.ini", L"Toolbar", nullptr, L"true"},
        {L"uistates.ini", L"StatusBar", nullptr, L"true"},
        {L"uistates.ini", L"StatusBar", "false", L"false"},
        {L"uistates.ini", L"ExportLastType", nullptr, L"0"},
        {L"uistates.ini", L"ExportLastType", "2", L"2"},
        {L"uistates.ini", L"ExportLastType", "3", L"0"},
        {L"uistates.ini", L"SearchPanelRight", nullptr, L"0"},
        {L"uistates.ini", L"SearchPanelRight", "300", L"44"},
        {L"uistates.ini", L"SearchPanelAutoHide", nullptr, L"false"},
        {L"uistates.ini", L"SearchPanelWidth", nullptr, L"260"},
        {L"uistates.ini", L"SearchPanelWidth", "-5", L"260"},
        {L"uistates.ini", L"SearchPanelWidth", "40000", L"260"},
        {L"uistates.ini", L"SearchPanelWidth", "32767", L"32767"},
        {L"uistates.ini", L"SearchPanelWidth", "0", L"0"},
        {L"uistates.ini", L"MainWndPos_L", nullptr, L"0"},
        {L"uistates.ini", L"MainWndPos_L", "-40000", L"0"},
        {L"uistates.ini", L"MainWndPos_L", "-200", L"-200"},
        {L"uistates.ini", L"MainWndPos_T", "-32768", L"-32768"},
        {L"uistates.ini", L"MainWndPos_R", "32768", L"0"},
        {L"uistates.ini", L"MainWndPos_B", "32767", L"32767"},
        {L"uistates.ini", L"MainWndMax", nullptr, L"false"},
        // hexview.ini
        {L"hexview.ini", L"WndPos_L", nullptr, L"0"},
        {L"hexview.ini", L"WndPos_T", "-200", L"-200"},
        {L"hexview.ini", L"WndPos_R", "40000", L"0"},
        {L"hexview.ini", L"WndPos_B", "600", L"600"},
        {L"hexview.ini", L"WndMax", "true", L"true"},
        {L"hexview.ini", L"StatusBar", nullptr, L"true"},
        {L"hexview.ini", L"BytesPerLine", nullptr, L"16"},
        {L"hexview.ini", L"BytesPerLine", "0", L"16"},
        {L"hexview.ini", L"BytesPerLine", "65", L"16"},
        {L"hexview.ini", L"BytesPerLine", "64", L"64"},
        {L"hexview.ini", L"BytesPerLine", "1", L"1"},
        {L"hexview.ini", L"VertSelection", nullptr, L"false"},
        // advconf.ini
        {L"advconf.ini", L"SpecIconExts", nullptr, L".exe|.ico|.lnk|.scr|.url"},
        {L"advconf.ini", L"SpecIconExts", " .Scr | .lnk || \t| .LNK", L".lnk|.Scr"},
        {L"advconf.ini", L"ToolbarIconSize", nullptr, L"0"},
        {L"advconf.ini", L"ToolbarIconSize", "16", L"24"},
        {L"advconf.ini", L"ToolbarIconSize", "24", L"24"},
        {L"advconf.ini", L"ToolbarIconSize", "25", L"32"},
        {L"advconf.ini", L"ToolbarIconSize", "280", L"24"},
        {L"advconf.ini", L"FileSizeFormat", "2", L"2"},
        {L"advconf.ini", L"FileSizeFormat", "3", L"0"},
        {L"advconf.ini", L"ThumbnailFlag", "1", L"1"},
        {L"advconf.ini", L"ThumbnailFlag", "5", L"0"},
        {L"advconf.ini", L"ForceUsePropSys", "true", L"true"},
        {L"advconf.ini", L"AttrSortWithString", nullptr, L"false"},
        {L"advconf.ini", L"ListModeColumnWidth", nullptr, L"260"},
        {L"advconf.ini", L"ListModeColumnWidth", "", L"260"},
        {L"advconf.ini", L"ListModeColumnWidth", "abc", L"0"},
        {L"advconf.ini", L"ListModeColumnWidth", "65836", L"300"},
        {L"advconf.ini", L"MaxItemStatusShowSize", nullptr, L"0"},
        {L"advconf.ini", L"MaxItemStatusShowSize", "1000", L"1000"},
        {L"advconf.ini", L"MaxItemOpen", nullptr, L"8"},
        {L"advconf.ini", L"MaxItemOpen", "0", L"0"},
        {L"advconf.ini", L"MaxItemOpen", "-1", L"-1"},
        {L"advconf.ini", L"MaxItemContextMenu", "10", L"128"},
        {L"advconf.ini", L"MaxItemContextMenu", "14", L"128"},
        {L"advconf.ini", L"MaxItemContextMenu", "15", L"15"},
        {L"advconf.ini", L"MaxItemContextMenu", "0", L"0"},
        {L"advconf.ini", L"MaxHistory", "0", L"32"},
        {L"advconf.ini", L"MaxHistory", "300", L"32"},
        {L"advconf.ini", L"MaxHistory", "256", L"256"},
        {L"advconf.ini", L"MaxHistory", "1", L"1"},
        {L"advconf.ini", L"MaxFileInZipMB", nullptr, L"268435456"},
        {L"advconf.ini", L"MaxFileInZipMB", "1025", L"268435456"},
        {L"advconf.ini", L"MaxFileInZipMB", "1024", L"1073741824"},
        {L"advconf.ini", L"MaxRegexpTextMB", "0", L"268435456"},
        {L"advconf.ini", L"MaxRegexpTextMB", "5", L"5242880"},
        {L"advconf.ini", L"FileBufferSizeMB", nullptr, L"2097152"},
        {L"advconf.ini", L"FileBufferSizeMB", "0x10", L"16777216"},
        {L"advconf.ini", L"FileBufferSizeMB", "257", L"2097152"},
        {L"advconf.ini", L"HexviewMaxCopyMB", nullptr, L"10485760"},
        {L"advconf.ini", L"HexviewMaxCopyMB", "0", L"10485760"},
        {L"advconf.ini", L"HexviewMaxCopyMB", "4095", L"4293918720"},
        {L"advconf.ini", L"HexviewMaxCopyMB", "4096", L"4294967295"},
        {L"advconf.ini", L"HexviewMaxCopyMB", "4294967297", L"4294967295"},
        {L"advconf.ini", L"ForceTheme", "Dark Blue", L"Dark Blue"},
        {L"advconf.ini", L"NoIExplorerBrowser", "1", L"true"},
        {L"advconf.ini", L"NoParseDocx", nullptr, L"false"},
        {L"advconf.ini", L"GroupNameChars", nullptr, L"09AHIPQZ"},
        {L"advconf.ini", L"GroupNameChars", "az", L"AZ"},
        {L"advconf.ini", L"GroupNameChars", "09za", L"09AZ"},
        {L"advconf.ini", L"GroupNameChars", "abc", L"AB"},
        {L"advconf.ini", L"GroupNameChars", "a", L"09AHIPQZ"},
    };
    for (const Case& c : cases) {
        RemoveFiles();
        std::string text = "[global]\r\nUnrelated = 1\r\n";
        if (c.stored) {
            std::wstring key(c.key);
            text += std::string(key.begin(), key.end()) + " = " + c.stored + "\r\n";
        }
        WriteA(c.file, text);
        VQSettings settings;
        InitSettings(settings);
        EXPECT_EQ(ValueOf(settings, c.file, c.key), c.expected)
            << testing::PrintToString(std::wstring(c.file)) << " "
            << testing::PrintToString(std::wstring(c.key)) << " = "
            << (c.stored ? c.stored : "<missing>");
    }
}

TEST_F(SettingsTest, SpecialIconExtensionsAreFoundIgnoringCase) {
    WriteA(L"advconf.ini", "[global]\r\nSpecIconExts = .Scr | .lnk ||\r\n");
    VQSettings settings;
    InitSettings(settings);
    EXPECT_EQ(settings.SpecIconExts.count(L".scr"), 1u);
    EXPECT_EQ(settings.SpecIconExts.count(L".exe"), 0u);
}

TEST_F(SettingsTest, AdvancedConfigIsReadOnlyBesideTheProgram) {
    WriteB(L"advconf.ini", "[global]\r\nMaxHistory = 100\r\n");
    VQSettings settings;
    InitSettings(settings);
    EXPECT_EQ(settings.MaxHistory, 32);
    WriteA(L"advconf.ini", "[global]\r\nMaxHistory = 100\r\n");
    InitSettings(settings);
    EXPECT_EQ(settings.MaxHistory, 100);
}

TEST_F(SettingsTest, AChangedSettingIsWrittenAtOnceToItsFile) {
    struct Case {
        std::function<void(VQSettings&)> change;
        const wchar_t* file;
        const wchar_t* key;
        const wchar_t* line; // the key's line in the written file
    } cases[] = {
        {[](auto& s) { s.SortColumn.Set(3); }, L"config.ini", L"SortColumn", L"SortColumn = 3"},
        {[](auto& s) { s.GroupDescending.Set(true); }, L"config.ini", L"GroupDescending",
         L"GroupDescending = true"},
        {[](auto& s) { s.Language.Set(L"deutsch.ini"); }, L"config.ini", L"Language",
         L"Language = deutsch.ini"},
        {[](auto& s) { s.GroupColumn.Set(2); }, L"config.ini", L"GroupColumn", L"GroupColumn = 2"},
        {[](auto& s) { s.DisableHistory.Set(true); }, L"config.ini", L"DisableHistory",
         L"DisableHistory = true"},
        {[](auto& s) { s.AutoSaveDefSearch.Set(true); }, L"config.ini", L"AutoSaveDefSearch",
         L"AutoSaveDefSearch = true"},
        {[](auto& s) { s.LisViewMode.Set(0); }, L"uistates.ini", L"LisViewMode",
         L"LisViewMode = 0"},
        {[](auto& s) { s.StatusBar.Set(false); }, L"uistates.ini", L"StatusBar",
         L"StatusBar = false"},
        {[](auto& s) { s.ExportLastType.Set(2); }, L"uistates.ini", L"ExportLastType",
         L"ExportLastType = 2"},
        {[](auto& s) { s.SearchPanelAutoHide.Set(true); }, L"uistates.ini", L"SearchPanelAutoHide",
         L"SearchPanelAutoHide = true"},
        {[](auto& s) { s.Toolbar.Set(false); }, L"uistates.ini", L"Toolbar", L"Toolbar = false"},
        {[](auto& s) { s.SearchPanelRight.Set(1); }, L"uistates.ini", L"SearchPanelRight",
         L"SearchPanelRight = 1"},
        {[](auto& s) { s.SearchPanelWidth.Set(300); }, L"uistates.ini", L"SearchPanelWidth",
         L"SearchPanelWidth = 300"},
        {[](auto& s) { s.HexviewStatusBar.Set(false); }, L"hexview.ini", L"StatusBar",
         L"StatusBar = false"},
        {[](auto& s) { s.BytesPerLine.Set(32); }, L"hexview.ini", L"BytesPerLine",
         L"BytesPerLine = 32"},
        {[](auto& s) { s.VertSelection.Set(true); }, L"hexview.ini", L"VertSelection",
         L"VertSelection = true"},
    };
    for (const Case& c : cases) {
        RemoveFiles();
        VQSettings settings;
        InitSettings(settings);
        c.change(settings);
        const std::wstring expected = ValueOf(settings, c.file, c.key);
        EXPECT_EQ(ReadUtf16(PathA(c.file)), L"[global]\r\n" + std::wstring(c.line) + L"\r\n\r\n")
            << c.line;
        VQSettings reloaded;
        InitSettings(reloaded);
        EXPECT_EQ(ValueOf(reloaded, c.file, c.key), expected) << c.line;
    }
}

TEST_F(SettingsTest, UnchangedValuesAndGroupSettingsWriteNothingOnSet) {
    const std::function<void(VQSettings&)> changes[] = {
        [](auto& s) { s.SortColumn.Set(9); },           // equal to the default, key missing
        [](auto& s) { s.Toolbar.Set(true); },           // likewise
        [](auto& s) { s.Language.Set(L""); },           // likewise
        [](auto& s) { s.SearchPanelWidth.Set(260); },   // likewise
        [](auto& s) { s.KeepFoldersOnTop.Set(false); }, // saved by group 1 only
        [](auto& s) { s.MainWndPos_L.Set(5); },         // group 2
        [](auto& s) { s.HexViewer.CustomHexviewName.Set(L"x"); }, // group 3
        [](auto& s) { s.WndMax.Set(true); },                      // group 4
    };
    VQSettings settings;
    InitSettings(settings);
    for (const auto& change : changes)
        change(settings);
    EXPECT_FALSE(AnyFileExists());
    EXPECT_FALSE(settings.KeepFoldersOnTop.Get());
    EXPECT_EQ(settings.MainWndPos_L.Get(), 5);
}

TEST_F(SettingsTest, ASetKeepsEveryOtherKeyOfTheFile) {
    WriteA(L"config.ini",
           "[global]\r\nSortColumn = 2\r\nFutureOption = on\r\n[Plugin]\r\nx = 1\r\n");
    VQSettings settings;
    InitSettings(settings);
    settings.SortDescending.Set(true);
    EXPECT_EQ(ReadUtf16(PathA(L"config.ini")),
              L"[global]\r\nFutureOption = on\r\nSortColumn = 2\r\nSortDescending = true\r\n\r\n"
              L"[Plugin]\r\nx = 1\r\n\r\n");
}

TEST_F(SettingsTest, GroupsAreSavedTogetherToTheirFile) {
    VQSettings settings;
    InitSettings(settings);
    settings.KeepFoldersOnTop.Set(false);
    settings.UseGridLines.Set(true);
    settings.MainWndPos_L.Set(-200);
    settings.MainWndPos_T.Set(10);
    settings.MainWndPos_R.Set(800);
    settings.MainWndPos_B.Set(600);
    settings.MainWndMax.Set(true);
    settings.HexViewer.UseCustomHexview.Set(true);
    settings.HexViewer.CustomHexviewPath.Set(L"C:\\Tools\\hx.exe %1");
    settings.HexViewer.CustomHexviewName.Set(L"Hx");
    settings.HexViewer.ProgramPath = L"C:\\cached.exe";
    settings.HexViewer.Arguments = L"%1";
    settings.WndPos_L.Set(1);
    settings.WndPos_T.Set(2);
    settings.WndPos_R.Set(3);
    settings.WndPos_B.Set(4);
    settings.WndMax.Set(false);

    settings.SaveGroup(0);
    settings.SaveGroup(5);
    EXPECT_FALSE(AnyFileExists());

    settings.SaveGroup(1);
    EXPECT_EQ(ReadUtf16(PathA(L"config.ini")),
              L"[global]\r\nExportUseStrSize = false\r\nKeepFoldersOnTop = false\r\n"
              L"RemoveNonExists = false\r\nSortWhileSearch = false\r\nUpdateTBOpenBtn = true\r\n"
              L"UseGridLines = true\r\nUseShellContextMenu = true\r\n\r\n");
    settings.SaveGroup(2);
    EXPECT_EQ(ReadUtf16(PathA(L"uistates.ini")),
              L"[global]\r\nMainWndMax = true\r\nMainWndPos_B = 600\r\nMainWndPos_L = -200\r\n"
              L"MainWndPos_R = 800\r\nMainWndPos_T = 10\r\n\r\n");
    EXPECT_EQ(settings.HexViewer.ProgramPath, L"C:\\cached.exe");
    settings.SaveGroup(3);
    EXPECT_TRUE(settings.HexViewer.ProgramPath.empty());
    EXPECT_TRUE(settings.HexViewer.Arguments.empty());
    settings.SaveGroup(4);
    EXPECT_EQ(ReadUtf16(PathA(L"hexview.ini")),
              L"[global]\r\nWndMax = false\r\nWndPos_B = 4\r\nWndPos_L = 1\r\nWndPos_R = 3\r\n"
              L"WndPos_T = 2\r\n\r\n");

    VQSettings reloaded;
    InitSettings(reloaded);
    EXPECT_FALSE(reloaded.KeepFoldersOnTop.Get());
    EXPECT_TRUE(reloaded.UseGridLines.Get());
    EXPECT_EQ(reloaded.MainWndPos_L.Get(), -200);
    EXPECT_TRUE(reloaded.MainWndMax.Get());
    EXPECT_TRUE(reloaded.HexViewer.UseCustomHexview.Get());
    EXPECT_EQ(reloaded.HexViewer.CustomHexviewPath.Get(), L"C:\\Tools\\hx.exe %1");
    EXPECT_EQ(reloaded.HexViewer.CustomHexviewName.Get(), L"Hx");
    EXPECT_EQ(reloaded.WndPos_R.Get(), 3);
}

TEST_F(SettingsTest, FontsAreReadFromTheirFiles) {
    LOGFONTW list{};
    list.lfHeight = -13;
    list.lfPitchAndFamily = VARIABLE_PITCH;
    wcscpy_s(list.lfFaceName, L"Arial");
    mvstring hex;
    HexEncode(hex, &list, sizeof list);
    const std::string text = "[global]\r\nFont = " + WideToAnsi(hex) + "\r\n";
    WriteA(L"config.ini", text);
    WriteA(L"hexview.ini", text); // not fixed-pitch: replaced

    VQSettings settings;
    InitSettings(settings);
    EXPECT_EQ(memcmp(&settings.ListFont, &list, sizeof list), 0);
    LOGFONTW hexview{};
    settings.LoadSaveHexviewFont(hexview, false);
    EXPECT_STREQ(hexview.lfFaceName, L"Courier New");
    EXPECT_EQ(hexview.lfPitchAndFamily & 0x0F, FIXED_PITCH);
}
