// The main window's side of the shell: the context menu of the results list,
// the commands on the menus' selection (open, open with, the shell's verbs)
// and the relay of the shell menu's own messages.
#include "app/main/VQDlg.h"

#include "app/main/OpenWith.h"
#include "app/main/ShellContextMenu.h"

#include <commctrl.h>

void CVQDlg::ShowContextMenu(HWND window, int x, int y) {
    const HWND list = m_list.Handle();
    if (list == nullptr || window != list)
        return;
    // Over the header: the columns to show or hide.
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (header != nullptr && IsWindowVisible(header)) {
        RECT rect{};
        GetWindowRect(header, &rect);
        const POINT point{x, y};
        if (PtInRect(&rect, point)) {
            if (mvMenu* columns = m_menus.menuBar.FindSubMenuWithCommand(kCommandColumnFirst))
                columns->TrackPopup(x, y, m_hwnd);
            return;
        }
    }
    POINT at{x, y};
    bool placed = false;
    if (x == -1 && y == -1) {
        const int index = AnchorIndex(list);
        RECT icon{};
        icon.left = LVIR_ICON;
        if (index >= 0 &&
            SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&icon))) {
            at = {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
            ClientToScreen(list, &at);
            placed = true;
        }
    }
    // A mouse click shows the menu where the cursor is now.
    if (!placed)
        GetCursorPos(&at);
    m_menus.BuildShellMenu();
    if (m_menus.selection.empty())
        m_menus.viewPopup.TrackPopup(at.x, at.y, m_hwnd);
    else if (m_menus.shellMenu.CanShow())
        m_menus.shellMenu.Menu().TrackPopup(at.x, at.y, m_hwnd);
    else
        m_menus.itemsPopup.TrackPopup(at.x, at.y, m_hwnd);
}

bool CVQDlg::OnSelectionCommand(WPARAM wParam) {
    const UINT id = LOWORD(wParam);
    const std::vector<const FoundItem*> selection = m_menus.ConstSelection();
    if (selection.empty())
        return false;
    ResultOpener& opener = *m_menus.opener;
    if (id == kCommandOpen) {
        OpenDefault(selection, m_menus.openWith, opener);
        return true;
    }
    if (id == kCommandOpenWith) {
        if (selection.size() != 1 || selection.front()->IsFolder())
            return false;
        opener.OpenWithDialog(*selection.front());
        return true;
    }
    if (id >= kCommandOpenWithFirst && id <= kCommandOpenWithLast) {
        m_menus.openWith.Invoke(id - kCommandOpenWithFirst, selection);
        return true;
    }
    return m_menus.shellMenu.Invoke(m_hwnd, id, false);
}

bool CVQDlg::RelayShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    const bool taken = m_menus.shellMenu.Relay(message, wParam, lParam, *result);
    // The results folder's browser lives in a child of this window and must
    // be let go while the window still exists.
    if (message == WM_DESTROY)
        m_menus.resultsView.Destroy();
    return taken;
}
