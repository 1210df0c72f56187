// One searchable byte string with its Boyer-Moore tables: the unit of the word
// and hex content matcher. Case folding, when asked for, touches only the
// ASCII letters a to z; every other byte is compared exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class VQPattern {
public:
    // Found position in the matcher's bookkeeping.
    static constexpr int64_t kNotSearched = -2;
    static constexpr int64_t kNotFound = -1;

    // Copies the bytes (a-z folded to A-Z when case-insensitive) and builds the
    // bad-character and good-suffix shift tables. Null or no bytes: an empty
    // pattern.
    void Set(const uint8_t* bytes, size_t count, bool caseInsensitive);
    // Position of the first occurrence in data[0, n), or -1. An empty pattern
    // is found at 0.
    int64_t Find(const uint8_t* data, int64_t n) const;

    const std::vector<uint8_t>& Bytes() const noexcept { return m_bytes; }
    int32_t Length() const noexcept { return static_cast<int32_t>(m_bytes.size()); }
    bool Empty() const noexcept { return m_bytes.empty(); }
    bool CaseInsensitive() const noexcept { return m_caseInsensitive; }
    // Where the block filter tests its second byte: the last byte that is
    // neither zero nor a blank (0 when there is none).
    int32_t Anchor() const noexcept { return m_anchor; }
    // Shift per mismatching data byte, aligned with the pattern's last byte.
    int32_t BadCharacterShift(uint8_t b) const noexcept { return m_badCharacter[b]; }
    // Shift after a mismatch at each pattern position (strong good-suffix rule).
    const std::vector<int32_t>& GoodSuffix() const noexcept { return m_goodSuffix; }

    // -2 not yet searched, -1 searched and not found, else the absolute file
    // offset of the match.
    int64_t found = kNotSearched;

    // Whether the pattern's bytes stand at `data` (which must hold Length()
    // bytes), folded as the pattern is.
    bool MatchesAt(const uint8_t* data) const noexcept;

    // The Boyer-Moore search alone, without the block filter of Find: the
    // reference the filter is checked against.
    int64_t FindBoyerMoore(const uint8_t* data, int64_t n) const;

    // The earliest match in data[0, n) of any of the patterns, in one pass;
    // `which` gets the index of the pattern (the first one listed on a tie).
    // -1 when none matches.
    static int64_t FindFirstOf(const VQPattern* const* patterns, size_t count, const uint8_t* data,
                               int64_t n, size_t& which);

private:
    template <bool Fold> int64_t FindIn(const uint8_t* data, int64_t n) const;

    std::vector<uint8_t> m_bytes;
    // Block filter: a candidate start has the first byte at 0 and the anchor
    // byte at m_anchor (the last byte that is neither zero nor a blank).
    int32_t m_anchor = 0;
    int32_t m_badCharacter[256]{};
    std::vector<int32_t> m_goodSuffix;
    bool m_caseInsensitive = false;
};

// The byte with only the ASCII letters a to z turned into A to Z.
inline uint8_t FoldAsciiByte(uint8_t b) noexcept {
    return (b >= 'a' && b <= 'z') ? static_cast<uint8_t>(b - ('a' - 'A')) : b;
}
