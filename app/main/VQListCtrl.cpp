#include "app/main/VQListCtrl.h"

#include "app/main/JobState.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/WordLists.h"
#include "search/IconLoader.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"
#include "ui/controls/ItemImage.h"
#include "ui/controls/ListColumns.h"
#include "ui/core/ComctlVersion.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/theme/GdiHolders.h"
#include "ui/theme/UiTheme.h"

#include <shellapi.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

namespace {

// Set while the view mode is being switched: the list then draws in a
// state between two modes, and custom drawing waits for the end.
bool g_viewChanging = false;

// The list view's view and style bits of each mode (LisViewMode 0..5).
struct ViewOfMode {
    DWORD view;
    DWORD style; // 0: the style bits stay as they are
};
constexpr ViewOfMode kViews[] = {
    {LV_VIEW_SMALLICON, LVS_SMALLICON}, {LV_VIEW_ICON, LVS_ICON}, {LV_VIEW_ICON, LVS_ICON},
    {LV_VIEW_LIST, LVS_LIST},           {LV_VIEW_DETAILS, LVS_REPORT}, {LV_VIEW_TILE, 0},
};

// The shared "LISTVIEW" theme; with `reopen` the old handle is closed
// first. Without themed common controls the cached value stays.
HTHEME GetListTheme(HWND list, bool reopen) {
    static HTHEME theme = nullptr;
    if (!IsThemedComctl())
        return theme;
    if (reopen && theme != nullptr) {
        CloseThemeData(theme);
        theme = nullptr;
    }
    if (theme == nullptr)
        theme = OpenThemeData(list, L"LISTVIEW");
    return theme;
}

bool KeyDown(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

void CopyToBuffer(const mvstring& text, wchar_t* buffer, int size) {
    if (buffer == nullptr || size <= 0)
        return;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
}

// The selected rows in ascending order.
std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(std::max<LRESULT>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 0)));
    for (int next = -1;
         (next = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, next, LVNI_SELECTED))) >= 0;)
        rows.push_back(next);
    return rows;
}

// The rows of [0, count) that are not selected, in ascending order: the
// list is asked for the next selected row once per selected row and once
// per run of rows that are not.
std::vector<int> UnselectedRows(HWND list, int count) {
    std::vector<int> rows;
    for (int from = 0; from < count;) {
        int next = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, from - 1, LVNI_SELECTED));
        if (next < 0 || next > count)
            next = count;
        for (int row = from; row < next; ++row)
            rows.push_back(row);
        from = next + 1;
    }
    return rows;
}

bool ShellHasExtraLarge() {
    ShellTypeCache& cache = GlobalShellTypeCache();
    cache.Init();
    return cache.GetImageList(SHIL_EXTRALARGE) != nullptr;
}

} // namespace

int IconSizeForView(int mode) {
    ShellTypeCache& cache = GlobalShellTypeCache();
    cache.Init();
    return cache.IconSize(ImageListForView(mode, ShellHasExtraLarge()));
}

