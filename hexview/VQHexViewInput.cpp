// The hex view's keys and mouse: caret moves, the Shift rule of the
// selection, clicks, drags with automatic scrolling, the context menu and
// the wheel.
#include "hexview/VQHexViewPanel.h"

#include "hexview/VQHexViewDialogs.h"
#include "ui/controls/mvMenu.h"
#include "ui/core/Measure.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

bool CVQHexViewPanel::OnKey(UINT key, bool shift, bool ctrl) {
    if (key == 'O') {
        if (ctrl && m_hwnd != nullptr)
            PostMessageW(GetParent(m_hwnd), WM_COMMAND, 10001, 0);
        return false;
    }
    const int64_t size = FileSize();
    if (size <= 0 || m_perLine == 0)
        return false;
    switch (key) {
    case 'C':
        CopySelectionToClipboard(shift);
        return false;
    case 'F':
        if (ctrl)
            FindWithDialog();
        return false;
    case VK_F3:
        FindNext();
        return false;
    case 'G':
        if (ctrl)
            JumpWithDialog();
        return false;
    case 'A':
        if (ctrl) {
            m_anchor = 0;
            m_caret = size - 1;
            ScrollToOffset(m_caret, false, false);
            Redraw(false);
            UpdateCaret(false);
            PostStatusRefresh();
        }
        return false;
    default:
        break;
    }

    const int64_t n = m_perLine, visible = VisibleRows();
    const int64_t caret = std::max<int64_t>(m_caret, 0);
    const int64_t column = caret % n, rowStart = caret - column;
    const int64_t oldCaret = m_caret, oldAnchor = m_anchor;
    int64_t target = caret;
    bool toTop = false;
    // Shift keeps (or starts) the selection at the caret; without Shift
    // there is none.
    auto shiftRule = [&] {
        if (!shift)
            m_anchor = -1;
        else if (m_anchor < 0)
            m_anchor = caret;
    };
    // A key that moves onto the anchor itself ends the selection.
    bool dropOnAnchor = true;

    switch (key) {
    case VK_PRIOR:
    case VK_NEXT: {
        const bool up = key == VK_PRIOR;
        if (!ctrl) {
            // A target row outside the file changes nothing, the selection
            // included.
            const int64_t row = caret / n + (up ? -visible : visible);
            if (row < 0 || row >= m_rows)
                return false;
            shiftRule();
            target = row * n + column;
            toTop = true;
        } else {
            // Ctrl+PageDown takes the last wholly visible row; with a height
            // that is an exact multiple of the row height that is the row
            // just below the view (the view then scrolls by one row).
            RECT client{};
            GetClientRect(m_hwnd, &client);
            const bool exact = m_rowHeight > 0 && client.bottom % m_rowHeight == 0;
            const int64_t row = up ? m_top : m_top + visible - (exact ? 0 : 1);
            if (row == caret / n)
                return false;
            shiftRule();
            target = std::clamp<int64_t>(row, 0, m_rows - 1) * n + column;
        }
        break;
    }
    case VK_HOME:
        shiftRule();
        target = ctrl ? 0 : rowStart;
        toTop = ctrl;
        break;
    case VK_END:
        shiftRule();
        target = ctrl ? size - 1 : rowStart + n - 1;
        toTop = ctrl;
        break;
    case VK_LEFT:
    case VK_RIGHT: {
        const bool left = key == VK_LEFT;
        dropOnAnchor = false;
        if (shift && m_anchor < 0) {
            // The first Shift+arrow selects the caret byte alone.
            m_anchor = caret;
            break;
        }
        shiftRule();
        if (ctrl && n >= 4) {
            int64_t m = (n - 1) / 2;
            if (n % 2 == 0)
                m = (!left && shift) ? n / 2 - 1 : n / 2;
            if (left)
                target = column == 0 ? rowStart - 1 : column > m ? rowStart + m : rowStart;
            else
                target = column == n - 1 ? rowStart + n : column < m ? rowStart + m
                                                                      : rowStart + n - 1;
        } else {
            target = left ? caret - 1 : caret + 1;
        }
        break;
    }
    case VK_UP:
    case VK_DOWN: {
        const bool up = key == VK_UP;
        if (ctrl && !shift) {
            // Scrolls the view by a row; the caret stays.
            const int64_t top = m_top;
            if (up && top > 0)
                ScrollToOffset((top - 1) * n, true, false);
            else if (!up)
                ScrollToOffset((top + 1) * n, true, false);
            if (m_top != top)
                UpdateCaret(false);
            return false;
        }
        if (up && caret < n) {
            if (!shift && m_anchor >= 0) {
                m_anchor = -1;
                Redraw(false);
                UpdateCaret(false);
                PostStatusRefresh();
            }
            return false;
        }
        shiftRule();
        target = up ? caret - n : std::min(caret + n, size - 1);
        break;
    }
    default:
        return false;
    }

    m_caret = std::clamp<int64_t>(target, 0, size - 1);
    if (dropOnAnchor && m_anchor == m_caret)
        m_anchor = -1;
    if (m_caret == oldCaret && m_anchor == oldAnchor)
        return false;
    ScrollToOffset(m_caret, toTop, true);
    Redraw(false);
    UpdateCaret(false);
    PostStatusRefresh();
    return false;
}

