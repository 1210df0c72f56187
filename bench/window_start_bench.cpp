// Times the start of a program with a window: from the process start until
// its window is shown and its message loop idle (WaitForInputIdle, and a
// visible top-level window of the process), then the close: from WM_CLOSE
// to the end of the process. The programs are taken in turn, round after
// round, under the same Wine prefix and display; the medians are printed,
// and the first program's start beside each other's.
// Usage: window_start_bench ROUNDS PROGRAM TITLE [PROGRAM TITLE...]
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Found {
    DWORD process;
    const wchar_t* title;
    HWND window;
};

HWND VisibleWindowOf(DWORD process, const wchar_t* title) {
    Found found{process, title, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* f = reinterpret_cast<Found*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            wchar_t text[64] = {};
            GetWindowTextW(hwnd, text, 64);
            if (owner == f->process && IsWindowVisible(hwnd) && wcscmp(text, f->title) == 0) {
                f->window = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.window;
}

struct Times {
    double start = -1; // ms to shown and idle; -1 failed
    double close = -1; // ms from WM_CLOSE to the end
};

Times RunOnce(const std::wstring& program, const wchar_t* title) {
    Times times;
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    const double begin = Now();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return times;
    WaitForInputIdle(process.hProcess, 30000);
    HWND window = nullptr;
    while ((window = VisibleWindowOf(process.dwProcessId, title)) == nullptr &&
           Now() - begin < 30000 && WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) {
    }
    if (window != nullptr) {
        // Idle again once the window is up: its first paint is done.
        WaitForInputIdle(process.hProcess, 30000);
        times.start = Now() - begin;
        Sleep(300);
        const double closing = Now();
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
            times.close = Now() - closing;
    }
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return times;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fwprintf(stderr, L"usage: window_start_bench ROUNDS PROGRAM TITLE [PROGRAM TITLE...]\n");
        return 2;
    }
    const int rounds = std::max(1, _wtoi(argv[1]));
    // A window of our own keeps the display and the desktop process up for
    // the whole run, so that no start pays for bringing them up and every
    // program meets the same desktop.
    HWND keeper = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr);
    const int programs = (argc - 2) / 2;
    std::vector<std::vector<double>> start(programs), close(programs);
    // One unmeasured round: the first start of a program under a prefix
    // pays for loading its files from disk.
    for (int round = -1; round < rounds; ++round)
        for (int which = 0; which < programs; ++which) {
            const Times times = RunOnce(argv[2 + 2 * which], argv[3 + 2 * which]);
            if (round < 0)
                continue;
            if (times.start >= 0)
                start[which].push_back(times.start);
            if (times.close >= 0)
                close[which].push_back(times.close);
        }
    for (int which = 0; which < programs; ++which)
        std::wprintf(L"%-20ls start to shown and idle %8.1f ms   close %7.1f ms   (%zu of %d runs)\n",
                     PathFindFileNameW(argv[2 + 2 * which]), Median(start[which]), Median(close[which]),
                     start[which].size(), rounds);
    if (keeper != nullptr)
        DestroyWindow(keeper);
    for (int which = 1; which < programs; ++which) {
        const double base = Median(start[which]);
        if (base > 0)
            std::wprintf(L"start of %ls / start of %ls: %.2f\n", PathFindFileNameW(argv[2]),
                         PathFindFileNameW(argv[2 + 2 * which]),
                         Median(start[0]) / base);
    }
    return 0;
}
