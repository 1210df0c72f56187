#include "app/main/JobState.h"

#include "search/SearchJob.h"

bool IsGlobalJobBusy() {
    SearchJob& job = GlobalSearchJob();
    return job.IsRunning() && job.kind.load() != JobIdle;
}
