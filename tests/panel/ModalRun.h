// Runs one of the program's dialogs modally while a helper thread acts on
// it, as the user would between its opening and its end; and the helper's
// way of finding the program's own windows (which are not of the system's
// dialog class) among those of the UI thread.
#pragma once

#include "ui/core/mvDialog.h"

#include <windows.h>

#include <functional>
#include <thread>

// The first visible top-level window of the thread that has a child with the
// id and is not `except`; waits up to 10 s. Null when none came.
inline HWND WaitForWindowWithChild(DWORD thread, int childId, HWND except = nullptr) {
    struct Search {
        int id;
        HWND except;
        HWND found;
    } search{childId, except, nullptr};
    for (int i = 0; i < 400 && search.found == nullptr; ++i) {
        EnumThreadWindows(
            thread,
            [](HWND hwnd, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                if (hwnd == s->except || !IsWindowVisible(hwnd) ||
                    GetDlgItem(hwnd, s->id) == nullptr)
                    return TRUE;
                s->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr)
            Sleep(25);
    }
    return search.found;
}

// Clicks a button of the dialog from another thread (the dialog's own
// thread handles it in its loop).
inline void PostClick(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// DoModal over `owner`; `act` runs on a helper thread with the dialog's
// window once it shows (found by the child id), and must end it.
inline INT_PTR RunModal(mvDialog& dialog, int childId, const std::function<void(HWND)>& act,
                        HWND owner = nullptr) {
    std::thread helper([ui = GetCurrentThreadId(), childId, &act] {
        if (HWND shown = WaitForWindowWithChild(ui, childId))
            act(shown);
    });
    const INT_PTR result = dialog.DoModal(owner);
    helper.join();
    return result;
}
