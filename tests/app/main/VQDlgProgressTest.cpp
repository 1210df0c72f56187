#include "app/main/VQDlg.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Language.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "support/MessagePump.h"
#include "support/TempDir.h"
#include "DispatchFixture.h"
#include "MainWndFixture.h"
#include "ui/DialogDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr char kLanguage[] = "\xEF\xBB\xBF[.info]\nname = Test\n"
                             "[global]\ncancel = Stop it\n"
                             "[search_panel]\nsearch = Find\n"
                             "[status]\nready = Ready\nsearching = Searching: %0\nsorting = Sorting\n"
                             "canceled = Canceled\nitems = %0 items\noneitem = %0 item\n";

// A shown main window with its settings files and a language of its own in
// a temporary folder, searching the folder `files`.
class ProgressWindow {
public:
    ProgressWindow() {
        SetConfigBaseFolders(m_dir.Path(), m_dir.Path());
        Language() = VQ_MLang();
        Language().SetLanguageFile(m_dir.WriteFile(L"lang.ini", kLanguage));
        GlobalSearchJob().ClearResults();
        CreateDirectoryW(Files().c_str(), nullptr);
        m_window = std::make_unique<CVQDlg>();
        created = m_window->CreateDialogWindow(nullptr);
        if (created) {
            ShowWindow(m_window->m_hwnd, SW_SHOWNA);
            Pump();
        }
    }
    ~ProgressWindow() {
        GlobalSearchJob().StopAndWait(5000);
        m_window.reset();
        StopNotifierThread();
        GlobalSearchJob().ClearResults();
        Language() = VQ_MLang();
        SetConfigBaseFolders(L"", L"");
    }

    std::wstring Files() const { return m_dir / L"files"; }
    void AddFile(const wchar_t* name) const {
        m_dir.WriteFile(std::wstring(L"files\\") + name, "x");
    }

    // Shows the criteria in the panel's controls and presses Search.
    void Search(const wchar_t* names, const std::wstring& folders) {
        SearchCriteria criteria;
        criteria.name = names;
        criteria.folders = folders;
        ASSERT_TRUE(m_window->m_searchPanel.SetCriteria(&criteria));
        SendMessageW(m_window->m_searchPanel.m_hwnd, WM_COMMAND,
                     MAKEWPARAM(kCommandSearch, BN_CLICKED), 0);
    }

    // Delivers messages until the worker has ended and its end has been
    // shown; false after 20 s.
    bool WaitForEnd() {
        for (int i = 0; i < 2000; ++i) {
            Pump();
            if (!GlobalSearchJob().IsRunning() && Status() == L"Ready" && ListCount() > 0)
                return true;
        }
        return false;
    }

    static void Pump() { PumpMessages(1, 10); }

    static std::wstring Text(HWND hwnd) {
        wchar_t text[512] = {};
        GetWindowTextW(hwnd, text, 512);
        return text;
    }
    // A progress report as the notifier thread sends it.
    void Notify(NotifyCode code, LPARAM value) const {
        SendMessageW(m_window->m_hwnd, GlobalNotifier().message, code, value);
    }

    std::wstring Status() const { return std::wstring(m_window->m_statusBar.ShownText().view()); }
    std::wstring Count() const { return std::wstring(m_window->m_statusBar.CountText().view()); }
    std::wstring Title() const { return Text(m_window->m_hwnd); }
    std::wstring Caption() const { return Text(m_window->m_searchPanel.m_search.Handle()); }
    int ListCount() const {
        return static_cast<int>(SendMessageW(m_window->m_list.m_hwnd, LVM_GETITEMCOUNT, 0, 0));
    }

    // Whether the list still follows the results: more items and their
    // report grow its scroll range, which a list that does not redraw
    // leaves alone.
    bool ListFollowsTheCount() const {
        AddResults(L"more", 300);
        Notify(NotifyItemsAdded, 0);
        SCROLLINFO range{sizeof range, SIF_RANGE};
        return GetScrollInfo(m_window->m_list.m_hwnd, SB_VERT, &range) &&
               range.nMax >= ResultList::Count() - 1;
    }

    // Adds `count` results named <name>0.txt and on, as a worker does.
    static void AddResults(const std::wstring& name, int count) {
        FoundItem item;
        for (int i = 0; i < count; ++i) {
            item.Clear();
            item.folder = L"C:\\" + name;
            item.name = name + std::to_wstring(i) + L".txt";
            AddFoundItem(GlobalSearchJob(), item);
        }
    }

