#include "foundation/ModulePath.h"

#include "foundation/Paths.h"

#include <string>

namespace {

// The program file's full path; empty when the system cannot tell it.
std::wstring ProgramFile() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2); // cut short: the path is longer
    }
}

} // namespace

mvstring GetModulePath(const wchar_t* more, bool quote) {
    mvstring path(ProgramFile());
    if (more == nullptr || *more != 0) {
        // The folder keeps the backslash of a drive's root ("C:\").
        const size_t slash = path.rfind(L'\\');
        if (slash != mvstring::npos)
            path.resize(slash == 2 && path[1] == L':' ? slash + 1 : slash);
        if (more != nullptr)
            path = PathJoin(path, more);
    }
    if (quote && path.find(L' ') != mvstring::npos)
        path = mvstring(L"\"") + path + L"\"";
    return path;
}
