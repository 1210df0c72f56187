// The search panel's controls: each is the library control with a window
// procedure that scrolls the enclosing scroll panel so that a control taking
// the focus shows. UI thread only.
#pragma once

#include "ui/controls/mvScrollPanel.h"
#include "ui/core/mvWnd.h"

#include <windows.h>

// Scrolls the nearest enclosing scroll panel so that its direct child that
// holds `control` is visible. Nothing when a top-level window comes first.
void ScrollControlIntoView(HWND control);

template <class T> class mvScrollPanel_Ctrl : public T {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETFOCUS)
            ScrollControlIntoView(this->m_hwnd);
        return T::WindowProc(message, wParam, lParam);
    }
};
