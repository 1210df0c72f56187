#include "search/ZipReader.h"

#include "ZipFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <io.h>
#include <share.h>

#include <functional>
#include <random>

namespace {

const std::string kText = "The quick brown fox jumps over the lazy dog. " + std::string(3000, 'z');
const std::string kStored = "stored bytes, kept as they are";

std::vector<ZipFixtureMember> TwoMembers() {
    return {{"word/document.xml", kText, true}, {"Notes.txt", kStored, false}};
}

// Opens the bytes as a file stream positioned after `prefix` leading bytes.
class ZipFile {
public:
    ZipFile(const TempDir& dir, const std::string& bytes, size_t prefix = 0) {
        const std::wstring path = dir.WriteFile(L"a.zip", bytes);
        m_file.Assign(_wfsopen(path.c_str(), L"rb", _SH_DENYNO));
        if (m_file)
            _fseeki64(m_file.Get(), static_cast<int64_t>(prefix), SEEK_SET);
    }
    FILE* Get() const { return m_file.Get(); }

private:
    StdioFileHandle m_file;
};

std::string Extracted(ZipReader& zip, uint32_t index, uint64_t maxSize = 1 << 20) {
    std::vector<uint8_t> out;
    if (!zip.Extract(index, out, maxSize))
        return "<refused>";
    return std::string(out.begin(), out.end());
}

TEST(ZipReader, ReadsStoredAndDeflatedMembersInPlainAnd64BitArchives) {
    TempDir dir;
    for (bool zip64 : {false, true}) {
        SCOPED_TRACE(zip64 ? "zip64" : "classic");
        ZipFile file(dir, BuildZip(TwoMembers(), zip64, "an archive comment").bytes);
        ZipReader zip;
        ASSERT_TRUE(zip.Open(file.Get()));
        EXPECT_EQ(zip.MemberCount(), 2u);
        EXPECT_EQ(zip.Locate("WORD/Document.XML"), 0);
        EXPECT_EQ(zip.Locate("notes.txt"), 1);
        EXPECT_EQ(zip.Locate("notes.tx"), -1);
        EXPECT_EQ(zip.LastError(), ZipError::NotFound);
        ZipMemberStat stat;
        ASSERT_TRUE(zip.Stat(0, stat));
        EXPECT_EQ(stat.method, 8);
        EXPECT_EQ(stat.uncompressedSize, kText.size());
        EXPECT_LT(stat.compressedSize, kText.size());
        EXPECT_FALSE(zip.Stat(2, stat));
        EXPECT_EQ(Extracted(zip, 0), kText);
        EXPECT_EQ(Extracted(zip, 1), kStored);
        EXPECT_EQ(Extracted(zip, 2), "<refused>");
    }
}

TEST(ZipReader, CancelCheckEndsALongInflateBetweenChunks) {
    // Random bytes do not compress: the member spans several input chunks.
    std::string noise(400 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : noise)
        c = static_cast<char>(random());
    TempDir dir;
    ZipFile file(dir, BuildZip({{"big.bin", noise, true}}, false, "").bytes);
    ZipReader zip;
    ASSERT_TRUE(zip.Open(file.Get()));

    int asked = 0;
    zip.SetCancelCheck([&] { return ++asked >= 3; });
    std::vector<uint8_t> out;
    EXPECT_FALSE(zip.Extract(0, out, 1 << 20));
    EXPECT_EQ(zip.LastError(), ZipError::Cancelled);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(asked, 3);

    asked = 0;
    zip.SetCancelCheck([&] { return ++asked < 0; });
    EXPECT_EQ(Extracted(zip, 0), noise);
    EXPECT_GE(asked, 6);
}

TEST(ZipReader, ArchiveStartsAtTheStreamPositionAndEndLeavesTheStreamOpen) {
    TempDir dir;
    const std::string junk = "leading bytes that are no part of the archive";
    ZipFile file(dir, junk + BuildZip(TwoMembers()).bytes, junk.size());
    ZipReader zip;
    ASSERT_TRUE(zip.Open(file.Get()));
    EXPECT_EQ(Extracted(zip, 1), kStored);
    zip.End();
    EXPECT_FALSE(zip.IsOpen());
    EXPECT_EQ(zip.MemberCount(), 0u);
    // The stream is still the caller's and still usable.
    char first[8]{};
    ASSERT_EQ(_fseeki64(file.Get(), 0, SEEK_SET), 0);
    ASSERT_EQ(fread(first, 1, 7, file.Get()), 7u);
    EXPECT_STREQ(first, "leading");
}

TEST(ZipReader, EmptyMemberAndEmptyArchiveAreValid) {
    TempDir dir;
    {
        ZipFile file(dir, BuildZip({{"empty.txt", "", true}, {"folder/", "", false}}).bytes);
        ZipReader zip;
        ASSERT_TRUE(zip.Open(file.Get()));
        EXPECT_EQ(Extracted(zip, 0), "");
        EXPECT_EQ(Extracted(zip, 1), "<refused>");
        EXPECT_EQ(zip.LastError(), ZipError::IsDirectory);
    }
    ZipFile file(dir, BuildZip({}).bytes);
    ZipReader zip;
    ASSERT_TRUE(zip.Open(file.Get()));
    EXPECT_EQ(zip.MemberCount(), 0u);
}

// Damaged archives that Open must refuse.
TEST(ZipReader, RefusesArchivesWhoseDirectoryCannotBeRight) {
    const ZipFixture good = BuildZip(TwoMembers());
    const ZipFixture good64 = BuildZip(TwoMembers(), true);
    struct Case {
        const char* what;
        std::function<std::string()> make;
        ZipError error;
    };
    auto with = [](const ZipFixture& zip, size_t at, uint64_t value, int bytes) {
        std::string b = zip.bytes;
        SetLE(b, at, value, bytes);
        return b;
    };
    const size_t end = good.endOffset;
    const size_t central = good.centralOffsets[0];
    const Case cases[] = {
        {"empty file", [] { return std::string(); }, ZipError::NotAnArchive},
        {"21 bytes", [&] { return good.bytes.substr(good.bytes.size() - 21); },
         ZipError::NotAnArchive},
        {"text, no end record", [] { return std::string(500, 'x'); }, ZipError::NotAnArchive},
        {"cut inside the end record", [&] { return good.bytes.substr(0, end + 10); },
         ZipError::NotAnArchive},
        {"cut inside the directory",
         [&] { return good.bytes.substr(0, central + 20) + good.bytes.substr(end); },
         ZipError::Malformed},
        {"comment length past the end", [&] { return with(good, end + 20, 40, 2); },
         ZipError::NotAnArchive},
        {"directory offset past the end", [&] { return with(good, end + 16, 0x7FFFFFF0, 4); },
         ZipError::Malformed},
        {"directory size past the end record", [&] { return with(good, end + 12, 0x10000, 4); },
         ZipError::Malformed},
        {"more members than the directory holds",
         [&] {
             std::string b = with(good, end + 8, 0xFFFF, 2);
             SetLE(b, end + 10, 0xFFFF, 2);
             return b;
         },
         ZipError::Malformed},
        {"counts on this disk and in total differ", [&] { return with(good, end + 8, 1, 2); },
         ZipError::Unsupported},
        {"split over disks", [&] { return with(good, end + 4, 1, 2); }, ZipError::Unsupported},
        {"bad directory signature", [&] { return with(good, central, 0x12345678, 4); },
         ZipError::Malformed},
        {"name length past the directory", [&] { return with(good, central + 28, 0xFFFF, 2); },
         ZipError::Malformed},
        {"local header past the end", [&] { return with(good, central + 42, 0x7FFFFFFF, 4); },
         ZipError::Malformed},
        {"compressed size past the end", [&] { return with(good, central + 20, 0x7FFFFFFF, 4); },
         ZipError::Malformed},
        {"stored sizes that differ",
         [&] { return with(good, good.centralOffsets[1] + 24, kStored.size() + 1, 4); },
         ZipError::Malformed},
        {"member on another disk", [&] { return with(good, central + 34, 1, 2); },
         ZipError::Unsupported},
        {"zip64 end record past its locator",
         [&] { return with(good64, good64.locatorOffset + 8, good64.locatorOffset, 8); },
         ZipError::Malformed},
        {"zip64 count beyond the directory",
         [&] {
             std::string b = with(good64, good64.end64Offset + 24, uint64_t(1) << 40, 8);
             SetLE(b, good64.end64Offset + 32, uint64_t(1) << 40, 8);
             return b;
         },
         ZipError::Malformed},
        {"zip64 directory offset wraps around",
         [&] { return with(good64, good64.end64Offset + 48, ~uint64_t(0) - 4, 8); },
         ZipError::Malformed},
        {"zip64 extra block missing",
         [&] { return with(good64, good64.centralOffsets[0] + 30, 0, 2); }, ZipError::Malformed},
        {"zip64 extra block too short",
         [&] { return with(good64, good64.centralOffsets[0] + 46 + 17 + 2, 8, 2); },
         ZipError::Malformed},
        {"zip64 local offset huge",
         [&] { return with(good64, good64.centralOffsets[0] + 46 + 17 + 4 + 16, ~uint64_t(0), 8); },
         ZipError::Malformed},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZipFile file(dir, c.make());
        ASSERT_NE(file.Get(), nullptr);
        ZipReader zip;
        EXPECT_FALSE(zip.Open(file.Get()));
        EXPECT_EQ(zip.LastError(), c.error);
        EXPECT_FALSE(zip.IsOpen());
    }
}

// Archives whose directory reads but whose member must not be handed out.
TEST(ZipReader, RefusesMembersThatCannotBeExtractedSafely) {
    const std::string zeros(2 << 20, '\0');
    struct Case {
        const char* what;
        ZipFixtureMember member;
        uint64_t maxSize;
        ZipError error;
    };
    const Case cases[] = {
        {"bomb over the size limit", {"bomb.xml", zeros, true}, 1 << 20, ZipError::TooLarge},
        {"declares less than it inflates to",
         {"bomb.xml", zeros, true, 0, {}, {}, 1000},
         uint64_t(4) << 20,
         ZipError::BadData},
        {"declares more than it inflates to",
         {"short.xml", kText, true, 0, {}, {}, kText.size() + 1},
         1 << 20,
         ZipError::BadData},
        {"wrong checksum",
         {"a.txt", kText, true, 0, {}, 0x12345678u, {}},
         1 << 20,
         ZipError::CrcMismatch},
        {"wrong checksum, stored",
         {"a.txt", kText, false, 0, {}, 0x12345678u, {}},
         1 << 20,
         ZipError::CrcMismatch},
        {"encrypted", {"a.txt", kText, true, 1}, 1 << 20, ZipError::Encrypted},
        {"unknown method", {"a.txt", kText, true, 0, uint16_t(12)}, 1 << 20, ZipError::Unsupported},
        {"stored data that is not deflate",
         {"a.txt", kText, false, 0, uint16_t(8)},
         1 << 20,
         ZipError::BadData},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZipFile file(dir, BuildZip({c.member}).bytes);
        ZipReader zip;
        ASSERT_TRUE(zip.Open(file.Get()));
        std::vector<uint8_t> out{1, 2, 3};
        EXPECT_FALSE(zip.Extract(0, out, c.maxSize));
        EXPECT_EQ(zip.LastError(), c.error);
        EXPECT_TRUE(out.empty());
    }
    // A local header that was overwritten, or whose name runs past the data.
    ZipFixture zip = BuildZip(TwoMembers());
    SetLE(zip.bytes, zip.localOffsets[1], 0, 4);
    SetLE(zip.bytes, zip.localOffsets[0] + 26, 0xFFFF, 2);
    ZipFile file(dir, zip.bytes);
    ZipReader reader;
    ASSERT_TRUE(reader.Open(file.Get()));
    EXPECT_EQ(Extracted(reader, 0), "<refused>");
    EXPECT_EQ(reader.LastError(), ZipError::Malformed);
    EXPECT_EQ(Extracted(reader, 1), "<refused>");
    EXPECT_EQ(reader.LastError(), ZipError::Malformed);
}

// Thousands of archives damaged at random from a few valid ones: each is either
// refused or hands out exactly the bytes its directory declares.
TEST(ZipReader, MutatedArchivesAreReadWithTheirChecksumOrRefused) {
    std::string mixed;
    std::mt19937 fill(7);
    for (int i = 0; i < 5000; ++i)
        mixed += static_cast<char>(fill() % 4 == 0 ? fill() % 256 : 'a' + fill() % 3);
    const std::vector<ZipFixture> bases = {
        BuildZip(TwoMembers()),
        BuildZip(TwoMembers(), true, "comment"),
        BuildZip({{"word/document.xml", mixed, true},
                  {"b", "x", false},
                  {"dir/", "", false},
                  {"c", mixed.substr(0, 700), true}}),
    };
    constexpr uint64_t kMaxSize = 64 * 1024;
    std::mt19937 random(20261210);
    TempDir dir;
    const std::wstring path = dir / L"mutated.zip";
    StdioFileHandle file(_wfsopen(path.c_str(), L"w+b", _SH_DENYNO));
    ASSERT_TRUE(file);
    int opened = 0, extracted = 0, refused = 0;
    for (int round = 0; round < 4000; ++round) {
        const ZipFixture& base = bases[random() % bases.size()];
        std::string bytes = base.bytes;
        // Offsets of the fields that most often decide what is read.
        std::vector<size_t> fields = {base.endOffset + 8, base.endOffset + 10, base.endOffset + 12,
                                      base.endOffset + 16, base.endOffset + 20};
        for (size_t central : base.centralOffsets)
            for (size_t field : {8, 10, 16, 20, 24, 28, 30, 32, 42})
                fields.push_back(central + field);
        for (size_t local : base.localOffsets)
            for (size_t field : {18, 22, 26, 28})
                fields.push_back(local + field);
        if (base.end64Offset != 0)
            for (size_t field : {24, 32, 40, 48})
                fields.push_back(base.end64Offset + field);
        const int mutations = 1 + static_cast<int>(random() % 3);
        for (int m = 0; m < mutations && !bytes.empty(); ++m) {
            switch (random() % 4) {
            case 0: // truncate
                bytes.resize(random() % bytes.size());
                break;
            case 1: // flip a bit
                bytes[random() % bytes.size()] ^= static_cast<char>(1 << (random() % 8));
                break;
            default: { // rewrite a field with a boundary or random value
                const size_t at = fields[random() % fields.size()];
                const uint64_t values[] = {0,
                                           1,
                                           0xFFFF,
                                           0xFFFFFFFF,
                                           bytes.size(),
                                           bytes.size() - 1,
                                           random(),
                                           random() % 64};
                const int width = (random() % 2) ? 4 : 2;
                if (at + width <= bytes.size())
                    SetLE(bytes, at, values[random() % 8], width);
            }
            }
        }
        ASSERT_EQ(_fseeki64(file.Get(), 0, SEEK_SET), 0);
        ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), file.Get()), bytes.size());
        ASSERT_EQ(_chsize_s(_fileno(file.Get()), static_cast<int64_t>(bytes.size())), 0);
        fflush(file.Get());
        ASSERT_EQ(_fseeki64(file.Get(), 0, SEEK_SET), 0);
        ZipReader zip;
        if (!zip.Open(file.Get())) {
            ++refused;
            continue;
        }
        ++opened;
        for (uint32_t i = 0; i < zip.MemberCount(); ++i) {
            ZipMemberStat stat;
            ASSERT_TRUE(zip.Stat(i, stat));
            std::vector<uint8_t> out;
            if (!zip.Extract(i, out, kMaxSize)) {
                EXPECT_TRUE(out.empty());
                continue;
            }
            ++extracted;
            ASSERT_EQ(out.size(), stat.uncompressedSize) << "round " << round;
            ASSERT_LE(out.size(), kMaxSize);
            ASSERT_EQ(
                Crc32Of(std::string_view(reinterpret_cast<const char*>(out.data()), out.size())),
                stat.crc32)
                << "round " << round;
        }
    }
    // The mix exercised both outcomes, not only one of them.
    EXPECT_GT(refused, 500);
    EXPECT_GT(opened, 500);
    EXPECT_GT(extracted, 500);
}

} // namespace
