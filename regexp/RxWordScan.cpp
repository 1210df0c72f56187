#include "regexp/RxWordScan.h"

#include "regexp/RxCharTraits.h"

#include "regexp/RxSimd.h"

namespace {

template <class T> inline bool IsWord(T c) {
    return RxIsWordUnit(RxUnit(c));
}

#ifdef RX_SSE2
// Lanes of x within [lo, hi], compared without sign.
inline __m128i InRange8(__m128i x, char lo, char hi) {
    const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8(lo));
    return _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(static_cast<char>(hi - lo))), t);
}
inline __m128i InRange16(__m128i x, short lo, short hi) {
    const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i t = _mm_xor_si128(_mm_sub_epi16(x, _mm_set1_epi16(lo)), bias);
    return _mm_cmplt_epi16(t, _mm_xor_si128(_mm_set1_epi16(static_cast<short>(hi - lo + 1)), bias));
}

// One bit per code unit of the 16 bytes at p: set for word units.
inline unsigned WordMask(const char* p) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i lower = _mm_or_si128(x, _mm_set1_epi8(0x20));
    const __m128i w = _mm_or_si128(_mm_or_si128(InRange8(x, '0', '9'), InRange8(lower, 'a', 'z')),
                                   _mm_cmpeq_epi8(x, _mm_set1_epi8('_')));
    return static_cast<unsigned>(_mm_movemask_epi8(w));
}
inline unsigned WordMask(const wchar_t* p) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i lower = _mm_or_si128(x, _mm_set1_epi16(0x20));
    const __m128i w = _mm_or_si128(_mm_or_si128(InRange16(x, '0', '9'), InRange16(lower, 'a', 'z')),
                                   _mm_cmpeq_epi16(x, _mm_set1_epi16('_')));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(w, _mm_setzero_si128())));
}
#endif

} // namespace

template <class T> int RxNextWordStart(const T* text, int from, int to, int length, int* end) {
    int p = from;
#ifdef RX_SSE2
    constexpr int kLanes = 16 / static_cast<int>(sizeof(T));
    constexpr unsigned kAll = (1u << kLanes) - 1;
    unsigned before = p > 0 && IsWord(text[p - 1]) ? 1u : 0u;
    for (; p + kLanes <= to; p += kLanes) {
        const unsigned w = WordMask(text + p);
        const unsigned starts = w & ~((w << 1) | before) & kAll;
        if (starts) {
            const int bit = RxLowestBit(starts);
            if (end) {
                const unsigned after = ~w & kAll & ~((2u << bit) - 1);
                *end = after ? p + RxLowestBit(after) : RxWordEnd(text, p + kLanes, length);
            }
            return p + bit;
        }
        before = (w >> (kLanes - 1)) & 1u;
    }
#endif
    for (; p < to; ++p) {
        if (IsWord(text[p]) && (p == 0 || !IsWord(text[p - 1]))) {
            if (end)
                *end = RxWordEnd(text, p + 1, length);
            return p;
        }
    }
    return -1;
}

template <class T> int RxWordEnd(const T* text, int from, int length) {
    int p = from;
#ifdef RX_SSE2
    constexpr int kLanes = 16 / static_cast<int>(sizeof(T));
    constexpr unsigned kAll = (1u << kLanes) - 1;
    for (; p + kLanes <= length; p += kLanes) {
        const unsigned other = ~WordMask(text + p) & kAll;
        if (other)
            return p + RxLowestBit(other);
    }
#endif
    while (p < length && IsWord(text[p]))
        ++p;
    return p;
}

template int RxNextWordStart<char>(const char*, int, int, int, int*);
template int RxNextWordStart<wchar_t>(const wchar_t*, int, int, int, int*);
template int RxWordEnd<char>(const char*, int, int);
template int RxWordEnd<wchar_t>(const wchar_t*, int, int);
