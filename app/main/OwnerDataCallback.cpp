#include "app/main/OwnerDataCallback.h"

#include "foundation/ShutdownFlag.h"

STDMETHODIMP COwnerDataCallback::GetItemInGroup(int groupIndex, int n, int* item) {
    if (IsShuttingDown())
        return S_FALSE;
    if (item == nullptr)
        return E_INVALIDARG;
    if (groupIndex < 0 || static_cast<size_t>(groupIndex) >= groups.groups.size())
        return S_FALSE;
    const auto& members = groups.groups[static_cast<size_t>(groupIndex)].items;
    if (n < 0 || static_cast<size_t>(n) >= members.size())
        return S_FALSE;
    *item = members[static_cast<size_t>(n)];
    return S_OK;
}

STDMETHODIMP COwnerDataCallback::GetItemGroup(int item, int, int* group) {
    if (IsShuttingDown())
        return S_FALSE;
    if (group == nullptr)
        return E_INVALIDARG;
    if (item < 0 || static_cast<size_t>(item) >= groups.item_map.size())
        return S_FALSE;
    *group = groups.item_map[static_cast<size_t>(item)];
    return S_OK;
}

STDMETHODIMP COwnerDataCallback::GetItemGroupCount(int, int* count) {
    if (count == nullptr)
        return E_INVALIDARG;
    *count = 1;
    return S_OK;
}
