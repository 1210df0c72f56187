// The answers an owner-data list view asks for when it shows groups: which
// group each display index is in and which index is the n-th of a group.
// The list holds no data, so the group table lives here and is rebuilt as a
// whole from the results (ResultGroups).
#pragma once

#include "search/ResultGroups.h"
#include "ui/core/mvComBase.h"

#include <windows.h>
#include <commctrl.h>

// The list view's owner-data callback interface. It is not in the system
// headers; the layout and the identifier are the list view's own.
MIDL_INTERFACE("44C09D56-8D3B-419D-A462-7B956B105B47")
IOwnerDataCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetItemPosition(int itemIndex, POINT* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetItemPosition(int itemIndex, POINT position) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemInGroup(int groupIndex, int groupWideItemIndex,
                                                     int* totalItemIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemGroup(int itemIndex, int occurrenceIndex,
                                                   int* groupIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemGroupCount(int itemIndex, int* occurrenceCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnCacheHint(LVITEMINDEX firstItem, LVITEMINDEX lastItem) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IOwnerDataCallback, 0x44c09d56, 0x8d3b, 0x419d, 0xa4, 0x62, 0x7b, 0x95, 0x6b, 0x10,
                0x5b, 0x47)
#endif

// The list message that installs the callback (wParam: the interface).
inline constexpr UINT kLvmSetOwnerDataCallback = LVM_FIRST + 187;

// Lives as a member of the results list, which holds its first reference
// for its whole life; the list view takes references of its own.
class COwnerDataCallback : public mvcom_base<IOwnerDataCallback> {
public:
    COwnerDataCallback() = default;
    ~COwnerDataCallback() override = default;

    // Every answer is S_FALSE while the program shuts down, so that the list
    // stops asking; out-of-range requests S_FALSE, null out-pointers
    // E_INVALIDARG.
    STDMETHODIMP GetItemPosition(int, POINT*) override { return E_NOTIMPL; }
    STDMETHODIMP SetItemPosition(int, POINT) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemInGroup(int groupIndex, int n, int* item) override;
    STDMETHODIMP GetItemGroup(int item, int occurrence, int* group) override;
    // Every item is in exactly one group.
    STDMETHODIMP GetItemGroupCount(int item, int* count) override;
    STDMETHODIMP OnCacheHint(LVITEMINDEX, LVITEMINDEX) override { return S_OK; }

    ResultGroups groups;
};
