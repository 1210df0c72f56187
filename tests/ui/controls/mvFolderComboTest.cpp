#include "ui/controls/mvFolderCombo.h"

#include "foundation/Handles.h"
#include "foundation/mvcominit.h"
#include "ui/theme/UiTheme.h"

#include "ProbeWnd.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace {

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
    CoTaskMemHandle<wchar_t> path;
    if (FAILED(SHGetKnownFolderPath(id, 0, nullptr, path.Put())) || !path)
        return {};
    return path.Get();
}

// The text the control draws for an item.
std::wstring ShownText(const mvFolderCombo& combo, int index) {
    return combo.m_combo.ItemText(index).c_str();
}

std::vector<std::wstring> Paths(const mvFolderCombo& combo) {
    std::vector<std::wstring> paths;
    for (const mvFolderCombo::Item& item : combo.m_items)
        paths.emplace_back(item.path.c_str());
    return paths;
}

std::vector<std::wstring> History(const mvFolderCombo& combo) {
    std::vector<std::wstring> paths = Paths(combo);
    paths.resize(paths.size() - static_cast<size_t>(combo.m_fixedCount));
    return paths;
}

class mvFolderComboTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateTopLevel(parent));
        ASSERT_TRUE(CreateComboBoxExWindow(combo, parent.Handle(), 300, RECT{10, 10, 300, 0},
                                           CBS_DROPDOWN | WS_CHILD | WS_VISIBLE));
    }
    LRESULT Count() const { return SendMessageW(combo.Handle(), CB_GETCOUNT, 0, 0); }

    mvcominit com;
    ProbeWnd parent;
    mvFolderCombo combo;
};

TEST_F(mvFolderComboTest, FixedEntriesAreDocumentsDesktopAndEveryDriveWithShellNames) {
    std::vector<std::wstring> expected;
    for (const KNOWNFOLDERID& id : {FOLDERID_Documents, FOLDERID_Desktop})
        if (std::wstring path = KnownFolder(id); !path.empty())
            expected.push_back(path);
    ASSERT_EQ(2u, expected.size()) << "the prefix has no Documents or Desktop folder";
    const DWORD drives = GetLogicalDrives();
    ASSERT_NE(0u, drives & (1u << 2)) << "no drive C:";
    for (int letter = 0; letter < 26; ++letter)
        if (drives & (1u << letter))
            expected.push_back(std::wstring(1, wchar_t(L'A' + letter)) + L":\\");

    EXPECT_EQ(expected, Paths(combo));
    EXPECT_EQ(static_cast<int>(expected.size()), combo.m_fixedCount);
    EXPECT_EQ(static_cast<LRESULT>(expected.size()), Count());
    for (int i = 0; i < static_cast<int>(combo.m_items.size()); ++i) {
        const mvFolderCombo::Item& item = combo.m_items[static_cast<size_t>(i)];
        EXPECT_TRUE(item.fixed);
        EXPECT_FALSE(item.display.empty()) << i;
        // The control asks for the text through its parent.
        EXPECT_EQ(std::wstring(item.display.c_str()), ShownText(combo, i)) << i;
        COMBOBOXEXITEMW images{};
        images.mask = CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        images.iItem = i;
        ASSERT_TRUE(
            SendMessageW(combo.Handle(), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&images)));
        EXPECT_EQ(i + 1, images.iImage); // image 0 is the generic folder
        EXPECT_EQ(images.iImage, images.iSelectedImage);
    }
    // The generic folder image and one own image for each entry, in the list
    // the window draws with.
    ASSERT_TRUE(combo.m_combo.m_images);
    EXPECT_EQ(combo.m_combo.m_images.Get(),
              reinterpret_cast<HIMAGELIST>(SendMessageW(combo.Handle(), CBEM_GETIMAGELIST, 0, 0)));
    EXPECT_EQ(static_cast<int>(expected.size()) + 1,
              ImageList_GetImageCount(combo.m_combo.m_images.Get()));
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), combo.m_combo.m_imageCx);
}