int AnchorIndex(HWND list) {
    const int focused = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                      LVNI_FOCUSED | LVNI_SELECTED));
    if (focused >= 0)
        return focused;
    const int mark = static_cast<int>(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
    if (mark >= 0 && SendMessageW(list, LVM_GETITEMSTATE, mark, LVIS_SELECTED) != 0)
        return mark;
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SetAllRowsSelected(HWND list, bool selected, bool redrawOff) {
    if (list == nullptr)
        return;
    const auto count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    if (SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == (selected ? count : 0))
        return;
    if (!redrawOff)
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const bool fullRow =
        (SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT) != 0;
    if (fullRow)
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, 0);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (fullRow)
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    if (!redrawOff) {
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
}

void GetCellText(FoundItem& item, int column, bool tile, mvstring& out) {
    out.clear();
    ShellTypeCache& cache = GlobalShellTypeCache();
    switch (column) {
    case 0:
        out = item.name;
        return;
    case 1:
    case 2:
        // The tile view shows the shell's own tile lines where it has them:
        // line 0 in place of the type, line 1 in place of the size.
        if (tile && cache.GetTileLine(PathJoin(item.folder, item.name), column == 1 ? 1 : 0)) {
            out = cache.TileText();
            return;
        }
        if (column == 2) {
            out = cache.GetTypeName(item.ext, item.attr);
            return;
        }
        {
            const int format = Settings().FileSizeFormat;
            const bool shortForm = tile ? format != 2 : format == 1;
            item.GetText(shortForm ? ItemText::Size : ItemText::SizeKb, out);
        }
        return;
    case 3:
        item.GetText(ItemText::Modified, out);
        return;
    case 4:
        out = item.folder.text();
        return;
    case 5:
        item.GetText(ItemText::Created, out);
        return;
    case 6:
        item.GetText(ItemText::Accessed, out);
        return;
    case 7:
        item.GetText(ItemText::Attributes, out);
        return;
    case 8:
        out = item.ext;
        return;
    default:
        return;
    }
}

CVQListCtrl::~CVQListCtrl() {
    // The window may outlive nothing of this object: its callback is a
    // member, so it goes before the object does.
    if (Handle() != nullptr)
        SendMessageW(Handle(), kLvmSetOwnerDataCallback, 0, 0);
}

bool CVQListCtrl::Create(HWND parent) {
    constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | LVS_OWNERDATA |
                             LVS_EDITLABELS | LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS |
                             LVS_SHOWSELALWAYS | LVS_REPORT;
    if (!mvWnd::Create(L"", parent, kResultsListId, 100, 100, 100, 100, kStyle, 0, WC_LISTVIEWW))
        return false;
    const HWND list = Handle();
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_AUTOAUTOARRANGE | LVS_EX_JUSTIFYCOLUMNS | LVS_EX_SNAPTOGRID |
                     LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP | LVS_EX_FULLROWSELECT |
                     LVS_EX_HEADERDRAGDROP);
    if (SendMessageW(list, CCM_GETVERSION, 0, 0) < 5)
        SendMessageW(list, CCM_SETVERSION, 5, 0);
    SetWindowTheme(list, L"Explorer", nullptr);

    std::vector<mvstring> titles;
    GetColumnTitles(titles, false);
    ApplyToList(Settings().Columns, list, titles);
    ApplyGridLines();

    // The image lists only size the icon cells: the icons are drawn by the
    // custom drawing from the shell's lists.
    const int smallSide = IconSizeForView(ViewSmallIcons) + 4;
    const int normalSide = IconSizeForView(ViewIcons);
    m_small = ImageListHandle(ImageList_Create(smallSide, smallSide, ILC_COLOR32 | ILC_MASK, 0, 1));
    m_normal =
        ImageListHandle(ImageList_Create(normalSide, normalSide, ILC_COLOR32 | ILC_MASK, 0, 1));
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_small.Get()));
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(m_normal.Get()));

    SendMessageW(list, kLvmSetOwnerDataCallback,
                 reinterpret_cast<WPARAM>(static_cast<IOwnerDataCallback*>(&m_callback)), 0);
    ProbeGroupView();

    const auto tip = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETTOOLTIPS, 0, 0));
    if (tip != nullptr)
        m_toolTip.SubclassWindow(tip);

    if (!SystemLook()) {
        SendMessageW(list, LVM_SETBKCOLOR, 0, ThemeColour(ThemeEditBg));
        SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, ThemeColour(ThemeEditBg));
        SendMessageW(list, LVM_SETTEXTCOLOR, 0, ThemeColour(ThemeText));
    }
    return true;
}

void CVQListCtrl::ProbeGroupView() {
    // A list view without groups answers the group messages with failure
    // (or not at all); one group inserted and counted tells.
    const HWND list = Handle();
    LVGROUP group{};
    group.cbSize = sizeof group;
    group.mask = LVGF_GROUPID | LVGF_HEADER;
    wchar_t header[] = L"";
    group.pszHeader = header;
    group.iGroupId = 0;
    const LRESULT inserted = SendMessageW(list, LVM_INSERTGROUP, 0, reinterpret_cast<LPARAM>(&group));
    m_groupView = inserted >= 0 && SendMessageW(list, LVM_GETGROUPCOUNT, 0, 0) == 1;
    SendMessageW(list, LVM_REMOVEALLGROUPS, 0, 0);
}

