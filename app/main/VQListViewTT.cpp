#include "app/main/VQListViewTT.h"

#include "app/main/JobState.h"

#include <commctrl.h>

LRESULT CVQListViewTT::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A tip over a row that the search is about to move or remove would
    // show the wrong file.
    if (message == TTM_RELAYEVENT && IsGlobalJobBusy())
        return 0;
    // Painting in the theme's colours, the erase under the system look and
    // the transparency to the mouse are the library tooltip's.
    return mvToolTipCtrl::WindowProc(message, wParam, lParam);
}
