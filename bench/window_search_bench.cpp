// Times a search of a folder in the program's main window beside the same
// search without a window, and how long the window's thread is held while
// the results arrive.
//   window_search_bench <folder> [name pattern, *.txt] [rounds, 3]
// The folder is typically the tree of bench/walk_bench.py. Each round runs,
// in turn: the windowless search (started and awaited as the /out run does),
// the search from the main window's Search button, awaited by a message loop
// until the window shows the end, and the same again with a probe: a thread
// of its own posts a message every 5 ms, and the loop notes how late each
// arrives (a sent report or a long message holds it back) and the longest
// single message it dispatches. The probe's own messages slow the search a
// little, so the window's time is taken from the rounds without it. Printed:
// the medians, the median of each round's ratio of the window to the
// windowless search (goal: at most 1.1), the result counts, and the probe's
// figures (goal: under 50 ms).
#include "app/main/VQDlg.h"
#include "foundation/ConfigFiles.h"
#include "foundation/Handles.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

SearchCriteria Criteria(const std::wstring& folder, const std::wstring& pattern) {
    SearchCriteria criteria;
    criteria.name = pattern;
    criteria.folders = folder;
    return criteria;
}

struct Windowless {
    double ms = 0;
    int found = 0;
};

Windowless RunWindowless(const SearchCriteria& criteria) {
    Windowless run;
    // As in the run without a window, nobody listens to the progress.
    NotifierQueue& notifier = GlobalNotifier();
    const HWND listener = notifier.target.exchange(nullptr);
    GlobalSearchJob().ClearResults();
    const auto start = Clock::now();
    if (!StartSearch(criteria))
        return run;
    WaitForSingleObject(GlobalSearchJob().worker.Handle(), INFINITE);
    run.ms = Ms(start);
    run.found = ResultList::Count();
    GlobalSearchJob().StopAndWait(5000);
    notifier.Clear();
    notifier.target = listener;
    return run;
}

// Posts a probe message with its time every 5 ms until told to stop.
struct Probe {
    HWND window = nullptr;
    UINT message = 0;
    std::atomic<bool> stop{false};
    static DWORD WINAPI Run(void* parameter) {
        auto* probe = static_cast<Probe*>(parameter);
        while (!probe->stop) {
            const auto now = Clock::now().time_since_epoch().count();
            PostMessageW(probe->window, probe->message, 0, static_cast<LPARAM>(now));
            Sleep(5);
        }
        return 0;
    }
};

struct Windowed {
    double ms = 0, clickMs = 0, workerMs = 0, probeLate = 0, longestMessage = 0;
    int found = 0;
    bool ended = false;
};