void CVQListCtrl::ApplyGridLines() {
    const HWND list = Handle();
    if (list == nullptr)
        return;
    const auto before = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    DWORD after = before & ~static_cast<DWORD>(LVS_EX_HEADERINALLVIEWS | LVS_EX_GRIDLINES);
    if (Settings().UseGridLines.Get())
        after |= LVS_EX_GRIDLINES;
    if (after == before)
        return;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_HEADERINALLVIEWS | LVS_EX_GRIDLINES,
                 after);
    SetWindowPos(list, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

bool CVQListCtrl::SetViewMode(int mode, bool force) {
    const HWND list = Handle();
    if (list == nullptr)
        return false;
    if (!force && mode == Settings().LisViewMode.Get())
        return true;
    SendMessageW(list, LVM_CANCELEDITLABEL, 0, 0);
    if (mode < 0 || mode > kLastViewMode)
        return false;
    const ViewOfMode& view = kViews[mode];
    if (mode == ViewTiles) {
        LVTILEVIEWINFO tiles{};
        tiles.cbSize = sizeof tiles;
        tiles.dwMask = LVTVIM_TILESIZE | LVTVIM_COLUMNS;
        tiles.dwFlags = 0; // the list sizes the tiles
        tiles.cLines = 2;
        SendMessageW(list, LVM_SETTILEVIEWINFO, 0, reinterpret_cast<LPARAM>(&tiles));
    }
    const int iconSize =
        (mode == ViewIcons || mode == ViewLargeIcons || mode == ViewTiles) ? IconSizeForView(mode)
                                                                           : 0;
    g_viewChanging = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    if (view.style != 0)
        ModifyStyle(LVS_TYPEMASK, view.style);
    SendMessageW(list, LVM_SETVIEW, view.view, 0);
    const auto shown = static_cast<DWORD>(SendMessageW(list, LVM_GETVIEW, 0, 0));
    const auto style = static_cast<DWORD>(GetWindowLongW(list, GWL_STYLE));
    if (shown != view.view && (view.style == 0 || (style & LVS_TYPEMASK) != view.style)) {
        g_viewChanging = false;
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        return false;
    }
    Settings().LisViewMode.Set(static_cast<std::uint8_t>(mode));
    if (mode == ViewList && Settings().ListModeColumnWidth != 0)
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, Settings().ListModeColumnWidth);
    if (iconSize > 0) {
        m_normal = ImageListHandle(
            ImageList_Create(iconSize + 4, iconSize + 4, ILC_COLOR32 | ILC_MASK, 0, 1));
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(m_normal.Get()));
        SetIconSpacing();
    }
    g_viewChanging = false;
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    return true;
}

void CVQListCtrl::SetIconSpacing() {
    const int mode = Settings().LisViewMode.Get();
    if (mode != ViewIcons && mode != ViewLargeIcons)
        return;
    const int size = IconSizeForView(mode);
    if (size <= 0)
        return;
    const HWND list = Handle();
    SendMessageW(list, LVM_SETICONSPACING, 0, static_cast<LPARAM>(-1));
    const int spacing =
        size + 2 * mvtheme_control::GetTextHeight(UiTheme::Get().fonts.normal.Get()) + 18;
    const auto current = static_cast<DWORD>(SendMessageW(list, LVM_GETITEMSPACING, FALSE, 0));
    if (HIWORD(current) < spacing)
        SendMessageW(list, LVM_SETICONSPACING, 0, MAKELPARAM(spacing, spacing));
}

