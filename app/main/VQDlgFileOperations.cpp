// Delete, copy to a folder and move to a folder: the main window's commands
// that hand the selected results to the shell's file operations.

#include "app/main/VQDlg.h"

#include "app/shared/VQFileDialog.h"
#include "foundation/Language.h"
#include "foundation/Paths.h"
#include "ui/dialogs/mvMessageBox.h"

#include <vector>

namespace {

// Whether `path` is `folder` itself or lies inside it (letter case ignored,
// trailing backslashes not counted).
bool IsSameOrInside(std::wstring_view path, std::wstring_view folder) {
    while (!path.empty() && path.back() == L'\\')
        path.remove_suffix(1);
    while (!folder.empty() && folder.back() == L'\\')
        folder.remove_suffix(1);
    if (folder.empty() || path.size() < folder.size())
        return false;
    if (CompareStringOrdinal(path.data(), static_cast<int>(folder.size()), folder.data(),
                             static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL)
        return false;
    return path.size() == folder.size() || path[folder.size()] == L'\\';
}

// The selected result that the target is, or lies inside; null when none.
// Copying or moving a folder into itself would never end.
const FoundItem* ResultHoldingTarget(const std::vector<FoundItem*>& selection,
                                     const mvstring& target) {
    const mvstring expanded = ExpandPath(target);
    for (const FoundItem* item : selection) {
        if (!item->IsFolder())
            continue;
        const mvstring path = PathJoin(item->folder.view(), item->name.view());
        if (IsSameOrInside(expanded.view(), ExpandPath(path).view()))
            return item;
    }
    return nullptr;
}

} // namespace

void CVQDlg::OnFileOperation(UINT id) {
    if (id != kCommandDelete && id != kCommandCopyToFolder && id != kCommandMoveToFolder)
        return;
    CVQFileDialogPtr dialog;
    if (!MakeFileDialog(dialog) || SendMessageW(m_list.Handle(), LVM_GETSELECTEDCOUNT, 0, 0) == 0)
        return;
    mvstring target;
    int kind = 3;
    if (id != kCommandDelete) {
        kind = id == kCommandCopyToFolder ? 2 : 1;
        dialog->m_folderMode = true;
        dialog->m_title = GetLangText(L"menu_edit", id == kCommandCopyToFolder ? L"copytofolder"
                                                                              : L"movetofolder");
        dialog->m_title.StripMenuText(false, 0, 0);
        if (!dialog->Show(m_hwnd) || dialog->m_results.empty())
            return;
        target = dialog->m_results.front();
        std::vector<FoundItem*> selection;
        m_list.GetSelectedItems(selection, 0);
        if (const FoundItem* holder = ResultHoldingTarget(selection, target)) {
            ShowMessageBox(GetLangText(L"menu_edit", L"err_targetinside", target.view(),
                                       PathJoin(holder->folder.view(), holder->name.view()).view())
                               .c_str(),
                           MB_ICONERROR);
            return;
        }
    }
    m_list.FileOperation(m_hwnd, kind, target);
}
