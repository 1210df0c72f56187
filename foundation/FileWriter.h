// A buffered file writer for the saved-search file and the exports: small
// writes gather in the buffer, large ones go straight to the file in
// buffer-sized blocks. A write that fails or comes out short is remembered,
// so that Close can tell the caller the file is not complete.
#pragma once

#include "foundation/Buffers.h"
#include "foundation/Handles.h"
#include "foundation/mvstring.h"

#include <cstddef>
#include <cstdint>

class VQFileWriter {
public:
    // Allocates a zero-filled buffer of `capacity` bytes; HasBuffer() is
    // false when it cannot be had (or capacity is 0), and then nothing opens.
    explicit VQFileWriter(uint32_t capacity);
    ~VQFileWriter() { Close(); }
    VQFileWriter(const VQFileWriter&) = delete;
    VQFileWriter& operator=(const VQFileWriter&) = delete;

    bool HasBuffer() const noexcept { return m_buffer.Data() != nullptr; }
    uint32_t Capacity() const noexcept { return m_buffer.Size(); }
    uint32_t Pending() const noexcept { return m_pending; }
    bool IsOpen() const noexcept { return m_open; }

    // Creates or truncates the file (OpenFileForText for writing) and starts
    // writing to it. False without a buffer, while a file is open, or when
    // the file cannot be created.
    bool Open(const mvstring& path);
    // Starts writing to a file the caller opened for writing; the writer
    // owns it from now on. False without a buffer, while a file is open, or
    // for no handle.
    bool Attach(FileHandle file);

    // False when no file is open, for null bytes or a count of 0. A failed
    // or short write to the file closes it and gives false; every later
    // write gives false too.
    bool Write(const void* bytes, size_t count);
    // Writes what is pending and closes the file. True only when a file was
    // open and every byte given to Write since it was opened reached it.
    // Calling it again gives the same answer and does nothing else.
    bool Close();

private:
    // Writes bytes to the file; false (recorded as a failure, file closed)
    // when the system refuses or writes fewer.
    bool WriteToFile(const uint8_t* bytes, uint32_t count);

    mvByteBuffer m_buffer;
    FileHandle m_file;
    bool m_open = false;
    uint32_t m_pending = 0;
    bool m_failed = false;
    bool m_complete = false; // the result of the last Close
};
