// Finding the descendants of a window, for the tests that drive real
// windows in this process or in a started program.
#pragma once

#include <windows.h>

#include <cwchar>
#include <functional>

// The first descendant, at any depth in the system's order, that passes the
// test; null when none does.
inline HWND FindDescendant(HWND parent, const std::function<bool(HWND)>& test) {
    struct Search {
        const std::function<bool(HWND)>* test;
        HWND found;
    } search{&test, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (!(*s->test)(hwnd))
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The visible button (at any depth) with exactly the caption; null when none.
inline HWND FindButtonByText(HWND parent, const wchar_t* text) {
    return FindDescendant(parent, [text](HWND hwnd) {
        wchar_t name[64] = {};
        wchar_t caption[128] = {};
        GetClassNameW(hwnd, name, 64);
        GetWindowTextW(hwnd, caption, 128);
        return IsWindowVisible(hwnd) && _wcsicmp(name, L"Button") == 0 &&
               wcscmp(caption, text) == 0;
    });
}
