#include "app/main/VQDlgMenus.h"

#include "MainWndFixture.h"

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

class VQDlgMenusTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        m_useCustom = Settings().HexViewer.UseCustomHexview.Get();
        m_customName = Settings().HexViewer.CustomHexviewName.Get();
        m_files = AddItems({{.name = L"one.txt"}, {.name = L"two.txt"},
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
    using V = std::vector<std::string>;
    struct Case {
        std::vector<int> items;
        int handlers;
        V entry; // empty: the plain item
    };
    const Case cases[] = {
        {{0}, 3, {"10003", "10004", "10005", "-", "10002"}},
        {{0}, 12, {"10003", "10004", "10005", "10006", "10007", "10008", "10009", "10010", "10011",
                   "10012", "-", "10002"}},
        {{0, 1}, 3, {}},
        {{2}, 3, {}},
        {{0}, 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<FoundItem*> selection;
        for (int i : c.items)
            selection.push_back(m_files[i]);
        menus.selection = selection;
        menus.openWithNames.clear();
        for (int i = 0; i < c.handlers; ++i)
            menus.openWithNames.push_back(L"Handler " + std::to_wstring(i));
        menus.BuildOpenWithMenu();
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
            EXPECT_EQ(L"Handler 1", TextOf(sub, 1));
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
    const auto languages = Languages(0);
    menus.Build(parent.Handle(), false, &languages);
    EXPECT_EQ(-1, menus.SetSelection({m_files[0], m_files[1]}));
    menus.UpdateFileMenu();
    EXPECT_EQ(4, menus.flags);
    menus.SetSelection({m_files[0], m_files[1]});
    EXPECT_EQ(4, menus.flags); // the same selection changes nothing
    menus.SetSelection({m_files[1], m_files[0]});
    EXPECT_EQ(0, menus.flags);
    EXPECT_EQ((std::vector<FoundItem*>{m_files[1], m_files[0]}), menus.selection);
}

TEST_F(VQDlgMenusTest, FileMenuWithoutShellMenuShowsTheOwnItemsOncePerSelection) {
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
