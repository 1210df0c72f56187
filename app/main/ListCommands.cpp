#include "app/main/ListCommands.h"

#include "app/main/JobState.h"
#include "app/main/VQDlgMenus.h"
#include "app/main/VQListCtrl.h"
#include "app/main/VQStatusBar.h"
#include "app/main/VQToolBarCtrl.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "search/SortOrder.h"
#include "ui/controls/ListColumns.h"

#include <commctrl.h>

namespace {

constexpr UINT kSortAscending = 10065, kSortDescending = 10066;
constexpr UINT kGroupAscending = 10078, kGroupDescending = 10079;
constexpr UINT kInvertSelection = 10031;

bool InRange(UINT id, UINT first, UINT last) {
    return id >= first && id <= last;
}

// The common rules of sort and group commands on one pair of settings:
// "none", the two directions, and a column (a repeated column reverses).
// True when anything changed.
bool ApplyOrderCommand(ByteSetting& column, BoolSetting& descending, UINT offset, bool& reversed) {
    reversed = false;
    const int current = column.Get();
    if (offset == ColumnNone) {
        if (current >= ColumnNone)
            return false;
        column.Set(ColumnNone);
        descending.Set(false);
        return true;
    }
    if (offset == 11 || offset == 12) { // ascending, descending
        const bool wanted = offset == 12;
        if (current >= ColumnNone || descending.Get() == wanted)
            return false;
        descending.Set(wanted);
        reversed = true;
        return true;
    }
    if (offset > ColumnExtension)
        return false;
    if (static_cast<int>(offset) != current) {
        column.Set(static_cast<std::uint8_t>(offset));
    } else {
        descending.Set(!descending.Get());
        reversed = true;
    }
    return true;
}

void SetStatus(CVQStatusBar* status, int code) {
    if (status != nullptr)
        status->SetState(code, 0, true);
}

} // namespace

bool ApplySortCommand(UINT id) {
    if (IsGlobalJobBusy() || !InRange(id, kCommandSortFirst, kSortDescending) || id == 10064)
        return false;
    VQSettings& s = Settings();
    bool reversed = false;
    if (!ApplyOrderCommand(s.SortColumn, s.SortDescending, id - kCommandSortFirst, reversed))
        return false;
    // The groups keep the sort's order when both use one column.
    if (reversed && s.GroupColumn.Get() == s.SortColumn.Get())
        s.GroupDescending.Set(s.SortDescending.Get());
    return true;
}

bool ApplyGroupCommand(UINT id) {
    if (IsGlobalJobBusy() || !InRange(id, kCommandGroupFirst, kGroupDescending) || id == 10077)
        return false;
    VQSettings& s = Settings();
    bool reversed = false;
    return ApplyOrderCommand(s.GroupColumn, s.GroupDescending, id - kCommandGroupFirst, reversed);
}

bool IsListCommand(UINT id) {
    return InRange(id, kCommandViewModeFirst, kCommandViewModeFirst + kLastViewMode) ||
           InRange(id, kCommandColumnFirst, kCommandColumnFirst + 8) ||
           (InRange(id, kCommandSortFirst, kSortDescending) && id != 10064) ||
           (InRange(id, kCommandGroupFirst, kGroupDescending) && id != 10077) ||
           id == kCommandSelectAll || id == kInvertSelection;
}

bool DispatchListCommand(const ListCommandTargets& targets, UINT id) {
    if (!IsListCommand(id))
        return false;
    CVQListCtrl* list = targets.list;
    if (list == nullptr || list->Handle() == nullptr)
        return true;
    if (InRange(id, kCommandViewModeFirst, kCommandViewModeFirst + kLastViewMode)) {
        list->SetViewMode(static_cast<int>(id - kCommandViewModeFirst), false);
        if (targets.toolBar != nullptr)
            SendMessageW(targets.toolBar->m_toolBar.Handle(), TB_CHECKBUTTON,
                         kCommandViewModeFirst + Settings().LisViewMode.Get(), TRUE);
    } else if (InRange(id, kCommandColumnFirst, kCommandColumnFirst + 8)) {
        const int column = static_cast<int>(id - kCommandColumnFirst);
        ToggleColumn(Settings().Columns, list->Handle(), column, GetColumnTitle(column, false));
    } else if (InRange(id, kCommandSortFirst, kSortDescending)) {
        if (ApplySortCommand(id)) {
            SetStatus(targets.status, StatusSorting);
            list->SortItems(false);
            SetStatus(targets.status, 0);
        }
    } else if (InRange(id, kCommandGroupFirst, kGroupDescending)) {
        if (ApplyGroupCommand(id)) {
            SetStatus(targets.status, StatusGrouping);
            list->BuildGroups(false);
            SetStatus(targets.status, 0);
        }
    } else if (id == kCommandSelectAll) {
        list->SelectAll();
    } else {
        list->InvertSelection();
    }
    return true;
}

void GreyUnhandledCommands(HMENU menu, bool (*handled)(UINT id)) {
    for (int position = 0;; ++position) {
        UINT id = 0;
        HMENU submenu = nullptr;
        const int kind = MenuItemKind(menu, position, &id, &submenu);
        if (kind < 0)
            return;
        if (kind == 1)
            GreyUnhandledCommands(submenu, handled);
        else if (kind == 0 && !handled(id))
            EnableMenuItem(menu, static_cast<UINT>(position), MF_BYPOSITION | MF_GRAYED);
    }
}