void CVQListCtrl::SetItemCount(int count) {
    if (Handle() != nullptr)
        SendMessageW(Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(std::max(count, 0)),
                     LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void CVQListCtrl::SortItems(bool noGroups) {
    const HWND list = Handle();
    if (list == nullptr)
        return;
    FoundItem* kept = GetFocusedItem();
    SetAllRowsSelected(list, false, false);
    SetHeaderSortArrow(list);
    ResultList::Resort();
    if (!noGroups)
        BuildGroups(false);
    if (kept != nullptr) {
        const int index = ResultList::IndexOf(kept);
        if (index >= 0) {
            LVITEMW state{};
            state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
            SendMessageW(list, LVM_ENSUREVISIBLE, index, FALSE);
        }
    }
    InvalidateRect(list, nullptr, TRUE);
}

void CVQListCtrl::ClearItems() {
    const HWND list = Handle();
    if (list != nullptr) {
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        SendMessageW(list, LVM_REMOVEALLGROUPS, 0, 0);
        SendMessageW(list, LVM_ENABLEGROUPVIEW, FALSE, 0);
    }
    m_callback.groups.groups.clear();
    m_callback.groups.item_map.clear();
    if (!CutList.empty())
        ResultList::SetItemsState(CutList, ItemNormal);
    CutList.clear();
}

std::int64_t CVQListCtrl::GetSelectedItems(std::vector<FoundItem*>& out, int max) {
    out.clear();
    const HWND list = Handle();
    if (list == nullptr)
        return -1;
    const auto selected = static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
    if (selected <= 0)
        return -1;
    if (max <= 0)
        max = selected;
    const int anchor = AnchorIndex(list);
    const std::uint32_t limit = Settings().MaxItemStatusShowSize;
    bool folder = false;
    std::int64_t total = 0;
    std::uint32_t counted = 0;
    SearchJob& job = GlobalSearchJob();
    // Visits the item of a selected row, the results lock held for a run of
    // them at a time; false ends the walk (the answer known).
    auto visit = [&](FoundItem* item) {
        ++counted;
        if (out.size() < static_cast<size_t>(max))
            out.push_back(item);
        if (item->IsFolder())
            folder = true;
        else
            total += static_cast<std::int64_t>(item->size);
        if (out.size() >= static_cast<size_t>(max) &&
            (folder || (limit != 0 && counted > limit)))
            return false;
        return true;
    };
    // An index past the end of the results stops the walk.
    auto visitIndex = [&](int index) {
        if (index < 0 || static_cast<size_t>(index) >= job.results.size())
            return false;
        return visit(job.results[static_cast<size_t>(index)]);
    };
    // With every row selected the selected rows are the results themselves:
    // asking the list for each of a million rows would take most of a
    // second, and reading the records in order lets them be fetched ahead.
    const bool everyRow = selected == static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    auto walk = [&](int from, int before) {
        mvLock lock(job.lock);
        if (everyRow) {
            const int end = before < 0 ? selected : before;
            const int last = std::min(end, static_cast<int>(job.results.size()));
            bool going = true;
            if (from < last)
                ForEachPrefetched(job.results.begin() + from, job.results.begin() + last,
                                  [&](FoundItem* item) { return going = visit(item); });
            return going && last == end;
        }
        for (int index = from; index >= 0 && (before < 0 || index < before);) {
            if (!visitIndex(index))
                return false;
            index = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, index, LVNI_SELECTED));
        }
        return true;
    };
    if (walk(anchor, -1) && anchor > 0) {
        const int first =
            static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (first >= 0 && first < anchor)
            walk(first, anchor);
    }
    if (folder || (limit != 0 && counted > limit))
        return -1;
    return total;
}

FoundItem* CVQListCtrl::GetFocusedItem() {
    const HWND list = Handle();
    if (list == nullptr || SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) != 1)
        return nullptr;
    const int index = static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return ResultList::ItemAt(index);
}

HWND CVQListCtrl::GetEditControl() const {
    const auto edit = reinterpret_cast<HWND>(SendMessageW(Handle(), LVM_GETEDITCONTROL, 0, 0));
    return edit != nullptr && GetFocus() == edit ? edit : nullptr;
}

