// Nodes that match exactly one code unit out of a set: bracket classes (ranges, single
// code units, embedded classes) and POSIX named classes. Membership of the code units
// 0..255 is computed once when a class is sealed, so matching is one table lookup.
#pragma once

#include "regexp/RxCharTraits.h"
#include "regexp/RxNode.h"

#include <cstdint>
#include <string>
#include <vector>

// A class of single code units, read at the position (or before it, right to left).
template <class T> class RxUnitClass : public RxNode {
public:
    RxUnitClass(bool rightToLeft, bool positive) : m_rtl(rightToLeft), m_positive(positive) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override {
        c.position += m_rtl ? 1 : -1;
        return 0;
    }
    // Full membership test, negation included.
    bool Accepts(T ch) const {
        unsigned u = RxUnit(ch);
        if (u <= 0xFF)
            return (m_table[u >> 5] >> (u & 31)) & 1u;
        return AcceptsWide(ch);
    }
    bool RightToLeft() const { return m_rtl; }
    bool Positive() const { return m_positive; }
    // False when no code unit above 0xFF can be accepted.
    virtual bool MayAcceptWide() const = 0;

protected:
    virtual bool AcceptsWide(T ch) const = 0;
    void SetTableBit(unsigned u, bool on) {
        if (on)
            m_table[u >> 5] |= 1u << (u & 31);
        else
            m_table[u >> 5] &= ~(1u << (u & 31));
    }

    bool m_rtl;
    bool m_positive;
    std::uint32_t m_table[8] = {};
};

// [...] and [^...], and the stock classes.
template <class T> class RxRangeNode : public RxUnitClass<T> {
public:
    RxRangeNode(bool rightToLeft, bool positive) : RxUnitClass<T>(rightToLeft, positive) {}
    int Match(RegexMatchContext& c) override;

    void SetPositive(bool positive) { this->m_positive = positive; }
    void AddRange(T low, T high);
    void AddChar(T ch) { m_chars.push_back(ch); }
    void AddEmbedded(RxNode* node) { m_embedded.push_back(node); }
    // True when ch lies in a range or is one of the single code units.
    bool Contains(T ch) const;
    // Adds the other case of the letters in the ranges and code units present now.
    void Widen(const RxCaseTables& t);
    // Fixes the lookup table; called once the class is complete.
    void Seal();

    const std::vector<RxNode*>& Embedded() const { return m_embedded; }
    bool MayAcceptWide() const override;
    // True when matching is the table lookup alone (no embedded node of another kind).
    bool Plain() const { return m_plainEmbedded; }

    // Range ends compare as signed bytes in the 8-bit form, unsigned in the 16-bit form.
    static int Order(T ch) {
        if constexpr (sizeof(T) == 1)
            return static_cast<signed char>(ch);
        else
            return static_cast<int>(RxUnit(ch));
    }

protected:
    bool AcceptsWide(T ch) const override;

private:
    bool Members(T ch) const;

    std::vector<T> m_ranges; // pairs (low, high), inclusive
    std::vector<T> m_chars;
    std::vector<RxNode*> m_embedded;
    bool m_plainEmbedded = true; // every embedded node is a unit class
};

// [:name:] and [:^name:].
template <class T> class RxPosixNode : public RxUnitClass<T> {
public:
    // text: a colon, an optional circumflex, the name, a colon (units above 0xFF as 0).
    RxPosixNode(const std::string& text, bool rightToLeft);
    RxCtypeFn Test() const { return m_test; }
    int Match(RegexMatchContext& c) override;
    bool MayAcceptWide() const override { return !this->m_positive; }

protected:
    bool AcceptsWide(T) const override { return !this->m_positive; }

private:
    RxCtypeFn m_test = nullptr;
};
