#include "app/main/VQDlg.h"

#include "foundation/ConfigFiles.h"
#include "foundation/History.h"
#include "foundation/Language.h"
#include "foundation/ModulePath.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"
#include "panel/VQOptionsDlg.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "support/ChildWindows.h"
#include "support/HeldFile.h"
#include "support/ScopedSetting.h"
#include "support/TempDir.h"
#include "ui/DialogDriver.h"
#include "ui/controls/mvMenu.h"
#include "ui/dialogs/mvMessageBox.h"
#include "MainWndFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// The texts the commands show, beside those of the fixture's language.
constexpr char kCommandTexts[] =
    "\xEF\xBB\xBF[.info]\nname = Commands\n"
    "[global]\nfiletype_result = Searches\nfiletype_all = All\n"
    "[menu_file]\nerr_loaddamaged = damaged: %0\nerr_loadnewer = newer: %0\n"
    "err_loadread = unreadable: %0 (%1)\nerr_savesearch = not saved: %0 (%1)\n"
    "err_nosearch = no search\nwarn_sichange = changed\nsavesearch_sionly = Criteria only\n"
    "[menu_tools]\nwarn_clearhistory = clear?\nask_clearhistory = history off: clear?\n"
    "info_clearhistory = History cleared.\n"
    "[status]\nsaving = Saving\n";

constexpr wchar_t kFileDialogClass[] = L"#32770";
constexpr wchar_t kBoxClass[] = L"mvMsgBox00";
constexpr wchar_t kDialogClass[] = L"mvThemeWnd";

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

std::wstring BoxText(HWND box) {
    const auto* shown = dynamic_cast<mvMessageBox*>(mvWnd::FromHandle(box));
    return shown != nullptr ? shown->m_text.str() : L"<not a message box>";
}

void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// One window a command is expected to show, of its class, and what the user
// does with it.
struct Step {
    const wchar_t* className;
    std::function<void(HWND)> act;
    bool optional = false; // the system may not show it
};

