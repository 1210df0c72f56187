#include "app/main/VQDlgMenus.h"

#include "foundation/Handles.h"
#include "foundation/HexViewerCommand.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"

#include <algorithm>

namespace {

using MenuHandle = mvHandle<HMENU, ::DestroyMenu>;

constexpr size_t kMaxLanguages = 64;

// A row of a menu table: a command with its caption, a separator (id 0 and
// no key), or a submenu start or end.
enum RowKind : std::uint8_t { Item, Separator, SubStart, SubEnd };
struct MenuRow {
    RowKind kind;
    UINT id;
    const wchar_t* section;
    const wchar_t* key;
};

void AppendRows(mvMenu* menu, const MenuRow* first, const MenuRow* last) {
    std::vector<mvMenu*> stack;
    for (const MenuRow* row = first; row != last; ++row) {
        mvMenu* into = stack.empty() ? menu : stack.back();
        if (into == nullptr && row->kind != SubEnd)
            continue;
        switch (row->kind) {
        case Item:
            into->AppendItem(row->id, GetLangText(row->section, row->key).c_str(), nullptr);
            break;
        case Separator:
            into->AppendItem(0, nullptr, nullptr);
            break;
        case SubStart:
            stack.push_back(into->AddSubMenu(GetLangText(row->section, row->key).c_str()));
            break;
        case SubEnd:
            stack.pop_back();
            break;
        }
    }
}

template <size_t N> void AppendRows(mvMenu* menu, const MenuRow (&rows)[N]) {
    AppendRows(menu, rows, rows + N);
}

constexpr MenuRow kFileRows[] = {
    {Item, 10001, L"menu_file", L"open"},
    {Item, 10002, L"menu_file", L"openwith"},
    {Item, 10013, L"menu_file", L"openfolder"},
};
constexpr MenuRow kFileRowsAfterHex[] = {
    {Separator, 0, nullptr, nullptr},
    {Item, 10016, L"menu_file", L"delete"},
    {Item, 10015, L"menu_file", L"rename"},
    {Item, 10017, L"menu_file", L"properties"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10019, L"menu_file", L"loadsearch"},
    {Item, 10021, L"menu_file", L"savesearch"},
    {Item, 10022, L"menu_file", L"exportsearch"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10018, L"menu_file", L"startsearch"},
    {Item, 10023, L"menu_file", L"searchinresult"},
    {Item, 10024, L"menu_file", L"undosir"},
    {Item, 10020, L"menu_file", L"pause"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10025, L"menu_file", L"exit"},
};
constexpr MenuRow kEditRows[] = {
    {Item, 10026, L"menu_edit", L"cut"},
    {Item, 10027, L"menu_edit", L"copy"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10028, L"menu_edit", L"copytofolder"},
    {Item, 10029, L"menu_edit", L"movetofolder"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10030, L"menu_edit", L"selectall"},
    {Item, 10031, L"menu_edit", L"invertsel"},
};
constexpr MenuRow kViewTopRows[] = {
    {Item, 10032, L"menu_view", L"toolbar"},
    {Item, 10033, L"menu_view", L"statusbar"},
    {SubStart, 0, L"menu_view", L"searchpanel"},
    {Item, 10034, L"menu_view", L"searchpanel_left"},
    {Item, 10035, L"menu_view", L"searchpanel_right"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10036, L"menu_view", L"searchpanel_autohide"},
    {SubEnd, 0, nullptr, nullptr},
};
constexpr MenuRow kToolsTopRows[] = {
    {Item, 10080, L"menu_tools", L"clearhistory"},
    {Separator, 0, nullptr, nullptr},
    {SubStart, 0, L"menu_tools", L"shellext"},
    {Item, 10081, L"menu_tools", L"shell_filetype"},
    {Item, 10082, L"menu_tools", L"shell_cm"},
    {SubEnd, 0, nullptr, nullptr},
    {SubStart, 0, L"menu_tools", L"defsearch"},
    {Item, 10083, L"menu_tools", L"defsearch_save"},
    {Item, 10084, L"menu_tools", L"defsearch_reset"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10085, L"menu_tools", L"defsearch_auto"},
    {SubEnd, 0, nullptr, nullptr},
    {Item, 10086, L"menu_tools", L"customhexview"},
    {Item, 10087, L"menu_tools", L"font"},
};
constexpr MenuRow kHelpRows[] = {
    {Item, 1058, L"menu_help", L"help"},     {Item, 1060, L"menu_help", L"web"},
    {Item, 10154, L"menu_help", L"cmdline"}, {Separator, 0, nullptr, nullptr},
    {Item, 1059, L"menu_help", L"donate"},   {Separator, 0, nullptr, nullptr},
    {Item, 10155, L"menu_help", L"about"},
};
constexpr MenuRow kItemsRowsAfterHex[] = {
    {Separator, 0, nullptr, nullptr},
    {Item, 10026, L"menu_edit", L"cut"},
    {Item, 10027, L"menu_edit", L"copy"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10028, L"menu_edit", L"copytofolder"},
    {Item, 10029, L"menu_edit", L"movetofolder"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10016, L"menu_file", L"delete"},
    {Item, 10015, L"menu_file", L"rename"},
    {Separator, 0, nullptr, nullptr},
    {Item, 10017, L"menu_file", L"properties"},
};

void AppendViewModes(mvMenu* menu) {
    if (menu == nullptr)
        return;
    std::vector<ViewModeEntry> modes;
    GetViewModeNames(modes);
    for (const ViewModeEntry& mode : modes)
        menu->AppendItem(kCommandViewModeFirst + static_cast<UINT>(mode.Mode), mode.Name.c_str(),
                         nullptr);
}

// The nine column titles under ids first..first+8, then for sort and group
// "none" and the two directions.
void AppendColumns(mvMenu* menu, const std::vector<mvstring>& titles, UINT first) {
    if (menu == nullptr)
        return;
    for (size_t id = 0; id < titles.size(); ++id)
        menu->AppendItem(first + static_cast<UINT>(id), titles[id].c_str(), nullptr);
}

void AppendOrderRows(mvMenu* menu, UINT none, UINT ascending) {
    if (menu == nullptr)
        return;
    menu->AppendItem(none, GetLangText(L"global", L"none").c_str(), nullptr);
    menu->AppendItem(0, nullptr, nullptr);
    menu->AppendItem(ascending, GetLangText(L"menu_view", L"ascending").c_str(), nullptr);
    menu->AppendItem(ascending + 1, GetLangText(L"menu_view", L"descending").c_str(), nullptr);
}

} // namespace

