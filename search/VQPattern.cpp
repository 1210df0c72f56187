#include "search/VQPattern.h"

#include <algorithm>
#include <cstring>

#include "regexp/RxSimd.h"

#if defined(_M_X64) || defined(__SSE2__)
#include <immintrin.h>
#define VQ_BLOCK_FILTER 1
#endif

namespace {

// suffix[i]: length of the longest run ending at i that is also a suffix of
// the whole pattern.
std::vector<int32_t> SuffixLengths(const std::vector<uint8_t>& x) {
    const int32_t m = static_cast<int32_t>(x.size());
    std::vector<int32_t> suffix(m);
    suffix[m - 1] = m;
    int32_t f = m - 1, g = m - 1;
    for (int32_t i = m - 2; i >= 0; --i) {
        if (i > g && suffix[i + m - 1 - f] < i - g) {
            suffix[i] = suffix[i + m - 1 - f];
        } else {
            g = std::min(g, i);
            f = i;
            while (g >= 0 && x[g] == x[g + m - 1 - f])
                --g;
            suffix[i] = f - g;
        }
    }
    return suffix;
}

} // namespace

void VQPattern::Set(const uint8_t* bytes, size_t count, bool caseInsensitive) {
    m_caseInsensitive = caseInsensitive;
    m_bytes.clear();
    m_goodSuffix.clear();
    found = kNotSearched;
    if (!bytes || count == 0)
        return;
    m_bytes.assign(bytes, bytes + count);
    if (caseInsensitive) {
        for (uint8_t& b : m_bytes)
            b = FoldAsciiByte(b);
    }
    const int32_t m = Length();
    std::fill(std::begin(m_badCharacter), std::end(m_badCharacter), m);
    for (int32_t i = 0; i + 1 < m; ++i)
        m_badCharacter[m_bytes[i]] = m - 1 - i;

    // shift[j]: the smallest move of the pattern after a mismatch at j that
    // agrees with the bytes already matched and brings another byte under j.
    const std::vector<int32_t> suffix = SuffixLengths(m_bytes);
    std::vector<int32_t> shift(m, m);
    for (int32_t i = m - 1, j = 0; i >= 0; --i) {
        if (suffix[i] == i + 1) {
            for (; j < m - 1 - i; ++j) {
                if (shift[j] == m)
                    shift[j] = m - 1 - i;
            }
        }
    }
    for (int32_t i = 0; i <= m - 2; ++i)
        shift[m - 1 - suffix[i]] = m - 1 - i;
    m_goodSuffix.resize(m);
    for (int32_t j = 0; j + 1 < m; ++j)
        m_goodSuffix[j] = (m - 2 - j) + shift[j];
    m_goodSuffix[m - 1] = 0;

    m_anchor = m - 1;
    while (m_anchor > 0 && (m_bytes[m_anchor] == 0 || m_bytes[m_anchor] == ' '))
        --m_anchor;
}

bool VQPattern::MatchesAt(const uint8_t* data) const noexcept {
    const size_t m = m_bytes.size();
    if (!m_caseInsensitive)
        return memcmp(data, m_bytes.data(), m) == 0;
    for (size_t i = 0; i < m; ++i) {
        if (FoldAsciiByte(data[i]) != m_bytes[i])
            return false;
    }
    return true;
}

