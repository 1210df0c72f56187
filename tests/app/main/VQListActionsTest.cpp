#include "app/main/VQListCtrl.h"

#include "MainWndFixture.h"
#include "ScratchTrash.h"
#include "app/shared/ClipboardFormats.h"
#include "app/shared/VQUiResources.h"
#include "support/HeldFile.h"
#include "support/ScopedSetting.h"
#include "ui/controls/ItemImage.h"
#include "ui/DialogDriver.h"
#include "ui/core/mvComBase.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The name of the entry as the file system spells it.
std::wstring OnDisk(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    const FindHandle find(FindFirstFileW(path.c_str(), &data));
    return find ? data.cFileName : L"";
}

// Holds Shift down for the async key state the delete command reads.
class ShiftDown {
public:
    ShiftDown() { Send(0); }
    ~ShiftDown() { Send(KEYEVENTF_KEYUP); }

private:
    static void Send(DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = VK_SHIFT;
        input.ki.dwFlags = flags;
        SendInput(1, &input, sizeof input);
        for (int i = 0; i < 50 && ((GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0) != (flags == 0); ++i)
            Sleep(20);
    }
};

// Records the folders the list would open instead of opening them.
struct OpenedFolders {
    static inline std::vector<std::wstring> folders;
    static inline std::vector<UINT> counts;
    static HRESULT WINAPI Record(PCIDLIST_ABSOLUTE folder, UINT count, PCUITEMID_CHILD_ARRAY,
                                 DWORD) {
        wchar_t path[MAX_PATH] = {};
        SHGetPathFromIDListW(folder, path);
        folders.push_back(path);
        counts.push_back(count);
        return S_OK;
    }
};

// A window of another program that files are dropped on: it moves or
// copies them into its folder and reports what it did on the data object,
// as the shell's folders do.
class FolderDropTarget : public mvcom_base<IDropTarget> {
public:
    FolderDropTarget(std::wstring folder, DWORD effect) : m_folder(std::move(folder)), m_effect(effect) {}
    ~FolderDropTarget() override = default;

    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect &= m_effect;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect &= m_effect;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (FAILED(data->GetData(&format, &medium)))
            return E_FAIL;
        const auto drop = static_cast<HDROP>(medium.hGlobal);
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t path[MAX_PATH] = {};
            DragQueryFileW(drop, i, path, MAX_PATH);
            const std::wstring to = m_folder + L"\\" + PathFindFileNameW(path);
            if (m_effect == DROPEFFECT_MOVE)
                MoveFileW(path, to.c_str());
            else
                CopyFileW(path, to.c_str(), TRUE);
            ++dropped;
        }
        ReleaseStgMedium(&medium);
        *effect = m_effect;
        WriteDataObjectDword(data, kPerformedDropEffect, m_effect);
        WriteDataObjectDword(data, kLogicalPerformedDropEffect, m_effect);
        return S_OK;
    }

    int dropped = 0;

private:
    std::wstring m_folder;
    DWORD m_effect;
};

class VQListActionsTest : public MainWndFixture {
protected:
    void SetUp() override {
        MainWndFixture::SetUp();
        ScratchTrash();
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        m_mode = Settings().LisViewMode.Get();
        m_group = Settings().GroupColumn.Get();
        Settings().LisViewMode.Set(ViewDetails);
        ASSERT_TRUE(list.Create(parent.Handle()));
        SetWindowPos(list.Handle(), nullptr, 0, 0, 680, 400, SWP_NOZORDER);
    }
    void TearDown() override {
        list.Detach(true);
        UiResources().SetClipboardObject(nullptr);
        OleSetClipboard(nullptr);
        OleUninitialize();
        Settings().LisViewMode.Set(m_mode);
        Settings().GroupColumn.Set(m_group);
        MainWndFixture::TearDown();
    }

