#include "foundation/FileAccess.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>

namespace {

bool WriteBytes(HANDLE file, std::string_view bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(FileAccess, OpenForWritingCreatesTheFolderChain) {
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

TEST(FileAccess, OpenForWritingReplacesProtectedFiles) {
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

TEST(FileAccess, SharingOfReaderAndWriter) {
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

TEST(FileAccess, OpenFailuresGiveNoHandle) {
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

TEST(FileAccess, DeleteFileWithRetry) {
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

TEST(FileAccess, DeleteRetriesWhileTheFileIsHeld) {
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

// Each file holds its own name, so that reading the wrong one shows. The
// plain neighbour of each odd name exists too: trimming or expanding the
// name would open it instead.
TEST(FileAccess, OpenFileByExactNameReadsTheNamedFile) {
    TempDir t;
    SetEnvironmentVariableW(L"VQ_EXACT_NAME", L"plain");
    const std::wstring deep = std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') + L"\\f";
    const std::wstring names[] = {
        L"plain", L"plain ",  L"plain.", L"plain. .", L"%VQ_EXACT_NAME%",
        L"CON",   L"nul.txt", L"lpt1 ",  deep,
    };
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + t / deep.substr(0, 120)).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + t / deep.substr(0, 241)).c_str(), nullptr));
    for (const std::wstring& name : names) {
        FileHandle file(CreateFileW((L"\\\\?\\" + t / name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file) << testing::PrintToString(name);
        const std::string bytes(name.begin(), name.end());
        ASSERT_TRUE(WriteBytes(file.Get(), bytes));
    }
    for (const std::wstring& name : names) {
        FileHandle file = OpenFileByExactName(t / name);
        ASSERT_TRUE(file) << testing::PrintToString(name);
        char read[400]{};
        size_t got = 0;
        ASSERT_TRUE(ReadFileUpTo(file.Get(), read, sizeof read, got));
        EXPECT_EQ(std::string(read, got), std::string(name.begin(), name.end()));
    }
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(OpenFileByExactName(L""));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FALSE(OpenFileByExactName(t / L"plain  "));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetEnvironmentVariableW(L"VQ_EXACT_NAME", nullptr);
}
