// Path texts: joining, cutting, expanding variables and known-folder tokens,
// telling files from folders, and creating folder chains. Backslashes only.
#pragma once

#include "foundation/mvstring.h"

// folder + name with one backslash between them when neither side brings
// one; an empty folder gives the name. Existing backslashes are kept.
mvstring PathJoin(std::wstring_view folder, std::wstring_view name);

// The path without its last element: trailing backslashes are dropped (a
// path of backslashes only is kept as it is), then the text is cut before
// the last backslash. Empty when there is none or it is the first character.
mvstring PathParent(std::wstring_view path);

// The last name of a path: what follows the last backslash, slash or colon
// that has a name after it ("C:\\dir\\" gives "dir\\"); the path itself when
// there is none. Never null for a path; null for null. The same as the
// shell library's PathFindFileNameW, which a run without windows does not
// load.
const wchar_t* PathFileName(const wchar_t* path);

// The extension of a path's last name, from its last dot on; the end of the
// text (an empty extension) when the last name has no dot, a blank or
// backslash coming after the last dot cancelling it. Null for null. The
// same as the shell library's PathFindExtensionW.
const wchar_t* PathExtension(const wchar_t* path);

// Expands environment variables, then known-folder tokens. A text without
// "%" comes back unchanged; an empty (or null) text gives the empty string.
mvstring ExpandPath(const mvstring& text);

// Replaces each token "%{known-folder GUID}%" with the folder's path. The
// scan stops at the first pair of "%" with fewer than 36 characters between
// them; tokens that cannot be resolved stay as they are.
mvstring ExpandKnownFolders(const mvstring& text);

enum PathKind : int { PathKindNone = 0, PathKindFile = 1, PathKindFolder = 2 };

// 0 for an empty path or one that does not exist, 1 for a file, 2 for a
// folder. The path is expanded first.
int GetPathKind(const mvstring& path);
// The same for the path as written, nothing expanded. A drive without a
// medium answers 0 at once instead of asking for one.
int PathKindAsWritten(const mvstring& path);

enum AbsolutePathKindValue : int { PathNotAbsolute = 0, PathDrive = 1, PathNetwork = 2 };

// 1 for "X:\..." paths, 2 for "\\server\..." paths, 0 for anything else
// (relative, root-relative, empty). The path is expanded first.
int AbsolutePathKind(const mvstring& path);

// Creates the folder and every missing parent (drive roots are never
// touched). True when the folder exists afterwards; false when the path runs
// through a file or a folder cannot be created. The path is expanded first.
bool CreateDirectories(const mvstring& path);

// The form in which the system takes each name of a path exactly as written:
// "\\?\" before a drive path, "\\?\UNC\" in place of the "\\" of a network
// path, so that names ending in a blank or a dot, device names ("CON",
// "nul.txt") and paths of any length reach the file system unchanged. Since
// that form resolves nothing, "/" becomes "\", and "." steps, ".." steps and
// empty steps are resolved here (never above the drive or the share). A
// relative or root-relative path is taken from the current folder. A path
// already in that form or in the device form ("\\.\"), an empty path, a
// drive-relative one ("C:x") and a network path without a share come back
// unchanged.
mvstring ExactPathForm(std::wstring_view path);

// The path to give the shell for a file found by its exact name: the plain
// path when the system takes it as it is (no name it would trim or read as a
// device, shorter than MAX_PATH), so the shell sees the paths it always
// sees; otherwise ExactPathForm.
mvstring ShellPathForm(const mvstring& path);
