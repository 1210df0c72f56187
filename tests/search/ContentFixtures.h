// Helpers of the content-search tests: a setting changed for one test, and
// texts turned into the bytes of each encoding.
#pragma once

#include "foundation/mvstring.h"

#include <string>
#include <string_view>

// Sets a process-wide value for the lifetime of the object, then puts the old
// value back.
template <class T> class ScopedValue {
public:
    ScopedValue(T& slot, T value) : m_slot(slot), m_old(slot) { m_slot = value; }
    ~ScopedValue() { m_slot = m_old; }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& m_slot;
    T m_old;
};

inline std::string Utf16Bytes(std::wstring_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// A text of `size` bytes in which every byte tells its offset, and which
// holds no zero byte and no letter.
inline std::string NumberedBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(0x80 + (i * 7 + i / 251) % 0x7F);
    return bytes;
}
