// The program's own file and folder, for the folders that ship beside it
// ("Lang", "Config", "Theme") and for starting the program again.
#pragma once

#include "foundation/mvstring.h"

// more == nullptr: the program's folder. more non-empty: that folder joined
// with `more`. more empty: the program file itself. With `quote`, the result
// is put in double quotes when it holds a blank. Safe on any thread.
mvstring GetModulePath(const wchar_t* more = nullptr, bool quote = false);
