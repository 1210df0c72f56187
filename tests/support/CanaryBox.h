// An object built in a block of its own that, once destroyed, is filled with
// a known pattern: a thread that still writes to the object after its
// destructor returned changes the pattern, which the test then sees, where
// the heap would let the write pass unnoticed. Also a copy of a thread
// handle that outlives the object owning the thread.
#pragma once

#include "foundation/Handles.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

template <typename T> class CanaryBox {
public:
    template <typename... Args> explicit CanaryBox(Args&&... args) {
        m_object = new (m_bytes) T(std::forward<Args>(args)...);
    }
    ~CanaryBox() {
        if (m_object)
            m_object->~T();
    }
    CanaryBox(const CanaryBox&) = delete;
    CanaryBox& operator=(const CanaryBox&) = delete;

    T& operator*() { return *m_object; }
    T* operator->() { return m_object; }

    // Runs the destructor, then lays the pattern over the block.
    void Destroy() {
        m_object->~T();
        m_object = nullptr;
        std::memset(m_bytes, kPattern, sizeof(m_bytes));
    }
    // Whether the block still holds nothing but the pattern.
    bool Intact() const {
        return std::all_of(m_bytes, m_bytes + sizeof(m_bytes),
                           [](unsigned char b) { return b == kPattern; });
    }

private:
    static constexpr unsigned char kPattern = 0xA5;
    alignas(T) unsigned char m_bytes[sizeof(T)];
    T* m_object = nullptr;
};

// A handle of its own to the thread behind `thread`, so that the test can
// ask after the owner is gone whether the thread had ended.
inline KernelHandle CopyThreadHandle(HANDLE thread) {
    HANDLE copy = nullptr;
    if (!thread || !DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy,
                                    SYNCHRONIZE | THREAD_QUERY_LIMITED_INFORMATION, FALSE, 0))
        return KernelHandle();
    return KernelHandle(copy);
}

// Whether the thread has ended, without waiting.
inline bool HasEnded(const KernelHandle& thread) {
    return thread && WaitForSingleObject(thread.Get(), 0) == WAIT_OBJECT_0;
}
