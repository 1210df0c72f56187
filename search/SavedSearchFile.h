// The saved-search file (.velquin): the criteria of a search and, when asked,
// its results, as UTF-16LE lines of "key = value". The default search
// (defsearch.ini) is the same format without results.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

class SearchJob;
struct FoundItem;
struct SearchCriteria;

// The first line of every saved-search file.
inline constexpr wchar_t kSearchFileMagic[] = L"Velquin03";

// Writes the job's criteria and, unless `criteriaOnly`, its results in the
// order they were found (the results listed now: after a search within
// results only those). False when the path is empty, the job runs, a criteria
// text holds a line break (it would break the lines after it), the write
// buffer cannot be had, the file cannot be created, or any write failed or
// came out short; a file that is not complete is never reported as saved.
// The file is written beside the path and replaces the one there only when
// complete, so a failed save leaves the earlier file as it was.
bool SaveSearchFile(SearchJob& job, const mvstring& path, bool criteriaOnly);

// The line tokenizer of the reader. Skips blanks, tabs and line ends; false at
// the end of the text. The key runs to "=" or the line end, without trailing
// blanks and tabs. After "=" the value runs to the line end without leading
// and trailing blanks and tabs; `raw` receives it with only the one blank the
// writer puts after " = " removed. Without "=" both are empty. The cursor
// moves past the line end.
bool NextKeyValue(std::wstring_view text, std::size_t& cursor, std::wstring_view& key,
                  std::wstring_view& value, std::wstring_view& raw);

// What a look at a saved-search file finds before anything is loaded from it.
enum class SearchFileCheck : std::uint8_t {
    Good,       // the loader takes it
    Unreadable, // it cannot be opened or read; the last error tells why
    Damaged,    // empty, or its first key is not the first line of the format
    Newer,      // its first line names a later version of the format
};

// Decides from the file's first key, the way the loader reads it, without
// touching any job, so that a caller can keep what it shows when the file
// would load nothing. Only the start of the file is read, unless blank lines
// fill it.
SearchFileCheck CheckSearchFile(const mvstring& path);

// LoadSearchFile (see SearchJob.h) from a file already open for reading, on
// the calling thread; the handle stays open.
bool LoadSearchFile(SearchJob& job, HANDLE file, bool criteriaOnly);

// Adds one item read from a file to the job: false when its folder or name is
// empty, or (with the setting RemoveNonExists) when the file is gone.
bool AddLoadedItem(SearchJob& job, FoundItem& item);

// Writes the criteria as the default search, or deletes both copies of it
// when they equal the defaults or none are given.
void SaveDefaultSearch(const SearchCriteria* criteria);
// Resets the given criteria (when any) to the defaults and deletes
// defsearch.ini beside the program and under %AppData%\Velquin.
void DeleteDefaultSearch(SearchCriteria* criteria);
