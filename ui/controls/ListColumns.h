// The results list's stored column layout applied to a list view, and taken
// back from it when the user moves, sizes, shows or hides a column. UI
// thread only.
#pragma once

#include "foundation/ColumnSettings.h"
#include "foundation/mvstring.h"

#include <windows.h>

#include <vector>

// Replaces the list view's columns by the shown records (column 0 is shown
// again when it was hidden), each with its id as subitem and titles[id] as
// text, sets their display orders and the sort arrow. False when the window
// does not exist.
bool ApplyToList(ColumnSettings& columns, HWND list, const std::vector<mvstring>& titles);
// Takes width and order of the list view's column at `index` (-1: of every
// column, and visibility from which ids are present) and writes Columns to
// uistates.ini when that changed anything. False when the window does not
// exist, or the column cannot be read or shows no id 0..8.
bool CaptureAndSave(ColumnSettings& columns, HWND list, int index);
// Shows column `id` (1..8) at position `id` when it is hidden, or hides it;
// then captures all columns and writes Columns to uistates.ini. False for no
// window, an id outside 1..8, or when the list view refused.
bool ToggleColumn(ColumnSettings& columns, HWND list, int id, const mvstring& title);

// Shows the sort arrow (down when descending) on the header item whose item
// data is `sortColumn` and clears it on every other item.
void SetHeaderSortArrow(HWND list, int sortColumn, bool descending);
// The same with SortColumn and SortDescending of the process-wide settings.
void SetHeaderSortArrow(HWND list);
