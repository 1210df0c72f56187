#include "foundation/FileAccess.h"
#include "foundation/WholeFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const SharedBuffer& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
}

} // namespace

TEST(WholeFile, ReadsEveryByteWithTwoZerosAfter) {
    TempDir t;
    std::string big(200000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    const std::string cases[] = {"", "a", std::string("\xFF\xFE\0x\0", 5), big};
    for (const std::string& contents : cases) {
        const std::wstring path = t.WriteFile(L"f.bin", contents);
        SharedBuffer buffer;
        buffer.Alloc(3); // replaced by the read
        ASSERT_TRUE(ReadWholeFile(path, buffer)) << contents.size();
        EXPECT_EQ(Bytes(buffer), contents);
        if (!contents.empty()) {
            EXPECT_EQ(buffer.Data()[contents.size()], 0); // unrounded terminator
            EXPECT_EQ(buffer.Data()[contents.size() + 1], 0);
        }
    }
    SharedBuffer buffer;
    buffer.Alloc(3);
    EXPECT_FALSE(ReadWholeFile(t / L"missing.bin", buffer));
    EXPECT_EQ(buffer.Data(), nullptr);

    // From an open handle the read starts at the beginning whatever the pointer.
    const std::wstring path = t.WriteFile(L"g.txt", "0123456789");
    FileHandle file = OpenFileForText(path, false);
    SetFilePointer(file.Get(), 4, nullptr, FILE_BEGIN);
    ASSERT_TRUE(ReadWholeFile(file.Get(), buffer));
    EXPECT_EQ(Bytes(buffer), "0123456789");
    EXPECT_FALSE(ReadWholeFile(nullptr, buffer));
}
