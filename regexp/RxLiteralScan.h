// Finds the next place where one of a few literals occurs, a vector of bytes at a time: the code
// units at the first, the second and the last offset of the shortest literal are tested for
// a small set of candidates each, and only positions passing all are compared in full. Serves
// the match loop, which must not try start positions where no match can begin.
#pragma once

#include "regexp/RxCharTraits.h"

#include <cstdint>
#include <string>
#include <vector>

template <class T> class RxLiteralScan {
public:
    // Most literals, and most code units accepted at a tested offset, that the scan handles.
    static constexpr size_t kMaxLiterals = 8;
    static constexpr size_t kMaxUnits = 16;

    // Takes the literals (none empty). With case tables they compare ignoring case and are
    // given already folded through the tables' upper-case mapping. False (and inactive) when
    // the set is empty or too large to scan this way.
    bool Set(const std::vector<std::basic_string<T>>& literals, const RxCaseTables* fold);
    bool Active() const { return !m_literals.empty(); }
    void Reset() { m_literals.clear(); }

    // The first position p in [from, to) where one of the literals occurs within the text of
    // `length` code units, or -1.
    int Find(const T* text, int from, int to, int length) const;
    // True when one of the literals occurs at p.
    bool At(const T* text, int p, int length) const;
    // True when the code unit can begin one of the literals.
    bool CanBegin(T ch) const { return m_first.Has(ch); }

private:
    // The code units accepted at one tested offset.
    struct UnitSet {
        std::vector<T> units;
        std::uint32_t table[8] = {};
        bool Add(T ch);
        bool Has(T ch) const {
            const unsigned u = RxUnit(ch);
            if (u <= 0xFF)
                return (table[u >> 5] >> (u & 31)) & 1u;
            for (T x : units) {
                if (x == ch)
                    return true;
            }
            return false;
        }
    };
    // Adds every code unit equal to `lit` (or folding to it).
    bool AddMatching(UnitSet& set, T lit) const;
    int FindScalar(const T* text, int from, int to, int length) const;
    // The vector scan of Find over one register width L (RxSimd.h); `from` comes back as the
    // first position not looked at.
    template <class L> int FindBlocks(const T* text, int& from, int to, int length) const;

    std::vector<std::basic_string<T>> m_literals;
    const RxCaseTables* m_fold = nullptr;
    int m_window = 0; // length of the shortest literal
    UnitSet m_first, m_second, m_last;
    bool m_useSecond = false; // the second offset is tested too (it lies before the last)
};
