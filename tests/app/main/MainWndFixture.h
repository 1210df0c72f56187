// What the main window's part tests share: configuration files in a
// temporary folder, a small language file of their own, a hidden parent
// window that records the commands it gets, results in the global job, and a
// worker that holds the job busy for as long as a test needs.
#pragma once

#include "foundation/ConfigFolders.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "search/ResultList.h"
#include "search/SearchCriteria.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"
#include "support/TestItems.h"
#include "ui/ProbeWnd.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

// The texts the tests look for, in the sections the parts read.
inline constexpr char kTestLanguage[] =
    "\xEF\xBB\xBF[.info]\nname = Test\n"
    "[global]\nnone = (none)\n"
    "[list_columns]\nname = Name\nsize = Size\ntype = Type\nmdate = Modified\nfolder = Folder\n"
    "cdate = Created\nadate = Accessed\nattr = Attributes\next = Extension\n"
    "[menu_view]\ntitle = &View\nlv_details = Details\nlv_list = List\nlv_tiles = Tiles\n"
    "lv_smallicon = Small icons\nlv_icon = Icons\nlv_largeicon = Large icons\n"
    "toolbar = Toolbar\nstatusbar = Status bar\nsearchpanel = Search panel\n"
    "searchpanel_left = Left\nsearchpanel_right = Right\nsearchpanel_autohide = Auto-hide\n"
    "columns = Columns\nsort = Sort\ngroup = Group\nascending = Ascending\n"
    "descending = Descending\n"
    "[menu_file]\ntitle = &File\nopen = &Open\\tCtrl+O\nopenwith = Open &with...\\tX\n"
    "openwithchoose = Choose...\nopenfolder = Open folder\ndelete = Delete\nrename = Rename\n"
    "properties = Properties\nloadsearch = Load\nsavesearch = Save\nexportsearch = Export\n"
    "startsearch = Start\nsearchinresult = Search in results\nundosir = Undo\npause = Pause\n"
    "exit = Exit\n"
    "[menu_edit]\ntitle = &Edit\ncut = Cut\ncopy = Copy\ncopytofolder = Copy to\n"
    "movetofolder = Move to\nselectall = Select all\ninvertsel = Invert\n"
    "[menu_tools]\ntitle = &Tools\nclearhistory = Clear history\nshellext = Shell\n"
    "shell_filetype = File type\nshell_cm = Context menu\ndefsearch = Default search\n"
    "defsearch_save = Save default\ndefsearch_reset = Reset default\n"
    "defsearch_auto = Auto save\ncustomhexview = Hex viewer...\nfont = Font...\n"
    "language = Language\noptions = Options...\n"
    "[menu_help]\ntitle = &Help\nhelp = Help\nweb = Web\ncmdline = Command line\n"
    "donate = Donate\nabout = About\n"
    "[status]\nready = Ready\nsearching = Searching: %0\nloading = Loading: %0\n"
    "paused = Paused: %0\nsorting = Sorting\ngrouping = Grouping\ncanceled = Canceled\n"
    "items = %0 items\noneitem = %0 item\nselitems = %0 selected (%1)\n"
    "seloneitem = %0 selected (%1)\n";

// Holds the global job busy (running, with the kind given) until it ends.
class BusyJob {
public:
    explicit BusyJob(JobKind kind) : m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        s_release = m_release;
        started = GlobalSearchJob().StartWorker(kind, &Wait);
    }
    ~BusyJob() {
        SetEvent(m_release);
        GlobalSearchJob().StopAndWait(5000);
        CloseHandle(m_release);
    }
    BusyJob(const BusyJob&) = delete;
    BusyJob& operator=(const BusyJob&) = delete;
    bool started = false;

private:
    static DWORD WINAPI Wait(void*) {
        WaitForSingleObject(s_release, INFINITE);
        return 0;
    }
    HANDLE m_release;
    static inline HANDLE s_release = nullptr;
};

class MainWndFixture : public ConfigFolders {
protected:
    void SetUp() override {
        ConfigFolders::SetUp();
        INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        Language() = VQ_MLang();
        ASSERT_TRUE(Language().SetLanguageFile(m_dir.WriteFile(L"test.ini", kTestLanguage)));
        GlobalSearchJob().ClearResults();
        ASSERT_TRUE(parent.Create(L"top", nullptr, 0, 0, 0, 700, 500, WS_OVERLAPPEDWINDOW, 0, L""));
    }
    void TearDown() override {
        parent.Detach(true);
        GlobalSearchJob().ClearResults();
        Language() = VQ_MLang();
        ConfigFolders::TearDown();
    }

    // Results in the global job in the order given, their texts made.
    static std::vector<FoundItem*> AddItems(std::initializer_list<TestItem> items) {
        SearchJob& job = GlobalSearchJob();
        std::vector<FoundItem*> added;
        SearchCriteria criteria;
        for (const TestItem& fields : items) {
            FoundItem item;
            fields.FillIn(item);
            item.FormatTexts(criteria);
            added.push_back(AddFoundItem(job, item, nullptr));
        }
        return added;
    }

    // Delivers what was posted, then gives the commands the parent got.
    std::vector<WPARAM> TakeCommands() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        std::vector<WPARAM> commands;
        commands.swap(parent.commands);
        return commands;
    }

    ProbeWnd parent;
};
