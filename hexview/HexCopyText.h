// The text a copy of the hex view's selection puts on the clipboard: the
// selected bytes as they are or as two upper-case hex digits each, a line
// feed between the rows of a block, and a terminating zero. The size is
// known from the selection alone, before any byte is read, so that a huge
// copy can be refused or confirmed first.
#pragma once

#include "hexview/HexSelection.h"

#include <cstddef>
#include <cstdint>

class VQFileReader;

// Writes two upper-case hex digits per byte ("0123456789ABCDEF"), nothing
// between them; `out` takes 2 x count characters.
void WriteHexDigits(const uint8_t* bytes, size_t count, char* out) noexcept;

struct HexCopyPlan {
    HexSelection selection;
    bool asHex = false;
    // A raw linear copy of a file guessed to be UTF-16LE alone: the text
    // goes out as UTF-16 and ends in a whole zero unit.
    bool unicode = false;

    // The selected bytes that exist in the file (a block's last row may be
    // cut by the file's end); 0 without a selection.
    int64_t ByteCount() const noexcept;
    // The text's size in bytes with its terminator; 0 without a selection.
    uint64_t TextSize() const noexcept;
};

// Why a fill ended.
enum class HexCopyEnd { Done, Stopped, ReadFailed };

// Fills `out` (TextSize() bytes) with the text, reading the file through the
// reader a window at a time. `stop` is asked between windows; a true answer
// ends the fill. A read that gives fewer bytes than the file's size promised
// (the file shrank, is locked or is gone) ends it too.
HexCopyEnd FillHexCopyText(const HexCopyPlan& plan, VQFileReader& reader, uint8_t* out,
                           bool (*stop)(void*), void* context);
