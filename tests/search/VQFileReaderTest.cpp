#include "search/VQFileReader.h"

#include "ContentFixtures.h"
#include "foundation/Settings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The text as UTF-16BE bytes.
std::string BigEndian(std::wstring_view text) {
    std::string bytes;
    for (wchar_t ch : text) {
        bytes.push_back(static_cast<char>(ch >> 8));
        bytes.push_back(static_cast<char>(ch & 0xFF));
    }
    return bytes;
}

struct GuessCase {
    std::string bytes;
    int32_t flags;
    int bom;
};

TEST(GuessTextEncoding, ClassifiesByMarkZerosAndFirstCharacter) {
    const GuessCase cases[] = {
        {"", 0, 0},
        {"a", 15, 0},
        {"\x80", 15, 0},
        {"\xFF\xFE", 1, 2},
        {"\xFF\xFE\x00\x00", 1, 2},
        {"\xFE\xFF", 8, 2},
        {"\xEF\xBB\xBF", 2, 3},
        {"\xEF\xBB", 13, 0},
        {std::string("A\0", 2), 1, 0},
        {std::string("\0A", 2), 8, 0},
        {std::string("\0\0", 2), 13, 0},
        {"ab", 6, 0},
        {"a\xC3\xA9", 13, 0}, // only the first character is tested
        {"\xC3\xA9t\xC3\xA9", 2, 0},
        {"\xC2\x80", 2, 0},
        {"\xC1\xBF", 13, 0},  // overlong form
        {"\xE9t\xE9", 13, 0}, // ANSI e acute
        {"\xE0\xA0\x80", 2, 0},
        {"\xE0\x9F\x80", 13, 0},
        {"\xED\x9F\xBF", 2, 0},
        {"\xED\xA0\x80", 13, 0}, // a surrogate half
        {"\xE2\x82", 13, 0},     // cut short
        {"\xF0\x90\x80\x80", 2, 0},
        {"\xF0\x8F\x80\x80", 13, 0},
        {"\xF4\x8F\xBF\xBF", 2, 0},
        {"\xF4\x90\x80\x80", 13, 0},
        {"\xF5\x80\x80\x80", 13, 0},
        // Without a mark the units with one zero byte vote on the byte order.
        {Utf16Bytes(L"\u0100bc de"), 1, 0},
        {Utf16Bytes(L"\u0100b"), 1, 0}, // big-endian, 00 01 would be a control character
        {Utf16Bytes(L"\u4E00\u4E01 ab"), 1, 0},
        {BigEndian(L"hello"), 8, 0},
        {BigEndian(L"\u0100hello"), 8, 0},
        {BigEndian(L"\u4E00\u4E01 ab"), 8, 0},
        {BigEndian(L"a\u0100\u0200\u0300"), 8, 0}, // a tie: the first unit decides
        {Utf16Bytes(L"a\u0100\u0200\u0300"), 1, 0},
    };
    for (const GuessCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        int bom = -1;
        EXPECT_EQ(GuessTextEncoding(reinterpret_cast<const uint8_t*>(c.bytes.data()),
                                    static_cast<int64_t>(c.bytes.size()), &bom),
                  c.flags);
        EXPECT_EQ(bom, c.bom);
    }
    EXPECT_EQ(GuessTextEncoding(nullptr, 5), 0);
}

TEST(VQFileReader, OpenGuessesTheEncodingFromTheFirst64KiB) {
    struct OpenCase {
        const char* what;
        std::string bytes;
        int32_t flags;
    };
    const std::string text(70000, 'x');
    const OpenCase cases[] = {
        {"empty", "", 0},
        {"one byte", "a", 15},
        {"ASCII", "ab cd", 6},
        {"UTF-8 start", "\xC3\xA9t\xC3\xA9", 2},
        {"ANSI start", "\xE9t\xE9", 13},
        {"UTF-16LE mark", Utf16Bytes(L"\xFEFFhello"), 1},
        {"aligned zero pair late in the sample", text.substr(0, 60000) + std::string(2, '\0'), 0},
        {"unaligned zero pair", "a" + std::string(2, '\0') + "b", 1},
        {"odd size ending in two zeros", "abc" + std::string(2, '\0'), 0},
        {"zero pair after the sample", text + std::string(2, '\0'), 6},
        {"UTF-16LE starting with U+0100", Utf16Bytes(L"\u0100\u0141\u0152 alpha beta\r\n"), 1},
        {"UTF-16BE", BigEndian(L"alpha beta\r\n"), 8},
        {"UTF-16BE starting with U+0100", BigEndian(L"\u0100 alpha beta\r\n"), 8},
    };
    TempDir dir;
    VQFileReader reader;
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(reader.Open(dir.WriteFile(L"f.bin", c.bytes)), c.flags);
        EXPECT_EQ(reader.Flags(), c.flags);
        EXPECT_EQ(reader.Size(), static_cast<int64_t>(c.bytes.size()));
    }
    EXPECT_EQ(reader.Open(dir / L"missing.txt"), -1);
    EXPECT_FALSE(reader.HasFile());
    EXPECT_EQ(reader.Size(), 0);
    int32_t count = 0;
    EXPECT_EQ(reader.Read(0, count, false), nullptr);
}

