#include "hexview/VQHexViewDlg.h"

#include "app/shared/VQUiResources.h"
#include "foundation/ConfigFiles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"
#include "support/Canvas.h"
#include "support/TempDir.h"

#include "../app/shared/LanguageScope.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <clocale>
#include <string>

namespace {

// Configuration files in a folder of the test's own; the hex viewer's
// settings as they were before, again afterwards.
class HexViewDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetConfigBaseFolders((m_dir / L"prog").c_str(), (m_dir / L"appdata").c_str());
        m_saved = Settings();
        UiResources().SetHexViewerOnly(true);
        UiResources().Init(false);
    }
    void TearDown() override {
        if (m_dialog.Handle() != nullptr)
            DestroyWindow(m_dialog.Handle());
        Settings() = m_saved;
        SetConfigBaseFolders(L"", L"");
    }
    // The hexview.ini key as written, "" when missing.
    std::wstring Written(const wchar_t* key) {
        mvini ini(L"global");
        LoadNamedIni(ini, false, L"hexview.ini");
        return ini.GetString(L"global", key).c_str();
    }
    void Open(const std::string& bytes, bool hasOffset, uint64_t offset, uint32_t count) {
        m_path = m_dir.WriteFile(L"data.bin", bytes);
        m_dialog.~CVQHexViewDlg();
        new (&m_dialog) CVQHexViewDlg(m_path.c_str(), hasOffset, offset, count);
        ASSERT_TRUE(m_dialog.CreateDialogWindow(nullptr));
    }
    void Command(WORD id) { SendMessageW(m_dialog.Handle(), WM_COMMAND, id, 0); }

    TempDir m_dir;
    std::wstring m_path;
    VQSettings m_saved;
    CVQHexViewDlg m_dialog;
};

// A drop of the paths as the shell makes it.
HGLOBAL MakeDrop(const std::wstring& first, const std::wstring& second) {
    const size_t chars = first.size() + 1 + second.size() + 1 + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(drop + 1);
    wcscpy(names, first.c_str());
    wcscpy(names + first.size() + 1, second.c_str());
    GlobalUnlock(memory);
    return memory;
}

} // namespace

TEST_F(HexViewDlgTest, TheStartFileOpensWithItsRangeSelectedAndTheStatusBarCountsIt) {
    LanguageScope language("[hexview]\r\nstatus_line = %0 of %1\r\nstatus_offset = %0 / %1\r\n"
                           "status_sel = sel %0\r\nstatus_size = size %0\r\n");
    // The size is grouped by the run-time locale, which the test sets.
    ASSERT_NE(setlocale(LC_ALL, "English_United States.1252"), nullptr);
    struct LocaleBack {
        ~LocaleBack() { setlocale(LC_ALL, "C"); }
    } back;
    Open(std::string(1000, 'q'), true, 65, 3);
    EXPECT_EQ(m_dialog.m_panel.m_anchor, 65);
    EXPECT_EQ(m_dialog.m_panel.m_caret, 67);
    wchar_t title[64] = {};
    GetWindowTextW(m_dialog.Handle(), title, 64);
    EXPECT_STREQ(title, L"data.bin - HexView");

    Canvas canvas(900, 40);
    RECT content{0, 0, 900, 40};
    m_dialog.m_statusBar.DrawContent(canvas.Dc(), &content);
    const auto& n = m_dialog.m_statusBar.m_numbers;
    EXPECT_EQ(n[0].text, L"1,000");
    EXPECT_EQ(n[1].text, L"5") << "offset 67 is on the fifth line";
    EXPECT_EQ(n[2].text, L"63");
    EXPECT_EQ(n[3].text, L"43H");
    EXPECT_EQ(n[4].text, L"3e8H");
    EXPECT_EQ(n[5].text, L"3");
    EXPECT_LT(content.right, 900 - 4 * 24) << "four fields drawn";

    // No selection: three fields; no file: none.
    m_dialog.m_panel.m_anchor = -1;
    RECT three{0, 0, 900, 40};
    m_dialog.m_statusBar.DrawContent(canvas.Dc(), &three);
    EXPECT_GT(three.right, content.right);
    Command(10016);
    RECT none{0, 0, 900, 40};
    m_dialog.m_statusBar.DrawContent(canvas.Dc(), &none);
    EXPECT_EQ(none.right, 900);
}

