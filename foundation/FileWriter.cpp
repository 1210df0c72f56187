#include "foundation/FileWriter.h"

#include <cstring>
#include <utility>

VQFileWriter::VQFileWriter(uint32_t capacity) {
    m_buffer.Allocate(capacity);
}

bool VQFileWriter::Open(const mvstring& path) {
    if (!HasBuffer() || m_open)
        return false;
    ReplacingFile file;
    return file.Open(path) && Attach(file);
}

bool VQFileWriter::Attach(ReplacingFile& file) {
    if (!HasBuffer() || m_open || !file.IsOpen())
        return false;
    m_replacing = std::move(file);
    Start();
    return true;
}

bool VQFileWriter::Attach(FileHandle file) {
    if (!HasBuffer() || m_open || !file)
        return false;
    m_file = std::move(file);
    Start();
    return true;
}

void VQFileWriter::Start() noexcept {
    m_open = true;
    m_pending = 0;
    m_failed = false;
    m_complete = false;
}

bool VQFileWriter::WriteToFile(const uint8_t* bytes, uint32_t count) {
    DWORD written = 0;
    if (WriteFile(File(), bytes, count, &written, nullptr) && written == count)
        return true;
    m_failed = true;
    Close();
    return false;
}

bool VQFileWriter::Write(const void* bytes, size_t count) {
    if (!m_open || !File() || !bytes || count == 0)
        return false;
    const uint32_t capacity = Capacity();
    auto* next = static_cast<const uint8_t*>(bytes);
    if (m_pending > 0 && count > capacity - m_pending) {
        if (!WriteToFile(m_buffer.Data(), m_pending))
            return false;
        m_pending = 0;
    }
    while (count >= capacity) {
        if (!WriteToFile(next, capacity))
            return false;
        next += capacity;
        count -= capacity;
    }
    std::memcpy(m_buffer.Data() + m_pending, next, count);
    m_pending += static_cast<uint32_t>(count);
    return true;
}

bool VQFileWriter::Close() {
    if (!m_open)
        return m_complete;
    m_open = false;
    if (File() && m_pending > 0 && !m_failed) {
        const uint32_t pending = m_pending;
        m_pending = 0;
        DWORD written = 0;
        if (!WriteFile(File(), m_buffer.Data(), pending, &written, nullptr) || written != pending)
            m_failed = true;
    }
    m_pending = 0;
    m_file.Reset();
    if (m_failed)
        m_replacing.Abandon();
    else if (m_replacing.IsOpen() && !m_replacing.Commit())
        m_failed = true;
    m_complete = !m_failed;
    return m_complete;
}

void VQFileWriter::Abandon() noexcept {
    if (!m_open)
        return;
    m_open = false;
    m_pending = 0;
    m_file.Reset();
    m_replacing.Abandon();
    m_failed = true;
    m_complete = false;
}
