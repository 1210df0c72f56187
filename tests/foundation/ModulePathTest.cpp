#include "foundation/ModulePath.h"

#include <gtest/gtest.h>

TEST(GetModulePath, FolderFileAndNamesBesideTheProgram) {
    const mvstring folder = GetModulePath();
    const mvstring file = GetModulePath(L"");
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(file, folder + L"\\foundation_tests.exe");
    EXPECT_EQ(GetModulePath(L"Lang"), folder + L"\\Lang");
    EXPECT_EQ(GetModulePath(L"Theme\\dark.ini"), folder + L"\\Theme\\dark.ini");
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}
