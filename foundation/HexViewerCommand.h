// Opening a found file in a hex viewer: this program's own viewer started as
// a new process ("/hexview path [offset [count]]"), or an external viewer the
// user configured as a command line in which "%1" stands for the file.
// VQSettings::OpenInHexViewer (foundation/Settings.h) starts it; the pieces
// are here so the command can be checked without starting anything.
#pragma once

#include "foundation/Settings.h"
#include "foundation/mvstring.h"

#include <cstdint>

// True when the configured external viewer is used: UseCustomHexview is on
// and CustomHexviewPath holds more than blanks. Otherwise the program's own
// viewer opens the file.
bool UsesCustomHexViewer(const HexViewerLaunch& launch);

// Fills the cached program path and argument text when the program path is
// empty. Own viewer: this program's file, no arguments. External viewer: when
// the whole command, without surrounding quotes, names an existing file, that
// file is the program and there are no arguments; otherwise the command is
// split at the first blank outside quotes into the program (quotes removed)
// and the argument text.
void ResolveHexViewerProgram(HexViewerLaunch& launch);

// The parameters for the cached command. The file path is quoted when it holds
// a blank. External viewer: the first "%1" becomes the path (quotes around
// "%1" are not doubled); without "%1" the path follows the arguments after a
// blank. Own viewer: " /hexview " and the path, then the offset when it is
// above 0 and the count when it is above 0 (offset 0 with a count gives
// " 0 count").
mvstring HexViewerParameters(const HexViewerLaunch& launch, const mvstring& path, int64_t offset,
                             int32_t count);

// The viewer's display name for menus: CustomHexviewName when the external
// viewer is switched on and the name is not empty, else "Hex&View".
mvstring GetHexViewAppName();
