#include "search/VQFileReader.h"

#include "foundation/FileAccess.h"
#include "foundation/Settings.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

bool InRange(uint8_t b, uint8_t low, uint8_t high) {
    return b >= low && b <= high;
}

// Whether the text starts with one well-formed UTF-8 character of two to four
// bytes (the Unicode table of well-formed byte sequences).
bool StartsWithUtf8Character(const uint8_t* b, int64_t n) {
    if (InRange(b[0], 0xC2, 0xDF))
        return InRange(b[1], 0x80, 0xBF);
    if (n >= 3 && InRange(b[2], 0x80, 0xBF)) {
        if (b[0] == 0xE0)
            return InRange(b[1], 0xA0, 0xBF);
        if (InRange(b[0], 0xE1, 0xEC) || InRange(b[0], 0xEE, 0xEF))
            return InRange(b[1], 0x80, 0xBF);
        if (b[0] == 0xED)
            return InRange(b[1], 0x80, 0x9F);
    }
    if (n >= 4 && InRange(b[2], 0x80, 0xBF) && InRange(b[3], 0x80, 0xBF)) {
        if (b[0] == 0xF0)
            return InRange(b[1], 0x90, 0xBF);
        if (InRange(b[0], 0xF1, 0xF3))
            return InRange(b[1], 0x80, 0xBF);
        if (b[0] == 0xF4)
            return InRange(b[1], 0x80, 0x8F);
    }
    return false;
}

// Whether the byte, as the low byte of a 16-bit unit whose high byte is zero,
// is a character a text holds: not one of the control characters other than
// TAB, LF and CR.
bool PlausibleLatin1(uint8_t b) {
    return b >= 0x20 || b == '\t' || b == '\n' || b == '\r';
}

// The byte order of a UTF-16 text without a mark, by a vote of the aligned
// units that have one zero byte: a unit read as a Latin-1 character in one
// order (zero high byte) is a vote for it, unless that character would be a
// control character. So a little-endian text that starts with U+0100 (bytes
// 00 01) is still little-endian: its blanks, line ends and Latin letters
// outvote the first unit. A tie keeps the order the first unit points to.
int32_t Utf16ByteOrder(const uint8_t* b, int64_t n) {
    int64_t little = 0, big = 0;
    n = std::min<int64_t>(n, VQFileReader::kSampleSize);
    for (int64_t i = 0; i + 1 < n; i += 2) {
        if (b[i + 1] == 0 && b[i] != 0 && PlausibleLatin1(b[i]))
            ++little;
        else if (b[i] == 0 && b[i + 1] != 0 && PlausibleLatin1(b[i + 1]))
            ++big;
    }
    if (little != big)
        return little > big ? VQEncUtf16LE : VQEncUtf16BE;
    return b[0] == 0 ? VQEncUtf16BE : VQEncUtf16LE;
}

// A sample with a zero 16-bit unit (or an odd-sized one ending in two zero
// bytes) is no text in any encoding the matchers know.
bool LooksBinary(const uint8_t* sample, int32_t n) {
    for (int32_t i = 0; i + 1 < n; i += 2) {
        if (sample[i] == 0 && sample[i + 1] == 0)
            return true;
    }
    return n > 2 && (n & 1) != 0 && sample[n - 1] == 0 && sample[n - 2] == 0;
}

// The detection sample, one per thread, kept until the thread ends.
uint8_t* SampleBuffer() {
    thread_local std::unique_ptr<uint8_t[]> sample;
    if (!sample)
        sample.reset(new (std::nothrow) uint8_t[VQFileReader::kSampleSize]);
    return sample.get();
}

} // namespace

int32_t GuessTextEncoding(const uint8_t* bytes, int64_t count, int* bomLength) {
    if (bomLength)
        *bomLength = 0;
    if (!bytes || count <= 0)
        return 0;
    if (count == 1)
        return VQEncAllText;
    const uint8_t b0 = bytes[0], b1 = bytes[1];
    if (b0 == 0xFF && b1 == 0xFE) {
        if (bomLength)
            *bomLength = 2;
        return VQEncUtf16LE;
    }
    if (b0 == 0xFE && b1 == 0xFF) {
        if (bomLength)
            *bomLength = 2;
        return VQEncUtf16BE;
    }
    if (count >= 3 && b0 == 0xEF && b1 == 0xBB && bytes[2] == 0xBF) {
        if (bomLength)
            *bomLength = 3;
        return VQEncUtf8;
    }
    // One zero byte in the first unit: UTF-16 (ASCII written big-endian when
    // the zero comes first); the rest of the sample decides the byte order.
    if ((b0 == 0) != (b1 == 0))
        return Utf16ByteOrder(bytes, count);
    if (StartsWithUtf8Character(bytes, count))
        return VQEncUtf8;
    if (b0 == 0 || b1 == 0 || b0 >= 0x80 || b1 >= 0x80)
        return VQEncUtf16LE | VQEncAnsi | VQEncUtf16BE;
    return VQEncUtf8 | VQEncAnsi; // a plain ASCII start
}

void VQFileReader::Attach(HANDLE file) {
    const bool same = file == m_file.Get() && file != nullptr;
    m_file.Assign(file);
    // A position belongs to its handle: a new one is sought before reading.
    if (!same)
        m_position = -1;
    LARGE_INTEGER size{};
    m_size = (m_file && GetFileSizeEx(m_file.Get(), &size)) ? size.QuadPart : 0;
}

