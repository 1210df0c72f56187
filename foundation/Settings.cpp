#include "foundation/Settings.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Numbers.h"
#include "foundation/mvini.h"

namespace {

constexpr wchar_t kGlobal[] = L"global";

mvstring ReadValue(const mvini& ini, std::wstring_view key) {
    return ini.GetString(kGlobal, key);
}

} // namespace

const wchar_t* SettingFileName(int32_t file) {
    switch (file) {
    case SettingFileConfig:
    case SettingFileConfig3:
        return kConfigIni;
    case SettingFileUiStates:
        return kUiStatesIni;
    case SettingFileHexview:
        return kHexviewIni;
    default:
        return nullptr;
    }
}

void SaveSettingText(int32_t file, std::wstring_view key, const mvstring& text) {
    const wchar_t* name = SettingFileName(file);
    if (name == nullptr || key.empty())
        return;
    mvini ini(kGlobal);
    ini.SetString(kGlobal, key, text);
    LoadNamedIni(ini, true, name);
}

// --- BoolSetting ---

void BoolSetting::Load(const mvini& ini, const mvstring& key, bool def, int32_t file) {
    m_key = key;
    m_file = file;
    const mvstring text = ReadValue(ini, key);
    m_value = (text.empty() ? def : ParseBool(text)) ? 1 : 0;
}

mvstring BoolSetting::ValueText() const {
    return Get() ? L"true" : L"false";
}

// --- ByteSetting ---

void ByteSetting::Load(const mvini& ini, const mvstring& key, uint8_t low, uint8_t high,
                       uint8_t def, int32_t file) {
    m_key = key;
    m_file = file;
    const mvstring text = ReadValue(ini, key);
    const auto value = static_cast<uint8_t>(text.ToInt());
    m_value = (text.empty() || value < low || value > high) ? def : value;
}

void LoadSearchPanelRight(ByteSetting& setting, const mvini& ini, uint8_t def) {
    setting.m_key = L"SearchPanelRight";
    setting.m_file = SettingFileUiStates;
    const mvstring text = ReadValue(ini, setting.m_key);
    setting.m_value = text.empty() ? def : static_cast<uint8_t>(text.ToInt());
}

mvstring ByteSetting::ValueText() const {
    return ByteToText(m_value);
}

// --- StringSetting ---

void StringSetting::Load(const mvini& ini, const mvstring& key, int32_t file) {
    m_key = key;
    m_file = file;
    m_value = ReadValue(ini, key);
}

// --- IntSetting ---

void IntSetting::Load(const mvini& ini) {
    constexpr int32_t kDefaultWidth = 260;
    m_key = L"SearchPanelWidth";
    m_file = SettingFileUiStates;
    const mvstring text = ReadValue(ini, m_key);
    const auto value = static_cast<uint32_t>(text.ToInt());
    m_value = (text.empty() || value > 32767) ? kDefaultWidth : static_cast<int32_t>(value);
}

mvstring IntSetting::ValueText() const {
    return FormatUInt64(static_cast<uint32_t>(m_value));
}

// --- PosSetting ---

void PosSetting::Load(const mvini& ini, const mvstring& key) {
    m_key = key;
    m_file = SettingFileNone;
    const mvstring text = ReadValue(ini, key);
    const auto value = static_cast<int32_t>(static_cast<uint32_t>(text.ToInt()));
    m_value = (text.empty() || value < -32768 || value > 32767) ? 0 : value;
}

mvstring PosSetting::ValueText() const {
    return IntToText(m_value);
}

// --- the settings block ---

void VQSettings::LoadConfig() {
    mvini ini(kGlobal);
    LoadNamedIni(ini, false, kConfigIni);
    KeepFoldersOnTop.Load(ini, L"KeepFoldersOnTop", true, SettingFileNone);
    UseShellContextMenu.Load(ini, L"UseShellContextMenu", true, SettingFileNone);
    RemoveNonExists.Load(ini, L"RemoveNonExists", false, SettingFileNone);
    UseGridLines.Load(ini, L"UseGridLines", false, SettingFileNone);
    ExportUseStrSize.Load(ini, L"ExportUseStrSize", false, SettingFileNone);
    UpdateTBOpenBtn.Load(ini, L"UpdateTBOpenBtn", true, SettingFileNone);
    SortWhileSearch.Load(ini, L"SortWhileSearch", false, SettingFileNone);
    SortColumn.Load(ini, L"SortColumn", 0, 9, 9, SettingFileConfig);
    GroupColumn.Load(ini, L"GroupColumn", 0, 9, 9, SettingFileConfig);
    SortDescending.Load(ini, L"SortDescending", false, SettingFileConfig);
    GroupDescending.Load(ini, L"GroupDescending", false, SettingFileConfig);
    DisableHistory.Load(ini, L"DisableHistory", false, SettingFileConfig);
    AutoSaveDefSearch.Load(ini, L"AutoSaveDefSearch", false, SettingFileConfig);
    HexViewer.UseCustomHexview.Load(ini, L"UseCustomHexview", false, SettingFileNone);
    HexViewer.CustomHexviewPath.Load(ini, L"CustomHexviewPath", SettingFileNone);
    HexViewer.CustomHexviewName.Load(ini, L"CustomHexviewName", SettingFileNone);
    Language.Load(ini, L"Language", SettingFileConfig);
    LOGFONTW unused{};
    LoadSaveListFont(unused, false, &ini);
}