    // Files (names ending in a backslash: folders) in the folder of the
    // test, shown as results in this order.
    std::vector<FoundItem*> AddFiles(std::initializer_list<std::wstring> names,
                                     const std::wstring& folder = L"") {
        const std::wstring where = folder.empty() ? files.Path() : folder;
        std::vector<FoundItem*> added;
        for (std::wstring name : names) {
            const bool isFolder = name.back() == L'\\';
            if (isFolder) {
                name.pop_back();
                CreateDirectoryW((where + L"\\" + name).c_str(), nullptr);
            } else {
                FileHandle file(CreateFileW((where + L"\\" + name).c_str(), GENERIC_WRITE, 0,
                                            nullptr, CREATE_ALWAYS, 0, nullptr));
                DWORD written = 0;
                WriteFile(file.Get(), "data", 4, &written, nullptr);
            }
            TestItem item{where.c_str(), name.c_str(), isFolder ? 0u : 4u,
                          isFolder ? DWORD(FILE_ATTRIBUTE_DIRECTORY) : DWORD(FILE_ATTRIBUTE_ARCHIVE)};
            added.push_back(AddItems({item}).front());
        }
        list.SetItemCount(ResultList::Count());
        return added;
    }

    void Select(std::initializer_list<int> rows) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        bool first = true;
        for (int row : rows) {
            state.state = LVIS_SELECTED | (first ? LVIS_FOCUSED : 0);
            first = false;
            SendMessageW(list.Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        }
    }

    // The names the rows show, in order.
    std::vector<std::wstring> Rows() {
        std::vector<std::wstring> names;
        const int count = static_cast<int>(SendMessageW(list.Handle(), LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            wchar_t buffer[MAX_PATH] = {};
            LVITEMW item{};
            item.pszText = buffer;
            item.cchTextMax = MAX_PATH;
            SendMessageW(list.Handle(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
            names.push_back(buffer);
        }
        return names;
    }

    // Edits the label of `row` as the user does: the editor, the text, Enter.
    // The selection the editor first offered goes to `offered`.
    void EditLabel(int row, const std::wstring& text, std::pair<DWORD, DWORD>* offered = nullptr) {
        Select({row});
        SetFocus(list.Handle());
        const auto edit =
            reinterpret_cast<HWND>(SendMessageW(list.Handle(), LVM_EDITLABELW, row, 0));
        ASSERT_NE(edit, nullptr);
        TakeCommands();
        if (offered != nullptr)
            SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&offered->first),
                         reinterpret_cast<LPARAM>(&offered->second));
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
        TakeCommands();
    }

    std::wstring Path(const std::wstring& name) const { return files / name; }

    TempDir files;
    CVQListCtrl list;

private:
    std::uint8_t m_mode = 0;
    std::uint8_t m_group = 0;
};

// The cases that use what a display has only one of: the keyboard focus,
// the Shift key, the mouse cursor and the clipboard. They run alone.
class VQListActionsInput : public VQListActionsTest {};

} // namespace

// The new name lands on disk and in the row with its extension; a change
// of letter case only and a cancelled edit do nothing; blanks around the
// name are dropped; a name the file system refuses keeps the old one after
// telling the user, as does a name already taken.
TEST_F(VQListActionsInput, RenamingInPlaceRenamesTheFileAndTheRowFollows) {
    const struct {
        const char* what;
        const wchar_t* typed;
        const wchar_t* onDisk; // the file's name afterwards
        const wchar_t* ext;
        bool box; // the user is told why nothing changed
    } cases[] = {
        {"a new name", L"renamed.log", L"renamed.log", L".log", false},
        {"blanks around it", L"  spaced.md \t", L"spaced.md", L".md", false},
        {"letter case only", L"REPORT.TXT", L"report.txt", L".txt", false},
        {"a character the file system refuses", L"bad|name.txt", L"report.txt", L".txt", true},
        {"a device name", L"con.txt", L"report.txt", L".txt", true},
        {"a name already taken", L"taken.txt", L"report.txt", L".txt", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GlobalSearchJob().ClearResults();
        for (const wchar_t* name : {L"report.txt", L"taken.txt", L"renamed.log", L"spaced.md"})
            DeleteFileW(Path(name).c_str());
        std::vector<FoundItem*> items = AddFiles({L"report.txt", L"taken.txt"});
        std::pair<DWORD, DWORD> offered{};
        std::optional<DialogDriver> driver;
        if (c.box)
            driver.emplace([](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); },
                           L"mvMsgBox00");
        EditLabel(0, c.typed, &offered);
        EXPECT_EQ(offered, std::make_pair(DWORD(0), DWORD(6))) << "the name without extension";
        EXPECT_EQ(OnDisk(Path(c.onDisk)), c.onDisk);
        EXPECT_EQ(Rows().front(), c.onDisk);
        EXPECT_EQ(items.front()->name, c.onDisk);
        EXPECT_EQ(items.front()->ext, c.ext);
        EXPECT_TRUE(Exists(Path(L"taken.txt")));
        if (driver) {
            driver->Join();
            EXPECT_NE(driver->Dialog(), nullptr) << "the user was told why";
        }
    }
}

