#include "ui/dialogs/mvFileDialog.h"

#include "DialogDriver.h"
#include "foundation/Handles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Results(const mvFileDialog& dialog) {
    std::vector<std::wstring> out;
    for (const mvstring& path : dialog.m_results)
        out.emplace_back(path.c_str());
    return out;
}

// Waits up to ten seconds for the older folder dialog's tree to select the
// folder named `leaf`: the dialog selects its start folder after it shows,
// and on a busy machine the helper could otherwise press OK before that.
void WaitForTreeSelection(HWND dialog, const std::wstring& leaf) {
    for (int tries = 0; tries < 500; ++tries) {
        if (HWND tree = FindDescendant(dialog, L"SysTreeView32", 0)) {
            wchar_t text[MAX_PATH] = {};
            TVITEMW item = {};
            item.mask = TVIF_TEXT;
            item.hItem = TreeView_GetSelection(tree);
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            if (item.hItem && TreeView_GetItem(tree, &item) && leaf == text)
                return;
        }
        Sleep(20);
    }
}

std::wstring FolderOf(IFileDialog* dialog) {
    ComHandle<IShellItem> folder;
    CoTaskMemHandle<wchar_t> path;
    if (FAILED(dialog->GetFolder(folder.Put())) || !folder ||
        FAILED(folder.Get()->GetDisplayName(SIGDN_FILESYSPATH, path.Put())))
        return L"";
    return path.Get();
}

std::wstring WithoutSlash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

// A dialog that records its hooks and may refuse to be shown.
class HookedDialog : public mvFileDialog {
public:
    bool OnBeforeShow(IFileDialog*) override {
        ++before;
        return allow;
    }
    void OnAfterShow(IFileDialog*) override { ++after; }
    bool allow = true;
    int before = 0;
    int after = 0;
};

TEST(mvFileDialog, SettersCleanAndFilterTheirInput) {
    mvFileDialog dialog;
    const struct {
        const wchar_t* given;
        const wchar_t* kept;
    } extensions[] = {
        {L".txt", L"txt"}, {L"csv\r\n", L"csv"}, {L"\t..htm.\n", L"htm"}, {L"...", L""}};
    for (const auto& e : extensions) {
        dialog.SetDefaultExtension(e.given);
        EXPECT_STREQ(e.kept, dialog.m_defaultExtension.c_str()) << e.given;
    }
    dialog.AddFilter(L"Text", L"*.txt", false);
    dialog.AddFilter(L"Empty pattern", L"", false);
    dialog.AddFilter(L"", L"*.*", false);
    dialog.AddFilter(L"All", L"*.*", false);
    ASSERT_EQ(2u, dialog.m_filters.size());
    EXPECT_STREQ(L"All", dialog.m_filters[1].first.c_str());
    dialog.AddFilter(L"Csv", L"*.csv", true);
    ASSERT_EQ(1u, dialog.m_filters.size());
    EXPECT_STREQ(L"*.csv", dialog.m_filters[0].second.c_str());
}

class mvFileDialogTest : public ::testing::Test {
protected:
    mvcominit com;
    TempDir temp;
};

TEST_F(mvFileDialogTest, ConfigurePassesFolderNameFilterAndOptions) {
    const std::wstring folder = temp.Path();
    struct Case {
        bool save, folderMode, multi;
        std::wstring initial;
        int filterIndex;
        UINT expectedIndex;
        std::wstring expectedFolder;
        FILEOPENDIALOGOPTIONS wanted, unwanted;
    };
    const Case cases[] = {
        {true, false, false, folder + L"\\report.csv", 5, 2, folder,
         FOS_OVERWRITEPROMPT | FOS_FORCEFILESYSTEM, FOS_PICKFOLDERS | FOS_FILEMUSTEXIST},
        {false, false, true, folder + L"\\", -3, 1, folder,
         FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST | FOS_ALLOWMULTISELECT, FOS_OVERWRITEPROMPT},
        {false, true, true, folder + L"\\", 1, 2, folder, FOS_PICKFOLDERS | FOS_PATHMUSTEXIST,
         FOS_ALLOWMULTISELECT},
        {true, false, true, L"plain.txt", 0, 1, L"", FOS_OVERWRITEPROMPT, FOS_ALLOWMULTISELECT},
    };
    for (const Case& c : cases) {
        mvFileDialog dialog;
        dialog.m_saveMode = c.save;
        dialog.m_folderMode = c.folderMode;
        dialog.m_multiSelect = c.multi;
        dialog.m_filterIndex = c.filterIndex;
        dialog.SetFileName(c.initial.c_str());
        dialog.AddFilter(L"Comma separated", L"*.csv", false);
        dialog.AddFilter(L"Web page", L"*.htm;*.html", false);
        ComHandle<IFileDialog> item;
        ASSERT_EQ(S_OK, CoCreateInstance(c.save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog,
                                         nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                         reinterpret_cast<void**>(item.Put())));
        ASSERT_TRUE(dialog.Configure(item.Get()));
        UINT index = 0;
        item.Get()->GetFileTypeIndex(&index);
        EXPECT_EQ(c.expectedIndex, index) << c.initial;
        if (!c.expectedFolder.empty()) { // else the system's own choice
            EXPECT_EQ(c.expectedFolder, WithoutSlash(FolderOf(item.Get()))) << c.initial;
        }
        FILEOPENDIALOGOPTIONS options = 0;
        item.Get()->GetOptions(&options);
        EXPECT_EQ(c.wanted, options & c.wanted) << c.initial;
        EXPECT_EQ(0u, options & c.unwanted) << c.initial;
    }
}