class VQFileReaderWindow : public testing::Test {
protected:
    static constexpr uint32_t kBuffer = 4096;
    ScopedValue<uint32_t> m_bufferSize{Settings().FileBufferSize, kBuffer};
    TempDir m_dir;
    std::string m_bytes = NumberedBytes(3 * kBuffer + 123);
    std::wstring m_path = m_dir.WriteFile(L"data.bin", m_bytes);
    VQFileReader m_reader;

    void SetUp() override { ASSERT_GE(m_reader.Open(m_path), 0); }

    // Overwrites bytes of the file on disk behind the reader's back.
    void Overwrite(int64_t offset, size_t count) {
        FILE* f = _wfopen(m_path.c_str(), L"r+b");
        ASSERT_NE(f, nullptr);
        _fseeki64(f, offset, SEEK_SET);
        fwrite(std::string(count, 'Z').data(), 1, count, f);
        fclose(f);
    }
    std::string Got(int64_t offset, int32_t count, bool centre = false) {
        const uint8_t* p = m_reader.Read(offset, count, centre);
        return p ? std::string(reinterpret_cast<const char*>(p), count) : "<null>";
    }
};

TEST_F(VQFileReaderWindow, RefusesRequestsOutsideTheFileOrTheBuffer) {
    const int64_t size = static_cast<int64_t>(m_bytes.size());
    EXPECT_EQ(Got(size, 1), "<null>");
    EXPECT_EQ(Got(size + 10, 1), "<null>");
    EXPECT_EQ(Got(-1, 1), "<null>");
    EXPECT_EQ(Got(0, -1), "<null>");
    EXPECT_EQ(Got(0, kBuffer + 1), "<null>");
    EXPECT_EQ(Got(size - 5, 0), m_bytes.substr(size - 5));
    EXPECT_EQ(Got(size - 5, 100), m_bytes.substr(size - 5));
    EXPECT_EQ(Got(0, 0), m_bytes.substr(0, kBuffer));
}

TEST_F(VQFileReaderWindow, RandomReadsGiveTheFileBytesAndKeepTheWindowInBounds) {
    std::mt19937 random(42);
    const int64_t size = static_cast<int64_t>(m_bytes.size());
    for (int i = 0; i < 2000; ++i) {
        const int64_t offset = random() % size;
        int32_t count = static_cast<int32_t>(random() % (kBuffer + 1));
        const bool centre = random() % 2 == 0;
        const int32_t wanted = count == 0 ? kBuffer : count;
        const uint8_t* p = m_reader.Read(offset, count, centre);
        ASSERT_NE(p, nullptr) << offset << " " << wanted;
        ASSERT_EQ(count, std::min<int64_t>(wanted, size - offset));
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(p), count),
                  m_bytes.substr(offset, count));
        ASSERT_LE(m_reader.WindowStart(), offset);
        ASSERT_LE(offset + count, m_reader.WindowStart() + m_reader.WindowLength());
        ASSERT_LE(static_cast<uint32_t>(m_reader.WindowLength()), m_reader.Capacity());
    }
}

TEST_F(VQFileReaderWindow, BytesAlreadyInTheWindowAreNotReadAgain) {
    const std::string first = Got(0, 50);
    Overwrite(0, m_bytes.size());
    EXPECT_EQ(Got(0, 50), first);
    // A forward move keeps the overlap from memory and reads only the rest.
    EXPECT_EQ(Got(kBuffer - 96, 200), m_bytes.substr(kBuffer - 96, 96) + std::string(104, 'Z'));
    // So does a move back: the kept head comes from memory.
    const int64_t start = m_reader.WindowStart();
    EXPECT_EQ(Got(start - 10, 20), std::string(10, 'Z') + m_bytes.substr(start, 10));
}

