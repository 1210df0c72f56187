// The main window's results list: an owner-data list view over the global
// job's results by display index. It owns no result; every cell, icon and
// group is asked for when shown and answered from the result list. Columns
// are known by id (the list column's sub-item), never by position. The
// list turns its keys, header clicks and activations into commands posted
// to its parent. UI thread only.
#pragma once

#include "app/main/Commands.h"
#include "app/main/OwnerDataCallback.h"
#include "app/main/VQListViewTT.h"
#include "app/shared/FileOperationSink.h"
#include "foundation/mvstring.h"
#include "search/FoundItem.h"
#include "ui/core/WindowHolders.h"
#include "ui/core/mvWnd.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdint>
#include <string_view>
#include <vector>

class SearchJob;

// A search by a name's start, like LVFI_PARTIAL; not in every SDK.
#ifndef LVFI_SUBSTRING
#define LVFI_SUBSTRING 0x0004
#endif

// The list's control id in the main window.
inline constexpr int kResultsListId = 1003;
// The highest view mode the list shows (tiles); the setting allows one more.
inline constexpr int kLastViewMode = 5;

// The item that is focused and selected, else the selection mark when it is
// selected, else the first selected item; -1 when nothing is selected.
int AnchorIndex(HWND list);

// Selects or unselects every row of the list in one message, and not at all
// when that changes nothing. Some list views work through every row for such
// a change: for each row drawn anew unless redrawing is off, and once more
// for rows selected across their full width, so both are off for the change
// (`redrawOff`: the caller has switched redrawing off and repaints itself).
void SetAllRowsSelected(HWND list, bool selected, bool redrawOff);

// The text of one display column of an item into `out`: id 0..8 as the
// result columns, `tile` for the short size form and the tile lines of the
// tile view. Empty for another id.
void GetCellText(FoundItem& item, int column, bool tile, mvstring& out);

// Type-ahead over names: the first display index from `start` whose name
// equals `text` ignoring case (ordinal), or begins with it for a partial
// search, wrapping round when asked; -1 when none. `nameAt` gives the name
// of an index, null past the end.
template <typename NameAt>
int FindByName(const LVFINDINFOW& find, int start, int count, NameAt nameAt);

class CVQListCtrl : public mvWnd {
public:
    CVQListCtrl() = default;
    ~CVQListCtrl() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectNotify(NMHDR* header, LRESULT* result) override;

    // The list view (id 1003) with its columns, styles, image lists, group
    // callback and tooltip. False when the window cannot be made.
    bool Create(HWND parent);
    // Switches to view mode 0..5; true when the list shows it afterwards
    // (the setting LisViewMode then follows). Without `force` the mode in
    // force is left alone and gives true.
    bool SetViewMode(int mode, bool force);
    // Re-sorts the results by the sort settings, keeping a single selected
    // item selected and in view, then rebuilds the groups unless `noGroups`.
    void SortItems(bool noGroups);
    // Empties the list, its groups and the cut list (whose items go back to
    // the normal state).
    void ClearItems();
    // The number of rows the list shows; the main window sets it as results
    // arrive, keeping the scroll position and the selection.
    void SetItemCount(int count);
    // The selected items, the anchor first, then those after it, then those
    // before it, at most `max` (0 or less: all). The selection's total size,
    // or -1 when nothing is selected, a folder is selected, or more items
    // than MaxItemStatusShowSize were counted.
    std::int64_t GetSelectedItems(std::vector<FoundItem*>& out, int max);
    // The only selected item, or null.
    FoundItem* GetFocusedItem();
    // The label editor while it has the focus, else null.
    HWND GetEditControl() const;
    // Grid lines as UseGridLines says.
    void ApplyGridLines();
    // Column titles and group captions in the current language.
    void UpdateTexts();
    // Every row selected, or the selection turned round, each with as few
    // changes of the list's state as the selection allows.
    void SelectAll();
    void InvertSelection();
    // True while a selection command changes rows one by one: the parent may
    // let the notices of those changes pass, as the last change of the
    // command is notified with this false.
    bool ChangingManyRows() const noexcept { return m_changingManyRows; }

    // Clears the list's groups and builds them anew by GroupColumn. True when
    // the groups are shown or none are needed; false while a job runs or when
    // the program shut down meanwhile. Where the list view has no groups the
    // table is still built and the list stays flat in the sort order.
    bool BuildGroups(bool clearOnly);
    // Whether the list view can show groups fed by the callback; found when
    // the list is made.
    bool HasGroupView() const noexcept { return m_groupView; }

    // Repaints the row of the item (an item report).
    void RedrawItem(const FoundItem* item);

