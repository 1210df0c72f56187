// A byte stream over a file or a memory block.
#pragma once

#include "foundation/Buffers.h"
#include "foundation/Handles.h"
#include "foundation/mvstring.h"

#include <cstddef>
#include <cstdint>

// A byte stream over an open file or a memory block. With a file, reads and
// writes go to the file at its pointer; without one, to the memory block
// between the position and the data size.
class DataStream {
public:
    DataStream() noexcept = default;
    ~DataStream() { Close(); }
    DataStream(const DataStream&) = delete;
    DataStream& operator=(const DataStream&) = delete;

    // Starts over on a file opened with OpenFileForText; the data size is the
    // file's size for reading and 0 for writing. False when it cannot be opened.
    bool OpenFile(const mvstring& path, bool forWriting);
    // Starts over on a memory block; its data size is the block's size.
    void AttachBuffer(const SharedBuffer& block);

    // True for count 0; false for null bytes. To a file: true only when every
    // byte was written. To memory: only when the bytes fit between the
    // position and the data size.
    bool Write(const void* bytes, size_t count);
    // Reads up to `count` bytes at the position; `read` receives the number
    // read (0 at the end). False for null bytes or a failed file read.
    bool Read(void* bytes, size_t count, size_t& read);

    // Drops the memory block, closes the file, zeroes data size and position.
    void Reset() noexcept;
    // Reset, and the stream lets go of everything it holds.
    void Close() noexcept;

    bool HasFile() const noexcept { return static_cast<bool>(m_file); }
    uint64_t DataSize() const noexcept { return m_dataSize; }
    uint64_t Position() const noexcept { return m_position; }
    const SharedBuffer& Block() const noexcept { return m_block; }

private:
    SharedBuffer m_block;
    FileHandle m_file;
    uint64_t m_dataSize = 0;
    uint64_t m_position = 0;
};
