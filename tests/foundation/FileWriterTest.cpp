#include "foundation/FileWriter.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return UINT64_MAX;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The size of the one file in `folder` other than `except`; UINT64_MAX
// when there is not exactly one.
uint64_t SizeOfTheOtherFile(const std::wstring& folder, const std::wstring& except) {
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    uint64_t size = UINT64_MAX;
    int count = 0;
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L".." || name == except)
                continue;
            ++count;
            size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        } while (FindNextFileW(find.Get(), &data));
    }
    return count == 1 ? size : UINT64_MAX;
}

} // namespace

TEST(VQFileWriter, GathersSmallWritesAndPassesLargeOnesStraightThrough) {
    // Each step: the bytes written, then what is pending and what the file
    // holds so far.
    struct Step {
        const char* bytes;
        uint32_t pending;
        uint64_t onDisk;
    } steps[] = {
        {"ab", 2, 0},         // gathered
        {"c", 3, 0},          // still fits
        {"defgh", 1, 7},      // flushes 3, writes 4 straight, keeps 1
        {"ijkl", 0, 12},      // flush 1, then one straight block
        {"mnopqrstu", 1, 20}, // two straight blocks, one byte kept
        {"vwx", 4, 20},       // fills the buffer exactly: nothing written yet
    };
    TempDir t;
    const std::wstring path = t / L"out.bin";
    VQFileWriter writer(4);
    ASSERT_TRUE(writer.HasBuffer());
    ASSERT_TRUE(writer.Open(path));
    for (const Step& s : steps) {
        EXPECT_TRUE(writer.Write(s.bytes, strlen(s.bytes))) << s.bytes;
        EXPECT_EQ(writer.Pending(), s.pending) << s.bytes;
        // The bytes go to a file beside the path until Close.
        EXPECT_EQ(SizeOfTheOtherFile(t.Path(), L"out.bin"), s.onDisk) << s.bytes;
        EXPECT_EQ(FileSize(path), UINT64_MAX) << s.bytes;
    }
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(TempDir::ReadFile(path), "abcdefghijklmnopqrstuvwx");
    EXPECT_TRUE(writer.Close()); // a second close keeps the answer
    EXPECT_FALSE(writer.Write("x", 1));
}

TEST(VQFileWriter, RefusalsAndAnEmptyFile) {
    TempDir t;
    VQFileWriter writer(8);
    EXPECT_FALSE(writer.Write("x", 1)); // not open
    EXPECT_FALSE(writer.Close());       // nothing was written anywhere
    ASSERT_TRUE(writer.Open(t / L"sub\\empty.txt"));
    EXPECT_FALSE(writer.Open(t / L"other.txt")); // one file at a time
    EXPECT_FALSE(writer.Write(nullptr, 1));
    EXPECT_FALSE(writer.Write("x", 0));
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(FileSize(t / L"sub\\empty.txt"), 0u);

    EXPECT_FALSE(writer.Open(t.Path())); // a folder cannot be replaced
    VQFileWriter noBuffer(0);
    EXPECT_FALSE(noBuffer.HasBuffer());
    EXPECT_FALSE(noBuffer.Open(t / L"never.txt"));
    EXPECT_EQ(GetFileAttributesW((t / L"never.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(VQFileWriter, AFailedWriteIsReportedAtClose) {
    // A pipe whose reading end is gone refuses every write, as a full disk
    // or a lost share would.
    struct Case {
        const char* name;
        size_t before; // bytes written while the reader still exists
        size_t after;  // bytes written once it is gone
        bool writeFails;
    } cases[] = {
        {"pending bytes fail at close", 2, 3, false},
        {"a straight block fails at once", 0, 20, true},
        {"a flush fails at once", 5, 12, true},
    };
    for (const Case& c : cases) {
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16));
        KernelHandle reader(readEnd);
        VQFileWriter writer(16);
        ASSERT_TRUE(writer.Attach(FileHandle(writeEnd)));
        const std::string bytes(64, 'x');
        if (c.before > 0) {
            EXPECT_TRUE(writer.Write(bytes.data(), c.before)) << c.name;
        }
        reader.Reset();
        EXPECT_EQ(writer.Write(bytes.data(), c.after), !c.writeFails) << c.name;
        if (c.writeFails) {
            EXPECT_FALSE(writer.Write("y", 1)) << c.name; // the file is gone
        }
        EXPECT_FALSE(writer.Close()) << c.name;
        EXPECT_FALSE(writer.Close()) << c.name;
    }
}

TEST(VQFileWriter, AFileOpenedByItsPathReplacesTheEarlierOneOnlyWhenClosedWhole) {
    // How the writing ends, and what the path holds afterwards.
    struct Case {
        const char* name;
        int end; // 0 Close, 1 Abandon, 2 the writer goes without either
        const char* after;
    } cases[] = {
        {"closed", 0, "new bytes, more than the buffer holds"},
        {"abandoned", 1, "earlier"},
        {"dropped", 2, "earlier"},
    };
    for (const Case& c : cases) {
        TempDir t;
        const std::wstring path = t.WriteFile(L"result.velquin", "earlier");
        {
            VQFileWriter writer(8);
            ASSERT_TRUE(writer.Open(path)) << c.name;
            const std::string bytes = "new bytes, more than the buffer holds";
            ASSERT_TRUE(writer.Write(bytes.data(), bytes.size())) << c.name;
            EXPECT_EQ(TempDir::ReadFile(path), "earlier") << c.name;
            if (c.end == 0) {
                EXPECT_TRUE(writer.Close()) << c.name;
            } else if (c.end == 1) {
                writer.Abandon();
                EXPECT_FALSE(writer.Close()) << c.name;
            }
        }
        EXPECT_EQ(TempDir::ReadFile(path), c.after) << c.name;
        EXPECT_EQ(SizeOfTheOtherFile(t.Path(), L"result.velquin"), UINT64_MAX)
            << c.name << ": nothing left beside the path";
    }
}