TEST_F(VQFileReaderWindow, CentreModePlacesTheRequestInTheMiddle) {
    EXPECT_EQ(Got(6000, 10, true), m_bytes.substr(6000, 10));
    EXPECT_EQ(m_reader.WindowStart(), 6000 + 10 + (kBuffer - 10) / 2 - kBuffer);
    // Near the end the window ends at the file's end.
    const int64_t size = static_cast<int64_t>(m_bytes.size());
    EXPECT_EQ(Got(size - 3, 2, true), m_bytes.substr(size - 3, 2));
    EXPECT_EQ(m_reader.WindowStart(), size - kBuffer);
    EXPECT_EQ(m_reader.WindowLength(), static_cast<int32_t>(kBuffer));
}

TEST_F(VQFileReaderWindow, FileThatFitsIsReadWholeOnce) {
    const std::string small = NumberedBytes(1000);
    m_path = m_dir.WriteFile(L"small.bin", small);
    ASSERT_GE(m_reader.Open(m_path), 0);
    EXPECT_EQ(Got(10, 5), small.substr(10, 5));
    EXPECT_EQ(m_reader.WindowLength(), 1000);
    Overwrite(0, small.size());
    EXPECT_EQ(Got(900, 0), small.substr(900));
    m_reader.Close();
    EXPECT_EQ(m_reader.Capacity(), 0u);
    EXPECT_EQ(Got(0, 1), "<null>");
}

TEST(VQFileReader, TheSampleReadByOpenIsNotReadAgain) {
    // A window large enough for the whole sample, and a file larger than it.
    ScopedValue<uint32_t> bufferSize(Settings().FileBufferSize, 256u << 10);
    TempDir dir;
    const std::string bytes = NumberedBytes(VQFileReader::kSampleSize + 5000);
    const std::wstring path = dir.WriteFile(L"f.txt", bytes);
    VQFileReader reader;
    ASSERT_EQ(reader.Open(path), 13);
    EXPECT_EQ(reader.WindowStart(), 0);
    EXPECT_EQ(reader.WindowLength(), VQFileReader::kSampleSize);
    // Changed on disk: the sample comes from memory, only the rest from the file.
    dir.WriteFile(L"f.txt", std::string(bytes.size(), 'Z'));
    int32_t count = 0;
    const uint8_t* p = reader.Read(0, count, false);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(count, static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), count),
              bytes.substr(0, VQFileReader::kSampleSize) + std::string(5000, 'Z'));
    // Closing the file keeps the buffer for the next one; Close frees it.
    const uint32_t capacity = reader.Capacity();
    reader.CloseFile();
    EXPECT_FALSE(reader.HasFile());
    EXPECT_EQ(reader.WindowLength(), 0);
    EXPECT_EQ(reader.Flags(), 0);
    EXPECT_EQ(reader.Capacity(), capacity);
    ASSERT_EQ(reader.Open(dir.WriteFile(L"g.txt", "small")), 6);
    count = 0;
    p = reader.Read(0, count, false);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), count), "small");
    reader.Close();
    EXPECT_EQ(reader.Capacity(), 0u);
}

// A file cut short after it was opened hands out only the bytes it still has.
TEST_F(VQFileReaderWindow, AFileThatShrankGivesOnlyWhatIsLeft) {
    {
        FileHandle cut(CreateFileW(m_path.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
        ASSERT_TRUE(cut);
        LARGE_INTEGER size{};
        size.QuadPart = 5000;
        ASSERT_TRUE(SetFilePointerEx(cut.Get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(cut.Get()));
    }
    EXPECT_EQ(Got(4000, 2000), m_bytes.substr(4000, 1000));
    EXPECT_EQ(Got(6000, 10), "<null>");
    EXPECT_EQ(m_reader.WindowLength(), 0);
}

TEST(VQFileReader, AttachTakesTheHandleAndNoHandleMeansNoFile) {
    TempDir dir;
    const std::wstring path = dir.WriteFile(L"a.txt", "abcdefghijklmnopqrst");
    VQFileReader reader;
    ASSERT_GE(reader.Open(dir.WriteFile(L"b.txt", "0123456789")), 0);
    int32_t count = 0;
    ASSERT_NE(reader.Read(0, count, false), nullptr); // the old file's position is now 10
    reader.ClearWindow();
    reader.Attach(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr));
    EXPECT_EQ(reader.Size(), 20);
    char bytes[6]{};
    // The new handle is read where asked, not where the old file's pointer was.
    EXPECT_EQ(reader.ReadAt(10, bytes, 5), 5);
    EXPECT_STREQ(bytes, "klmno");
    reader.Attach(nullptr);
    EXPECT_FALSE(reader.HasFile());
    EXPECT_EQ(reader.Size(), 0);
    EXPECT_EQ(reader.ReadAt(0, bytes, 5), 0);
}

} // namespace
