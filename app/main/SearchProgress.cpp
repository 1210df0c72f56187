#include "app/main/SearchProgress.h"

#include "search/ResultList.h"
#include "search/SearchJob.h"

#include <commctrl.h>

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
