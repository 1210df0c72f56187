#include "foundation/Paths.h"

#include "foundation/Handles.h"
#include "foundation/OptionalProc.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using GetKnownFolderPathFn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
OptionalProc<GetKnownFolderPathFn> g_getKnownFolderPath(L"Shell32.dll", "SHGetKnownFolderPath");

bool CreateExpandedDirectories(mvstring path) {
    if (path.empty())
        return false;
    std::vector<mvstring> tails;
    while (path.length() > 2) {
        const int kind = PathKindAsWritten(path);
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

constexpr std::wstring_view kExactPrefix = L"\\\\?\\";
constexpr std::wstring_view kExactNetworkPrefix = L"\\\\?\\UNC\\";

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Appends the steps of `rest` to `out`, whose first `root` characters the
// ".." steps never climb above; each kept step after one backslash.
void AppendResolvedSteps(std::wstring& out, size_t root, std::wstring_view rest) {
    size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && IsSeparator(rest[i]))
            ++i;
        size_t end = i;
        while (end < rest.size() && !IsSeparator(rest[end]))
            ++end;
        const std::wstring_view step = rest.substr(i, end - i);
        i = end;
        if (step.empty() || step == L".")
            continue;
        if (step == L"..") {
            const size_t slash = out.rfind(L'\\');
            if (slash != std::wstring::npos && slash >= root)
                out.resize(slash);
            continue;
        }
        out += L'\\';
        out += step;
    }
    if (out.size() == root)
        out += L'\\'; // the root itself: "\\?\C:\"
}

// The length of the root of a path in the exact form: "\\?\C:" or
// "\\?\UNC\server\share".
size_t RootLength(std::wstring_view exact) {
    if (!exact.starts_with(kExactNetworkPrefix))
        return std::min(exact.size(), kExactPrefix.size() + 2);
    const size_t server = exact.find(L'\\', kExactNetworkPrefix.size());
    if (server == std::wstring_view::npos)
        return exact.size();
    return std::min(exact.find(L'\\', server + 1), exact.size());
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

const wchar_t* PathFileName(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* at = path; at && *at; ++at) {
        if ((*at == L'\\' || *at == L'/' || *at == L':') && at[1] && at[1] != L'\\' &&
            at[1] != L'/')
            name = at + 1;
    }
    return name;
}

const wchar_t* PathExtension(const wchar_t* path) {
    if (!path)
        return nullptr;
    const wchar_t* dot = nullptr;
    for (; *path; ++path) {
        if (*path == L'\\' || *path == L' ')
            dot = nullptr;
        else if (*path == L'.')
            dot = path;
    }
    return dot ? dot : path;
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

int PathKindAsWritten(const mvstring& path) {
    if (path.empty())
        return PathKindNone;
    DWORD oldMode = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode) != FALSE;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (quiet)
        SetThreadErrorMode(oldMode, nullptr);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKindNone;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKindFolder : PathKindFile;
}

int GetPathKind(const mvstring& path) {
    return PathKindAsWritten(ExpandPath(path));
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

mvstring ExactPathForm(std::wstring_view path) {
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
        (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3]))
        return mvstring(path); // already exact, or a device
    std::wstring out;
    std::wstring_view rest;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // \\server\share: both names belong to the root.
        const std::wstring_view names = path.substr(2);
        const size_t server = names.find_first_of(L"\\/");
        if (server == 0 || server == std::wstring_view::npos || server + 1 >= names.size() ||
            IsSeparator(names[server + 1]))
            return mvstring(path);
        const size_t share = std::min(names.find_first_of(L"\\/", server + 1), names.size());
        out = kExactNetworkPrefix;
        out += names.substr(0, server);
        out += L'\\';
        out += names.substr(server + 1, share - server - 1);
        rest = names.substr(share);
    } else if (path.size() >= 2 && path[1] == L':') {
        if (path.size() == 2 || !IsSeparator(path[2]))
            return mvstring(path); // relative to that drive's own current folder
        out = kExactPrefix;
        out += path.substr(0, 2);
        rest = path.substr(2);
    } else if (!path.empty()) {
        // Relative to the current folder, or to its drive or share for "\x".
        const DWORD size = GetCurrentDirectoryW(0, nullptr);
        std::wstring current(size, L'\0');
        const DWORD got = size ? GetCurrentDirectoryW(size, current.data()) : 0;
        if (got == 0 || got >= size)
            return mvstring(path);
        current.resize(got);
        const mvstring base = ExactPathForm(current);
        if (!base.starts_with(kExactPrefix))
            return mvstring(path);
        out = base.str();
        const size_t root = RootLength(out);
        if (IsSeparator(path[0]) || out.size() == root + 1)
            out.resize(root);
        AppendResolvedSteps(out, root, path);
        return mvstring(std::move(out));
    } else {
        return mvstring();
    }
    const size_t root = out.size();
    AppendResolvedSteps(out, root, rest);
    return mvstring(std::move(out));
}

mvstring ShellPathForm(const mvstring& path) {
    if (path.empty() || path.size() >= MAX_PATH || path.starts_with(L"\\\\?\\"))
        return path.size() >= MAX_PATH ? ExactPathForm(path) : path;
    // The system's own reading of the plain path: it trims trailing blanks
    // and dots and turns device names into devices. When that reading names
    // another file than the exact one, only the exact form reaches it.
    wchar_t full[MAX_PATH + 1];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH + 1, full, nullptr);
    const mvstring exact = ExactPathForm(path);
    std::wstring_view plain = exact;
    if (plain.starts_with(kExactNetworkPrefix))
        return (n > 2 && n <= MAX_PATH && full[0] == L'\\' && full[1] == L'\\' &&
                std::wstring_view(full + 2, n - 2) == plain.substr(kExactNetworkPrefix.size()))
                   ? path
                   : exact;
    plain.remove_prefix(kExactPrefix.size());
    return (n > 0 && n <= MAX_PATH && std::wstring_view(full, n) == plain) ? path : exact;
}
