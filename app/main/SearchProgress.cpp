#include "app/main/SearchProgress.h"

#include "search/ResultList.h"
#include "search/SearchJob.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

bool RedrawReportedItem(HWND list, const FoundItem* item) {
    if (list == nullptr || item == nullptr || !GlobalSearchJob().IsReportedItemLive(item))
        return false;
    const int index = ResultList::IndexOf(const_cast<FoundItem*>(item));
    if (index < 0)
        return false;
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    if (!SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(&row)))
        return false;
    RECT client{}, shown{};
    GetClientRect(list, &client);
    if (!IntersectRect(&shown, &row, &client))
        return false;
    SendMessageW(list, LVM_REDRAWITEMS, static_cast<WPARAM>(index), static_cast<LPARAM>(index));
    return true;
}

DWORD ListCountPace::WaitMs(HWND list, int shown, int count, double nowMs) const {
    if (list == nullptr || count <= shown)
        return 0;
    // The row partly shown under the last whole one counts as empty too. In
    // the icon views every item counts as on the page: each count is taken.
    const auto top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    const auto page = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    if (shown <= top + page)
        return 0;
    const double due = takenAtMs + std::min(costMs * kCostShare, kLongestWaitMs);
    return due > nowMs ? static_cast<DWORD>(std::ceil(due - nowMs)) : 0;
}
