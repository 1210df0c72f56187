// The recycle bin of the shell under test is a trash folder below
// XDG_DATA_HOME, which the shell reads once per process: every test of the
// program sends deleted files into one scratch folder of its own, never
// into the user's.
#pragma once

#include "support/TempDir.h"

#include <windows.h>

#include <string>

// The scratch folder, whose "Trash" folder is the recycle bin from the
// first call on (removed with its contents when the program ends).
inline const std::wstring& ScratchTrash() {
    static TempDir home;
    static const bool pointed = [] {
        using UnixName = char*(CDECL*)(const wchar_t*);
        const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        char* name = unixName != nullptr ? unixName(home.Path().c_str()) : nullptr;
        if (name == nullptr)
            return false;
        const std::string text(name);
        HeapFree(GetProcessHeap(), 0, name);
        return SetEnvironmentVariableW(L"XDG_DATA_HOME",
                                       std::wstring(text.begin(), text.end()).c_str()) != 0;
    }();
    (void)pointed;
    return home.Path();
}
