#include "app/main/JobState.h"

#include "search/SearchJob.h"

bool IsGlobalJobBusy() {
    // A worker told to stop may still read and add results until it ends:
    // it counts as busy whatever its kind.
    return GlobalSearchJob().IsRunning();
}
