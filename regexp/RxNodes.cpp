#include "regexp/RxNodes.h"

// Sequence backtracking over n items (the children of a sequence, or the copies of a
// repeated atom): goes forward from `matched` items; when one fails, the items already
// matched are asked for their next way, latest first, and matching goes forward again from
// the item after the one that found it.
template <class Item>
static int SequenceForward(RegexMatchContext& c, Item item, int matched, int n) {
    while (matched < n) {
        if (item(matched)->Match(c)) {
            ++matched;
            continue;
        }
        for (;;) {
            if (matched == 0 || c.halted)
                return 0;
            if (item(matched - 1)->MatchNext(c))
                break;
            --matched;
        }
    }
    return 1;
}

// The next way of all n items: the latest item that has one, then forward again.
template <class Item> static int SequenceNext(RegexMatchContext& c, Item item, int n) {
    int matched = n;
    for (;;) {
        if (matched == 0 || c.halted)
            return 0;
        if (item(matched - 1)->MatchNext(c))
            break;
        --matched;
    }
    return SequenceForward(c, item, matched, n);
}

int RxListNode::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    return SequenceForward(
        c, [this](int i) { return Visit(i); }, 0, Size());
}

int RxListNode::MatchNext(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Resume())
        return 0;
    return SequenceNext(
        c, [this](int i) { return Visit(i); }, Size());
}

int RxAlternativeNode::TryFrom(RegexMatchContext& c, int first) {
    const int n = static_cast<int>(m_branches.size());
    for (int i = first; i < n && !c.halted; ++i) {
        if (m_branches[i]->Match(c)) {
            c.Push(i);
            return 1;
        }
    }
    return 0;
}

int RxAlternativeNode::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    return TryFrom(c, 0);
}

int RxAlternativeNode::MatchNext(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Resume())
        return 0;
    int i = c.Pop();
    if (i < 0 || i >= static_cast<int>(m_branches.size()))
        return 0;
    if (m_branches[i]->MatchNext(c)) {
        c.Push(i);
        return 1;
    }
    return TryFrom(c, i + 1);
}

int RxRepeatNode::MatchCopies(RegexMatchContext& c) {
    return SequenceForward(
        c, [this](int) { return m_atom; }, 0, m_count);
}

int RxRepeatNode::NextCopies(RegexMatchContext& c) {
    return SequenceNext(
        c, [this](int) { return m_atom; }, m_count);
}

int RxRepeatNode::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    return MatchCopies(c);
}

int RxRepeatNode::MatchNext(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Resume())
        return 0;
    return NextCopies(c);
}

// Adds copies on top of k, up to m_extra in all. A copy that does not move the position is
// asked once for another way; when that does not move either, it is undone and the
// extension stops, so an atom that can match empty never loops.
int RxGreedyNode::AddCopies(RegexMatchContext& c, int k) {
    while (k < m_extra) {
        const int bt = c.BacktrackTop(), cap = c.CaptureTop(), p = c.position;
        if (!m_atom->Match(c))
            break;
        if (c.position == p) {
            if (!m_atom->MatchNext(c))
                break;
            if (c.position == p) {
                c.TruncateBacktrack(bt);
                c.TruncateCaptures(cap);
                c.position = p;
                break;
            }
        }
        ++k;
    }
    return k;
}

// Frame on the backtrack stack, top last: the end positions already offered (ascending),
// their count, capture-stack top, backtrack-stack top, start of the variable part, copies.
void RxGreedyNode::PushFrame(RegexMatchContext& c, int listFrom, int capTop, int btTop, int start,
                             int k) {
    const int n = c.scratch.Size() - listFrom;
    for (int i = 0; i < n; ++i)
        c.Push(c.scratch[listFrom + i]);
    c.Push(n);
    c.Push(capTop);
    c.Push(btTop);
    c.Push(start);
    c.Push(k);
}

void RxGreedyNode::ExtendFresh(RegexMatchContext& c) {
    const int start = c.position, bt = c.BacktrackTop(), cap = c.CaptureTop();
    const int k = AddCopies(c, 0);
    c.Push(c.position);
    c.Push(1);
    c.Push(cap);
    c.Push(bt);
    c.Push(start);
    c.Push(k);
}

int RxGreedyNode::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    if (!MatchCopies(c))
        return 0;
    ExtendFresh(c);
    return 1;
}

