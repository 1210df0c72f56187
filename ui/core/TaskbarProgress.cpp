#include "ui/core/TaskbarProgress.h"

TaskbarProgressTable& TaskbarProgressTable::Get() {
    static TaskbarProgressTable table;
    return table;
}

bool SetTaskbarProgressState(HWND hwnd) {
    TaskbarProgressTable& table = TaskbarProgressTable::Get();
    if (hwnd == nullptr || !table.taskbar)
        return false;
    const auto entry = table.entries.find(hwnd);
    if (entry == table.entries.end())
        return false;
    if (entry->second.state == 0) {
        table.entries.erase(entry);
        return SUCCEEDED(table.taskbar.Get()->SetProgressState(hwnd, TBPF_NOPROGRESS));
    }
    const TBPFLAG state =
        entry->second.paused ? TBPF_PAUSED : static_cast<TBPFLAG>(entry->second.state);
    return SUCCEEDED(table.taskbar.Get()->SetProgressState(hwnd, state));
}

void ClearTaskbarProgress(HWND hwnd) {
    if (hwnd == nullptr)
        return;
    TaskbarProgressTable::Get().entries[hwnd].state = 0;
    SetTaskbarProgressState(hwnd);
}
