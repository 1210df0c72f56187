#include "app/main/VQDlg.h"

#include "FakeShell.h"
#include "MainWndFixture.h"
#include "foundation/Paths.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "support/ScopedSetting.h"
#include "ui/DialogDriver.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records what the window opens instead of opening it.
class RecordingOpener : public ResultOpener {
public:
    bool Execute(const FoundItem& item) override {
        executed.push_back(PathJoin(item.folder.view(), item.name.view()).str());
        return true;
    }
    bool OpenWithDialog(const FoundItem& item) override {
        chooser.push_back(item.name.str());
        return true;
    }
    std::vector<std::wstring> executed;
    std::vector<std::wstring> chooser;
};

// A menu the window showed: its handle and where it stood on the screen.
struct ShownMenu {
    HMENU menu = nullptr;
    RECT rect{};
};

// The shown main window over results that are real files in a temporary
// folder, opening through a recorder.
class VQDlgShellTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        // As the program's UI thread: the shell's menus and data objects
        // need OLE.
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        m_ole = true;
        CreateDirectoryW(Files().c_str(), nullptr);
        CreateDirectoryW((Files() + L"\\sub").c_str(), nullptr);
        window = std::make_unique<CVQDlg>();
        ASSERT_TRUE(window->CreateDialogWindow(nullptr));
        SetWindowPos(window->m_hwnd, nullptr, 50, 50, 900, 600, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(window->m_hwnd, SW_SHOWNA);
        Pump();
        window->m_menus.opener = &opener;
    }
    void TearDown() override {
        window.reset();
        StopNotifierThread();
        if (m_ole)
            OleUninitialize();
        MainWndFixture::TearDown();
    }

    std::wstring Files() const { return m_dir / L"files"; }
    HWND List() const { return window->m_list.Handle(); }

    // The files (a name ending in "/" a folder; "sub\\x" inside the
    // subfolder) as the results the list shows, in this order.
    void Show(std::initializer_list<const wchar_t*> names) {
        for (const wchar_t* name : names) {
            std::wstring path = Files() + L"\\" + name;
            const bool folder = path.back() == L'/';
            if (folder) {
                path.pop_back();
                CreateDirectoryW(path.c_str(), nullptr);
            } else {
                m_dir.WriteFile(std::wstring(L"files\\") + name, "x");
            }
            const std::wstring parent = PathParent(path).str();
            const std::wstring leaf = path.substr(parent.size() + 1);
            AddItems({{.folder = parent.c_str(),
                       .name = leaf.c_str(),
                       .size = 1,
                       .attr = folder ? static_cast<std::uint32_t>(FILE_ATTRIBUTE_DIRECTORY)
                                      : static_cast<std::uint32_t>(FILE_ATTRIBUTE_ARCHIVE)}});
        }
        window->m_list.SetItemCount(ResultList::Count());
        Pump();
    }
    // Selects the rows, the first one focused; none for an empty list. The
    // window takes the selection when its status refresh runs.
    void Select(std::initializer_list<int> rows) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        bool first = true;
        for (int row : rows) {
            state.state = LVIS_SELECTED | (first ? LVIS_FOCUSED : 0);
            SendMessageW(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
            first = false;
        }
        window->UpdateStatus();
    }

    // Sends the context menu message for the list at the screen point
    // ((-1, -1) the keyboard) and gives the menu the window showed, closed
    // again with Escape from a helper thread; none when nothing showed.
    ShownMenu ContextMenu(int x, int y) {
        ShownMenu shown;
        DialogDriver driver(
            [&shown](HWND popup) {
                shown.menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
                GetWindowRect(popup, &shown.rect);
                PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            },
            L"#32768");
        SendMessageW(window->m_hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()),
                     MAKELPARAM(x, y));
        driver.Join();
        Pump();
        return shown;
    }

    // Posts a command to the window as a menu would and lets it run.
    void Command(UINT id, LPARAM lParam = 0, WORD code = 0) {
        PostMessageW(window->m_hwnd, WM_COMMAND, MAKEWPARAM(id, code), lParam);
        Pump();
    }

    static void Pump() {
        MSG msg;
        for (int round = 0; round < 3; ++round) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(10);
        }
    }

    HMENU FileMenu() { return GetSubMenu(window->m_menus.menuBar.Handle(), 0); }
    // The shell command id of the verb in the shell menu, 0 when none.
    UINT ShellIdOf(const wchar_t* verb) {
        mvMenu* shell = window->m_menus.GetMenu(1);
        if (shell == nullptr)
            return 0;
        for (int i = 0; i < GetMenuItemCount(shell->Handle()); ++i) {
            const UINT id = GetMenuItemID(shell->Handle(), i);
            if (IsShellCommand(id) && window->m_menus.GetShellVerb(id) == verb)
                return id;
        }
        return 0;
    }

    std::unique_ptr<CVQDlg> window;
    RecordingOpener opener;

private:
    bool m_ole = false;
};

// Cases that track a menu or use the clipboard: both are the display's, so
// they run alone.
using VQDlgShellInput = VQDlgShellTest;

} // namespace

