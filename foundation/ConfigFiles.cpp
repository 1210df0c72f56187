#include "foundation/ConfigFiles.h"

#include "foundation/FileAccess.h"
#include "foundation/ModulePath.h"
#include "foundation/Paths.h"
#include "foundation/ReplacingFile.h"
#include "foundation/mvini.h"

namespace {

// Set by tests only; empty means the real folder.
mvstring g_programFolderOverride;
mvstring g_appDataFolderOverride;

// Last-write time of an open file, 0 when it cannot be had.
uint64_t LastWriteTime(HANDLE file) {
    FILE_BASIC_INFO info = {};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof info))
        return 0;
    return static_cast<uint64_t>(info.LastWriteTime.QuadPart);
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// True when the copy did not open although a file stands at its path (held by
// another process, access denied). A folder that cannot be reached (an
// offline share, a name the file system refuses) or a folder of that name is
// no such copy: its attributes cannot be read, or name a folder.
bool IsFileThatCannotBeOpened(const mvstring& path, bool opened, DWORD error) {
    if (opened || IsMissing(error))
        return false;
    const DWORD attributes = GetFileAttributesW(ExpandPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

mvstring ConfigPathBesideProgram(const mvstring& name) {
    mvstring folder = g_programFolderOverride.empty() ? GetModulePath() : g_programFolderOverride;
    return PathJoin(PathJoin(folder, L"Config"), name);
}

mvstring ConfigPathPerUser(const mvstring& name) {
    mvstring folder =
        g_appDataFolderOverride.empty() ? ExpandPath(L"%AppData%") : g_appDataFolderOverride;
    return PathJoin(PathJoin(folder, L"Velquin"), name);
}

void SetConfigBaseFolders(const mvstring& programFolder, const mvstring& appDataFolder) {
    g_programFolderOverride = programFolder;
    g_appDataFolderOverride = appDataFolder;
}

mvstring& HexEncode(mvstring& out, const void* bytes, std::size_t count) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    out.clear();
    if (bytes == nullptr || count == 0)
        return out;
    const auto* p = static_cast<const uint8_t*>(bytes);
    out.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(kDigits[p[i] >> 4]);
        out.push_back(kDigits[p[i] & 15]);
    }
    return out;
}

FileHandle OpenFileRetry(const mvstring& path, bool write) {
    FileHandle file;
    RetryWhileShared([&] {
        file = OpenFileForText(path, write);
        return static_cast<bool>(file);
    });
    return file;
}

FileHandle OpenConfigFile(const mvstring& name, mvstring* path) {
    if (path)
        path->clear();
    if (name.empty())
        return FileHandle();
    const mvstring pathA = ConfigPathBesideProgram(name);
    const mvstring pathB = ConfigPathPerUser(name);

    FileHandle fileA = OpenFileRetry(pathA, false);
    const DWORD errorA = fileA ? ERROR_SUCCESS : GetLastError();
    const uint64_t timeA = fileA ? LastWriteTime(fileA.Get()) : 0;
    FileHandle fileB = OpenFileRetry(pathB, false);
    const DWORD errorB = fileB ? ERROR_SUCCESS : GetLastError();
    const uint64_t timeB = fileB ? LastWriteTime(fileB.Get()) : 0;

    // A copy that exists but cannot be opened (held by another process
    // beyond the retry, access denied) has no known time, so which copy is
    // newer cannot be told: that copy is chosen and its own error is left
    // for the caller. Otherwise a save would go on from the other copy, or
    // from nothing when the other copy is missing, and the result would
    // shadow the unreadable copy with only part of its keys.
    // A copy beside the program that cannot be reached as a file at all (a
    // folder of that name, a name the file system refuses) is no copy: the
    // per-user copy is chosen even while it is missing, so that the first
    // save, which cannot go beside the program, creates it and is read back.
    const bool noCopyA = !fileA && !IsMissing(errorA) &&
                         !IsFileThatCannotBeOpened(pathA, static_cast<bool>(fileA), errorA);
    bool chooseB = timeA < timeB || noCopyA;
    if (IsFileThatCannotBeOpened(pathA, static_cast<bool>(fileA), errorA))
        chooseB = false;
    else if (IsFileThatCannotBeOpened(pathB, static_cast<bool>(fileB), errorB))
        chooseB = true;
    if (path)
        *path = chooseB ? pathB : pathA;
    FileHandle chosen = chooseB ? std::move(fileB) : std::move(fileA);
    fileA.Reset();
    fileB.Reset();
    SetLastError(chosen ? ERROR_SUCCESS : (chooseB ? errorB : errorA));
    return chosen;
}

bool OpenConfigFileForReplacing(const mvstring& name, ReplacingFile& file, mvstring* path) {
    if (path)
        path->clear();
    if (name.empty())
        return false;
    for (const mvstring& candidate : {ConfigPathBesideProgram(name), ConfigPathPerUser(name)}) {
        if (file.Open(candidate)) {
            if (path)
                *path = candidate;
            return true;
        }
    }
    return false;
}

bool SaveConfigIni(const mvini& ini, const mvstring& name) {
    ReplacingFile file;
    return OpenConfigFileForReplacing(name, file) && ini.Save(file.Handle()) && file.Commit();
}

void MergeIni(mvini& target, const mvini& source) {
    for (const auto& [sectionName, keys] : source) {
        if (keys.empty())
            continue;
        mvinisection& section = target.Section(sectionName);
        for (const auto& [key, value] : keys)
            section[key] = value;
    }
}

bool LoadNamedIni(mvini& ini, bool save, const mvstring& name) {
    if (!save)
        ini.ClearSections();
    mvini file(L"global");
    {
        FileHandle handle = OpenConfigFile(name);
        if (handle) {
            mvstring text;
            // A copy that cannot be read whole must not be replaced by one
            // that holds only the keys being saved.
            if (!ReadTextFile(handle.Get(), text))
                return false;
            file.Parse(text);
        } else {
            if (!IsMissing(GetLastError()))
                return false;
        }
    } // the read handle is closed before the file is opened for writing
    if (save) {
        MergeIni(file, ini);
        return SaveConfigIni(file, name);
    }
    // Only the sections move; the object keeps its own default section name.
    static_cast<mvstrmap<mvinisection>&>(ini) =
        std::move(static_cast<mvstrmap<mvinisection>&>(file));
    return true;
}

bool GetIniSectionValues(const mvini& ini, std::wstring_view section, std::vector<mvstring>& out) {
    out.clear();
    if (section.empty())
        return false;
    auto it = ini.find(section);
    if (it == ini.end())
        return false;
    out.reserve(it->second.size());
    for (const auto& entry : it->second)
        out.push_back(entry.second);
    return true;
}
