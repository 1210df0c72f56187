// The node classes that do not depend on the code unit type: they serve the 8-bit and the
// 16-bit form alike.
#pragma once

#include "regexp/RxNode.h"

#include <vector>

// Matches the empty string.
class RxEmptyNode : public RxNode {
public:
    int Match(RegexMatchContext&) override { return 1; }
    int MatchNext(RegexMatchContext&) override { return 0; }
};

// A sequence, visited last to first when it reads right to left.
class RxListNode : public RxNode {
public:
    RxListNode(std::vector<RxNode*> children, bool rightToLeft)
        : m_children(std::move(children)), m_rtl(rightToLeft) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    const std::vector<RxNode*>& Children() const { return m_children; }
    bool RightToLeft() const { return m_rtl; }

private:
    int Size() const { return static_cast<int>(m_children.size()); }
    RxNode* Visit(int i) const { return m_rtl ? m_children[Size() - 1 - i] : m_children[i]; }

    std::vector<RxNode*> m_children;
    bool m_rtl;
};

// Branches tried in order.
class RxAlternativeNode : public RxNode {
public:
    explicit RxAlternativeNode(std::vector<RxNode*> branches) : m_branches(std::move(branches)) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    const std::vector<RxNode*>& Branches() const { return m_branches; }

private:
    int TryFrom(RegexMatchContext& c, int first);
    std::vector<RxNode*> m_branches;
};

// Exactly count copies of the atom in sequence.
class RxRepeatNode : public RxNode {
public:
    RxRepeatNode(RxNode* atom, int count) : m_atom(atom), m_count(count) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    RxNode* Atom() const { return m_atom; }
    int Count() const { return m_count; }

protected:
    // The fixed part: matches / re-matches m_count copies with sequence backtracking.
    int MatchCopies(RegexMatchContext& c);
    int NextCopies(RegexMatchContext& c);

    RxNode* m_atom;
    int m_count;
};

// Minimum copies, then as many more as possible (up to extra), giving them back one by one.
class RxGreedyNode : public RxRepeatNode {
public:
    RxGreedyNode(RxNode* atom, int minimum, int extra)
        : RxRepeatNode(atom, minimum), m_extra(extra) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    int Extra() const { return m_extra; }

protected:
    int AddCopies(RegexMatchContext& c, int k);
    // Extends from the current position and pushes a fresh frame.
    void ExtendFresh(RegexMatchContext& c);
    int GiveUp(RegexMatchContext& c);
    void PushFrame(RegexMatchContext& c, int listFrom, int capTop, int btTop, int start, int k);

    int m_extra;
};

// Minimum copies, then one more copy each time the rest fails.
class RxReluctantNode : public RxGreedyNode {
public:
    using RxGreedyNode::RxGreedyNode;
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;
};

// A greedy repeat that never gives back.
class RxPossessiveNode : public RxGreedyNode {
public:
    using RxGreedyNode::RxGreedyNode;
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;
};

// An atomic group: the body's first way is the only one.
class RxIndependentNode : public RxNode {
public:
    explicit RxIndependentNode(RxNode* body) : m_body(body) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    RxNode* Body() const { return m_body; }

private:
    RxNode* m_body;
};

// Look-ahead or look-behind (the body then reads right to left); positive or negative.
class RxAssertNode : public RxNode {
public:
    RxAssertNode(RxNode* body, bool positive) : m_body(body), m_positive(positive) {}
    int Match(RegexMatchContext& c) override;
    int MatchNext(RegexMatchContext& c) override;

    RxNode* Body() const { return m_body; }

private:
    RxNode* m_body;
    bool m_positive;
};

// \G: true at the position where the search began.
class RxGlobalNode : public RxNode {
public:
    int Match(RegexMatchContext& c) override { return c.position == c.searchStart; }
    int MatchNext(RegexMatchContext&) override { return 0; }
};