// Several items take one new name: each keeps its extension and a name that
// is taken gets a number.
TEST_F(VQListActionsTest, SeveralItemsRenamedTogetherTakeFreeNames) {
    std::vector<FoundItem*> items = AddFiles({L"one.txt", L"two.txt", L"three.csv"});
    Select({0, 1, 2});
    list.FileOperation(nullptr, 4, mvstring(L"same.txt"));
    std::vector<std::wstring> names;
    for (const FoundItem* item : items)
        names.push_back(item->name.str());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"same (2).txt", L"same.csv", L"same.txt"}));
    for (const std::wstring& name : names)
        EXPECT_TRUE(Exists(Path(name))) << name.c_str();
    for (const wchar_t* old : {L"one.txt", L"two.txt", L"three.csv"})
        EXPECT_FALSE(Exists(Path(old)));
}

// Cut marks the items once the clipboard holds them; a paste elsewhere that
// reports its move takes both rows away; a later copy clears earlier marks;
// a clipboard held by another program leaves nothing marked.
TEST_F(VQListActionsInput, CutPasteElsewhereRemovesTheRowsAndCopyClearsTheMarks) {
    std::vector<FoundItem*> items = AddFiles({L"a.txt", L"b.txt", L"c.txt", L"d.txt"});
    Select({0, 1});
    list.CopyToClipboard(true);
    EXPECT_EQ(items[0]->state.load(), ItemCut);
    EXPECT_EQ(items[1]->state.load(), ItemCut);
    EXPECT_EQ(items[2]->state.load(), ItemNormal);
    IDataObject* onClipboard = UiResources().ClipboardObject();
    ASSERT_NE(onClipboard, nullptr);
    EXPECT_EQ(OleIsCurrentClipboard(onClipboard), S_OK);
    DWORD effect = 0;
    EXPECT_TRUE(ReadDataObjectDword(onClipboard, GetClipboardFormatId(kPreferredDropEffect), effect));
    EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));

    // The receiving program moves the files and reports it.
    TempDir elsewhere;
    for (const wchar_t* name : {L"a.txt", L"b.txt"})
        ASSERT_TRUE(MoveFileW(Path(name).c_str(), (elsewhere / name).c_str()));
    ASSERT_TRUE(WriteDataObjectDword(onClipboard, kPasteSucceeded, DROPEFFECT_MOVE));
    TakeCommands();
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"c.txt", L"d.txt"}));
    EXPECT_EQ(items[0]->state.load(), ItemRemoved);
    EXPECT_EQ(items[1]->state.load(), ItemRemoved);
    EXPECT_EQ(items[2]->display_index, 0);
    EXPECT_TRUE(list.CutList.empty());

    // c is cut, then d copied: c is shown normal again and nothing is cut.
    Select({0});
    list.CopyToClipboard(true);
    EXPECT_EQ(items[2]->state.load(), ItemCut);
    Select({1});
    list.CopyToClipboard(false);
    EXPECT_EQ(items[2]->state.load(), ItemNormal);
    EXPECT_TRUE(list.CutList.empty());
    EXPECT_EQ(UiResources().ClipboardObject(), nullptr) << "flushed: the slot names nothing";

    // Another program holds the clipboard open: the cut reaches nothing.
    const EventHandle opened(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const EventHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder([&] {
        const BOOL open = OpenClipboard(nullptr);
        SetEvent(opened.Get());
        WaitForSingleObject(release.Get(), 20000);
        if (open)
            CloseClipboard();
    });
    WaitForSingleObject(opened.Get(), 20000);
    Select({0});
    list.CopyToClipboard(true);
    SetEvent(release.Get());
    holder.join();
    EXPECT_EQ(items[2]->state.load(), ItemNormal);
    EXPECT_TRUE(list.CutList.empty());
    EXPECT_EQ(UiResources().ClipboardObject(), nullptr);
}

