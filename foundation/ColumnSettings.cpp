#include "foundation/ColumnSettings.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Numbers.h"
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
    SetUnmeasuredDefaults();
    MeasureDefaultWidths();
}

void ColumnSettings::SetUnmeasuredDefaults() {
    for (int id = 0; id < kListColumnCount; ++id) {
        ColumnRecord& record = Records[id];
        record.Width = kUnmeasuredWidth;
        record.Order = id;
        record.Hidden = 0;
        record.Format = id == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    }
}

void ColumnSettings::MeasureDefaultWidths() {
    if (std::none_of(Records.begin(), Records.end(),
                     [](const ColumnRecord& r) { return r.Width == kUnmeasuredWidth; }))
        return;
    constexpr int kMinimumUnit = 120;
    int unit = kMinimumUnit;
    if (ScreenDC screen(GetDC(nullptr)); screen) {
        int average = 0;
        MeasureAverageChar(screen.Get(), &average);
        unit = std::max(kMinimumUnit, 12 * average);
    }
    for (int id = 0; id < kListColumnCount; ++id) {
        if (Records[id].Width == kUnmeasuredWidth)
            Records[id].Width = id == 0 ? unit * 5 / 3 : unit;
    }
}

void ColumnSettings::Load(const mvini& ini) {
    SetUnmeasuredDefaults();
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
    ColumnSettings measured = *this;
    measured.MeasureDefaultWidths();
    mvstring text;
    for (const ColumnRecord& record : measured.Records) {
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
