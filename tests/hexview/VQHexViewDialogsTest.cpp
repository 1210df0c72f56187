#include "hexview/VQHexViewDialogs.h"

#include "foundation/ConfigFiles.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"
#include "support/TempDir.h"

#include "HexViewFixture.h"

#include <string>

namespace {

// Types the text into the dialog's edit and presses OK; when a message box
// refuses it, records that and closes the box, then cancels the dialog.
struct Answer {
    bool accepted = false;
    bool refused = false;
    uint64_t value = 0;
};

Answer AskNumber(bool columnWidth, const wchar_t* typed, uint64_t preset = 0) {
    Answer answer;
    answer.value = preset;
    std::wstring shown;
    DialogDriver driver(
        [&](HWND dialog) {
            wchar_t text[32] = {};
            GetDlgItemTextW(dialog, 1012, text, 32);
            shown = text;
            SetDlgItemTextW(dialog, 1012, typed);
            PressButton(dialog, IDOK);
            // Until the dialog has gone, or its refusal has come: the box
            // comes late on a busy machine.
            for (int waited = 0; waited < 10000; waited += 50) {
                Sleep(50);
                if (HWND box = FindThreadDialog(GetWindowThreadProcessId(dialog, nullptr),
                                                kMessageBoxClass)) {
                    answer.refused = true;
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
                    Sleep(200);
                    PressButton(dialog, IDCANCEL);
                    return;
                }
                if (!IsWindow(dialog))
                    return;
            }
        },
        kDialogClass);
    answer.accepted = AskHexviewNumber(nullptr, columnWidth, answer.value);
    driver.Join();
    if (columnWidth && preset != 0) {
        EXPECT_EQ(shown, std::to_wstring(preset)) << "the current width is shown";
    }
    if (!columnWidth) {
        EXPECT_EQ(shown, L"") << "a jump starts empty";
    }
    return answer;
}

} // namespace

TEST(HexViewDialogs, TheJumpDialogReadsDecimalAndHexadecimalOffsets) {
    struct Case {
        const wchar_t* typed;
        uint64_t value;
    } cases[] = {{L"1000", 1000}, {L"1000h", 4096}, {L"0x1000", 4096}, {L"x1000", 4096},
                 {L"ff", 255},    {L"  12 ", 12}};
    for (const Case& c : cases) {
        const Answer answer = AskNumber(false, c.typed);
        EXPECT_TRUE(answer.accepted) << c.typed;
        EXPECT_EQ(answer.value, c.value) << c.typed;
    }
    const Answer bad = AskNumber(false, L"zz");
    EXPECT_TRUE(bad.refused);
    EXPECT_FALSE(bad.accepted);
}

TEST(HexViewDialogs, TheBytesPerLineDialogTakesOneToSixtyFour) {
    struct Case {
        const wchar_t* typed;
        bool accepted;
    } cases[] = {{L"64", true}, {L"8", true}, {L"65", false}, {L"0", false},
                 {L"abc", false}, {L"zz", false}};
    for (const Case& c : cases) {
        const Answer answer = AskNumber(true, c.typed, 16);
        EXPECT_EQ(answer.accepted, c.accepted) << c.typed;
        EXPECT_EQ(answer.refused, !c.accepted) << c.typed;
    }
}

TEST(HexViewDialogs, TheFindDialogRefusesBadHexAndKeepsTheTextInTheHistory) {
    TempDir dir;
    SetConfigBaseFolders((dir / L"prog").c_str(), (dir / L"appdata").c_str());
    mvstring text = L"4G";
    bool matchCase = true, hex = true;
    bool refused = false, caseDisabled = false;
    DialogDriver driver(
        [&](HWND dialog) {
            caseDisabled = !IsWindowEnabled(GetDlgItem(dialog, 1019));
            PressButton(dialog, IDOK);
            // The box comes late on a busy machine: wait for it a while.
            HWND box = nullptr;
            for (int waited = 0; !box && waited < 10000; waited += 50) {
                Sleep(50);
                box = FindThreadDialog(GetWindowThreadProcessId(dialog, nullptr),
                                       kMessageBoxClass);
            }
            if (box) {
                refused = true;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                Sleep(200);
            }
            SetDlgItemTextW(dialog, 1012, L"41 42 0x43 44h");
            PressButton(dialog, IDOK);
        },
        kDialogClass);
    EXPECT_TRUE(AskHexviewFind(nullptr, text, matchCase, hex));
    driver.Join();
    EXPECT_TRUE(caseDisabled) << "hex checked: no match case";
    EXPECT_TRUE(refused) << "4G is no hex byte";
    EXPECT_EQ(text, L"41 42 0x43 44h");
    mvini history(L"global");
    LoadNamedIni(history, false, L"history.ini");
    EXPECT_EQ(history.GetString(L"Hexview_Words", L"0000"), L"41 42 0x43 44h");
    SetConfigBaseFolders(L"", L"");
}

// The offset typed is unsigned and may lie far beyond the file, even beyond
// 2^63: the caret lands on the last byte, never on a wrapped offset.
TEST_F(HexViewTest, AJumpBeyondTheEndLandsOnTheLastByte) {
    Open(std::string(100, 'j'), 10, 5);
    struct Case {
        const wchar_t* typed;
        int64_t caret;
    } cases[] = {
        {L"42", 42},
        {L"100", 99},
        {L"8000000000000000h", 99},  // 2^63
        {L"ffffffffffffffffh", 99},  // 2^64 - 1
        {L"18446744073709551615", 99},
        {L"0", 0},
    };
    for (const Case& c : cases) {
        DialogDriver driver(
            [&](HWND dialog) {
                SetDlgItemTextW(dialog, 1012, c.typed);
                PressButton(dialog, IDOK);
            },
            kDialogClass);
        Key('G', false, true);
        driver.Join();
        ASSERT_NE(driver.Dialog(), nullptr) << c.typed;
        EXPECT_EQ(m_panel.m_caret, c.caret) << c.typed;
        EXPECT_EQ(m_panel.m_anchor, -1) << c.typed << ": a jump drops the selection";
    }
}
