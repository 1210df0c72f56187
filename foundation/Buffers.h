// Byte blocks: a block shared by its owners and an array with one owner.
#pragma once

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
