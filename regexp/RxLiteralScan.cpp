#include "regexp/RxLiteralScan.h"

#include "regexp/RxSimd.h"

template <class T> bool RxLiteralScan<T>::UnitSet::Add(T ch) {
    for (T x : units) {
        if (x == ch)
            return true;
    }
    if (units.size() >= kMaxUnits)
        return false;
    units.push_back(ch);
    const unsigned u = RxUnit(ch);
    if (u <= 0xFF)
        table[u >> 5] |= 1u << (u & 31);
    return true;
}

template <class T> bool RxLiteralScan<T>::AddMatching(UnitSet& set, T lit) const {
    if (!m_fold)
        return set.Add(lit);
    // A text unit matches when its folded value equals the literal's (already folded) unit;
    // units above 0xFF fold to themselves.
    const unsigned f = RxUnit(lit);
    if (f > 0xFF)
        return set.Add(lit);
    for (unsigned u = 0; u <= 0xFF; ++u) {
        if (m_fold->upper[u] == f && !set.Add(static_cast<T>(u)))
            return false;
    }
    return true;
}

template <class T>
bool RxLiteralScan<T>::Set(const std::vector<std::basic_string<T>>& literals,
                           const RxCaseTables* fold) {
    Reset();
    m_first = UnitSet{};
    m_last = UnitSet{};
    m_fold = fold;
    if (literals.empty() || literals.size() > kMaxLiterals)
        return false;
    int window = INT32_MAX;
    for (const auto& l : literals) {
        if (l.empty())
            return false;
        if (static_cast<int>(l.size()) < window)
            window = static_cast<int>(l.size());
    }
    m_second = UnitSet{};
    m_useSecond = window > 2;
    for (const auto& l : literals) {
        if (!AddMatching(m_first, l[0]) || !AddMatching(m_last, l[window - 1]))
            return false;
        if (m_useSecond && !AddMatching(m_second, l[1]))
            m_useSecond = false;
    }
    m_window = window;
    m_literals = literals;
    return true;
}

template <class T> bool RxLiteralScan<T>::At(const T* text, int p, int length) const {
    for (const auto& l : m_literals) {
        const int n = static_cast<int>(l.size());
        if (n > length - p)
            continue;
        const T* s = text + p;
        int i = 0;
        if (m_fold) {
            for (; i < n; ++i) {
                const unsigned u = RxUnit(s[i]);
                if ((u <= 0xFF ? m_fold->upper[u] : u) != RxUnit(l[i]))
                    break;
            }
        } else {
            while (i < n && s[i] == l[i])
                ++i;
        }
        if (i == n)
            return true;
    }
    return false;
}

template <class T>
int RxLiteralScan<T>::FindScalar(const T* text, int from, int to, int length) const {
    const int last = m_window - 1;
    for (int p = from; p < to && p + last < length; ++p) {
        if (m_first.Has(text[p]) && m_last.Has(text[p + last]) &&
            (!m_useSecond || m_second.Has(text[p + 1])) && At(text, p, length))
            return p;
    }
    return -1;
}

template <class T> int RxLiteralScan<T>::Find(const T* text, int from, int to, int length) const {
    if (!Active() || from < 0)
        return -1;
    if (to > length)
        to = length;
#ifdef RX_SSE2
    constexpr int kLanes = 16 / static_cast<int>(sizeof(T));
    const int last = m_window - 1;
    __m128i first[kMaxUnits], second[kMaxUnits], lastUnits[kMaxUnits];
    const int nf = static_cast<int>(m_first.units.size());
    const int ns = m_useSecond ? static_cast<int>(m_second.units.size()) : 0;
    const int nl = static_cast<int>(m_last.units.size());
    auto splat = [](T ch) {
        if constexpr (sizeof(T) == 1)
            return _mm_set1_epi8(static_cast<char>(ch));
        else
            return _mm_set1_epi16(static_cast<short>(ch));
    };
    auto equal = [](__m128i a, __m128i b) {
        if constexpr (sizeof(T) == 1)
            return _mm_cmpeq_epi8(a, b);
        else
            return _mm_cmpeq_epi16(a, b);
    };
    for (int k = 0; k < nf; ++k)
        first[k] = splat(m_first.units[k]);
    for (int k = 0; k < ns; ++k)
        second[k] = splat(m_second.units[k]);
    for (int k = 0; k < nl; ++k)
        lastUnits[k] = splat(m_last.units[k]);
    // Each mask bit of a 16-bit lane comes twice; only the low one is kept.
    const unsigned keep = sizeof(T) == 1 ? 0xFFFFu : 0x5555u;
    const int shift = sizeof(T) == 1 ? 0 : 1;
    int p = from;
    for (; p + kLanes <= to && p + kLanes + last <= length; p += kLanes) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p + last));
        __m128i ma = equal(a, first[0]);
        for (int k = 1; k < nf; ++k)
            ma = _mm_or_si128(ma, equal(a, first[k]));
        __m128i mb = equal(b, lastUnits[0]);
        for (int k = 1; k < nl; ++k)
            mb = _mm_or_si128(mb, equal(b, lastUnits[k]));
        __m128i both = _mm_and_si128(ma, mb);
        if (ns > 0 && _mm_movemask_epi8(both) != 0) {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p + 1));
            __m128i mc = equal(c, second[0]);
            for (int k = 1; k < ns; ++k)
                mc = _mm_or_si128(mc, equal(c, second[k]));
            both = _mm_and_si128(both, mc);
        }
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(both)) & keep;
        while (mask) {
            const int at = p + (RxLowestBit(mask) >> shift);
            if (At(text, at, length))
                return at;
            mask &= mask - 1;
        }
    }
    return FindScalar(text, p, to, length);
#else
    return FindScalar(text, from, to, length);
#endif
}

template class RxLiteralScan<char>;
template class RxLiteralScan<wchar_t>;
