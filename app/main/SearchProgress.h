// What the main window does with the search's progress reports that needs
// only the results list: the redraw of a row whose item changed (its icon
// arrived). UI thread only, inside the handler of the progress message.
#pragma once

#include "search/FoundItem.h"

#include <windows.h>

// For a report of a changed item (code 6): redraws the item's row of the
// owner-data list when the report is the one being sent, its item has not
// been freed since (a new search may have cleared the results while the
// report was on its way) and the row lies in the list's client area. The
// visibility is the row's rectangle against the client area, since some
// systems answer "not visible" for every row of an owner-data list. True
// when the row was redrawn.
bool RedrawReportedItem(HWND list, const FoundItem* item);