Windowed RunInWindow(CVQDlg& window, const SearchCriteria& criteria, bool probed) {
    Windowed run;
    GlobalSearchJob().ClearResults();
    Probe probe;
    probe.window = window.m_hwnd;
    probe.message = RegisterWindowMessageW(L"window_search_bench probe");
    SearchCriteria shown = criteria;
    window.m_searchPanel.SetCriteria(&shown);
    ThreadHandle thread;
    if (probed)
        thread.Assign(CreateThread(nullptr, 0, &Probe::Run, &probe, 0, nullptr));
    // Only the end of this search shows "ready" again: a fast search can
    // start and end between two looks at the bar.
    window.m_statusBar.statusState = StatusSearching;
    const auto start = Clock::now();
    SendMessageW(window.m_searchPanel.m_hwnd, WM_COMMAND, MAKEWPARAM(kCommandSearch, BN_CLICKED), 0);
    run.clickMs = Ms(start);
    while (Ms(start) < 600000) {
        if (run.workerMs == 0 && !GlobalSearchJob().IsRunning())
            run.workerMs = Ms(start);
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == probe.message) {
                const auto sent = Clock::time_point(Clock::duration(msg.lParam));
                run.probeLate = std::max(
                    run.probeLate, std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                continue;
            }
            const auto dispatched = Clock::now();
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            run.longestMessage = std::max(run.longestMessage, Ms(dispatched));
            continue;
        }
        if (window.m_statusBar.statusState == StatusReady && !GlobalSearchJob().IsRunning()) {
            run.ended = true;
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    run.ms = Ms(start);
    probe.stop = true;
    if (thread)
        WaitForSingleObject(thread.Get(), INFINITE);
    run.found = static_cast<int>(SendMessageW(window.m_list.Handle(), LVM_GETITEMCOUNT, 0, 0));
    return run;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_search_bench <folder> [pattern] [rounds]\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const std::wstring pattern = argc > 2 ? argv[2] : L"*.txt";
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 3;
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&init);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring config = std::wstring(temp) + L"window_search_bench";
    CreateDirectoryW(config.c_str(), nullptr);
    SetConfigBaseFolders(config, config);

    const SearchCriteria criteria = Criteria(folder, pattern);
    std::vector<double> bare, windowed, click, worker, probed, late, longest;
    int bareFound = 0, windowFound = 0;
    bool allEnded = true;
    {
        CVQDlg window;
        if (!window.CreateDialogWindow(nullptr)) {
            std::fprintf(stderr, "the main window could not be made\n");
            return 1;
        }
        ShowWindow(window.m_hwnd, SW_SHOWNA);
        // One search of each first, to warm the file cache for both.
        RunWindowless(criteria);
        for (int round = 0; round < rounds; ++round) {
            const Windowless b = RunWindowless(criteria);
            const Windowed w = RunInWindow(window, criteria, false);
            const Windowed p = RunInWindow(window, criteria, true);
            bare.push_back(b.ms);
            windowed.push_back(w.ms);
            worker.push_back(w.workerMs);
            click.push_back(w.clickMs);
            probed.push_back(p.ms);
            late.push_back(p.probeLate);
            longest.push_back(p.longestMessage);
            bareFound = b.found;
            windowFound = std::min(w.found, p.found);
            allEnded = allEnded && w.ended && p.ended;
        }
        GlobalSearchJob().StopAndWait(5000);
    }
    StopNotifierThread();
    // Each round's own ratio: the rounds take turns, so a change in the
    // machine's load between rounds falls on both searches of a round.
    std::vector<double> ratios, probedRatios;
    for (size_t i = 0; i < bare.size(); ++i) {
        ratios.push_back(bare[i] > 0 ? windowed[i] / bare[i] : 0.0);
        probedRatios.push_back(bare[i] > 0 ? probed[i] / bare[i] : 0.0);
    }
    const double b = Median(bare), w = Median(windowed);
    std::printf("window_search_bench: %ls in %ls, median of %d rounds\n", pattern.c_str(),
                folder.c_str(), rounds);
    std::printf("%-44s %10.1f ms  %d found\n", "windowless search", b, bareFound);
    std::printf("%-44s %10.1f ms  %d listed  %.2fx windowless (goal <= 1.1)%s\n",
                "search in the main window", w, windowFound, Median(ratios),
                allEnded ? "" : "  (a round did not end)");
    std::printf("%-44s %10.1f ms\n", "  of which the Search button's click", Median(click));
    std::printf("%-44s %10.1f ms  (the window showed the end %.1f ms later)\n",
                "  of which the search's own thread", Median(worker), w - Median(worker));
    const double p = Median(probed);
    std::printf("%-44s %10.1f ms  %.2fx windowless\n", "search in the main window with the probe", p,
                Median(probedRatios));
    std::printf("%-44s %10.1f ms  (median; worst %.1f; goal < 50)\n",
                "  longest lateness of the 5 ms probe", Median(late),
                *std::max_element(late.begin(), late.end()));
    std::printf("%-44s %10.1f ms  (median; worst %.1f; goal < 50)\n",
                "  longest single message", Median(longest),
                *std::max_element(longest.begin(), longest.end()));
    return 0;
}
