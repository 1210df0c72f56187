#include "app/shared/FileOperationSink.h"

#include "foundation/Handles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

namespace {

ComHandle<IShellItem> ShellItem(const std::wstring& path) {
    ComHandle<IShellItem> item;
    SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItem,
                                reinterpret_cast<void**>(item.Put()));
    return item;
}

// The shell's file operation does nothing under Wine, so the sink is told
// what the shell would tell it, with real items.
TEST(FileOperationSinkTest, RecordsTheNamesOfRenamesThatMadeAnItem) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
        TempDir dir;
        const std::wstring a = dir.WriteFile(L"a.txt", "a");
        const std::wstring b = dir.WriteFile(L"b.txt", "b");
        const std::wstring renamed = dir.WriteFile(L"renamed.txt", "r");
        const ComHandle<IShellItem> itemA = ShellItem(a), itemB = ShellItem(b),
                                    created = ShellItem(renamed);
        ASSERT_TRUE(itemA && itemB && created);

        CVQFileOperationProgressSink sink;
        EXPECT_EQ(sink.PostRenameItem(0, itemA.Get(), L"first.txt", S_OK, created.Get()), S_OK);
        // Failed (nothing made), or told without a name or an item: nothing.
        EXPECT_EQ(sink.PostRenameItem(0, itemB.Get(), L"x.txt", E_FAIL, nullptr), S_OK);
        EXPECT_EQ(sink.PostRenameItem(0, itemB.Get(), L"", S_OK, created.Get()), S_OK);
        EXPECT_EQ(sink.PostRenameItem(0, itemB.Get(), nullptr, S_OK, created.Get()), S_OK);
        EXPECT_EQ(sink.PostRenameItem(0, nullptr, L"y.txt", S_OK, created.Get()), S_OK);
        ASSERT_EQ(sink.Renames().size(), 1u);
        EXPECT_EQ(sink.Renames().begin()->second, L"first.txt");

        // The same path in other letter case is the same entry, with the
        // later name.
        std::wstring upper = a;
        for (wchar_t& ch : upper)
            ch = static_cast<wchar_t>(towupper(ch));
        const ComHandle<IShellItem> itemUpper = ShellItem(upper);
        ASSERT_TRUE(itemUpper);
        sink.PostRenameItem(0, itemUpper.Get(), L"second.txt", S_OK, created.Get());
        ASSERT_EQ(sink.Renames().size(), 1u);
        EXPECT_EQ(sink.Renames().find(a)->second, L"second.txt");
    }
    CoUninitialize();
}

} // namespace
