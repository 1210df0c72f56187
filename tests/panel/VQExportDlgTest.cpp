#include "panel/VQExportDlg.h"

#include "foundation/Settings.h"
#include "search/ResultExport.h"
#include "search/SearchJob.h"
#include "ui/theme/UiTheme.h"

#include "ConfigScope.h"
#include "ModalRun.h"
#include "app/shared/LanguageScope.h"
#include "support/HeldFile.h"
#include "support/TempDir.h"
#include "support/TestItems.h"
#include "ui/DialogDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char kLanguage[] = "[list_columns]\nname = &Name\nsize = Size\ntype = Type\nmdate = Modified\n"
                         "folder = Folder\ncdate = Created\nadate = Accessed\nattr = Attributes\n"
                         "ext = Extension\n[export]\ninfo = Pick the columns.\n"
                         "err_write = Not written: %0\n[global]\nfiletype_csv = CSV\n"
                         "filetype_html = HTML\nfiletype_all = All\n";

// Results of the global job for one test, taken out again afterwards.
class GlobalResults {
public:
    GlobalResults() {
        const TestItem rows[] = {{L"C:\\data", L"a \"quoted\", name.txt", 1234},
                                 {L"C:\\data\\sub", L"=formula.csv", 0},
                                 {L"C:\\data", L"folder", 0, FILE_ATTRIBUTE_DIRECTORY}};
        SearchJob& job = GlobalSearchJob();
        mvLock hold(job.lock);
        for (const TestItem& row : rows) {
            m_items.push_back(std::make_unique<FoundItem>());
            row.FillIn(*m_items.back());
            m_items.back()->FormatTexts(SearchCriteria());
            job.results.push_back(m_items.back().get());
        }
        job.folder_text = L"C:\\data";
    }
    ~GlobalResults() {
        SearchJob& job = GlobalSearchJob();
        mvLock hold(job.lock);
        job.results.clear();
        job.folder_text = L"";
    }

private:
    std::vector<std::unique_ptr<FoundItem>> m_items;
};

std::wstring Order(const CVQCheckListCtrl& list) {
    std::wstring order;
    for (int i = 0; i < list.Count(); ++i)
        order += static_cast<wchar_t>(L'0' + list.GetItemData(i));
    return order;
}

std::wstring Checks(const CVQCheckListCtrl& list) {
    std::wstring marks;
    for (int i = 0; i < list.Count(); ++i)
        marks += list.GetCheck(i) ? L'x' : L'.';
    return marks;
}

void Command(const CVQExportDlg& dialog, int id) {
    SendMessageW(dialog.m_hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog.m_hwnd, id)));
}

void SelectRows(const CVQExportDlg& dialog, std::vector<int> rows) {
    for (int i = 0; i < dialog.m_list.Count(); ++i) {
        const bool on = std::find(rows.begin(), rows.end(), i) != rows.end();
        ListView_SetItemState(dialog.m_list.m_hwnd, i, on ? LVIS_SELECTED : 0, LVIS_SELECTED);
    }
}

// In the save dialog that the export dialog opens: types the path, confirms,
// and answers Yes when asked whether to replace a file.
void ChooseFile(DWORD ui, const std::wstring& path) {
    HWND files = nullptr;
    for (int i = 0; i < 400 && files == nullptr; ++i, Sleep(50))
        files = FindThreadDialog(ui);
    Sleep(300);
    TypeAndConfirm(files, path);
    for (int i = 0; i < 60; ++i, Sleep(50)) {
        HWND box = FindThreadDialog(ui);
        if (box == nullptr)
            break;
        if (HWND yes = FindDescendant(box, L"Button", IDYES))
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED),
                         reinterpret_cast<LPARAM>(yes));
    }
}

} // namespace