TEST_F(mvFolderComboTest, TypedPathsComeFirstNewestFirstWithoutDuplicates) {
    const int fixed = combo.m_fixedCount;
    EXPECT_TRUE(combo.AddHistoryPath(L"C:\\one"));
    EXPECT_TRUE(combo.AddHistoryPath(L"C:\\two"));
    EXPECT_TRUE(combo.AddHistoryPath(L"c:\\ONE")); // moved to the front, in its new spelling
    EXPECT_FALSE(combo.AddHistoryPath(L""));
    EXPECT_EQ((std::vector<std::wstring>{L"c:\\ONE", L"C:\\two"}), History(combo));
    EXPECT_EQ(fixed, combo.m_fixedCount);
    EXPECT_EQ(static_cast<LRESULT>(combo.m_items.size()), Count());
    EXPECT_EQ(L"c:\\ONE", ShownText(combo, 0)); // no display name: the path
    EXPECT_EQ(L"C:\\two", ShownText(combo, 1));

    // A drive root is a fixed entry: it stays where it is.
    const int drive = combo.FindItem(L"C:\\");
    ASSERT_GE(drive, 2);
    EXPECT_TRUE(combo.AddHistoryPath(L"c:\\"));
    EXPECT_EQ(drive, combo.FindItem(L"C:\\"));
    EXPECT_EQ(2u, History(combo).size());
    EXPECT_EQ(-1, combo.FindItem(L"C:\\on"));
    EXPECT_EQ(-1, combo.FindItem(L""));

    // The autocomplete strings follow the typed paths.
    std::vector<std::wstring> strings;
    for (const mvstring& s : combo.Strings().Strings())
        strings.emplace_back(s.c_str());
    EXPECT_EQ((std::vector<std::wstring>{L"c:\\", L"c:\\ONE", L"C:\\two"}), strings);

    combo.ClearHistory();
    EXPECT_TRUE(History(combo).empty());
    EXPECT_EQ(fixed, static_cast<int>(combo.m_items.size()));
    EXPECT_TRUE(combo.Strings().Strings().empty());
}

TEST_F(mvFolderComboTest, TheAutocompleteLimitBoundsTheHistory) {
    struct Case {
        int limit;
        std::vector<std::wstring> history;
    } cases[] = {
        {3, {L"D:\\d", L"D:\\c", L"D:\\b"}},
        {0, {L"D:\\d", L"D:\\c", L"D:\\b", L"D:\\a"}}, // 0: no limit
    };
    for (const Case& c : cases) {
        combo.ClearHistory();
        combo.SetLimit(c.limit);
        for (const wchar_t* path : {L"D:\\a", L"D:\\b", L"D:\\c", L"D:\\d"})
            EXPECT_TRUE(combo.AddHistoryPath(path));
        EXPECT_EQ(c.history, History(combo)) << c.limit;
        EXPECT_EQ(static_cast<LRESULT>(combo.m_items.size()), Count());
    }
}

TEST_F(mvFolderComboTest, ListChangesFromOutsideAreRefused) {
    combo.AddHistoryPath(L"C:\\kept");
    const std::vector<std::wstring> before = Paths(combo);
    const LRESULT count = Count();
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT;
    item.iItem = 0;
    item.pszText = const_cast<wchar_t*>(L"C:\\intruder");
    COMBOBOXEXITEMA narrow{};
    narrow.mask = CBEIF_TEXT;
    narrow.pszText = const_cast<char*>("C:\\narrow");
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT answer;
    } cases[] = {
        {CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item), -1},
        {CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&narrow), -1},
        {CB_DELETESTRING, 0, 0, -1},
        {CB_RESETCONTENT, 0, 0, 0},
        {CBEM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item), 0},
        {CBEM_SETITEMA, 0, reinterpret_cast<LPARAM>(&narrow), 0},
        {CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&narrow), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.answer, SendMessageW(combo.Handle(), c.message, c.wParam, c.lParam))
            << std::hex << c.message;
        EXPECT_EQ(count, Count()) << std::hex << c.message;
        EXPECT_EQ(before, Paths(combo));
        EXPECT_EQ(L"C:\\kept", ShownText(combo, 0));
    }
    // The control's own deletion goes through.
    EXPECT_TRUE(combo.DeleteItem(0));
    EXPECT_EQ(count - 1, Count());
    EXPECT_FALSE(combo.DeleteItem(-1));
    EXPECT_FALSE(combo.DeleteItem(static_cast<int>(count) + 5));
    EXPECT_EQ(count - 1, Count());
}

