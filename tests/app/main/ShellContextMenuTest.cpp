#include "app/main/ShellContextMenu.h"

#include "search/FoundItem.h"
#include "ui/core/mvComBase.h"

#include "FakeShell.h"
#include "../shared/LanguageScope.h"
#include "support/TempDir.h"
#include "support/TestItems.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr char kMenuTexts[] = "[menu_file]\r\n"
                              "delete = &Delete\\tDel\r\n"
                              "rename = Rena&me\\tF2\r\n"
                              "properties = P&roperties\\tAlt+Enter\r\n"
                              "openfolder = Open containing &folder\r\n"
                              "[menu_edit]\r\n"
                              "cut = Cu&t\\tCtrl+X\r\n"
                              "copy = &Copy\\tCtrl+C\r\n";

using FakeShellMenu = fake::ShellMenu;
using fake::Words;

// The menu's items as "id" or "-" for a separator, blank-separated.
std::wstring Layout(HMENU menu) {
    std::wstring layout;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        if (!layout.empty())
            layout += L' ';
        layout += (info.fType & MFT_SEPARATOR) ? std::wstring(L"-") : std::to_wstring(info.wID);
    }
    return layout;
}

int PositionOf(HMENU menu, UINT id) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        if (GetMenuItemID(menu, i) == id)
            return i;
    return -1;
}

TEST(ShellMenuMergeTest, TakesOverRemovesAndCollapses) {
    LanguageScope language(kMenuTexts);
    ASSERT_TRUE(language.loaded);
    const struct {
        const wchar_t* shell;
        bool oneFile;
        const wchar_t* merged;
    } kCases[] = {
        // The program's delete, rename, cut and copy; delete and rename
        // brought together; properties gone; no separator twice or last.
        {L"- open - cut copy - delete - rename - properties -", true,
         L"7992 - 10026 10027 - 10016 10015 - 10013 10014 - 10017"},
        // A folder: no hex viewer item. Paste between separators goes and
        // the separators collapse.
        {L"open - paste - link", false, L"7991 - 7995 - 10013 - 10017"},
        // The shell's containing-folder entry becomes the open-folder item.
        {L"open opencontaining - Delete", true, L"7991 - 10016 - 7992 10014 - 10017"},
        // Verbs are matched ignoring case; an entry without a readable verb
        // stays as the shell gave it.
        {L"!delete COPY", false, L"7991 10027 - 10013 - 10017"},
        // Rename stays apart from a delete that is not right before its
        // separator.
        {L"delete open - rename", false, L"10016 7992 - 10015 - 10013 - 10017"},
        // Nothing from the shell: Properties still stands apart.
        {L"", true, L"10013 10014 - 10017"},
        {L"- properties - paste -", false, L"10013 - 10017"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.shell);
        auto* shell = new FakeShellMenu(Words(c.shell));
        mvMenu menu(true);
        ASSERT_TRUE(menu.CreatePopup());
        shell->QueryContextMenu(menu.Handle(), 0, kShellCommandFirst, kShellCommandLast, 0);
        EXPECT_TRUE(MergeShellMenu(menu, shell, c.oneFile));
        EXPECT_EQ(Layout(menu.Handle()), c.merged);
        shell->Release();
    }
}

TEST(ShellMenuMergeTest, CaptionsOfTheProgramAndOfTheShellsFolderEntry) {
    LanguageScope language(kMenuTexts);
    ASSERT_TRUE(language.loaded);
    auto* shell = new FakeShellMenu(Words(L"delete rename cut copy opencontaining"));
    mvMenu menu(true);
    ASSERT_TRUE(menu.CreatePopup());
    shell->QueryContextMenu(menu.Handle(), 0, kShellCommandFirst, kShellCommandLast, 0);
    ASSERT_TRUE(MergeShellMenu(menu, shell, true));
    const struct {
        UINT id;
        const wchar_t* text;
    } kTexts[] = {{10016, L"&Delete\tDel"},          {10015, L"Rena&me\tF2"},
                  {10026, L"Cu&t\tCtrl+X"},          {10027, L"&Copy\tCtrl+C"},
                  {7995, L"opencontaining"},         {10014, L"HexView"},
                  {10017, L"P&roperties\tAlt+Enter"}};
    for (const auto& t : kTexts) {
        int at = PositionOf(menu.Handle(), t.id);
        ASSERT_GE(at, 0) << t.id;
        EXPECT_EQ(menu.GetItemText(at), t.text) << t.id;
    }
    shell->Release();
}

TEST(ShellMenuMergeTest, VerbOfACommand) {
    auto* shell = new FakeShellMenu(Words(L"open !hidden cut"));
    EXPECT_EQ(GetShellVerb(shell, 7993), L"cut");
    EXPECT_EQ(GetShellVerb(shell, 7992), L"");
    EXPECT_EQ(GetShellVerb(shell, 7990), L"");
    EXPECT_EQ(GetShellVerb(nullptr, 7991), L"");
    shell->Release();
}

// Items of the test's own, as results.
struct Items {
    std::vector<std::unique_ptr<FoundItem>> owned;
    std::vector<const FoundItem*> selection;
    void Add(const std::wstring& folder, const wchar_t* name, std::uint32_t attr = 0x20) {
        auto item = std::make_unique<FoundItem>();
        TestItem{folder.c_str(), name, 1, attr}.FillIn(*item);
        selection.push_back(item.get());
        owned.push_back(std::move(item));
    }
};

struct SourceProbe {
    std::vector<std::wstring> entries;
    int asked = 0;
    FakeShellMenu* last = nullptr;
};

IContextMenu* FakeSource(const std::vector<const FoundItem*>&, void* context) {
    auto* probe = static_cast<SourceProbe*>(context);
    ++probe->asked;
    probe->last = new FakeShellMenu(probe->entries);
    probe->last->AddRef(); // kept for the test's own look
    return probe->last;
}

