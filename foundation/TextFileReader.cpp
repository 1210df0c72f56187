#include "foundation/TextFileReader.h"

#include "foundation/FileAccess.h"

#include <climits>
#include <string>

namespace {

bool InRange(uint8_t b, uint8_t low, uint8_t high) {
    return b >= low && b <= high;
}

// True when the bytes start with one well-formed UTF-8 character of two to
// four bytes.
bool StartsWithUtf8Sequence(const uint8_t* b, size_t n) {
    auto cont = [&](size_t i) { return i < n && InRange(b[i], 0x80, 0xBF); };
    if (n < 2)
        return false;
    const uint8_t b0 = b[0];
    const uint8_t b1 = b[1];
    if (InRange(b0, 0xC2, 0xDF))
        return cont(1);
    if (cont(2)) {
        if ((b0 == 0xE0 && InRange(b1, 0xA0, 0xBF)) ||
            (InRange(b0, 0xE1, 0xEC) && InRange(b1, 0x80, 0xBF)) ||
            (b0 == 0xED && InRange(b1, 0x80, 0x9F)) ||
            (InRange(b0, 0xEE, 0xEF) && InRange(b1, 0x80, 0xBF)))
            return true;
        if (cont(3) && ((b0 == 0xF0 && InRange(b1, 0x90, 0xBF)) ||
                        (InRange(b0, 0xF1, 0xF3) && InRange(b1, 0x80, 0xBF)) ||
                        (b0 == 0xF4 && InRange(b1, 0x80, 0x8F))))
            return true;
    }
    return false;
}

} // namespace

TextFileKind ClassifyTextStart(const uint8_t* b, size_t n) {
    if (n > 4)
        n = 4;
    if (!b || n < 2)
        return {TextFileEncoding::Utf16Le, 0};
    if (b[0] == 0xFF && b[1] == 0xFE)
        return {TextFileEncoding::Utf16Le, 2};
    if (b[0] == 0xFE && b[1] == 0xFF)
        return {TextFileEncoding::Utf16Be, 2};
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return {TextFileEncoding::Utf8, 3};
    if (b[0] == 0 && b[1] != 0)
        return {TextFileEncoding::Utf16Be, 0};
    if (b[1] == 0)
        return {TextFileEncoding::Utf16Le, 0};
    if (StartsWithUtf8Sequence(b, n) || (InRange(b[0], 0x01, 0x7F) && InRange(b[1], 0x01, 0x7F)))
        return {TextFileEncoding::Utf8, 0};
    return {TextFileEncoding::Utf16Le, 0};
}

bool VQTextFileReader::ReadExact(void* destination, size_t count) {
    if (!m_file || m_file == INVALID_HANDLE_VALUE || !destination || count == 0)
        return false;
    size_t read = 0;
    return ReadFileUpTo(m_file, destination, count, read) && read == count;
}

bool VQTextFileReader::ReadAllText(mvstring& text) {
    text.clear();
    LARGE_INTEGER size{};
    if (!m_file || m_file == INVALID_HANDLE_VALUE || !GetFileSizeEx(m_file, &size) ||
        size.QuadPart <= 0 || size.QuadPart >= (1LL << 32))
        return false;
    if (!SetFilePointerEx(m_file, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        return false;
    const size_t fileSize = static_cast<size_t>(size.QuadPart);
    if (fileSize == 1) {
        uint8_t byte = 0;
        if (!ReadExact(&byte, 1))
            return false;
        text.push_back(static_cast<wchar_t>(byte));
        return true;
    }

    uint8_t start[4] = {};
    size_t got = 0;
    if (!ReadFileUpTo(m_file, start, sizeof start, got))
        return false;
    const TextFileKind kind = ClassifyTextStart(start, got);
    LARGE_INTEGER afterMark{};
    afterMark.QuadPart = static_cast<LONGLONG>(kind.markLength);
    if (!SetFilePointerEx(m_file, afterMark, nullptr, FILE_BEGIN))
        return false;
    const size_t n = fileSize - kind.markLength;

    if (kind.encoding == TextFileEncoding::Utf8) {
        std::string bytes(n, '\0');
        if (n > static_cast<size_t>(INT_MAX) || !ReadExact(bytes.data(), n))
            return false;
        if (AnsiToWide(text, bytes.data(), n, CP_UTF8) <= 0) {
            text.clear();
            return false;
        }
        return true;
    }
    text.resize(n / 2);
    if (!ReadExact(text.data(), n & ~static_cast<size_t>(1))) {
        text.clear();
        return false;
    }
    if (kind.encoding == TextFileEncoding::Utf16Be)
        text.SwapBytes();
    return true;
}

bool ReadTextFile(const mvstring& path, mvstring& text) {
    text.clear();
    const FileHandle file = OpenFileForText(path, false);
    return file && VQTextFileReader(file.Get()).ReadAllText(text);
}
