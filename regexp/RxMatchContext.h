// The state of one search: the backtrack stack, the capture records, the position and the
// budgets that keep a match finite (recursion budget, call depth, abort polling).
#pragma once

#include "regexp/RxBuffer.h"

class RegexMatchContext {
public:
    // Deepest chain of nested node calls allowed; deeper branches fail. Together with the
    // recursion budget this keeps the native stack use of a match bounded.
    static constexpr int kMaxDepth = 2500;
    // The abort question is asked again after this many node steps.
    static constexpr unsigned kAbortInterval = 4096;
    static constexpr int kRecursionBudget = 100;

    RxBuffer<int> backtrack;
    // Capture records of four ints: group, start, end (-1 while open), nesting count.
    RxBuffer<int> captures;
    // Per group number: index of its latest record in captures, or -1.
    RxBuffer<int> captureIndex;
    int position = 0;
    int searchStart = 0;
    int budget = kRecursionBudget;
    const void* text = nullptr;
    int length = 0;

    // Scratch stack of the greedy repeat (its lists of offered end positions).
    RxSortedBuffer<int> scratch;
    int depth = 0;
    // Set when the match must end with no result: aborted, or out of memory.
    bool halted = false;
    unsigned steps = 0;
    bool (*abortQuery)(void*) = nullptr;
    void* abortArg = nullptr;

    template <class T> const T* Text() const { return static_cast<const T*>(text); }

    // Counts one node step and polls the abort question now and then.
    bool Step() {
        if (halted)
            return false;
        if (++steps % kAbortInterval == 0 && abortQuery && abortQuery(abortArg)) {
            halted = true;
            return false;
        }
        return true;
    }
    // Stack operations that turn an allocation failure into a halted match.
    void Push(int v) {
        if (!backtrack.Push(v))
            halted = true;
    }
    int Pop() { return backtrack.Pop(); }
    int BacktrackTop() const { return backtrack.Size(); }
    int CaptureTop() const { return captures.Size(); }
    void TruncateBacktrack(int n) { backtrack.Truncate(n); }
    void TruncateCaptures(int n) { captures.Truncate(n); }

    // Index of the latest record of group g, or -1: starts at the group's index entry (or
    // the top record when the entry lies beyond the stack) and walks down.
    int FindLatest(int g) const {
        if (!HasIndexEntry(g))
            return -1;
        const int idx = captureIndex[g];
        if (idx < 0)
            return -1;
        if (idx <= captures.Size() - 4 && captures[idx] == g)
            return idx; // the usual case: the entry points at the record itself
        return FindLatestBelow(g, idx);
    }
    // Makes sure the capture index has an entry for g (new entries -1).
    bool EnsureGroup(int g);
    bool HasIndexEntry(int g) const { return g >= 0 && g < captureIndex.Size(); }
    // Caps the entries of the backtrack, capture and scratch stacks.
    void SetStackLimit(size_t entries);
    // Empties the stacks for a new start position.
    void Reset();
    // Sets up a start position: empty stacks, an index entry of -1 for each of the groups
    // 1..groups, and the open record of group 0 at `start`. False when memory ran out.
    bool Begin(int start, int groups);

private:
    int FindLatestBelow(int g, int idx) const;
};

// Counts a nested node call for as long as it is on the native stack.
class RxFrame {
public:
    explicit RxFrame(RegexMatchContext& c) : m_c(c) { ++c.depth; }
    ~RxFrame() { --m_c.depth; }
    RxFrame(const RxFrame&) = delete;
    RxFrame& operator=(const RxFrame&) = delete;
    // For Match: false when the node must fail at once (too deep, aborted, out of memory).
    bool Enter() const { return m_c.depth <= RegexMatchContext::kMaxDepth && m_c.Step(); }
    // For MatchNext: the depth was checked when the node matched.
    bool Resume() const { return m_c.Step(); }

private:
    RegexMatchContext& m_c;
};