void CVQListCtrl::UpdateTexts() {
    const HWND list = Handle();
    if (list == nullptr)
        return;
    for (int index = 0;; ++index) {
        const int id = ColumnId(index);
        if (id < 0)
            break;
        mvstring title = GetColumnTitle(id, false);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = title.data();
        SendMessageW(list, LVM_SETCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
    }
    const int grouped = m_callback.groups.column;
    if (grouped == ColumnType || grouped == ColumnFolder || grouped == ColumnAttributes ||
        !m_groupView)
        return;
    for (size_t i = 0; i < m_callback.groups.groups.size(); ++i) {
        mvstring caption;
        m_callback.groups.GetCaption(static_cast<int>(i), caption);
        LVGROUP group{};
        group.cbSize = sizeof group;
        group.mask = LVGF_HEADER;
        group.pszHeader = caption.data();
        SendMessageW(list, LVM_SETGROUPINFO, i, reinterpret_cast<LPARAM>(&group));
    }
}

void CVQListCtrl::SelectAll() {
    SetAllRowsSelected(Handle(), true, false);
}

void CVQListCtrl::InvertSelection() {
    const HWND list = Handle();
    if (list == nullptr)
        return;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const int selected = static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
    // The list changes its whole selection in one message, but single rows
    // only one by one: start from all or none, whichever leaves fewer rows
    // to change one at a time (from none on a tie). A selection of all rows
    // or none has no row to look for.
    const bool fromAll = selected < count - selected;
    std::vector<int> rows;
    if (selected > 0 && selected < count)
        rows = fromAll ? SelectedRows(list) : UnselectedRows(list, count);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    // Every change but the last is made quietly for the parent (see
    // ChangingManyRows); the last one's notice stands for them all.
    m_changingManyRows = !rows.empty();
    if (fromAll && !rows.empty() && rows.back() - rows.front() + 1 != static_cast<int>(rows.size())) {
        // A selection in several runs is cleared first: a list view that
        // selects every row in turn would otherwise join each row to the
        // runs around it, searching through all of them each time.
        SetAllRowsSelected(list, false, true);
    }
    SetAllRowsSelected(list, fromAll, true);
    state.state = fromAll ? 0 : LVIS_SELECTED;
    auto change = [&](int row, bool last) {
        if (last)
            m_changingManyRows = false;
        SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    };
    if (fromAll) {
        // Rows taken out of one run from the last to the first: a list view
        // that keeps its selection as runs and looks a row's run up from the
        // first run on then finds it at once, where the first row to the
        // last would search through every run split off before (quadratic
        // in the rows to change).
        for (auto row = rows.rbegin(); row != rows.rend(); ++row)
            change(*row, row + 1 == rows.rend());
    } else {
        // Rows added to no selection from the first to the last: each new
        // run then goes after the others, where the last row to the first
        // would move every run made before (quadratic again).
        for (auto row = rows.begin(); row != rows.end(); ++row)
            change(*row, row + 1 == rows.end());
    }
    m_changingManyRows = false;
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

bool CVQListCtrl::BuildGroups(bool clearOnly) {
    const HWND list = Handle();
    if (list != nullptr) {
        SendMessageW(list, LVM_REMOVEALLGROUPS, 0, 0);
        SendMessageW(list, LVM_ENABLEGROUPVIEW, FALSE, 0);
    }
    ResultGroups& table = m_callback.groups;
    table.groups.clear();
    table.item_map.clear();
    if (clearOnly)
        return true;
    if (IsGlobalJobBusy())
        return false;
    if (Settings().GroupColumn.Get() >= ColumnNone) {
        table.column = ColumnNone;
        return true;
    }
    ResultDeque copy;
    {
        SearchJob& job = GlobalSearchJob();
        mvLock lock(job.lock);
        copy = job.results;
    }
    if (!table.Rebuild(copy))
        return !IsShuttingDown() && table.groups.empty();
    if (table.groups.empty() || list == nullptr || !m_groupView)
        return true;
    for (size_t i = 0; i < table.groups.size(); ++i) {
        if (IsShuttingDown())
            return false;
        mvstring caption;
        table.GetCaption(static_cast<int>(i), caption);
        LVGROUP group{};
        group.cbSize = sizeof group;
        group.mask = LVGF_HEADER | LVGF_GROUPID | LVGF_STATE | LVGF_ITEMS;
        group.pszHeader = caption.data();
        group.iGroupId = static_cast<int>(i);
        group.state = group.stateMask = LVGS_COLLAPSIBLE;
        group.cItems = static_cast<UINT>(table.groups[i].items.size());
        SendMessageW(list, LVM_INSERTGROUP, i, reinterpret_cast<LPARAM>(&group));
    }
    SendMessageW(list, LVM_ENABLEGROUPVIEW, TRUE, 0);
    return true;
}

void CVQListCtrl::RedrawItem(const FoundItem* item) {
    if (Handle() == nullptr || item == nullptr)
        return;
    const int index = item->display_index;
    if (index >= 0)
        SendMessageW(Handle(), LVM_REDRAWITEMS, index, index);
}

int CVQListCtrl::ColumnId(int index) const {
    LVCOLUMNW column{};
    column.mask = LVCF_SUBITEM;
    if (!SendMessageW(Handle(), LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column)))
        return -1;
    return column.iSubItem;
}

void CVQListCtrl::PostCommand(UINT command, UINT code, LPARAM lParam) const {
    const HWND parent = GetParent(Handle());
    if (parent != nullptr)
        PostMessageW(parent, WM_COMMAND, MAKEWPARAM(command, code), lParam);
}

void CVQListCtrl::OnKeyDown(WPARAM key) {
    const bool ctrl = KeyDown(VK_CONTROL), shift = KeyDown(VK_SHIFT), alt = KeyDown(VK_MENU);
    const bool ctrlOnly = ctrl && !shift && !alt;
    switch (key) {
    case VK_DELETE:
        if (!ctrl && !alt)
            PostCommand(kCommandDelete);
        break;
    case 'A':
        if (ctrlOnly)
            PostCommand(kCommandSelectAll);
        break;
    case 'C':
        if (ctrlOnly)
            PostCommand(kCommandCopy);
        break;
    case 'X':
        if (ctrlOnly)
            PostCommand(kCommandCut);
        break;
    case VK_F2:
        if (!ctrl && !shift && !alt)
            PostCommand(kCommandRename);
        break;
    default:
        break;
    }
}

LRESULT CVQListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND list = Handle();
    static const UINT cutPasted = RegisterWindowMessageW(L"WM_Velquin_CUTPASTENOTIFY");
    if (message == cutPasted && cutPasted != 0) {
        RefreshItems(CutList);
        return 0;
    }
    switch (message) {
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && header->code == HDN_ENDTRACKW &&
            header->hwndFrom == reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0))) {
            const LRESULT result = mvWnd::WindowProc(message, wParam, lParam);
            CaptureAndSave(Settings().Columns, list,
                           reinterpret_cast<const NMHEADERW*>(lParam)->iItem);
            return result;
        }
        break;
    }
    case WM_DESTROY:
        CaptureAndSave(Settings().Columns, list, -1);
        break;
    case WM_RBUTTONDOWN:
        if (wParam & MK_SHIFT) {
            LVHITTESTINFO hit{};
            hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const int index =
                static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            if (index >= 0) {
                SetAllRowsSelected(list, false, false);
                LVITEMW state{};
                state.state = state.stateMask = LVIS_SELECTED;
                SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
            }
        }
        break;
    case WM_THEMECHANGED:
        GetListTheme(list, true);
        break;
    case WM_GETDLGCODE:
        if (lParam != 0 && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
            reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
            return mvWnd::WindowProc(message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_SETFONT: {
        const LRESULT result = mvWnd::WindowProc(message, wParam, lParam);
        if (wParam == 0)
            return result;
        const int mode = Settings().LisViewMode.Get();
        if (mode == ViewIcons || mode == ViewLargeIcons) {
            SetIconSpacing();
        } else if (mode == ViewDetails) {
            InvalidateRect(list, nullptr, TRUE);
        } else {
            // The list lays its items out for the new font only when its
            // view is set again.
            const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            if (count > 0) {
                SetAllRowsSelected(list, false, false);
                SendMessageW(list, LVM_SETITEMCOUNT, 0, 0);
                SetViewMode(ViewIcons, true);
                SetViewMode(mode, true);
                SendMessageW(list, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
            }
        }
        return result;
    }
    default:
        break;
    }
    return mvWnd::WindowProc(message, wParam, lParam);
}

bool CVQListCtrl::OnReflectNotify(NMHDR* header, LRESULT* result) {
    switch (header->code) {
    case LVN_GETDISPINFOW:
        OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(header));
        *result = 0;
        return true;
    case LVN_ODFINDITEMW:
        *result = OnFindItem(reinterpret_cast<NMLVFINDITEMW*>(header));
        return true;
    case LVN_GETINFOTIPW:
        OnGetInfoTip(reinterpret_cast<NMLVGETINFOTIPW*>(header));
        *result = 0;
        return true;
    case NM_CUSTOMDRAW:
        *result = OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        return true;
    case LVN_COLUMNCLICK: {
        const int id = ColumnId(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        if (id >= 0)
            PostCommand(kCommandSortFirst + static_cast<UINT>(id));
        *result = 0;
        return true;
    }
    case LVN_ITEMACTIVATE:
        PostCommand(kCommandOpen, 0xFFFF, reinterpret_cast<LPARAM>(&GlobalSearchJob()));
        *result = 0;
        return true;
    case LVN_BEGINLABELEDITW:
        *result = OnBeginLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(header)) ? TRUE : FALSE;
        return true;
    case LVN_ENDLABELEDITW:
        *result = OnEndLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(header)) ? TRUE : FALSE;
        return true;
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
        *result = OnBeginDrag(reinterpret_cast<NMLISTVIEW*>(header));
        return true;
    default:
        return false;
    }
}

