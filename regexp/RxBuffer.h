// Growable buffers of plain values used by the matcher: the three integer stacks and the
// scratch space of the repeat nodes. Storage comes from the C run-time allocator; every
// growth checks for overflow and a failed allocation leaves the buffer as it was and
// answers false, so that a match can end as "no match" instead of crashing.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

// A view of elements: pointer and count. Owns nothing.
template <class T> class RxBufferView {
public:
    RxBufferView() = default;
    RxBufferView(const T* data, int size) : m_data(const_cast<T*>(data)), m_size(size) {}
    virtual ~RxBufferView() = default;

    T* Data() const { return m_data; }
    int Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    T& operator[](int i) const { return m_data[i]; }

protected:
    T* m_data = nullptr;
    int m_size = 0;
};

template <class T> class RxBuffer : public RxBufferView<T> {
    static_assert(std::is_trivially_copyable_v<T>, "RxBuffer holds plain values only");

public:
    // Element counts are kept in int, so no buffer may hold more than INT_MAX elements.
    static constexpr size_t kMaxElements = INT_MAX;

    RxBuffer() = default;
    RxBuffer(const RxBuffer&) = delete;
    RxBuffer& operator=(const RxBuffer&) = delete;
    ~RxBuffer() override { std::free(this->m_data); }

    size_t Capacity() const { return m_capacity; }
    size_t Limit() const { return m_limit; }
    // Caps the number of elements; growth beyond it fails like an allocation failure.
    void SetLimit(size_t limit) { m_limit = limit < kMaxElements ? limit : kMaxElements; }

    // Makes room for n elements. Grows to at least 8, doubles, and when doubling is not
    // enough takes n rounded to a multiple of 8.
    bool Reserve(size_t n) {
        if (n > m_limit)
            return false;
        if (n <= m_capacity)
            return true;
        size_t c = m_capacity < 8 ? 8 : m_capacity;
        if (c < n)
            c = c <= m_limit / 2 ? c * 2 : m_limit;
        if (c < n)
            c = (m_limit >= 11 && n <= m_limit - 11) ? ((n + 11) & ~size_t(7)) : m_limit;
        if (c > m_limit)
            c = m_limit;
        return Reallocate(c);
    }

    bool Push(T v) {
        const size_t size = static_cast<size_t>(this->m_size);
        if ((size >= m_capacity || size >= m_limit) && !GrowOne())
            return false;
        this->m_data[this->m_size++] = v;
        return true;
    }
    // Removes and returns the top element; an empty buffer gives T{}.
    T Pop() { return this->m_size > 0 ? this->m_data[--this->m_size] : T{}; }
    T& Top() const { return this->m_data[this->m_size - 1]; }

    // Appends n elements and keeps a zero element after the content.
    bool Append(const T* p, int n) {
        if (n < 0)
            return false;
        size_t need = static_cast<size_t>(this->m_size) + static_cast<size_t>(n) + 1;
        if (!Reserve(need))
            return false;
        if (n > 0)
            std::memcpy(this->m_data + this->m_size, p, sizeof(T) * static_cast<size_t>(n));
        this->m_size += n;
        this->m_data[this->m_size] = T{};
        return true;
    }

    // Grows the buffer to n elements, filling new entries with the given value.
    bool Resize(int n, T fill) {
        if (n < 0)
            return false;
        if (n > this->m_size) {
            if (!Reserve(static_cast<size_t>(n)))
                return false;
            for (int i = this->m_size; i < n; ++i)
                this->m_data[i] = fill;
        }
        this->m_size = n;
        return true;
    }

    // Shrinks to n elements (never grows).
    void Truncate(int n) {
        if (n >= 0 && n < this->m_size)
            this->m_size = n;
    }
    void Clear() { this->m_size = 0; }
    // Frees the storage.
    void Release() {
        std::free(this->m_data);
        this->m_data = nullptr;
        this->m_size = 0;
        m_capacity = 0;
    }

private:
    bool GrowOne() {
        const size_t size = static_cast<size_t>(this->m_size);
        if (size >= m_limit)
            return false;
        if (size < m_capacity)
            return true; // room left below a limit that was lowered
        size_t c = m_capacity == 0 ? 8 : (m_capacity <= m_limit / 2 ? m_capacity * 2 : m_limit);
        if (c > m_limit)
            c = m_limit;
        return Reallocate(c);
    }
    bool Reallocate(size_t c) {
        if (c > SIZE_MAX / sizeof(T))
            return false;
        void* p = std::realloc(this->m_data, c * sizeof(T));
        if (!p)
            return false;
        this->m_data = static_cast<T*>(p);
        m_capacity = c;
        return true;
    }

    size_t m_capacity = 0;
    size_t m_limit = kMaxElements;
};

// A buffer whose elements from a given index on form an ascending run without duplicates
// (the entries before it belong to someone else, as on a shared scratch stack).
template <class T> class RxSortedBuffer : public RxBuffer<T> {
public:
    // Inserts value into the run [from, size) unless it is there already: binary search with
    // a three-way comparison, then the tail moves up one slot. Returns 1 when inserted, 0
    // when present, -1 when the buffer could not grow.
    int Insert(T value, int from = 0) {
        int lo = from, hi = this->Size();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            const int cmp = (*this)[mid] < value ? -1 : (value < (*this)[mid] ? 1 : 0);
            if (cmp == 0)
                return 0;
            if (cmp < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (!this->Push(value))
            return -1;
        T* d = this->Data();
        std::memmove(d + lo + 1, d + lo, sizeof(T) * static_cast<size_t>(this->Size() - 1 - lo));
        d[lo] = value;
        return 1;
    }
};
