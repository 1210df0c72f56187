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

// Many patterns at once, sixty-four start positions at a time: patterns are grouped in up to
// eight buckets, and two tables per tested byte (indexed by its low and its high half) tell
// which buckets accept it. Three bytes of every pattern are tested: every block looks at the
// whole first one and at the low halves of the other two, and only a block left with a
// candidate looks at their high halves. A start position whose three tested bytes a common
// bucket accepts is compared whole with that bucket's patterns. The cost per block does not
// grow with the number of patterns. Every pattern must be at least 3 bytes long.
struct BucketFilter {
    static constexpr int kTested = 3;
    static constexpr int kBuckets = 8;
    // What the block test needs; the scan keeps a copy in registers.
    struct Lookup {
        // Offsets of the tested bytes from the start position.
        int offsets[kTested] = {};
        // Per tested byte, the buckets accepting each low and each high half (both 16-byte
        // halves alike: the shuffle looks up within each).
        __m256i low[kTested], high[kTested];
    } lookup;
    // Whether some first tested byte, and some other tested byte, is 0x80 or above. The
    // shuffle gives 0 where its index has the top bit set, so a byte used unmasked as the
    // index of its low half finds no bucket when it is 0x80 or above: right only where no
    // pattern tests such a byte; else the low half is masked first.
    bool highFirst = false, highRest = false;
    // The patterns of each bucket, in the order listed.
    uint8_t members[kBuckets][kMaxTogether] = {};
    uint8_t memberCount[kBuckets] = {};

    void Build(const VQPattern* const* patterns, size_t count) {
        // The first, the middle and the last byte of the shortest pattern: bytes far apart
        // pass together less often than neighbours do. An even spacing from 2 on keeps to
        // the low bytes of UTF-16 text, not the zeros beside its ASCII letters.
        int32_t shortest = patterns[0]->Length();
        for (size_t p = 1; p < count; ++p)
            shortest = std::min(shortest, patterns[p]->Length());
        int step = (shortest - 1) / 2;
        if (step > 2 && step % 2 != 0)
            --step;
        for (int t = 0; t < kTested; ++t)
            lookup.offsets[t] = t * step;
        alignas(32) uint8_t tables[kTested][2][32] = {};
        // Patterns with the same tested bytes share a bucket, so that unrelated ones
        // rarely do and the tables pass few start positions.
        uint8_t keys[kMaxTogether][kTested + 1];
        size_t distinct = 0;
        for (size_t p = 0; p < count; ++p) {
            const VQPattern& x = *patterns[p];
            uint8_t key[kTested + 1];
            for (int t = 0; t < kTested; ++t)
                key[t] = x.Bytes()[lookup.offsets[t]];
            key[kTested] = x.CaseInsensitive() ? 1 : 0;
            size_t k = 0;
            while (k < distinct && memcmp(keys[k], key, sizeof key) != 0)
                ++k;
            if (k == distinct)
                memcpy(keys[distinct++], key, sizeof key);
            const size_t b = k % kBuckets;
            members[b][memberCount[b]++] = static_cast<uint8_t>(p);
            for (int t = 0; t < kTested; ++t) {
                const uint8_t v = key[t];
                for (uint8_t u :
                     {v, static_cast<uint8_t>(v | TestFor(v, x.CaseInsensitive()).lowerBit)}) {
                    tables[t][0][u & 15] |= static_cast<uint8_t>(1u << b);
                    tables[t][1][u >> 4] |= static_cast<uint8_t>(1u << b);
                    if (u >= 0x80)
                        (t == 0 ? highFirst : highRest) = true;
                }
            }
        }
        for (int t = 0; t < kTested; ++t) {
            for (int k = 0; k < 16; ++k) {
                tables[t][0][16 + k] = tables[t][0][k];
                tables[t][1][16 + k] = tables[t][1][k];
            }
            lookup.low[t] = _mm256_load_si256(reinterpret_cast<const __m256i*>(tables[t][0]));
            lookup.high[t] = _mm256_load_si256(reinterpret_cast<const __m256i*>(tables[t][1]));
        }
    }
};