// Plays the user for the modal windows the UI thread shows: the steps in
// their order, and anything else that shows is dismissed and listed as
// unexpected, so that a test never hangs on a window it did not foresee.
class DialogScript {
public:
    DialogScript(HWND mainWindow, std::vector<Step> steps)
        : m_main(mainWindow), m_ui(GetCurrentThreadId()), m_steps(std::move(steps)) {
        m_thread = std::thread([this] { Run(); });
    }
    ~DialogScript() { Finish(); }
    // Called once the command has returned: no window of it is left.
    void Finish() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    std::size_t done = 0;               // steps carried out
    std::vector<std::wstring> boxTexts; // the texts of the boxes of the steps
    std::vector<std::wstring> unexpected;

private:
    HWND NextWindow() {
        struct Search {
            DialogScript* self;
            HWND found;
        } search{this, nullptr};
        EnumThreadWindows(
            m_ui,
            [](HWND hwnd, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                const std::wstring name = ClassOf(hwnd);
                if (hwnd == s->self->m_main || !IsWindowVisible(hwnd) ||
                    (name != kFileDialogClass && name != kBoxClass && name != kDialogClass))
                    return TRUE;
                for (HWND seen : s->self->m_seen)
                    if (seen == hwnd)
                        return TRUE;
                s->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    void Run() {
        while (!m_stop) {
            HWND window = NextWindow();
            if (window == nullptr) {
                Sleep(50);
                continue;
            }
            Sleep(300); // let it finish its set-up
            m_seen.push_back(window);
            const std::wstring name = ClassOf(window);
            const std::wstring text = name == kBoxClass ? BoxText(window) : std::wstring();
            while (done < m_steps.size() && m_steps[done].optional && name != m_steps[done].className)
                ++done;
            if (done < m_steps.size() && name == m_steps[done].className) {
                if (name == kBoxClass)
                    boxTexts.push_back(text);
                m_steps[done++].act(window);
                continue;
            }
            unexpected.push_back(name + L": " + text);
            if (name == kFileDialogClass)
                Cancel(window);
            else
                for (int id : {IDNO, IDCANCEL})
                    Press(window, id);
        }
    }

    HWND m_main;
    DWORD m_ui;
    std::vector<Step> m_steps;
    std::vector<HWND> m_seen;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

Step Answer(int id) {
    return {kBoxClass, [id](HWND box) { Press(box, id); }};
}

Step ChooseFile(const std::wstring& path) {
    return {kFileDialogClass, [path](HWND dialog) { TypeAndConfirm(dialog, path); }};
}

std::wstring Utf16Text(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0)
        return L"<no mark>";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

int CountOf(const std::wstring& text, const std::wstring& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class VQDlgCommandsTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        ASSERT_TRUE(Language().SetLanguageFile(m_dir.WriteFile(L"commands.ini", kCommandTexts)));
        CreateDirectoryW((m_dir / L"files").c_str(), nullptr);
    }
    void TearDown() override {
        GlobalSearchJob().StopAndWait(5000);
        m_window.reset();
        StopNotifierThread();
        MainWndFixture::TearDown();
    }

    // The main window, shown without activation, made after what the test
    // set up before.
    void MakeWindow() {
        m_window = std::make_unique<CVQDlg>();
        ASSERT_TRUE(m_window->CreateDialogWindow(nullptr));
        ShowWindow(m_window->m_hwnd, SW_SHOWNA);
        Pump();
    }

    std::wstring Files() const { return m_dir / L"files"; }

    // The results of a search for `name` in the files folder, shown in the
    // list, with the panel holding its criteria.
    void ShowResults(const wchar_t* name, std::initializer_list<TestItem> items) {
        SearchJob& job = GlobalSearchJob();
        job.ClearResults();
        SearchCriteria criteria;
        criteria.name = name;
        criteria.folders = Files();
        job.criteria.Assign(criteria);
        job.folder_text = Files();
        AddItems(items);
        ASSERT_TRUE(m_window->m_searchPanel.SetCriteria(&criteria));
        m_window->OnSearchNotify(NotifyItemsAdded, 0);
        ASSERT_EQ(ListCount(), static_cast<int>(items.size()));
    }

    // Posts the command and delivers messages until it has run, the script
    // playing the user meanwhile.
    void Run(UINT id, std::vector<Step> steps, DialogScript** script = nullptr) {
        m_script = std::make_unique<DialogScript>(m_window->m_hwnd, std::move(steps));
        PostMessageW(m_window->m_hwnd, WM_COMMAND, id, 0);
        Pump();
        m_script->Finish();
        if (script != nullptr)
            *script = m_script.get();
    }
    // The last script: every step done, nothing else shown.
    void ExpectScriptDone(std::size_t steps) {
        ASSERT_NE(m_script, nullptr);
        EXPECT_EQ(m_script->done, steps);
        EXPECT_TRUE(m_script->unexpected.empty())
            << "first unexpected window: "
            << std::string(m_script->unexpected.front().begin(), m_script->unexpected.front().end());
    }

    // Waits until the worker has ended and the list shows `count` results;
    // false after 20 s.
    bool WaitForResults(int count) {
        for (int i = 0; i < 2000; ++i) {
            Pump();
            if (!GlobalSearchJob().IsRunning() && ListCount() == count &&
                ResultList::Count() == count && Status() == L"Ready")
                return true;
        }
        return false;
    }

    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }

    int ListCount() const {
        return static_cast<int>(SendMessageW(m_window->m_list.m_hwnd, LVM_GETITEMCOUNT, 0, 0));
    }
    std::wstring Status() const { return m_window->m_statusBar.ShownText().str(); }
    std::wstring PanelName() const {
        SearchCriteria criteria;
        m_window->m_searchPanel.GetCriteria(criteria);
        return criteria.name.str();
    }
    std::wstring Title() const {
        wchar_t text[512] = {};
        GetWindowTextW(m_window->m_hwnd, text, 512);
        return text;
    }
    std::size_t UndoSize() const {
        mvLock held(GlobalSearchJob().lock);
        return GlobalSearchJob().undo.size();
    }

    std::unique_ptr<CVQDlg> m_window;
    std::unique_ptr<DialogScript> m_script;
};

// Results to save: three files in two folders, with sizes, times and
// attributes that each take a line of their own.
const std::initializer_list<TestItem> kSavedItems = {
    {.folder = L"C:\\data\\one", .name = L"a.txt", .size = 12, .modified = 132223104000000000ULL,
     .created = 132223104000000001ULL, .accessed = 132223104000000002ULL},
    {.folder = L"C:\\data\\two", .name = L"b.txt", .size = 0, .attr = FILE_ATTRIBUTE_READONLY,
     .modified = 5},
    {.folder = L"C:\\data\\one", .name = L"c d.txt", .size = 1ULL << 40},
};

// What the GUI saves it loads again, and saving the loaded search writes
// the same bytes; the check button saves the criteria alone.
TEST_F(VQDlgCommandsTest, SaveThenLoadThenSaveGivesTheSameFile) {
    ScopedBoolSetting keepMissing(Settings().RemoveNonExists, false);
    ScopedBoolSetting unsorted(Settings().SortWhileSearch, false);
    MakeWindow();
    ShowResults(L"*.txt", kSavedItems);
    const std::wstring first = m_dir / L"first.velquin";
    Run(kCommandSave, {ChooseFile(first)});
    ExpectScriptDone(1);
    const std::string saved = TempDir::ReadFile(first);
    const std::wstring text = Utf16Text(saved);
    EXPECT_EQ(text.rfind(L"Velquin03\r\nsearchinfo = " + Files() + L"\r\n\tname = *.txt\r\n", 0), 0u)
        << std::string(text.begin(), text.end());
    EXPECT_EQ(CountOf(text, L"\tname = "), 4) << "the criteria's name and three results";
    EXPECT_EQ(CountOf(text, L"\nfolder = "), 3);

    // Another search's results, replaced by the file's.
    ShowResults(L"*.log", {{.name = L"x.log"}});
    Run(kCommandLoad, {ChooseFile(first)});
    ExpectScriptDone(1);
    ASSERT_TRUE(WaitForResults(3)) << "list " << ListCount();
    EXPECT_EQ(PanelName(), L"*.txt");
    EXPECT_EQ(Title(), L"files - Velquin");

    const std::wstring second = m_dir / L"second.velquin";
    Run(kCommandSave, {ChooseFile(second)});
    ExpectScriptDone(1);
    EXPECT_EQ(TempDir::ReadFile(second), saved);

    const std::wstring criteriaOnly = m_dir / L"criteria.velquin";
    Run(kCommandSave, {{kFileDialogClass, [&](HWND dialog) {
                            if (HWND check = FindButtonByText(dialog, L"Criteria only"))
                                SendMessageW(check, BM_CLICK, 0, 0);
                            TypeAndConfirm(dialog, criteriaOnly);
                        }}});
    ExpectScriptDone(1);
    const std::wstring head = Utf16Text(TempDir::ReadFile(criteriaOnly));
    EXPECT_EQ(head, L"Velquin03\r\nsearchinfo = " + Files() + L"\r\n\tname = *.txt\r\n");
}

// Saving asks only when the panel no longer shows the criteria of the
// results; without a search behind the results nothing can be saved.
TEST_F(VQDlgCommandsTest, SaveAsksAboutChangedCriteriaAndRefusesWithoutASearch) {
    MakeWindow();
    ShowResults(L"*.txt", {{.name = L"a.txt"}});
    SearchCriteria edited;
    edited.name = L"*.doc";
    edited.folders = Files();
    ASSERT_TRUE(m_window->m_searchPanel.SetCriteria(&edited));

    const std::wstring declined = m_dir / L"declined.velquin";
    Run(kCommandSave, {Answer(IDNO)});
    ExpectScriptDone(1);
    EXPECT_EQ(m_script->boxTexts, std::vector<std::wstring>{L"changed"});
    EXPECT_EQ(GetFileAttributesW(declined.c_str()), INVALID_FILE_ATTRIBUTES);

    const std::wstring accepted = m_dir / L"accepted.velquin";
    Run(kCommandSave, {Answer(IDYES), ChooseFile(accepted)});
    ExpectScriptDone(2);
    const std::wstring text = Utf16Text(TempDir::ReadFile(accepted));
    EXPECT_NE(text.find(L"\tname = *.txt\r\n"), std::wstring::npos) << "the results' criteria";
    EXPECT_EQ(text.find(L"*.doc"), std::wstring::npos);

    // No search: the job has no folders, the panel has some.
    {
        mvLock held(GlobalSearchJob().lock);
        GlobalSearchJob().criteria.folders.clear();
    }
    Run(kCommandSave, {Answer(IDOK)});
    ExpectScriptDone(1);
    EXPECT_EQ(m_script->boxTexts, std::vector<std::wstring>{L"no search"});
}

// A file another program holds open cannot be replaced: the user is told
// why, and the file keeps what it held.
TEST_F(VQDlgCommandsTest, AFailedSaveSaysSoAndLeavesTheFileThere) {
    MakeWindow();
    ShowResults(L"*.txt", {{.name = L"a.txt"}});
    const std::wstring target = m_dir.WriteFile(L"held.velquin", "earlier contents");
    HeldFile held(target, GENERIC_READ, 0);
    ASSERT_TRUE(held.Held());
    // The file dialog may ask before it lets an existing file be replaced.
    const Step replace{kFileDialogClass, [](HWND prompt) { Press(prompt, IDYES); }, true};
    Run(kCommandSave, {ChooseFile(target), replace, Answer(IDOK)});
    held.Release();
    ExpectScriptDone(3);
    ASSERT_EQ(m_script->boxTexts.size(), 1u);
    const std::wstring& text = m_script->boxTexts[0];
    EXPECT_EQ(text.rfind(L"not saved: " + target + L" (", 0), 0u) << std::string(text.begin(), text.end());
    EXPECT_GT(text.size(), (L"not saved: " + target + L" ()").size()) << "the system's reason";
    EXPECT_EQ(TempDir::ReadFile(target), "earlier contents");
    EXPECT_EQ(Status(), L"Ready") << "the saving message is gone";
}

// A file that would load nothing leaves the results, the panel and the title
// as they were, and says which of the troubles it has.
TEST_F(VQDlgCommandsTest, ASavedSearchThatCannotLoadLeavesTheResultsShown) {
    MakeWindow();
    const std::string newer = "\xFF\xFE" + std::string("V\0e\0l\0q\0u\0i\0n\0" "0\0" "4\0\r\0\n\0", 22);
    struct Case {
        const char* name;
        const wchar_t* file;
        std::string bytes;
        bool hold;
        const wchar_t* message; // followed by the path
    } cases[] = {
        {"not a saved search", L"text.velquin", "just some text\r\n", false, L"damaged: "},
        {"empty", L"empty.velquin", "", false, L"damaged: "},
        {"newer version", L"newer.velquin", newer, false, L"newer: "},
        {"held open by another program", L"held.velquin", "\xFF\xFEV", true, L"unreadable: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowResults(L"*.txt", {{.name = L"a.txt"}, {.name = L"b.txt"}});
        SetWindowTextW(m_window->m_hwnd, L"files - Velquin");
        const std::wstring path = m_dir.WriteFile(c.file, c.bytes);
        std::unique_ptr<HeldFile> held;
        if (c.hold) {
            held = std::make_unique<HeldFile>(path, GENERIC_READ | GENERIC_WRITE, 0);
            ASSERT_TRUE(held->Held());
        }
        Run(kCommandLoad, {ChooseFile(path), Answer(IDOK)});
        held.reset();
        ExpectScriptDone(2);
        ASSERT_EQ(m_script->boxTexts.size(), 1u);
        EXPECT_EQ(m_script->boxTexts[0].rfind(c.message + path, 0), 0u)
            << std::string(m_script->boxTexts[0].begin(), m_script->boxTexts[0].end());
        for (int i = 0; i < 20; ++i)
            Pump();
        EXPECT_FALSE(GlobalSearchJob().IsRunning());
        EXPECT_EQ(ListCount(), 2);
        EXPECT_EQ(ResultList::Count(), 2);
        EXPECT_EQ(PanelName(), L"*.txt");
        EXPECT_EQ(GlobalSearchJob().criteria.name.str(), L"*.txt");
        EXPECT_EQ(GlobalSearchJob().folder_text.str(), Files());
        EXPECT_EQ(Title(), L"files - Velquin");
    }
}

// Two searches within the results, then two undos, give back the first
// results and criteria step by step; a third undo has nothing to undo.
TEST_F(VQDlgCommandsTest, SearchWithinResultsTwiceThenUndoTwice) {
    MakeWindow();
    ShowResults(L"", {{.name = L"a.txt"}, {.name = L"ab.txt"}, {.name = L"c.log"}, {.name = L"d.log"}});
    const auto within = [&](const wchar_t* name) {
        SearchCriteria criteria;
        criteria.name = name;
        criteria.folders = Files();
        ASSERT_TRUE(m_window->m_searchPanel.SetCriteria(&criteria));
        Run(kCommandSearchInResults, {});
        ExpectScriptDone(0);
    };
    within(L"*.txt");
    ASSERT_TRUE(WaitForResults(2));
    EXPECT_EQ(UndoSize(), 1u);
    within(L"a.*");
    ASSERT_TRUE(WaitForResults(1));
    EXPECT_EQ(UndoSize(), 2u);
    // The same criteria again start nothing.
    within(L"a.*");
    EXPECT_EQ(UndoSize(), 2u);
    EXPECT_EQ(ListCount(), 1);

    const struct {
        int results;
        const wchar_t* name;
        std::size_t undo;
    } undos[] = {{2, L"*.txt", 1}, {4, L"", 0}, {4, L"", 0}};
    for (const auto& expected : undos) {
        Run(kCommandUndo, {});
        ExpectScriptDone(0);
        EXPECT_EQ(ListCount(), expected.results);
        EXPECT_EQ(ResultList::Count(), expected.results);
        EXPECT_EQ(PanelName(), expected.name);
        EXPECT_EQ(GlobalSearchJob().criteria.name.str(), expected.name);
        EXPECT_EQ(UndoSize(), expected.undo);
        int index = 0;
        for (FoundItem* item : GlobalSearchJob().results)
            EXPECT_EQ(item->display_index, index++) << "renumbered";
    }
}

// While another job runs, search within results and undo do nothing; a
// running search within results is stopped by its own command.
TEST_F(VQDlgCommandsTest, SearchWithinResultsWhileAJobRuns) {
    MakeWindow();
    ShowResults(L"", {{.name = L"a.txt"}, {.name = L"b.log"}});
    {
        mvLock held(GlobalSearchJob().lock);
        GlobalSearchJob().undo.push_back(ResultsSnapshot{});
    }
    SearchCriteria criteria;
    criteria.name = L"*.txt";
    criteria.folders = Files();
    ASSERT_TRUE(m_window->m_searchPanel.SetCriteria(&criteria));
    for (UINT id : {kCommandSearchInResults, kCommandUndo}) {
        BusyJob busy(JobSearch);
        ASSERT_TRUE(busy.started);
        EXPECT_FALSE(m_window->OnSearchInResults(id)) << id;
        EXPECT_EQ(GlobalSearchJob().kind.load(), JobSearch) << "not stopped";
        EXPECT_FALSE(GlobalSearchJob().worker.StopRequested());
        EXPECT_EQ(UndoSize(), 1u);
        EXPECT_EQ(ListCount(), 2);
    }
    BusyJob busy(JobSearchInResults);
    ASSERT_TRUE(busy.started);
    EXPECT_FALSE(m_window->OnSearchInResults(kCommandUndo));
    EXPECT_EQ(GlobalSearchJob().kind.load(), JobSearchInResults);
    EXPECT_TRUE(m_window->OnSearchInResults(kCommandSearchInResults));
    EXPECT_EQ(GlobalSearchJob().kind.load(), JobIdle);
    EXPECT_TRUE(GlobalSearchJob().worker.StopRequested());
    EXPECT_EQ(UndoSize(), 1u);
}

// The histories of names, words and folders go, from the file and from the
// inputs, once the user says yes; the hex viewer's stays.
TEST_F(VQDlgCommandsTest, ClearHistoryEmptiesTheThreeHistoriesWhenConfirmed) {
    ScopedBoolSetting keep(Settings().DisableHistory, false);
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "yes" : "no");
        AddHistory(HistoryNames, L"*.txt");
        AddHistory(HistoryWords, L"needle");
        AddHistory(HistoryFolders, L"C:\\data");
        AddHistory(HistoryHexviewWords, L"cafe");
        MakeWindow();
        CVQSearchPanel& panel = m_window->m_searchPanel.m_panel;
        ASSERT_EQ(panel.m_names.Strings().Strings().size(), 1u);
        Run(kCommandClearHistory, {Answer(answer)});
        ExpectScriptDone(1);
        EXPECT_EQ(m_script->boxTexts, std::vector<std::wstring>{L"clear?"});
        std::vector<mvstring> names, words, folders;
        LoadHistory(&names, &words, &folders);
        const std::size_t left = answer == IDYES ? 0 : 1;
        EXPECT_EQ(names.size(), left);
        EXPECT_EQ(words.size(), left);
        EXPECT_EQ(folders.size(), left);
        EXPECT_EQ(panel.m_names.Strings().Strings().size(), left);
        EXPECT_EQ(panel.m_words.Strings().Strings().size(), left);
        mvini history(L"global");
        ASSERT_TRUE(LoadNamedIni(history, false, kHistoryIni));
        EXPECT_EQ(history.GetString(L"Hexview_Words", L"0000").str(), L"cafe");
        EXPECT_EQ(Status() == L"History cleared.", answer == IDYES) << Status().size();
        m_window.reset();
    }
}

// Switching the history off in the options asks once whether to clear what
// is kept; switching it on again never asks.
TEST_F(VQDlgCommandsTest, OptionsAskToClearTheHistoryOnlyWhenItIsSwitchedOff) {
    constexpr int kHistoryRow = 7;
    ASSERT_EQ(kOptionEntries[kHistoryRow].setting, &VQSettings::DisableHistory);
    const auto toggleHistory = [](HWND dialog) {
        HWND list = GetDlgItem(dialog, kCheckListId);
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        const bool checked =
            SendMessageW(list, LVM_GETITEMSTATE, kHistoryRow, LVIS_STATEIMAGEMASK) ==
            INDEXTOSTATEIMAGEMASK(2);
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 1 : 2);
        SendMessageW(list, LVM_SETITEMSTATE, kHistoryRow, reinterpret_cast<LPARAM>(&item));
        Sleep(100);
        Press(dialog, IDOK);
    };
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "yes" : "no");
        Settings().DisableHistory.Set(false);
        ClearHistory(HistoryAll);
        AddHistory(HistoryNames, L"*.txt");
        MakeWindow();
        Run(kCommandOptions, {{kDialogClass, toggleHistory}, Answer(answer)});
        ExpectScriptDone(2);
        EXPECT_EQ(m_script->boxTexts, std::vector<std::wstring>{L"history off: clear?"});
        EXPECT_TRUE(Settings().DisableHistory.Get());
        std::vector<mvstring> names;
        LoadHistory(&names, nullptr, nullptr);
        EXPECT_EQ(names.size(), answer == IDYES ? 0u : 1u);
        CVQSearchPanel& panel = m_window->m_searchPanel.m_panel;
        EXPECT_TRUE(panel.m_names.Strings().Strings().empty()) << "no history while it is off";

        // On again: no question, and the inputs offer the history again.
        AddHistory(HistoryNames, L"*.log");
        Run(kCommandOptions, {{kDialogClass, toggleHistory}});
        ExpectScriptDone(1);
        EXPECT_FALSE(Settings().DisableHistory.Get());
        const std::vector<mvstring> offered = panel.m_names.Strings().Strings();
        ASSERT_FALSE(offered.empty());
        EXPECT_EQ(offered.front().str(), L"*.log");
        m_window.reset();
    }
    Settings().DisableHistory.Set(false);
}