#ifdef VQ_BLOCK_FILTER
namespace {

// Patterns searched together in one pass at the most.
constexpr size_t kMaxTogether = 16;

// How a block filter compares one pattern byte: (data | lowerBit) == value.
// A folded letter matches both of its cases that way, and only those; any
// other byte is compared exactly.
struct ByteTest {
    uint8_t lowerBit;
    uint8_t value;
};
ByteTest TestFor(uint8_t b, bool fold) {
    if (fold && b >= 'A' && b <= 'Z')
        return {0x20, static_cast<uint8_t>(b | 0x20)};
    return {0, b};
}

// Of the start positions in a block (bit b of `any`: some pattern's filter
// passes at base + b), the first whole match in position order and then in
// pattern order; -1 when none.
int64_t FirstVerified(const VQPattern* const* patterns, size_t count, uint64_t any,
                      const uint8_t* data, int64_t n, int64_t base, size_t& which) {
    for (; any != 0; any &= any - 1) {
        const int64_t at = base + RxLowestBit(any);
        for (size_t p = 0; p < count; ++p) {
            if (at + patterns[p]->Length() <= n && patterns[p]->MatchesAt(data + at)) {
                which = p;
                return at;
            }
        }
    }
    return -1;
}

// Two blocks of start positions at a time: a pattern is compared whole only
// where its first byte and its anchor byte fit. `next` gets the first start
// position not looked at. Fixed > 0 is the count known when compiling.
template <class L, size_t Fixed>
int64_t ScanAll(const VQPattern* const* patterns, size_t count, const uint8_t* data, int64_t n,
                int64_t& next, size_t& which) {
    using V = typename L::V;
    constexpr int W = L::kWidth;
    if (Fixed > 0)
        count = Fixed;
    V firstBit[kMaxTogether], first[kMaxTogether];
    V anchorBit[kMaxTogether], anchor[kMaxTogether];
    int64_t offsets[kMaxTogether];
    int64_t reach = 0;
    for (size_t p = 0; p < count; ++p) {
        const VQPattern& x = *patterns[p];
        const ByteTest f = TestFor(x.Bytes()[0], x.CaseInsensitive());
        const ByteTest a = TestFor(x.Bytes()[x.Anchor()], x.CaseInsensitive());
        firstBit[p] = L::Splat(f.lowerBit);
        first[p] = L::Splat(f.value);
        anchorBit[p] = L::Splat(a.lowerBit);
        anchor[p] = L::Splat(a.value);
        offsets[p] = x.Anchor();
        reach = std::max<int64_t>(reach, x.Anchor());
    }
    int64_t i = next;
    for (; i + reach + 2 * W <= n; i += 2 * W) {
        const V a0 = L::Load(data + i), a1 = L::Load(data + i + W);
        V hit0 = L::Zero(), hit1 = L::Zero();
        // Unrolled, the tests of a fixed count keep their constants in registers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC unroll 4
#endif
        for (size_t p = 0; p < count; ++p) {
            const uint8_t* b = data + i + offsets[p];
            hit0 = L::Or(hit0, L::And(L::Equal8(L::Or(a0, firstBit[p]), first[p]),
                                      L::Equal8(L::Or(L::Load(b), anchorBit[p]), anchor[p])));
            hit1 = L::Or(hit1, L::And(L::Equal8(L::Or(a1, firstBit[p]), first[p]),
                                      L::Equal8(L::Or(L::Load(b + W), anchorBit[p]), anchor[p])));
        }
        const uint64_t any = L::Mask(hit0) | (L::Mask(hit1) << W);
        if (any != 0) {
            const int64_t at = FirstVerified(patterns, count, any, data, n, i, which);
            if (at >= 0)
                return at;
        }
    }
    next = i;
    return -1;
}

// The wide scans are compiled for the processors that have AVX2.
RX_WIDE_BEGIN
template int64_t ScanAll<RxLanes32, 0>(const VQPattern* const*, size_t, const uint8_t*, int64_t,
                                       int64_t&, size_t&);
template int64_t ScanAll<RxLanes32, 1>(const VQPattern* const*, size_t, const uint8_t*, int64_t,
                                       int64_t&, size_t&);
template int64_t ScanAll<RxLanes32, 2>(const VQPattern* const*, size_t, const uint8_t*, int64_t,
                                       int64_t&, size_t&);
template int64_t ScanAll<RxLanes32, 3>(const VQPattern* const*, size_t, const uint8_t*, int64_t,
                                       int64_t&, size_t&);

// Many patterns at once, thirty-two start positions at a time: each pattern
// belongs to one of eight buckets, and two tables per tested byte (indexed by
// its low and its high half) tell which buckets accept it. A start position
// whose three tested bytes are accepted by a common bucket is compared whole
// with that bucket's patterns. The cost per block does not grow with the
// number of patterns. Every pattern must be at least 3 bytes long.
int64_t ScanBuckets32(const VQPattern* const* patterns, size_t count, const uint8_t* data,
                      int64_t n, int64_t& next, size_t& which) {
    // Three bytes of every pattern are tested: 0, 2 and 4 when every pattern
    // is that long (in UTF-16 text three characters), else 0, 1 and 2.
    constexpr int kTested = 3;
    int step = 2;
    for (size_t p = 0; p < count; ++p) {
        if (patterns[p]->Length() < 5)
            step = 1;
    }
    // Per tested byte, the buckets accepting each low half and each high half.
    alignas(32) uint8_t tables[kTested][2][32] = {};
    for (size_t p = 0; p < count; ++p) {
        const VQPattern& x = *patterns[p];
        const uint8_t bucket = static_cast<uint8_t>(1u << (p % 8));
        for (int t = 0; t < kTested; ++t) {
            const uint8_t b = x.Bytes()[t * step];
            for (uint8_t v :
                 {b, static_cast<uint8_t>(b | TestFor(b, x.CaseInsensitive()).lowerBit)}) {
                tables[t][0][v & 15] |= bucket;
                tables[t][1][v >> 4] |= bucket;
            }
        }
    }
    __m256i low[kTested], high[kTested];
    for (int t = 0; t < kTested; ++t) {
        for (int k = 0; k < 16; ++k) {
            // The shuffle looks up within each 16-byte half.
            tables[t][0][16 + k] = tables[t][0][k];
            tables[t][1][16 + k] = tables[t][1][k];
        }
        low[t] = _mm256_load_si256(reinterpret_cast<const __m256i*>(tables[t][0]));
        high[t] = _mm256_load_si256(reinterpret_cast<const __m256i*>(tables[t][1]));
    }
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i zero = _mm256_setzero_si256();
    // The buckets that accept the byte of each start position at offset t.
    auto accepting = [&](const uint8_t* at, int t) {
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + t * step));
        return _mm256_and_si256(
            _mm256_shuffle_epi8(low[t], _mm256_and_si256(d, nibble)),
            _mm256_shuffle_epi8(high[t], _mm256_and_si256(_mm256_srli_epi16(d, 4), nibble)));
    };
    auto bucketsAt = [&](const uint8_t* at) {
        return _mm256_and_si256(_mm256_and_si256(accepting(at, 0), accepting(at, 1)),
                                accepting(at, 2));
    };
    // The first whole match among the candidates of one block, or -1.
    auto verify = [&](__m256i buckets, int64_t base) -> int64_t {
        unsigned mask =
            ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(buckets, zero)));
        if (mask == 0)
            return -1;
        alignas(32) uint8_t found[32];
        _mm256_store_si256(reinterpret_cast<__m256i*>(found), buckets);
        for (; mask != 0; mask &= mask - 1) {
            const int bit = RxLowestBit(mask);
            const int64_t at = base + bit;
            // Of the patterns that match here, the first one listed.
            size_t first = count;
            for (unsigned set = found[bit]; set != 0; set &= set - 1) {
                for (size_t p = static_cast<size_t>(RxLowestBit(set)); p < first; p += 8) {
                    if (at + patterns[p]->Length() <= n && patterns[p]->MatchesAt(data + at)) {
                        first = p;
                        break;
                    }
                }
            }
            if (first < count) {
                which = first;
                return at;
            }
        }
        return -1;
    };
    int64_t i = next;
    for (; i + (kTested - 1) * step + 64 <= n; i += 64) {
        // Two blocks at a time; most pairs hold no candidate at all.
        const __m256i b0 = bucketsAt(data + i), b1 = bucketsAt(data + i + 32);
        const __m256i both = _mm256_or_si256(b0, b1);
        if (_mm256_testz_si256(both, both))
            continue;
        int64_t at = verify(b0, i);
        if (at < 0)
            at = verify(b1, i + 32);
        if (at >= 0)
            return at;
    }
    for (; i + (kTested - 1) * step + 32 <= n; i += 32) {
        const int64_t at = verify(bucketsAt(data + i), i);
        if (at >= 0)
            return at;
    }
    next = i;
    return -1;
}
RX_WIDE_END

