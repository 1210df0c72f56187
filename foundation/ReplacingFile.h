// A file written whole: the bytes go to a new file beside the target, which
// takes the target's place only once it is complete. A write that fails half
// way (a full disk, a lost share, a stop) leaves the earlier file as it was
// and no partial file behind, so a truncated file can never pass for a good
// one. A target that is a device rather than a file on disk (NUL, a console,
// a character device) keeps nothing to lose and cannot be replaced: it is
// written in place.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvstring.h"

class ReplacingFile {
public:
    ReplacingFile() noexcept = default;
    // A file never committed is removed.
    ~ReplacingFile() { Abandon(); }
    ReplacingFile(ReplacingFile&& other) noexcept;
    ReplacingFile& operator=(ReplacingFile&& other) noexcept;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Abandons what is open, expands the path, creates the missing parent
    // folders and a new empty file in the target's folder (the target's name
    // with a suffix of its own), opened for writing at its start. False for
    // an empty path, a target that is a folder, or when the new file cannot
    // be created; the last error then holds the cause. The target is not
    // touched.
    bool Open(const mvstring& target);

    bool IsOpen() const noexcept { return static_cast<bool>(m_file); }
    // The handle to write to; null when nothing is open.
    HANDLE Handle() const noexcept { return m_file.Get(); }
    // The expanded target path; empty when nothing is open.
    const mvstring& Target() const noexcept { return m_target; }

    // Flushes the new file to the disk, closes it and moves it onto the
    // target, through the disk's cache. While another process holds the
    // target, the move is tried again every 100 ms for up to one second. A
    // read-only target is replaced (the read-only mark goes with it). True
    // when the target now holds what was written. False when nothing is
    // open, or when the flush or the move fails: then the new file is
    // removed, the target is as it was and the last error holds the cause.
    bool Commit();
    // Closes and removes the new file; the target stays as it was. Does
    // nothing when nothing is open. The last error is kept.
    void Abandon() noexcept;

private:
    FileHandle m_file;
    mvstring m_target;
    mvstring m_written; // the new file; empty when writing the target in place
};
