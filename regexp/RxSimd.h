// What the scans that read sixteen bytes at a time share: whether SSE2 is there (always on
// x86-64) and the index of the lowest set bit of a compare mask.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define RX_SSE2 1
#endif
#if defined(_MSC_VER)
#include <intrin.h>
#endif

// The index of the lowest set bit; mask must not be 0.
inline int RxLowestBit(unsigned mask) {
#if defined(_MSC_VER)
    unsigned long i;
    _BitScanForward(&i, mask);
    return static_cast<int>(i);
#else
    return __builtin_ctz(mask);
#endif
}
