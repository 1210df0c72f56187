// Measuring text in a device context, shared by the column defaults of the
// results list and the window library's dialog-unit arithmetic.
#pragma once

#include "foundation/Handles.h"

#include <windows.h>

// Height of one line of text in the context's current font, measured over
// the 52 letters A-Z and a-z; `averageWidth` (when given) receives their
// width divided by 52, rounded to nearest. 0 and 0 when nothing could be
// measured.
int MeasureAverageChar(HDC dc, int* averageWidth);
