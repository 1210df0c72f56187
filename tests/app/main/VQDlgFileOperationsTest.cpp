#include "app/main/VQDlg.h"

#include "ScratchTrash.h"
#include "foundation/ConfigFiles.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "support/TempDir.h"
#include "support/TestItems.h"
#include "ui/DialogDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The main window with its settings in a temporary folder and files of
// the test as its results.
class FileOperationsWindow {
public:
    FileOperationsWindow() {
        ScratchTrash();
        OleInitialize(nullptr);
        SetConfigBaseFolders(m_config.Path(), m_config.Path());
        GlobalSearchJob().ClearResults();
        m_window = std::make_unique<CVQDlg>();
        created = m_window->CreateDialogWindow(nullptr);
        if (created) {
            SetWindowPos(Hwnd(), nullptr, 50, 50, 900, 600, SWP_NOZORDER | SWP_NOACTIVATE);
            ShowWindow(Hwnd(), SW_SHOWNA);
            Pump();
        }
    }
    ~FileOperationsWindow() {
        m_window.reset();
        StopNotifierThread();
        GlobalSearchJob().ClearResults();
        SetConfigBaseFolders(L"", L"");
        OleUninitialize();
    }

    HWND Hwnd() const { return m_window->m_hwnd; }
    HWND List() const { return m_window->m_list.Handle(); }
    CVQDlg& Window() { return *m_window; }

    // Entries (a trailing backslash: a folder) in `folder`, made on disk
    // and added to the results.
    void Add(const std::wstring& folder, std::initializer_list<std::wstring> names) {
        SearchCriteria criteria;
        for (std::wstring name : names) {
            const bool isFolder = name.back() == L'\\';
            if (isFolder) {
                name.pop_back();
                CreateDirectoryW((folder + L"\\" + name).c_str(), nullptr);
            } else {
                FileHandle file(CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0,
                                            nullptr, CREATE_ALWAYS, 0, nullptr));
            }
            FoundItem item;
            TestItem{folder.c_str(), name.c_str(), 0,
                     isFolder ? DWORD(FILE_ATTRIBUTE_DIRECTORY) : DWORD(FILE_ATTRIBUTE_ARCHIVE)}
                .FillIn(item);
            item.FormatTexts(criteria);
            AddFoundItem(GlobalSearchJob(), item, nullptr);
        }
        m_window->m_list.SetItemCount(ResultList::Count());
    }
    void Select(std::initializer_list<int> rows) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        bool first = true;
        for (int row : rows) {
            state.state = LVIS_SELECTED | (first ? LVIS_FOCUSED : 0);
            first = false;
            SendMessageW(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        }
    }
    int Rows() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    // The command as the menu sends it, carried out before this returns.
    void Command(UINT id) { SendMessageW(Hwnd(), WM_COMMAND, id, 0); }

    static void Pump() {
        MSG msg;
        for (int round = 0; round < 3; ++round) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(10);
        }
    }

    bool created = false;

private:
    TempDir m_config;
    std::unique_ptr<CVQDlg> m_window;
};

// Watches the UI thread for a window of the class while a command runs,
// and closes any that shows with the button. Stops when it goes.
class DialogWatch {
public:
    explicit DialogWatch(const wchar_t* className, UINT button = IDCANCEL)
        : m_thread([this, ui = GetCurrentThreadId(), className = std::wstring(className), button] {
              while (!m_stop) {
                  if (HWND dialog = FindThreadDialog(ui, className.c_str())) {
                      m_seen = true;
                      PostMessageW(dialog, WM_COMMAND, button, 0);
                  }
                  Sleep(50);
              }
          }) {}
    ~DialogWatch() {
        m_stop = true;
        m_thread.join();
    }
    bool Seen() const { return m_seen; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_seen{false};
    std::thread m_thread;
};

} // namespace

// Without a selection the commands ask nothing and do nothing.
TEST(VQDlgFileOperations, NothingSelectedShowsNoDialog) {
    FileOperationsWindow window;
    ASSERT_TRUE(window.created);
    TempDir files;
    window.Add(files.Path(), {L"a.txt"});
    for (UINT id : {kCommandCopyToFolder, kCommandMoveToFolder, kCommandDelete}) {
        SCOPED_TRACE(id);
        DialogWatch watch(L"#32770");
        window.Command(id);
        Sleep(300);
        EXPECT_FALSE(watch.Seen());
    }
    EXPECT_TRUE(Exists(files / L"a.txt"));
    EXPECT_EQ(window.Rows(), 1);
}

