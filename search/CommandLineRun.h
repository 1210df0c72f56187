// What the program does with its command line at start-up, before any window
// exists: load a saved search or the default search, run a whole search
// without windows and write its results, or name the hex viewer's file.
#pragma once

#include "foundation/mvstring.h"

#include <cstdint>
#include <vector>

// Start-up flags.
enum StartupFlag : std::uint8_t {
    StartupLoaded = 1,  // a saved-search file was loaded
    StartupOut = 2,     // "out": no window; the program ends after the run
    StartupRunNow = 4,  // "runnow"/"delaydonow": search once the window is up
    StartupHexView = 8, // "hexview": only the hex viewer
};

// How the windowless run ended, for the process's exit code.
enum OutRunResult : std::uint8_t {
    OutRunWritten = 0,     // the result file was written (results or not)
    OutRunNoSearch = 1,    // no existing location, or the search failed
    OutRunBadCriteria = 2, // the criteria file named by "in" could not be read
    OutRunWriteFailed = 3, // the result file could not be written, or none was named
    OutRunBadArguments = 4, // an unknown or repeated switch: nothing was searched
};

struct StartupOptions {
    mvstring path;       // the hex viewer's file, or the given folders joined by "|"
    uint64_t offset = 0; // hex viewer start offset
    int64_t length = 0;  // hex viewer selection length
    uint8_t flags = 0;   // StartupFlag bits
    OutRunResult out_result = OutRunWritten;
    // Lines for standard error: why the windowless run failed (one), or which
    // arguments a run with a window did not use.
    std::vector<mvstring> messages;
};

// The process's start-up options, filled by the start-up routine from the
// command line and read by the windows: the search panel takes the start-up
// folder, and the first search started from the window clears it again.
// UI thread only.
StartupOptions& GlobalStartupOptions();

// Reads the program's own command line (the arguments after the program
// name): the switches /in file, /out file, /runnow, /delaydonow and
// /hexview file [offset [length]] (which overrides the others); any other
// word is a folder to search, except that without /in a first word naming a
// file is a saved search to load. Folders are searched all, each stored with
// its full path. Returns the flags, also stored in the options.
uint8_t ProcessCommandLine(StartupOptions& options);
// The same for a given argument text.
uint8_t ProcessCommandLine(std::wstring_view arguments, StartupOptions& options);
