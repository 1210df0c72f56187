// Reading a whole file into a shared block.
#pragma once

#include "foundation/Buffers.h"
#include "foundation/Handles.h"
#include "foundation/mvstring.h"

// Reads a whole open file from its start. On success `out` holds the bytes
// (Size() is the file size) followed by two zero bytes that are not counted,
// so text in any encoding ends in a terminator; an empty file gives an empty
// buffer and true. False on any failure, with `out` empty.
bool ReadWholeFile(HANDLE file, SharedBuffer& out);
// The same for a path, opened with OpenFileForText for reading.
bool ReadWholeFile(const mvstring& path, SharedBuffer& out);
