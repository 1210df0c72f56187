// What the main window's parts ask of the global job's state.
#pragma once

// Whether the global job's worker runs a job of any kind (a search, a load
// or a search within results): no tips, no groups and no "ready" meanwhile.
bool IsGlobalJobBusy();
