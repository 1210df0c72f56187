#include "panel/VQCheckListCtrl.h"

#include "app/shared/VQDataObject.h"
#include "app/shared/VQDropSource.h"
#include "app/shared/VQDropTarget.h"
#include "foundation/Handles.h"
#include "ui/theme/UiTheme.h"

#include <shlobj.h>
#include <uxtheme.h>

#include <algorithm>
#include <set>

namespace {

// WS_CHILD, WS_VISIBLE, WS_CLIPSIBLINGS, WS_TABSTOP, LVS_REPORT,
// LVS_SHOWSELALWAYS, LVS_SHAREIMAGELISTS, LVS_NOCOLUMNHEADER,
// LVS_NOSORTHEADER.
constexpr DWORD kListStyle = 0x5401C049;
constexpr DWORD kListExStyle =
    LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER;
// State images: 1 unchecked, 2 checked.
constexpr UINT kUnchecked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kChecked = INDEXTOSTATEIMAGEMASK(2);

int CALLBACK CompareRows(LPARAM data1, LPARAM data2, LPARAM order) {
    return CVQCheckListCtrl::CompareByOrder(data1, data2,
                                            *reinterpret_cast<const std::vector<LPARAM>*>(order));
}

int PositionOf(LPARAM data, const std::vector<LPARAM>& order) {
    const auto at = std::find(order.begin(), order.end(), data);
    return at == order.end() ? -1 : static_cast<int>(at - order.begin());
}

// The list's own target during a drag of its rows: it accepts the move and
// shows the drag image as every target of the program does, and notes where
// the rows were dropped. Lives on the stack of the drag.
class RowDropTarget : public CVQDropTarget {
public:
    RowDropTarget() : CVQDropTarget(true) {}
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
        dropped = true;
        at = {point.x, point.y};
        return CVQDropTarget::Drop(data, keys, point, effect);
    }
    bool dropped = false;
    POINT at{}; // screen coordinates
};

} // namespace

