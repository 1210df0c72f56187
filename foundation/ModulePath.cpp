#include "foundation/ModulePath.h"

#include <shlwapi.h>

mvstring GetModulePath(const wchar_t* more, bool quote) {
    // The path functions below work in MAX_PATH buffers; PathQuoteSpacesW
    // needs room for the two quotes as well.
    wchar_t path[MAX_PATH + 2] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        path[MAX_PATH - 1] = 0;
    if (more == nullptr) {
        PathRemoveFileSpecW(path);
    } else if (*more != 0) {
        PathRemoveFileSpecW(path);
        PathAppendW(path, more);
    }
    if (quote)
        PathQuoteSpacesW(path);
    return mvstring(path);
}
