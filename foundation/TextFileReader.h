// Reads a whole text file into a string, choosing the encoding by its
// byte-order mark or, without one, by its first bytes: UTF-16LE, UTF-8 or
// UTF-16BE (never the ANSI code page).
#pragma once

#include "foundation/mvstring.h"

#include <cstddef>
#include <cstdint>

// The encodings the reader tells apart, and the length of the mark found.
enum class TextFileEncoding { Utf16Le, Utf16Be, Utf8 };
struct TextFileKind {
    TextFileEncoding encoding;
    size_t markLength;
};

// Classifies the first bytes of a file (up to 4 are looked at; `count` is how
// many there are): a byte-order mark first, then zero bytes, then a
// well-formed UTF-8 character or two ASCII bytes; anything else is UTF-16LE.
TextFileKind ClassifyTextStart(const uint8_t* bytes, size_t count);

// Works on a file handle the caller owns (opened with OpenFileForText for
// reading); it is neither closed nor kept beyond the calls.
class VQTextFileReader {
public:
    explicit VQTextFileReader(HANDLE file) noexcept : m_file(file) {}

    // Reads exactly `count` bytes at the file pointer. False for no handle,
    // no destination, a count of 0, a failed read or fewer bytes.
    bool ReadExact(void* destination, size_t count);
    // Replaces `text` with the whole file decoded. False (text empty) for no
    // handle, a file of 0 bytes or of 4 GiB or more, or a failed read. A
    // file of one byte gives that byte as one code unit; an odd byte of
    // UTF-16 at the end is dropped; malformed UTF-8 becomes U+FFFD.
    bool ReadAllText(mvstring& text);

private:
    HANDLE m_file;
};

// Opens the file for reading and reads it with ReadAllText; false when it
// cannot be opened or read.
bool ReadTextFile(const mvstring& path, mvstring& text);
