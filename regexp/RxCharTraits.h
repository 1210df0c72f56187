// Code-unit helpers shared by the compiler and the nodes: the value of a code unit, the
// case mapping and classification of the C run-time locale, and the word-character test.
//
// The C run-time functions are only ever called with values 0..255: a byte is taken as
// unsigned, and a 16-bit code unit above 0xFF is neither folded nor classified (it is
// equal only to itself and belongs to no named class).
#pragma once

#include <cstdint>

inline unsigned RxUnit(char c) {
    return static_cast<unsigned char>(c);
}
inline unsigned RxUnit(wchar_t c) {
    return static_cast<unsigned>(c) & 0xFFFFu;
}

// A C run-time classification function such as isalpha.
using RxCtypeFn = int (*)(int);

// True when fn accepts the code unit; false for anything above 0xFF.
inline bool RxClassify(RxCtypeFn fn, unsigned u) {
    return u <= 0xFF && fn(static_cast<int>(u)) != 0;
}

// Case mapping of the C run-time locale, captured once per compiled pattern.
struct RxCaseTables {
    unsigned char upper[256];
    unsigned char lower[256];

    // Reads toupper and tolower of the current C run-time locale.
    void Load();

    template <class T> T Upper(T c) const {
        unsigned u = RxUnit(c);
        return u <= 0xFF ? static_cast<T>(upper[u]) : c;
    }
    template <class T> T Lower(T c) const {
        unsigned u = RxUnit(c);
        return u <= 0xFF ? static_cast<T>(lower[u]) : c;
    }
    // Equal, or equal after toupper.
    template <class T> bool SameIgnoringCase(T a, T b) const {
        if (a == b)
            return true;
        unsigned ua = RxUnit(a), ub = RxUnit(b);
        return ua <= 0xFF && ub <= 0xFF && upper[ua] == upper[ub];
    }
};

// Word characters are the ASCII letters, digits and the underscore, whatever the locale.
inline bool RxIsWordUnit(unsigned u) {
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}
