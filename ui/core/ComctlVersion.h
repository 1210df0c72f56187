// Whether the common controls draw with visual styles.
#pragma once

#include <windows.h>

// False when the application is not themed; otherwise whether comctl32.dll
// reports a major version of 6 or more (asked once and kept).
bool IsThemedComctl();

// Replaces the major version comctl32.dll reports (0 asks the library again
// on the next call). Some systems load the version-6 library but report an
// older version; tests use this to reach both branches.
void SetComctlMajorVersion(DWORD major);
