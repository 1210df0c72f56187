#include "foundation/OptionalProc.h"

#include <string>

FARPROC LoadOptionalProc(const wchar_t* moduleName, const char* functionName) {
    if (!moduleName || !*moduleName || !functionName || !*functionName)
        return nullptr;
    HMODULE module = GetModuleHandleW(moduleName);
    if (!module)
        module = LoadLibraryW(moduleName); // kept loaded: its functions are cached
    if (!module)
        return nullptr;
    if (FARPROC proc = GetProcAddress(module, functionName))
        return proc;
    const std::string wide = std::string(functionName) + "W";
    return GetProcAddress(module, wide.c_str());
}
