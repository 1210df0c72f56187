#include "search/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kEnd64Signature = 0x06064b50;
constexpr uint32_t kEnd64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;

constexpr size_t kEndSize = 22;
constexpr size_t kEnd64Size = 56;
constexpr size_t kEnd64LocatorSize = 20;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kMaxComment = 0xFFFF;
// A directory larger than this is refused rather than held in memory.
constexpr uint64_t kMaxDirectorySize = uint64_t(256) << 20;
constexpr size_t kInputChunk = 64 * 1024;
// zlib counts in 32-bit units; larger blocks are handed over in pieces.
constexpr uint64_t kMaxZlibBlock = uint64_t(1) << 30;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;
// Flag bits: 0 encrypted, 6 strong encryption, 13 encrypted directory.
constexpr uint16_t kEncryptedFlags = 0x0001 | 0x0040 | 0x2000;

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint64_t Get64(const uint8_t* p) {
    return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32);
}

// True when [offset, offset + length) lies within [0, limit).
bool Fits(uint64_t offset, uint64_t length, uint64_t limit) {
    return offset <= limit && length <= limit - offset;
}

char FoldAscii(char ch) {
    return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

// Reads the 64-bit values of a member's zip64 extra block, in the order the
// format gives them, for exactly the fields whose 32-bit form is saturated.
// False when the block is needed but missing or too short.
bool ApplyZip64Extra(const uint8_t* extra, size_t length, ZipMemberStat& member,
                     uint16_t& diskStart) {
    const bool needUncompressed = member.uncompressedSize == 0xFFFFFFFF;
    const bool needCompressed = member.compressedSize == 0xFFFFFFFF;
    const bool needOffset = member.localHeaderOffset == 0xFFFFFFFF;
    const bool needDisk = diskStart == 0xFFFF;
    if (!needUncompressed && !needCompressed && !needOffset && !needDisk)
        return true;
    size_t at = 0;
    while (length - at >= 4) {
        const uint16_t id = Get16(extra + at);
        const uint16_t size = Get16(extra + at + 2);
        at += 4;
        if (size > length - at)
            return false;
        if (id == 0x0001) {
            const uint8_t* field = extra + at;
            size_t left = size;
            auto take64 = [&](uint64_t& value) {
                if (left < 8)
                    return false;
                value = Get64(field);
                field += 8;
                left -= 8;
                return true;
            };
            if (needUncompressed && !take64(member.uncompressedSize))
                return false;
            if (needCompressed && !take64(member.compressedSize))
                return false;
            if (needOffset && !take64(member.localHeaderOffset))
                return false;
            if (needDisk) {
                if (left < 4)
                    return false;
                diskStart = Get32(field) == 0 ? 0 : 1;
            }
            return true;
        }
        at += size;
    }
    return false;
}

} // namespace

bool ZipReader::Fail(ZipError error) noexcept {
    m_error = error;
    return false;
}

void ZipReader::End() noexcept {
    m_stream = nullptr;
    m_start = 0;
    m_size = 0;
    m_members.clear();
    m_members.shrink_to_fit();
}

bool ZipReader::ReadBytes(uint64_t offset, void* to, size_t count) {
    if (!Fits(offset, count, m_size))
        return Fail(ZipError::Malformed);
    if (_fseeki64(m_stream, m_start + static_cast<int64_t>(offset), SEEK_SET) != 0)
        return Fail(ZipError::SeekFailed);
    if (count != 0 && fread(to, 1, count, m_stream) != count)
        return Fail(ZipError::ReadFailed);
    return true;
}

