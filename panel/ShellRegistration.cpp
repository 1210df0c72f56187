#include "panel/ShellRegistration.h"

#include "foundation/Handles.h"
#include "foundation/ModulePath.h"
#include "foundation/Paths.h"
#include "foundation/Registry.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace {

// The program path as the shell starts it: in double quotes when it holds a
// blank.
mvstring QuotedProgram(std::wstring_view program) {
    if (program.find(L' ') == std::wstring_view::npos)
        return mvstring(program);
    mvstring quoted(L"\"");
    quoted += program;
    quoted += L'"';
    return quoted;
}

mvstring ProgIdKey() {
    return PathJoin(L"Software\\Classes", kSavedSearchProgId);
}

// Gone, or never there.
bool DeletedTree(std::wstring_view path) {
    return RegDeleteTreeHKCU(path) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Deletes `path` when it has neither subkeys nor values.
void DeleteIfEmpty(const mvstring& path) {
    RegKeyHandle key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return;
    DWORD subKeys = 0, values = 0;
    const bool empty = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr,
                                        nullptr, &values, nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS &&
                       subKeys == 0 && values == 0;
    key.Reset();
    if (empty)
        RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
}

// Whether ".velquin" still names the program's own type.
bool ExtensionIsOurs() {
    DWORD type = 0;
    const SharedBuffer value = ReadRegistryValue(kSavedSearchExtensionKey, nullptr, &type);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    const std::wstring_view progId(kSavedSearchProgId);
    const auto* text = reinterpret_cast<const wchar_t*>(value.Data());
    const std::size_t length = text != nullptr ? wcsnlen(text, value.Size() / sizeof(wchar_t)) : 0;
    return length == progId.size() &&
           CompareStringOrdinal(text, static_cast<int>(length), progId.data(),
                                static_cast<int>(progId.size()), TRUE) == CSTR_EQUAL;
}

void NotifyAssociationsChanged() {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

} // namespace

bool RegSetDefaultValue(HKEY root, std::wstring_view subKey, std::wstring_view text) {
    if (root == nullptr || subKey.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const mvstring path(subKey), value(text);
    RegKeyHandle key;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, key.Put(), nullptr);
    if (status == ERROR_SUCCESS)
        status = RegSetValueExW(key.Get(), nullptr, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

bool RegDeleteTreeHKCU(std::wstring_view path) {
    while (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    if (path.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const mvstring key(path);
    const LONG status = RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

bool RegisterFileTypeFor(std::wstring_view program, bool add) {
    const mvstring progIdKey = ProgIdKey();
    bool done = true;
    DWORD firstError = ERROR_SUCCESS;
    // Every step is tried even after one failed; the first failure's error
    // is the one left for the caller.
    auto step = [&](bool ok) {
        if (!ok && done) {
            done = false;
            firstError = GetLastError();
        }
    };
    if (add) {
        const mvstring path = QuotedProgram(program);
        step(RegSetDefaultValue(HKEY_CURRENT_USER, kSavedSearchExtensionKey, kSavedSearchProgId));
        step(RegSetDefaultValue(HKEY_CURRENT_USER, progIdKey, L"Velquin"));
        step(RegSetDefaultValue(HKEY_CURRENT_USER, PathJoin(progIdKey, L"DefaultIcon"),
                                path + L",0"));
        step(RegSetDefaultValue(HKEY_CURRENT_USER, PathJoin(progIdKey, L"shell\\open\\command"),
                                path + L" \"%1\""));
    } else {
        step(DeletedTree(progIdKey));
        if (ExtensionIsOurs())
            step(DeletedTree(kSavedSearchExtensionKey));
    }
    NotifyAssociationsChanged();
    SetLastError(firstError);
    return done;
}

bool RegisterFileType(bool add) {
    return RegisterFileTypeFor(GetModulePath(L""), add);
}

bool RegisterFolderVerbsFor(std::wstring_view program, bool add) {
    const mvstring path = QuotedProgram(program);
    struct Verb {
        const wchar_t* key;
        mvstring command;
    };
    // Folders get the argument quoted; a drive's root ("C:\") would end the
    // quoted argument with its backslash, so a drive's is left bare.
    const Verb verbs[] = {{kFolderVerbKey, path + L" \"%1\""}, {kDriveVerbKey, path + L" %1"}};
    for (const Verb& verb : verbs) {
        if (add) {
            if (!RegSetDefaultValue(HKEY_CURRENT_USER, verb.key, L"Velquin") ||
                !RegSetDefaultValue(HKEY_CURRENT_USER, PathJoin(verb.key, L"command"),
                                    verb.command))
                return false;
            continue;
        }
        if (!DeletedTree(verb.key))
            return false;
        const mvstring shell = PathParent(verb.key);
        DeleteIfEmpty(shell);
        DeleteIfEmpty(PathParent(shell));
    }
    return true;
}

bool RegisterFolderVerbs(bool add) {
    return RegisterFolderVerbsFor(GetModulePath(L""), add);
}
