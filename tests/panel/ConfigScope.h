// The configuration folders pointed into a temporary folder for one test,
// with the settings block loaded from there (so that every setting writes to
// the test's files), and both given back afterwards.
#pragma once

#include "foundation/ConfigFiles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include "support/TempDir.h"

#include <string>
#include <string_view>

class ConfigScope {
public:
    // `config` is the text of config.ini beside the program (none when null).
    explicit ConfigScope(const char* config = nullptr, const char* uiStates = nullptr) {
        SetConfigBaseFolders(m_dir / L"prog", m_dir / L"appdata");
        if (config != nullptr)
            m_dir.WriteFile(L"prog\\Config\\config.ini", config);
        if (uiStates != nullptr)
            m_dir.WriteFile(L"prog\\Config\\uistates.ini", uiStates);
        Reload();
    }
    ~ConfigScope() {
        SetConfigBaseFolders(L"", L"");
        Reload();
    }
    ConfigScope(const ConfigScope&) = delete;
    ConfigScope& operator=(const ConfigScope&) = delete;

    std::wstring Path(const wchar_t* name) const {
        return m_dir / (std::wstring(L"prog\\Config\\") + name);
    }
    bool Exists(const wchar_t* name) const {
        return GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // The key of section [global] as the file holds it; "<none>" when the
    // file or the key is missing.
    std::wstring Value(const wchar_t* name, const wchar_t* key) const {
        mvini ini(L"global");
        if (!Exists(name) || !ini.Load(Path(name)))
            return L"<none>";
        const auto section = ini.find(mvstring(L"global"));
        if (section == ini.end())
            return L"<none>";
        const auto value = section->second.find(mvstring(key));
        return value == section->second.end() ? L"<none>" : value->second.str();
    }
    const TempDir& Dir() const { return m_dir; }

private:
    // A reload keeps the export columns when the file has none: they start
    // from the default here.
    static void Reload() {
        Settings().ExportCustomCols = ExportColumns();
        Settings().LoadConfig();
        Settings().LoadUiStates();
    }

    TempDir m_dir;
};
