// Builds small zip archives in memory for the tests: stored or deflated
// members, optionally with the 64-bit directory records, and with any
// directory field overridden to make a damaged archive.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ZipFixtureMember {
    std::string name;
    std::string data;
    bool deflate = true;
    uint16_t flags = 0;
    std::optional<uint16_t> method;           // default: 0 stored, 8 deflated
    std::optional<uint32_t> crc;              // default: the data's CRC-32
    std::optional<uint64_t> uncompressedSize; // default: the data's size
};

// Where the builder put each record, so a test can damage a field of it.
struct ZipFixture {
    std::string bytes;
    std::vector<size_t> localOffsets;
    std::vector<size_t> centralOffsets;
    size_t directoryOffset = 0;
    size_t endOffset = 0;     // the classic end record
    size_t end64Offset = 0;   // the 64-bit end record (zip64 only)
    size_t locatorOffset = 0; // its locator (zip64 only)
};

inline std::string RawDeflate(std::string_view data) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline uint32_t Crc32Of(std::string_view data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline void PutLE(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline void SetLE(std::string& out, size_t at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline ZipFixture BuildZip(const std::vector<ZipFixtureMember>& members, bool zip64 = false,
                           std::string_view comment = {}) {
    ZipFixture zip;
    std::string central;
    for (const ZipFixtureMember& m : members) {
        const std::string payload = m.deflate ? RawDeflate(m.data) : m.data;
        const uint16_t method = m.method.value_or(m.deflate ? 8 : 0);
        const uint32_t crc = m.crc.value_or(Crc32Of(m.data));
        const uint64_t size = m.uncompressedSize.value_or(m.data.size());
        const size_t local = zip.bytes.size();
        zip.localOffsets.push_back(local);
        PutLE(zip.bytes, 0x04034b50, 4);
        PutLE(zip.bytes, 20, 2);
        PutLE(zip.bytes, m.flags, 2);
        PutLE(zip.bytes, method, 2);
        PutLE(zip.bytes, 0, 4); // time and date
        PutLE(zip.bytes, crc, 4);
        PutLE(zip.bytes, payload.size(), 4);
        PutLE(zip.bytes, size, 4);
        PutLE(zip.bytes, m.name.size(), 2);
        PutLE(zip.bytes, 0, 2);
        zip.bytes += m.name;
        zip.bytes += payload;

        zip.centralOffsets.push_back(central.size());
        PutLE(central, 0x02014b50, 4);
        PutLE(central, zip64 ? 45 : 20, 2);
        PutLE(central, zip64 ? 45 : 20, 2);
        PutLE(central, m.flags, 2);
        PutLE(central, method, 2);
        PutLE(central, 0, 4);
        PutLE(central, crc, 4);
        PutLE(central, zip64 ? 0xFFFFFFFF : payload.size(), 4);
        PutLE(central, zip64 ? 0xFFFFFFFF : size, 4);
        PutLE(central, m.name.size(), 2);
        PutLE(central, zip64 ? 28 : 0, 2);
        PutLE(central, 0, 2); // comment
        PutLE(central, 0, 2); // disk
        PutLE(central, 0, 2); // internal attributes
        PutLE(central, 0, 4); // external attributes
        PutLE(central, zip64 ? 0xFFFFFFFF : local, 4);
        central += m.name;
        if (zip64) {
            PutLE(central, 0x0001, 2);
            PutLE(central, 24, 2);
            PutLE(central, size, 8);
            PutLE(central, payload.size(), 8);
            PutLE(central, local, 8);
        }
    }
    zip.directoryOffset = zip.bytes.size();
    for (size_t& at : zip.centralOffsets)
        at += zip.directoryOffset;
    zip.bytes += central;
    const size_t count = members.size();
    if (zip64) {
        zip.end64Offset = zip.bytes.size();
        PutLE(zip.bytes, 0x06064b50, 4);
        PutLE(zip.bytes, 44, 8);
        PutLE(zip.bytes, 45, 2);
        PutLE(zip.bytes, 45, 2);
        PutLE(zip.bytes, 0, 4);
        PutLE(zip.bytes, 0, 4);
        PutLE(zip.bytes, count, 8);
        PutLE(zip.bytes, count, 8);
        PutLE(zip.bytes, central.size(), 8);
        PutLE(zip.bytes, zip.directoryOffset, 8);
        zip.locatorOffset = zip.bytes.size();
        PutLE(zip.bytes, 0x07064b50, 4);
        PutLE(zip.bytes, 0, 4);
        PutLE(zip.bytes, zip.end64Offset, 8);
        PutLE(zip.bytes, 1, 4);
    }
    zip.endOffset = zip.bytes.size();
    PutLE(zip.bytes, 0x06054b50, 4);
    PutLE(zip.bytes, 0, 2);
    PutLE(zip.bytes, 0, 2);
    PutLE(zip.bytes, zip64 ? 0xFFFF : count, 2);
    PutLE(zip.bytes, zip64 ? 0xFFFF : count, 2);
    PutLE(zip.bytes, zip64 ? 0xFFFFFFFF : central.size(), 4);
    PutLE(zip.bytes, zip64 ? 0xFFFFFFFF : zip.directoryOffset, 4);
    PutLE(zip.bytes, comment.size(), 2);
    zip.bytes += comment;
    return zip;
}
