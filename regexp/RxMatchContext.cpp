#include "regexp/RxMatchContext.h"

int RegexMatchContext::FindLatest(int g) const {
    if (!HasIndexEntry(g))
        return -1;
    int idx = captureIndex[g];
    if (idx < 0)
        return -1;
    int top = captures.Size() - 4;
    if (idx > top)
        idx = top;
    for (; idx >= 0; idx -= 4) {
        if (captures[idx] == g)
            return idx;
    }
    return -1;
}

bool RegexMatchContext::EnsureGroup(int g) {
    if (g < captureIndex.Size())
        return true;
    if (!captureIndex.Resize(g + 1, -1)) {
        halted = true;
        return false;
    }
    return true;
}

void RegexMatchContext::SetStackLimit(size_t entries) {
    backtrack.SetLimit(entries);
    captures.SetLimit(entries);
    scratch.SetLimit(entries);
}

void RegexMatchContext::Reset() {
    backtrack.Clear();
    captures.Clear();
    captureIndex.Clear();
    scratch.Clear();
    depth = 0;
}
