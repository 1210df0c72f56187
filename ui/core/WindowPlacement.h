// Centring a window over its owner and saving or restoring a window's
// placement inside the visible work area of a monitor. UI thread only.
#pragma once

#include <windows.h>

// Centres a top-level window over `over` (its owner when `over` is not a
// window) when that is visible and not minimised, else in the primary
// monitor's work area; the window is kept inside the work area used. False,
// changing nothing, for a non-window or a child window.
bool CenterWindowOver(HWND window, HWND over = nullptr);

// get: the normal (restored) rectangle into `rect`, and whether the window is
// or will be restored maximized. set: the normal rectangle becomes `rect`,
// moved (not resized) into the work area of the nearest monitor, and the
// window shows maximized when `maximized` says so. False, changing nothing,
// for a non-window, a failed placement query or (set) an empty rectangle.
// The rectangle is in the coordinates the system uses for normal positions:
// for a top-level window other than a tool window these are workspace
// coordinates, which start at the work area's corner, not the screen's.
bool WindowPlacement(HWND window, RECT* rect, bool* maximized, bool get);

// Where the placement code reads a monitor's rectangle and work area from;
// null restores the system's. Lets tests stand for a monitor whose work area
// does not start at its corner (a taskbar at the top or left).
using MonitorInfoSource = BOOL (*)(HMONITOR monitor, MONITORINFO* info);
void SetMonitorInfoSource(MonitorInfoSource source);
