#include "foundation/DataStream.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const SharedBuffer& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(DataStream, WritesIntoAMemoryBlockOnlyWhereTheyFit) {
    SharedBuffer block;
    ASSERT_TRUE(block.Alloc(8));
    DataStream stream;
    stream.AttachBuffer(block);
    EXPECT_EQ(stream.DataSize(), 8u);
    struct Step {
        const char* bytes;
        size_t count;
        bool ok;
        uint64_t position;
    } steps[] = {
        {"abcd", 4, true, 4},   {"efghi", 5, false, 4}, {nullptr, 0, true, 4},
        {nullptr, 1, false, 4}, {"efgh", 4, true, 8},   {"z", 1, false, 8},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(stream.Write(s.bytes, s.count), s.ok) << (s.bytes ? s.bytes : "null");
        EXPECT_EQ(stream.Position(), s.position);
    }
    EXPECT_EQ(Bytes(block), "abcdefgh"); // the caller's block was written

    stream.AttachBuffer(block);
    char out[8]{};
    size_t read = 0;
    EXPECT_TRUE(stream.Read(out, 5, read));
    EXPECT_EQ(std::string(out, read), "abcde");
    EXPECT_TRUE(stream.Read(out, 5, read));
    EXPECT_EQ(std::string(out, read), "fgh");
    EXPECT_TRUE(stream.Read(out, 5, read));
    EXPECT_EQ(read, 0u);

    stream.Reset();
    EXPECT_EQ(stream.DataSize(), 0u);
    EXPECT_EQ(stream.Position(), 0u);
    EXPECT_FALSE(stream.Write("a", 1)); // no block any more
}

TEST(DataStream, WritesAndReadsAFile) {
    TempDir t;
    const std::wstring path = t / L"sub\\stream.bin";
    DataStream stream;
    ASSERT_TRUE(stream.OpenFile(path, true));
    EXPECT_TRUE(stream.HasFile());
    EXPECT_TRUE(stream.Write("head", 4));
    EXPECT_TRUE(stream.Write("", 0));
    EXPECT_FALSE(stream.Write(nullptr, 3));
    EXPECT_TRUE(stream.Write("-tail", 5));
    EXPECT_EQ(stream.DataSize(), 9u);
    EXPECT_EQ(stream.Position(), 9u);
    stream.Close();
    EXPECT_FALSE(stream.HasFile());
    EXPECT_EQ(TempDir::ReadFile(path), "head-tail");

    ASSERT_TRUE(stream.OpenFile(path, false));
    EXPECT_EQ(stream.DataSize(), 9u);
    char out[16]{};
    size_t read = 0;
    EXPECT_TRUE(stream.Read(out, sizeof out, read));
    EXPECT_EQ(std::string(out, read), "head-tail");
    EXPECT_EQ(stream.Position(), 9u);
    EXPECT_FALSE(stream.Write("x", 1)); // opened for reading only
    stream.Reset();
    EXPECT_FALSE(stream.HasFile());
    DeleteFileW(path.c_str()); // closed, so the file can go
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(stream.OpenFile(t / L"missing.bin", false));
}