// Gives up inside the variable part; never offers the same end position twice per frame.
int RxGreedyNode::GiveUp(RegexMatchContext& c) {
    const int k = c.Pop(), start = c.Pop(), btTop = c.Pop(), capTop = c.Pop(), len = c.Pop();
    const int first = c.BacktrackTop() - len;
    if (len < 0 || first < 0) {
        c.halted = true;
        return 0;
    }
    const int from = c.scratch.Size();
    if (!c.scratch.Reserve(static_cast<size_t>(from) + static_cast<size_t>(len))) {
        c.halted = true;
        return 0;
    }
    for (int i = 0; i < len; ++i)
        c.scratch.Push(c.backtrack[first + i]);
    c.TruncateBacktrack(first);

    int result = 0;
    if (k == 0) {
        result = 0;
    } else if (!m_atom->MatchNext(c)) {
        // The last copy is dropped; the position is back where it began.
        PushFrame(c, from, capTop, btTop, start, k - 1);
        result = 1;
    } else if (c.position == start) {
        // The only copy now matches nothing: that is the same as no copy at all, an end
        // not offered yet, so it is offered instead of failing the repeat.
        c.TruncateBacktrack(btTop);
        c.TruncateCaptures(capTop);
        c.position = start;
        PushFrame(c, from, capTop, btTop, start, 0);
        result = 1;
    } else {
        const int d = c.position, bt2 = c.BacktrackTop(), cap2 = c.CaptureTop();
        int k2 = AddCopies(c, k);
        const int inserted = c.scratch.Insert(c.position, from);
        if (inserted < 0)
            c.halted = true;
        if (inserted == 0) {
            c.TruncateBacktrack(bt2);
            c.TruncateCaptures(cap2);
            c.position = d;
            k2 = k;
        }
        PushFrame(c, from, capTop, btTop, start, k2);
        result = 1;
    }
    c.scratch.Truncate(from);
    return c.halted ? 0 : result;
}

int RxGreedyNode::MatchNext(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Resume())
        return 0;
    if (GiveUp(c))
        return 1;
    if (c.halted || !NextCopies(c))
        return 0;
    ExtendFresh(c);
    return 1;
}

int RxReluctantNode::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    if (!MatchCopies(c))
        return 0;
    c.Push(0);
    return 1;
}

// Stack above the fixed part: for each extra copy its data, the position before it and the
// number of extra copies taken.
int RxReluctantNode::MatchNext(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Resume())
        return 0;
    int k = c.Pop();
    if (k < m_extra) {
        const int p = c.position;
        if (m_atom->Match(c)) {
            bool moved = c.position != p;
            while (!moved && m_atom->MatchNext(c))
                moved = c.position != p;
            if (moved) {
                c.Push(p);
                c.Push(k + 1);
                return 1;
            }
        }
    }
    while (k > 0 && !c.halted) {
        const int p = c.Pop();
        while (m_atom->MatchNext(c)) {
            if (c.position != p) {
                c.Push(p);
                c.Push(k);
                return 1;
            }
        }
        --k;
    }
    if (c.halted || !NextCopies(c))
        return 0;
    c.Push(0);
    return 1;
}

// Atomic matching: runs the first way of a body and drops every other way it left on the
// backtrack stack; MatchNext then only undoes it. Serves atomic groups and possessive
// repeats.
template <class First> static int MatchAtomically(RegexMatchContext& c, First first) {
    const int p = c.position, bt = c.BacktrackTop(), cap = c.CaptureTop();
    const int r = first();
    c.TruncateBacktrack(bt);
    if (!r || c.halted)
        return 0;
    c.Push(p);
    c.Push(cap);
    return 1;
}

static int UndoAtomic(RegexMatchContext& c) {
    const int cap = c.Pop(), p = c.Pop();
    c.TruncateCaptures(cap);
    c.position = p;
    return 0;
}

int RxPossessiveNode::Match(RegexMatchContext& c) {
    return MatchAtomically(c, [&] { return RxGreedyNode::Match(c); });
}

int RxPossessiveNode::MatchNext(RegexMatchContext& c) {
    return UndoAtomic(c);
}

int RxIndependentNode::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    return MatchAtomically(c, [&] { return m_body->Match(c); });
}

int RxIndependentNode::MatchNext(RegexMatchContext& c) {
    return UndoAtomic(c);
}

int RxAssertNode::Match(RegexMatchContext& c) {
    RxFrame f(c);
    if (!f.Enter())
        return 0;
    const int p = c.position, bt = c.BacktrackTop(), cap = c.CaptureTop();
    int r = m_body->Match(c);
    if (c.halted)
        return 0;
    if (!m_positive)
        r = !r;
    c.TruncateBacktrack(bt);
    c.position = p;
    if (r) {
        // Captures made inside a positive assertion stay visible.
        c.Push(cap);
        return 1;
    }
    c.TruncateCaptures(cap);
    return 0;
}

int RxAssertNode::MatchNext(RegexMatchContext& c) {
    c.TruncateCaptures(c.Pop());
    return 0;
}
