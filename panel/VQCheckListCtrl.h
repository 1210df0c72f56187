// A one-column list with a check box per row, for a fixed set of entries
// (columns, options) that the user ticks and may put in order. Each row
// carries a value of the owner's choosing (its item data) that names the
// entry wherever it stands. Rows move with Ctrl+Up and Ctrl+Down or by
// dragging; the owner reads order and checks back row by row and may impose
// an order of its own. UI thread only.
#pragma once

#include "ui/core/mvWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

inline constexpr int kCheckListId = 1003;

class CVQCheckListCtrl : public mvWnd {
public:
    // The keys of the rows, and the click beside a check box; see the flags.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A drag of rows begun in the list reorders them (unless the order is
    // fixed); every other notice is the list view's.
    bool OnReflectNotify(NMHDR* header, LRESULT* result) override;

    // The list (id 1003) at 0, 0, 100 x 100 in the parent, which lays it
    // out; in the own colours its background and text take the theme's.
    // False when the window cannot be made or the object has one.
    bool Create(HWND parent);

    // Appends a row; its index, or -1 without a window or on failure.
    int InsertItem(const wchar_t* text, LPARAM data);
    // Nothing without a window or for a negative index.
    void SetCheck(int index, bool checked);
    // Whether the row shows the checked image; false for no such row.
    bool GetCheck(int index) const;
    int Count() const;
    // -1 when there is no window or no such row.
    LPARAM GetItemData(int index) const;
    // The first row carrying the data; -1 for none, and always for -1 and
    // -2, which are no valid data.
    int FindItemByData(LPARAM data) const;
    // The focused row when it is selected, else the selection mark when
    // selected, else the first selected row; -1 when nothing is selected.
    int GetFocusedIndex() const;

    // Moves every selected row by `offset` places (negative: up); a block of
    // selected rows that would leave the list does not move at all. On a
    // change the parent gets LVN_ITEMCHANGED (item 0, mask LVIF_STATE), the
    // moved rows stay selected, and the result is true.
    bool MoveSelection(int offset);
    // Puts the rows in the order of the data values; rows whose data is not
    // listed come first.
    void SortByOrder(const std::vector<LPARAM>& order);

    // Positions of the two values in `order` compared: -1, 0 or 1; a value
    // not listed counts as position -1.
    static int CompareByOrder(LPARAM data1, LPARAM data2, const std::vector<LPARAM>& order);
    // Moves the entry at `index` to `index + offset`, shifting those between.
    // False when offset is 0 or either place lies outside the vector.
    static bool MoveOrderEntry(std::vector<LPARAM>& order, int index, int offset);

    // The row a drop at the client point lands on: the insert mark's row,
    // or, where the list view cannot tell it (Wine), the row under the point
    // or the nearest one above or below the rows. -1 for an empty list.
    int DropRowAt(POINT client) const;

    // True: no reordering at all (no drag, no Ctrl+Up/Down) and Ctrl+A
    // does nothing.
    bool m_fixedOrder = false;
    // True: a left click on a row outside its check box toggles it.
    bool m_toggleOnClick = false;

private:
    // Runs the drag loop with the list as its own drop target (accepting a
    // move, showing the drag image) and, when the rows were dropped on the
    // list, moves the selection so that the focused row lands on the row
    // under the drop. A cancelled drag, or one dropped anywhere else,
    // changes nothing. The caller has initialised OLE on this thread.
    void DoDragReorder();
    void TellParentOrderChanged();
};
