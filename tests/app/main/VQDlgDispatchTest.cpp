// The main window's dispatch driven by the messages a user's actions send:
// commands, header clicks, the context menu, the list's selection.
#include "DispatchFixture.h"

#include "app/main/JobState.h"

#include <string>
#include <vector>

namespace {

class VQDlgDispatch : public DispatchFixture {};

// Focus and the clipboard are one per display: these run alone.
class VQDlgDispatchInput : public DispatchFixture {
protected:
    // Starts editing the label of a row; the edit box, or null.
    HWND EditLabel(int row) {
        SetFocus(List());
        const auto edit = reinterpret_cast<HWND>(SendMessageW(List(), LVM_EDITLABELW, row, 0));
        Pump(20);
        return edit;
    }
    static std::wstring Text(HWND hwnd) {
        wchar_t text[256] = {};
        GetWindowTextW(hwnd, text, 256);
        return text;
    }
    void PutOnClipboard(const wchar_t* text) {
        ASSERT_TRUE(OpenClipboard(Hwnd()));
        EmptyClipboard();
        const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        memcpy(GlobalLock(block), text, bytes);
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
    }
    std::wstring ClipboardText() {
        std::wstring text = L"<none>";
        if (!OpenClipboard(Hwnd()))
            return L"<not opened>";
        if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(block));
            GlobalUnlock(block);
        }
        CloseClipboard();
        return text;
    }
};

} // namespace

TEST_F(VQDlgDispatchInput, EscapeEndsALabelEditAndNeverClosesTheWindow) {
    Show({{.name = L"alpha.txt"}, {.name = L"beta.txt"}});
    Select({1});
    const HWND edit = EditLabel(1);
    ASSERT_NE(edit, nullptr);
    ASSERT_EQ(window->m_list.GetEditControl(), edit);
    Command(IDCANCEL);
    EXPECT_EQ(SendMessageW(List(), LVM_GETEDITCONTROL, 0, 0), 0);
    EXPECT_EQ(ResultList::ItemAt(1)->name.str(), L"beta.txt");
    EXPECT_TRUE(IsWindow(Hwnd()));
    EXPECT_TRUE(IsWindowVisible(Hwnd()));
    // And without an edit it does nothing at all.
    Command(IDCANCEL);
    EXPECT_TRUE(IsWindowVisible(Hwnd()));
    // A menu that opens ends the edit too.
    ASSERT_NE(EditLabel(1), nullptr);
    InitPopup(BarMenu(0));
    EXPECT_EQ(SendMessageW(List(), LVM_GETEDITCONTROL, 0, 0), 0);
}

