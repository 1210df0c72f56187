#include "ui/controls/ListColumns.h"

#include "foundation/Settings.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace {

bool IsColumnId(int id) {
    return id >= 0 && id < kListColumnCount;
}

// Reads the list view's column at `position`; false when there is none.
bool GetListColumn(HWND list, int position, UINT mask, LVCOLUMNW& column) {
    column = LVCOLUMNW{};
    column.mask = mask;
    return SendMessageW(list, LVM_GETCOLUMNW, position, reinterpret_cast<LPARAM>(&column)) != 0;
}

// Takes width, order and visibility of every column from the list view.
void CaptureAll(ColumnSettings& columns, HWND list) {
    auto& Records = columns.Records;
    for (int id = 0; id < kListColumnCount; ++id)
        Records[id].Hidden = id == 0 ? 0 : 1;
    LVCOLUMNW column;
    for (int position = 0;
         GetListColumn(list, position, LVCF_WIDTH | LVCF_SUBITEM | LVCF_ORDER, column);
         ++position) {
        if (!IsColumnId(column.iSubItem))
            continue;
        ColumnRecord& record = Records[column.iSubItem];
        record.Width = column.cx;
        record.Order = column.iOrder;
        record.Hidden = 0;
    }
}

} // namespace

bool ApplyToList(ColumnSettings& columns, HWND list, const std::vector<mvstring>& titles) {
    auto& Records = columns.Records;
    if (!IsWindow(list))
        return false;
    // The first list to show the columns measures their default widths.
    columns.MeasureDefaultWidths();
    while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0) != 0) {
    }
    Records[0].Hidden = 0;

    struct Inserted {
        int position;
        int id;
    };
    std::vector<Inserted> inserted;
    for (int id = 0; id < kListColumnCount; ++id) {
        const ColumnRecord& record = Records[id];
        if (record.Hidden)
            continue;
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = record.Format;
        column.cx = record.Width;
        column.pszText = const_cast<wchar_t*>(id < std::ssize(titles) ? titles[id].c_str() : L"");
        column.iSubItem = id;
        const auto position = static_cast<int>(SendMessageW(
            list, LVM_INSERTCOLUMNW, inserted.size(), reinterpret_cast<LPARAM>(&column)));
        if (position < 0)
            continue;
        // The first column may ignore the format given at insertion.
        LVCOLUMNW format{};
        format.mask = LVCF_FMT;
        format.fmt = record.Format;
        SendMessageW(list, LVM_SETCOLUMNW, position, reinterpret_cast<LPARAM>(&format));
        inserted.push_back({position, id});
    }
    for (const Inserted& column : inserted) {
        LVCOLUMNW order{};
        order.mask = LVCF_ORDER;
        order.iOrder = Records[column.id].Order;
        SendMessageW(list, LVM_SETCOLUMNW, column.position, reinterpret_cast<LPARAM>(&order));
    }
    SetHeaderSortArrow(list);
    return true;
}

bool CaptureAndSave(ColumnSettings& columns, HWND list, int index) {
    auto& Records = columns.Records;
    if (!IsWindow(list))
        return false;
    if (index == -1) {
        const auto before = Records;
        CaptureAll(columns, list);
        if (std::equal(
                Records.begin(), Records.end(), before.begin(),
                [](const ColumnRecord& a, const ColumnRecord& b) { return a.SameLayout(b); }))
            return true;
    } else {
        LVCOLUMNW column;
        if (!GetListColumn(list, index, LVCF_WIDTH | LVCF_SUBITEM | LVCF_ORDER, column) ||
            !IsColumnId(column.iSubItem))
            return false;
        ColumnRecord& record = Records[column.iSubItem];
        const ColumnRecord before = record;
        record.Width = column.cx;
        record.Order = column.iOrder;
        record.Hidden = 0;
        if (record.SameLayout(before))
            return true;
    }
    columns.SaveToFile();
    return true;
}

bool ToggleColumn(ColumnSettings& columns, HWND list, int id, const mvstring& title) {
    auto& Records = columns.Records;
    if (!IsWindow(list) || id < 1 || id >= kListColumnCount)
        return false;
    int position = -1;
    int order = 0;
    LVCOLUMNW column;
    for (int at = 0; GetListColumn(list, at, LVCF_SUBITEM | LVCF_ORDER, column); ++at) {
        if (column.iSubItem == id) {
            position = at;
            order = column.iOrder;
            break;
        }
    }
    columns.MeasureDefaultWidths();
    ColumnRecord& record = Records[id];
    bool changed = false;
    if (position < 0) {
        column = LVCOLUMNW{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM | LVCF_ORDER;
        column.fmt = record.Format;
        column.cx = record.Width;
        column.pszText = const_cast<wchar_t*>(title.c_str());
        column.iSubItem = id;
        column.iOrder = id;
        changed = SendMessageW(list, LVM_INSERTCOLUMNW, id, reinterpret_cast<LPARAM>(&column)) >= 0;
        if (changed && id == Settings().SortColumn.Get())
            SetHeaderSortArrow(list);
    } else {
        // A hidden column keeps the place it had, for the file.
        record.Order = order;
        changed = SendMessageW(list, LVM_DELETECOLUMN, position, 0) != 0;
    }
    if (!changed)
        return false;
    // The visibility has changed even when no other column moved, so the
    // layout is written whatever the capture finds.
    CaptureAll(columns, list);
    columns.SaveToFile();
    return true;
}

void SetHeaderSortArrow(HWND list, int sortColumn, bool descending) {
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (header == nullptr)
        return;
    const auto count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT | HDI_LPARAM;
        if (!SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item)))
            continue;
        int format = item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
        if (item.lParam == sortColumn)
            format |= descending ? HDF_SORTDOWN : HDF_SORTUP;
        if (format == item.fmt)
            continue;
        HDITEMW change{};
        change.mask = HDI_FORMAT;
        change.fmt = format;
        SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&change));
    }
}

void SetHeaderSortArrow(HWND list) {
    const VQSettings& settings = Settings();
    SetHeaderSortArrow(list, settings.SortColumn.Get(), settings.SortDescending.Get());
}
