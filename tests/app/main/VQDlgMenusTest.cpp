#include "app/main/VQDlgMenus.h"

#include "FakeShell.h"
#include "MainWndFixture.h"
#include "support/ScopedSetting.h"

#include <string>
#include <vector>

namespace {

// "id" of each item, "-" for a separator, "[title]" for a submenu.
std::vector<std::string> Items(HMENU menu) {
    std::vector<std::string> out;
    for (int position = 0;; ++position) {
        UINT id = 0;
        HMENU sub = nullptr;
        const int kind = MenuItemKind(menu, position, &id, &sub);
        if (kind < 0)
            break;
        out.push_back(kind == 2 ? "-" : kind == 1 ? "[]" : std::to_string(id));
    }
    return out;
}

std::vector<LanguageInfo> Languages(int count) {
    std::vector<LanguageInfo> list;
    for (int i = 0; i < count; ++i)
        list.push_back({L"l" + std::to_wstring(i) + L".ini", L"Lang " + std::to_wstring(i)});
    return list;
}

// Gives a shell menu of the words of `entries` for any selection, keeping
// each one made for a look at what was asked of it.
struct ShellSource {
    const wchar_t* entries = L"";
    std::vector<ComHandle<fake::ShellMenu>> made;

    static IContextMenu* Make(const std::vector<const FoundItem*>&, void* context) {
        auto* source = static_cast<ShellSource*>(context);
        auto* menu = new fake::ShellMenu(fake::Words(source->entries));
        menu->AddRef();
        source->made.emplace_back(menu);
        return menu;
    }
};

class VQDlgMenusTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        m_useCustom = Settings().HexViewer.UseCustomHexview.Get();
        m_customName = Settings().HexViewer.CustomHexviewName.Get();
        m_files = AddItems({{.name = L"one.txt"},
                            {.name = L"two.txt"},
                            {.name = L"dir", .attr = FILE_ATTRIBUTE_DIRECTORY}});
    }
    void TearDown() override {
        menus.Destroy();
        Settings().HexViewer.UseCustomHexview.Set(m_useCustom);
        Settings().HexViewer.CustomHexviewName.Set(m_customName);
        MainWndFixture::TearDown();
    }
    HMENU Sub(HMENU menu, int position) { return GetSubMenu(menu, position); }
    std::wstring TextOf(HMENU menu, int position) {
        mvMenu* wrapper = mvMenuMap::Get().Find(menu);
        return wrapper != nullptr ? wrapper->GetItemText(position).str() : L"<none>";
    }

    CVQDlgMenus menus;
    std::vector<FoundItem*> m_files;

private:
    bool m_useCustom = false;
    mvstring m_customName;
};