TEST(ShellContextMenuTest, KeptForTheSelectionRebuiltForShiftAndNewSelection) {
    Items items;
    items.Add(L"C:\\one", L"a.txt");
    items.Add(L"C:\\two", L"b.txt");
    SourceProbe probe{Words(L"open delete")};
    ShellContextMenu menu;
    menu.SetItemsMenuSource(FakeSource, &probe);

    menu.Build(items.selection, true, false);
    ASSERT_TRUE(menu.CanShow());
    EXPECT_EQ(probe.last->queries, 1);
    EXPECT_EQ(probe.last->lastFlags, static_cast<UINT>(CMF_CANRENAME));
    EXPECT_EQ(Layout(menu.Menu().Handle()), L"7991 10016 - 10013 - 10017");

    menu.Build(items.selection, true, false);
    EXPECT_EQ(probe.last->queries, 1) << "the same selection keeps its menu";

    menu.Build(items.selection, true, true);
    EXPECT_EQ(probe.asked, 1) << "Shift asks the same shell menu again";
    EXPECT_EQ(probe.last->queries, 2);
    EXPECT_EQ(probe.last->lastFlags, static_cast<UINT>(CMF_CANRENAME | CMF_EXTENDEDVERBS));
    EXPECT_EQ(Layout(menu.Menu().Handle()), L"7991 10016 - 10013 - 10017");

    menu.Build(items.selection, true, false);
    EXPECT_EQ(probe.last->queries, 3);
    EXPECT_EQ(probe.last->lastFlags, static_cast<UINT>(CMF_CANRENAME));

    EXPECT_TRUE(menu.Invoke(nullptr, 7991, false));
    EXPECT_FALSE(menu.Invoke(nullptr, 10016, false));
    EXPECT_FALSE(menu.Invoke(nullptr, 7991, true));
    EXPECT_EQ(probe.last->invoked, std::vector<int>{0});

    FakeShellMenu* first = probe.last;
    menu.Reset();
    menu.Build(items.selection, true, false);
    EXPECT_EQ(probe.asked, 2) << "a new selection asks the shell again";

    menu.Build(items.selection, false, false);
    EXPECT_FALSE(menu.CanShow()) << "the setting off releases the shell menu";
    first->Release();
    probe.last->Release();
}

TEST(ShellContextMenuTest, ItemsOfSeveralFoldersWithoutResultsFolderGetNone) {
    TempDir dir;
    std::wstring sub = dir / L"sub";
    dir.WriteFile(L"a.txt", "a");
    dir.WriteFile(L"sub\\b.txt", "b");
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        Items items;
        items.Add(dir.Path(), L"a.txt");
        items.Add(sub, L"b.txt");
        EXPECT_EQ(GetSameFolderContextMenu(items.selection), nullptr);
        ShellContextMenu menu;
        menu.Build(items.selection, true, false);
        EXPECT_TRUE(menu.IsBuilt());
        EXPECT_FALSE(menu.CanShow());

        // A file deleted since the search still has its menu, made from
        // what the search saw (the shell reports what then fails); a path
        // that does not parse has none.
        Items missing;
        missing.Add(dir.Path(), L"gone.txt");
        IContextMenu* gone = GetSameFolderContextMenu(missing.selection);
        EXPECT_NE(gone, nullptr);
        if (gone != nullptr)
            gone->Release();
        Items unparsable;
        unparsable.Add(L"", L"");
        EXPECT_EQ(GetSameFolderContextMenu(unparsable.selection), nullptr);
    }
    CoUninitialize();
}

// The data object on the clipboard names exactly these files.
std::vector<std::wstring> ClipboardFiles() {
    std::vector<std::wstring> files;
    ComHandle<IDataObject> object;
    if (FAILED(OleGetClipboard(object.Put())))
        return files;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(object.Get()->GetData(&format, &medium)))
        return files;
    auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH] = {};
        DragQueryFileW(drop, i, path, MAX_PATH);
        files.push_back(path);
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return files;
}

TEST(ShellContextMenuTest, SameFolderSelectionRunsARealShellVerb) {
    TempDir dir;
    dir.WriteFile(L"a.txt", "a");
    dir.WriteFile(L"b.txt", "b");
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        Items items;
        items.Add(dir.Path(), L"b.txt");
        items.Add(dir.Path(), L"a.txt");
        ShellContextMenu menu;
        menu.Build(items.selection, true, false);
        ASSERT_TRUE(menu.CanShow());
        HMENU handle = menu.Menu().Handle();
        // The shell's copy and properties as the program's; its copy
        // command stays reachable through its verb.
        EXPECT_GE(PositionOf(handle, kCommandCopy), 0);
        EXPECT_EQ(GetMenuItemID(handle, GetMenuItemCount(handle) - 1), kCommandProperties);
        EXPECT_LT(PositionOf(handle, kCommandHexView), 0) << "two files";
        UINT copy = 0;
        for (UINT id = kShellCommandFirst; id < kShellCommandFirst + 64 && copy == 0; ++id)
            if (GetShellVerb(menu.Shell(), id) == L"copy")
                copy = id;
        ASSERT_NE(copy, 0u);
        OleSetClipboard(nullptr);
        EXPECT_TRUE(SUCCEEDED(InvokeShellCommand(menu.Shell(), nullptr, copy)));
        std::vector<std::wstring> files = ClipboardFiles();
        ASSERT_EQ(files.size(), 2u);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files[0], dir / L"a.txt");
        EXPECT_EQ(files[1], dir / L"b.txt");
        OleSetClipboard(nullptr);
        menu.Reset();
    }
    OleUninitialize();
}

} // namespace
