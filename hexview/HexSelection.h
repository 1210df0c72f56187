// What the hex view selects: the bytes between the anchor and the caret,
// either as one run in file order (linear) or as the rectangle of rows and
// columns the two corners span (block). Plain arithmetic on 64-bit offsets,
// shared by painting, copying, the menus and the status bar.
#pragma once

#include <cstdint>

struct HexSelection {
    int64_t anchor = -1; // -1: no selection
    int64_t caret = 0;   // -1 while a click is pending
    int64_t size = 0;    // file size in bytes
    int32_t perLine = 16;
    bool block = false;

    // A selection exists: both ends on bytes of a non-empty file.
    bool Exists() const noexcept { return anchor >= 0 && caret >= 0 && size > 0; }
    int64_t Low() const noexcept { return anchor < caret ? anchor : caret; }
    int64_t High() const noexcept { return anchor < caret ? caret : anchor; }

    // Selected byte count, 0 without a selection; the rows touched and the
    // first and last selected offsets go to the pointers given.
    int64_t Extent(int64_t* rows = nullptr, int64_t* first = nullptr,
                   int64_t* last = nullptr) const noexcept;
    bool IsSelected(int64_t offset) const noexcept;
    // The selected run within the row of `count` bytes at `rowStart`: its
    // first and last index, both -1 when none. A row holds at most one run.
    void RunInRow(int64_t rowStart, int32_t count, int32_t& first, int32_t& last) const noexcept;
    // Block mode: the first and last selected column.
    int32_t FirstColumn() const noexcept;
    int32_t LastColumn() const noexcept;
};
