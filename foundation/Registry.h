// Reading registry values (the registry is never written by the program).
#pragma once

#include "foundation/Buffers.h"
#include "foundation/Handles.h"
#include "foundation/mvstring.h"

// Reads a value under HKEY_CURRENT_USER\subKey. `type` (optional) is set to 0
// first and to the value's type (REG_SZ, REG_DWORD, ...) on success. An empty
// sub key, a missing key or value gives an empty buffer; the last error holds
// the registry's error code (ERROR_SUCCESS on success). A null or empty value
// name reads the key's default value. The data is followed by two zero bytes
// that are not counted in its size.
SharedBuffer ReadRegistryValue(const mvstring& subKey, const wchar_t* valueName, DWORD* type);

// The same for a key that is already open. A value of size 0 gives its type
// and an empty buffer.
SharedBuffer ReadRegistryValueFromKey(HKEY key, const wchar_t* valueName, DWORD* type);