TEST_F(mvFolderComboTest, ItemTextIsGivenIntoABufferOrInPlace) {
    combo.AddHistoryPath(L"C:\\Projects");
    const int documents = combo.FindItem(KnownFolder(FOLDERID_Documents));
    ASSERT_GE(documents, 0);
    const std::wstring documentsName =
        combo.m_items[static_cast<size_t>(documents)].display.c_str();
    ASSERT_GE(documentsName.size(), 3u);
    wchar_t small[4] = {L'x', L'x', L'x', L'x'};
    struct Case {
        int index;
        wchar_t* buffer;
        int size;
        bool answered;
        std::wstring text;
    } cases[] = {
        {0, small, 4, true, L"C:\\"},                 // truncated into the buffer
        {0, nullptr, 0, true, L"C:\\Projects"},       // no buffer: the record's own text
        {documents, nullptr, 0, true, documentsName}, // display name before the path
        {99, nullptr, 0, false, L""},                 // no such item
    };
    for (const Case& c : cases) {
        NMCOMBOBOXEXW info{};
        info.hdr.hwndFrom = combo.Handle();
        info.hdr.idFrom = 300;
        info.hdr.code = CBEN_GETDISPINFOW;
        info.ceItem.mask = CBEIF_TEXT;
        info.ceItem.iItem = c.index;
        info.ceItem.pszText = c.buffer;
        info.ceItem.cchTextMax = c.size;
        SendMessageW(parent.Handle(), WM_NOTIFY, 300, reinterpret_cast<LPARAM>(&info));
        if (!c.answered) {
            EXPECT_EQ(nullptr, info.ceItem.pszText);
            continue;
        }
        ASSERT_NE(nullptr, info.ceItem.pszText) << c.index;
        EXPECT_EQ(c.text, std::wstring(info.ceItem.pszText)) << c.index;
        if (c.buffer != nullptr) {
            EXPECT_EQ(c.buffer, info.ceItem.pszText);
        }
    }
    // Selecting an entry shows its text in the edit part: the control asks
    // its parent for it.
    SendMessageW(combo.Handle(), CB_SETCURSEL, static_cast<WPARAM>(documents), 0);
    EXPECT_EQ(documentsName, GetWindowTextString(combo.EditWindow()).c_str());
    mvstring path;
    combo.GetSelectedPath(path);
    EXPECT_EQ(KnownFolder(FOLDERID_Documents), path.c_str());
    SendMessageW(combo.Handle(), CB_SETCURSEL, 0, 0);
    EXPECT_STREQ(L"C:\\Projects", GetWindowTextString(combo.EditWindow()).c_str());
    // A choice in the list reaches the control as the inner combo's change.
    const HWND inner = combo.m_combo.Handle();
    SendMessageW(inner, CB_SETCURSEL, static_cast<WPARAM>(documents), 0);
    SendMessageW(combo.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(inner), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(inner));
    EXPECT_EQ(documentsName, GetWindowTextString(combo.EditWindow()).c_str());
    combo.GetSelectedPath(path);
    EXPECT_EQ(KnownFolder(FOLDERID_Documents), path.c_str());
}

TEST_F(mvFolderComboTest, AFontThatChangesTheIconSizeRebuildsTheFixedEntries) {
    combo.AddHistoryPath(L"C:\\older");
    combo.AddHistoryPath(L"C:\\newer");
    const std::vector<std::wstring> before = Paths(combo);
    ASSERT_EQ(GetSystemMetrics(SM_CXSMICON), combo.m_combo.m_imageCx);

    LOGFONTW big{};
    big.lfHeight = -2 * GetSystemMetrics(SM_CYICON);
    wcscpy_s(big.lfFaceName, L"Tahoma");
    GdiHandle<HFONT> font(CreateFontIndirectW(&big));
    SendMessageW(combo.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    EXPECT_FALSE(combo.m_smallIcons);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), combo.m_combo.m_imageCx);
    EXPECT_EQ(before, Paths(combo));
    EXPECT_EQ(static_cast<LRESULT>(before.size()), Count());
    EXPECT_EQ(L"C:\\newer", ShownText(combo, 0));

    // A set size wins over the font.
    combo.m_iconMode = 1;
    SendMessageW(combo.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), combo.m_combo.m_imageCx);
    EXPECT_EQ(before, Paths(combo));
    SendMessageW(combo.Handle(), WM_SETFONT,
                 reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()), FALSE);
}

