// Opening files for the text reader and writer, retrying while another
// process holds a file, deleting with that retry, and reads and writes of any
// length on an open file.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvstring.h"

#include <cstddef>
#include <cstdint>

// Opens a file for the text reader (shared read and write, existing files
// only) or the text writer (parent folders created, attributes cleared, no
// sharing, created or truncated). The path is expanded first. The last error
// is cleared first and holds the cause on failure (empty holder).
[[nodiscard]] FileHandle OpenFileForText(const mvstring& path, bool forWriting);

// Opens an existing file to read by its exact name: the ExactPathForm of the
// path, no variables expanded, so that a name ending in a blank or a dot, a
// device name or a path of any length opens the very file a folder listing
// gave. Shared for reading and writing like the text reader's files. Empty
// holder on failure, with the cause in the last error.
[[nodiscard]] FileHandle OpenFileByExactName(const mvstring& path);

// Calls `attempt` until it returns true; while it fails with an error that
// `passes` accepts, tries again every 100 ms for up to one second. Any other
// error ends at once. The last error is that of the last attempt.
template <typename Attempt, typename Passes> bool RetryWhile(Attempt attempt, Passes passes) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (attempt())
            return true;
        // Unsigned subtraction stays right across the tick count's wrap-around.
        if (!passes(GetLastError()) || GetTickCount() - start > 1000)
            return false;
        Sleep(100);
    }
}

// RetryWhile for a sharing violation (another process holds the file).
template <typename Attempt> bool RetryWhileShared(Attempt attempt) {
    return RetryWhile(attempt, [](DWORD error) { return error == ERROR_SHARING_VIOLATION; });
}

// RetryWhile for a name another process holds open: moving a file onto it
// fails with a sharing violation or, on some systems, with access denied.
template <typename Attempt> bool RetryWhileHeld(Attempt attempt) {
    return RetryWhile(attempt, [](DWORD error) {
        return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
    });
}

// Deletes an existing file, retrying every 100 ms for up to one second while
// another process holds it open. True when the file was deleted.
bool DeleteFileWithRetry(const mvstring& path);

// Writes all `count` bytes at the file pointer, in pieces the system accepts.
// False when any piece fails or is written short.
bool WriteFileFully(HANDLE file, const void* bytes, size_t count);
// Reads until `count` bytes or the end of the file; `read` receives the
// number read. False on a read error.
bool ReadFileUpTo(HANDLE file, void* bytes, size_t count, size_t& read);
