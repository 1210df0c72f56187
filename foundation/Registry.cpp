#include "foundation/Registry.h"

#include "foundation/Handles.h"

#include <new>

SharedBuffer ReadRegistryValue(const mvstring& subKey, const wchar_t* valueName, DWORD* type) {
    if (type)
        *type = 0;
    SetLastError(ERROR_SUCCESS);
    if (subKey.empty())
        return SharedBuffer();
    RegKeyHandle key;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, key.Put());
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return SharedBuffer();
    }
    return ReadRegistryValueFromKey(key.Get(), valueName, type);
}

SharedBuffer ReadRegistryValueFromKey(HKEY key, const wchar_t* valueName, DWORD* type) {
    if (type)
        *type = 0;
    DWORD valueType = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, valueName, nullptr, &valueType, nullptr, &size);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return SharedBuffer();
    }
    if (size == 0) {
        if (type)
            *type = valueType;
        return SharedBuffer();
    }
    // Two zero bytes beyond the data end a string value that was stored
    // without its terminator.
    uint8_t* bytes = new (std::nothrow) uint8_t[static_cast<size_t>(size) + 2]();
    if (!bytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return SharedBuffer();
    }
    status = RegQueryValueExW(key, valueName, nullptr, &valueType, bytes, &size);
    if (status != ERROR_SUCCESS) {
        delete[] bytes;
        SetLastError(static_cast<DWORD>(status));
        return SharedBuffer();
    }
    SharedBuffer data;
    data.Reset(bytes, size);
    SetLastError(ERROR_SUCCESS); // the query may leave a stale code behind
    if (type)
        *type = valueType;
    return data;
}
