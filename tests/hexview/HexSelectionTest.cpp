#include "hexview/HexSelection.h"

#include <gtest/gtest.h>

namespace {

HexSelection Make(int64_t anchor, int64_t caret, bool block, int32_t perLine = 16,
                  int64_t size = 1000) {
    HexSelection s;
    s.anchor = anchor;
    s.caret = caret;
    s.block = block;
    s.perLine = perLine;
    s.size = size;
    return s;
}

} // namespace

TEST(HexSelection, ExtentCountsLinearRunsAndBlockRectangles) {
    struct Case {
        const char* what;
        HexSelection s;
        int64_t count, rows, first, last;
    } cases[] = {
        {"no anchor", Make(-1, 5, false), 0, 0, 0, 0},
        {"click pending", Make(5, -1, false), 0, 0, 0, 0},
        {"empty file", Make(0, 0, false, 16, 0), 0, 0, 0, 0},
        {"one byte", Make(7, 7, false), 1, 1, 7, 7},
        {"linear backwards over rows", Make(40, 14, false), 27, 3, 14, 40},
        // Columns 2..3 of rows 0..2: the corners may point either way.
        {"block", Make(2, 35, true), 6, 3, 2, 35},
        {"block, other diagonal", Make(34, 3, true), 6, 3, 2, 35},
        {"block of 3 x 4", Make(17, 52, true), 12, 3, 17, 52},
    };
    for (const Case& c : cases) {
        int64_t rows = 0, first = 0, last = 0;
        EXPECT_EQ(c.s.Extent(&rows, &first, &last), c.count) << c.what;
        if (c.count == 0)
            continue;
        EXPECT_EQ(rows, c.rows) << c.what;
        EXPECT_EQ(first, c.first) << c.what;
        EXPECT_EQ(last, c.last) << c.what;
    }
}

TEST(HexSelection, IsSelectedAndTheRunOfARowAgree) {
    struct Case {
        const char* what;
        HexSelection s;
        int64_t rowStart;
        int32_t count, first, last;
    } cases[] = {
        {"linear, middle row whole", Make(10, 40, false), 16, 16, 0, 15},
        {"linear, first row tail", Make(10, 40, false), 0, 16, 10, 15},
        {"linear, last row head", Make(10, 40, false), 32, 16, 0, 8},
        {"linear, row after", Make(10, 40, false), 48, 16, -1, -1},
        {"block, a middle row", Make(34, 3, true), 16, 16, 2, 3},
        {"block, row below", Make(34, 3, true), 48, 16, -1, -1},
        {"short last row", Make(0, 20, false), 16, 3, 0, 2},
        {"no selection", Make(-1, 3, false), 0, 16, -1, -1},
    };
    for (const Case& c : cases) {
        int32_t first = 0, last = 0;
        c.s.RunInRow(c.rowStart, c.count, first, last);
        EXPECT_EQ(first, c.first) << c.what;
        EXPECT_EQ(last, c.last) << c.what;
        for (int32_t i = 0; i < c.count; ++i)
            EXPECT_EQ(c.s.IsSelected(c.rowStart + i), first >= 0 && i >= first && i <= last)
                << c.what << " byte " << i;
    }
}