void VQSettings::LoadUiStates() {
    mvini ini(kGlobal);
    LoadNamedIni(ini, false, kUiStatesIni);
    LisViewMode.Load(ini, L"LisViewMode", 0, 6, 4, SettingFileUiStates);
    Toolbar.Load(ini, L"Toolbar", true, SettingFileUiStates);
    StatusBar.Load(ini, L"StatusBar", true, SettingFileUiStates);
    ExportLastType.Load(ini, L"ExportLastType", 0, 2, 0, SettingFileUiStates);
    LoadSearchPanelRight(SearchPanelRight, ini, 0);
    SearchPanelAutoHide.Load(ini, L"SearchPanelAutoHide", false, SettingFileUiStates);
    SearchPanelWidth.Load(ini);
    MainWndPos_L.Load(ini, L"MainWndPos_L");
    MainWndPos_T.Load(ini, L"MainWndPos_T");
    MainWndPos_R.Load(ini, L"MainWndPos_R");
    MainWndPos_B.Load(ini, L"MainWndPos_B");
    MainWndMax.Load(ini, L"MainWndMax", false, SettingFileNone);
    Columns.Load(ini);
    ExportCustomCols.LoadSave(false, nullptr, nullptr, &ini);
}

void VQSettings::LoadHexviewConfig() {
    mvini ini(kGlobal);
    LoadNamedIni(ini, false, kHexviewIni);
    WndPos_L.Load(ini, L"WndPos_L");
    WndPos_T.Load(ini, L"WndPos_T");
    WndPos_R.Load(ini, L"WndPos_R");
    WndPos_B.Load(ini, L"WndPos_B");
    WndMax.Load(ini, L"WndMax", false, SettingFileNone);
    HexviewStatusBar.Load(ini, L"StatusBar", true, SettingFileHexview);
    BytesPerLine.Load(ini, L"BytesPerLine", 1, 64, 16, SettingFileHexview);
    VertSelection.Load(ini, L"VertSelection", false, SettingFileHexview);
    LOGFONTW unused{};
    LoadSaveHexviewFont(unused, false, &ini);
}

void VQSettings::SaveGroup(int group) {
    mvini ini(kGlobal);
    auto put = [&ini](const auto&... settings) {
        (ini.SetString(kGlobal, settings.Key(), settings.ValueText()), ...);
    };
    const wchar_t* file = nullptr;
    switch (group) {
    case 1:
        file = kConfigIni;
        put(KeepFoldersOnTop, UseShellContextMenu, RemoveNonExists, UseGridLines, ExportUseStrSize,
            UpdateTBOpenBtn, SortWhileSearch);
        break;
    case 2:
        file = kUiStatesIni;
        put(MainWndPos_L, MainWndPos_T, MainWndPos_R, MainWndPos_B, MainWndMax);
        break;
    case 3:
        file = kConfigIni;
        put(HexViewer.UseCustomHexview, HexViewer.CustomHexviewPath, HexViewer.CustomHexviewName);
        break;
    case 4:
        file = kHexviewIni;
        put(WndPos_L, WndPos_T, WndPos_R, WndPos_B, WndMax);
        break;
    default:
        return;
    }
    LoadNamedIni(ini, true, file);
    if (group == 3) {
        // The viewer command is worked out again at its next use.
        HexViewer.ProgramPath.clear();
        HexViewer.Arguments.clear();
    }
}

void InitSettings(VQSettings& settings) {
    settings = VQSettings();
    settings.LoadAdvancedConfig();
    settings.LoadConfig();
    settings.LoadUiStates();
    settings.LoadHexviewConfig();
}

VQSettings& Settings() {
    static VQSettings settings = [] {
        VQSettings loaded;
        InitSettings(loaded);
        return loaded;
    }();
    return settings;
}