void CVQListCtrl::OnGetDispInfo(NMLVDISPINFOW* info) {
    LVITEMW& cell = info->item;
    FoundItem* item = ResultList::ItemAt(cell.iItem);
    if (item == nullptr)
        return;
    const bool tile = Settings().LisViewMode.Get() == ViewTiles;
    if (cell.mask & LVIF_TEXT) {
        const int id = tile ? cell.iSubItem : ColumnId(cell.iSubItem);
        GetCellText(*item, id, tile, m_text);
        CopyToBuffer(m_text, cell.pszText, cell.cchTextMax);
    }
    if (cell.mask & LVIF_IMAGE) {
        if (item->icon.load() < 0) {
            cell.iImage = 0;
            GlobalIconLoadQueue().Queue(item);
        } else {
            cell.iImage = 0; // the cell is drawn by the custom drawing
        }
    }
    if ((cell.mask & LVIF_COLUMNS) && cell.puColumns != nullptr) {
        // The type line above the size line.
        static UINT columns[2] = {ColumnType, ColumnSize};
        cell.cColumns = std::min<UINT>(cell.cColumns, 2);
        std::copy_n(columns, cell.cColumns, cell.puColumns);
    }
}

LRESULT CVQListCtrl::OnFindItem(NMLVFINDITEMW* find) {
    SearchJob& job = GlobalSearchJob();
    const int count = ResultList::Count(job);
    return FindByName(find->lvfi, find->iStart, count, [&](int index) -> const mvstring* {
        const FoundItem* item = ResultList::ItemAt(index, job);
        return item != nullptr ? &item->name : nullptr;
    });
}

