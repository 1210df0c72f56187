// The program's buttons: a library button that keeps its size in dialog
// units and takes it again whenever it is created or its font changes, so
// that the dialogs' buttons grow and shrink with the UI font. The split
// button form also tracks its arrow part for the owner. UI thread only.
#pragma once

#include "ui/controls/mvButton.h"
#include "ui/controls/mvButtonKinds.h"

#include <windows.h>

// Sizes the window to cx x cy dialog units of its font (the UI font when it
// has none), keeping its place and z-order. False for a non-window.
bool ApplyDialogUnitSize(HWND hwnd, SIZE dialogUnits);

// The size keeping common to every form.
template <typename T> class CVQButtonSized : public T {
public:
    // Dialog units; the dialogs' push buttons are 50 x 14.
    SIZE m_dialogUnits = {50, 14};

    // Takes the new size at once when the button exists.
    void SetDialogUnitSize(int cx, int cy) {
        m_dialogUnits = {cx, cy};
        ApplyDialogUnitSize(this->m_hwnd, m_dialogUnits);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = T::WindowProc(message, wParam, lParam);
        if (message == WM_SETFONT)
            ApplyDialogUnitSize(this->m_hwnd, m_dialogUnits);
        return result;
    }
    // Binding the window is the button's creation, whether it came from a
    // dialog template or from CreateButtonWindow.
    void OnAttached() override {
        T::OnAttached();
        ApplyDialogUnitSize(this->m_hwnd, m_dialogUnits);
    }
};

// T is mvButton or mvButton_Link (whose window shows the hand cursor).
template <typename T> class CVQButton : public CVQButtonSized<T> {};

// The split button: the arrow part lights up under the mouse, and only a
// mouse release counts as a click on it (HitArrow), never the keyboard.
template <> class CVQButton<mvButton_Dropdown> : public CVQButtonSized<mvButton_Dropdown> {
public:
    CVQButton();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool ArrowHot() const noexcept { return m_arrowHot; }

private:
    void SetArrowHot(bool hot);

    bool m_arrowHot = false;
};
