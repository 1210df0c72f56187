#include "app/main/SearchProgress.h"

#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "search/NotifyListener.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <string>

namespace {

FoundItem* Add(SearchJob& job, const std::wstring& name) {
    FoundItem item;
    item.name = name.c_str();
    return AddFoundItem(job, item);
}

// An owner-data report list of 300 x 200 pixels showing the job's results.
struct ResultsList {
    ResultsList() {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&classes);
        hwnd = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0,
                               300, 200, nullptr, nullptr, nullptr, nullptr);
        LVCOLUMNW column{LVCF_WIDTH, 0, 200};
        SendMessageW(hwnd, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        SendMessageW(hwnd, LVM_SETITEMCOUNT, ResultList::Count(), 0);
    }
    ~ResultsList() { DestroyWindow(hwnd); }
    HWND hwnd = nullptr;
};

} // namespace

TEST(SearchProgress, AReportedRowIsRedrawnOnlyWhileItsItemLivesAndTheRowShows) {
    SearchJob& job = GlobalSearchJob();
    struct Case {
        const char* what;
        int reportedRow;                            // which row the report names
        std::function<void(SearchJob&)> duringSend; // what happens before the handler runs
        bool redrawn;
    } cases[] = {
        {"a shown row", 0, [](SearchJob&) {}, true},
        {"a row below the client area", 150, [](SearchJob&) {}, false},
        {"results cleared meanwhile", 0, [](SearchJob& j) { j.ClearResults(); }, false},
    };
    Listener listener;
    ASSERT_TRUE(GlobalNotifier().Attach(listener.Window()));
    for (const Case& c : cases) {
        job.ClearResults();
        FoundItem* reported = nullptr;
        for (int i = 0; i < 200; ++i) {
            FoundItem* item = Add(job, L"file" + std::to_wstring(i));
            if (i == c.reportedRow)
                reported = item;
        }
        ResultsList list;
        int handled = 0;
        bool redrawn = !c.redrawn;
        listener.onMessage = [&](int code) {
            if (code != NotifyItemChanged)
                return;
            ++handled;
            c.duringSend(job);
            redrawn = RedrawReportedItem(list.hwnd, reported);
        };
        listener.got.clear();
        PostNotify(NotifyItemChanged, reinterpret_cast<std::int64_t>(reported));
        listener.Pump(1);
        ASSERT_EQ(handled, 1) << c.what;
        EXPECT_EQ(redrawn, c.redrawn) << c.what;
        EXPECT_FALSE(RedrawReportedItem(list.hwnd, reported)) << c.what << ": after the send";
    }
    listener.onMessage = nullptr;
    GlobalNotifier().Stop();
    job.ClearResults();
}

// The list takes a count at once when it falls or fills empty rows of its
// page, else only once twenty times the last count's cost has passed.
TEST(SearchProgress, TheListTakesACountAtOnceOnlyWhenItsPageShowsTheChange) {
    SearchJob& job = GlobalSearchJob();
    job.ClearResults();
    for (int i = 0; i < 5; ++i)
        Add(job, L"file" + std::to_wstring(i));
    ResultsList list; // 5 rows shown, room for more
    ListCountPace pace;
    pace.Taken(1000, 30);
    struct Case {
        const char* what;
        int shown, count;
        double now;
        DWORD wait;
    } cases[] = {
        {"the same count", 5, 5, 1010, 0},
        {"rows fill the page", 5, 400, 1010, 0},
        {"rows below a full page, soon after", 300, 400, 1010, 590},
        {"rows below a full page, after the wait", 300, 400, 1600, 0},
        {"the count falls", 300, 10, 1010, 0},
    };
    for (const Case& c : cases) {
        SendMessageW(list.hwnd, LVM_SETITEMCOUNT, c.shown, 0);
        EXPECT_EQ(pace.WaitMs(list.hwnd, c.shown, c.count, c.now), c.wait) << c.what;
    }
    // A slow count waits no longer than two seconds.
    pace.Taken(1000, 500);
    EXPECT_EQ(pace.WaitMs(list.hwnd, 300, 400, 1000), 2000u);
    job.ClearResults();
}
