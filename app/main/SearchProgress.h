// What the main window does with the search's progress reports that needs
// only the results list: the redraw of a row whose item changed (its icon
// arrived) and the pace at which the list follows a growing count. UI
// thread only, inside the handler of the progress message.
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

// When the list takes a new count while a search adds results. Each count
// redraws the list's scroll bars, which some systems do at once and slowly
// (tens of milliseconds), and the search's own thread then competes with
// that drawing for the system; the scroll bars need only a few moves a
// second. So the list takes a count at once when it falls (rows must go
// before they are drawn) or fills rows of its page that are still empty,
// and otherwise once the time since its last count is twenty times what
// that count cost it (at most two seconds). UI thread only.
struct ListCountPace {
    static constexpr double kCostShare = 20;
    static constexpr double kLongestWaitMs = 2000;

    double takenAtMs = 0; // when the list took its last count, on a steady clock
    double costMs = 0;    // what it cost

    // Milliseconds until the list, showing `shown` rows, should take
    // `count`, 0 for now (also when it shows that count already).
    DWORD WaitMs(HWND list, int shown, int count, double nowMs) const;
    void Taken(double atMs, double tookMs) {
        takenAtMs = atMs;
        costMs = tookMs;
    }
};
