// Window objects for the window library's tests: a probe that records the
// messages reaching it and answers reflected messages as a test tells it.
#pragma once

#include "ui/core/mvWnd.h"

#include <vector>

// Records what reaches it and answers the reflected messages as told.
class ProbeWnd : public mvWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        if (message == WM_COMMAND)
            commands.push_back(wParam);
        if (message == parentAnswerTo)
            return parentAnswer;
        return mvWnd::WindowProc(message, wParam, lParam);
    }
    void OnAttached() override { ++attachedCalls; }
    void OnReflectDrawItem(DRAWITEMSTRUCT* item) override {
        ++reflected;
        if (!handles)
            mvWnd::OnReflectDrawItem(item);
    }
    void OnReflectMeasureItem(MEASUREITEMSTRUCT* item) override {
        ++reflected;
        if (!handles)
            mvWnd::OnReflectMeasureItem(item);
    }
    int OnReflectCompareItem(COMPAREITEMSTRUCT* item) override {
        ++reflected;
        return handles ? 7 : mvWnd::OnReflectCompareItem(item);
    }
    bool OnReflectNotify(NMHDR* header, LRESULT* result) override {
        ++reflected;
        if (!handles)
            return mvWnd::OnReflectNotify(header, result);
        *result = 42;
        return true;
    }
    bool OnReflectCommand(UINT code) override {
        ++reflected;
        lastCode = code;
        return handles;
    }
    void OnReflectCtlColor(HDC, LRESULT* result) override {
        ++reflected;
        if (colourBrush != nullptr)
            *result = reinterpret_cast<LRESULT>(colourBrush);
    }
    bool Saw(UINT message) const {
        for (UINT m : seen)
            if (m == message)
                return true;
        return false;
    }

    std::vector<UINT> seen;
    std::vector<WPARAM> commands; // wParam of each WM_COMMAND seen
    UINT parentAnswerTo = 0;
    LRESULT parentAnswer = 0;
    bool handles = false;
    int reflected = 0;
    int attachedCalls = 0;
    UINT lastCode = 0;
    HBRUSH colourBrush = nullptr;
};

// A hidden top-level window or a visible child of the library class (or of
// the class named).
inline bool CreateTopLevel(mvWnd& wnd) {
    return wnd.Create(L"top", nullptr, 0, 0, 0, 200, 150, WS_OVERLAPPEDWINDOW, 0, L"");
}

inline bool CreateChild(mvWnd& wnd, HWND parent, int id, const wchar_t* className = L"") {
    return wnd.Create(L"child", parent, static_cast<UINT_PTR>(id), 0, 0, 50, 20,
                      WS_CHILD | WS_VISIBLE, 0, className);
}

// Removes the WM_QUIT messages waiting in this thread's queue; their number.
inline int QuitMessagesWaiting() {
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        ++count;
    return count;
}