// While a search runs, or a stopped worker has not ended yet, the commands
// that would change or read the results show nothing and change nothing.
TEST_F(VQDlgCommandsTest, CommandsOnTheResultsDoNothingWhileAWorkerIsAlive) {
    MakeWindow();
    ShowResults(L"*.txt", {{.name = L"a.txt"}, {.name = L"b.txt"}});
    {
        mvLock held(GlobalSearchJob().lock);
        GlobalSearchJob().undo.push_back(ResultsSnapshot{});
    }
    for (const bool stopping : {false, true}) {
        SCOPED_TRACE(stopping ? "stopped, not ended" : "searching");
        BusyJob busy(JobSearch);
        ASSERT_TRUE(busy.started);
        if (stopping)
            GlobalSearchJob().kind = JobIdle;
        for (UINT id : {kCommandOptions, kCommandSave, kCommandLoad, kCommandSearchInResults,
                        kCommandUndo}) {
            SCOPED_TRACE(id);
            Run(id, {});
            ExpectScriptDone(0);
            EXPECT_TRUE(GlobalSearchJob().IsRunning());
            EXPECT_FALSE(GlobalSearchJob().worker.StopRequested());
            EXPECT_EQ(ListCount(), 2);
            EXPECT_EQ(UndoSize(), 1u);
        }
    }
}

