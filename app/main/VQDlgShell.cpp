// The main window's side of the shell: the context menu of the results list,
// the commands on the menus' selection (open, open with, the shell's verbs)
// and the relay of the shell menu's own messages.
#include "app/main/VQDlg.h"

#include "app/main/OpenWith.h"
#include "app/main/ShellContextMenu.h"

#include <commctrl.h>

namespace {

std::vector<const FoundItem*> ConstItems(const std::vector<FoundItem*>& items) {
    return {items.begin(), items.end()};
}

} // namespace

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
        if (index >= 0 && SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&icon))) {
            at = {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
            ClientToScreen(list, &at);
            placed = true;
        }
    }
    if (!placed)
        GetCursorPos(&at);
    if (m_menus.selection.empty())
        m_menus.viewPopup.TrackPopup(at.x, at.y, m_hwnd);
    else if (m_menus.contextMenu && m_menus.shellMenu.Handle() != nullptr)
        m_menus.shellMenu.TrackPopup(at.x, at.y, m_hwnd);
    else
        m_menus.itemsPopup.TrackPopup(at.x, at.y, m_hwnd);
}

bool CVQDlg::OnSelectionCommand(WPARAM wParam) {
    const UINT id = LOWORD(wParam);
    const std::vector<const FoundItem*> selection = ConstItems(m_menus.selection);
    if (selection.empty())
        return false;
    if (id == kCommandOpen) {
        ResultOpener opener;
        OpenDefault(selection, OpenWithList(), opener);
        return true;
    }
    if (id == kCommandOpenWith) {
        if (selection.size() != 1 || (selection.front()->attr & FILE_ATTRIBUTE_DIRECTORY))
            return false;
        ResultItem_OpenWithDialog(*selection.front());
        return true;
    }
    if (IsShellCommand(id) && m_menus.contextMenu) {
        InvokeShellCommand(m_menus.contextMenu.Get(), m_hwnd, id);
        return true;
    }
    return false;
}

bool CVQDlg::RelayShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    if (m_menus.contextMenu3 &&
        m_menus.contextMenu3.Get()->HandleMenuMsg2(message, wParam, lParam, result) == S_OK)
        return true;
    if (m_menus.contextMenu2 && m_menus.contextMenu2.Get()->HandleMenuMsg(message, wParam, lParam) == S_OK) {
        *result = 0;
        return true;
    }
    return false;
}
