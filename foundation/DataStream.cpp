#include "foundation/DataStream.h"

#include "foundation/FileAccess.h"

#include <algorithm>
#include <cstring>

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
        if (!WriteFileFully(m_file.Get(), bytes, count))
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
        if (!ReadFileUpTo(m_file.Get(), bytes, count, read))
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