bool ZipReader::Open(FILE* stream) {
    End();
    m_error = ZipError::None;
    if (!stream)
        return Fail(ZipError::NotAnArchive);
    const int64_t start = _ftelli64(stream);
    if (start < 0 || _fseeki64(stream, 0, SEEK_END) != 0)
        return Fail(ZipError::SeekFailed);
    const int64_t end = _ftelli64(stream);
    if (end < start)
        return Fail(ZipError::SeekFailed);
    if (static_cast<uint64_t>(end - start) < kEndSize)
        return Fail(ZipError::NotAnArchive);
    m_stream = stream;
    m_start = start;
    m_size = static_cast<uint64_t>(end - start);

    // The end record is the last 22 bytes, or lies before a comment of up to
    // 65,535 bytes: search the tail from the back for its signature.
    const size_t tailSize = static_cast<size_t>(std::min<uint64_t>(m_size, kEndSize + kMaxComment));
    std::vector<uint8_t> tail(tailSize);
    const uint64_t tailOffset = m_size - tailSize;
    if (!ReadBytes(tailOffset, tail.data(), tailSize)) {
        End();
        return false;
    }
    size_t found = SIZE_MAX;
    for (size_t i = tailSize - kEndSize + 1; i-- > 0;) {
        if (Get32(&tail[i]) == kEndSignature && kEndSize + Get16(&tail[i + 20]) <= tailSize - i) {
            found = i;
            break;
        }
    }
    if (found == SIZE_MAX) {
        End();
        return Fail(ZipError::NotAnArchive);
    }
    const uint8_t* record = &tail[found];
    const uint64_t endOffset = tailOffset + found;
    uint32_t disk = Get16(record + 4);
    uint32_t directoryDisk = Get16(record + 6);
    uint64_t diskCount = Get16(record + 8);
    uint64_t count = Get16(record + 10);
    uint64_t directorySize = Get32(record + 12);
    uint64_t directoryOffset = Get32(record + 16);
    // Where the directory must end: before the end record, or before the
    // 64-bit end record when there is one.
    uint64_t directoryLimit = endOffset;

    if (endOffset >= kEnd64LocatorSize) {
        uint8_t locator[kEnd64LocatorSize];
        if (!ReadBytes(endOffset - kEnd64LocatorSize, locator, sizeof locator)) {
            End();
            return false;
        }
        if (Get32(locator) == kEnd64LocatorSignature) {
            const uint64_t end64Offset = Get64(locator + 8);
            uint8_t end64[kEnd64Size];
            if (Get32(locator + 4) != 0 || Get32(locator + 16) > 1) {
                End();
                return Fail(ZipError::Unsupported);
            }
            if (!Fits(end64Offset, kEnd64Size, endOffset - kEnd64LocatorSize) ||
                !ReadBytes(end64Offset, end64, sizeof end64) || Get32(end64) != kEnd64Signature) {
                End();
                return Fail(ZipError::Malformed);
            }
            disk = Get32(end64 + 16);
            directoryDisk = Get32(end64 + 20);
            diskCount = Get64(end64 + 24);
            count = Get64(end64 + 32);
            directorySize = Get64(end64 + 40);
            directoryOffset = Get64(end64 + 48);
            directoryLimit = end64Offset;
        }
    }
    if (disk != 0 || directoryDisk != 0 || diskCount != count) {
        End();
        return Fail(ZipError::Unsupported);
    }
    // Every directory entry takes at least 46 bytes, so the count must fit
    // into the directory, and the directory before the end record.
    if (!Fits(directoryOffset, directorySize, directoryLimit) ||
        count > directorySize / kCentralSize) {
        End();
        return Fail(ZipError::Malformed);
    }
    if (directorySize > kMaxDirectorySize) {
        End();
        return Fail(ZipError::Unsupported);
    }
    if (!ReadDirectory(directoryOffset, directorySize, count)) {
        End();
        return false;
    }
    return true;
}

bool ZipReader::ReadDirectory(uint64_t offset, uint64_t size, uint64_t count) {
    std::vector<uint8_t> directory;
    try {
        directory.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return Fail(ZipError::NoMemory);
    }
    if (!ReadBytes(offset, directory.data(), directory.size()))
        return false;
    size_t at = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (directory.size() - at < kCentralSize)
            return Fail(ZipError::Malformed);
        const uint8_t* entry = &directory[at];
        if (Get32(entry) != kCentralSignature)
            return Fail(ZipError::Malformed);
        ZipMemberStat member;
        member.index = static_cast<uint32_t>(i);
        member.flags = Get16(entry + 8);
        member.method = Get16(entry + 10);
        member.crc32 = Get32(entry + 16);
        member.compressedSize = Get32(entry + 20);
        member.uncompressedSize = Get32(entry + 24);
        const size_t nameLength = Get16(entry + 28);
        const size_t extraLength = Get16(entry + 30);
        const size_t commentLength = Get16(entry + 32);
        uint16_t diskStart = Get16(entry + 34);
        member.externalAttributes = Get32(entry + 38);
        member.localHeaderOffset = Get32(entry + 42);
        const size_t total = kCentralSize + nameLength + extraLength + commentLength;
        if (directory.size() - at < total)
            return Fail(ZipError::Malformed);
        member.name.assign(reinterpret_cast<const char*>(entry + kCentralSize), nameLength);
        if (!ApplyZip64Extra(entry + kCentralSize + nameLength, extraLength, member, diskStart))
            return Fail(ZipError::Malformed);
        if (diskStart != 0)
            return Fail(ZipError::Unsupported);
        member.isDirectory = (!member.name.empty() && member.name.back() == '/') ||
                             (member.externalAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        member.isEncrypted = (member.flags & kEncryptedFlags) != 0;
        // The local header and the compressed data must lie inside the archive;
        // a stored member's two sizes are one and the same.
        if (!Fits(member.localHeaderOffset, kLocalSize, m_size) ||
            !Fits(member.localHeaderOffset + kLocalSize, member.compressedSize, m_size))
            return Fail(ZipError::Malformed);
        if (member.method == kMethodStored && !member.isEncrypted &&
            member.compressedSize != member.uncompressedSize)
            return Fail(ZipError::Malformed);
        m_members.push_back(std::move(member));
        at += total;
    }
    return true;
}

