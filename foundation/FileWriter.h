// A buffered file writer for the saved-search file and the exports: small
// writes gather in the buffer, large ones go straight to the file in
// buffer-sized blocks. A write that fails or comes out short is remembered,
// so that Close can tell the caller the file is not complete. A file opened
// by its path is written beside it and takes its place only when Close finds
// every byte written (see ReplacingFile).
#pragma once

#include "foundation/Buffers.h"
#include "foundation/Handles.h"
#include "foundation/ReplacingFile.h"
#include "foundation/mvstring.h"

#include <cstddef>
#include <cstdint>

class VQFileWriter {
public:
    // Allocates a zero-filled buffer of `capacity` bytes; HasBuffer() is
    // false when it cannot be had (or capacity is 0), and then nothing opens.
    explicit VQFileWriter(uint32_t capacity);
    // A file still open is abandoned: only Close puts it in place.
    ~VQFileWriter() { Abandon(); }
    VQFileWriter(const VQFileWriter&) = delete;
    VQFileWriter& operator=(const VQFileWriter&) = delete;

    bool HasBuffer() const noexcept { return m_buffer.Data() != nullptr; }
    uint32_t Capacity() const noexcept { return m_buffer.Size(); }
    uint32_t Pending() const noexcept { return m_pending; }
    bool IsOpen() const noexcept { return m_open; }

    // Starts writing a new file beside `path` (ReplacingFile::Open); the
    // file at `path` stays as it is until Close. False without a buffer,
    // while a file is open, or when the new file cannot be created.
    bool Open(const mvstring& path);
    // Starts writing a file the caller opened for replacing; the writer owns
    // it from now on and commits it at Close. False (the file left with the
    // caller) without a buffer, while a file is open, or when it is not open.
    bool Attach(ReplacingFile& file);
    // Starts writing in place to a file the caller opened for writing (a
    // pipe, a device); the writer owns it from now on. False without a
    // buffer, while a file is open, or for no handle.
    bool Attach(FileHandle file);

    // False when no file is open, for null bytes or a count of 0. A failed
    // or short write to the file closes it and gives false; every later
    // write gives false too.
    bool Write(const void* bytes, size_t count);
    // Writes what is pending and closes the file; a file opened for
    // replacing then takes its target's place, or is removed when any byte
    // failed. True only when a file was open, every byte given to Write since
    // it was opened reached it and it is in place. Calling it again gives the
    // same answer and does nothing else.
    bool Close();
    // Drops what is pending and closes the file; a file opened for replacing
    // is removed and its target stays as it was. A later Close gives false.
    void Abandon() noexcept;

private:
    // Marks a file attached: open, nothing pending, no failure yet.
    void Start() noexcept;
    // Writes bytes to the file; false (recorded as a failure, file closed)
    // when the system refuses or writes fewer.
    bool WriteToFile(const uint8_t* bytes, uint32_t count);

    HANDLE File() const noexcept {
        return m_replacing.IsOpen() ? m_replacing.Handle() : m_file.Get();
    }

    mvByteBuffer m_buffer;
    ReplacingFile m_replacing;
    FileHandle m_file; // written in place (Attach)
    bool m_open = false;
    uint32_t m_pending = 0;
    bool m_failed = false;
    bool m_complete = false; // the result of the last Close
};
