#include "foundation/Buffers.h"

#include <cstdint>
#include <new>
#include <utility>

bool SharedBuffer::Alloc(uint64_t n) {
    ReleaseSharedBuffer(*this);
    // Two zero bytes beyond the counted ones end text in any encoding.
    if (n == 0 || n > SIZE_MAX - 2)
        return false;
    Reset(new (std::nothrow) uint8_t[static_cast<size_t>(n) + 2](), n);
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