TEST(CVQExportDlg, TheStoredColumnsGiveOrderAndChecks) {
    LanguageScope language(kLanguage);
    struct Case {
        const char* stored;
        const wchar_t* order;
        const wchar_t* checks;
    } cases[] = {
        {"[global]\nExportCustomCols=848001020305060708\n", L"401235678", L"xx......."},
        {"[global]\nExportCustomCols=8480010203050607\n", L"012345678", L"xxxxxxxxx"},
        {nullptr, L"012345678", L"xxxxxxxxx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "none");
        ConfigScope config(nullptr, c.stored);
        CVQExportDlg dialog;
        ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
        EXPECT_EQ(Order(dialog.m_list), c.order);
        EXPECT_EQ(Checks(dialog.m_list), c.checks);
        wchar_t text[64] = {};
        ListView_GetItemText(dialog.m_list.m_hwnd, 0, 0, text, 64);
        EXPECT_STREQ(text, c.order[0] == L'4' ? L"Folder" : L"Name");
        DestroyWindow(dialog.m_hwnd);
    }
}

TEST(CVQExportDlg, TheButtonsMoveResetAndCheckTheColumns) {
    LanguageScope language(kLanguage);
    ConfigScope config(nullptr, "[global]\nExportCustomCols=848001020305060708\n");
    CVQExportDlg dialog;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));

    SelectRows(dialog, {0, 2});
    EXPECT_FALSE(IsWindowEnabled(dialog.m_up.m_hwnd)) << "the first row is selected";
    EXPECT_TRUE(IsWindowEnabled(dialog.m_down.m_hwnd));
    Command(dialog, kExportMoveDownId);
    EXPECT_EQ(Order(dialog.m_list), L"042135678");
    SelectRows(dialog, {8});
    EXPECT_TRUE(IsWindowEnabled(dialog.m_up.m_hwnd));
    EXPECT_FALSE(IsWindowEnabled(dialog.m_down.m_hwnd));

    Command(dialog, kExportResetId);
    EXPECT_EQ(Order(dialog.m_list), L"012345678");
    EXPECT_EQ(Checks(dialog.m_list), L"x...x....") << "reset keeps the checks";

    for (int i = 0; i < 9; ++i)
        dialog.m_list.SetCheck(i, false);
    dialog.UpdateControls();
    EXPECT_FALSE(IsWindowEnabled(dialog.m_ok.m_hwnd)) << "nothing to export";
    EXPECT_FALSE(dialog.DoExport());

    Command(dialog, kExportAllId);
    EXPECT_EQ(Checks(dialog.m_list), L"xxxxxxxxx");
    EXPECT_TRUE(IsWindowEnabled(dialog.m_ok.m_hwnd));

    ColumnSettings saved = Settings().Columns;
    Settings().Columns.Records[2].Hidden = 1;
    Settings().Columns.Records[7].Hidden = 1;
    Command(dialog, kExportVisibleId);
    Settings().Columns = saved;
    EXPECT_EQ(Checks(dialog.m_list), L"xx.xxxx.x");
    EXPECT_EQ(config.Value(L"uistates.ini", L"ExportCustomCols"), L"848001020305060708")
        << "nothing is kept without an export";
    DestroyWindow(dialog.m_hwnd);
}

// The file holds what the exporter writes for the same rows and columns; the
// filter chosen decides the format (all files: by the extension).
TEST(CVQExportDlg, ExportWritesWhatTheExporterWritesInTheChosenFormat) {
    LanguageScope language(kLanguage);
    GlobalResults results;
    struct Case {
        int lastType;
        const wchar_t* name;
        int format;
    } cases[] = {
        {0, L"out.csv", ExportCsv},
        {1, L"out.html", ExportHtml},
        {2, L"out.htm", ExportHtml},
        {2, L"out.txt", ExportCsv},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lastType << " " << std::string(c.name, c.name + 7));
        const std::string states = "[global]\nExportCustomCols=848001020305060708\nExportLastType=" +
                                   std::to_string(c.lastType) + "\n";
        ConfigScope config(nullptr, states.c_str());
        const std::wstring target = config.Dir() / c.name;
        CVQExportDlg dialog;
        const INT_PTR result = RunModal(dialog, kCheckListId, [&](HWND shown) {
            PostClick(shown, IDOK);
            ChooseFile(GetWindowThreadProcessId(shown, nullptr), target);
        });
        EXPECT_EQ(result, IDOK);
        const std::wstring reference = config.Dir() / L"reference.out";
        ASSERT_TRUE(ExportResults(reference, c.format, {4, 0}, false));
        const std::string written = TempDir::ReadFile(target);
        EXPECT_FALSE(written.empty());
        EXPECT_EQ(written, TempDir::ReadFile(reference));
        EXPECT_EQ(config.Value(L"uistates.ini", L"ExportLastType"), std::to_wstring(c.lastType));
        EXPECT_EQ(config.Value(L"uistates.ini", L"ExportCustomCols"), L"848001020305060708");
    }
}

// A file that cannot be replaced (another program holds it open) leaves the
// dialog open after an error box, and the file as it was.
TEST(CVQExportDlg, AFailedExportSaysSoKeepsTheDialogOpenAndTheOldFile) {
    LanguageScope language(kLanguage);
    GlobalResults results;
    ConfigScope config(nullptr);
    const std::wstring target = config.Dir().WriteFile(L"held.csv", "earlier content");
    HeldFile held(target, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(held.Held());
    CVQExportDlg dialog;
    bool boxShown = false;
    bool stillOpen = false;
    const INT_PTR result = RunModal(dialog, kCheckListId, [&](HWND shown) {
        const DWORD ui = GetWindowThreadProcessId(shown, nullptr);
        PostClick(shown, IDOK);
        ChooseFile(ui, target);
        HWND box = WaitForWindowWithChild(ui, IDOK, shown);
        boxShown = box != nullptr;
        if (box != nullptr)
            PostClick(box, IDOK);
        Sleep(300);
        stillOpen = IsWindowVisible(shown) != FALSE;
        PostClick(shown, IDCANCEL);
    });
    held.Release();
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(boxShown);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(TempDir::ReadFile(target), "earlier content");
}