TEST_F(HexViewDlgTest, SettingsAreWrittenAtOnceAndThePlacementAtTheEnd) {
    Open("abc", false, 0, 0);
    Command(10033);
    EXPECT_EQ(Written(L"StatusBar"), L"false") << "written at the toggle";
    EXPECT_FALSE(IsWindowVisible(m_dialog.m_statusBar.Handle()));
    Command(10033);
    EXPECT_EQ(Written(L"StatusBar"), L"true");
    Command(10036);
    EXPECT_EQ(Written(L"VertSelection"), L"true");
    EXPECT_TRUE(m_dialog.m_panel.m_vertical);
    EXPECT_EQ(Written(L"WndPos_R"), L"") << "no placement before the window closes";

    SetWindowPos(m_dialog.Handle(), nullptr, 40, 50, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
    DestroyWindow(m_dialog.Handle());
    EXPECT_EQ(Written(L"WndPos_L"), L"40");
    EXPECT_EQ(Written(L"WndPos_R"), L"680");
    EXPECT_EQ(Written(L"WndMax"), L"false");
}

TEST_F(HexViewDlgTest, ADropOpensTheFirstFileAndIgnoresAFolder) {
    Open("first", false, 0, 0);
    const std::wstring other = m_dir.WriteFile(L"other.bin", "0123456789");
    HGLOBAL folder = MakeDrop(m_dir.Path(), other);
    SendMessageW(m_dialog.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(folder), 0);
    EXPECT_EQ(m_dialog.m_panel.FileSize(), 5) << "a folder first: nothing opens";
    EXPECT_EQ(GlobalSize(folder), 0u) << "an ignored drop is freed too";
    HGLOBAL drop = MakeDrop(other, m_path);
    SendMessageW(m_dialog.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(m_dialog.m_panel.FileSize(), 10);
    EXPECT_EQ(GlobalSize(drop), 0u) << "the window frees the drop";
}

TEST_F(HexViewDlgTest, TheWindowIsNeverSmallerThanSixteenCharactersByTwoRows) {
    Open("abc", false, 0, 0);
    SetWindowPos(m_dialog.Handle(), nullptr, 0, 0, 20, 20, SWP_NOMOVE | SWP_NOZORDER);
    RECT window{};
    GetWindowRect(m_dialog.Handle(), &window);
    EXPECT_GE(window.right - window.left, 16 * m_dialog.m_panel.CharWidth());
    EXPECT_GE(window.bottom - window.top, 2 * m_dialog.m_panel.RowHeight());
    EXPECT_EQ(window.right - window.left, m_dialog.m_minTrack.cx);
}

TEST_F(HexViewDlgTest, WithoutAFileTheFileCommandsAreGreyed) {
    Open("abc", false, 0, 0);
    Command(10016);
    HMENU bar = GetMenu(m_dialog.Handle());
    ASSERT_NE(bar, nullptr);
    for (int i = 0; i < 2; ++i)
        SendMessageW(m_dialog.Handle(), WM_INITMENUPOPUP,
                     reinterpret_cast<WPARAM>(GetSubMenu(bar, i)), i);
    for (UINT id : {10016u, 10027u, 10026u, 10018u, 10023u, 10022u, 10030u})
        EXPECT_NE(GetMenuState(bar, id, MF_BYCOMMAND) & MF_GRAYED, 0u) << id;
    EXPECT_EQ(GetMenuState(bar, 10001, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

// What the view finds out about its file shows as the status bar's text, and
// the view shows the file as it is now.
TEST_F(HexViewDlgTest, TheStatusBarSaysWhenTheFileChangedUnderTheView) {
    LanguageScope language("[hexview]\r\nstatus_changed = file changed\r\n"
                           "status_unreadable = file unreadable\r\n"
                           "status_deleted = file deleted\r\n");
    ASSERT_TRUE(language.loaded);
    Open(std::string(64, 'z'), true, 60, 4);
    ShowWindow(m_dialog.Handle(), SW_SHOWNOACTIVATE); // a hidden bar is not refreshed
    auto pump = [] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    };
    pump();
    EXPECT_EQ(m_dialog.m_statusBar.ShownText(), L"");
    {
        FileHandle file(CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER end{};
        end.QuadPart = 10;
        ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file.Get()));
    }
    ASSERT_TRUE(m_dialog.m_panel.CheckFile());
    pump();
    EXPECT_EQ(m_dialog.m_statusBar.ShownText(), L"file changed");
    EXPECT_EQ(m_dialog.m_panel.FileSize(), 10);
    EXPECT_EQ(m_dialog.m_panel.m_caret, 9) << "the caret stays on a byte";
    EXPECT_EQ(m_dialog.m_panel.m_anchor, -1) << "no selection of bytes that are gone";

    // Opening a file afresh has nothing to tell.
    const std::wstring other = m_dir.WriteFile(L"other.bin", "0123456789");
    SendMessageW(m_dialog.Handle(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop(other, other)), 0);
    pump();
    EXPECT_EQ(m_dialog.m_statusBar.ShownText(), L"");
}
