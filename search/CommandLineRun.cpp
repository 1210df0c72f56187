#include "search/CommandLineRun.h"

#include "foundation/CommandLine.h"
#include "foundation/ConfigFiles.h"
#include "foundation/Numbers.h"
#include "foundation/Paths.h"
#include "search/SavedSearchFile.h"
#include "search/SearchJob.h"

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

bool IsSwitch(const mvstring& word) {
    return word.starts_with(L"/");
}

// The words after "/hexview" up to the next switch.
std::vector<mvstring> HexViewValues(const std::vector<mvstring>& words) {
    std::vector<mvstring> values;
    size_t i = 0;
    while (i < words.size() && !mvstring::EqualsNoCase(words[i], L"/hexview"))
        ++i;
    for (++i; i < words.size() && !IsSwitch(words[i]); ++i)
        values.push_back(words[i]);
    return values;
}

// The command line sorted out: each switch with its one value, and every
// other word in order.
struct Arguments {
    bool hexView = false;
    bool runNow = false;
    bool in = false;
    bool out = false;
    mvstring inFile;  // empty when /in came without a name
    mvstring outFile; // empty when /out came without a name
    std::vector<mvstring> others;
    mvstring badSwitch; // the first unknown or repeated switch, as given
    bool repeated = false;
};

Arguments SortArguments(const std::vector<mvstring>& words) {
    Arguments args;
    for (size_t i = 0; i < words.size(); ++i) {
        const mvstring& word = words[i];
        if (!IsSwitch(word)) {
            args.others.push_back(word);
            continue;
        }
        const std::wstring_view name = word.view().substr(1);
        const bool isIn = mvstring::EqualsNoCase(name, L"in");
        if (isIn || mvstring::EqualsNoCase(name, L"out")) {
            bool& given = isIn ? args.in : args.out;
            mvstring& file = isIn ? args.inFile : args.outFile;
            if (given && args.badSwitch.empty()) {
                args.badSwitch = word;
                args.repeated = true;
            }
            given = true;
            // The name is the next word unless that is a switch: "/in /out r"
            // names no criteria file rather than one called "/out".
            if (i + 1 < words.size() && !IsSwitch(words[i + 1]))
                file = words[++i];
        } else if (mvstring::EqualsNoCase(name, L"runnow") ||
                   mvstring::EqualsNoCase(name, L"delaydonow")) {
            args.runNow = true;
        } else if (mvstring::EqualsNoCase(name, L"hexview")) {
            args.hexView = true;
        } else if (args.badSwitch.empty()) {
            args.badSwitch = word;
        }
    }
    return args;
}

// The folder's full path (variables expanded), or the word as given when
// the system cannot make one. A bare drive ("X:") stays as it is: the walk
// takes it as the drive's root, where the system would give the drive's
// current folder.
mvstring FullPath(const mvstring& word) {
    const mvstring expanded = ExpandPath(word);
    if (expanded.length() == 2 && expanded[1] == L':')
        return expanded;
    const DWORD needed = GetFullPathNameW(expanded.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return expanded;
    mvstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(expanded.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return expanded;
    full.resize(length);
    return full;
}

} // namespace

StartupOptions& GlobalStartupOptions() {
    static StartupOptions options;
    return options;
}

uint8_t ProcessCommandLine(StartupOptions& options) {
    return ProcessCommandLine(CommandLineArguments(GetCommandLineW()), options);
}

uint8_t ProcessCommandLine(std::wstring_view arguments, StartupOptions& options) {
    options = StartupOptions();
    const std::vector<mvstring> words = SplitCommandLine(TrimText(arguments, L" \t"), true);
    const Arguments args = SortArguments(words);

    if (args.hexView) {
        options.flags = StartupHexView;
        const std::vector<mvstring> values = HexViewValues(words);
        if (values.size() > 0)
            options.path = values[0];
        if (values.size() > 1 && !ParseUInt64(values[1], options.offset))
            options.offset = 0;
        if (values.size() > 2)
            options.length = static_cast<int64_t>(values[2].ToInt());
        return options.flags;
    }

    if (args.out)
        options.flags |= StartupOut;
    if (args.runNow)
        options.flags |= StartupRunNow;
    // A windowless run stops at its first problem, with its exit code and
    // nothing searched; a run with a window leaves the argument unused and
    // says so.
    bool failed = false;
    const auto problem = [&](OutRunResult result, mvstring message) {
        if (failed)
            return;
        options.messages.push_back(std::move(message));
        if (args.out) {
            options.out_result = result;
            failed = true;
        }
    };

    if (!args.badSwitch.empty())
        problem(OutRunBadArguments, (args.repeated ? mvstring(L"switch given twice: ")
                                                   : mvstring(L"unknown switch ")) +
                                        args.badSwitch);
    if (args.out && args.outFile.empty())
        problem(OutRunWriteFailed, mvstring(L"no result file named after /out"));
    if (args.in && args.inFile.empty())
        problem(OutRunBadCriteria, mvstring(L"no criteria file named after /in"));

    // Without /in, a first word naming a file is a saved search to load.
    size_t firstFolder = 0;
    mvstring load = args.inFile;
    if (!args.in && !args.others.empty() && GetPathKind(args.others[0]) == PathKindFile) {
        load = args.others[0];
        firstFolder = 1;
    }
    mvstring folders;
    for (size_t i = firstFolder; i < args.others.size(); ++i) {
        const mvstring full = FullPath(args.others[i]);
        if (GetPathKind(full) != PathKindFolder) {
            problem(OutRunNoSearch, mvstring(L"no existing folder to search in ") + args.others[i]);
            continue;
        }
        // "|" never occurs in a path: it separates the locations of the list.
        if (!folders.empty())
            folders += L"|";
        folders += full;
    }
    options.path = folders;
    if (failed)
        return options.flags;

    const bool criteriaOnly = args.runNow || args.out;
    if (!load.empty() && GetPathKind(load) == PathKindFile && OpenSearchFile(load, criteriaOnly) &&
        WaitForWorker())
        options.flags |= StartupLoaded;
    if (args.in && !args.inFile.empty() && !(options.flags & StartupLoaded)) {
        // The run was asked for with these criteria; the defaults would
        // answer another question.
        problem(OutRunBadCriteria, mvstring(L"cannot read the criteria file ") + args.inFile);
        if (failed)
            return options.flags;
    }

    if (args.out) {
        SearchJob& job = GlobalSearchJob();
        SearchCriteria search = job.criteria;
        if (!folders.empty())
            search.folders = folders;
        if (!StartSearch(search) || !WaitForWorker())
            problem(OutRunNoSearch,
                    search.folders.empty()
                        ? mvstring(L"no existing folder to search")
                        : mvstring(L"no existing folder to search in ") + search.folders);
        else if (!SaveSearchFile(job, args.outFile, false))
            problem(OutRunWriteFailed, mvstring(L"cannot write the result file ") + args.outFile);
        return options.flags;
    }

    // The default search fills the window's criteria; a windowless run ends
    // without showing them, so it does not read the file at all.
    if (!(options.flags & StartupLoaded)) {
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
