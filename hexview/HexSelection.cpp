#include "hexview/HexSelection.h"

#include <algorithm>

int32_t HexSelection::FirstColumn() const noexcept {
    return static_cast<int32_t>(std::min(Low() % perLine, High() % perLine));
}

int32_t HexSelection::LastColumn() const noexcept {
    return static_cast<int32_t>(std::max(Low() % perLine, High() % perLine));
}

int64_t HexSelection::Extent(int64_t* rows, int64_t* first, int64_t* last) const noexcept {
    if (!Exists() || perLine <= 0)
        return 0;
    const int64_t lo = Low(), hi = High();
    const int64_t rowCount = hi / perLine - lo / perLine + 1;
    if (rows)
        *rows = rowCount;
    if (!block) {
        if (first)
            *first = lo;
        if (last)
            *last = hi;
        return hi - lo + 1;
    }
    const int32_t c1 = FirstColumn(), c2 = LastColumn();
    if (first)
        *first = lo / perLine * perLine + c1;
    if (last)
        *last = hi / perLine * perLine + c2;
    return rowCount * (c2 - c1 + 1);
}

bool HexSelection::IsSelected(int64_t offset) const noexcept {
    if (!Exists() || offset < 0 || perLine <= 0)
        return false;
    const int64_t lo = Low(), hi = High();
    if (!block)
        return offset >= lo && offset <= hi;
    const int64_t row = offset / perLine;
    const int32_t column = static_cast<int32_t>(offset % perLine);
    return row >= lo / perLine && row <= hi / perLine && column >= FirstColumn() &&
           column <= LastColumn();
}

void HexSelection::RunInRow(int64_t rowStart, int32_t count, int32_t& first,
                            int32_t& last) const noexcept {
    first = last = -1;
    if (!Exists() || count <= 0)
        return;
    const int64_t lo = Low(), hi = High();
    int64_t a, b; // the run as offsets, clipped to the row below
    if (block) {
        const int64_t row = rowStart / perLine;
        if (row < lo / perLine || row > hi / perLine)
            return;
        a = rowStart + FirstColumn();
        b = rowStart + LastColumn();
    } else {
        a = lo;
        b = hi;
    }
    a = std::max(a, rowStart);
    b = std::min(b, rowStart + count - 1);
    if (a > b)
        return;
    first = static_cast<int32_t>(a - rowStart);
    last = static_cast<int32_t>(b - rowStart);
}
