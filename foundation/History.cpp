#include "foundation/History.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include <algorithm>
#include <cwchar>

namespace {

struct HistorySection {
    uint8_t kind;
    const wchar_t* name;
};

constexpr HistorySection kSections[] = {
    {HistoryNames, L"Names"},
    {HistoryWords, L"Words"},
    {HistoryFolders, L"Folders"},
    {HistoryHexviewWords, L"Hexview_Words"},
};

const wchar_t* SectionOf(uint8_t kind) {
    for (const HistorySection& section : kSections)
        if (section.kind == kind)
            return section.name;
    return nullptr;
}

// Reads history.ini (the newer copy) into `ini`. False when a copy exists but
// could not be read: rewriting the file from what was read would then throw
// away every list the user had.
bool ReadHistoryFile(mvini& ini) {
    return LoadNamedIni(ini, false, kHistoryIni);
}

void WriteHistoryFile(const mvini& ini) {
    SaveConfigIni(ini, kHistoryIni);
}

} // namespace

void LoadHistory(std::vector<mvstring>* names, std::vector<mvstring>* words,
                 std::vector<mvstring>* folders) {
    mvini ini(L"global");
    ReadHistoryFile(ini);
    const std::pair<std::vector<mvstring>*, const wchar_t*> lists[] = {
        {names, SectionOf(HistoryNames)},
        {words, SectionOf(HistoryWords)},
        {folders, SectionOf(HistoryFolders)},
    };
    for (const auto& [list, section] : lists)
        if (list)
            GetIniSectionValues(ini, section, *list);
}

void AddHistory(uint8_t kind, const mvstring& text) {
    const wchar_t* section = SectionOf(kind);
    if (section == nullptr || text.empty())
        return;
    mvini ini(L"global");
    if (!ReadHistoryFile(ini))
        return;

    std::vector<mvstring> list;
    GetIniSectionValues(ini, section, list);
    std::erase_if(list, [&](const mvstring& entry) { return mvstring::EqualsNoCase(entry, text); });
    list.insert(list.begin(), text);
    const std::size_t capacity = Settings().MaxHistory;
    if (list.size() > capacity)
        list.resize(capacity);

    ini.erase(mvstring(section));
    mvinisection& keys = ini.Section(section);
    for (std::size_t i = 0; i < list.size(); ++i) {
        wchar_t key[16];
        swprintf(key, 16, L"%.4x", static_cast<unsigned>(i));
        keys[key] = list[i];
    }
    WriteHistoryFile(ini);
}

void ClearHistory(uint32_t kinds) {
    kinds &= HistoryAll;
    if (kinds == 0)
        return;
    mvini ini(L"global");
    // Clearing every list needs nothing from the file, so it is emptied even
    // when it cannot be read.
    if (kinds != HistoryAll) {
        if (!ReadHistoryFile(ini))
            return;
        for (const HistorySection& section : kSections)
            if (kinds & section.kind)
                ini.erase(mvstring(section.name));
    }
    WriteHistoryFile(ini);
}
