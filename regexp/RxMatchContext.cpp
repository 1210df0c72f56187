#include "regexp/RxMatchContext.h"

int RegexMatchContext::FindLatestBelow(int g, int idx) const {
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

bool RegexMatchContext::Begin(int start, int groups) {
    Reset();
    if (!captureIndex.Resize(groups + 1, -1) || !captures.Resize(4, 0))
        return false;
    captureIndex[0] = 0;
    int* record = captures.Data();
    record[0] = 0;
    record[1] = start;
    record[2] = -1;
    record[3] = -1;
    position = start;
    return true;
}
