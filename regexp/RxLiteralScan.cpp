#include "regexp/RxLiteralScan.h"

#include "regexp/RxSimd.h"

#include <type_traits>

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

#ifdef RX_SSE2
template <class T>
template <class L>
int RxLiteralScan<T>::FindBlocks(const T* text, int& from, int to, int length) const {
    using V = typename L::V;
    using Unit = std::conditional_t<sizeof(T) == 1, std::uint8_t, std::uint16_t>;
    constexpr auto Equal = sizeof(T) == 1 ? &L::Equal8 : &L::Equal16;
    constexpr int kLanes = L::kWidth / static_cast<int>(sizeof(T));
    const int last = m_window - 1;
    V first[kMaxUnits], second[kMaxUnits], lastUnits[kMaxUnits];
    const int nf = static_cast<int>(m_first.units.size());
    const int ns = m_useSecond ? static_cast<int>(m_second.units.size()) : 0;
    const int nl = static_cast<int>(m_last.units.size());
    for (int k = 0; k < nf; ++k)
        first[k] = L::Splat(static_cast<Unit>(m_first.units[k]));
    for (int k = 0; k < ns; ++k)
        second[k] = L::Splat(static_cast<Unit>(m_second.units[k]));
    for (int k = 0; k < nl; ++k)
        lastUnits[k] = L::Splat(static_cast<Unit>(m_last.units[k]));
    // One mask bit per byte: each 16-bit lane sets two, of which only the low one is kept.
    const std::uint64_t lanes = (std::uint64_t{1} << L::kWidth) - 1;
    const std::uint64_t keep = sizeof(T) == 1 ? lanes : lanes & 0x5555555555555555u;
    const int shift = sizeof(T) == 1 ? 0 : 1;
    int p = from;
    for (; p + kLanes <= to && p + kLanes + last <= length; p += kLanes) {
        const V a = L::Load(text + p);
        const V b = L::Load(text + p + last);
        V ma = Equal(a, first[0]);
        for (int k = 1; k < nf; ++k)
            ma = L::Or(ma, Equal(a, first[k]));
        V mb = Equal(b, lastUnits[0]);
        for (int k = 1; k < nl; ++k)
            mb = L::Or(mb, Equal(b, lastUnits[k]));
        V both = L::And(ma, mb);
        if (L::None(both))
            continue;
        if (ns > 0) {
            const V c = L::Load(text + p + 1);
            V mc = Equal(c, second[0]);
            for (int k = 1; k < ns; ++k)
                mc = L::Or(mc, Equal(c, second[k]));
            both = L::And(both, mc);
        }
        for (std::uint64_t mask = L::Mask(both) & keep; mask != 0; mask &= mask - 1) {
            const int at = p + (RxLowestBit(mask) >> shift);
            if (At(text, at, length)) {
                from = p;
                return at;
            }
        }
    }
    from = p;
    return -1;
}

// The wide scans are compiled for the processors that have AVX2.
RX_WIDE_BEGIN
template int RxLiteralScan<char>::FindBlocks<RxLanes32>(const char*, int&, int, int) const;
template int RxLiteralScan<wchar_t>::FindBlocks<RxLanes32>(const wchar_t*, int&, int, int) const;
RX_WIDE_END
#endif

template <class T> int RxLiteralScan<T>::Find(const T* text, int from, int to, int length) const {
    if (!Active() || from < 0)
        return -1;
    if (to > length)
        to = length;
#ifdef RX_SSE2
    int at = -1;
    if (RxHasWideVectors())
        at = FindBlocks<RxLanes32>(text, from, to, length);
    if (at < 0)
        at = FindBlocks<RxLanes16>(text, from, to, length);
    return at >= 0 ? at : FindScalar(text, from, to, length);
#else
    return FindScalar(text, from, to, length);
#endif
}

template class RxLiteralScan<char>;
template class RxLiteralScan<wchar_t>;
