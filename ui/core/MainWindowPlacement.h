// Saving and restoring the main window's position, size and maximized state
// (MainWndPos_L, _T, _R, _B and MainWndMax of uistates.ini). UI thread only.
#pragma once

#include <windows.h>

// save: the window's normal rectangle and maximized state go into the
// settings and are written to uistates.ini; nothing happens for a non-window.
// restore: a saved rectangle, widened and heightened to the minimum size when
// smaller (0 = no minimum), is applied inside the nearest monitor's work area
// with the saved maximized state. With nothing saved the window is centred in
// its monitor's work area at two thirds of its width and three quarters of
// its height, or at its own or the minimum size when that is larger.
void MainWindowPlacement(bool save, HWND window, int minWidth = 0, int minHeight = 0);
