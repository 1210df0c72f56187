#include "foundation/Files.h"

#include "foundation/Paths.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// ReadFile and WriteFile move at most this many bytes per call.
constexpr size_t kMaxChunk = 0x40000000;

// A zero-filled array of n bytes plus two zero bytes after them; null when
// the memory cannot be had.
uint8_t* NewZeroedBytes(uint64_t n) {
    if (n > SIZE_MAX - 2)
        return nullptr;
    return new (std::nothrow) uint8_t[static_cast<size_t>(n) + 2]();
}

bool WriteAll(HANDLE file, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min(count, kMaxChunk));
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk)
            return false;
        bytes += chunk;
        count -= chunk;
    }
    return true;
}

// Reads until `count` bytes or the end of the file; false on a read error.
bool ReadUpTo(HANDLE file, uint8_t* bytes, size_t count, size_t& read) {
    read = 0;
    while (read < count) {
        const DWORD chunk = static_cast<DWORD>(std::min(count - read, kMaxChunk));
        DWORD got = 0;
        if (!ReadFile(file, bytes + read, chunk, &got, nullptr))
            return false;
        read += got;
        if (got < chunk)
            break;
    }
    return true;
}

} // namespace

bool SharedBuffer::Alloc(uint64_t n) {
    ReleaseSharedBuffer(*this);
    if (n == 0)
        return false;
    Reset(NewZeroedBytes(n), n);
    return m_owner != nullptr;
}

void SharedBuffer::Reset(uint8_t* bytes, uint64_t size) {
    ReleaseSharedBuffer(*this);
    if (!bytes)
        return;
    try {
        m_owner.reset(bytes); // array delete when the last owner goes
        m_size = size;
    } catch (const std::bad_alloc&) {
        // The shared owner deleted the bytes already.
    }
}

void SharedBuffer::Swap(SharedBuffer& other) noexcept {
    if (this == &other)
        return;
    m_owner = std::move(other.m_owner);
    m_size = other.m_size;
    ReleaseSharedBuffer(other);
}

void ReleaseSharedBuffer(SharedBuffer& buffer) noexcept {
    buffer.m_owner.reset();
    buffer.m_size = 0;
}

mvByteBuffer::mvByteBuffer(mvByteBuffer&& other) noexcept
    : m_bytes(other.m_bytes), m_size(other.m_size) {
    other.m_bytes = nullptr;
    other.m_size = 0;
}

mvByteBuffer& mvByteBuffer::operator=(mvByteBuffer&& other) noexcept {
    if (this != &other) {
        Free();
        std::swap(m_bytes, other.m_bytes);
        std::swap(m_size, other.m_size);
    }
    return *this;
}

bool mvByteBuffer::Allocate(uint32_t n) {
    Free();
    if (n == 0)
        return false;
    m_bytes = new (std::nothrow) uint8_t[n]();
    if (!m_bytes)
        return false;
    m_size = n;
    return true;
}

void mvByteBuffer::Free() noexcept {
    delete[] m_bytes;
    m_bytes = nullptr;
    m_size = 0;
}

FileHandle OpenFileForText(const mvstring& path, bool forWriting) {
    SetLastError(0);
    if (path.empty())
        return FileHandle();
    const mvstring full = ExpandPath(path);
    HANDLE file;
    if (forWriting) {
        const size_t slash = full.rfind(L'\\');
        if (slash != mvstring::npos)
            CreateDirectories(full.substr(0, slash));
        // A read-only or hidden file would refuse to be replaced.
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        file = CreateFileW(full.c_str(), FILE_GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    } else {
        file = CreateFileW(full.c_str(), FILE_GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    return FileHandle(file);
}

bool DeleteFileWithRetry(const mvstring& path) {
    if (GetPathKind(path) != PathKindFile)
        return false;
    const mvstring full = ExpandPath(path);
    return RetryWhileShared([&] { return DeleteFileW(full.c_str()) != 0; });
}

bool ReadWholeFile(HANDLE file, SharedBuffer& out) {
    ReleaseSharedBuffer(out);
    LARGE_INTEGER size{};
    if (!file || file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size) ||
        !SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        return false;
    if (size.QuadPart == 0)
        return true;
    const uint64_t n = static_cast<uint64_t>(size.QuadPart);
    uint8_t* bytes = NewZeroedBytes(n);
    if (!bytes)
        return false;
    size_t read = 0;
    if (!ReadUpTo(file, bytes, static_cast<size_t>(n), read) || read != n) {
        delete[] bytes;
        return false;
    }
    out.Reset(bytes, n);
    return out.Data() != nullptr;
}

bool ReadWholeFile(const mvstring& path, SharedBuffer& out) {
    ReleaseSharedBuffer(out);
    const FileHandle file = OpenFileForText(path, false);
    return file && ReadWholeFile(file.Get(), out);
}

bool DataStream::OpenFile(const mvstring& path, bool forWriting) {
    Reset();
    FileHandle file = OpenFileForText(path, forWriting);
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (!forWriting && !GetFileSizeEx(file.Get(), &size))
        return false;
    m_file = std::move(file);
    m_dataSize = static_cast<uint64_t>(size.QuadPart);
    return true;
}

void DataStream::AttachBuffer(const SharedBuffer& block) {
    Reset();
    m_block = block;
    m_dataSize = block.Size();
}

bool DataStream::Write(const void* bytes, size_t count) {
    if (count == 0)
        return true;
    if (!bytes)
        return false;
    if (m_file) {
        if (!WriteAll(m_file.Get(), static_cast<const uint8_t*>(bytes), count))
            return false;
        m_position += count;
        m_dataSize += count;
        return true;
    }
    if (!m_block.Data() || m_position >= m_dataSize || count > m_dataSize - m_position)
        return false;
    std::memcpy(m_block.Data() + m_position, bytes, count);
    m_position += count;
    return true;
}

bool DataStream::Read(void* bytes, size_t count, size_t& read) {
    read = 0;
    if (!bytes)
        return false;
    if (m_file) {
        if (!ReadUpTo(m_file.Get(), static_cast<uint8_t*>(bytes), count, read))
            return false;
        m_position += read;
        return true;
    }
    if (!m_block.Data() || m_position >= m_dataSize)
        return true;
    read = static_cast<size_t>(std::min<uint64_t>(count, m_dataSize - m_position));
    std::memcpy(bytes, m_block.Data() + m_position, read);
    m_position += read;
    return true;
}

void DataStream::Reset() noexcept {
    m_block = SharedBuffer();
    m_file.Reset();
    m_dataSize = 0;
    m_position = 0;
}

void DataStream::Close() noexcept {
    Reset();
    ReleaseSharedBuffer(m_block);
}
