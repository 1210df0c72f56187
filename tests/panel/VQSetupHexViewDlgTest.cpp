#include "panel/VQSetupHexViewDlg.h"

#include "foundation/Settings.h"
#include "foundation/VersionInfo.h"

#include "ConfigScope.h"
#include "ModalRun.h"
#include "app/shared/LanguageScope.h"
#include "ui/DialogDriver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kExternal[] = "[global]\nUseCustomHexview=true\nCustomHexviewName=Hx\n"
                         "CustomHexviewPath=C:\\hx.exe %1\n";

std::wstring Text(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

} // namespace

TEST(CVQSetupHexViewDlg, OpensWithTheSettingsAndTheTextsOfTheLanguage) {
    LanguageScope language("[menu_tools]\ncustomhexview = &Hex viewer...\\tF9\n"
                           "[customhexview]\ninternal = Own\nexternal = Other\nchoose = &Browse\n"
                           "[global]\nok = OK\ncancel = Cancel\n");
    for (bool external : {false, true}) {
        SCOPED_TRACE(external);
        ConfigScope config(external ? kExternal : "[global]\nCustomHexviewName=Hx\n");
        CVQSetupHexViewDlg dialog;
        ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
        EXPECT_EQ(Text(dialog.m_hwnd), L"Hex viewer");
        EXPECT_EQ(SendMessageW(dialog.m_viewer.m_hwnd, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(SendMessageW(dialog.m_viewer.m_hwnd, CB_GETCURSEL, 0, 0), external ? 1 : 0);
        EXPECT_EQ(Text(dialog.m_name.m_hwnd), L"Hx");
        EXPECT_EQ(IsWindowEnabled(dialog.m_path.m_hwnd) != FALSE, external);
        EXPECT_EQ(IsWindowEnabled(dialog.m_browse.m_hwnd) != FALSE, external);
        EXPECT_TRUE(IsWindowEnabled(dialog.m_ok.m_hwnd));
        EXPECT_EQ(Text(dialog.m_info.m_hwnd), L"?");
        EXPECT_EQ(Text(dialog.m_browse.m_hwnd), L"&Browse");
        DestroyWindow(dialog.m_hwnd);
    }
}

// What OK stores, and that an empty command line for another program keeps
// the dialog open with OK disabled.
TEST(CVQSetupHexViewDlg, OkStoresTheChoiceAndCancelNothing) {
    struct Case {
        const char* name;
        int choice;         // -1: as loaded
        const wchar_t* path; // null: as loaded
        bool okEnabled;
        INT_PTR result;
        const wchar_t* use; // what config.ini then holds
        const wchar_t* command;
    } cases[] = {
        {"internal keeps the texts", 0, nullptr, true, IDOK, L"false", L"C:\\hx.exe %1"},
        {"new command line", -1, L"\"C:\\a b\\v.exe\" -x %1", true, IDOK, L"true",
         L"\"C:\\a b\\v.exe\" -x %1"},
        {"empty command line", -1, L"", false, IDCANCEL, L"true", L"C:\\hx.exe %1"},
        {"cancel", 0, L"other.exe", true, IDCANCEL, L"true", L"C:\\hx.exe %1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigScope config(kExternal);
        CVQSetupHexViewDlg dialog;
        bool okEnabled = false;
        bool keptTexts = false;
        const INT_PTR result = RunModal(dialog, kHexViewerPathId, [&](HWND shown) {
            HWND combo = GetDlgItem(shown, kHexViewerChoiceId);
            HWND path = GetDlgItem(shown, kHexViewerPathId);
            if (c.choice >= 0) {
                SendMessageW(combo, CB_SETCURSEL, c.choice, 0);
                SendMessageW(shown, WM_COMMAND, MAKEWPARAM(kHexViewerChoiceId, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(combo));
            }
            if (c.path != nullptr)
                SendMessageW(path, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.path));
            okEnabled = IsWindowEnabled(GetDlgItem(shown, IDOK)) != FALSE;
            keptTexts = Text(GetDlgItem(shown, kHexViewerNameId)) == L"Hx";
            PostClick(shown, c.result == IDOK || !c.okEnabled ? IDOK : IDCANCEL);
            Sleep(200);
            if (c.result == IDCANCEL)
                PostClick(shown, IDCANCEL);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(okEnabled, c.okEnabled);
        EXPECT_TRUE(keptTexts);
        EXPECT_EQ(config.Value(L"config.ini", L"UseCustomHexview"), c.use);
        EXPECT_EQ(config.Value(L"config.ini", L"CustomHexviewPath"), c.command);
        EXPECT_EQ(config.Value(L"config.ini", L"CustomHexviewName"), L"Hx");
        EXPECT_EQ(Settings().HexViewer.CustomHexviewPath.Get(), c.command);
    }
}

// A browsed program whose path has a blank is stored quoted, so that the
// launcher can tell it from its arguments; its description becomes the name.
TEST(CVQSetupHexViewDlg, BrowsingTakesTheProgramQuotedAndItsDescription) {
    ConfigScope config(kExternal);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring source = std::wstring(system) + L"\\winver.exe";
    const std::wstring program = config.Dir() / L"hex tools\\viewer.exe";
    config.Dir().WriteFile(L"hex tools\\placeholder", "");
    ASSERT_TRUE(CopyFileW(source.c_str(), program.c_str(), FALSE));
    VersionInfo info;
    const std::wstring description = info.Load(program.c_str()).GetString(L"FileDescription").str();
    ASSERT_FALSE(description.empty()) << "a program with a description";

    CVQSetupHexViewDlg dialog;
    std::wstring name, path;
    const INT_PTR result = RunModal(dialog, kHexViewerPathId, [&](HWND shown) {
        const DWORD ui = GetWindowThreadProcessId(shown, nullptr);
        PostClick(shown, kHexViewerBrowseId);
        HWND files = nullptr;
        for (int i = 0; i < 400 && files == nullptr; ++i, Sleep(50))
            files = FindThreadDialog(ui);
        Sleep(300);
        TypeAndConfirm(files, program);
        for (int i = 0; i < 100 && FindThreadDialog(ui) != nullptr; ++i)
            Sleep(50);
        Sleep(200);
        name = Text(GetDlgItem(shown, kHexViewerNameId));
        path = Text(GetDlgItem(shown, kHexViewerPathId));
        PostClick(shown, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(path, L"\"" + program + L"\"");
    EXPECT_EQ(name, description);
    EXPECT_EQ(config.Value(L"config.ini", L"CustomHexviewPath"), L"\"" + program + L"\"");
}

TEST(CVQSetupHexViewDlg, OnlyAPathWithABlankIsQuoted) {
    struct Case {
        const wchar_t* path;
        const wchar_t* quoted;
    } cases[] = {{L"C:\\a b\\v.exe", L"\"C:\\a b\\v.exe\""},
                 {L"C:\\ab\\v.exe", L"C:\\ab\\v.exe"},
                 {L"\"C:\\a b\\v.exe\"", L"\"C:\\a b\\v.exe\""}};
    for (const Case& c : cases)
        EXPECT_EQ(QuotedProgramPath(c.path), c.quoted) << c.path;
}