void CVQListCtrl::OnGetInfoTip(NMLVGETINFOTIPW* tip) {
    const FoundItem* item = ResultList::ItemAt(tip->iItem);
    if (item == nullptr || tip->pszText == nullptr || tip->cchTextMax <= 0)
        return;
    const mvstring text = GlobalShellTypeCache().GetInfoTip(PathJoin(item->folder, item->name));
    if (text.empty())
        return;
    if (tip->pszText[0] != 0)
        wcsncat_s(tip->pszText, static_cast<size_t>(tip->cchTextMax), L"\r\n", _TRUNCATE);
    wcsncat_s(tip->pszText, static_cast<size_t>(tip->cchTextMax), text.c_str(), _TRUNCATE);
}

LRESULT CVQListCtrl::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    if (g_viewChanging)
        return CDRF_DODEFAULT;
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        if (!SystemLook() && draw->dwItemType == LVCDI_GROUP) {
            RECT header{};
            header.top = LVGGR_HEADER;
            if (SendMessageW(Handle(), LVM_GETGROUPRECT, draw->nmcd.dwItemSpec,
                             reinterpret_cast<LPARAM>(&header)) &&
                !IsRectEmpty(&header)) {
                draw->clrText = ThemeColour(ThemeLink);
                draw->clrTextBk = ThemeColour(ThemeEditBg);
                if (IsThemedComctl()) {
                    const GdiHandle<HBRUSH> brush(CreateSolidBrush(ThemeColour(ThemeButtonOver)));
                    FillRect(draw->nmcd.hdc, &header, brush.Get());
                }
            }
        }
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPOSTPAINT:
        DrawItemIcon(draw->nmcd.hdc, static_cast<int>(draw->nmcd.dwItemSpec));
        return 0;
    default:
        return CDRF_DODEFAULT;
    }
}