TEST_F(mvFileDialogTest, OlderDialogStructureCarriesTheSameChoices) {
    mvFileDialog dialog;
    dialog.SetFileName((temp.Path() + L"\\data.csv").c_str());
    dialog.SetDefaultExtension(L".csv");
    dialog.AddFilter(L"Csv", L"*.csv", false);
    dialog.AddFilter(L"All", L"*.*", false);
    dialog.m_filterIndex = 9;
    OPENFILENAMEW ofn;
    dialog.FillOpenFileName(ofn, nullptr);
    EXPECT_STREQ(L"data.csv", ofn.lpstrFile);
    EXPECT_EQ(16380u, ofn.nMaxFile);
    EXPECT_EQ(temp.Path(), std::wstring(ofn.lpstrInitialDir));
    EXPECT_STREQ(L"csv", ofn.lpstrDefExt);
    EXPECT_EQ(2u, ofn.nFilterIndex);
    const wchar_t expected[] = L"Csv\0*.csv\0All\0*.*\0";
    EXPECT_EQ(0, memcmp(expected, ofn.lpstrFilter, sizeof(expected)));
    EXPECT_EQ(DWORD(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST),
              ofn.Flags & (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT));

    dialog.m_saveMode = true;
    dialog.SetFileName((temp.Path() + L"\\").c_str());
    dialog.FillOpenFileName(ofn, nullptr);
    EXPECT_STREQ(L"", ofn.lpstrFile);
    EXPECT_EQ(temp.Path() + L"\\", std::wstring(ofn.lpstrInitialDir));
    EXPECT_EQ(DWORD(OFN_OVERWRITEPROMPT), ofn.Flags & (OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT));
}

TEST(mvFileDialog, OlderDialogResultsReadBothBufferForms) {
    struct Case {
        std::wstring buffer; // with embedded zeros
        WORD fileOffset;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {std::wstring(L"C:\\data\\one.txt\0", 16), 8, {L"C:\\data\\one.txt"}},
        {std::wstring(L"C:\\data\0a.txt\0b.txt\0\0", 21),
         8,
         {L"C:\\data\\a.txt", L"C:\\data\\b.txt"}},
        {std::wstring(L"C:\\data\0\0", 9), 8, {}},
        {std::wstring(L"C:\\data\\one.txt\0", 16), 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<wchar_t> buffer(c.buffer.begin(), c.buffer.end());
        buffer.resize(64, 0);
        OPENFILENAMEW ofn = {};
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = static_cast<DWORD>(buffer.size());
        ofn.nFileOffset = c.fileOffset;
        ofn.nFilterIndex = 2;
        mvFileDialog dialog;
        dialog.m_results.emplace_back(L"stale");
        EXPECT_EQ(!c.expected.empty(), dialog.ReadLegacyResult(ofn)) << c.buffer.c_str();
        EXPECT_EQ(c.expected, Results(dialog));
        EXPECT_EQ(1, dialog.m_chosenFilterIndex);
    }
}

// Each row: which dialog, what the helper thread types, what comes back.
TEST_F(mvFileDialogTest, ShowReturnsThePathTheUserConfirms) {
    const std::wstring existing = temp.WriteFile(L"found.txt", "x");
    const std::wstring target = temp / L"new.csv";
    struct Case {
        const char* name;
        bool save, folderMode, legacy;
        std::wstring typed;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {"open", false, false, false, existing, {existing}},
        {"save", true, false, false, target, {target}},
        {"folder", false, true, false, temp.Path(), {temp.Path()}},
        {"older open", false, false, true, existing, {existing}},
        {"older save", true, false, true, target, {target}},
        {"older folder", false, true, true, L"", {temp.Path()}},
    };
    for (const Case& c : cases) {
        HookedDialog dialog;
        dialog.m_saveMode = c.save;
        dialog.m_folderMode = c.folderMode;
        dialog.m_legacyMode = c.legacy;
        dialog.m_title = L"Pick";
        dialog.SetFileName(c.folderMode ? temp.Path().c_str() : (temp.Path() + L"\\").c_str());
        DialogDriver driver([&](HWND d) {
            if (c.legacy && c.folderMode)
                WaitForTreeSelection(d, temp.Path().substr(temp.Path().rfind(L'\\') + 1));
            TypeAndConfirm(d, c.typed);
        });
        EXPECT_TRUE(dialog.Show(nullptr)) << c.name;
        driver.Join();
        EXPECT_NE(nullptr, driver.Dialog()) << c.name;
        EXPECT_EQ(c.expected, Results(dialog)) << c.name;
        EXPECT_EQ(c.legacy ? 0 : 1, dialog.before) << c.name;
        EXPECT_EQ(c.legacy ? 0 : 1, dialog.after) << c.name;
    }
}

TEST_F(mvFileDialogTest, CancelOrRefusalLeavesNoResults) {
    for (bool legacy : {false, true}) {
        HookedDialog dialog;
        dialog.m_legacyMode = legacy;
        dialog.m_results.emplace_back(L"stale");
        DialogDriver driver([](HWND d) { Cancel(d); });
        EXPECT_FALSE(dialog.Show(nullptr));
        driver.Join();
        EXPECT_NE(nullptr, driver.Dialog());
        EXPECT_TRUE(dialog.m_results.empty());
        EXPECT_EQ(0, dialog.after);
    }
    HookedDialog refusing;
    refusing.allow = false;
    EXPECT_FALSE(refusing.Show(nullptr)); // nothing is shown, so nothing to drive
    EXPECT_EQ(1, refusing.before);
    EXPECT_EQ(0, refusing.after);
}

} // namespace
