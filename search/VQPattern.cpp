#include "search/VQPattern.h"

#include <algorithm>

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

int64_t VQPattern::Find(const uint8_t* data, int64_t n) const {
    if (m_bytes.empty())
        return 0;
    if (!data || n < Length())
        return -1;
    return m_caseInsensitive ? FindIn<true>(data, n) : FindIn<false>(data, n);
}
