#include "panel/VQOptionsDlg.h"

#include "foundation/Settings.h"
#include "ui/theme/UiTheme.h"

#include "ConfigScope.h"
#include "ModalRun.h"
#include "app/shared/LanguageScope.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kLanguage[] =
    "[menu_tools]\noptions = &Options...\\tCtrl+O\n[global]\nreset = &Reset\nok = OK\n"
    "cancel = Cancel\n[options]\nfoldersontop = Folders on top\ndisablehistory = No history\n";

// The config.ini keys of the eight options, in list order.
const wchar_t* const kKeys[8] = {L"KeepFoldersOnTop",    L"RemoveNonExists",
                                 L"SortWhileSearch",     L"UseGridLines",
                                 L"UseShellContextMenu", L"UpdateTBOpenBtn",
                                 L"ExportUseStrSize",    L"DisableHistory"};

// A row's check state from another thread than the dialog's.
bool RowChecked(HWND list, int row) {
    return SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) ==
           INDEXTOSTATEIMAGEMASK(2);
}

void ToggleRow(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(RowChecked(list, row) ? 1 : 2);
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

std::wstring Checks(const CVQCheckListCtrl& list) {
    std::wstring marks;
    for (int i = 0; i < list.Count(); ++i)
        marks += list.GetCheck(i) ? L'x' : L'.';
    return marks;
}

} // namespace

TEST(CVQOptionsDlg, TheRowsShowTheOptionsInTheirOrderCheckedAsTheSettingsAre) {
    LanguageScope language(kLanguage);
    ConfigScope config("[global]\nKeepFoldersOnTop=false\nSortWhileSearch=true\n"
                       "UseShellContextMenu=true\nUpdateTBOpenBtn=false\nDisableHistory=true\n");
    CVQOptionsDlg dialog;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
    EXPECT_EQ(GetWindowTextString(dialog.m_hwnd), L"Options");
    const std::vector<LPARAM> ids = {1050, 1051, 1056, 1052, 1053, 1055, 1054, 1057};
    ASSERT_EQ(dialog.m_list.Count(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(dialog.m_list.GetItemData(i), ids[static_cast<size_t>(i)]);
    wchar_t text[64] = {};
    ListView_GetItemText(dialog.m_list.m_hwnd, 7, 0, text, 64);
    EXPECT_STREQ(text, L"No history");
    EXPECT_EQ(Checks(dialog.m_list), L"..x.x..x");
    EXPECT_EQ(GetWindowTextString(dialog.m_reset.m_hwnd), L"&Reset");
    DestroyWindow(dialog.m_hwnd);
}

// OK writes every option as its row says; Cancel, also after Reset, writes
// nothing and changes no setting.
TEST(CVQOptionsDlg, OkWritesTheRowsAndCancelChangesNothing) {
    struct Case {
        const char* name;
        std::vector<int> toggled;
        bool reset;
        int button;
        // The eight keys, "-" for one not written (the history switch writes
        // itself only when it changes); "-" alone for the file as it was.
        const wchar_t* written;
    } cases[] = {
        {"only the history switch", {7}, false, IDOK, L"tffftfft"},
        {"two rows", {0, 3}, false, IDOK, L"fffttff-"},
        {"reset", {}, true, IDOK, L"tfffttf-"},
        {"cancel", {0, 1, 2}, false, IDCANCEL, L"-"},
        {"reset then cancel", {}, true, IDCANCEL, L"-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LanguageScope language(kLanguage);
        // The defaults but for UpdateTBOpenBtn.
        ConfigScope config("[global]\nUpdateTBOpenBtn=false\n");
        CVQOptionsDlg dialog;
        const INT_PTR result = RunModal(dialog, kCheckListId, [&](HWND shown) {
            HWND list = GetDlgItem(shown, kCheckListId);
            for (int row : c.toggled)
                ToggleRow(list, row);
            if (c.reset)
                PostClick(shown, kOptionsResetId);
            Sleep(100);
            PostClick(shown, c.button);
        });
        EXPECT_EQ(result, c.button);
        if (std::wstring(c.written) == L"-") {
            for (int i = 0; i < 8; ++i)
                EXPECT_EQ(config.Value(L"config.ini", kKeys[i]), i == 5 ? L"false" : L"<none>");
            EXPECT_TRUE(Settings().KeepFoldersOnTop.Get());
            EXPECT_FALSE(Settings().UpdateTBOpenBtn.Get());
            continue;
        }
        for (int i = 0; i < 8; ++i) {
            const wchar_t mark = c.written[i];
            EXPECT_EQ(config.Value(L"config.ini", kKeys[i]),
                      mark == L't' ? L"true" : mark == L'f' ? L"false" : L"<none>")
                << kKeys[i];
        }
        VQSettings reloaded;
        reloaded.LoadConfig();
        EXPECT_EQ(reloaded.DisableHistory.Get(), c.written[7] == L't');
        EXPECT_EQ(reloaded.KeepFoldersOnTop.Get(), c.written[0] == L't');
    }
}

// The dialog is as wide as four buttons and high enough for its rows, and
// never shorter than it is wide.
TEST(CVQOptionsDlg, TheDialogIsNeverShorterThanWideAndTheButtonsSitOnTheBottomLine) {
    ConfigScope config(nullptr);
    CVQOptionsDlg dialog;
    ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
    RECT window{};
    GetWindowRect(dialog.m_hwnd, &window);
    EXPECT_GE(window.bottom - window.top, window.right - window.left);
    RECT client{};
    GetClientRect(dialog.m_hwnd, &client);
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    auto place = [&](HWND child) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog.m_hwnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT ok = place(dialog.m_ok.m_hwnd);
    const RECT cancel = place(dialog.m_cancel.m_hwnd);
    const RECT reset = place(dialog.m_reset.m_hwnd);
    const RECT list = place(dialog.m_list.m_hwnd);
    const int w = ok.right - ok.left;
    EXPECT_EQ(client.right, 4 * w + 3 * spacing.innerSpacing.cx + 2 * spacing.outerMargin.cx);
    EXPECT_EQ(cancel.right, client.right - spacing.outerMargin.cx);
    EXPECT_EQ(ok.right, cancel.left - spacing.innerSpacing.cx);
    EXPECT_EQ(reset.left, spacing.outerMargin.cx);
    EXPECT_EQ(ok.bottom, client.bottom - spacing.outerMargin.cy);
    EXPECT_EQ(list.bottom, ok.top - 4 * spacing.innerSpacing.cy);
    EXPECT_EQ(GetWindow(dialog.m_hwnd, GW_CHILD), dialog.m_list.m_hwnd) << "first in tab order";
    EXPECT_TRUE(GetWindowLongW(dialog.m_list.m_hwnd, GWL_STYLE) & LVS_SINGLESEL);
    DestroyWindow(dialog.m_hwnd);
}
