// The UI vocabulary that comes as lists from the language file: the result
// column titles, the view-mode names, the group titles, the quick dates and
// the search panel's option lists. Lists are "/"-separated, each item trimmed.
// Cached lists are kept until the language changes (SetLanguage empties
// them); column titles, view-mode names and the default marker are read
// afresh on every call. UI thread only.
#pragma once

#include "foundation/mvstring.h"

#include <cstdint>
#include <vector>

struct ViewModeEntry {
    int32_t Mode; // 0 small icons, 1 icons, 2 large icons, 3 list, 4 details, 5 tiles
    mvstring Name;
};

// Number of relative date ranges (ids 0..14, oldest first).
inline constexpr int kDateRangeCount = 15;

// Fills `titles` with the nine column labels the system itself gives the
// columns, in column order; false (any content) when it cannot. The program
// supplies it from the property system; without one, no system labels exist.
using SystemColumnTitleLister = bool (*)(std::vector<mvstring>& titles);
// Installs the lister; it is asked at the first column title lookup after.
void SetSystemColumnTitleLister(SystemColumnTitleLister lister);

// Title of column `index` from section list_columns; the system's own
// label when the language has none. With `strip`, mnemonic ampersands and
// accelerator text are removed. Empty for an index outside 0..8.
// Column ids 0..8: name, size, type, modified, folder, created, accessed,
// attributes, extension.
mvstring GetColumnTitle(int index, bool strip);
// The nine titles in column order.
void GetColumnTitles(std::vector<mvstring>& titles, bool strip);

// The six view modes in menu order: details, list, tiles, small icons, icons,
// large icons, with their names from section menu_view (empty when missing).
void GetViewModeNames(std::vector<ViewModeEntry>& modes);

// Title of the group of names outside every range ("Other" by default).
const mvstring& GetOtherNameGroupTitle();
// Title of the group of items without extension ("Unspecified" by default).
const mvstring& GetOtherExtGroupTitle();

// Title of size group `id` (id < 0: the last title, the folders' group).
// `text` (a size label) becomes "title (label)", or the title alone when it
// was empty; it is left as it is for an id past the second-to-last title.
void GetSizeGroupTitle(int id, mvstring& text);

// Title of date range `id` (0..14); the unknown text ("<unknown>" by default)
// for any other id. A language list without exactly 15 titles is replaced by
// the English titles.
const mvstring& GetDateGroupTitle(int id);

// Entry 0..7 of the quick date choices (Today ... Last year); empty outside.
const mvstring& GetQuickDateList(int index);

// The marker appended to default options: the language's text with one
// blank in front, " *" when it has none.
mvstring GetDefaultMarker();

// Entry `index` of one of the search panel's option lists: 0 name options,
// 1 word options, 2 size options, 3 date modes, 4 date parts, 5 logic,
// 6 attributes. The default name option (entry 1) and word option (entry 0)
// carry the default marker. Empty for an unknown list or index.
const mvstring& GetSearchPanelOptionList(int list, int index);
