#include "foundation/TextFileReader.h"

#include "foundation/FileAccess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

TEST(ClassifyTextStart, MarksThenZerosThenUtf8) {
    struct Case {
        std::string bytes;
        TextFileEncoding encoding;
        size_t mark;
    } cases[] = {
        {"", TextFileEncoding::Utf16Le, 0},
        {"\xFF\xFE", TextFileEncoding::Utf16Le, 2},
        {"\xFE\xFF", TextFileEncoding::Utf16Be, 2},
        {"\xEF\xBB\xBF", TextFileEncoding::Utf8, 3},
        {"\xEF\xBB", TextFileEncoding::Utf16Le, 0}, // a cut mark is no mark
        {std::string("\0A", 2), TextFileEncoding::Utf16Be, 0},
        {std::string("A\0", 2), TextFileEncoding::Utf16Le, 0},
        {std::string("\0\0", 2), TextFileEncoding::Utf16Le, 0},
        {"\xC3\xA9", TextFileEncoding::Utf8, 0},    // é
        {"\xC1\xA9", TextFileEncoding::Utf16Le, 0}, // overlong lead byte
        {"\xE0\xA0\x80", TextFileEncoding::Utf8, 0},
        {"\xE0\x9F\x80", TextFileEncoding::Utf16Le, 0}, // overlong
        {"\xED\xA0\x80", TextFileEncoding::Utf16Le, 0}, // a surrogate
        {"\xEE\x80", TextFileEncoding::Utf16Le, 0},     // cut short
        {"\xF0\x90\x80\x80", TextFileEncoding::Utf8, 0},
        {"\xF4\x90\x80\x80", TextFileEncoding::Utf16Le, 0}, // beyond U+10FFFF
        {"ab", TextFileEncoding::Utf8, 0},
        {"a\x80", TextFileEncoding::Utf16Le, 0},
    };
    for (const Case& c : cases) {
        const TextFileKind kind =
            ClassifyTextStart(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size());
        EXPECT_EQ(kind.encoding, c.encoding) << testing::PrintToString(c.bytes);
        EXPECT_EQ(kind.markLength, c.mark) << testing::PrintToString(c.bytes);
    }
}

TEST(VQTextFileReader, ReadsEachEncodingWithOrWithoutItsMark) {
    struct Case {
        std::string bytes;
        std::wstring text; // expected
    } cases[] = {
        {"A", L"A"},
        {"\xE9", L"\xE9"}, // one byte is one code unit, whatever it is
        {std::string("\xFF\xFEV\0q\0", 6), L"Vq"},
        {std::string("\xFF\xFEV\0q\0!", 7), L"Vq"}, // the odd byte goes
        {std::string("\xFE\xFF\0V\0q", 6), L"Vq"},
        {std::string("V\0q\0", 4), L"Vq"},
        {std::string("\0V\0q", 4), L"Vq"},
        {"\xEF\xBB\xBFVq \xC3\xA9", L"Vq \xE9"},
        {"Vq \xC3\xA9", L"Vq \xE9"},
        {"\xC3\xA9t\xC3\xA9", L"\xE9t\xE9"},
        {"Vq\xFFz", L"Vq\xFFFDz"},
    };
    TempDir t;
    for (const Case& c : cases) {
        const std::wstring path = t.WriteFile(L"t.txt", c.bytes);
        mvstring text = L"old";
        EXPECT_TRUE(ReadTextFile(path, text)) << testing::PrintToString(c.bytes);
        EXPECT_EQ(text.str(), c.text) << testing::PrintToString(c.bytes);
    }
}

TEST(VQTextFileReader, FailuresLeaveTheTextEmpty) {
    TempDir t;
    const std::string failing[] = {"", "\xFF\xFE", "\xFF\xFE!", "\xEF\xBB\xBF"};
    for (const std::string& bytes : failing) {
        mvstring text = L"old";
        EXPECT_FALSE(ReadTextFile(t.WriteFile(L"f.txt", bytes), text))
            << testing::PrintToString(bytes);
        EXPECT_TRUE(text.empty());
    }
    mvstring text = L"old";
    EXPECT_FALSE(ReadTextFile(t / L"missing.txt", text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(VQTextFileReader(nullptr).ReadAllText(text));
    EXPECT_FALSE(VQTextFileReader(INVALID_HANDLE_VALUE).ReadAllText(text));

    // The whole file is read from its start, wherever the pointer stands.
    const FileHandle file = OpenFileForText(t.WriteFile(L"g.txt", "0123456789"), false);
    SetFilePointer(file.Get(), 6, nullptr, FILE_BEGIN);
    VQTextFileReader reader(file.Get());
    ASSERT_TRUE(reader.ReadAllText(text));
    EXPECT_EQ(text, L"0123456789");
    char bytes[4]{};
    SetFilePointer(file.Get(), 7, nullptr, FILE_BEGIN);
    EXPECT_FALSE(reader.ReadExact(bytes, 4)); // only 3 left
    EXPECT_FALSE(reader.ReadExact(bytes, 0));
    EXPECT_FALSE(reader.ReadExact(nullptr, 1));
    SetFilePointer(file.Get(), 7, nullptr, FILE_BEGIN);
    EXPECT_TRUE(reader.ReadExact(bytes, 3));
    EXPECT_EQ(std::string(bytes, 3), "789");
}