void CVQHexViewPanel::JumpWithDialog() {
    uint64_t offset = 0;
    if (!AskHexviewNumber(GetParent(m_hwnd), false, offset))
        return;
    const int64_t size = FileSize();
    if (size <= 0)
        return;
    m_anchor = -1;
    m_caret = static_cast<int64_t>(std::min(offset, static_cast<uint64_t>(size) - 1));
    ScrollToOffset(m_caret, false, false);
    Redraw(false);
    UpdateCaret(false);
    PostStatusRefresh();
}

LRESULT CVQHexViewPanel::OnMouse(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = false;
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_LBUTTONDOWN: {
        SetFocus(m_hwnd);
        const int64_t p = HitTest(point);
        if (p < 0)
            break;
        const int64_t old = m_caret;
        m_caret = p;
        m_anchor = -1;
        if (p != old) {
            ScrollToOffset(p, false, true);
            Redraw(true);
            UpdateCaret(false);
        }
        m_anchor = p;
        m_caret = -1; // a click is pending until the button comes up or a drag starts
        SetCapture(m_hwnd);
        const RECT drag = GetDragMetrics();
        m_drag.width = drag.left;
        m_drag.height = drag.top;
        m_drag.dragging = false;
        m_drag.start = point;
        break;
    }
    case WM_MOUSEMOVE: {
        if (GetCapture() != m_hwnd || m_anchor < 0)
            break;
        if (!m_drag.dragging) {
            if (std::abs(point.x - m_drag.start.x) <= m_drag.width &&
                std::abs(point.y - m_drag.start.y) <= m_drag.height)
                break;
            m_drag.dragging = true;
        }
        const int64_t p = HitTest(point);
        if (p < 0 || p == m_caret)
            break;
        m_caret = p;
        if ((GetWindowLongW(m_hwnd, GWL_STYLE) & WS_VSCROLL) != 0 && m_scrollTimer.Id() == 0)
            m_scrollTimer.Rebind(m_hwnd, 50);
        ScrollToOffset(m_caret, false, true);
        PostStatusRefresh();
        Redraw(false);
        UpdateCaret(false);
        break;
    }
    case WM_TIMER:
        if (m_scrollTimer.Id() == 0 || wParam != m_scrollTimer.Id())
            break;
        handled = true;
        if (GetCapture() == m_hwnd && m_drag.dragging && m_perLine > 0) {
            POINT cursor{};
            GetCursorPos(&cursor);
            ScreenToClient(m_hwnd, &cursor);
            RECT client{};
            GetClientRect(m_hwnd, &client);
            const int64_t row = HitTest(cursor) / m_perLine;
            if ((row > 0 || m_top > 0) && row < m_rows - 1 &&
                (cursor.y < 0 || cursor.y >= client.bottom)) {
                PostMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(cursor.x, cursor.y));
                return 0;
            }
        }
        m_scrollTimer.Stop();
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == m_hwnd)
            ReleaseCapture();
        m_scrollTimer.Stop();
        if (!m_drag.dragging) {
            // A plain click: the caret on the pressed byte, no selection.
            if (m_caret < 0)
                m_caret = std::max<int64_t>(m_anchor, 0);
            m_anchor = -1;
        }
        if (m_caret < 0) // released on an empty panel
            m_caret = 0;
        m_drag.dragging = false;
        PostStatusRefresh();
        Redraw(false);
        UpdateCaret(false);
        break;
    case WM_LBUTTONDBLCLK:
        // The following button-up keeps a one-byte selection.
        m_drag.dragging = true;
        if (m_caret >= 0)
            m_anchor = m_caret;
        break;
    case WM_RBUTTONDOWN: {
        const int64_t p = HitTest(point);
        if (p < 0 || p == m_caret || IsSelected(p))
            break;
        m_caret = p;
        m_anchor = -1;
        PostStatusRefresh();
        ScrollToOffset(p, false, true);
        Redraw(true);
        UpdateCaret(false);
        break;
    }
    case WM_CONTEXTMENU: {
        handled = true;
        HWND parent = GetParent(m_hwnd);
        mvMenu* bar = mvMenuMap::Get().Find(GetMenu(parent));
        if (mvMenu* popup = bar != nullptr ? bar->FindSubMenuWithCommand(10027) : nullptr) {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (at.x == -1 && at.y == -1) { // from the keyboard: at the caret
                RECT cell{};
                if (ByteRect(std::max<int64_t>(m_caret, 0), cell, 0))
                    at = {cell.left, cell.bottom};
                ClientToScreen(m_hwnd, &at);
            }
            popup->TrackPopup(at.x, at.y, parent);
        }
        return 0;
    }
    case WM_MOUSEWHEEL: {
        if ((GET_KEYSTATE_WPARAM(wParam) & (MK_SHIFT | MK_CONTROL)) != 0)
            break;
        handled = true;
        const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / -WHEEL_DELTA;
        if (notches != 0)
            OnVScroll(kWheelCode, notches);
        return 1;
    }
    default:
        break;
    }
    return 0;
}