TEST_F(VQDlgDispatchInput, ClipboardAndDeleteKeysWorkOnTheLabelBeingEdited) {
    const std::wstring file = m_dir.WriteFile(L"files\\alpha.txt", "data");
    const std::wstring folder = m_dir / L"files";
    Show({{.folder = folder.c_str(), .name = L"alpha.txt", .size = 4}});
    const struct {
        UINT id;
        const wchar_t* edit;      // the label box's text afterwards
        const wchar_t* clipboard; // the clipboard's text afterwards
    } cases[] = {
        {kCommandCut, L"", L"alpha.txt"},
        {kCommandCopy, L"alpha.txt", L"alpha.txt"},
        {kCommandDelete, L"", L"before"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        PutOnClipboard(L"before");
        Select({0});
        const HWND edit = EditLabel(0);
        ASSERT_NE(edit, nullptr);
        ASSERT_EQ(Text(edit), L"alpha.txt");
        SendMessageW(edit, EM_SETSEL, 0, -1);
        Command(c.id);
        EXPECT_EQ(Text(edit), c.edit);
        EXPECT_EQ(ClipboardText(), c.clipboard);
        EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
        EXPECT_TRUE(window->m_list.CutList.empty());
        EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
        SendMessageW(List(), LVM_CANCELEDITLABEL, 0, 0);
        Pump(20);
    }
    EXPECT_EQ(ResultList::Count(), 1);
}

TEST_F(VQDlgDispatchInput, AutoHideTakesTheFocusOutOfThePanelToTheList) {
    const HWND host = window->m_searchPanel.m_hwnd;
    ASSERT_NE(host, nullptr);
    SetFocus(GetDlgItem(host, kCommandSearch));
    ASSERT_TRUE(IsChild(host, GetFocus()));
    Command(kCommandPanelAutoHide);
    EXPECT_TRUE(Settings().SearchPanelAutoHide.Get());
    EXPECT_EQ(GetFocus(), List());
}

TEST_F(VQDlgDispatchInput, TheContextMenuOfTheListIsTheViewItemsOrColumnsMenuByWhereAndWhat) {
    // The program's own items, not the shell's menu of the files (whose
    // cases VQDlgShellTest covers).
    ScopedBoolSetting noShell(Settings().UseShellContextMenu, false);
    Show({{.name = L"a.txt"}, {.name = L"b.txt"}});
    RECT header{};
    GetWindowRect(ListView_GetHeader(List()), &header);
    const POINT onHeader{(header.left + header.right) / 2, (header.top + header.bottom) / 2};
    const struct {
        const char* what;
        bool selected;
        bool fromList;
        POINT at;
        HMENU expected;
    } cases[] = {
        {"key, nothing selected", false, true, {-1, -1}, window->m_menus.viewPopup.Handle()},
        {"key, an item selected", true, true, {-1, -1}, window->m_menus.itemsPopup.Handle()},
        {"over the header", true, true, onHeader, MenuWith(kCommandColumnFirst)},
        {"another window", false, false, {-1, -1}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.selected)
            Select({0});
        else
            Select({});
        // No pump: the status refresh is still pending when the menu asks.
        window->popups.clear();
        SendMessageW(Hwnd(), WM_CONTEXTMENU,
                     reinterpret_cast<WPARAM>(c.fromList ? List() : Hwnd()),
                     MAKELPARAM(c.at.x, c.at.y));
        Pump(20);
        if (c.expected == nullptr) {
            EXPECT_TRUE(window->popups.empty());
        } else {
            ASSERT_FALSE(window->popups.empty());
            EXPECT_EQ(window->popups.front(), c.expected);
        }
    }
}

TEST_F(VQDlgDispatch, ASecondClickOnTheSortedColumnReversesItAndTheGroupsOfThatColumn) {
    Show({{.name = L"b.txt"}, {.name = L"a.doc"}, {.name = L"c.bin"}, {.name = L"e.txt"},
          {.name = L"d.zip"}});
    using Texts = std::vector<std::wstring>;
    const Texts up = {L".bin", L".doc", L".txt", L".txt", L".zip"};
    const Texts down(up.rbegin(), up.rend());
    const Texts names = {L"a.doc", L"b.txt", L"c.bin", L"d.zip", L"e.txt"};
    const Texts namesDown(names.rbegin(), names.rend());

    // Grouped by the clicked column: the groups turn round with the sort.
    Settings().GroupColumn.Set(ColumnExtension);
    ClickHeader(ColumnExtension);
    EXPECT_EQ(Settings().SortColumn.Get(), ColumnExtension);
    EXPECT_FALSE(Settings().SortDescending.Get());
    EXPECT_EQ(Names(true), up);
    const Texts groupsUp = GroupTitles();
    ASSERT_EQ(groupsUp.size(), 4u);
    ClickHeader(ColumnExtension);
    EXPECT_TRUE(Settings().SortDescending.Get());
    EXPECT_TRUE(Settings().GroupDescending.Get());
    EXPECT_EQ(Names(true), down);
    EXPECT_EQ(GroupTitles(), Texts(groupsUp.rbegin(), groupsUp.rend()));
    ClickHeader(ColumnExtension);
    EXPECT_FALSE(Settings().SortDescending.Get());
    EXPECT_FALSE(Settings().GroupDescending.Get());
    EXPECT_EQ(GroupTitles(), groupsUp);

    // Grouped by another column: the groups stay as they are. Another
    // column keeps the direction.
    ClickHeader(ColumnName);
    EXPECT_EQ(Settings().SortColumn.Get(), ColumnName);
    EXPECT_EQ(Names(), names);
    ClickHeader(ColumnName);
    EXPECT_EQ(Names(), namesDown);
    EXPECT_TRUE(Settings().SortDescending.Get());
    EXPECT_FALSE(Settings().GroupDescending.Get());
    EXPECT_EQ(GroupTitles(), groupsUp);
    ClickHeader(ColumnExtension);
    EXPECT_TRUE(Settings().SortDescending.Get());
    EXPECT_EQ(Names(true), down);
}

TEST_F(VQDlgDispatch, SortAndGroupCommandsWhileAJobRunsChangeNeitherTheOrderNorTheSettings) {
    Show({{.name = L"b.txt"}, {.name = L"a.doc"}, {.name = L"c.bin"}});
    const std::vector<std::wstring> before = Names();
    const auto settings = [] {
        VQSettings& s = Settings();
        return std::to_string(s.SortColumn.Get()) + (s.SortDescending.Get() ? "d" : "a") +
               std::to_string(s.GroupColumn.Get()) + (s.GroupDescending.Get() ? "d" : "a");
    };
    // From here each of the commands would change something.
    Settings().SortColumn.Set(ColumnName);
    Settings().SortDescending.Set(true);
    Settings().GroupColumn.Set(ColumnExtension);
    const std::string start = settings();
    const UINT commands[] = {kCommandSortFirst,     kCommandSortFirst + 8, kCommandSortNone,
                             kCommandSortAscending, kCommandGroupFirst,    kCommandGroupFirst + 8,
                             kCommandGroupNone,     kCommandGroupDescending};
    for (const JobKind kind : {JobSearch, JobLoadFile, JobSearchInResults}) {
        SCOPED_TRACE(static_cast<int>(kind));
        BusyJob busy(kind);
        ASSERT_TRUE(busy.started);
        for (const UINT id : commands) {
            Command(id);
            EXPECT_EQ(settings(), start) << id;
        }
        ClickHeader(ColumnExtension);
        EXPECT_EQ(settings(), start);
        EXPECT_EQ(Names(), before);
    }
    // A worker told to stop that has not ended yet holds them back too.
    {
        BusyJob busy(JobSearch);
        ASSERT_TRUE(busy.started);
        Command(kCommandSearch); // stops without waiting
        ASSERT_TRUE(GlobalSearchJob().IsRunning());
        Command(kCommandSortFirst + 8);
        EXPECT_EQ(settings(), start);
    }
    // Once it has ended they work.
    Command(kCommandSortFirst);
    EXPECT_EQ(settings(), "0a8a");
    EXPECT_EQ(Names().front(), L"a.doc");
}

TEST_F(VQDlgDispatch, SearchWithAnEmptyFolderTextLeavesListTitleAndJobAlone) {
    const std::wstring folder = m_dir / L"files";
    m_dir.WriteFile(L"files\\found.txt", "x");
    const struct {
        const wchar_t* folders;
        bool starts;
    } cases[] = {{L"", false}, {folder.c_str(), true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.starts ? "a folder" : "no folder");
        GlobalSearchJob().ClearResults();
        Show({{.name = L"old1.txt"}, {.name = L"old2.txt"}, {.name = L"old3.txt"}});
        SetWindowTextW(Hwnd(), L"old - Velquin");
        SearchCriteria criteria;
        criteria.name = L"*.txt";
        criteria.folders = c.folders;
        ASSERT_TRUE(window->m_searchPanel.SetCriteria(&criteria));
        Command(kCommandSearch);
        if (!c.starts) {
            Pump(100);
            EXPECT_FALSE(GlobalSearchJob().IsRunning());
            EXPECT_EQ(ResultList::Count(), 3);
            EXPECT_EQ(ListCount(), 3);
            EXPECT_EQ(Title(), L"old - Velquin");
        } else {
            EXPECT_TRUE(PumpUntil([&] { return !GlobalSearchJob().IsRunning() && ListCount() == 1; }));
            EXPECT_EQ(Names(), std::vector<std::wstring>{L"found.txt"});
            EXPECT_EQ(Title(), L"files - Velquin");
        }
    }
}

TEST_F(VQDlgDispatch, InvertSelectionChangesTheSmallerSideOneByOne) {
    ShowFiles(10);
    const struct {
        std::vector<int> before;
        std::vector<int> after;
        LPARAM allState; // what the one message for every row sets
        LPARAM rowState; // what each message for a single row sets
        size_t rowMessages;
    } cases[] = {
        {{1, 4, 7}, {0, 2, 3, 5, 6, 8, 9}, LVIS_SELECTED, 0, 3},
        {{0, 2, 4, 6, 8}, {1, 3, 5, 7, 9}, 0, LVIS_SELECTED, 5},
        {{}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, LVIS_SELECTED, 0, 0},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, 0, LVIS_SELECTED, 0},
        {{0, 1, 2, 3, 4, 5, 7, 8, 9}, {6}, 0, LVIS_SELECTED, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.before));
        ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
        for (int row : c.before)
            ListView_SetItemState(List(), row, LVIS_SELECTED, LVIS_SELECTED);
        std::vector<MessageCounter::Call> calls;
        {
            MessageCounter counter(List(), LVM_SETITEMSTATE);
            SendMessageW(Hwnd(), WM_COMMAND, kCommandInvertSelection, 0);
            calls = MessageCounter::s_calls;
        }
        EXPECT_EQ(Selected(), c.after);
        ASSERT_FALSE(calls.empty());
        // A selection in several runs may first be cleared in one more
        // message for every row (some list views join each newly selected
        // row to its neighbours' runs one by one).
        size_t first = 0;
        if (calls.size() > 1 && calls[0].wParam == static_cast<WPARAM>(-1) &&
            calls[1].wParam == static_cast<WPARAM>(-1) && (calls[0].value & LVIS_SELECTED) == 0)
            first = 1;
        EXPECT_EQ(calls[first].wParam, static_cast<WPARAM>(-1));
        EXPECT_EQ(calls[first].value & LVIS_SELECTED, c.allState);
        EXPECT_EQ(calls.size() - 1 - first, c.rowMessages);
        for (size_t i = first + 1; i < calls.size(); ++i)
            EXPECT_EQ(calls[i].value & LVIS_SELECTED, c.rowState);
    }
}

