// Times the results list window on generated results and prints the figures.
//   list_window_bench [items, 1000000]
// A visible window holds the real results list over the global job. Each
// figure is measured with the full count and, as the baseline of the same
// run, with 10,000 results, beside the goal: first paint, a page down, the
// scroll to the end, select all, invert (one, all and every tenth row
// selected before), the selection read for the status bar, a sort by each
// column, grouping by three columns, clearing the list and the results, and
// the longest time the window spends on one message while a worker adds
// the results at full speed and the window follows the count as the
// notifier would have it. Then the same in the program's main window:
// select all and invert by their commands, each followed by the status
// bar's update (the 100 ms refresh run at once), clearing for a new search,
// and the longest items-added report while a million results arrive. Last
// the list view's own share: the same selection calls on a bare owner-data
// list view that no program code answers.
#include "app/main/VQDlg.h"
#include "app/main/VQListCtrl.h"
#include "foundation/ConfigFiles.h"
#include "foundation/Settings.h"
#include "foundation/mvLock.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "ui/controls/ItemImage.h"
#include "ui/core/mvWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

const wchar_t* const kExtensions[] = {L".txt", L".docx", L".pdf", L".jpg", L".png", L".cpp",
                                      L".h",   L".log",  L"",     L".zip", L".exe", L".md"};

