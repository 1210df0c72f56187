#include "foundation/Files.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

bool WriteBytes(HANDLE file, std::string_view bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string Bytes(const SharedBuffer& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(Files, OpenForWritingCreatesTheFolderChain) {
    TempDir t;
    SetEnvironmentVariableW(L"VQ_FILES_DIR", t.Path().c_str());
    const std::wstring cases[] = {t / L"a\\b\\out.txt", L"%VQ_FILES_DIR%\\c\\d\\out.txt"};
    for (const std::wstring& path : cases) {
        FileHandle file = OpenFileForText(path, true);
        ASSERT_TRUE(file) << path;
        EXPECT_TRUE(WriteBytes(file.Get(), "hello"));
    }
    SetEnvironmentVariableW(L"VQ_FILES_DIR", nullptr);
    EXPECT_EQ(TempDir::ReadFile(t / L"a\\b\\out.txt"), "hello");
    EXPECT_EQ(TempDir::ReadFile(t / L"c\\d\\out.txt"), "hello");
}

TEST(Files, OpenForWritingReplacesProtectedFiles) {
    TempDir t;
    const DWORD attributes[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN,
                                FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN};
    for (DWORD attribute : attributes) {
        const std::wstring path = t.WriteFile(L"old.txt", "old contents");
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), attribute));
        {
            FileHandle file = OpenFileForText(path, true);
            ASSERT_TRUE(file) << attribute;
            EXPECT_TRUE(WriteBytes(file.Get(), "new"));
        }
        const DWORD after = GetFileAttributesW(path.c_str());
        EXPECT_EQ(after & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u) << attribute;
        EXPECT_EQ(TempDir::ReadFile(path), "new") << attribute;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(Files, SharingOfReaderAndWriter) {
    TempDir t;
    const std::wstring path = t.WriteFile(L"f.txt", "abc");
    {
        FileHandle writer = OpenFileForText(path, true);
        ASSERT_TRUE(writer);
        EXPECT_FALSE(OpenFileForText(path, false)); // the writer shares nothing
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    FileHandle reader = OpenFileForText(path, false);
    ASSERT_TRUE(reader);
    FileHandle other(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr));
    EXPECT_TRUE(other); // the reader lets others read and write
    EXPECT_TRUE(OpenFileForText(path, false));
}

TEST(Files, OpenFailuresGiveNoHandle) {
    TempDir t;
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(OpenFileForText(L"", false));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FALSE(OpenFileForText(L"", true));
    EXPECT_FALSE(OpenFileForText(t / L"missing.txt", false));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Exists(t / L"missing.txt"));      // reading never creates
    EXPECT_FALSE(OpenFileForText(t.Path(), true)); // a folder cannot be replaced
}

TEST(Files, DeleteFileWithRetry) {
    TempDir t;
    const std::wstring file = t.WriteFile(L"f.txt", "x");
    CreateDirectoryW((t / L"sub").c_str(), nullptr);
    EXPECT_FALSE(DeleteFileWithRetry(L""));
    EXPECT_FALSE(DeleteFileWithRetry(t / L"missing.txt"));
    EXPECT_FALSE(DeleteFileWithRetry(t / L"sub"));
    EXPECT_TRUE(Exists(t / L"sub"));
    EXPECT_TRUE(DeleteFileWithRetry(file));
    EXPECT_FALSE(Exists(file));
}

TEST(Files, DeleteRetriesWhileTheFileIsHeld) {
    struct Case {
        DWORD holdMs;
        bool deleted;
    } cases[] = {{300, true}, {1600, false}};
    for (const Case& c : cases) {
        TempDir t;
        const std::wstring path = t.WriteFile(L"held.txt", "x");
        FileHandle held(
            CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        std::thread release([&held, &c] {
            Sleep(c.holdMs);
            held.Reset();
        });
        const DWORD start = GetTickCount();
        const bool deleted = DeleteFileWithRetry(path);
        const DWORD error = GetLastError();
        const DWORD elapsed = GetTickCount() - start;
        release.join();
        EXPECT_EQ(deleted, c.deleted) << c.holdMs;
        EXPECT_EQ(Exists(path), !c.deleted) << c.holdMs;
        if (!c.deleted) {
            EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            EXPECT_GE(elapsed, 900u); // it kept trying for about a second
        }
    }
}

TEST(Files, ReadWholeFile) {
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

TEST(SharedBuffer, AllocResetSwapRelease) {
    SharedBuffer a;
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(a.Size(), 0u);
    ASSERT_TRUE(a.Alloc(16));
    EXPECT_EQ(a.Size(), 16u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(a.Data()), 16), std::string(16, '\0'));
    a.Data()[0] = 'x';

    SharedBuffer copy = a; // shares the bytes
    EXPECT_EQ(copy.Data(), a.Data());
    ReleaseSharedBuffer(a);
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(a.Size(), 0u);
    EXPECT_EQ(copy.Data()[0], 'x'); // the other owner keeps them

    SharedBuffer b;
    b.Swap(copy);
    EXPECT_EQ(b.Size(), 16u);
    EXPECT_EQ(b.Data()[0], 'x');
    EXPECT_EQ(copy.Data(), nullptr);
    EXPECT_EQ(copy.Size(), 0u);

    EXPECT_FALSE(b.Alloc(0));
    EXPECT_EQ(b.Data(), nullptr);
    EXPECT_EQ(b.Size(), 0u);

    b.Reset(new uint8_t[4]{1, 2, 3, 4});
    EXPECT_NE(b.Data(), nullptr);
    EXPECT_EQ(b.Size(), 0u);
    b.Reset(new uint8_t[4]{1, 2, 3, 4}, 4);
    EXPECT_EQ(b.Size(), 4u);
    EXPECT_EQ(b.Data()[3], 4);
}

TEST(mvByteBuffer, AllocateAndFree) {
    mvByteBuffer buffer;
    ASSERT_TRUE(buffer.Allocate(8));
    EXPECT_EQ(buffer.Size(), 8u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.Data()), 8), std::string(8, '\0'));
    buffer.Data()[0] = 1;
    ASSERT_TRUE(buffer.Allocate(4)); // a fresh, zero-filled array
    EXPECT_EQ(buffer.Data()[0], 0);
    EXPECT_FALSE(buffer.Allocate(0));
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Size(), 0u);
    ASSERT_TRUE(buffer.Allocate(2));
    mvByteBuffer moved(std::move(buffer));
    EXPECT_EQ(moved.Size(), 2u);
    EXPECT_EQ(buffer.Data(), nullptr);
    moved.Free();
    EXPECT_EQ(moved.Size(), 0u);
    EXPECT_EQ(moved.Data(), nullptr);
}

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
