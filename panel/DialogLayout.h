// Small placement helpers of the application's dialogs, in pixels of the
// dialog's client area.
#pragma once

#include <windows.h>

class mvDialog;

// The window's outer size; 0 x 0 for a non-window.
SIZE WindowSize(HWND hwnd);
// Moves (and with a size, sizes) a child, keeping its z-order.
void MoveChild(HWND hwnd, int x, int y);
void MoveChild(HWND hwnd, int x, int y, int cx, int cy);
// The client rectangle less the dialog margins.
RECT InnerClientRect(HWND dialog);
// Sizes the dialog so that its client area is cx x cy (the frame from its
// styles; a height below the width raised to it when asked), without moving
// it, and centres it over its owner.
void SizeClientAndCentre(mvDialog& dialog, int cx, int cy, bool atLeastSquare);
// The height of every row of a list view together (LVM_APPROXIMATEVIEWRECT).
int ListRowsHeight(HWND list);
