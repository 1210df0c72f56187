// The read side of content searching: one open file at a time, a guess of its
// text encodings from its first 64 KiB, and pointers into a sliding window of
// the file so that a matcher can walk a large file chunk by chunk without
// reading any byte twice.
#pragma once

#include "foundation/Buffers.h"
#include "foundation/Handles.h"
#include "foundation/mvstring.h"

#include <cstdint>

// Encoding flags: the text encodings a file may be in. 0 means binary.
enum VQEncoding : int32_t {
    VQEncUtf16LE = 1,
    VQEncUtf8 = 2,
    VQEncAnsi = 4,
    VQEncUtf16BE = 8,
    VQEncAllText = 15,
};

// The encodings the first bytes of a text allow (VQEncoding bits): a
// byte-order mark decides alone; else one zero byte in the first two places
// points to UTF-16, its byte order decided by the units of the first 64 KiB
// that hold one zero byte (so a little-endian text may start with U+0100,
// bytes 00 01); a well-formed first UTF-8 character points to UTF-8, and the
// rest to plain ASCII (6) or to an 8-bit or UTF-16 text (13). 0 for no bytes,
// 15 for a single byte. `bomLength` receives 0, 2 or 3.
int32_t GuessTextEncoding(const uint8_t* bytes, int64_t count, int* bomLength = nullptr);

class VQFileReader {
public:
    // Size of the sample read by Open to guess the encodings.
    static constexpr int32_t kSampleSize = 65536;

    VQFileReader() = default;
    VQFileReader(const VQFileReader&) = delete;
    VQFileReader& operator=(const VQFileReader&) = delete;

    // Takes the handle (closing a different previous one) and reads its
    // size (0 when that fails). No handle: size 0 and the position unknown.
    void Attach(HANDLE file);
    // Opens the file for reading (others may read and write) and guesses its
    // encodings from the first 64 KiB: the flags, 0 for a binary file (a zero
    // 16-bit unit in the sample) or an unreadable first block, -1 when the
    // file cannot be opened. The window then holds the sample (as much of it
    // as the buffer takes), so a search that follows does not read it again.
    // The file is opened by its exact name (OpenFileByExactName).
    int32_t Open(const mvstring& path);
    // Reads up to `count` bytes at `offset` straight from the file, never
    // past its end. The number read; 0 on failure.
    int32_t ReadAt(int64_t offset, void* to, int32_t count);
    // The bytes at `offset` inside the window, re-reading the window when they
    // are not all in it; null for no file, an offset outside the file, a
    // negative count, a count over the buffer or a failed read. `count` asks
    // for that many bytes (0: as many as the buffer holds) and comes back as
    // the number usable, cut at the file's end. With `centre`, a window that
    // must move is placed with the requested bytes in its middle.
    const uint8_t* Read(int64_t offset, int32_t& count, bool centre);
    // Allocates the window buffer (FileBufferSizeMB) when there is none, or
    // replaces it by a larger one of at least `minimum` bytes; the window is
    // emptied when the buffer changes. False when the memory cannot be had.
    bool EnsureBuffer(uint32_t minimum = 0);
    // Closes the file and forgets the window, keeping the buffer for the
    // next file (a search that opens file after file allocates it once).
    void CloseFile();
    // Closes the file, forgets the window and frees the buffer.
    void Close();

    HANDLE Handle() const noexcept { return m_file.Get(); }
    bool HasFile() const noexcept { return static_cast<bool>(m_file); }
    int64_t Size() const noexcept { return m_size; }
    int32_t Flags() const noexcept { return m_flags; }
    int64_t WindowStart() const noexcept { return m_windowStart; }
    int32_t WindowLength() const noexcept { return m_windowLength; }
    // Forgets the window's contents (the next Read reads from the file).
    void ClearWindow() noexcept {
        m_windowStart = 0;
        m_windowLength = 0;
    }
    uint32_t Capacity() const noexcept { return m_window.Size(); }

private:
    FileHandle m_file;
    int64_t m_size = 0;
    int64_t m_position = -1; // -1: unknown, the next read seeks first
    mvByteBuffer m_window;
    int64_t m_windowStart = 0;
    int32_t m_windowLength = 0;
    int32_t m_flags = 0;
};