// Filled scratch items, added to the global job as the walk adds them.
class Generator {
public:
    explicit Generator(size_t count) : m_count(count) {}
    // Adds items [from, to) and gives how many it added.
    size_t Add(size_t from, size_t to) {
        SearchJob& job = GlobalSearchJob();
        SearchCriteria criteria;
        FoundItem scratch;
        std::mt19937_64 random(from * 7919 + 1);
        for (size_t i = from; i < to && i < m_count; ++i) {
            scratch.Clear();
            scratch.folder = L"C:\\Users\\bench\\folder" + std::to_wstring(i / 300);
            const wchar_t* ext = kExtensions[random() % std::size(kExtensions)];
            scratch.attr = random() % 20 == 0 ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
            scratch.name = L"file_" + std::to_wstring(random() % 1000000) + ext;
            if (!(scratch.attr & FILE_ATTRIBUTE_DIRECTORY))
                scratch.ext = ext;
            scratch.size = scratch.attr & FILE_ATTRIBUTE_DIRECTORY ? 0 : random() >> (random() % 60);
            scratch.date_c = 130000000000000000ull + random() % 3000000000000000ull;
            scratch.date_m = scratch.date_c + random() % 300000000000000ull;
            scratch.date_a = scratch.date_m + random() % 30000000000000ull;
            scratch.FormatTexts(criteria);
            AddFoundItem(job, scratch, nullptr);
        }
        return std::min(to, m_count) - std::min(from, m_count);
    }
    size_t Count() const { return m_count; }

private:
    size_t m_count;
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

class Host : public mvWnd {};

struct Figures {
    double firstPaint, pageDown, toEnd, selectAll, invertOne, invertAll, invertTenth,
        selectionRead, sort[9], group[3], clearList, clearResults, stall;
};

void Select(HWND list, int row, bool on) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = on ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

Figures Measure(size_t count) {
    Figures f{};
    Host host;
    host.Create(L"bench", nullptr, 0, 0, 0, 1000, 720, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, L"");
    CVQListCtrl list;
    list.Create(host.Handle());
    SetWindowPos(list.Handle(), nullptr, 0, 0, 980, 680, SWP_NOZORDER);
    const HWND hwnd = list.Handle();
    Pump();

    Generator generator(count);
    generator.Add(0, count);
    auto t = Clock::now();
    list.SetItemCount(ResultList::Count());
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    f.firstPaint = Ms(t);

    constexpr int kPages = 20;
    t = Clock::now();
    for (int i = 0; i < kPages; ++i) {
        SendMessageW(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
        UpdateWindow(hwnd);
    }
    f.pageDown = Ms(t) / kPages;
    t = Clock::now();
    SendMessageW(hwnd, LVM_ENSUREVISIBLE, count - 1, FALSE);
    UpdateWindow(hwnd);
    f.toEnd = Ms(t);

    t = Clock::now();
    list.SelectAll();
    UpdateWindow(hwnd);
    f.selectAll = Ms(t);
    t = Clock::now();
    std::vector<FoundItem*> selection;
    list.GetSelectedItems(selection, 0);
    f.selectionRead = Ms(t);
    t = Clock::now();
    list.InvertSelection(); // all selected before
    UpdateWindow(hwnd);
    f.invertAll = Ms(t);
    Select(hwnd, static_cast<int>(count / 2), true);
    t = Clock::now();
    list.InvertSelection(); // one selected before
    UpdateWindow(hwnd);
    f.invertOne = Ms(t);
    Select(hwnd, -1, false);
    for (size_t i = 0; i < count; i += 10)
        Select(hwnd, static_cast<int>(i), true);
    t = Clock::now();
    list.InvertSelection(); // every tenth selected before
    UpdateWindow(hwnd);
    f.invertTenth = Ms(t);
    Select(hwnd, -1, false);

    VQSettings& settings = Settings();
    for (int column = 0; column < 9; ++column) {
        settings.SortColumn.Set(static_cast<std::uint8_t>(column));
        t = Clock::now();
        list.SortItems(true);
        UpdateWindow(hwnd);
        f.sort[column] = Ms(t);
    }
    const int groupColumns[3] = {ColumnExtension, ColumnModified, ColumnSize};
    for (int i = 0; i < 3; ++i) {
        settings.GroupColumn.Set(static_cast<std::uint8_t>(groupColumns[i]));
        t = Clock::now();
        list.BuildGroups(false);
        UpdateWindow(hwnd);
        f.group[i] = Ms(t);
    }
    settings.GroupColumn.Set(ColumnNone);
    list.BuildGroups(true);

    t = Clock::now();
    list.ClearItems();
    UpdateWindow(hwnd);
    f.clearList = Ms(t);
    t = Clock::now();
    GlobalSearchJob().ClearResults();
    f.clearResults = Ms(t);

    // A worker adds everything at full speed and posts the count now and
    // then; the window sets the count and paints. The figure is the longest
    // time one message kept the window from the next.
    struct Feed {
        Generator* generator;
        HWND window;
        std::atomic<bool> done{false};
    } feed{&generator, host.Handle()};
    constexpr UINT kItemsAdded = WM_APP + 4;
    HANDLE worker = CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
            auto* feed = static_cast<Feed*>(parameter);
            const size_t total = feed->generator->Count();
            for (size_t from = 0; from < total; from += 2000) {
                feed->generator->Add(from, from + 2000);
                PostMessageW(feed->window, kItemsAdded, 0, 0);
            }
            feed->done = true;
            PostMessageW(feed->window, kItemsAdded, 0, 0);
            return 0;
        },
        &feed, 0, nullptr);
    // One message at a time; the counts waiting behind one are taken with
    // it, as the notifier merges them.
    double longest = 0;
    for (;;) {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const auto start = Clock::now();
            if (msg.message == kItemsAdded) {
                while (PeekMessageW(&msg, nullptr, kItemsAdded, kItemsAdded, PM_REMOVE)) {
                }
                list.SetItemCount(ResultList::Count());
                UpdateWindow(hwnd);
            } else {
                DispatchMessageW(&msg);
            }
            longest = std::max(longest, Ms(start));
            continue;
        }
        if (feed.done && WaitForSingleObject(worker, 0) == WAIT_OBJECT_0)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    CloseHandle(worker);
    f.stall = longest;
    list.ClearItems();
    GlobalSearchJob().ClearResults();
    list.Detach(true);
    host.Detach(true);
    return f;
}

// The same selection commands in the program's main window, where every
// change of the list's selection also reaches the window's status refresh,
// and the status bar's update that follows; the results arriving as the
// notifier reports them to the window.
struct WindowFigures {
    double selectAll, statusAll, invertTenth, statusTenth, invertBack, clear, stall;
};