int MenuItemKind(HMENU menu, int position, UINT* id, HMENU* submenu) {
    if (id != nullptr)
        *id = 0;
    if (submenu != nullptr)
        *submenu = nullptr;
    if (menu == nullptr || position < 0)
        return -1;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info))
        return -1;
    if (id != nullptr)
        *id = info.wID;
    if (submenu != nullptr)
        *submenu = info.hSubMenu;
    if (info.hSubMenu != nullptr)
        return 1;
    return (info.fType & MFT_SEPARATOR) ? 2 : 0;
}

mvstring OpenWithSubmenuTitle() {
    mvstring text = GetLangText(L"menu_file", L"openwith");
    text.StripMenuText(true, 1, 0);
    return text;
}

CVQDlgMenus::CVQDlgMenus() {
    shellMenu.SetItemsMenuSource(&ResultsFolderView::ItemsMenu, &resultsView);
}

void CVQDlgMenus::Build(HWND window, bool rebuild, const std::vector<LanguageInfo>* languages) {
    ReturnBorrowedSubmenu();
    BuildBar(languages != nullptr ? *languages : ListLanguages());
    BuildViewPopup();
    BuildItemsPopup();
    RegisterMenuBar(menuBar.Handle(), window);
    if (window != nullptr)
        SetMenu(window, menuBar.Handle());
    if (rebuild) {
        shellMenu.Reset();
        m_fileMenuUpdated = false;
    } else if (!Settings().NoIExplorerBrowser && window != nullptr) {
        // Where the shell has no results folder this leaves nothing, and the
        // shell menu is made for items of one folder only.
        resultsView.Create(window);
    }
}