// The buckets whose tested byte t has the low half of the byte at `at` + its offset, for
// each of the 32 start positions at `at`; and those whose byte has its high half. Both
// together test the whole byte.
template <bool HighBytes>
inline __m256i LowHalfAccepting(const BucketFilter::Lookup& f, const uint8_t* at, int t) {
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + f.offsets[t]));
    return _mm256_shuffle_epi8(f.low[t],
                               HighBytes ? _mm256_and_si256(d, _mm256_set1_epi8(0x0F)) : d);
}
inline __m256i HighHalfAccepting(const BucketFilter::Lookup& f, const uint8_t* at, int t) {
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + f.offsets[t]));
    return _mm256_shuffle_epi8(f.high[t],
                               _mm256_and_si256(_mm256_srli_epi16(d, 4), _mm256_set1_epi8(0x0F)));
}
// The start positions of one block whose three tested bytes a common bucket accepts in
// the halves the first step looks at: the first byte whole, of the others the low half,
// which case folding leaves alone. The high halves of the others are tested afterwards,
// only where a candidate is left.
template <bool HighFirst, bool HighRest>
inline __m256i FirstStep(const BucketFilter::Lookup& f, const uint8_t* at) {
    return _mm256_and_si256(
        _mm256_and_si256(LowHalfAccepting<HighFirst>(f, at, 0), HighHalfAccepting(f, at, 0)),
        _mm256_and_si256(LowHalfAccepting<HighRest>(f, at, 1),
                         LowHalfAccepting<HighRest>(f, at, 2)));
}
inline __m256i SecondStep(const BucketFilter::Lookup& f, const uint8_t* at, __m256i first) {
    return _mm256_and_si256(
        first, _mm256_and_si256(HighHalfAccepting(f, at, 1), HighHalfAccepting(f, at, 2)));
}

// The first whole match among the candidates of one block of 32 start positions, or -1.
int64_t FirstInBuckets(const BucketFilter& f, const VQPattern* const* patterns, __m256i buckets,
                       const uint8_t* data, int64_t n, int64_t base, size_t& which) {
    unsigned mask = ~static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(buckets, _mm256_setzero_si256())));
    if (mask == 0)
        return -1;
    alignas(32) uint8_t found[32];
    _mm256_store_si256(reinterpret_cast<__m256i*>(found), buckets);
    for (; mask != 0; mask &= mask - 1) {
        const int bit = RxLowestBit(mask);
        const int64_t at = base + bit;
        // Of the patterns that match here, the first one listed.
        size_t first = kMaxTogether;
        for (unsigned set = found[bit]; set != 0; set &= set - 1) {
            const int b = RxLowestBit(set);
            for (int k = 0; k < f.memberCount[b] && f.members[b][k] < first; ++k) {
                const VQPattern& x = *patterns[f.members[b][k]];
                if (at + x.Length() <= n && x.MatchesAt(data + at)) {
                    first = f.members[b][k];
                    break;
                }
            }
        }
        if (first < kMaxTogether) {
            which = first;
            return at;
        }
    }
    return -1;
}

template <bool HighFirst, bool HighRest>
int64_t ScanBuckets(const BucketFilter& f, const VQPattern* const* patterns, const uint8_t* data,
                    int64_t n, int64_t& next, size_t& which) {
    const BucketFilter::Lookup l = f.lookup;
    const int reach = l.offsets[BucketFilter::kTested - 1];
    int64_t i = next;
    for (; i + reach + 64 <= n; i += 64) {
        // Two blocks at a time; most pairs hold no candidate at all.
        __m256i b0 = FirstStep<HighFirst, HighRest>(l, data + i);
        __m256i b1 = FirstStep<HighFirst, HighRest>(l, data + i + 32);
        __m256i both = _mm256_or_si256(b0, b1);
        if (_mm256_testz_si256(both, both))
            continue;
        b0 = SecondStep(l, data + i, b0);
        b1 = SecondStep(l, data + i + 32, b1);
        both = _mm256_or_si256(b0, b1);
        if (_mm256_testz_si256(both, both))
            continue;
        int64_t at = FirstInBuckets(f, patterns, b0, data, n, i, which);
        if (at < 0)
            at = FirstInBuckets(f, patterns, b1, data, n, i + 32, which);
        if (at >= 0)
            return at;
    }
    for (; i + reach + 32 <= n; i += 32) {
        const uint8_t* at = data + i;
        const int64_t found =
            FirstInBuckets(f, patterns, SecondStep(l, at, FirstStep<HighFirst, HighRest>(l, at)),
                           data, n, i, which);
        if (found >= 0)
            return found;
    }
    next = i;
    return -1;
}

int64_t ScanBuckets32(const VQPattern* const* patterns, size_t count, const uint8_t* data,
                      int64_t n, int64_t& next, size_t& which) {
    BucketFilter f;
    f.Build(patterns, count);
    using Scan = int64_t (*)(const BucketFilter&, const VQPattern* const*, const uint8_t*, int64_t,
                             int64_t&, size_t&);
    static const Scan kScans[2][2] = {{ScanBuckets<false, false>, ScanBuckets<false, true>},
                                      {ScanBuckets<true, false>, ScanBuckets<true, true>}};
    return kScans[f.highFirst][f.highRest](f, patterns, data, n, next, which);
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