void CVQListCtrl::DrawItemIcon(HDC dc, int index) {
    const HWND list = Handle();
    FoundItem* item = ResultList::ItemAt(index);
    if (item == nullptr || dc == nullptr)
        return;
    RECT cell{};
    cell.left = LVIR_BOUNDS;
    if (!SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&cell)) ||
        IsRectEmpty(&cell))
        return;
    RECT icon{};
    icon.left = LVIR_ICON;
    if (!SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&icon)) ||
        IsRectEmpty(&icon))
        return;
    const int mode = Settings().LisViewMode.Get();
    const int side = IconSizeForView(mode);
    if (side <= 0)
        return;
    const int width = cell.right - cell.left, height = cell.bottom - cell.top;
    static mvMemDC surface;
    const HDC memory = surface.Prepare(dc, width, height);
    if (memory == nullptr)
        return;
    const RECT all = {0, 0, width, height};
    const COLORREF background = static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
    const HWND parent = GetParent(list);
    if (background == CLR_NONE) {
        SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
    } else {
        const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
            parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(memory), reinterpret_cast<LPARAM>(list)));
        if (brush != nullptr) {
            FillRect(memory, &all, brush);
        } else {
            const GdiHandle<HBRUSH> own(CreateSolidBrush(background));
            FillRect(memory, &all, own.Get());
        }
    }
    if (const HTHEME theme = GetListTheme(list, false)) {
        const UINT state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, index, LVIS_SELECTED));
        const bool hot = SendMessageW(list, LVM_GETHOTITEM, 0, 0) == index;
        const HWND focus = GetFocus();
        const bool focused = focus == list || (focus != nullptr && IsChild(list, focus));
        int part = 0;
        if (hot)
            part = state ? LISS_HOTSELECTED : LISS_HOT;
        else if (state)
            part = focused ? LISS_SELECTED : LISS_SELECTEDNOTFOCUS;
        if (part != 0)
            DrawThemeBackground(theme, memory, LVP_LISTITEM, part, &all, nullptr);
    }
    RECT square;
    square.left = icon.left - cell.left + ((icon.right - icon.left) - side) / 2;
    square.top = icon.top - cell.top + ((icon.bottom - icon.top) - side) / 2;
    square.right = square.left + side;
    square.bottom = square.top + side;
    ShellTypeCache& cache = GlobalShellTypeCache();
    const int shellList = ImageListForView(mode, ShellHasExtraLarge());
    const ItemImageParts parts = GetItemImageParts(*item, shellList, cache);
    DrawItemImage(memory, square, reinterpret_cast<HIMAGELIST>(cache.GetImageList(shellList)),
                  parts.icon, parts.overlay, parts.thumbnail, parts.cut);
    BitBlt(dc, cell.left + square.left, cell.top + square.top, side, side, memory, square.left,
           square.top, SRCCOPY);
}
