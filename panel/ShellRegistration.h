// Registration of the program with the shell, for the current user only:
// the handler of saved-search files (".velquin") and a verb on the context
// menus of folders and drives that starts a search there. Each can be
// removed again; removal deletes only what is the program's own and prunes
// the keys it left empty. Nothing here runs unless the user asks. UI thread.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

#include <string_view>

// The file type's keys under HKEY_CURRENT_USER.
inline constexpr wchar_t kSavedSearchExtensionKey[] = L"Software\\Classes\\.velquin";
inline constexpr wchar_t kSavedSearchProgId[] = L"Morvik.Velquin";
// The verb keys, the folder's first.
inline constexpr wchar_t kFolderVerbKey[] = L"SOFTWARE\\Classes\\Directory\\shell\\Velquin";
inline constexpr wchar_t kDriveVerbKey[] = L"SOFTWARE\\Classes\\Drive\\shell\\Velquin";

// Registers (or removes) the running program as the handler of saved-search
// files, then tells the shell that associations changed. Registering writes
// every value even after one failed; true when all were written. Removing
// deletes the type's own key and ".velquin" only while it still names that
// type (another program's ".velquin" stays); true when nothing of the
// program's is left. A failure leaves the registry's error as the last error.
bool RegisterFileType(bool add);
// The same for `program`, the path of the program the shell starts.
bool RegisterFileTypeFor(std::wstring_view program, bool add);

// Adds (or removes) the verb on folders, then on drives; adding stops at
// the first verb key that cannot be made. Removal prunes "shell" and the
// key above it when they are left with no subkey and no value. True when
// every verb was written, or none is left.
bool RegisterFolderVerbs(bool add);
bool RegisterFolderVerbsFor(std::wstring_view program, bool add);

// Creates (or opens) `subKey` under `root` and sets
// its default value to `text` as REG_SZ. False for a null root, an empty sub
// key or a failure, with the registry's error as the last error (0 on
// success).
bool RegSetDefaultValue(HKEY root, std::wstring_view subKey, std::wstring_view text);

// Deletes `path` (trailing backslashes ignored) and everything below it
// under HKEY_CURRENT_USER. False for an empty path or a failure, with the
// registry's error as the last error (ERROR_FILE_NOT_FOUND when it was not
// there).
bool RegDeleteTreeHKCU(std::wstring_view path);
