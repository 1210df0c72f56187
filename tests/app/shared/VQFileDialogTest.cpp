#include "app/shared/VQFileDialog.h"

#include "support/ChildWindows.h"
#include "support/TempDir.h"
#include "ui/DialogDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

constexpr DWORD kCheckId = 1021;

} // namespace

// The user may tick the check button; what was set stays where no button
// can be shown.
TEST(CVQFileDialog, TheCheckButtonShowsWithAnIdAndALabelAndItsStateComesBack) {
    TempDir temp;
    const std::wstring target = temp.Path() + L"\\saved.vqs";
    struct Case {
        const char* name;
        DWORD id;
        const wchar_t* label;
        bool legacy;
        BOOL initial;
        bool click;
        bool shown;
        BOOL after;
    } cases[] = {
        {"ticked by the user", kCheckId, L"Only the search", false, FALSE, true, true, TRUE},
        {"left as given", kCheckId, L"Only the search", false, TRUE, false, true, TRUE},
        {"unticked by the user", kCheckId, L"Only the search", false, TRUE, true, true, FALSE},
        {"no id", 0, L"Only the search", false, TRUE, true, false, TRUE},
        {"no label", kCheckId, L"", false, TRUE, false, false, TRUE},
        {"older dialog", kCheckId, L"Only the search", true, TRUE, true, false, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CVQFileDialogPtr dialog;
        ASSERT_TRUE(MakeFileDialog(dialog));
        dialog->m_saveMode = true;
        dialog->m_legacyMode = c.legacy;
        dialog->m_checkId = c.id;
        dialog->m_checkLabel = c.label;
        dialog->m_checked = c.initial;
        dialog->SetFileName((temp.Path() + L"\\").c_str());
        bool shown = false;
        DialogDriver driver([&](HWND d) {
            HWND check = FindButtonByText(d, L"Only the search");
            shown = check != nullptr;
            if (check != nullptr && c.click)
                SendMessageW(check, BM_CLICK, 0, 0);
            TypeAndConfirm(d, target);
        });
        EXPECT_TRUE(dialog->Show(nullptr));
        driver.Join();
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(dialog->m_checked, c.after);
        ASSERT_EQ(dialog->m_results.size(), 1u);
        EXPECT_EQ(std::wstring(dialog->m_results[0].c_str()), target);
    }
}

// Every dialog counts as one COM user of the thread that made it, so a
// thread without COM can show one, and COM ends with the last.
TEST(CVQFileDialog, DialogsCountCOMUsersPerThread) {
    std::thread([] {
        EXPECT_EQ(mvcominit::Count(), 0);
        CVQFileDialogPtr first;
        CVQFileDialogPtr second;
        ASSERT_TRUE(MakeFileDialog(first));
        EXPECT_EQ(mvcominit::Count(), 1);
        EXPECT_EQ(mvcominit::Mode(), 2);
        ASSERT_TRUE(MakeFileDialog(second));
        std::thread([] { EXPECT_EQ(mvcominit::Count(), 0) << "another thread's"; }).join();
        EXPECT_EQ(mvcominit::Count(), 2);
        ASSERT_TRUE(MakeFileDialog(second)); // replaces the one it held
        EXPECT_EQ(mvcominit::Count(), 2);
        first.reset();
        EXPECT_EQ(mvcominit::Count(), 1);
        second.reset();
        EXPECT_EQ(mvcominit::Count(), 0);
        EXPECT_EQ(mvcominit::Mode(), 0);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK) << "COM was ended";
        CoUninitialize();
    }).join();
}
