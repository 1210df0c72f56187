#include "app/main/VQDlg.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Language.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"
#include "MainWndFixture.h"
#include "ui/DialogDriver.h"

#include <gtest/gtest.h>

#include <memory>
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

    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }

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
    EXPECT_EQ(window.Status(), L"Canceled");
    // No searched folder leaves the title as it was.
    const std::wstring title = window.Title();
    GlobalSearchJob().folder_text = L"";
    window.Notify(NotifyFoldersChanged, 0);
    EXPECT_EQ(window.Title(), title);
}