TEST_F(VQDlgDispatch, HexViewOpensTheSelectedFileAtItsContentHitOrAtTheStart) {
    HexViewerLaunch& launch = Settings().HexViewer;
    ScopedBoolSetting own(launch.UseCustomHexview, false);
    const mvstring savedProgram = launch.ProgramPath, savedArguments = launch.Arguments;
    // The viewer's command line is written to a file by the system's shell
    // in place of the viewer.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    launch.ProgramPath = std::wstring(system) + L"\\cmd.exe";

    const struct {
        std::int64_t offset;
        std::int32_t length;
        const wchar_t* arguments;
    } cases[] = {
        {-1, 0, L"/hexview C:\\data\\f.bin"},
        {0, 0, L"/hexview C:\\data\\f.bin"},
        {4096, 7, L"/hexview C:\\data\\f.bin 4096 7"},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        GlobalSearchJob().ClearResults();
        std::vector<FoundItem*> items = Show({{.name = L"f.bin"}, {.name = L"g.bin"}});
        items[0]->wsoffset = c.offset;
        items[0]->wslen = c.length;
        const std::wstring record = m_dir / (L"command" + std::to_wstring(++round) + L".txt");
        launch.Arguments = L"/c >\"" + record + L"\" echo ";
        Select({0});
        Command(kCommandHexView);
        std::string text;
        ASSERT_TRUE(PumpUntil([&] {
            text = TempDir::ReadFile(record);
            return text.find('\n') != std::string::npos;
        }));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        EXPECT_EQ(std::wstring(text.begin(), text.end()), c.arguments);
    }
    launch.ProgramPath = savedProgram;
    launch.Arguments = savedArguments;
}