TEST_F(VQDlgMenusTest, BarHoldsTheFiveMenusWithTheirCommands) {
    const auto languages = Languages(2);
    menus.Build(parent.Handle(), false, &languages);
    const HMENU bar = menus.menuBar.Handle();
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(bar, GetMenu(parent.Handle()));
    const std::vector<std::wstring> titles = {L"&File", L"&Edit", L"&View", L"&Tools", L"&Help"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(titles[i], TextOf(bar, i));

    using V = std::vector<std::string>;
    EXPECT_EQ((V{"10001", "10002", "10013", "10014", "-", "10016", "10015", "10017", "-", "10019",
                 "10021", "10022", "-", "10018", "10023", "10024", "10020", "-", "10025"}),
              Items(Sub(bar, 0)));
    EXPECT_EQ((V{"10026", "10027", "-", "10028", "10029", "-", "10030", "10031"}),
              Items(Sub(bar, 1)));
    const HMENU view = Sub(bar, 2);
    EXPECT_EQ((V{"10032", "10033", "[]", "[]", "-", "10041", "10040", "10042", "10037", "10038",
                 "10039", "-", "[]", "[]"}),
              Items(view));
    EXPECT_EQ((V{"10034", "10035", "-", "10036"}), Items(Sub(view, 2)));
    EXPECT_EQ((V{"10044", "10045", "10046", "10047", "10048", "10049", "10050", "10051", "10052"}),
              Items(Sub(view, 3)));
    EXPECT_EQ((V{"10054", "10055", "10056", "10057", "10058", "10059", "10060", "10061", "10062",
                 "10063", "-", "10065", "10066"}),
              Items(Sub(view, 12)));
    EXPECT_EQ((V{"10067", "10068", "10069", "10070", "10071", "10072", "10073", "10074", "10075",
                 "10076", "-", "10078", "10079"}),
              Items(Sub(view, 13)));
    EXPECT_EQ(L"Extension", TextOf(Sub(view, 12), 8));
    EXPECT_EQ(L"(none)", TextOf(Sub(view, 13), 9));
    // The name column cannot be hidden.
    EXPECT_TRUE(GetMenuState(Sub(view, 3), 10044, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(Sub(view, 3), 10045, MF_BYCOMMAND) & MF_GRAYED);
    const HMENU tools = Sub(bar, 3);
    EXPECT_EQ((V{"10080", "-", "[]", "[]", "10086", "10087", "[]", "-", "10153"}), Items(tools));
    EXPECT_EQ((V{"10088", "10089"}), Items(Sub(tools, 6)));
    EXPECT_EQ(L"Lang 1", TextOf(Sub(tools, 6), 1));
    EXPECT_EQ((V{"1058", "1060", "10154", "-", "1059", "-", "10155"}), Items(Sub(bar, 4)));
}

TEST_F(VQDlgMenusTest, LanguageSubmenuOnlyForMoreThanOneAndAtMostSixtyFour) {
    using V = std::vector<std::string>;
    for (int count : {0, 1}) {
        const auto languages = Languages(count);
        menus.Build(parent.Handle(), false, &languages);
        EXPECT_EQ((V{"10080", "-", "[]", "[]", "10086", "10087", "-", "10153"}),
                  Items(Sub(menus.menuBar.Handle(), 3)))
            << count;
    }
    const auto many = Languages(70);
    menus.Build(parent.Handle(), true, &many);
    const V items = Items(Sub(Sub(menus.menuBar.Handle(), 3), 6));
    ASSERT_EQ(64u, items.size());
    EXPECT_EQ("10151", items.back());
}

TEST_F(VQDlgMenusTest, HexViewerItemTakesTheCustomNameWhenThereIsOne) {
    const auto languages = Languages(0);
    struct Case {
        bool use;
        const wchar_t* name;
        const wchar_t* shown;
    };
    for (const Case c : {Case{false, L"Mine", L"Hex&View"}, Case{true, L"", L"Hex&View"},
                         Case{true, L"Mine", L"Mine"}}) {
        Settings().HexViewer.UseCustomHexview.Set(c.use);
        Settings().HexViewer.CustomHexviewName.Set(c.name);
        menus.Build(parent.Handle(), true, &languages);
        EXPECT_EQ(c.shown, TextOf(Sub(menus.menuBar.Handle(), 0), 3));
        EXPECT_EQ(c.shown, TextOf(menus.itemsPopup.Handle(), 3));
    }
}

TEST_F(VQDlgMenusTest, PopupsHoldTheirItemsWithOpenAsDefault) {
    const auto languages = Languages(0);
    menus.Build(parent.Handle(), false, &languages);
    using V = std::vector<std::string>;
    const HMENU view = menus.viewPopup.Handle();
    EXPECT_EQ((V{"[]", "[]", "[]", "-", "10030", "-", "10018", "10020"}), Items(view));
    EXPECT_EQ((V{"10041", "10040", "10042", "10037", "10038", "10039"}), Items(Sub(view, 0)));
    EXPECT_EQ(Items(Sub(Sub(menus.menuBar.Handle(), 2), 12)), Items(Sub(view, 1)));
    EXPECT_EQ(Items(Sub(Sub(menus.menuBar.Handle(), 2), 13)), Items(Sub(view, 2)));
    const HMENU items = menus.itemsPopup.Handle();
    EXPECT_EQ((V{"10001", "10002", "10013", "10014", "-", "10026", "10027", "-", "10028", "10029",
                 "-", "10016", "10015", "-", "10017"}),
              Items(items));
    EXPECT_EQ(10001u, GetMenuDefaultItem(items, FALSE, 0));
    EXPECT_EQ(menus.GetMenu(2), &menus.itemsPopup);
    ASSERT_NE(nullptr, menus.GetMenu(0));
    EXPECT_EQ(Sub(menus.menuBar.Handle(), 0), menus.GetMenu(0)->Handle());
    EXPECT_EQ(nullptr, menus.GetMenu(1)); // no shell menu yet
    EXPECT_EQ(nullptr, menus.GetMenu(3));
}

TEST_F(VQDlgMenusTest, OpenWithEntryIsASubmenuOnlyForOneFileWithHandlers) {
    const auto languages = Languages(0);
    menus.Build(parent.Handle(), false, &languages);
    fake::HandlerSource source;
    menus.openWith.SetHandlerSource(&fake::HandlerSource::Enumerate, &source);
    using V = std::vector<std::string>;
    struct Case {
        std::vector<int> items;
        const wchar_t* handlers;
        int asked; // whether the open-with list was asked
        V entry;   // empty: the plain item
    };
    const Case cases[] = {
        {{0}, L"A B C", 1, {"10003", "10004", "10005", "-", "10002"}},
        {{0},
         L"A B C D E F G H I J K L",
         1,
         {"10003", "10004", "10005", "10006", "10007", "10008", "10009", "10010", "10011", "10012",
          "-", "10002"}},
        {{0, 1}, L"A B C", 1, {}},
        {{2}, L"A B C", 0, {}}, // a folder has no handlers
        {{0}, L"", 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handlers);
        std::vector<FoundItem*> selection;
        for (int i : c.items)
            selection.push_back(m_files[i]);
        menus.SetSelection({});
        source.names = c.handlers;
        source.asked = 0;
        EXPECT_EQ(-1, menus.SetSelection(selection)) << "the handlers have no icons";
        EXPECT_EQ(c.asked, source.asked);
        const HMENU items = menus.itemsPopup.Handle();
        EXPECT_EQ(15, GetMenuItemCount(items));
        UINT id = 0;
        HMENU sub = nullptr;
        if (c.entry.empty()) {
            EXPECT_EQ(0, MenuItemKind(items, 1, &id, &sub));
            EXPECT_EQ(10002u, id);
            EXPECT_EQ(L"Open &with...\tX", TextOf(items, 1));
        } else {
            EXPECT_EQ(1, MenuItemKind(items, 1, &id, &sub));
            EXPECT_EQ(c.entry, Items(sub));
            EXPECT_EQ(L"Open &with", TextOf(items, 1));
            EXPECT_EQ(L"B", TextOf(sub, 1));
        }
    }
}

TEST_F(VQDlgMenusTest, OpenWithTitleLosesThreeDotsButKeepsOne) {
    for (const auto& [value, title] :
         {std::pair{"Open with...", L"Open with"}, std::pair{"Open with.", L"Open with."},
          std::pair{"&Open with...\tCtrl+W", L"&Open with"}}) {
        ASSERT_TRUE(Language().SetLanguageFile(m_dir.WriteFile(
            L"dots.ini", std::string("\xEF\xBB\xBF[menu_file]\nopenwith = ") + value + "\n")));
        EXPECT_EQ(title, OpenWithSubmenuTitle().str());
        Language() = VQ_MLang();
    }
}

TEST_F(VQDlgMenusTest, ANewSelectionIsAnotherListOrOrderAndClearsTheFlags) {
    ScopedBoolSetting useShell(Settings().UseShellContextMenu, true);
    const auto languages = Languages(0);
    menus.Build(parent.Handle(), false, &languages);
    fake::HandlerSource source{L"A"};
    menus.openWith.SetHandlerSource(&fake::HandlerSource::Enumerate, &source);
    EXPECT_EQ(-1, menus.SetSelection({m_files[0], m_files[1]}));
    EXPECT_EQ(1, source.asked);
    menus.UpdateFileMenu();
    EXPECT_EQ(1 | 4, menus.Flags()) << "the shell menu is built for the File menu";
    menus.SetSelection({m_files[0], m_files[1]});
    EXPECT_EQ(1 | 4, menus.Flags()) << "the same selection changes nothing";
    EXPECT_EQ(1, source.asked);
    menus.SetSelection({m_files[1], m_files[0]});
    EXPECT_EQ(0, menus.Flags());
    EXPECT_EQ(2, source.asked);
    EXPECT_EQ((std::vector<FoundItem*>{m_files[1], m_files[0]}), menus.selection);
}

TEST_F(VQDlgMenusTest, FileMenuWithoutShellMenuShowsTheOwnItemsOncePerSelection) {
    ScopedBoolSetting useShell(Settings().UseShellContextMenu, false);
    const auto languages = Languages(0);
    menus.Build(parent.Handle(), false, &languages);
    menus.SetSelection({m_files[0]});
    const HMENU file = Sub(menus.menuBar.Handle(), 0);
    // Something else at the first two places, put back by the update.
    menus.GetMenu(0)->SetItem(0, L"changed", 7000, true);
    menus.UpdateFileMenu();
    UINT id = 0;
    EXPECT_EQ(0, MenuItemKind(file, 0, &id, nullptr));
    EXPECT_EQ(10001u, id);
    EXPECT_EQ(L"&Open\tCtrl+O", TextOf(file, 0));
    EXPECT_EQ(0, MenuItemKind(file, 1, &id, nullptr));
    EXPECT_EQ(10002u, id);
    // Once per selection: a second opening leaves the entries alone.
    menus.GetMenu(0)->SetItem(0, L"changed", 7000, true);
    menus.UpdateFileMenu();
    EXPECT_EQ(0, MenuItemKind(file, 0, &id, nullptr));
    EXPECT_EQ(7000u, id);
}

TEST_F(VQDlgMenusTest, FileMenuTakesTheShellsOpenVerbsOncePerSelection) {
    ScopedBoolSetting useShell(Settings().UseShellContextMenu, true);
    const auto languages = Languages(0);
    menus.Build(parent.Handle(), false, &languages);
    ShellSource shell{L"delete openas> open"};
    menus.shellMenu.SetItemsMenuSource(&ShellSource::Make, &shell);
    const HMENU file = Sub(menus.menuBar.Handle(), 0);
    UINT id = 0;
    HMENU sub = nullptr;

    menus.SetSelection({m_files[0]});
    menus.UpdateFileMenu();
    ASSERT_EQ(1u, shell.made.size());
    EXPECT_EQ(0, MenuItemKind(file, 0, &id, nullptr));
    EXPECT_EQ(7993u, id);
    EXPECT_EQ(L"open", TextOf(file, 0));
    ASSERT_NE(nullptr, menus.GetMenu(1));
    EXPECT_EQ(1, MenuItemKind(file, 1, &id, &sub));
    EXPECT_EQ(7992u, id);
    EXPECT_EQ(GetSubMenu(menus.GetMenu(1)->Handle(), 1), sub) << "the shell's own submenu";
    EXPECT_EQ(L"openas", TextOf(file, 1));
    const int reads = shell.made[0].Get()->verbReads;
    menus.UpdateFileMenu();
    EXPECT_EQ(reads, shell.made[0].Get()->verbReads) << "one walk per selection";

    // Another file, whose shell menu has no open-as entry, and handlers:
    // the entry leads to the program's open-with submenu. The shell's
    // submenu went with the old menu and is no longer lent.
    fake::HandlerSource handlers{L"A B"};
    menus.openWith.SetHandlerSource(&fake::HandlerSource::Enumerate, &handlers);
    shell.entries = L"properties open";
    menus.SetSelection({m_files[1]});
    EXPECT_FALSE(IsMenu(sub));
    EXPECT_EQ(0, MenuItemKind(file, 1, &id, nullptr))
        << "no destroyed submenu left in the File menu";
    EXPECT_EQ(10002u, id);
    menus.UpdateFileMenu();
    EXPECT_EQ(0, MenuItemKind(file, 0, &id, nullptr));
    EXPECT_EQ(7992u, id);
    HMENU own = nullptr;
    ASSERT_EQ(1, MenuItemKind(menus.itemsPopup.Handle(), 1, nullptr, &own));
    EXPECT_EQ(1, MenuItemKind(file, 1, &id, &sub));
    EXPECT_EQ(10002u, id);
    EXPECT_EQ(own, sub);
    EXPECT_EQ(L"Open &with", TextOf(file, 1));

    // A new selection replaces the items pop-up's submenu, a language switch
    // every menu: the File menu never keeps one that has gone.
    menus.SetSelection({m_files[0], m_files[1]});
    EXPECT_FALSE(IsMenu(own));
    EXPECT_EQ(0, MenuItemKind(file, 1, &id, nullptr));
    menus.SetSelection({m_files[1]});
    menus.UpdateFileMenu();
    ASSERT_EQ(1, MenuItemKind(menus.itemsPopup.Handle(), 1, nullptr, &own));
    menus.Build(parent.Handle(), true, &languages);
    EXPECT_FALSE(IsMenu(own));
    EXPECT_EQ(nullptr, menus.GetMenu(1)) << "the shell menu is let go";
    EXPECT_EQ(0, menus.Flags());
}

TEST_F(VQDlgMenusTest, ShellMenuFollowsTheSettingAndTheShiftState) {
    ScopedBoolSetting useShell(Settings().UseShellContextMenu, true);
    const auto languages = Languages(0);
    menus.Build(parent.Handle(), false, &languages);
    ShellSource shell{L"open delete"};
    menus.shellMenu.SetItemsMenuSource(&ShellSource::Make, &shell);
    menus.SetSelection({m_files[0]});
    menus.BuildShellMenu(false);
    ASSERT_NE(nullptr, menus.GetMenu(1));
    EXPECT_EQ(1, menus.Flags());
    EXPECT_EQ(L"open", menus.GetShellVerb(7991));
    menus.BuildShellMenu(true);
    EXPECT_EQ(1 | 2, menus.Flags());
    EXPECT_EQ(1u, shell.made.size()) << "Shift asks the same shell menu again";
    EXPECT_EQ(2, shell.made[0].Get()->queries);
    {
        ScopedBoolSetting off(Settings().UseShellContextMenu, false);
        menus.BuildShellMenu(true);
        EXPECT_EQ(nullptr, menus.GetMenu(1));
        EXPECT_EQ(L"", menus.GetShellVerb(7991));
    }
    // Back on, the same selection gets its menu again.
    menus.BuildShellMenu(false);
    EXPECT_NE(nullptr, menus.GetMenu(1));
    EXPECT_EQ(2u, shell.made.size());
}

TEST_F(VQDlgMenusTest, LanguageSwitchRebuildsEveryMenu) {
    const auto languages = Languages(0);
    menus.Build(parent.Handle(), false, &languages);
    const HMENU oldBar = menus.menuBar.Handle();
    ASSERT_TRUE(Language().SetLanguageFile(m_dir.WriteFile(
        L"other.ini", "\xEF\xBB\xBF[menu_file]\ntitle = &Fichier\nopen = Ouvrir\n"
                      "[menu_view]\nlv_list = Liste\n[list_columns]\nsize = Taille\n")));
    menus.Build(parent.Handle(), true, &languages);
    EXPECT_FALSE(IsMenu(oldBar));
    const HMENU bar = menus.menuBar.Handle();
    EXPECT_EQ(bar, GetMenu(parent.Handle()));
    EXPECT_EQ(L"&Fichier", TextOf(bar, 0));
    EXPECT_EQ(L"Ouvrir", TextOf(Sub(bar, 0), 0));
    EXPECT_EQ(L"Liste", TextOf(Sub(bar, 2), 6));
    EXPECT_EQ(L"Taille", TextOf(Sub(Sub(bar, 2), 12), 1));
    EXPECT_EQ(L"Liste", TextOf(Sub(menus.viewPopup.Handle(), 0), 1));
    EXPECT_EQ(L"Ouvrir", TextOf(menus.itemsPopup.Handle(), 0));
    EXPECT_EQ(L"&Edit", TextOf(bar, 1)); // keys the new file lacks keep their texts
}

} // namespace
