#include "foundation/Paths.h"

#include "foundation/Handles.h"
#include "foundation/OptionalProc.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

namespace {

using GetKnownFolderPathFn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
OptionalProc<GetKnownFolderPathFn> g_getKnownFolderPath(L"Shell32.dll", "SHGetKnownFolderPath");

// Kind of a path that is already expanded.
int ExpandedPathKind(const mvstring& path) {
    if (path.empty() || !PathFileExistsW(path.c_str()))
        return PathKindNone;
    // PathIsDirectoryW reports a non-zero attribute value, not just TRUE.
    return PathIsDirectoryW(path.c_str()) ? PathKindFolder : PathKindFile;
}

bool CreateExpandedDirectories(mvstring path) {
    if (path.empty())
        return false;
    std::vector<mvstring> tails;
    while (path.length() > 2) {
        const int kind = ExpandedPathKind(path);
        if (kind == PathKindFolder)
            break;
        if (kind == PathKindFile)
            return false;
        const size_t slash = path.rfind(L'\\');
        if (slash == mvstring::npos)
            return false;
        tails.push_back(path.substr(slash));
        path.resize(slash);
    }
    while (!tails.empty()) {
        path += tails.back();
        tails.pop_back();
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

} // namespace

mvstring PathJoin(std::wstring_view folder, std::wstring_view name) {
    if (folder.empty())
        return mvstring(name);
    mvstring joined(folder);
    if (folder.back() != L'\\' && !name.empty() && name.front() != L'\\')
        joined += L'\\';
    joined += name;
    return joined;
}

mvstring PathParent(std::wstring_view path) {
    const size_t lastKept = path.find_last_not_of(L'\\');
    if (lastKept == std::wstring_view::npos)
        return mvstring(path); // empty, or backslashes only
    path = path.substr(0, lastKept + 1);
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring_view::npos || slash == 0)
        return mvstring();
    return mvstring(path.substr(0, slash));
}

mvstring ExpandPath(const mvstring& text) {
    if (text.find(L'%') == mvstring::npos)
        return text;
    mvstring expanded = text;
    DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    while (needed > 1) {
        std::wstring buffer(needed, L'\0');
        const DWORD got = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), needed);
        if (got == 0)
            break;
        if (got <= needed) {
            buffer.resize(got - 1);
            expanded = std::move(buffer);
            break;
        }
        needed = got; // the environment grew between the two calls
    }
    return ExpandKnownFolders(expanded);
}

mvstring ExpandKnownFolders(const mvstring& text) {
    mvstring result = text;
    size_t pos = 0;
    for (;;) {
        const size_t open = result.find(L'%', pos);
        if (open == mvstring::npos)
            break;
        const size_t close = result.find(L'%', open + 1);
        if (close == mvstring::npos)
            break;
        if (close - open - 1 < 36)
            break;
        const mvstring inner = result.substr(open + 1, close - open - 1);
        GUID id{};
        if (SUCCEEDED(CLSIDFromString(inner.c_str(), &id)) && id.Data1 != 0) {
            if (GetKnownFolderPathFn getPath = g_getKnownFolderPath.Get()) {
                CoTaskMemHandle<wchar_t> folder;
                const HRESULT hr = getPath(id, KF_FLAG_DONT_VERIFY, nullptr, folder.Put());
                const mvstring path(SUCCEEDED(hr) ? folder.Get() : nullptr);
                if (!path.empty()) {
                    result.replace(open, close - open + 1, path);
                    pos = open + path.length();
                    continue;
                }
            }
        }
        pos = close + 1;
    }
    return result;
}

int GetPathKind(const mvstring& path) {
    return ExpandedPathKind(ExpandPath(path));
}

int AbsolutePathKind(const mvstring& path) {
    const mvstring p = ExpandPath(path);
    if (p.length() >= 3 && p[1] == L':' && p[2] == L'\\')
        return PathDrive;
    if (p.length() >= 4 && p[0] == L'\\' && p[1] == L'\\' && p.find(L'\\', 3) != mvstring::npos)
        return PathNetwork;
    return PathNotAbsolute;
}

bool CreateDirectories(const mvstring& path) {
    SetLastError(ERROR_SUCCESS);
    if (path.empty())
        return false;
    return CreateExpandedDirectories(ExpandPath(path));
}
