// Window classes registered once per process, looked up by name ignoring
// case, and the cursors the library shares.
#pragma once

#include <windows.h>

// Registers the class unless a class of that name was registered here
// before, in which case that ATOM comes back. The name may be an atom
// (MAKEINTATOM), keyed by its decimal number. 0 for a null name or a failed
// registration, which is not remembered.
ATOM RegisterWindowClassCached(const WNDCLASSW* windowClass);

// A copy of the system dialog class under the name, keeping the dialog
// procedure. 0 for an empty name, when the system class cannot be read, or
// for a failed registration.
ATOM RegisterDialogClass(const wchar_t* name);

// The system hand cursor, loaded once (shared, never destroyed).
HCURSOR GetHandCursor();