TEST_F(VQDlgShellInput, ContextMenuOfTheListFollowsTheSelectionAndTheSetting) {
    Show({L"a.txt", L"b.txt", L"sub\\c.txt", L"gone.txt"});
    ASSERT_TRUE(DeleteFileW((Files() + L"\\gone.txt").c_str()));
    // Items of several folders share one menu only through the shell's
    // results folder, which Wine lacks.
    const bool resultsFolder = window->m_menus.resultsView.IsCreated();
    enum Which { ViewPopup, ShellMenu, ItemsPopup };
    const struct {
        const char* what;
        std::initializer_list<int> rows;
        bool useShell;
        Which shown;
    } kCases[] = {
        {"nothing selected", {}, true, ViewPopup},
        {"two files of one folder", {0, 1}, true, ShellMenu},
        {"the same without the shell's menu", {0, 1}, false, ItemsPopup},
        {"files of two folders", {0, 2}, true, resultsFolder ? ShellMenu : ItemsPopup},
        {"a file deleted since the search", {3}, true, ShellMenu},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        ScopedBoolSetting useShell(Settings().UseShellContextMenu, c.useShell);
        Select(c.rows);
        const ShownMenu shown = ContextMenu(400, 300);
        CVQDlgMenus& menus = window->m_menus;
        const HMENU expected = c.shown == ViewPopup   ? menus.viewPopup.Handle()
                               : c.shown == ShellMenu ? menus.shellMenu.Menu().Handle()
                                                      : menus.itemsPopup.Handle();
        ASSERT_NE(expected, nullptr);
        EXPECT_EQ(shown.menu, expected);
        if (c.shown == ShellMenu) {
            // The shell's entries with the program's tail: open folder, the
            // hex viewer for one file, Properties last.
            const HMENU menu = shown.menu;
            const int count = GetMenuItemCount(menu);
            EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(kCommandProperties));
            EXPECT_EQ(GetMenuState(menu, kCommandHexView, MF_BYCOMMAND) != static_cast<UINT>(-1),
                      c.rows.size() == 1);
            EXPECT_NE(GetMenuState(menu, kCommandOpenFolder, MF_BYCOMMAND), static_cast<UINT>(-1));
        }
    }
}

TEST_F(VQDlgShellInput, ShellVerbRunsThroughTheWindowOnTheSelectedFiles) {
    ScopedBoolSetting useShell(Settings().UseShellContextMenu, true);
    Show({L"a.txt", L"b.txt"});
    Select({0, 1});
    const ShownMenu shown = ContextMenu(400, 300);
    ASSERT_NE(shown.menu, nullptr);
    ASSERT_EQ(shown.menu, window->m_menus.shellMenu.Menu().Handle());
    // The shell's copy entry carries the program's command in the menu; the
    // shell's own command id still reaches the shell through the window.
    EXPECT_EQ(ShellIdOf(L"copy"), 0u);
    UINT copy = 0;
    for (UINT id = kShellCommandFirst; id <= kShellCommandLast && copy == 0; ++id)
        if (window->m_menus.GetShellVerb(id) == L"copy")
            copy = id;
    ASSERT_NE(copy, 0u);
    OleSetClipboard(nullptr);
    Command(copy);
    std::vector<std::wstring> files;
    ComHandle<IDataObject> object;
    ASSERT_TRUE(SUCCEEDED(OleGetClipboard(object.Put())));
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_TRUE(SUCCEEDED(object.Get()->GetData(&format, &medium)));
    auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    for (UINT i = 0; i < DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); ++i) {
        wchar_t path[MAX_PATH] = {};
        DragQueryFileW(drop, i, path, MAX_PATH);
        files.push_back(path);
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    object.Reset();
    OleSetClipboard(nullptr);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{Files() + L"\\a.txt", Files() + L"\\b.txt"}));
}