// The rows of vanished items leave the list and their groups, the groups'
// other entries move up, and rows whose files remain stay.
TEST_F(VQListActionsTest, RefreshTakesOnlyVanishedItemsOutOfTheListAndTheGroups) {
    TempDir other;
    std::vector<FoundItem*> items = AddFiles({L"a.txt", L"b.txt"});
    std::vector<FoundItem*> more = AddFiles({L"c.txt", L"d.txt"}, other.Path());
    Settings().GroupColumn.Set(ColumnFolder);
    ASSERT_TRUE(list.BuildGroups(false));
    ASSERT_EQ(list.m_callback.groups.groups.size(), 2u);
    DeleteFileW(Path(L"b.txt").c_str());
    DeleteFileW((other / L"c.txt").c_str());
    std::vector<FoundItem*> check = {items[0], items[1], more[0], more[1]};
    list.RefreshItems(check);
    EXPECT_EQ(check, (std::vector<FoundItem*>{items[0], more[1]}));
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"a.txt", L"d.txt"}));
    std::vector<std::vector<std::int32_t>> groups;
    for (const ResultGroup& group : list.m_callback.groups.groups)
        groups.emplace_back(group.items.begin(), group.items.end());
    std::sort(groups.begin(), groups.end());
    EXPECT_EQ(groups, (std::vector<std::vector<std::int32_t>>{{0}, {1}}));
    EXPECT_EQ(list.m_callback.groups.item_map.size(), 2u);
    EXPECT_EQ(SendMessageW(list.Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

// Delete sends to the recycle bin; with Shift held it deletes for good
// after the shell's question. A file another program holds stays, and so
// does its row: exactly the rows of gone files leave.
TEST_F(VQListActionsInput, DeleteRemovesExactlyTheRowsOfGoneFiles) {
    std::vector<FoundItem*> items = AddFiles({L"a.txt", L"b.txt", L"c.txt", L"keep.txt"});
    Select({0, 1});
    {
        DialogDriver yes([](HWND box) { PostMessageW(box, WM_COMMAND, IDYES, 0); });
        list.FileOperation(nullptr, 3, mvstring());
    }
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"c.txt", L"keep.txt"}));
    EXPECT_FALSE(Exists(Path(L"a.txt")));
    EXPECT_TRUE(Exists(ScratchTrash() + L"\\Trash\\files\\a.txt")) << "in the recycle bin";

    HeldFile held(Path(L"c.txt"), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(held.Held());
    AddFiles({L"e.txt"});
    // e first (the anchor): the shell may stop at the held file.
    Select({2, 0});
    {
        ShiftDown shift;
        DialogDriver yes([](HWND box) { PostMessageW(box, WM_COMMAND, IDYES, 0); });
        list.FileOperation(nullptr, 3, mvstring());
    }
    held.Release();
    EXPECT_TRUE(Exists(Path(L"c.txt")));
    EXPECT_FALSE(Exists(Path(L"e.txt")));
    EXPECT_FALSE(Exists(ScratchTrash() + L"\\Trash\\files\\e.txt")) << "deleted for good";
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"c.txt", L"keep.txt"}));
    EXPECT_EQ(items[2]->state.load(), ItemNormal);
}

// Move takes the rows of the moved files away; copy leaves every row.
TEST_F(VQListActionsTest, MoveAndCopyToAFolderOnDisk) {
    TempDir target;
    AddFiles({L"a.txt", L"b.txt", L"sub\\"});
    Select({0, 2});
    list.FileOperation(nullptr, 2, mvstring(target.Path()));
    EXPECT_TRUE(Exists(target / L"a.txt"));
    EXPECT_TRUE(Exists(target / L"sub"));
    EXPECT_TRUE(Exists(Path(L"a.txt")));
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"sub"}));

    TempDir second;
    Select({1, 2});
    list.FileOperation(nullptr, 1, mvstring(second.Path()));
    EXPECT_TRUE(Exists(second / L"b.txt"));
    EXPECT_TRUE(Exists(second / L"sub"));
    EXPECT_FALSE(Exists(Path(L"b.txt")));
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"a.txt"}));

    Select({0});
    list.FileOperation(nullptr, 1, mvstring()); // no target: nothing happens
    EXPECT_TRUE(Exists(Path(L"a.txt")));
    EXPECT_EQ(Rows().size(), 1u);
}

