// The user's settings: setting objects that know their key, their file and
// their default and write themselves back when they change, and the one
// process-wide settings block VQSettings with every key of config.ini,
// uistates.ini, hexview.ini and advconf.ini.
//
// The block is loaded before any thread starts and changed on the UI thread
// only. The search worker and the icon loader read single-byte settings and
// the advconf.ini values without a lock: those are one byte or fixed after
// start-up.
#pragma once

#include "foundation/ColumnSettings.h"
#include "foundation/ConfigFiles.h"
#include "foundation/mvstring.h"

#include <windows.h>

#include <cstdint>
#include <set>
#include <string_view>
#include <vector>

class mvini;

// Storage id of a setting: the file it writes itself to when it changes.
// Any other value writes nothing.
enum SettingFile : int32_t {
    SettingFileNone = 0,     // written only by VQSettings::SaveGroup
    SettingFileConfig = 1,   // config.ini
    SettingFileUiStates = 2, // uistates.ini
    SettingFileConfig3 = 3,  // config.ini as well
    SettingFileHexview = 4,  // hexview.ini
};

// The file name a storage id writes to, or null for none.
const wchar_t* SettingFileName(int32_t file);

// Saves one key of section [global] with its value text into the file of the
// storage id, merged into what the file holds. Nothing happens for an empty
// key or an id that names no file.
void SaveSettingText(int32_t file, std::wstring_view key, const mvstring& text);

// Common part of the setting objects: key, storage id and value. A setting
// that was never loaded has an empty key and storage id 0, so it writes
// nothing. `Self` supplies ValueText(), the value as written to the file.
template <typename T, typename Self> class SettingBase {
public:
    const mvstring& Key() const noexcept { return m_key; }
    int32_t File() const noexcept { return m_file; }

protected:
    // Nothing happens when the value is unchanged (texts compare exactly);
    // otherwise it is stored and, when the storage id names a file, written
    // there at once, merged into what the file holds.
    void Change(const T& value) {
        if (m_value == value)
            return;
        m_value = value;
        SaveSettingText(m_file, m_key, static_cast<const Self*>(this)->ValueText());
    }

    mvstring m_key;
    int32_t m_file = SettingFileNone;
    T m_value{};
};

// A boolean, written "true" or "false"; read as "true" in any case or a
// non-zero number.
class BoolSetting : public SettingBase<uint8_t, BoolSetting> {
public:
    // The parsed value, or `def` when the key is missing or empty.
    void Load(const mvini& ini, const mvstring& key, bool def, int32_t file);
    // Nothing happens when the value is unchanged; otherwise it is stored and
    // written to the setting's file.
    void Set(bool value) { Change(value ? 1 : 0); }
    bool Get() const noexcept { return m_value != 0; }
    operator bool() const noexcept { return Get(); }
    mvstring ValueText() const;
};

// An unsigned byte written with "%u".
class ByteSetting : public SettingBase<uint8_t, ByteSetting> {
public:
    // The number cut to its low 8 bits; `def` when that byte is outside
    // low..high or the key is missing or empty.
    void Load(const mvini& ini, const mvstring& key, uint8_t low, uint8_t high, uint8_t def,
              int32_t file);
    void Set(uint8_t value) { Change(value); }
    uint8_t Get() const noexcept { return m_value; }
    operator uint8_t() const noexcept { return m_value; }
    mvstring ValueText() const;

private:
    friend void LoadSearchPanelRight(ByteSetting& setting, const mvini& ini, uint8_t def);
};

// Key "SearchPanelRight" of uistates.ini (storage id 2): the number cut to its low 8 bits,
// with no range test; `def` when missing or empty.
void LoadSearchPanelRight(ByteSetting& setting, const mvini& ini, uint8_t def = 0);

// A text, written as it is. Values compare exactly, code unit by code unit.
class StringSetting : public SettingBase<mvstring, StringSetting> {
public:
    // The text, or the empty string.
    void Load(const mvini& ini, const mvstring& key, int32_t file);
    void Set(const mvstring& value) { Change(value); }
    const mvstring& Get() const noexcept { return m_value; }
    mvstring ValueText() const { return m_value; }
};

// The search panel's width (key "SearchPanelWidth" of uistates.ini), written
// with "%u".
class IntSetting : public SettingBase<int32_t, IntSetting> {
public:
    // 260 when the number, taken as unsigned 32-bit, is above 32767 (so also
    // when negative), or the key is missing or empty.
    void Load(const mvini& ini);
    void Set(int32_t value) { Change(value); }
    int32_t Get() const noexcept { return m_value; }
    operator int32_t() const noexcept { return m_value; }
    mvstring ValueText() const;
};

// A window coordinate, written with "%d"; saved only with its group.
class PosSetting : public SettingBase<int32_t, PosSetting> {
public:
    // 0 when the number is outside -32768..32767 or the key is missing or
    // empty.
    void Load(const mvini& ini, const mvstring& key);
    void Set(int32_t value) { Change(value); }
    int32_t Get() const noexcept { return m_value; }
    operator int32_t() const noexcept { return m_value; }
    mvstring ValueText() const;
};

// The configured hex viewer: the command worked out on first use (cleared
// when the hex-viewer settings are saved) and the three settings of
// config.ini, saved together by VQSettings::SaveGroup(3).
struct HexViewerLaunch {
    mvstring ProgramPath; // cached program of the viewer command
    mvstring Arguments;   // cached argument text of the viewer command
    BoolSetting UseCustomHexview;
    StringSetting CustomHexviewPath; // program path, optionally arguments with "%1"
    StringSetting CustomHexviewName; // display name for the set-up dialog
};