bool CVQCheckListCtrl::Create(HWND parent) {
    if (!mvWnd::Create(L"", parent, kCheckListId, 0, 0, 100, 100, kListStyle, WS_EX_CLIENTEDGE,
                       WC_LISTVIEWW))
        return false;
    SendMessageW(m_hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, kListExStyle, kListExStyle);
    SetWindowTheme(m_hwnd, L"Explorer", nullptr);
    LVCOLUMNW column{};
    SendMessageW(m_hwnd, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    if (!SystemLook()) {
        SendMessageW(m_hwnd, LVM_SETBKCOLOR, 0, ThemeColour(ThemeEditBg));
        SendMessageW(m_hwnd, LVM_SETTEXTBKCOLOR, 0, ThemeColour(ThemeEditBg));
        SendMessageW(m_hwnd, LVM_SETTEXTCOLOR, 0, ThemeColour(ThemeText));
    }
    return true;
}

int CVQCheckListCtrl::Count() const {
    return m_hwnd != nullptr ? static_cast<int>(SendMessageW(m_hwnd, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int CVQCheckListCtrl::InsertItem(const wchar_t* text, LPARAM data) {
    if (m_hwnd == nullptr)
        return -1;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = Count();
    item.pszText = const_cast<wchar_t*>(text != nullptr ? text : L"");
    item.lParam = data;
    return static_cast<int>(SendMessageW(m_hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void CVQCheckListCtrl::SetCheck(int index, bool checked) {
    if (m_hwnd == nullptr || index < 0)
        return;
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = checked ? kChecked : kUnchecked;
    SendMessageW(m_hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

bool CVQCheckListCtrl::GetCheck(int index) const {
    if (m_hwnd == nullptr || index < 0)
        return false;
    const auto state = static_cast<UINT>(
        SendMessageW(m_hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK));
    return state == kChecked;
}

LPARAM CVQCheckListCtrl::GetItemData(int index) const {
    if (m_hwnd == nullptr || index < 0)
        return -1;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageW(m_hwnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return -1;
    return item.lParam;
}

int CVQCheckListCtrl::FindItemByData(LPARAM data) const {
    if (data == -1 || data == -2)
        return -1;
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (GetItemData(i) == data)
            return i;
    return -1;
}

int CVQCheckListCtrl::GetFocusedIndex() const {
    if (m_hwnd == nullptr)
        return -1;
    auto selected = [this](int index) {
        return index >= 0 &&
               (SendMessageW(m_hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(index),
                             LVIS_SELECTED) &
                LVIS_SELECTED) != 0;
    };
    const int focused =
        static_cast<int>(SendMessageW(m_hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (selected(focused))
        return focused;
    const int mark = static_cast<int>(SendMessageW(m_hwnd, LVM_GETSELECTIONMARK, 0, 0));
    if (selected(mark))
        return mark;
    return static_cast<int>(
        SendMessageW(m_hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int CVQCheckListCtrl::CompareByOrder(LPARAM data1, LPARAM data2, const std::vector<LPARAM>& order) {
    const int a = PositionOf(data1, order);
    const int b = PositionOf(data2, order);
    return a < b ? -1 : a > b ? 1 : 0;
}

bool CVQCheckListCtrl::MoveOrderEntry(std::vector<LPARAM>& order, int index, int offset) {
    const int size = static_cast<int>(order.size());
    const int target = index + offset;
    if (offset == 0 || index < 0 || index >= size || target < 0 || target >= size)
        return false;
    const auto from = order.begin() + index;
    const auto to = order.begin() + target;
    if (offset > 0)
        std::rotate(from, from + 1, to + 1);
    else
        std::rotate(to, from, from + 1);
    return true;
}

void CVQCheckListCtrl::SortByOrder(const std::vector<LPARAM>& order) {
    if (m_hwnd != nullptr)
        SendMessageW(m_hwnd, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&order),
                     reinterpret_cast<LPARAM>(CompareRows));
}

bool CVQCheckListCtrl::MoveSelection(int offset) {
    const int count = Count();
    if (offset == 0 || count == 0)
        return false;
    std::set<LPARAM> moving;
    std::vector<LPARAM> order;
    for (int i = 0; i < count; ++i) {
        order.push_back(GetItemData(i));
        if (SendMessageW(m_hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) &
            LVIS_SELECTED)
            moving.insert(order.back());
    }
    if (moving.empty())
        return false;
    const std::vector<LPARAM> before = order;
    // From the end the rows move towards, so that a moved row is never met
    // again; a row that would leave the list keeps the whole block still.
    const int step = offset > 0 ? -1 : 1;
    for (int i = offset > 0 ? count - 1 : 0; i >= 0 && i < count; i += step) {
        if (moving.erase(order[static_cast<size_t>(i)]) == 0)
            continue;
        if (!MoveOrderEntry(order, i, offset)) {
            order = before;
            break;
        }
    }
    if (order == before)
        return false;
    SortByOrder(order);
    TellParentOrderChanged();
    return true;
}

void CVQCheckListCtrl::TellParentOrderChanged() {
    NMLISTVIEW change{};
    change.hdr.hwndFrom = m_hwnd;
    change.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_hwnd));
    change.hdr.code = LVN_ITEMCHANGED;
    change.iItem = 0;
    change.uChanged = LVIF_STATE;
    SendMessageW(GetParent(m_hwnd), WM_NOTIFY, change.hdr.idFrom,
                 reinterpret_cast<LPARAM>(&change));
}

int CVQCheckListCtrl::DropRowAt(POINT client) const {
    const int count = Count();
    if (count == 0)
        return -1;
    LVINSERTMARK mark{};
    mark.cbSize = sizeof mark;
    mark.iItem = -1;
    if (SendMessageW(m_hwnd, LVM_INSERTMARKHITTEST, reinterpret_cast<WPARAM>(&client),
                     reinterpret_cast<LPARAM>(&mark)) &&
        mark.iItem >= 0)
        return mark.iItem;
    // Wine's list view does not know the insert mark: the row under the
    // point, else the first or last row when the point is above or below.
    LVHITTESTINFO hit{};
    hit.pt = client;
    const int row = static_cast<int>(SendMessageW(m_hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row >= 0 && row < count)
        return row;
    RECT first{LVIR_BOUNDS};
    SendMessageW(m_hwnd, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    return client.y < first.top ? 0 : count - 1;
}

bool CVQCheckListCtrl::OnReflectNotify(NMHDR* header, LRESULT* result) {
    if (header->code != LVN_BEGINDRAG || m_fixedOrder)
        return mvWnd::OnReflectNotify(header, result);
    DoDragReorder();
    *result = 0;
    return true;
}

void CVQCheckListCtrl::DoDragReorder() {
    // The focused row leads: it is the one that lands where the rows drop.
    const int lead = GetFocusedIndex();
    if (m_hwnd == nullptr || lead < 0)
        return;
    // The object carries no format: nothing outside the list can take it.
    ComHandle<CVQDataObject> data(new CVQDataObject);
    ComHandle<CVQDropSource> source(new CVQDropSource);
    RowDropTarget target;
    if (!target.Register(m_hwnd))
        return;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT ended = SHDoDragDrop(m_hwnd, data.Get(), source.Get(), DROPEFFECT_MOVE, &effect);
    target.Revoke();
    // The loop calls a release over another window a drop too: only a drop
    // on the list itself moves rows.
    if (ended != DRAGDROP_S_DROP || !target.dropped)
        return;
    POINT at = target.at;
    ScreenToClient(m_hwnd, &at);
    const int row = DropRowAt(at);
    if (row >= 0)
        MoveSelection(row - lead);
}

LRESULT CVQCheckListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && !m_fixedOrder) {
        // The key state as it was when this key came, not the live one.
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        const bool shift = GetKeyState(VK_SHIFT) < 0;
        if (ctrl && !shift && (wParam == VK_UP || wParam == VK_DOWN)) {
            MoveSelection(wParam == VK_UP ? -1 : 1);
            return 0;
        }
        if (ctrl && wParam == 'A') {
            LVITEMW all{};
            all.stateMask = LVIS_SELECTED;
            all.state = LVIS_SELECTED;
            SendMessageW(m_hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(&all));
        }
    }
    const LRESULT result = mvWnd::WindowProc(message, wParam, lParam);
    if (message == WM_SIZE) {
        RECT client{};
        GetClientRect(m_hwnd, &client);
        SendMessageW(m_hwnd, LVM_SETCOLUMNWIDTH, 0, client.right);
    } else if (message == WM_LBUTTONDOWN && m_toggleOnClick) {
        // A click on the check box itself the list view toggles already.
        LVHITTESTINFO hit{};
        hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int row =
            static_cast<int>(SendMessageW(m_hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (row >= 0 && row < Count() && (hit.flags & LVHT_ONITEMSTATEICON) == 0) {
            const auto state = static_cast<UINT>(SendMessageW(
                m_hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
            SetCheck(row, state == kUnchecked);
        }
    }
    return result;
}