// The block scan for the count, with the commonest small counts unrolled.
int64_t ScanBlocks(const VQPattern* const* patterns, size_t count, const uint8_t* data, int64_t n,
                   int64_t& next, size_t& which) {
    using Scan =
        int64_t (*)(const VQPattern* const*, size_t, const uint8_t*, int64_t, int64_t&, size_t&);
    static const Scan kWide[] = {ScanAll<RxLanes32, 0>, ScanAll<RxLanes32, 1>,
                                 ScanAll<RxLanes32, 2>, ScanAll<RxLanes32, 3>};
    static const Scan kNarrow[] = {ScanAll<RxLanes16, 0>, ScanAll<RxLanes16, 1>,
                                   ScanAll<RxLanes16, 2>, ScanAll<RxLanes16, 3>};
    const size_t slot = count < 4 ? count : 0;
    // From four patterns on, the bucket scan costs less than one test per pattern.
    bool buckets = RxHasWideVectors() && count >= 4;
    for (size_t p = 0; p < count && buckets; ++p)
        buckets = patterns[p]->Length() >= 3;
    int64_t at = -1;
    if (buckets)
        at = ScanBuckets32(patterns, count, data, n, next, which);
    else if (RxHasWideVectors())
        at = kWide[slot](patterns, count, data, n, next, which);
    return at >= 0 ? at : kNarrow[slot](patterns, count, data, n, next, which);
}

} // namespace
#endif