// Result groups by size (key GroupSizes of advconf.ini): n bounds in the order
// written and the n + 2 display labels, which are made from the bounds when
// shown (SizeGroupLabel in foundation/GroupRanges.h): the load leaves Labels
// empty, and labels put there are shown in place of the made ones.
struct SizeGroups {
    std::vector<uint64_t> Bounds;
    std::vector<mvstring> Labels;
};

using ExtensionSet = std::set<mvstring, mvmap_nocasecompare>;

// The process-wide settings block. Names follow the keys of the files; the
// four "...MB" keys of advconf.ini are held in bytes.
class VQSettings {
public:
    // Threads: the block is loaded before any other thread starts and
    // changed on the UI thread only. The advconf.ini values never change
    // after that load, so any thread may read them. The other settings are
    // read on the UI thread only; what a search worker needs of them is
    // copied into its job when the job is made and when its worker starts
    // (WorkerSettings in search/SearchJob.h).

    // --- advconf.ini (read only; see LoadAdvancedConfig) ---
    mvstring GroupNameChars = L"09AHIPQZ"; // pairs of first characters (low, high)
    ExtensionSet SpecIconExts;             // extensions with their own icons
    uint8_t ToolbarIconSize = 0;           // 0 automatic, 24 or 32
    uint8_t FileSizeFormat = 0;            // 0..2
    uint8_t ThumbnailFlag = 0;             // 0..2
    bool ForceUsePropSys = false;
    bool AttrSortWithString = false;
    uint16_t ListModeColumnWidth = 260;
    uint32_t MaxItemStatusShowSize = 0; // 0: no limit
    int32_t MaxItemOpen = 8;
    uint32_t MaxItemContextMenu = 0;          // 0: no limit
    uint16_t MaxHistory = 32;                 // 1..256
    uint32_t MaxFileInZipBytes = 256u << 20;  // key MaxFileInZipMB
    uint32_t MaxRegexpTextBytes = 256u << 20; // key MaxRegexpTextMB
    uint32_t FileBufferSize = 2u << 20;       // key FileBufferSizeMB
    uint32_t HexviewMaxCopyBytes = 10u << 20; // key HexviewMaxCopyMB
    mvstring ForceTheme;
    bool NoIExplorerBrowser = false;
    bool NoParseDocx = false;
    ::SizeGroups SizeGroups;

    // --- config.ini ---
    LOGFONTW ListFont{};             // all zero: the list's default font
    BoolSetting KeepFoldersOnTop;    // group 1
    BoolSetting UseShellContextMenu; // group 1
    BoolSetting RemoveNonExists;     // group 1; workers read their job's copy
    BoolSetting UseGridLines;        // group 1
    BoolSetting ExportUseStrSize;    // group 1
    BoolSetting UpdateTBOpenBtn;     // group 1
    BoolSetting SortWhileSearch;     // group 1; workers read their job's copy
    BoolSetting DisableHistory;
    ByteSetting SortColumn;  // list column id 0..8, 9 none
    ByteSetting GroupColumn; // list column id 0..8, 9 none
    BoolSetting SortDescending;
    BoolSetting GroupDescending;
    StringSetting Language; // file name of the language file
    BoolSetting AutoSaveDefSearch;
    HexViewerLaunch HexViewer; // group 3

    // --- uistates.ini, written by their own operations ---
    ExportColumns ExportCustomCols; // the export dialog's columns
    ColumnSettings Columns;         // the results list's column layout

    // --- uistates.ini ---
    ByteSetting LisViewMode; // the key is spelled so
    BoolSetting Toolbar;
    BoolSetting StatusBar;
    ByteSetting ExportLastType;
    ByteSetting SearchPanelRight;
    BoolSetting SearchPanelAutoHide;
    IntSetting SearchPanelWidth;
    PosSetting MainWndPos_L; // group 2
    PosSetting MainWndPos_T; // group 2
    PosSetting MainWndPos_R; // group 2
    PosSetting MainWndPos_B; // group 2
    BoolSetting MainWndMax;  // group 2

    // --- hexview.ini ---
    LOGFONTW HexviewFont{};       // as read; handed out fixed-pitch (LoadSaveHexviewFont)
    PosSetting WndPos_L;          // group 4
    PosSetting WndPos_T;          // group 4
    PosSetting WndPos_R;          // group 4
    PosSetting WndPos_B;          // group 4
    BoolSetting WndMax;           // group 4
    BoolSetting HexviewStatusBar; // key StatusBar of hexview.ini
    BoolSetting VertSelection;
    ByteSetting BytesPerLine;

    // Readers of the four files, each into a temporary ini read through the
    // two-folder rule (advconf.ini only beside the program). A missing file,
    // key or valid value gives the default.
    void LoadAdvancedConfig();
    void LoadConfig();
    void LoadUiStates();
    void LoadHexviewConfig();

    // Saves one group of settings that are written only together, merged into
    // their file: 1 the seven option booleans (config.ini), 2 the main window
    // placement (uistates.ini), 3 the hex-viewer command (config.ini; the
    // cached command is cleared), 4 the hex viewer placement (hexview.ini).
    // Any other number does nothing.
    void SaveGroup(int group);

    // Stored fonts and the hex-viewer command.
    void LoadSaveListFont(LOGFONTW& font, bool save, mvini* ini = nullptr);
    void LoadSaveHexviewFont(LOGFONTW& font, bool save, mvini* ini = nullptr);
    void OpenInHexViewer(const mvstring& path, int64_t offset, int32_t count);
};

// Loads every file into the block, in this order: advconf.ini, config.ini,
// uistates.ini, hexview.ini.
void InitSettings(VQSettings& settings);

// The process-wide block. The first call builds and loads it; the program
// makes that call among its start-up initialisers, before any thread starts.
VQSettings& Settings();