int32_t ZipReader::Locate(std::string_view name) {
    m_error = ZipError::None;
    for (const ZipMemberStat& member : m_members) {
        if (member.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), member.name.begin(),
                       [](char a, char b) { return FoldAscii(a) == FoldAscii(b); }))
            return static_cast<int32_t>(member.index);
    }
    Fail(ZipError::NotFound);
    return -1;
}

bool ZipReader::Stat(uint32_t index, ZipMemberStat& out) {
    if (index >= m_members.size())
        return Fail(ZipError::NotFound);
    out = m_members[index];
    return true;
}

bool ZipReader::Inflate(uint64_t dataOffset, const ZipMemberStat& member, uint8_t* out) {
    if (_fseeki64(m_stream, m_start + static_cast<int64_t>(dataOffset), SEEK_SET) != 0)
        return Fail(ZipError::SeekFailed);
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return Fail(ZipError::NoMemory);
    std::vector<uint8_t> input(kInputChunk);
    // One byte more than declared, so that data longer than its declared size
    // shows itself instead of being cut silently.
    const uint64_t capacity = member.uncompressedSize + 1;
    uint64_t inputLeft = member.compressedSize;
    ZipError error = ZipError::None;
    for (;;) {
        if (z.avail_in == 0 && inputLeft > 0) {
            if (m_cancel && m_cancel()) {
                error = ZipError::Cancelled;
                break;
            }
            const size_t n = static_cast<size_t>(std::min<uint64_t>(inputLeft, kInputChunk));
            if (fread(input.data(), 1, n, m_stream) != n) {
                error = ZipError::ReadFailed;
                break;
            }
            inputLeft -= n;
            z.next_in = input.data();
            z.avail_in = static_cast<uInt>(n);
        }
        if (z.avail_out == 0) {
            const uint64_t produced = static_cast<uint64_t>(z.next_out ? z.next_out - out : 0);
            if (produced == capacity) {
                error = ZipError::BadData;
                break;
            }
            z.next_out = out + produced;
            z.avail_out = static_cast<uInt>(std::min(capacity - produced, kMaxZlibBlock));
        }
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            break;
        if (result == Z_BUF_ERROR && z.avail_out == 0)
            continue;
        if (result != Z_OK || (z.avail_in == 0 && inputLeft == 0)) {
            // A broken stream, or the input ran out before the stream's end.
            error = ZipError::BadData;
            break;
        }
    }
    const uint64_t produced = static_cast<uint64_t>(z.next_out ? z.next_out - out : 0);
    inflateEnd(&z);
    if (error != ZipError::None)
        return Fail(error);
    if (produced != member.uncompressedSize)
        return Fail(ZipError::BadData);
    return true;
}

bool ZipReader::Extract(uint32_t index, std::vector<uint8_t>& out, uint64_t maxSize) {
    out.clear();
    m_error = ZipError::None;
    if (!m_stream || index >= m_members.size())
        return Fail(ZipError::NotFound);
    const ZipMemberStat& member = m_members[index];
    if (member.isDirectory)
        return Fail(ZipError::IsDirectory);
    if (member.isEncrypted)
        return Fail(ZipError::Encrypted);
    if (member.method != kMethodStored && member.method != kMethodDeflated)
        return Fail(ZipError::Unsupported);
    if (member.uncompressedSize > maxSize || member.uncompressedSize >= SIZE_MAX)
        return Fail(ZipError::TooLarge);

    uint8_t local[kLocalSize];
    if (!ReadBytes(member.localHeaderOffset, local, sizeof local))
        return false;
    if (Get32(local) != kLocalSignature)
        return Fail(ZipError::Malformed);
    const uint64_t dataOffset =
        member.localHeaderOffset + kLocalSize + Get16(local + 26) + Get16(local + 28);
    if (!Fits(dataOffset, member.compressedSize, m_size))
        return Fail(ZipError::Malformed);

    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(member.uncompressedSize) + 1);
    } catch (const std::bad_alloc&) {
        return Fail(ZipError::NoMemory);
    }
    if (member.method == kMethodStored) {
        if (!ReadBytes(dataOffset, bytes.data(), static_cast<size_t>(member.uncompressedSize)))
            return false;
    } else if (!Inflate(dataOffset, member, bytes.data())) {
        return false;
    }
    bytes.pop_back();

    uLong crc = crc32(0, Z_NULL, 0);
    for (size_t done = 0; done < bytes.size();) {
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(bytes.size() - done, kMaxZlibBlock));
        crc = crc32(crc, bytes.data() + done, static_cast<uInt>(n));
        done += n;
    }
    if (static_cast<uint32_t>(crc) != member.crc32)
        return Fail(ZipError::CrcMismatch);
    out.swap(bytes);
    return true;
}
