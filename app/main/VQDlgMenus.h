// The main window's menus: the menu bar (File, Edit, View, Tools, Help), the
// view pop-up shown for the results list when nothing is selected and the
// items pop-up shown for a selection when the shell gives no context menu.
// Every caption is a language text; the menus are built when the window
// starts and built anew after a language switch. The selection they follow
// decides the open-with entry and the File menu's first two entries. The
// shell's context menu and the open-with handlers are filled by the shell
// code through `shellMenu` and `openWithNames`. UI thread only.
#pragma once

#include "app/main/Commands.h"
#include "foundation/Handles.h"
#include "foundation/Language.h"
#include "foundation/mvstring.h"
#include "search/FoundItem.h"
#include "ui/controls/mvMenu.h"

#include <windows.h>
#include <shobjidl.h>

#include <cstdint>
#include <vector>

// What the item at a position of a menu is: -1 none (null menu, negative
// position, no such item), 0 a command, 1 a submenu, 2 a separator. The id
// and submenu go to the out values when given (zero first).
int MenuItemKind(HMENU menu, int position, UINT* id, HMENU* submenu);

class CVQDlgMenus {
public:
    CVQDlgMenus() = default;
    CVQDlgMenus(const CVQDlgMenus&) = delete;
    CVQDlgMenus& operator=(const CVQDlgMenus&) = delete;
    ~CVQDlgMenus() { Destroy(); }

    // Builds the bar and the two pop-ups and attaches the bar to the window;
    // `rebuild` after a language switch (the shell menu is let go and the
    // flags cleared). The language submenu lists `languages` (null: the
    // files in the Lang folder), shown only for more than one.
    void Build(HWND window, bool rebuild, const std::vector<LanguageInfo>* languages = nullptr);
    // 0 the bar's File submenu, 1 the shell context menu, 2 the items
    // pop-up; null for anything else or a menu without handle.
    mvMenu* GetMenu(int which);
    // Takes a new selection (the anchor first); the image-list icon index of
    // the first open-with handler, -1 for none. The same items in the same
    // order change nothing.
    int SetSelection(const std::vector<FoundItem*>& selection);
    // Position 1 of the items pop-up for the selection: a submenu of the
    // open-with handlers for one file, else the plain open-with item.
    void BuildOpenWithMenu();
    // The File menu's first two entries: the shell's "open" and "openas"
    // verbs of the selection, else the program's own items. Once per
    // selection.
    void UpdateFileMenu();
    // Lets go of the shell's context menu of the selection.
    void ReleaseShellMenu();
    void Destroy();

    std::vector<FoundItem*> selection;
    // Filled by the open-with code for the selection: the handlers' display
    // names in list order, and the first one's icon index.
    std::vector<mvstring> openWithNames;
    int openWithIcon = -1;
    // Bit 0: the shell menu was built for this selection; bit 1: while
    // Shift was held; bit 2: the File menu's first entries were updated.
    std::uint16_t flags = 0;
    mvMenu menuBar;
    mvMenu viewPopup;
    mvMenu itemsPopup;
    mvMenu shellMenu;
    ComHandle<IContextMenu> contextMenu;
    ComHandle<IContextMenu2> contextMenu2;
    ComHandle<IContextMenu3> contextMenu3;

private:
    void BuildBar(const std::vector<LanguageInfo>& languages);
    void BuildViewPopup();
    void BuildItemsPopup();
};

// The caption of the open-with entry when it leads to a submenu: three
// trailing dots and anything from a tab on removed.
mvstring OpenWithSubmenuTitle();
