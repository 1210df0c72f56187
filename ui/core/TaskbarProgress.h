// The taskbar button's progress state per window.
#pragma once

#include "foundation/Handles.h"

#include <windows.h>
#include <shobjidl.h>

#include <map>

struct TaskbarProgressEntry {
    int state = 0; // a TBPF_ value; 0 clears the progress
    bool paused = false;
};

// The process-wide table and the taskbar object, both set up by the
// application.
struct TaskbarProgressTable {
    std::map<HWND, TaskbarProgressEntry> entries;
    ComHandle<ITaskbarList3> taskbar;

    static TaskbarProgressTable& Get();
};

// Applies the window's entry: TBPF_PAUSED while paused, else its state; an
// entry of state 0 shows no progress and is removed. False without a window,
// without the taskbar object, for a window without an entry, or when the
// taskbar refuses.
bool SetTaskbarProgressState(HWND hwnd);

// Sets the window's state to 0 (adding the entry when missing) and applies it.
void ClearTaskbarProgress(HWND hwnd);
