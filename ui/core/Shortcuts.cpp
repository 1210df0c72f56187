#include "ui/core/Shortcuts.h"

#include <map>
#include <tuple>

namespace {

using ShortcutKey = std::tuple<HWND, uint16_t, uint16_t>; // target, key, modifiers

std::map<ShortcutKey, ShortcutEntry>& Table() {
    static std::map<ShortcutKey, ShortcutEntry> table;
    return table;
}

uint16_t HeldModifiers() {
    uint16_t held = 0;
    if (GetKeyState(VK_CONTROL) < 0)
        held |= kShortcutCtrl;
    if (GetKeyState(VK_SHIFT) < 0)
        held |= kShortcutShift;
    return held;
}

// The first ancestor without WS_CHILD; the last ancestor when every one is a
// child window; null for a window without a parent.
HWND TopAncestor(HWND hwnd) {
    HWND last = nullptr;
    for (HWND parent = GetParent(hwnd); parent != nullptr; parent = GetParent(parent)) {
        if ((GetWindowLongW(parent, GWL_STYLE) & WS_CHILD) == 0)
            return parent;
        last = parent;
    }
    return last;
}

} // namespace

void AddShortcut(const ShortcutEntry& entry) {
    Table()[ShortcutKey(entry.Target, entry.VirtualKey, entry.Modifiers)] = entry;
}

void ClearShortcutList() {
    Table().clear();
}

bool DispatchShortcutKey(MSG* msg) {
    if (msg == nullptr || msg->message != WM_KEYDOWN || msg->hwnd == nullptr)
        return false;
    const uint16_t held = HeldModifiers();
    const HWND top = TopAncestor(msg->hwnd);
    for (const auto& [key, row] : Table()) {
        if (row.VirtualKey != msg->wParam || row.Modifiers != held)
            continue;
        const bool inScope = row.Target == msg->hwnd ||
                             (top != nullptr && (row.Target == top || IsChild(top, row.Target)));
        if (!inScope)
            continue;
        switch (row.Action) {
        case kShortcutSendCommand:
            SendMessageW(row.Target, WM_COMMAND, MAKEWPARAM(row.Command, 1), 0);
            return true;
        case kShortcutRedirect:
            msg->hwnd = row.Target;
            return false;
        default:
            return false;
        }
    }
    return false;
}