TEST_F(mvFolderComboTest, SelectedPathIsTheEntryElseTheTypedText) {
    combo.AddHistoryPath(L"C:\\picked");
    mvstring path;
    SendMessageW(combo.Handle(), CB_SETCURSEL, 0, 0);
    combo.GetSelectedPath(path);
    EXPECT_STREQ(L"C:\\picked", path.c_str());
    const int drive = combo.FindItem(L"C:\\");
    SendMessageW(combo.Handle(), CB_SETCURSEL, static_cast<WPARAM>(drive), 0);
    combo.GetSelectedPath(path);
    EXPECT_STREQ(L"C:\\", path.c_str()); // the path, not the display name

    SendMessageW(combo.Handle(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextW(combo.EditWindow(), L"E:\\typed\\here");
    combo.GetSelectedPath(path);
    EXPECT_STREQ(L"E:\\typed\\here", path.c_str());
    EXPECT_STREQ(L"E:\\typed\\here", combo.GetEditText().c_str());

    mvFolderCombo unbound;
    path = L"stale";
    unbound.GetSelectedPath(path);
    EXPECT_TRUE(path.empty());
}

TEST_F(mvFolderComboTest, EditCompletesFromHistoryAndFileSystemFolders) {
    ASSERT_NE(nullptr, combo.AutoComplete());
    ComHandle<IAutoComplete2> second;
    ASSERT_EQ(S_OK, combo.AutoComplete()->QueryInterface(IID_IAutoComplete2,
                                                         reinterpret_cast<void**>(second.Put())));
    DWORD options = 0;
    ASSERT_EQ(S_OK, second.Get()->GetOptions(&options));
    EXPECT_EQ(DWORD(ACO_AUTOSUGGEST), options);
    ASSERT_TRUE(combo.m_shellSource);
    ComHandle<IACList2> folders;
    ASSERT_EQ(S_OK, combo.m_shellSource.Get()->QueryInterface(
                        IID_IACList2, reinterpret_cast<void**>(folders.Put())));
    DWORD listOptions = 0;
    ASSERT_EQ(S_OK, folders.Get()->GetOptions(&listOptions));
    EXPECT_EQ(DWORD(ACLO_FILESYSDIRS), listOptions);
}

// The shell holds the string list while the edit part lives; destroying the
// control must leave whatever the shell still holds usable.
TEST(mvFolderCombo, DestructionReleasesTheAutocompleteAfterTheWindow) {
    mvcominit com;
    ProbeWnd parent;
    ASSERT_TRUE(CreateTopLevel(parent));
    IEnumString* kept = nullptr;
    HWND edit = nullptr;
    {
        mvFolderCombo combo;
        ASSERT_TRUE(CreateComboBoxExWindow(combo, parent.Handle(), 301, RECT{0, 0, 200, 0},
                                           CBS_DROPDOWN | WS_CHILD | WS_VISIBLE));
        edit = combo.EditWindow();
        ASSERT_NE(nullptr, edit);
        combo.AddHistoryPath(L"C:\\kept");
        ASSERT_EQ(S_OK,
                  combo.Strings().QueryInterface(IID_IEnumString, reinterpret_cast<void**>(&kept)));
    }
    EXPECT_FALSE(IsWindow(edit));
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(S_OK, kept->Reset());
    LPOLESTR text = nullptr;
    ULONG fetched = 7;
    EXPECT_EQ(S_FALSE, kept->Next(1, &text, &fetched)); // emptied, still alive
    EXPECT_EQ(0u, fetched);
    EXPECT_EQ(0u, kept->Release());
}

} // namespace