void CVQDlgMenus::BuildBar(const std::vector<LanguageInfo>& languages) {
    menuBar.CreateMenuBar();
    std::vector<mvstring> titles;
    GetColumnTitles(titles, false);
    const mvstring hexName = GetHexViewAppName();

    mvMenu* file = menuBar.AddSubMenu(GetLangText(L"menu_file", L"title").c_str());
    AppendRows(file, kFileRows);
    if (file != nullptr)
        file->AppendItem(kCommandHexView, hexName.c_str(), nullptr);
    AppendRows(file, kFileRowsAfterHex);

    AppendRows(menuBar.AddSubMenu(GetLangText(L"menu_edit", L"title").c_str()), kEditRows);

    if (mvMenu* view = menuBar.AddSubMenu(GetLangText(L"menu_view", L"title").c_str())) {
        AppendRows(view, kViewTopRows);
        if (mvMenu* columns = view->AddSubMenu(GetLangText(L"menu_view", L"columns").c_str())) {
            AppendColumns(columns, titles, kCommandColumnFirst);
            // The name column is always shown.
            EnableMenuItem(columns->Handle(), kCommandColumnFirst, MF_BYCOMMAND | MF_GRAYED);
        }
        view->AppendItem(0, nullptr, nullptr);
        AppendViewModes(view);
        view->AppendItem(0, nullptr, nullptr);
        mvMenu* sort = view->AddSubMenu(GetLangText(L"menu_view", L"sort").c_str());
        AppendColumns(sort, titles, kCommandSortFirst);
        AppendOrderRows(sort, kCommandSortNone, 10065);
        mvMenu* group = view->AddSubMenu(GetLangText(L"menu_view", L"group").c_str());
        AppendColumns(group, titles, kCommandGroupFirst);
        AppendOrderRows(group, kCommandGroupNone, 10078);
    }

    if (mvMenu* tools = menuBar.AddSubMenu(GetLangText(L"menu_tools", L"title").c_str())) {
        AppendRows(tools, kToolsTopRows);
        if (languages.size() > 1) {
            if (mvMenu* list = tools->AddSubMenu(GetLangText(L"menu_tools", L"language").c_str())) {
                const size_t count = std::min(languages.size(), kMaxLanguages);
                for (size_t i = 0; i < count; ++i)
                    list->AppendItem(kCommandLanguageFirst + static_cast<UINT>(i),
                                     languages[i].DisplayName.c_str(), nullptr);
            }
        }
        tools->AppendItem(0, nullptr, nullptr);
        tools->AppendItem(10153, GetLangText(L"menu_tools", L"options").c_str(), nullptr);
    }

    AppendRows(menuBar.AddSubMenu(GetLangText(L"menu_help", L"title").c_str()), kHelpRows);
}

void CVQDlgMenus::BuildViewPopup() {
    if (!viewPopup.CreatePopup())
        return;
    AppendViewModes(viewPopup.AddSubMenu(GetLangText(L"menu_view", L"title").c_str()));
    for (UINT first :
         {static_cast<UINT>(kCommandSortFirst), static_cast<UINT>(kCommandGroupFirst)}) {
        mvMenu* copy = viewPopup.AddSubMenu(
            GetLangText(L"menu_view", first == kCommandSortFirst ? L"sort" : L"group").c_str());
        const mvMenu* from = menuBar.FindSubMenuWithCommand(first);
        if (copy != nullptr && from != nullptr)
            copy->CopyFrom(*from);
    }
    viewPopup.AppendItem(0, nullptr, nullptr);
    viewPopup.AppendItem(10030, GetLangText(L"menu_edit", L"selectall").c_str(), nullptr);
    viewPopup.AppendItem(0, nullptr, nullptr);
    viewPopup.AppendItem(10018, GetLangText(L"menu_file", L"startsearch").c_str(), nullptr);
    viewPopup.AppendItem(10020, GetLangText(L"menu_file", L"pause").c_str(), nullptr);
}

void CVQDlgMenus::BuildItemsPopup() {
    if (!itemsPopup.CreatePopup())
        return;
    AppendRows(&itemsPopup, kFileRows);
    itemsPopup.AppendItem(kCommandHexView, GetHexViewAppName().c_str(), nullptr);
    AppendRows(&itemsPopup, kItemsRowsAfterHex);
    itemsPopup.SetDefaultItem(kCommandOpen);
}

mvMenu* CVQDlgMenus::GetMenu(int which) {
    mvMenu* menu = nullptr;
    switch (which) {
    case 0:
        menu = menuBar.Handle() != nullptr ? menuBar.GetSubMenu(0) : nullptr;
        break;
    case 1:
        menu = &shellMenu.Menu();
        break;
    case 2:
        menu = &itemsPopup;
        break;
    default:
        break;
    }
    return menu != nullptr && menu->Handle() != nullptr ? menu : nullptr;
}

std::uint16_t CVQDlgMenus::Flags() const {
    return static_cast<std::uint16_t>((shellMenu.IsBuilt() ? 1 : 0) |
                                      (shellMenu.BuiltWithShift() ? 2 : 0) |
                                      (m_fileMenuUpdated ? 4 : 0));
}

int CVQDlgMenus::SetSelection(const std::vector<FoundItem*>& items) {
    if (items == selection)
        return openWith.empty() ? -1 : openWith[0].icon;
    ReturnBorrowedSubmenu();
    selection = items;
    const int icon = openWith.Rebuild(ConstSelection());
    shellMenu.Reset();
    BuildOpenWithMenu();
    m_fileMenuUpdated = false;
    return icon;
}

