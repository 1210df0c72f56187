// The shortcut table: key presses in given windows mapped to commands. The
// application fills it; the modal loop's pre-filter asks DispatchShortcutKey
// about every message. UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>

// Modifier bits of a row; Alt is not represented.
inline constexpr uint16_t kShortcutCtrl = 8;
inline constexpr uint16_t kShortcutShift = 4;

// What a matching row does.
enum ShortcutAction : uint8_t {
    kShortcutSendCommand = 0, // WM_COMMAND (accelerator form) to the target
    kShortcutRedirect = 1,    // the key message goes to the target instead
};

struct ShortcutEntry {
    HWND Target = nullptr;
    uint16_t VirtualKey = 0;
    uint16_t Modifiers = 0; // kShortcutCtrl | kShortcutShift
    uint8_t Action = kShortcutSendCommand;
    uint16_t Command = 0;
};

// Adds the row, replacing a row with the same target, key and modifiers.
void AddShortcut(const ShortcutEntry& entry);
// Removes every row.
void ClearShortcutList();

// For WM_KEYDOWN: the first row (by target window, key, modifiers) whose key
// and exact modifiers match and whose target is the message window, the
// message window's top-level ancestor, or a descendant of that ancestor.
// A command row sends WM_COMMAND (command | 1 << 16) to its target and
// consumes the key (true); a redirect row readdresses the message to its
// target and leaves it to the loop (false). False when nothing matches.
bool DispatchShortcutKey(MSG* msg);