    bool created = false;

private:
    TempDir m_dir;
    std::unique_ptr<CVQDlg> m_window;
};

} // namespace

TEST(VQDlgProgress, ASearchFromTheButtonEndsWithTheCountTheStatusTheTitleAndTheCaption) {
    ProgressWindow window;
    ASSERT_TRUE(window.created);
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.log"})
        window.AddFile(name);
    window.Search(L"*.txt", window.Files());
    ASSERT_TRUE(window.WaitForEnd()) << "status: " << window.Status();
    EXPECT_EQ(window.ListCount(), 2);
    EXPECT_EQ(ResultList::Count(), 2);
    EXPECT_EQ(window.Count(), L"2 items");
    EXPECT_EQ(window.Title(), L"files - Velquin");
    EXPECT_EQ(window.Caption(), L"Find");
    EXPECT_TRUE(window.ListFollowsTheCount()) << "the end left the list without redrawing";
}

TEST(VQDlgProgress, AFolderThatDoesNotExistIsRefusedWithItsMessageAndNoSearchStarts) {
    ProgressWindow window;
    ASSERT_TRUE(window.created);
    window.AddFile(L"a.txt");
    const std::wstring title = window.Title();
    // The box of the refusal is dismissed as soon as it shows.
    DialogDriver driver([](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }, L"mvMsgBox00");
    window.Search(L"*.txt", window.Files() + L"\\missing");
    driver.Join();
    EXPECT_NE(driver.Dialog(), nullptr);
    for (int i = 0; i < 20; ++i)
        window.Pump();
    EXPECT_FALSE(GlobalSearchJob().IsRunning());
    EXPECT_EQ(ResultList::Count(), 0);
    EXPECT_EQ(window.ListCount(), 0);
    EXPECT_EQ(window.Title(), title);
    EXPECT_EQ(window.Caption(), L"Find");
}

TEST(VQDlgProgress, TheSearchButtonReadsStopWhileTheWorkerRunsAndSearchOnceItHasEnded) {
    ProgressWindow window;
    ASSERT_TRUE(window.created);
    {
        BusyJob busy(JobSearch);
        ASSERT_TRUE(busy.started);
        window.Notify(NotifyStarted, JobSearch);
        EXPECT_EQ(window.Caption(), L"Stop it");
    }
    window.Notify(NotifyFinished, 1);
    EXPECT_EQ(window.Caption(), L"Find");
    // The finished state shows with the window's next message.
    window.Pump();
    EXPECT_EQ(window.Status(), L"Canceled");
    // No searched folder leaves the title as it was.
    const std::wstring title = window.Title();
    GlobalSearchJob().folder_text = L"";
    window.Notify(NotifyFoldersChanged, 0);
    EXPECT_EQ(window.Title(), title);
}

// The end is handled in two steps: the sort within the report, the scroll
// range and the finished state with the next message, which a job begun
// in between overrides (its list must still redraw).
TEST(VQDlgProgress, TheEndShowsWithTheNextMessageUnlessANewJobBeginsFirst) {
    ProgressWindow window;
    ASSERT_TRUE(window.created);
    window.Notify(NotifyFinished, 0);
    EXPECT_EQ(window.Status(), L"Sorting");
    window.Pump();
    EXPECT_EQ(window.Status(), L"Ready");
    EXPECT_TRUE(window.ListFollowsTheCount()) << "after a shown end";

    GlobalSearchJob().ClearResults();
    window.Notify(NotifyFinished, 0);
    BusyJob busy(JobSearch);
    ASSERT_TRUE(busy.started);
    window.Notify(NotifyStarted, JobSearch);
    window.Pump();
    EXPECT_NE(window.Status(), L"Ready") << "the last end shown over a running search";
    EXPECT_EQ(window.Caption(), L"Stop it");
    EXPECT_TRUE(window.ListFollowsTheCount()) << "after an end overtaken by a new job";
}

