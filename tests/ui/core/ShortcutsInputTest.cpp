// Real key presses through the display: these share the display's keyboard
// focus and run one at a time (suites ending in "Input").
#include "ui/core/Shortcuts.h"
#include "ui/core/mvApp.h"
#include "ui/core/mvDialog.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The application's pre-filter as the program has it: shortcuts first.
class ShortcutApp : public mvBaseApp {
public:
    ShortcutApp() : mvBaseApp(L"Velquin") {}
    int PreTranslateMessage(MSG* msg) override {
        if (DispatchShortcutKey(msg))
            return 1;
        return mvBaseApp::PreTranslateMessage(msg);
    }
};

// A dialog with an edit control that types keys at itself from a timer and
// records the commands it receives.
class TypingDialog : public mvDialog {
public:
    TypingDialog() {
        InitTemplate(160, 60, true, 1);
        AppendTemplateItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 7, 7,
                           140, 12, 100, 0x0081);
    }
    int OnInitDialog() override {
        AddShortcut({m_hwnd, 'O', kShortcutCtrl, kShortcutSendCommand, 10001});
        AddShortcut({m_hwnd, 'K', kShortcutCtrl, kShortcutSendCommand, 10002});
        SetTimer(m_hwnd, 1, 50, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && wParam == 1) {
            ++ticks;
            if (ticks == 2) {
                SetForegroundWindow(m_hwnd);
                SetFocus(GetDlgItem(m_hwnd, 100));
            } else if (ticks == 4) {
                // Again, in case another program's window took the focus.
                SetForegroundWindow(m_hwnd);
                SetFocus(GetDlgItem(m_hwnd, 100));
                focusReached = GetFocus() == GetDlgItem(m_hwnd, 100);
                Press({VK_CONTROL, 'O'});
                Press({'K'});
            } else if (ticks >= 12) {
                typed = GetWindowTextString(GetDlgItem(m_hwnd, 100));
                EndDialog(IDOK);
            }
            return 0;
        }
        if (message == WM_COMMAND && LOWORD(wParam) >= 10000)
            commands.push_back(wParam);
        return mvDialog::WindowProc(message, wParam, lParam);
    }
    // Presses the keys in order and lets them go in reverse order.
    static void Press(std::vector<WORD> keys) {
        std::vector<INPUT> inputs;
        for (WORD key : keys)
            inputs.push_back(INPUT{INPUT_KEYBOARD, {.ki = {key, 0, 0, 0, 0}}});
        for (auto it = keys.rbegin(); it != keys.rend(); ++it)
            inputs.push_back(INPUT{INPUT_KEYBOARD, {.ki = {*it, 0, KEYEVENTF_KEYUP, 0, 0}}});
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }

    int ticks = 0;
    bool focusReached = false;
    mvstring typed;
    std::vector<WPARAM> commands;
};

} // namespace

TEST(ShortcutsInput, APressedShortcutInAControlReachesTheDialogThroughTheModalLoop) {
    ShortcutApp app;
    TypingDialog dialog;
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
    ClearShortcutList();
    ASSERT_TRUE(dialog.focusReached) << "the display gave the edit no keyboard focus";
    ASSERT_EQ(dialog.commands.size(), 1u);
    EXPECT_EQ(dialog.commands[0], MAKEWPARAM(10001, 1));
    EXPECT_EQ(dialog.typed, L"k") << "a key without its row's modifiers goes on to the control";
}
