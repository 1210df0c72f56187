// The system font dialog, centred over its owner.
#pragma once

#include <windows.h>

// Runs the font dialog on a copy of the font (none: the system's choice)
// over the owner's top-level window, or without one over the main window's
// last active pop-up. Sizes limit the choice when either is non-zero. True
// when the user confirmed; the chosen font is then written back.
bool ChooseFontDialog(LOGFONTW* font, int minSize, int maxSize, HWND owner, DWORD extraFlags);

// The one-shot hook that places the first owned top-level window created on
// this thread at the centre of its owner. Installed once; it removes itself
// when that window is activated (after checking the window kept its place),
// or RemoveCenterHook removes it.
bool InstallCenterHook();
void RemoveCenterHook();
