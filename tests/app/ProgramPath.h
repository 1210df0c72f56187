// Where the built program is, for the tests that start it or read it.
#pragma once

#include <string>

// The build's path of the program (VELQUIN_EXE) as Wine shows it: the Linux
// root is drive Z:.
inline std::wstring ProgramPath() {
    std::wstring path = L"Z:";
    for (const char* p = VELQUIN_EXE; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}