TEST_F(VQDlgShellInput, KeyboardMenuStandsAtTheCursorOrAtTheFocusedItemsIcon) {
    Show({L"a.txt", L"b.txt"});
    ASSERT_TRUE(SetCursorPos(420, 330));
    POINT cursor{};
    GetCursorPos(&cursor);
    Select({});
    ShownMenu shown = ContextMenu(-1, -1);
    EXPECT_EQ(shown.menu, window->m_menus.viewPopup.Handle());
    EXPECT_EQ(shown.rect.left, cursor.x);
    EXPECT_EQ(shown.rect.top, cursor.y);

    Select({1});
    RECT icon{};
    icon.left = LVIR_ICON;
    ASSERT_TRUE(SendMessageW(List(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&icon)));
    POINT centre{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    ClientToScreen(List(), &centre);
    shown = ContextMenu(-1, -1);
    ASSERT_NE(shown.menu, nullptr);
    EXPECT_EQ(shown.rect.left, centre.x);
    EXPECT_EQ(shown.rect.top, centre.y);
}

TEST_F(VQDlgShellInput, RightClickOnTheHeaderShowsTheColumnsSubmenu) {
    ScopedByteSetting details(Settings().LisViewMode, 4);
    window->SetViewMode(kCommandViewModeFirst + 4, true);
    Show({L"a.txt"});
    Select({0});
    const HWND header = reinterpret_cast<HWND>(SendMessageW(List(), LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    ASSERT_TRUE(IsWindowVisible(header));
    RECT rect{};
    GetWindowRect(header, &rect);
    const ShownMenu shown = ContextMenu(rect.left + 20, (rect.top + rect.bottom) / 2);
    mvMenu* columns = window->m_menus.menuBar.FindSubMenuWithCommand(kCommandColumnFirst);
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(shown.menu, columns->Handle());
}

TEST_F(VQDlgShellTest, OpenCommandsReachTheOpenerOrTheHandlers) {
    ScopedBoolSetting useShell(Settings().UseShellContextMenu, false);
    Show({L"a.txt", L"b.txt", L"dir/"});
    fake::HandlerSource source;
    window->m_menus.openWith.SetHandlerSource(&fake::HandlerSource::Enumerate, &source);
    const LPARAM activation = reinterpret_cast<LPARAM>(&GlobalSearchJob());
    const struct {
        const char* what;
        const wchar_t* handlers;
        std::initializer_list<int> rows;
        UINT id;
        bool activated; // by Enter or a double click in the list
        std::vector<std::wstring> executed;
        std::vector<std::wstring> chooser;
        std::wstring invoked; // "handler items" of each handler called
    } kCases[] = {
        {"text files without handlers open one by one",
         L"",
         {0, 1},
         10001,
         false,
         {L"a.txt", L"b.txt"},
         {},
         L""},
        {"with handlers the type's first takes them all",
         L"Viewer Editor",
         {0, 1},
         10001,
         false,
         {},
         {},
         L"Viewer 2"},
        {"an activated item runs the File menu's first entry",
         L"",
         {0},
         10001,
         true,
         {L"a.txt"},
         {},
         L""},
        {"the second handler", L"Viewer Editor", {0}, 10004, false, {}, {}, L"Editor 1"},
        {"past the handlers nothing", L"Viewer", {0}, 10005, false, {}, {}, L""},
        {"the chooser for one file", L"", {0}, 10002, false, {}, {L"a.txt"}, L""},
        {"no chooser for two files", L"", {0, 1}, 10002, false, {}, {}, L""},
        {"no chooser for a folder", L"", {2}, 10002, false, {}, {}, L""},
        {"a folder opens in the shell", L"Viewer", {2}, 10001, false, {L"dir"}, {}, L""},
        {"nothing selected, nothing opens", L"Viewer", {}, 10001, false, {}, {}, L""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        source.names = c.handlers;
        source.made.clear();
        Select({});
        Select(c.rows);
        opener.executed.clear();
        opener.chooser.clear();
        if (c.activated)
            Command(c.id, activation, 0xFFFF);
        else
            Command(c.id);
        std::vector<std::wstring> executed;
        for (const std::wstring& path : opener.executed)
            executed.push_back(path.substr(path.rfind(L'\\') + 1));
        EXPECT_EQ(executed, c.executed);
        EXPECT_EQ(opener.chooser, c.chooser);
        std::wstring invoked;
        for (const auto& handler : source.made)
            for (int count : handler.Get()->invoked)
                invoked += (invoked.empty() ? L"" : L", ") + handler.Get()->Name() + L" " +
                           std::to_wstring(count);
        EXPECT_EQ(invoked, c.invoked);
    }
}

TEST_F(VQDlgShellTest, FileMenuTakesTheShellsOpenOncePerSelection) {
    ScopedBoolSetting useShell(Settings().UseShellContextMenu, true);
    Show({L"a.txt", L"b.txt"});
    const HMENU file = FileMenu();
    ASSERT_NE(file, nullptr);
    const auto opened = [&] {
        SendMessageW(window->m_hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        return GetMenuItemID(file, 0);
    };
    Select({0});
    const UINT open = opened();
    ASSERT_TRUE(IsShellCommand(open)) << open;
    EXPECT_EQ(window->m_menus.GetShellVerb(open), L"open");
    EXPECT_EQ(window->m_menus.Flags(), 1 | 4);
    // A second opening for the same selection leaves the entries alone.
    window->m_menus.GetMenu(0)->SetItem(0, L"changed", 7000, true);
    EXPECT_EQ(opened(), 7000u);
    // Nothing selected: the program's own open.
    Select({});
    EXPECT_EQ(opened(), static_cast<UINT>(kCommandOpen));
    EXPECT_EQ(window->m_menus.GetMenu(0)->GetItemText(0), L"&Open\tCtrl+O");
    Select({1});
    EXPECT_TRUE(IsShellCommand(opened()));
    // Without the shell's menu, the program's own again.
    ScopedBoolSetting noShell(Settings().UseShellContextMenu, false);
    Select({0});
    EXPECT_EQ(opened(), static_cast<UINT>(kCommandOpen));
    EXPECT_EQ(window->m_menus.GetMenu(1), nullptr);
}