// The language of a second file gives the menus, the status bar, the
// columns and the message boxes' buttons their texts; choosing the language
// in force again does nothing at all.
TEST_F(VQDlgCommandsTest, LanguageSwitchRebuildsTheTextsAndTheSameLanguageDoesNothing) {
    // A language file beside the program, as the program finds them; listed
    // alone, so that the list does not depend on what else lies there.
    const mvstring folder = GetModulePath(L"Lang");
    const bool madeFolder = CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
    const std::wstring name = L"cmdtest" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    const std::wstring path = folder.str() + L"\\" + name;
    const auto write = [&](const char* title) {
        const std::string text = std::string("\xEF\xBB\xBF[.info]\nname = Second\n[menu_file]\ntitle = ") +
                                 title +
                                 "\n[status]\nready = Bereit\n[global]\nok = Jawohl\n"
                                 "[list_columns]\nname = Dateiname\n";
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    };
    write("&Datei");
    ASSERT_EQ(Language().EnumerateLanguages(path).size(), 1u);
    const mvstring setting = Settings().Language.Get();
    ASSERT_EQ(ListLanguages().front().FileName.str(), name);

    MakeWindow();
    const auto menuText = [&](int position) {
        mvMenu* bar = mvMenuMap::Get().Find(GetMenu(m_window->m_hwnd));
        return bar != nullptr ? bar->GetItemText(position).str() : L"<no menu>";
    };
    ASSERT_EQ(menuText(0), L"&File");
    Run(kCommandLanguageFirst, {});
    ExpectScriptDone(0);
    EXPECT_EQ(Language().CurrentFile().str(), name);
    EXPECT_EQ(Settings().Language.Get().str(), name);
    EXPECT_EQ(menuText(0), L"&Datei");
    EXPECT_EQ(menuText(1), L"&Edit") << "what the file lacks keeps its text";
    EXPECT_EQ(Status(), L"Bereit");
    EXPECT_EQ(SetButtonText(IDOK, nullptr).str(), L"Jawohl");
    bool column = false;
    for (int i = 0; i < 9; ++i) {
        wchar_t title[64] = {};
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT;
        info.pszText = title;
        info.cchTextMax = 64;
        if (SendMessageW(m_window->m_list.m_hwnd, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&info)))
            column = column || std::wstring(title) == L"Dateiname";
    }
    EXPECT_TRUE(column);

    // The same language, even with its file changed on disk, and a language
    // that is not listed: no reload and no new menus.
    const HMENU bar = GetMenu(m_window->m_hwnd);
    write("&Changed");
    for (UINT id : {static_cast<UINT>(kCommandLanguageFirst), kCommandLanguageFirst + 1u,
                    static_cast<UINT>(kCommandLanguageLast)}) {
        Run(id, {});
        ExpectScriptDone(0);
        EXPECT_EQ(GetMenu(m_window->m_hwnd), bar) << id;
        EXPECT_EQ(menuText(0), L"&Datei") << id;
    }

    m_window.reset();
    SetMessageBoxButtonTexts(L"", L"", L"", L"", L"", L"", L"", L"", L"");
    Settings().Language.Set(setting);
    DeleteFileW(path.c_str());
    if (madeFolder)
        RemoveDirectoryW(folder.c_str());
}

} // namespace
