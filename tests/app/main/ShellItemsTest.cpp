#include "app/main/ShellItems.h"

#include "search/FoundItem.h"

#include "support/TempDir.h"
#include "support/TestItems.h"
#include "ui/ProbeWnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(ResultsFolderViewTest, OneMenuForItemsOfManyFolders) {
    TempDir dir;
    dir.WriteFile(L"one\\a.txt", "a");
    dir.WriteFile(L"two\\b.txt", "b");
    dir.WriteFile(L"three\\c.txt", "c");
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        ProbeWnd window;
        ASSERT_TRUE(CreateTopLevel(window));
        ResultsFolderView view;
        if (!view.Create(window.Handle())) {
            EXPECT_FALSE(view.IsCreated());
            std::vector<const FoundItem*> none;
            EXPECT_EQ(view.GetItemsContextMenu(none), nullptr);
            GTEST_SKIP() << "the shell has no results folder here";
        }
        std::vector<std::unique_ptr<FoundItem>> owned;
        std::vector<const FoundItem*> items, missing;
        const struct {
            const wchar_t* folder;
            const wchar_t* name;
        } kFiles[] = {{L"one", L"a.txt"}, {L"two", L"b.txt"}, {L"three", L"c.txt"}};
        for (const auto& file : kFiles) {
            auto item = std::make_unique<FoundItem>();
            std::wstring path = dir / file.folder;
            TestItem{path.c_str(), file.name, 1}.FillIn(*item);
            items.push_back(item.get());
            owned.push_back(std::move(item));
        }
        auto gone = std::make_unique<FoundItem>();
        std::wstring nowhere = dir / L"nowhere\\deeper";
        TestItem{nowhere.c_str(), L"x.txt", 1}.FillIn(*gone);
        missing.push_back(gone.get());

        IContextMenu* menu = view.GetItemsContextMenu(items);
        ASSERT_NE(menu, nullptr);
        menu->Release();
        EXPECT_EQ(view.GetItemsContextMenu(missing), nullptr);
    }
    OleUninitialize();
}

} // namespace