void CVQDlgMenus::BuildOpenWithMenu() {
    if (selection.empty() || itemsPopup.Handle() == nullptr)
        return;
    ReturnBorrowedSubmenu();
    itemsPopup.DeleteItem(1);
    if (selection.size() == 1 && !selection.front()->IsFolder() && !openWith.empty()) {
        MenuHandle submenu(CreatePopupMenu());
        const HMENU handle = submenu.Get();
        if (handle != nullptr &&
            itemsPopup.InsertItem(1, 0, OpenWithSubmenuTitle().c_str(), handle)) {
            (void)submenu.Release(); // the items pop-up owns it now
            if (mvMenu* list = itemsPopup.GetSubMenu(1)) {
                const size_t count = std::min(openWith.size(), kMaxOpenWithHandlers);
                for (size_t i = 0; i < count; ++i)
                    list->AppendItem(kCommandOpenWithFirst + static_cast<UINT>(i),
                                     openWith[i].name.c_str(), nullptr);
                list->AppendItem(0, nullptr, nullptr);
                list->AppendItem(kCommandOpenWith,
                                 GetLangText(L"menu_file", L"openwithchoose").c_str(), nullptr);
            }
            return;
        }
    }
    itemsPopup.InsertItem(1, kCommandOpenWith, GetLangText(L"menu_file", L"openwith").c_str(),
                          nullptr);
}

void CVQDlgMenus::BuildShellMenu() {
    BuildShellMenu(GetAsyncKeyState(VK_SHIFT) < 0);
}

void CVQDlgMenus::BuildShellMenu(bool shift) {
    const bool use = Settings().UseShellContextMenu.Get();
    // A menu made anew takes the submenus of the old one with it.
    const bool kept =
        use ? selection.empty() || (shellMenu.IsBuilt() && shellMenu.BuiltWithShift() == shift)
            : shellMenu.Menu().Handle() == nullptr;
    if (!kept)
        ReturnBorrowedSubmenu();
    shellMenu.Build(ConstSelection(), use, shift);
}

void CVQDlgMenus::UpdateFileMenu() {
    if (m_fileMenuUpdated)
        return;
    BuildShellMenu();
    m_fileMenuUpdated = true;
    UINT openId = 0, openAsId = 0;
    mvstring openText, openAsText;
    HMENU openAsMenu = nullptr;
    const HMENU shell = shellMenu.Menu().Handle();
    if (shellMenu.Shell() != nullptr && shell != nullptr) {
        const int count = GetMenuItemCount(shell);
        for (int position = 0; position < count && (openId == 0 || openAsId == 0); ++position) {
            UINT id = 0;
            HMENU sub = nullptr;
            const int kind = MenuItemKind(shell, position, &id, &sub);
            if (kind == 2 || kind < 0 || !IsShellCommand(id))
                continue;
            const mvstring verb = GetShellVerb(id);
            if (openId == 0 && mvstring::EqualsNoCase(verb.view(), L"open")) {
                openId = id;
                openText = shellMenu.Menu().GetItemText(static_cast<UINT>(position));
            } else if (openAsId == 0 && mvstring::EqualsNoCase(verb.view(), L"openas")) {
                openAsId = id;
                openAsText = shellMenu.Menu().GetItemText(static_cast<UINT>(position));
                openAsMenu = sub;
            }
        }
    }
    mvMenu* file = GetMenu(0);
    if (file == nullptr)
        return;
    file->SetItem(0,
                  openText.empty() ? GetLangText(L"menu_file", L"open").c_str() : openText.c_str(),
                  openId != 0 ? openId : kCommandOpen, true);
    if (openAsId == 0 || openAsMenu == nullptr) {
        openAsId = kCommandOpenWith;
        HMENU own = nullptr;
        MenuItemKind(itemsPopup.Handle(), 1, nullptr, &own);
        openAsMenu = own;
    }
    if (openAsText.empty())
        openAsText =
            openAsMenu != nullptr ? OpenWithSubmenuTitle() : GetLangText(L"menu_file", L"openwith");
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.wID = openAsId;
    info.hSubMenu = openAsMenu;
    info.dwTypeData = openAsText.data();
    SetMenuItemInfoW(file->Handle(), 1, TRUE, &info);
}

void CVQDlgMenus::ReturnBorrowedSubmenu() {
    mvMenu* file = menuBar.Handle() != nullptr ? GetMenu(0) : nullptr;
    HMENU borrowed = nullptr;
    if (file == nullptr || MenuItemKind(file->Handle(), 1, nullptr, &borrowed) != 1)
        return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_SUBMENU;
    info.wID = kCommandOpenWith;
    info.hSubMenu = nullptr;
    SetMenuItemInfoW(file->Handle(), 1, TRUE, &info);
    m_fileMenuUpdated = false;
}

void CVQDlgMenus::ReleaseShellMenu() {
    ReturnBorrowedSubmenu();
    shellMenu.Release();
}

void CVQDlgMenus::Destroy() {
    ReturnBorrowedSubmenu();
    shellMenu.Reset();
    itemsPopup.Destroy();
    viewPopup.Destroy();
    menuBar.Destroy();
    resultsView.Destroy();
    openWith.Clear();
    selection.clear();
    m_fileMenuUpdated = false;
}
