// Reads members of a zip archive from a C stream: the central directory (with
// its 64-bit extension), member lookup by name and extraction of stored and
// deflated members to memory with their CRC-32 checked. Every offset, size and
// count read from the archive is checked against the archive's own extent
// before it is used, so a damaged or hostile archive is refused, never read
// out of bounds.
#pragma once

#include "foundation/Handles.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A C stream, closed with fclose.
inline void CloseStdioFile(FILE* file) noexcept {
    fclose(file);
}
using StdioFileHandle = mvHandle<FILE*, CloseStdioFile>;

// Why the last call of a ZipReader failed.
enum class ZipError {
    None,
    NotAnArchive, // shorter than an end record, or no end record found
    SeekFailed,   // the stream cannot be positioned
    ReadFailed,   // the stream gave fewer bytes than the archive declares
    Malformed,    // an offset, size, count or signature that cannot be right
    Unsupported,  // split archives, compression methods other than store and deflate
    Encrypted,    // an encrypted member
    NotFound,     // no member of that name, or an index beyond the count
    IsDirectory,  // a folder entry holds no data
    TooLarge,     // the member's size exceeds the caller's limit
    NoMemory,     // the output could not be allocated
    BadData,      // inflate failed, or the data is longer or shorter than declared
    CrcMismatch,  // the extracted bytes do not have the declared CRC-32
    Cancelled,    // the cancel check asked to end an extraction
};

// What the central directory says of one member.
struct ZipMemberStat {
    uint32_t index = 0;
    std::string name; // bytes as stored (code page 437 or UTF-8)
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t crc32 = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint64_t localHeaderOffset = 0; // from the archive's start
    uint32_t externalAttributes = 0;
    bool isDirectory = false;
    bool isEncrypted = false;
};

class ZipReader {
public:
    ZipReader() = default;
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Reads the archive that starts at the stream's current position and
    // ends at the stream's end. False (and the reader ended) when it is no
    // archive or its directory fails a check; LastError tells why. The stream
    // stays the caller's: it must stay open while the reader is used.
    bool Open(FILE* stream);
    // Forgets the archive; the stream is left open.
    void End() noexcept;

    bool IsOpen() const noexcept { return m_stream != nullptr; }
    uint32_t MemberCount() const noexcept { return static_cast<uint32_t>(m_members.size()); }
    ZipError LastError() const noexcept { return m_error; }

    // Index of the first member whose name equals `name`, ASCII letters
    // compared ignoring case; -1 when there is none.
    int32_t Locate(std::string_view name);
    // The member's directory entry; false for an index beyond the count.
    bool Stat(uint32_t index, ZipMemberStat& out);
    // The member's bytes, at most `maxSize` of them. False with `out` empty
    // for folders, encrypted members, other methods than store and deflate,
    // a declared size over `maxSize`, data that inflates to more or fewer
    // bytes than declared, and a CRC-32 that does not match.
    bool Extract(uint32_t index, std::vector<uint8_t>& out, uint64_t maxSize);
    // Asked between the input chunks of an inflate: a member of hundreds of
    // megabytes takes seconds, and true ends the extraction (Cancelled).
    void SetCancelCheck(std::function<bool()> check) { m_cancel = std::move(check); }

private:
    bool Fail(ZipError error) noexcept;
    bool ReadBytes(uint64_t offset, void* to, size_t count);
    bool ReadDirectory(uint64_t offset, uint64_t size, uint64_t count);
    bool Inflate(uint64_t dataOffset, const ZipMemberStat& member, uint8_t* out);

    FILE* m_stream = nullptr;
    int64_t m_start = 0; // stream offset of the archive's first byte
    uint64_t m_size = 0; // bytes from the start to the stream's end
    std::vector<ZipMemberStat> m_members;
    ZipError m_error = ZipError::None;
    std::function<bool()> m_cancel;
};
