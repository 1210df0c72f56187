// Owners of the window library's handles: windows, icons, image lists and
// visual-style themes, built on the holder template of foundation/Handles.h.
#pragma once

#include "foundation/Handles.h"

#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

// Windows this code created and destroys itself (test windows, helper
// windows); never a window another object or the system owns.
using WindowHandle = mvHandle<HWND, ::DestroyWindow>;

// Icons this code created or loaded unshared; never a shared (LR_SHARED)
// icon, which the system owns.
using IconHandle = mvHandle<HICON, ::DestroyIcon>;

using ImageListHandle = mvHandle<HIMAGELIST, ::ImageList_Destroy>;

using ThemeHandle = mvHandle<HTHEME, ::CloseThemeData>;
