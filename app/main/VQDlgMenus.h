// The main window's menus: the menu bar (File, Edit, View, Tools, Help), the
// view pop-up shown for the results list when nothing is selected and the
// items pop-up shown for a selection when the shell gives no context menu,
// and the shell's own context menu of the selection. Every caption is a
// language text; the menus are built when the window starts and built anew
// after a language switch. The selection they follow decides the open-with
// handlers, the open-with entry and the File menu's first two entries. UI
// thread only.
#pragma once

#include "app/main/Commands.h"
#include "app/main/OpenWith.h"
#include "app/main/ShellContextMenu.h"
#include "app/main/ShellItems.h"
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
    CVQDlgMenus();
    CVQDlgMenus(const CVQDlgMenus&) = delete;
    CVQDlgMenus& operator=(const CVQDlgMenus&) = delete;
    ~CVQDlgMenus() { Destroy(); }

    // Builds the bar and the two pop-ups and attaches the bar to the window;
    // `rebuild` after a language switch (the shell menu is let go and the
    // flags cleared). The first build makes the hidden results folder for
    // the shell menu of items of many folders, unless NoIExplorerBrowser.
    // The language submenu lists `languages` (null: the files in the Lang
    // folder), shown only for more than one.
    void Build(HWND window, bool rebuild, const std::vector<LanguageInfo>* languages = nullptr);
    // 0 the bar's File submenu, 1 the shell context menu, 2 the items
    // pop-up; null for anything else or a menu without handle.
    mvMenu* GetMenu(int which);
    // Takes a new selection (the anchor first): rebuilds the open-with list
    // and entry and lets go of the shell menu. The image-list icon index of
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
    // Builds the shell's context menu of the selection when
    // UseShellContextMenu is on, or keeps the one built for it with the
    // same Shift state (read from the keyboard, or given).
    void BuildShellMenu();
    void BuildShellMenu(bool shift);
    // Lets go of the shell's context menu; the flags stay.
    void ReleaseShellMenu();
    // The canonical verb of a shell command id; empty without a shell menu.
    mvstring GetShellVerb(UINT id) const { return ::GetShellVerb(shellMenu.Shell(), id); }
    void Destroy();

    // Bit 0: the shell menu was built for this selection; bit 1: while
    // Shift was held; bit 2: the File menu's first entries were updated.
    std::uint16_t Flags() const;
    // The selection as the shell code takes it.
    std::vector<const FoundItem*> ConstSelection() const {
        return {selection.begin(), selection.end()};
    }

    std::vector<FoundItem*> selection;
    OpenWithList openWith;
    ResultsFolderView resultsView;
    mvMenu menuBar;
    mvMenu viewPopup;
    mvMenu itemsPopup;
    ShellContextMenu shellMenu;
    // What opens results: the shell, unless a test puts a recorder here.
    ResultOpener* opener = &m_shellOpener;

private:
    void BuildBar(const std::vector<LanguageInfo>& languages);
    void BuildViewPopup();
    void BuildItemsPopup();
    // The File menu's open-with entry borrows a submenu of the items pop-up
    // or of the shell menu; it gives it back (plain item, updated again at
    // the next opening) before that submenu can go.
    void ReturnBorrowedSubmenu();

    bool m_fileMenuUpdated = false;
    ResultOpener m_shellOpener;
};

// The caption of the open-with entry when it leads to a submenu: three
// trailing dots and anything from a tab on removed.
mvstring OpenWithSubmenuTitle();
