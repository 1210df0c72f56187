// The worker routine of the search job and the start operations of the
// global job that run it. The routine dispatches to the walk, the load of a
// saved-search file and the search within results, which live with their
// own code.
#include "foundation/mvcominit.h"
#include "search/SearchJob.h"

DWORD WINAPI SearchJob::Run(void* parameter) {
    auto& job = *static_cast<SearchJob*>(parameter);
    // One apartment for the whole job, but only once something asks for COM:
    // a walk that needs none leaves the display alone.
    mvcominit::DeferAcquire();
    bool ok;
    switch (job.kind.load()) {
    case JobLoadFile:
        ok = LoadSearchFile(job, job.load_path, job.load_criteria_only);
        break;
    case JobSearchInResults:
        ok = job.SearchWithinResults();
        break;
    default:
        ok = job.Walk();
        break;
    }
    mvcominit::EndDeferred();
    return ok ? 0 : static_cast<DWORD>(-1);
}

bool StartSearch(const SearchCriteria& search) {
    return GlobalSearchJob().StartSearch(search, &SearchJob::Run);
}

bool OpenSearchFile(const mvstring& path, bool criteriaOnly) {
    return GlobalSearchJob().OpenSearchFile(path, criteriaOnly, &SearchJob::Run);
}
