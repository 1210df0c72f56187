// The layout of the results list's nine columns (width, display order,
// visibility; key Columns of uistates.ini) and the export dialog's choice
// and order of columns (key ExportCustomCols of uistates.ini). Column ids:
// 0 name (always shown), 1 size (right-aligned), 2 to 8 the others. Applying
// a layout to a list view belongs to the window library.
// UI thread only.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

#include <array>
#include <climits>
#include <cstdint>
#include <vector>

class mvini;

inline constexpr int kListColumnCount = 9;

// The width of a column that keeps its default until the screen is measured:
// a windowless run never measures it.
inline constexpr int32_t kUnmeasuredWidth = INT32_MIN;

// One column of the results list.
struct ColumnRecord {
    int32_t Width = 0;  // pixels, or kUnmeasuredWidth
    int32_t Order = 0;  // display position
    uint8_t Hidden = 0; // 1: not shown
    int32_t Format = 0; // list-view column format; not stored

    bool SameLayout(const ColumnRecord& other) const noexcept {
        return Width == other.Width && Order == other.Order && Hidden == other.Hidden;
    }
};

class ColumnSettings {
public:
    // The defaults with their widths not yet measured.
    ColumnSettings() { SetUnmeasuredDefaults(); }

    // Width 12 average characters of the screen font (at least 120 pixels;
    // column 0 five thirds of that), order = id, all shown.
    void SetDefaults();
    // The defaults of SetDefaults with every width kUnmeasuredWidth, so that
    // nothing touches the screen until a window shows the columns.
    void SetUnmeasuredDefaults();
    // Gives each record of width kUnmeasuredWidth its default width, measured
    // on the screen now; the others stay.
    void MeasureDefaultWidths();
    // Unmeasured defaults, then the Columns text of the ini's default
    // section: nine "width,order,hidden" records separated by "|". Another
    // number of records keeps every default; a record without exactly three
    // fields keeps the defaults of that one and all after it.
    void Load(const mvini& ini);
    // Writes the Columns text ("%d,%d,%d" per record, joined by " | ").
    void Save(mvini& ini) const;
    // The Columns text of the records, unmeasured widths measured for it.
    mvstring Text() const;

    // Writes Columns alone to uistates.ini.
    void SaveToFile() const;

    std::array<ColumnRecord, kListColumnCount> Records;
};

// The export dialog's columns: byte i holds the column id at export position
// i in its low seven bits and 0x80 when that column is exported. Either
// nine bytes naming each id once, or empty for the default (all nine in id
// order).
class ExportColumns {
public:
    // ini given, save: writes the bytes as hex to key ExportCustomCols of the
    // ini's default section. ini given, load: a value of exactly 18 digits
    // replaces the bytes (empty when they are not nine bytes naming each id
    // once); any other length leaves them. No ini, load: `order` receives the
    // nine ids in export order, `checked` the exported ones in that order.
    // No ini, save: a nine-entry `order` naming each id once becomes the
    // bytes, marked by `checked`, and ExportCustomCols alone is written to
    // uistates.ini; any other order changes nothing.
    void LoadSave(bool save, std::vector<uint8_t>* order, std::vector<uint8_t>* checked,
                  mvini* ini = nullptr);

    const std::vector<uint8_t>& Bytes() const noexcept { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};