// The folder chosen in the dialog takes a copy, or the moved files whose
// rows then leave; delete sends to the recycle bin after the shell's
// question.
TEST(VQDlgFileOperations, CopyMoveAndDeleteThroughTheCommands) {
    FileOperationsWindow window;
    ASSERT_TRUE(window.created);
    TempDir files, copies, moved;
    window.Add(files.Path(), {L"a.txt", L"b.txt", L"c.txt"});

    window.Select({0});
    {
        DialogDriver choose([&](HWND dialog) { TypeAndConfirm(dialog, copies.Path()); });
        window.Command(kCommandCopyToFolder);
    }
    EXPECT_TRUE(Exists(copies / L"a.txt"));
    EXPECT_TRUE(Exists(files / L"a.txt"));
    EXPECT_EQ(window.Rows(), 3);

    window.Select({1});
    {
        DialogDriver choose([&](HWND dialog) { TypeAndConfirm(dialog, moved.Path()); });
        window.Command(kCommandMoveToFolder);
    }
    EXPECT_TRUE(Exists(moved / L"b.txt"));
    EXPECT_FALSE(Exists(files / L"b.txt"));
    EXPECT_EQ(window.Rows(), 2);

    window.Select({1});
    {
        DialogDriver yes([](HWND box) { PostMessageW(box, WM_COMMAND, IDYES, 0); });
        window.Command(kCommandDelete);
    }
    EXPECT_FALSE(Exists(files / L"c.txt"));
    EXPECT_TRUE(Exists(ScratchTrash() + L"\\Trash\\files\\c.txt"));
    EXPECT_EQ(window.Rows(), 1);
}

// A folder among the results cannot take a copy of itself: the target is
// that folder or lies inside it, and the user is told instead.
TEST(VQDlgFileOperations, ATargetInsideASelectedFolderIsRefused) {
    FileOperationsWindow window;
    ASSERT_TRUE(window.created);
    TempDir files;
    window.Add(files.Path(), {L"tree\\", L"note.txt"});
    CreateDirectoryW((files / L"tree\\inner").c_str(), nullptr);
    const struct {
        const char* what;
        UINT id;
        std::wstring target;
    } cases[] = {
        {"copy into itself", kCommandCopyToFolder, files / L"tree"},
        {"move into a folder inside it", kCommandMoveToFolder, files / L"tree\\inner"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window.Select({0, 1});
        DialogDriver choose([&](HWND dialog) { TypeAndConfirm(dialog, c.target); });
        DialogWatch refusal(L"mvMsgBox00", IDOK);
        window.Command(c.id);
        choose.Join();
        EXPECT_TRUE(refusal.Seen());
        EXPECT_FALSE(Exists(c.target + L"\\note.txt"));
        EXPECT_FALSE(Exists(c.target + L"\\tree"));
        EXPECT_TRUE(Exists(files / L"note.txt"));
        EXPECT_EQ(window.Rows(), 2);
    }
}

// Cut and copy from the menus act on the list's selection, except while a
// label is edited: then they edit its text and mark nothing. The clipboard
// and the focus are the display's: the suite runs alone.
TEST(VQDlgFileOperationsInput, CutAndCopyReachTheListUnlessALabelIsEdited) {
    FileOperationsWindow window;
    ASSERT_TRUE(window.created);
    TempDir files;
    window.Add(files.Path(), {L"a.txt", L"b.txt"});
    const FoundItem* a = ResultList::ItemAt(0);
    ASSERT_NE(a, nullptr);

    window.Select({0});
    SetFocus(window.List());
    ASSERT_NE(SendMessageW(window.List(), LVM_EDITLABELW, 0, 0), 0);
    window.Command(kCommandCut);
    FileOperationsWindow::Pump();
    EXPECT_EQ(a->state.load(), ItemNormal) << "the label's text was cut instead";
    SendMessageW(window.List(), LVM_CANCELEDITLABEL, 0, 0);

    window.Select({0});
    window.Command(kCommandCut);
    EXPECT_EQ(a->state.load(), ItemCut);
    window.Select({1});
    window.Command(kCommandCopy);
    EXPECT_EQ(a->state.load(), ItemNormal);
    EXPECT_TRUE(window.Window().m_list.CutList.empty());
}