TEST_F(VQDlgDispatch, ToolbarAndStatusBarCommandsShowHideAndLayOut) {
    const HMENU view = BarMenu(2);
    const struct {
        UINT id;
        BoolSetting& setting;
        HWND bar;
    } cases[] = {
        {kCommandToolbar, Settings().Toolbar, window->ToolBarWindow()},
        {kCommandStatusBar, Settings().StatusBar, window->m_statusBar.Handle()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        ASSERT_NE(c.bar, nullptr);
        for (const bool shown : {false, true}) {
            Command(c.id);
            EXPECT_EQ(c.setting.Get(), shown);
            EXPECT_EQ(IsWindowVisible(c.bar) != FALSE, shown);
            InitPopup(view);
            EXPECT_EQ(Checked(view, c.id), shown);
            RECT client{};
            GetClientRect(Hwnd(), &client);
            const RECT list = Place(List());
            const RECT bar = Place(c.bar);
            if (c.id == kCommandToolbar)
                EXPECT_EQ(list.top >= bar.bottom, shown) << list.top << " / " << bar.bottom;
            else
                EXPECT_EQ(list.bottom, shown ? bar.top : client.bottom);
        }
    }
}

TEST_F(VQDlgDispatch, PanelSideAndAutoHideCommandsMoveThePanel) {
    const HWND host = window->m_searchPanel.m_hwnd;
    ASSERT_NE(host, nullptr);
    RECT client{};
    GetClientRect(Hwnd(), &client);
    const struct {
        UINT id;
        bool right;
        bool autoHide;
    } steps[] = {
        {kCommandPanelRight, true, false},
        {kCommandPanelRight, true, false}, // already there
        {kCommandPanelLeft, false, false},
        {kCommandPanelAutoHide, false, true},
        {kCommandPanelRight, true, true},
        {kCommandPanelAutoHide, true, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.id);
        Command(step.id);
        EXPECT_EQ(Settings().SearchPanelRight.Get() != 0, step.right);
        EXPECT_EQ(Settings().SearchPanelAutoHide.Get(), step.autoHide);
        const RECT panel = Place(host);
        const RECT list = Place(List());
        if (step.right)
            EXPECT_EQ(panel.right, client.right);
        else
            EXPECT_EQ(panel.left, client.left);
        if (step.autoHide) {
            EXPECT_EQ(list.left, client.left);
            EXPECT_EQ(list.right, client.right);
        } else if (step.right) {
            EXPECT_EQ(list.right, panel.left);
        } else {
            EXPECT_EQ(list.left, panel.right);
        }
    }
}

TEST_F(VQDlgDispatch, PauseTogglesARunningWorkerAndReportsItButIgnoresAnIdleOne) {
    Command(kCommandPause);
    EXPECT_EQ(PausedSearchKind(), JobIdle);
    EXPECT_EQ(window->m_statusBar.statusState, StatusReady);

    BusyJob busy(JobSearch);
    ASSERT_TRUE(busy.started);
    Notify(NotifyStarted, JobSearch);
    ASSERT_EQ(window->m_statusBar.statusState, StatusSearching);
    Command(kCommandPause);
    EXPECT_EQ(PausedSearchKind(), JobSearch);
    EXPECT_TRUE(PumpUntil([&] { return window->m_statusBar.statusState == StatusPaused; }));
    Command(kCommandPause);
    EXPECT_EQ(PausedSearchKind(), JobIdle);
    EXPECT_TRUE(PumpUntil([&] { return window->m_statusBar.statusState == StatusSearching; }));
}