int32_t VQFileReader::Open(const mvstring& path) {
    Attach(nullptr);
    ClearWindow();
    m_flags = 0;
    FileHandle file = OpenFileByExactName(path);
    if (!file)
        return -1;
    Attach(file.Release());
    m_position = 0; // a handle just opened reads from the start: no seek
    // The sample goes straight into the window, so that the search that
    // follows reads none of its bytes again (a file of up to 64 KiB is read
    // in one call); only a window smaller than the sample needs the scratch
    // buffer, and then keeps the sample's head.
    const bool intoWindow = EnsureBuffer() && Capacity() >= static_cast<uint32_t>(kSampleSize);
    uint8_t* sample = intoWindow ? m_window.Data() : SampleBuffer();
    if (!sample)
        return 0;
    const int32_t n = ReadAt(0, sample, kSampleSize);
    if (n > 0 && m_window.Data()) {
        m_windowLength = std::min<int32_t>(n, static_cast<int32_t>(Capacity()));
        if (!intoWindow)
            memcpy(m_window.Data(), sample, m_windowLength);
    }
    if (n <= 0 || LooksBinary(sample, n))
        return 0;
    m_flags = GuessTextEncoding(sample, n);
    return m_flags;
}

int32_t VQFileReader::ReadAt(int64_t offset, void* to, int32_t count) {
    if (!m_file || !to || count <= 0 || offset < 0)
        return 0;
    if (offset != m_position) {
        LARGE_INTEGER target{}, now{};
        target.QuadPart = offset;
        if (!SetFilePointerEx(m_file.Get(), target, &now, FILE_BEGIN)) {
            m_position = -1;
            return 0;
        }
        m_position = now.QuadPart;
    }
    const int64_t left = m_size - m_position;
    if (left <= 0)
        return 0;
    DWORD read = 0;
    if (!ReadFile(m_file.Get(), to, static_cast<DWORD>(std::min<int64_t>(count, left)), &read,
                  nullptr)) {
        m_position = -1;
        return 0;
    }
    m_position += read;
    return static_cast<int32_t>(read);
}

bool VQFileReader::EnsureBuffer(uint32_t minimum) {
    const uint32_t wanted = std::max(Settings().FileBufferSize, minimum);
    if (m_window.Data() && m_window.Size() >= std::max<uint32_t>(minimum, 1))
        return true;
    ClearWindow();
    return m_window.Allocate(wanted);
}

const uint8_t* VQFileReader::Read(int64_t offset, int32_t& count, bool centre) {
    if (!m_file || offset < 0 || offset >= m_size || count < 0)
        return nullptr;
    if (!m_window.Data() && !EnsureBuffer())
        return nullptr;
    uint8_t* buffer = m_window.Data();
    const int64_t capacity = m_window.Size();
    if (count > capacity)
        return nullptr;
    if (count == 0)
        count = static_cast<int32_t>(capacity);
    if (offset + count > m_size)
        count = static_cast<int32_t>(m_size - offset);
    if (offset >= m_windowStart && offset + count <= m_windowStart + m_windowLength)
        return buffer + (offset - m_windowStart);

    if (capacity >= m_size) {
        // The whole file fits: read it once (after the bytes the window
        // already holds from its start) and serve every request from memory.
        const int32_t kept = m_windowStart == 0 ? m_windowLength : 0;
        m_windowStart = 0;
        const int32_t read = ReadAt(kept, buffer + kept, static_cast<int32_t>(m_size - kept));
        if (read <= 0) {
            ClearWindow();
            return nullptr;
        }
        m_windowLength = kept + read;
    } else {
        int64_t start = offset;
        if (centre && count < capacity / 2)
            start = std::max<int64_t>(0, std::min(m_size, offset + count + (capacity - count) / 2) -
                                             capacity);
        const int64_t shift = start - m_windowStart;
        int32_t read = 0;
        if (shift >= 0 && shift < m_windowLength) {
            // Moving forward (or growing in place): keep the tail of the old
            // window, read what follows.
            const int32_t kept = m_windowLength - static_cast<int32_t>(shift);
            if (shift > 0)
                memmove(buffer, buffer + shift, kept);
            m_windowStart = start;
            m_windowLength = kept;
            const int64_t at = start + kept;
            read = ReadAt(at, buffer + kept,
                          static_cast<int32_t>(std::min<int64_t>(m_size - at, capacity - kept)));
        } else if (shift < 0 && -shift < m_windowLength) {
            // Moving back: keep the head of the old window, read what precedes it.
            const int32_t back = static_cast<int32_t>(-shift);
            const int32_t kept =
                std::min<int32_t>(m_windowLength, static_cast<int32_t>(capacity) - back);
            memmove(buffer + back, buffer, kept);
            m_windowStart = start;
            read = ReadAt(start, buffer, back);
            // Only a complete read joins the kept bytes without a gap.
            m_windowLength = read == back ? kept : 0;
        } else {
            m_windowStart = start;
            m_windowLength = 0;
            read = ReadAt(start, buffer,
                          static_cast<int32_t>(std::min<int64_t>(m_size - start, capacity)));
        }
        if (read <= 0) {
            ClearWindow();
            return nullptr;
        }
        m_windowLength += read;
    }
    // A file that shrank since it was opened gives fewer bytes than asked for.
    const int64_t usable = m_windowStart + m_windowLength - offset;
    if (offset < m_windowStart || usable <= 0) {
        ClearWindow();
        return nullptr;
    }
    count = static_cast<int32_t>(std::min<int64_t>(count, usable));
    return buffer + (offset - m_windowStart);
}

void VQFileReader::CloseFile() {
    Attach(nullptr);
    ClearWindow();
    m_flags = 0;
}

void VQFileReader::Close() {
    CloseFile();
    m_window.Free();
}