// MaxItemOpen limits the folder windows; 0 opens them all, a negative value
// the first folder only.
TEST_F(VQListActionsTest, OpenContainingFolderOpensAtMostMaxItemOpenFolders) {
    std::vector<std::wstring> folders;
    for (const wchar_t* name : {L"f1", L"f2", L"f3", L"f4", L"f5"}) {
        folders.push_back(Path(name));
        CreateDirectoryW(folders.back().c_str(), nullptr);
        AddFiles({L"x.txt", L"y.txt"}, folders.back());
    }
    const struct {
        int setting;
        std::size_t opened;
    } cases[] = {{2, 2}, {0, 5}, {-1, 1}, {9, 5}};
    const FolderOpener previous = SetFolderOpener(&OpenedFolders::Record);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        ScopedSetting<std::int32_t> limit(Settings().MaxItemOpen, c.setting);
        OpenedFolders::folders.clear();
        OpenedFolders::counts.clear();
        Select({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        list.OpenContainingFolder();
        ASSERT_EQ(OpenedFolders::folders.size(), c.opened);
        for (std::size_t i = 0; i < c.opened; ++i) {
            EXPECT_EQ(_wcsicmp(OpenedFolders::folders[i].c_str(), folders[i].c_str()), 0)
                << OpenedFolders::folders[i].c_str();
            EXPECT_EQ(OpenedFolders::counts[i], 2u);
        }
    }
    SetFolderOpener(previous);
}

// Files dragged out and dropped on another program's window: a drop that
// the target completes as a copy leaves the rows; one completed as a move
// takes the rows of the moved files away.
TEST_F(VQListActionsInput, ADragCompletedAsAMoveRemovesTheRowsAndACopyLeavesThem) {
    const struct {
        const char* what;
        DWORD effect;
        std::vector<std::wstring> rows;
    } cases[] = {
        {"copy", DROPEFFECT_COPY, {L"a.txt", L"b.txt", L"c.txt"}},
        {"move", DROPEFFECT_MOVE, {L"c.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GlobalSearchJob().ClearResults();
        TempDir target;
        AddFiles({L"a.txt", L"b.txt", L"c.txt"});
        Select({0, 1});
        // The target lies under the cursor; with no mouse button held the
        // drag drops at once.
        ProbeWnd window;
        ASSERT_TRUE(window.Create(L"target", nullptr, 0, 100, 100, 300, 300,
                                  WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST, L""));
        const ComHandle<FolderDropTarget> drop(new FolderDropTarget(target.Path(), c.effect));
        ASSERT_EQ(RegisterDragDrop(window.Handle(), drop.Get()), S_OK);
        SetCursorPos(250, 250);
        TakeCommands();
        list.OnBeginDrag(nullptr);
        RevokeDragDrop(window.Handle());
        EXPECT_EQ(drop.Get()->dropped, 2);
        window.Detach(true);
        EXPECT_TRUE(Exists(target / L"a.txt"));
        EXPECT_TRUE(Exists(target / L"b.txt"));
        EXPECT_EQ(Rows(), c.rows);
    }
}

TEST(CheckFileName, RefusesWhatTheFileSystemRefusesWithTheReason) {
    const struct {
        const wchar_t* name;
        DWORD reason;
    } cases[] = {
        {L"plain.txt", 0},
        {L"no extension", 0},
        {L".hidden", 0},
        {L"", ERROR_INVALID_NAME},
        {L"   ", ERROR_INVALID_NAME},
        {L"a/b", ERROR_INVALID_NAME},
        {L"a\\b", ERROR_INVALID_NAME},
        {L"what?", ERROR_INVALID_NAME},
        {L"star*", ERROR_INVALID_NAME},
        {L"tab\there", ERROR_INVALID_NAME},
        {L"ends with dot.", ERROR_INVALID_NAME},
        {L"ends with blank ", ERROR_INVALID_NAME},
        {L"CON", ERROR_INVALID_NAME},
        {L"nul.txt", ERROR_INVALID_NAME},
        {L"Com1 .log", ERROR_INVALID_NAME},
        {L"console", 0},
        {L"lpt10", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckFileName(c.name), c.reason) << c.name;
    EXPECT_EQ(CheckFileName(std::wstring(256, L'x')), DWORD(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(CheckFileName(std::wstring(255, L'x')), 0u);
}
