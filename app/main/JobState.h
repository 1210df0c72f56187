// What the main window's parts ask of the global job's state.
#pragma once

// Whether the global job's worker is alive, whatever its kind (a search, a
// load, a search within results, or one told to stop that has not ended):
// no sorting, grouping, tips or "ready" meanwhile.
bool IsGlobalJobBusy();
