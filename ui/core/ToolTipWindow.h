// The window of the program's one tooltip, known to the code that feeds it
// (the application object relays mouse messages to it, the theme gives it
// its font) without that code depending on the tooltip control itself. The
// control sets it when its window is made and clears it when the window
// goes. UI thread only.
#pragma once

#include <windows.h>

// The tooltip window, or null while there is none.
HWND ProgramToolTipWindow() noexcept;
// Sets (null: clears) the tooltip window.
void SetProgramToolTipWindow(HWND window) noexcept;
