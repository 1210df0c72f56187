// Where the per-user configuration files live and how they are opened, read
// and saved. Each file (config.ini, uistates.ini, hexview.ini, history.ini,
// defsearch.ini) may have a copy in the folder "Config" beside the program
// and one in "%AppData%\Velquin": reading takes the copy written last,
// writing tries the folder beside the program first. advconf.ini is read
// from the folder beside the program only.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvstring.h"

#include <cstddef>
#include <string_view>
#include <vector>

class mvini;
class ReplacingFile;

// The files of the settings block.
inline constexpr wchar_t kConfigIni[] = L"config.ini";
inline constexpr wchar_t kUiStatesIni[] = L"uistates.ini";
inline constexpr wchar_t kHexviewIni[] = L"hexview.ini";
inline constexpr wchar_t kAdvancedConfigIni[] = L"advconf.ini";

// "<program folder>\Config\<name>" and "%AppData%\Velquin\<name>".
mvstring ConfigPathBesideProgram(const mvstring& name);
mvstring ConfigPathPerUser(const mvstring& name);

// Points the program folder and the application-data folder elsewhere (tests
// only). An empty text restores the real folder. Not thread-safe: call it
// while no configuration file is in use.
void SetConfigBaseFolders(const mvstring& programFolder, const mvstring& appDataFolder);

// Empties `out`, then appends two lower-case hex digits per byte, high nibble
// first. Null bytes or a count of 0 give the empty text. Returns `out`.
mvstring& HexEncode(mvstring& out, const void* bytes, std::size_t count);

// Opens a file for the text reader (shared read and write, existing file
// only) or the writer (folders created, attributes cleared, no sharing,
// created or truncated). While another process holds the file, the open is
// retried every 100 ms for up to one second. On failure the holder is empty
// and the last error is that of the last attempt.
FileHandle OpenFileRetry(const mvstring& path, bool write);

// Opens the configuration file `name` for reading: the copy with the later
// last-write time, the one beside the program when the times are equal or
// neither exists; a copy that exists but cannot be opened (held beyond the
// retry, access denied) is chosen whatever its time, since which copy is
// newer cannot be told; a path that cannot be reached as a file (an offline
// share, a folder of that name) counts as no copy, and when that is the copy
// beside the program the per-user copy is chosen even while it is missing,
// where the saves then go. `path` (when given) receives the chosen path.
// When the chosen copy did not open, the last error is that copy's own open
// error.
FileHandle OpenConfigFile(const mvstring& name, mvstring* path = nullptr);

// Opens `file` for replacing the configuration file `name` (see
// ReplacingFile): the copy beside the program, else the per-user one. Neither
// copy is touched before the file is committed. `path` (when given)
// receives the chosen path, empty when neither could be opened. False for
// an empty name or when neither could be opened.
bool OpenConfigFileForReplacing(const mvstring& name, ReplacingFile& file,
                                mvstring* path = nullptr);

// Writes the ini's text as UTF-16LE with a byte-order mark to the
// configuration file `name` (OpenConfigFileForReplacing). True when the file
// now holds every byte; on failure the earlier file is as it was.
bool SaveConfigIni(const mvini& ini, const mvstring& name);

// Copies every key of the source's non-empty sections into the target,
// adding sections the target lacks (names compare ignoring case) and
// overwriting values; what only the target holds stays as it is.
void MergeIni(mvini& target, const mvini& source);

// Load (save false): the ini is emptied and takes the content of the
// configuration file `name` (the newer copy). Save (save true): the ini's keys
// are merged into what the file holds and the result written back, so keys
// the caller does not know survive. A missing file loads as empty and is
// created by a save; a file that exists but cannot be read (held by another
// process beyond the retry, access denied) loads as empty and is never
// overwritten by a save. True when the file was read (or is missing) and, when
// saving, written back.
bool LoadNamedIni(mvini& ini, bool save, const mvstring& name);

// Empties `out`; false for an empty section name or a missing section,
// otherwise the section's values in key order (ignoring case) and true.
bool GetIniSectionValues(const mvini& ini, std::wstring_view section, std::vector<mvstring>& out);