WindowFigures MeasureInMainWindow(size_t count) {
    WindowFigures f{};
    CVQDlg window;
    if (!window.CreateDialogWindow(nullptr))
        return f;
    const HWND main = window.m_hwnd;
    const HWND hwnd = window.m_list.Handle();
    SetWindowPos(main, nullptr, 0, 0, 1200, 800, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(main, SW_SHOWNA);
    Pump();

    // Results arrive in blocks of 2,000 and are reported as the notifier
    // reports them (one merged count after each block); the figure is the
    // longest report.
    Generator generator(count);
    double longest = 0;
    for (size_t from = 0; from < count; from += 2000) {
        generator.Add(from, from + 2000);
        const auto start = Clock::now();
        window.OnSearchNotify(NotifyItemsAdded, 0);
        UpdateWindow(main);
        longest = std::max(longest, Ms(start));
        Pump();
    }
    f.stall = longest;

    auto command = [&](UINT id) {
        const auto start = Clock::now();
        SendMessageW(main, WM_COMMAND, id, 0);
        UpdateWindow(hwnd);
        return Ms(start);
    };
    auto status = [&] {
        const auto start = Clock::now();
        window.m_statusTimer.Stop();
        window.UpdateStatus();
        UpdateWindow(window.m_statusBar.Handle());
        return Ms(start);
    };
    f.selectAll = command(kCommandSelectAll);
    f.statusAll = status();
    SendMessageW(main, WM_COMMAND, kCommandInvertSelection, 0); // none selected
    for (size_t i = 0; i < count; i += 10)
        Select(hwnd, static_cast<int>(i), true);
    window.m_statusTimer.Stop();
    f.invertTenth = command(kCommandInvertSelection);
    f.statusTenth = status();
    f.invertBack = command(kCommandInvertSelection);
    window.m_statusTimer.Stop();

    const auto start = Clock::now();
    window.m_list.ClearItems();
    GlobalSearchJob().ClearResults();
    UpdateWindow(main);
    f.clear = Ms(start);
    return f;
}

// The calls the selection commands are made of, on a bare owner-data list
// view of the same size that no program code answers: what the system's
// own list view costs, the floor under the figures above.
struct BareFigures {
    double growCount, selectAll, readAll, clearAll, readTenth, clearTenth, unselectTenth, deleteAll;
};

LRESULT CALLBACK BareHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

BareFigures MeasureBareList(size_t count) {
    BareFigures f{};
    WNDCLASSW type{};
    type.lpfnWndProc = BareHostProc;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"list_window_bench_bare";
    RegisterClassW(&type);
    const HWND host = CreateWindowW(type.lpszClassName, L"bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                    0, 0, 1000, 720, nullptr, nullptr, type.hInstance, nullptr);
    const HWND list = CreateWindowW(WC_LISTVIEWW, L"",
                                    WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA |
                                        LVS_SHOWSELALWAYS,
                                    0, 0, 980, 680, host, nullptr, type.hInstance, nullptr);
    // Nine columns, as the results list's details view has.
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 110;
    for (int at = 0; at < 9; ++at)
        SendMessageW(list, LVM_INSERTCOLUMNW, at, reinterpret_cast<LPARAM>(&column));
    // A search's count update on the shown list: the count grows without
    // moving the view or repainting the shown rows (median of 21).
    constexpr size_t kGrowSteps = 21;
    const size_t step = std::max<size_t>(1, count / 2 / kGrowSteps);
    size_t shown = count - step * kGrowSteps;
    SendMessageW(list, LVM_SETITEMCOUNT, shown, 0);
    Pump();
    std::vector<double> grows;
    for (size_t i = 0; i < kGrowSteps; ++i) {
        shown += step;
        const auto start = Clock::now();
        SendMessageW(list, LVM_SETITEMCOUNT, shown, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        grows.push_back(Ms(start));
        Pump();
    }
    std::sort(grows.begin(), grows.end());
    f.growCount = grows[grows.size() / 2];
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    auto readSelection = [&] {
        const auto start = Clock::now();
        for (int row = -1;
             (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;) {
        }
        return Ms(start);
    };
    auto t = Clock::now();
    Select(list, -1, true);
    f.selectAll = Ms(t);
    f.readAll = readSelection();
    t = Clock::now();
    Select(list, -1, false);
    f.clearAll = Ms(t);
    for (size_t i = 0; i < count; i += 10)
        Select(list, static_cast<int>(i), true);
    f.readTenth = readSelection();
    t = Clock::now();
    Select(list, -1, false);
    f.clearTenth = Ms(t);
    Select(list, -1, true);
    t = Clock::now();
    for (size_t i = (count - 1) / 10 * 10 + 10; i >= 10;) {
        i -= 10;
        Select(list, static_cast<int>(i), false);
    }
    f.unselectTenth = Ms(t);
    t = Clock::now();
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    f.deleteAll = Ms(t);
    DestroyWindow(host);
    Pump();
    return f;
}

void Row(const char* what, double base, double full, const char* goal) {
    std::printf("%-34s %10.1f %12.1f   %s\n", what, base, full, goal);
}

} // namespace

int main(int argc, char** argv) {
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    Settings().LisViewMode.Set(ViewDetails);
    {
        // What the list view of this system offers; where groups are missing
        // the groups are built all the same and the list stays flat.
        Host host;
        host.Create(L"probe", nullptr, 0, 0, 0, 300, 200, WS_OVERLAPPEDWINDOW, 0, L"");
        CVQListCtrl list;
        list.Create(host.Handle());
        std::printf("list view groups: %s, tile view: %s\n", list.HasGroupView() ? "yes" : "no",
                    list.SetViewMode(ViewTiles, true) ? "yes" : "no");
        list.SetViewMode(ViewDetails, true);
        list.Detach(true);
        host.Detach(true);
    }
    // The main window keeps its settings and histories in a folder of its
    // own for the run.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring config = std::wstring(temp) + L"list_window_bench";
    CreateDirectoryW(config.c_str(), nullptr);
    SetConfigBaseFolders(config, config);

    const Figures base = Measure(10000);
    const Figures full = Measure(count);
    const WindowFigures windowBase = MeasureInMainWindow(10000);
    const WindowFigures windowFull = MeasureInMainWindow(count);
    const BareFigures bareBase = MeasureBareList(10000);
    const BareFigures bareFull = MeasureBareList(count);
    std::printf("figures in ms             %23s %12zu   goal\n", "10000", count);
    Row("first paint", base.firstPaint, full.firstPaint, "< 50");
    Row("page down (mean of 20)", base.pageDown, full.pageDown, "< 50");
    Row("scroll to the end", base.toEnd, full.toEnd, "< 50");
    Row("select all", base.selectAll, full.selectAll, "< 100");
    Row("selection read for the status", base.selectionRead, full.selectionRead, "< 50");
    Row("invert, all selected", base.invertAll, full.invertAll, "< 100");
    Row("invert, one selected", base.invertOne, full.invertOne, "< 100");
    Row("invert, every tenth selected", base.invertTenth, full.invertTenth, "< 100");
    const char* names[9] = {"name", "size", "type", "modified", "folder",
                            "created", "accessed", "attributes", "extension"};
    for (int column = 0; column < 9; ++column) {
        const std::string what = std::string("sort by ") + names[column];
        Row(what.c_str(), base.sort[column], full.sort[column], "< 1000");
    }
    Row("group by extension", base.group[0], full.group[0], "< 50");
    Row("group by modified", base.group[1], full.group[1], "< 50");
    Row("group by size", base.group[2], full.group[2], "< 50");
    Row("clear the list", base.clearList, full.clearList, "< 100");
    Row("clear the results", base.clearResults, full.clearResults, "< 100");
    Row("longest message while adding", base.stall, full.stall, "< 50");
    std::printf("in the main window (status refresh and status bar)\n");
    Row("select all", windowBase.selectAll, windowFull.selectAll, "< 100");
    Row("status bar update, all selected", windowBase.statusAll, windowFull.statusAll, "< 50");
    Row("invert, every tenth selected", windowBase.invertTenth, windowFull.invertTenth, "< 100");
    Row("status bar update, 90% selected", windowBase.statusTenth, windowFull.statusTenth, "< 50");
    Row("invert back to every tenth", windowBase.invertBack, windowFull.invertBack, "< 100");
    Row("clear for a new search", windowBase.clear, windowFull.clear, "< 100");
    Row("longest items-added report", windowBase.stall, windowFull.stall, "< 50");
    std::printf("bare owner-data list view, no program code (the system's floor)\n");
    Row("grow the shown count (one update)", bareBase.growCount, bareFull.growCount, "-");
    Row("select all (one message)", bareBase.selectAll, bareFull.selectAll, "-");
    Row("read a whole selection row by row", bareBase.readAll, bareFull.readAll, "-");
    Row("unselect all, one run selected", bareBase.clearAll, bareFull.clearAll, "-");
    Row("read every tenth row selected", bareBase.readTenth, bareFull.readTenth, "-");
    Row("unselect all, every tenth selected", bareBase.clearTenth, bareFull.clearTenth, "-");
    Row("unselect every tenth row, last first", bareBase.unselectTenth, bareFull.unselectTenth,
        "-");
    Row("delete all rows", bareBase.deleteAll, bareFull.deleteAll, "-");
    return 0;
}
