// The node classes that read code units or keep texts: capture marks, literals,
// back-references, conditions, recursion and anchors. T is char (8-bit text) or wchar_t.
#pragma once

#include "regexp/RxCharTraits.h"
#include "regexp/RxNode.h"
#include "regexp/RxNodes.h"

#include <bitset>
#include <string>

// The group number and name that marks, back-references and recursion refer to; a name
// is resolved to a number when the build finishes.
template <class T> class RxGroupRef : public RxNode {
public:
    RxGroupRef(int group, std::basic_string<T> name) : m_group(group), m_name(std::move(name)) {}
    int Group() const { return m_group; }
    void SetGroup(int g) { m_group = g; }
    const std::basic_string<T>& Name() const { return m_name; }

protected:
    int m_group;
    std::basic_string<T> m_name;
};

// One mark of a capturing group; a group is the sequence opening mark, body, closing mark.
template <class T> class RxBracketNode : public RxGroupRef<T> {
public:
    RxBracketNode(int group, bool closing, std::basic_string<T> name = {})
        : RxGroupRef<T>(group, std::move(name)), m_closing(closing) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    bool Closing() const { return m_closing; }

private:
    bool m_closing;
};

// A literal text, compared exactly or ignoring case.
template <class T> class RxStringNode : public RxNode {
public:
    RxStringNode(std::basic_string<T> text, bool rightToLeft, const RxCaseTables* ignoreCase);
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    const std::basic_string<T>& Text() const { return m_text; }
    // The text as it is compared: folded when ignoring case.
    const std::basic_string<T>& Compared() const { return m_case ? m_folded : m_text; }
    bool RightToLeft() const { return m_rtl; }
    const RxCaseTables* IgnoreCase() const { return m_case; }

private:
    std::basic_string<T> m_text;
    std::basic_string<T> m_folded; // the text through toupper, when ignoring case
    bool m_rtl;
    const RxCaseTables* m_case;
};

// Compares the text of a group's latest capture at the position.
template <class T> class RxBackrefNode : public RxGroupRef<T> {
public:
    RxBackrefNode(int group, bool rightToLeft, const RxCaseTables* ignoreCase,
                  std::basic_string<T> name = {})
        : RxGroupRef<T>(group, std::move(name)), m_rtl(rightToLeft), m_case(ignoreCase) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    bool RightToLeft() const { return m_rtl; }
    const RxCaseTables* IgnoreCase() const { return m_case; }

private:
    bool m_rtl;
    const RxCaseTables* m_case;
};

// (?(cond)yes|no): the condition is a group having taken part (group >= 0) or a node.
template <class T> class RxConditionNode : public RxNode {
public:
    RxConditionNode(int group, std::basic_string<T> name, RxNode* condition, RxNode* yes,
                    RxNode* no)
        : m_group(group), m_name(std::move(name)), m_condition(condition), m_yes(yes), m_no(no) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    const std::basic_string<T>& Name() const { return m_name; }
    RxNode* Condition() const { return m_condition; }
    RxNode* Yes() const { return m_yes; }
    RxNode* No() const { return m_no; }
    // Turns a named condition into a test of the group.
    void SetGroup(int g) {
        m_group = g;
        m_condition = nullptr;
    }

private:
    bool Holds(RegexMatchContext& c);

    int m_group;
    std::basic_string<T> m_name;
    RxNode* m_condition;
    RxNode* m_yes;
    RxNode* m_no;
};

// Recursion into the whole pattern (group 0) or a group; matches empty without a target.
template <class T> class RxDelegateNode : public RxGroupRef<T> {
public:
    static constexpr int kNamed = -3;
    RxDelegateNode(int group, std::basic_string<T> name) : RxGroupRef<T>(group, std::move(name)) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    void SetTarget(RxNode* target) { m_target = target; }

private:
    RxNode* m_target = nullptr;
};

// The code units that an atom matching exactly one code unit (a class or a single literal
// code unit) accepts: a table for 0..255, the atom's own test above.
template <class T> class RxUnitSet {
public:
    using Test = bool (*)(const RxNode* atom, T ch);
    RxUnitSet() = default;
    RxUnitSet(const RxNode* atom, Test test) : m_atom(atom), m_test(test) {
        for (unsigned u = 0; u < 256; ++u) {
            if (test(atom, static_cast<T>(u)))
                m_units[u >> 5] |= 1u << (u & 31);
        }
    }
    // The set of an atom that qualifies; empty (accepting nothing) otherwise.
    static RxUnitSet For(const RxNode* atom, bool& rightToLeft);
    bool Empty() const { return !m_test; }
    bool Accepts(T ch) const {
        const unsigned u = RxUnit(ch);
        if (u <= 0xFF)
            return (m_units[u >> 5] >> (u & 31)) & 1u;
        return m_test && m_test(m_atom, ch);
    }

private:
    // The test for an atom that qualifies, or null.
    static Test TestFor(const RxNode* atom, bool& rightToLeft);

    const RxNode* m_atom = nullptr;
    Test m_test = nullptr;
    std::uint32_t m_units[8] = {};
};

// A greedy repeat of an atom that always matches exactly one code unit (a class or a
// single literal code unit): it behaves as RxGreedyNode does with such an atom, whose
// MatchNext always fails, but keeps only the start and the count on the backtrack stack.
template <class T> class RxUnitGreedyNode : public RxGreedyNode {
public:
    // units: the atom's set (RxUnitSet::For).
    RxUnitGreedyNode(RxNode* atom, int minimum, int extra, const RxUnitSet<T>& units,
                     bool rightToLeft)
        : RxGreedyNode(atom, minimum, extra), m_units(units), m_rtl(rightToLeft) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    // Left to right: the code units that can begin what follows the repeat (high: any unit
    // above 0xFF can). Positions before any other unit are not offered, since what follows
    // would fail there at once.
    void SetFollowers(const std::bitset<256>& first, bool high) {
        m_follow = first;
        m_followHigh = high;
        m_hasFollow = !m_rtl;
    }
    bool RightToLeft() const { return m_rtl; }
    // True when the atom matches the code unit.
    bool Accepts(T ch) const { return m_units.Accepts(ch); }
    const RxUnitSet<T>& Units() const { return m_units; }

private:
    bool Follows(const T* text, int length, int pos) const {
        if (pos >= length)
            return false;
        const unsigned u = RxUnit(text[pos]);
        return u <= 0xFF ? m_follow.test(u) : m_followHigh;
    }

    RxUnitSet<T> m_units;
    bool m_rtl;
    bool m_hasFollow = false;
    bool m_followHigh = false;
    std::bitset<256> m_follow;
};

// Anchors and word boundaries.
template <class T> class RxBoundaryNode : public RxNode {
public:
    enum : int {
        TextStart = 0,
        TextEnd = 1,
        TextEndOrFinalBreak = 2,
        LineStart = 3,
        LineEnd = 4,
        WordBoundary = 7
    };
    RxBoundaryNode(int kind, bool positive) : m_kind(kind), m_positive(positive) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext&) override { return 0; }

    int Kind() const { return m_kind; }
    bool Positive() const { return m_positive; }

private:
    int m_kind;
    bool m_positive;
};
