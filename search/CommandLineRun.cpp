#include "search/CommandLineRun.h"

#include "foundation/CommandLine.h"
#include "foundation/ConfigFiles.h"
#include "foundation/Numbers.h"
#include "foundation/Paths.h"
#include "search/SavedSearchFile.h"
#include "search/SearchJob.h"

#include <shlwapi.h>

namespace {

// Waits for the global job's worker to end; true when it ended with 0.
bool WaitForWorker() {
    SearchJob& job = GlobalSearchJob();
    const HANDLE thread = job.worker.Handle();
    if (!thread)
        return false;
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 1;
    return GetExitCodeThread(thread, &code) && code == 0;
}

const mvstring* FirstValue(const CommandLine& line, std::wstring_view name) {
    const std::vector<mvstring>* values = line.Values(name);
    return values && !values->empty() ? &values->front() : nullptr;
}

void Fail(StartupOptions& options, OutRunResult result, mvstring message) {
    options.out_result = result;
    options.out_message = std::move(message);
}

} // namespace

uint8_t ProcessCommandLine(StartupOptions& options) {
    return ProcessCommandLine(PathGetArgsW(GetCommandLineW()), options);
}

uint8_t ProcessCommandLine(std::wstring_view arguments, StartupOptions& options) {
    options = StartupOptions();
    CommandLine line(L"/");
    line.Parse(arguments);

    if (line.FindSwitch(L"hexview") >= 0) {
        options.flags = StartupHexView;
        const std::vector<mvstring>& values = *line.Values(L"hexview");
        if (values.size() > 0)
            options.path = values[0];
        if (values.size() > 1 && !ParseUInt64(values[1], options.offset))
            options.offset = 0;
        if (values.size() > 2)
            options.length = static_cast<int64_t>(values[2].ToInt());
        return options.flags;
    }

    const mvstring* out = FirstValue(line, L"out");
    if (out)
        options.flags |= StartupOut;
    if (line.FindSwitch(L"runnow") >= 0 || line.FindSwitch(L"delaydonow") >= 0)
        options.flags |= StartupRunNow;

    const mvstring first = line.Switches().empty() ? mvstring() : line.Switches().front().name;
    const mvstring* in = FirstValue(line, L"in");
    const mvstring load = in ? *in : first;
    const bool criteriaOnly = (options.flags & StartupRunNow) || out;
    if (GetPathKind(load) == PathKindFile && OpenSearchFile(load, criteriaOnly) && WaitForWorker())
        options.flags |= StartupLoaded;
    if (out && in && !(options.flags & StartupLoaded)) {
        // The run was asked for with these criteria; the defaults would
        // answer another question.
        Fail(options, OutRunBadCriteria, mvstring(L"cannot read the criteria file ") + *in);
        out = nullptr;
    }

    if (GetPathKind(first) == PathKindFolder)
        options.path = first;

    if (out) {
        SearchJob& job = GlobalSearchJob();
        SearchCriteria search = job.criteria;
        if (!options.path.empty())
            search.folders = options.path;
        if (!StartSearch(search) || !WaitForWorker())
            Fail(options, OutRunNoSearch,
                 search.folders.empty()
                     ? mvstring(L"no existing folder to search")
                     : mvstring(L"no existing folder to search in ") + search.folders);
        else if (!SaveSearchFile(job, *out, false))
            Fail(options, OutRunWriteFailed, mvstring(L"cannot write the result file ") + *out);
    }

    // The default search fills the window's criteria; a windowless run ends
    // without showing them, so it does not read the file at all.
    if (!(options.flags & (StartupLoaded | StartupOut))) {
        // Read from the copy as it was chosen and opened: naming it by path
        // would open it a second time, on a worker started just for that,
        // while this thread waits anyway.
        const FileHandle defaults = OpenConfigFile(L"defsearch.ini");
        SearchJob& job = GlobalSearchJob();
        if (defaults && !job.IsRunning()) {
            job.ClearResults();
            LoadSearchFile(job, defaults.Get(), true);
        }
    }
    return options.flags;
}
