// Files and byte blocks: opening files for the text reader and writer,
// deleting with a retry, whole-file reads, shared and owned byte buffers, and
// a byte stream over a file or a memory block.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvstring.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// A byte block with shared ownership: copies share the bytes, which are freed
// when the last owner lets go (owners may be released on any thread).
class SharedBuffer {
public:
    SharedBuffer() noexcept = default;

    // Releases the old block; then a zero-filled block of n bytes. False (and
    // empty) for n = 0 or when the memory cannot be had.
    bool Alloc(uint64_t n);
    // Takes ownership of an array allocated with new[] (null: empty).
    void Reset(uint8_t* bytes, uint64_t size = 0);
    // Takes the other's block and size; the other becomes empty.
    void Swap(SharedBuffer& other) noexcept;

    uint8_t* Data() const noexcept { return m_owner.get(); }
    uint64_t Size() const noexcept { return m_size; }
    bool Empty() const noexcept { return m_size == 0; }

private:
    friend void ReleaseSharedBuffer(SharedBuffer& buffer) noexcept;
    std::shared_ptr<uint8_t[]> m_owner;
    uint64_t m_size = 0;
};

// Drops this owner of the block; the buffer becomes empty.
void ReleaseSharedBuffer(SharedBuffer& buffer) noexcept;

// A zero-filled byte array with one owner.
class mvByteBuffer {
public:
    mvByteBuffer() noexcept = default;
    ~mvByteBuffer() { Free(); }
    mvByteBuffer(mvByteBuffer&& other) noexcept;
    mvByteBuffer& operator=(mvByteBuffer&& other) noexcept;
    mvByteBuffer(const mvByteBuffer&) = delete;
    mvByteBuffer& operator=(const mvByteBuffer&) = delete;

    // Frees the old array; false for n = 0 or when the memory cannot be had.
    bool Allocate(uint32_t n);
    void Free() noexcept;

    uint8_t* Data() const noexcept { return m_bytes; }
    uint32_t Size() const noexcept { return m_size; }

private:
    uint8_t* m_bytes = nullptr;
    uint32_t m_size = 0;
};

// Opens a file for the text reader (shared read and write, existing files
// only) or the text writer (parent folders created, attributes cleared, no
// sharing, created or truncated). The path is expanded first. The last error
// is cleared first and holds the cause on failure (empty holder).
[[nodiscard]] FileHandle OpenFileForText(const mvstring& path, bool forWriting);

// Calls `attempt` until it returns true; while it fails with a sharing
// violation (another process holds the file), tries again every 100 ms for up
// to one second. Any other error ends at once. The last error is that of the
// last attempt.
template <typename Attempt> bool RetryWhileShared(Attempt attempt) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (attempt())
            return true;
        // Unsigned subtraction stays right across the tick count's wrap-around.
        if (GetLastError() != ERROR_SHARING_VIOLATION || GetTickCount() - start > 1000)
            return false;
        Sleep(100);
    }
}

// Deletes an existing file, retrying every 100 ms for up to one second while
// another process holds it open. True when the file was deleted.
bool DeleteFileWithRetry(const mvstring& path);

// Reads a whole open file from its start. On success `out` holds the bytes
// (Size() is the file size) followed by two zero bytes that are not counted,
// so text in any encoding ends in a terminator; an empty file gives an empty
// buffer and true. False on any failure, with `out` empty.
bool ReadWholeFile(HANDLE file, SharedBuffer& out);
// The same for a path, opened with OpenFileForText for reading.
bool ReadWholeFile(const mvstring& path, SharedBuffer& out);

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