    // --- Actions on the selection (VQListActions.cpp) ---
    // LVN_BEGINLABELEDITW: true refuses the edit (no result, no editor);
    // else the editor takes file-name input only, a file's extension left
    // out of the first selection.
    bool OnBeginLabelEdit(NMLVDISPINFOW* info);
    // LVN_ENDLABELEDITW: the trimmed text renames the selection; a change
    // of letter case only, or a cancelled edit, does nothing (false).
    bool OnEndLabelEdit(NMLVDISPINFOW* info);
    // LVN_BEGINDRAG and LVN_BEGINRDRAG: drags the selection out as files;
    // a drag that moved them takes the gone rows away. Result 0.
    LRESULT OnBeginDrag(NMLISTVIEW* info);
    // Commands cut and copy: the selection on the clipboard as files. Cut
    // items show as cut once the clipboard holds them, until the next cut
    // or copy or until a paste elsewhere took them away.
    void CopyToClipboard(bool cut);
    // Re-checks the items on disk and takes the gone ones out of the
    // results, the groups and the list; they also leave `items`.
    void RefreshItems(std::vector<FoundItem*>& items);
    // A shell operation on the selection: kind 1 move to the folder `text`,
    // 2 copy there, 3 delete (permanently while Shift is held), 4 rename to
    // `text`; 0 does nothing. Rows follow what happened on disk. Null owner:
    // the list.
    void FileOperation(HWND owner, int kind, const mvstring& text);
    // The shell's properties sheet of the selection.
    void ShowProperties();
    // The folders of the selection in the shell with their items selected,
    // at most MaxItemOpen folders (0: all, negative: the first).
    void OpenContainingFolder();

    COwnerDataCallback m_callback;
    CVQListViewTT m_toolTip;
    std::vector<FoundItem*> CutList; // items last cut to the clipboard

private:
    void OnGetDispInfo(NMLVDISPINFOW* info);
    LRESULT OnFindItem(NMLVFINDITEMW* find);
    void OnGetInfoTip(NMLVGETINFOTIPW* tip);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
    void DrawItemIcon(HDC dc, int index);
    void SetIconSpacing();
    // The column id of list column `index`.
    int ColumnId(int index) const;
    void PostCommand(UINT command, UINT code = 0, LPARAM lParam = 0) const;
    void OnKeyDown(WPARAM key);
    // Finds whether the list view places rows into groups.
    void ProbeGroupView();

    ImageListHandle m_small;
    ImageListHandle m_normal;
    mvstring m_text; // scratch for the texts handed to the list
    bool m_groupView = false;
    bool m_changingManyRows = false;
};

// The pixel size of the images of a view mode (0 when unknown).
int IconSizeForView(int mode);

template <typename NameAt>
int FindByName(const LVFINDINFOW& find, int start, int count, NameAt nameAt) {
    if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || (find.flags & LVFI_NEARESTXY) ||
        find.psz == nullptr || count <= 0)
        return -1;
    const bool partial = (find.flags & (LVFI_PARTIAL | LVFI_SUBSTRING)) != 0;
    if (start < 0)
        start = 0;
    if (start >= count) {
        if (!partial)
            return -1;
        start = 0;
    }
    const std::wstring_view text(find.psz);
    const bool wrap = (find.flags & LVFI_WRAP) != 0;
    for (int i = start;;) {
        const mvstring* name = nameAt(i);
        if (name != nullptr) {
            const std::wstring_view view = name->view();
            const bool fits = partial ? view.size() >= text.size() : view.size() == text.size();
            if (fits && CompareStringOrdinal(view.data(), static_cast<int>(text.size()),
                                             text.data(), static_cast<int>(text.size()),
                                             TRUE) == CSTR_EQUAL)
                return i;
        }
        if (++i >= count) {
            if (!wrap)
                return -1;
            i = 0;
        }
        if (i == start)
            return -1;
    }
}

// What a shell file operation on paths runs through: the shell's
// file-operation object, or the older one-call operation where the former
// answers that it cannot (both with the same flags and the same record of
// new names). Kind and flags as CVQListCtrl::FileOperation uses them.
// Returns whether the operation was carried out (wholly or in part): the
// caller then re-checks the files; `error` gets a system error code when
// something failed that nobody told the user about (0 otherwise).
bool RunShellFileOperation(HWND owner, int kind, DWORD flags,
                           const std::vector<const FoundItem*>& items, const mvstring& text,
                           CVQFileOperationProgressSink& sink, DWORD& error);

// Opens a folder window with children selected (the shell's call, or a
// test's recorder). Returns the previous one; null restores the shell's.
using FolderOpener = HRESULT(WINAPI*)(PCIDLIST_ABSOLUTE folder, UINT count,
                                      PCUITEMID_CHILD_ARRAY children, DWORD flags);
FolderOpener SetFolderOpener(FolderOpener opener);

// Why a name cannot be given to an entry of a folder, as a system error
// code: empty or blank, a character or device name the file system refuses,
// a trailing dot or blank, or too long. 0 when the name is fine.
DWORD CheckFileName(std::wstring_view name);
