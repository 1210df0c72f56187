// What the scans that read a vector of bytes at a time share: whether SSE2 is there (always
// on x86-64), the operations of each vector width, whether the processor has the wide ones,
// and the index of the lowest set bit of a compare mask.
#pragma once

#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <immintrin.h>
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

#ifdef RX_SSE2
// The operations of one vector width, for scans written once for both: 16 bytes (SSE2) and
// 32 bytes (AVX2). The wide ones may run only where RxHasWideVectors() holds; a scan over
// them is compiled for AVX2 by instantiating it between RX_WIDE_BEGIN and RX_WIDE_END.
struct RxLanes16 {
    using V = __m128i;
    static constexpr int kWidth = 16;
    static V Splat(std::uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }
    static V Splat(std::uint16_t u) { return _mm_set1_epi16(static_cast<short>(u)); }
    static V Load(const void* p) { return _mm_loadu_si128(static_cast<const V*>(p)); }
    static V Zero() { return _mm_setzero_si128(); }
    static V Or(V a, V b) { return _mm_or_si128(a, b); }
    static V And(V a, V b) { return _mm_and_si128(a, b); }
    static V Equal8(V a, V b) { return _mm_cmpeq_epi8(a, b); }
    static V Equal16(V a, V b) { return _mm_cmpeq_epi16(a, b); }
    static bool None(V v) { return _mm_movemask_epi8(v) == 0; }
    // One bit per byte.
    static std::uint64_t Mask(V v) { return static_cast<std::uint32_t>(_mm_movemask_epi8(v)); }
};

#if defined(__GNUC__) && !defined(__clang__)
#define RX_WIDE_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define RX_WIDE_END _Pragma("GCC pop_options")
#else
#define RX_WIDE_BEGIN
#define RX_WIDE_END
#endif

RX_WIDE_BEGIN
struct RxLanes32 {
    using V = __m256i;
    static constexpr int kWidth = 32;
    static V Splat(std::uint8_t b) { return _mm256_set1_epi8(static_cast<char>(b)); }
    static V Splat(std::uint16_t u) { return _mm256_set1_epi16(static_cast<short>(u)); }
    static V Load(const void* p) { return _mm256_loadu_si256(static_cast<const V*>(p)); }
    static V Zero() { return _mm256_setzero_si256(); }
    static V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static V And(V a, V b) { return _mm256_and_si256(a, b); }
    static V Equal8(V a, V b) { return _mm256_cmpeq_epi8(a, b); }
    static V Equal16(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
    static bool None(V v) { return _mm256_testz_si256(v, v) != 0; }
    static std::uint64_t Mask(V v) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(v)); }
};
RX_WIDE_END

// Whether the processor and the system support the 32-byte vector registers.
inline bool RxHasWideVectors() {
    static const bool wide = [] {
#ifdef _MSC_VER
        int info[4];
        __cpuid(info, 1);
        const bool osSaves = (info[2] & (1 << 27)) != 0 && (info[2] & (1 << 28)) != 0;
        if (!osSaves || (_xgetbv(0) & 6) != 6)
            return false;
        __cpuidex(info, 7, 0);
        return (info[1] & (1 << 5)) != 0;
#else
        return __builtin_cpu_supports("avx2") != 0;
#endif
    }();
    return wide;
}
#endif
