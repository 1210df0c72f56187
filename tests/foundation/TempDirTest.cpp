// The fixture folder clean-up: it must take trees deeper than MAX_PATH and
// must never touch anything outside the folder it made.
#include <windows.h>

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {
bool Exists(const std::wstring& path) {
    return GetFileAttributesW((L"\\\\?\\" + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

TEST(TempDir, RemovesTreesDeeperThanMaxPathAndNothingElse) {
    // The current folder holds a marker that the clean-up must leave alone.
    TempDir outside;
    const std::wstring marker = outside.WriteFile(L"marker.txt", "keep");
    wchar_t previous[MAX_PATH + 1]{};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(outside.Path().c_str()));

    std::wstring root, deepFile;
    {
        TempDir fixture;
        root = fixture.Path();
        std::wstring folder = root;
        while (folder.size() < 400) {
            folder += L"\\" + std::wstring(40, L'd');
            ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
        }
        deepFile = folder + L"\\deep.txt";
        HANDLE file = CreateFileW((L"\\\\?\\" + deepFile).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        ASSERT_TRUE(Exists(deepFile));
    }
    SetCurrentDirectoryW(previous);

    EXPECT_FALSE(Exists(deepFile));
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(Exists(marker));
}