// While a search runs, a count below a full page may wait; no later report
// is needed for the list to take it.
TEST(VQDlgProgress, ACountTheListPutsOffIsTakenWithoutAnotherReport) {
    ProgressWindow window;
    ASSERT_TRUE(window.created);
    BusyJob busy(JobSearch);
    ASSERT_TRUE(busy.started);
    ASSERT_TRUE(window.ListFollowsTheCount()) << "the first page is taken at once";
    ProgressWindow::AddResults(L"later", 300);
    window.Notify(NotifyItemsAdded, 0);
    for (int i = 0; i < 300 && window.ListCount() != ResultList::Count(); ++i)
        window.Pump();
    EXPECT_EQ(window.ListCount(), ResultList::Count());
    EXPECT_EQ(window.Count(), L"600 items");
}

namespace {

// The menus' states as they open and the status refresh, on a shown main
// window.
class VQDlgMenuState : public DispatchFixture {};

} // namespace

TEST_F(VQDlgMenuState, FileMenuFollowsTheJobKindWithItsCaptionsAndGreysWhatHasNoHandler) {
    const HMENU file = BarMenu(0);
    ASSERT_NE(file, nullptr);
    struct Item {
        UINT id;
        bool enabled; // by the job's state, before asking for a handler
        const wchar_t* text;
    };
    const struct {
        const char* what;
        JobKind kind;
        bool items;
        std::vector<Item> expected;
    } cases[] = {
        {"idle, empty", JobIdle, false,
         {{kCommandLoad, true, L"Load"}, {kCommandSave, true, nullptr}, {kCommandExport, false, nullptr},
          {kCommandSearch, true, L"Start"}, {kCommandSearchInResults, false, L"Search in results"},
          {kCommandUndo, false, L"Undo"}, {kCommandPause, false, L"Pause"}}},
        {"idle, with results", JobIdle, true,
         {{kCommandExport, true, nullptr}, {kCommandSearchInResults, true, L"Search in results"},
          {kCommandPause, false, L"Pause"}}},
        {"searching", JobSearch, true,
         {{kCommandLoad, false, L"Load"}, {kCommandSave, false, nullptr}, {kCommandExport, false, nullptr},
          {kCommandSearch, true, L"Stop"}, {kCommandSearchInResults, false, L"Search in results"},
          {kCommandUndo, false, L"Undo"}, {kCommandPause, true, L"Pause"}}},
        {"loading", JobLoadFile, true,
         {{kCommandLoad, true, L"Stop load"}, {kCommandSave, false, nullptr}, {kCommandSearch, false, L"Start"},
          {kCommandSearchInResults, false, L"Search in results"}, {kCommandPause, true, L"Pause"}}},
        {"searching in results", JobSearchInResults, true,
         {{kCommandLoad, false, L"Load"}, {kCommandSearch, false, L"Start"},
          {kCommandSearchInResults, true, L"Stop in results"}, {kCommandExport, false, nullptr},
          {kCommandPause, true, L"Pause"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GlobalSearchJob().ClearResults();
        if (c.items)
            Show({{.name = L"a.txt"}, {.name = L"b.txt"}});
        else
            Notify(NotifyItemsAdded, 0);
        std::optional<BusyJob> busy;
        if (c.kind != JobIdle) {
            busy.emplace(c.kind);
            ASSERT_TRUE(busy->started);
        }
        InitPopup(file);
        for (const Item& item : c.expected) {
            EXPECT_EQ(!Greyed(file, item.id), item.enabled && CVQDlg::HandlesCommand(item.id)) << item.id;
            if (item.text != nullptr) {
                EXPECT_EQ(TextOf(file, item.id), item.text) << item.id;
            }
        }
    }
}

TEST_F(VQDlgMenuState, UndoShowsTheStackSizeAndPauseReadsResumeWhilePaused) {
    const HMENU file = BarMenu(0);
    Show({{.name = L"a.txt"}});
    InitPopup(file);
    EXPECT_EQ(TextOf(file, kCommandUndo), L"Undo");
    EXPECT_TRUE(Greyed(file, kCommandUndo));
    {
        SearchJob& job = GlobalSearchJob();
        mvLock held(job.lock);
        job.undo.emplace_back();
        job.undo.emplace_back();
    }
    InitPopup(file);
    EXPECT_EQ(TextOf(file, kCommandUndo), L"Undo\t[2]");
    EXPECT_EQ(!Greyed(file, kCommandUndo), CVQDlg::HandlesCommand(kCommandUndo));

    BusyJob busy(JobSearch);
    ASSERT_TRUE(busy.started);
    InitPopup(file);
    EXPECT_TRUE(Greyed(file, kCommandUndo));
    EXPECT_EQ(TextOf(file, kCommandPause), L"Pause");
    ASSERT_TRUE(GlobalSearchJob().worker.SetPaused(true));
    InitPopup(file);
    EXPECT_EQ(TextOf(file, kCommandPause), L"Resume");
    GlobalSearchJob().worker.SetPaused(false);
    InitPopup(file);
    EXPECT_EQ(TextOf(file, kCommandPause), L"Pause");
}

TEST_F(VQDlgMenuState, SelectionCommandsAreEnabledByTheSelectionAndTheirHandler) {
    const HMENU file = BarMenu(0);
    const HMENU edit = BarMenu(1);
    Show({{.name = L"a.txt"}, {.name = L"b.txt"}, {.name = L"dir", .attr = FILE_ATTRIBUTE_DIRECTORY}});
    const struct {
        const char* what;
        std::initializer_list<int> rows;
        bool any;
        bool oneFile;
    } cases[] = {
        {"none", {}, false, false},
        {"one file", {0}, true, true},
        {"two files", {0, 1}, true, false},
        {"one folder", {2}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Select(c.rows);
        for (const HMENU menu : {file, edit}) {
            InitPopup(menu);
            for (const UINT id : {kCommandOpenFolder, kCommandRename, kCommandDelete, kCommandProperties,
                                  kCommandCut, kCommandCopy, kCommandCopyToFolder, kCommandMoveToFolder})
                if (GetMenuState(menu, id, MF_BYCOMMAND) != 0xFFFFFFFF) {
                    EXPECT_EQ(!Greyed(menu, id), c.any && CVQDlg::HandlesCommand(id)) << id;
                }
        }
        InitPopup(file);
        EXPECT_EQ(!Greyed(file, kCommandHexView), c.oneFile);
        // The File menu's first two entries, by position.
        EXPECT_EQ((GetMenuState(file, 0, MF_BYPOSITION) & MF_GRAYED) == 0, c.any);
        EXPECT_EQ((GetMenuState(file, 1, MF_BYPOSITION) & MF_GRAYED) == 0, c.oneFile);
        // Select all and invert need no selection.
        InitPopup(edit);
        EXPECT_FALSE(Greyed(edit, kCommandSelectAll));
        EXPECT_FALSE(Greyed(edit, kCommandInvertSelection));
    }
}

TEST_F(VQDlgMenuState, ViewMenusCheckTheSortGroupViewColumnsAndPanelSettings) {
    const HMENU view = BarMenu(2);
    const HMENU sort = MenuWith(kCommandSortFirst);
    const HMENU group = MenuWith(kCommandGroupFirst);
    const HMENU columns = MenuWith(kCommandColumnFirst);
    const HMENU panel = MenuWith(kCommandPanelLeft);
    ASSERT_TRUE(view && sort && group && columns && panel);
    const struct {
        int sort;
        bool sortDown;
        int group;
        bool groupDown;
        int view;
        int hiddenColumn;
        bool right;
        bool autoHide;
    } cases[] = {
        {3, true, 9, false, ViewList, 4, false, false},
        {9, false, 8, true, ViewDetails, 6, true, true},
        {0, false, 0, false, ViewSmallIcons, -1, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sort);
        VQSettings& s = Settings();
        s.SortColumn.Set(static_cast<std::uint8_t>(c.sort));
        s.SortDescending.Set(c.sortDown);
        s.GroupColumn.Set(static_cast<std::uint8_t>(c.group));
        s.GroupDescending.Set(c.groupDown);
        s.LisViewMode.Set(static_cast<std::uint8_t>(c.view));
        s.Columns = ColumnSettings();
        if (c.hiddenColumn >= 0)
            s.Columns.Records[c.hiddenColumn].Hidden = 1;
        s.SearchPanelRight.Set(c.right ? 1 : 0);
        s.SearchPanelAutoHide.Set(c.autoHide);
        for (const HMENU menu : {view, sort, group, columns, panel})
            InitPopup(menu);
        for (int column = 0; column <= 9; ++column) {
            EXPECT_EQ(Checked(sort, kCommandSortFirst + column), column == c.sort) << column;
            EXPECT_EQ(Checked(group, kCommandGroupFirst + column), column == c.group) << column;
        }
        EXPECT_EQ(Greyed(sort, kCommandSortAscending), c.sort == 9);
        EXPECT_EQ(Greyed(sort, kCommandSortDescending), c.sort == 9);
        EXPECT_EQ(Checked(sort, kCommandSortAscending), c.sort < 9 && !c.sortDown);
        EXPECT_EQ(Checked(sort, kCommandSortDescending), c.sort < 9 && c.sortDown);
        EXPECT_EQ(Greyed(group, kCommandGroupAscending), c.group == 9);
        EXPECT_EQ(Checked(group, kCommandGroupDescending), c.group < 9 && c.groupDown);
        for (int mode = 0; mode <= kLastViewMode; ++mode)
            EXPECT_EQ(Checked(view, kCommandViewModeFirst + mode), mode == c.view) << mode;
        for (int column = 0; column < 9; ++column)
            EXPECT_EQ(Checked(columns, kCommandColumnFirst + column), column != c.hiddenColumn) << column;
        EXPECT_EQ(Checked(panel, kCommandPanelLeft), !c.right);
        EXPECT_EQ(Checked(panel, kCommandPanelRight), c.right);
        EXPECT_EQ(Checked(panel, kCommandPanelAutoHide), c.autoHide);
        EXPECT_FALSE(EntryGreyed(view, sort));
        EXPECT_FALSE(EntryGreyed(view, group));
    }
    // While a job runs the sort and group menus cannot be opened.
    BusyJob busy(JobSearch);
    ASSERT_TRUE(busy.started);
    InitPopup(view);
    EXPECT_TRUE(EntryGreyed(view, sort));
    EXPECT_TRUE(EntryGreyed(view, group));
}

TEST_F(VQDlgMenuState, ABurstOfSelectionChangesRefreshesTheStatusOnceAfterItEnds) {
    ShowFiles(300);
    Pump(150);
    const HWND toolBar = window->m_toolBar.m_toolBar.Handle();
    ASSERT_NE(toolBar, nullptr);
    // Every refresh enables or greys the Open button once.
    MessageCounter counter(toolBar, TB_ENABLEBUTTON);
    const auto refreshes = [] {
        return std::count_if(MessageCounter::s_calls.begin(), MessageCounter::s_calls.end(),
                             [](const MessageCounter::Call& call) { return call.wParam == kCommandOpen; });
    };
    for (int row = 0; row < 300; ++row)
        ListView_SetItemState(List(), row, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(refreshes(), 0);
    EXPECT_EQ(window->m_statusBar.selectedCount, 0);
    Pump(300);
    EXPECT_EQ(refreshes(), 1);
    EXPECT_EQ(window->m_statusBar.selectedCount, 300);
    EXPECT_EQ(window->m_statusBar.itemCount, 300);
    EXPECT_EQ(window->m_statusBar.selectionSize, 3000);

    // A menu that opens meanwhile takes the pending refresh at once.
    ListView_SetItemState(List(), 0, 0, LVIS_SELECTED);
    InitPopup(BarMenu(0));
    EXPECT_EQ(refreshes(), 2);
    EXPECT_EQ(window->m_statusBar.selectedCount, 299);
    Pump(300);
    EXPECT_EQ(refreshes(), 2);
}

TEST_F(VQDlgMenuState, TheOpenButtonShowsTheHandlersIconOnlyWhileAskedTo) {
    const HWND toolBar = window->m_toolBar.m_toolBar.Handle();
    const auto image = [&] {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_IMAGE;
        SendMessageW(toolBar, TB_GETBUTTONINFOW, kCommandOpen, reinterpret_cast<LPARAM>(&info));
        return info.iImage;
    };
    const int own = image();
    Show({{.name = L"a.txt"}, {.name = L"b.txt"}});
    Settings().UpdateTBOpenBtn.Set(false);
    Select({0});
    Pump(300);
    EXPECT_EQ(image(), own);
    EXPECT_EQ(window->m_toolBar.OpenButtonImage, -1);
    // With the setting on, a selection whose handler has an icon shows it;
    // turned off again, the button takes its own image back.
    Settings().UpdateTBOpenBtn.Set(true);
    Select({1});
    Pump(300);
    if (window->m_toolBar.OpenButtonImage < 0)
        GTEST_SKIP() << "the system names no handler with an icon for .txt files";
    EXPECT_NE(image(), own);
    Settings().UpdateTBOpenBtn.Set(false);
    Select({0});
    Pump(300);
    EXPECT_EQ(image(), own);
    EXPECT_EQ(window->m_toolBar.OpenButtonImage, -1);
}
