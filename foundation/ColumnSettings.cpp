#include "foundation/ColumnSettings.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Numbers.h"
#include "foundation/Settings.h"
#include "foundation/TextMetrics.h"
#include "foundation/mvini.h"

#include <commctrl.h>

#include <algorithm>
#include <bitset>
#include <iterator>

namespace {

constexpr wchar_t kColumnsKey[] = L"Columns";
constexpr wchar_t kExportKey[] = L"ExportCustomCols";

std::wstring_view SectionOf(const mvini& ini) {
    const mvstring& section = ini.DefaultSection();
    return section.empty() ? std::wstring_view(L"global") : section.view();
}

int32_t ToInt32(const mvstring& text) {
    return static_cast<int32_t>(static_cast<uint32_t>(text.ToInt()));
}

bool IsColumnId(int id) {
    return id >= 0 && id < kListColumnCount;
}

// Reads the list view's column at `position`; false when there is none.
bool GetListColumn(HWND list, int position, UINT mask, LVCOLUMNW& column) {
    column = LVCOLUMNW{};
    column.mask = mask;
    return SendMessageW(list, LVM_GETCOLUMNW, position, reinterpret_cast<LPARAM>(&column)) != 0;
}

// True when the low seven bits of the nine entries name every column once.
template <typename Bytes> bool NamesEachColumnOnce(const Bytes& bytes) {
    if (std::size(bytes) != kListColumnCount)
        return false;
    std::bitset<kListColumnCount> seen;
    for (const uint8_t byte : bytes) {
        const int id = byte & 0x7F;
        if (!IsColumnId(id) || seen.test(id))
            return false;
        seen.set(id);
    }
    return true;
}

} // namespace

// --- ColumnSettings ---

void ColumnSettings::SetDefaults() {
    constexpr int kMinimumUnit = 120;
    int unit = kMinimumUnit;
    if (ScreenDC screen(GetDC(nullptr)); screen) {
        int average = 0;
        MeasureAverageChar(screen.Get(), &average);
        unit = std::max(kMinimumUnit, 12 * average);
    }
    for (int id = 0; id < kListColumnCount; ++id) {
        ColumnRecord& record = Records[id];
        record.Width = id == 0 ? unit * 5 / 3 : unit;
        record.Order = id;
        record.Hidden = 0;
        record.Format = id == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    }
}

void ColumnSettings::Load(const mvini& ini) {
    SetDefaults();
    const mvstring text = ini.GetString(SectionOf(ini), kColumnsKey);
    if (text.empty())
        return;
    std::vector<mvstring> parts;
    SplitString(text, parts, L"|");
    if (parts.size() != kListColumnCount)
        return;
    for (int id = 0; id < kListColumnCount; ++id) {
        std::vector<mvstring> fields;
        SplitString(parts[id], fields, L",");
        if (fields.size() != 3)
            return;
        Records[id].Width = ToInt32(fields[0]);
        Records[id].Order = ToInt32(fields[1]);
        Records[id].Hidden = ParseBool(fields[2]) ? 1 : 0;
    }
}

mvstring ColumnSettings::Text() const {
    mvstring text;
    for (const ColumnRecord& record : Records) {
        if (!text.empty())
            text += L" | ";
        text += IntToText(record.Width) + L"," + IntToText(record.Order) + L"," +
                IntToText(record.Hidden);
    }
    return text;
}

void ColumnSettings::Save(mvini& ini) const {
    ini.SetString(SectionOf(ini), kColumnsKey, Text());
}

void ColumnSettings::SaveToFile() const {
    mvini ini(L"global");
    Save(ini);
    LoadNamedIni(ini, true, kUiStatesIni);
}

bool ColumnSettings::ApplyToList(HWND list, const std::vector<mvstring>& titles) {
    if (!IsWindow(list))
        return false;
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

void ColumnSettings::CaptureAll(HWND list) {
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

bool ColumnSettings::CaptureAndSave(HWND list, int index) {
    if (!IsWindow(list))
        return false;
    if (index == -1) {
        const auto before = Records;
        CaptureAll(list);
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
    SaveToFile();
    return true;
}

bool ColumnSettings::ToggleColumn(HWND list, int id, const mvstring& title) {
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
    CaptureAll(list);
    SaveToFile();
    return true;
}

// --- header sort arrow ---

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

// --- ExportColumns ---

void ExportColumns::LoadSave(bool save, std::vector<uint8_t>* order, std::vector<uint8_t>* checked,
                             mvini* ini) {
    if (ini != nullptr) {
        if (save) {
            mvstring text;
            HexEncode(text, m_bytes.data(), m_bytes.size());
            ini->SetString(SectionOf(*ini), kExportKey, text);
            return;
        }
        const mvstring text = ini->GetString(SectionOf(*ini), kExportKey);
        if (text.length() != 2 * kListColumnCount)
            return;
        uint8_t bytes[kListColumnCount] = {};
        // Ids outside 0..8 or repeated would make the export dialog index
        // past its nine columns, so such a value counts as nothing stored.
        if (text.HexToBytes(bytes, kListColumnCount) == kListColumnCount &&
            NamesEachColumnOnce(bytes))
            m_bytes.assign(bytes, bytes + kListColumnCount);
        else
            m_bytes.clear();
        return;
    }
    const bool stored = m_bytes.size() == kListColumnCount;
    if (!save) {
        if (order != nullptr) {
            order->clear();
            for (int i = 0; i < kListColumnCount; ++i)
                order->push_back(stored ? m_bytes[i] & 0x7F : static_cast<uint8_t>(i));
        }
        if (checked != nullptr) {
            checked->clear();
            for (int i = 0; i < kListColumnCount; ++i)
                if (!stored || (m_bytes[i] & 0x80) != 0)
                    checked->push_back(stored ? m_bytes[i] & 0x7F : static_cast<uint8_t>(i));
        }
        return;
    }
    if (order == nullptr || !NamesEachColumnOnce(*order))
        return;
    m_bytes.clear();
    for (const uint8_t entry : *order) {
        const auto id = static_cast<uint8_t>(entry & 0x7F);
        const bool exported =
            checked != nullptr && std::find(checked->begin(), checked->end(), id) != checked->end();
        m_bytes.push_back(exported ? id | 0x80 : id);
    }
    mvini file(L"global");
    LoadSave(true, nullptr, nullptr, &file);
    LoadNamedIni(file, true, kUiStatesIni);
}
