// What the scans that read a vector of bytes at a time share: whether SSE2 is there (always
// on x86-64) and the index of the lowest set bit of a compare mask.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define RX_SSE2 1
#endif
#if defined(_MSC_VER)
#include <intrin.h>
#endif

// The index of the lowest set bit of a 32- or 64-bit mask; mask must not be 0.
template <class Mask> inline int RxLowestBit(Mask mask) {
    static_assert(sizeof(Mask) == 4 || sizeof(Mask) == 8, "a 32- or 64-bit mask");
#if defined(_MSC_VER)
    unsigned long i;
    if constexpr (sizeof(Mask) == 8)
        _BitScanForward64(&i, mask);
    else
        _BitScanForward(&i, mask);
    return static_cast<int>(i);
#else
    if constexpr (sizeof(Mask) == 8)
        return __builtin_ctzll(mask);
    else
        return __builtin_ctz(mask);
#endif
}