int64_t VQPattern::FindFirstOf(const VQPattern* const* patterns, size_t count, const uint8_t* data,
                               int64_t n, size_t& which) {
    which = 0;
    if (!data || n <= 0 || count == 0)
        return -1;
    int64_t next = 0, best = -1;
#ifdef VQ_BLOCK_FILTER
    bool filtered = count <= kMaxTogether;
    for (size_t p = 0; p < count && filtered; ++p)
        filtered = !patterns[p]->Empty();
    if (filtered) {
        best = ScanBlocks(patterns, count, data, n, next, which);
        if (best >= 0)
            return best;
    }
#endif
    // One pattern after the other over what is left (shorter than a block
    // when the filter ran), each only as far as it could still start before
    // the best match so far.
    for (size_t p = 0; p < count; ++p) {
        const VQPattern& x = *patterns[p];
        int64_t end = n;
        if (best >= 0)
            end = std::min<int64_t>(n, best + x.Length() - 1);
        if (end <= next)
            continue;
        const int64_t at = x.FindBoyerMoore(data + next, end - next);
        if (at >= 0 && (best < 0 || next + at < best)) {
            best = next + at;
            which = p;
        }
    }
    return best;
}

template <bool Fold> int64_t VQPattern::FindIn(const uint8_t* data, int64_t n) const {
    auto fold = [](uint8_t b) { return Fold ? FoldAsciiByte(b) : b; };
    const int64_t m = Length();
    const uint8_t* pattern = m_bytes.data();
    const uint8_t last = pattern[m - 1];
    int64_t pos = m - 1; // data position under the pattern's last byte
    for (;;) {
        // Skip loop: one comparison per step until the last byte matches.
        while (pos < n) {
            const uint8_t b = fold(data[pos]);
            if (b == last)
                break;
            pos += m_badCharacter[b];
        }
        if (pos >= n)
            return -1;
        int64_t i = m - 1, at = pos;
        while (i > 0 && fold(data[at - 1]) == pattern[i - 1]) {
            --i;
            --at;
        }
        if (i == 0)
            return at;
        // Mismatch at pattern index i - 1, data position at - 1.
        const int64_t mismatch = at - 1;
        const int64_t next =
            mismatch + std::max(m_goodSuffix[i - 1], m_badCharacter[fold(data[mismatch])]);
        pos = std::max(next, pos + 1);
    }
}

int64_t VQPattern::FindBoyerMoore(const uint8_t* data, int64_t n) const {
    if (m_bytes.empty())
        return 0;
    if (!data || n < Length())
        return -1;
    return m_caseInsensitive ? FindIn<true>(data, n) : FindIn<false>(data, n);
}

int64_t VQPattern::Find(const uint8_t* data, int64_t n) const {
    const VQPattern* self = this;
    size_t which = 0;
    return m_bytes.empty() ? 0 : FindFirstOf(&self, 1, data, n, which);
}
