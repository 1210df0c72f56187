#include "ui/core/Shortcuts.h"

#include "ProbeWnd.h"

#include <gtest/gtest.h>

namespace {

// Sets which modifier keys this thread's key state reports as held.
void HoldModifiers(bool ctrl, bool shift) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
}

class ShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateTopLevel(main));
        ASSERT_TRUE(CreateChild(panel, main.Handle(), 100));
        ASSERT_TRUE(CreateChild(edit, panel.Handle(), 101, L"Edit"));
        ASSERT_TRUE(CreateTopLevel(other));
        ASSERT_TRUE(CreateChild(otherEdit, other.Handle(), 101, L"Edit"));
        AddShortcut({main.Handle(), 'O', kShortcutCtrl, kShortcutSendCommand, 10001});
        AddShortcut({main.Handle(), 'K', kShortcutCtrl, kShortcutSendCommand, 10002});
        AddShortcut({main.Handle(), VK_PAUSE, 0, kShortcutSendCommand, 10020});
        AddShortcut({edit.Handle(), VK_F3, kShortcutShift, kShortcutRedirect, 0});
        AddShortcut({panel.Handle(), VK_F3, 0, kShortcutRedirect, 0});
    }
    void TearDown() override {
        ClearShortcutList();
        HoldModifiers(false, false);
    }

    ProbeWnd main, panel, edit, other, otherEdit;
};

} // namespace

TEST_F(ShortcutsTest, RowsMatchTheKeyTheExactModifiersAndTheWindowTree) {
    struct Case {
        const char* name;
        HWND window;
        WPARAM key;
        bool ctrl, shift;
        bool consumed;
        WPARAM command; // reaching the main window; 0 for none
    } cases[] = {
        {"Ctrl+O in a nested control", edit.Handle(), 'O', true, false, true, 10001},
        {"Ctrl+O in the main window itself", main.Handle(), 'O', true, false, true, 10001},
        {"Ctrl+O in another window", otherEdit.Handle(), 'O', true, false, false, 0},
        {"Ctrl+Shift+K is not Ctrl+K", edit.Handle(), 'K', true, true, false, 0},
        {"K alone", edit.Handle(), 'K', false, false, false, 0},
        {"Pause without modifiers", edit.Handle(), VK_PAUSE, false, false, true, 10020},
        {"Pause with Ctrl held", edit.Handle(), VK_PAUSE, true, false, false, 0},
        {"Shift+Pause", edit.Handle(), VK_PAUSE, false, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HoldModifiers(c.ctrl, c.shift);
        main.commands.clear();
        MSG msg = {c.window, WM_KEYDOWN, c.key, 0};
        EXPECT_EQ(DispatchShortcutKey(&msg), c.consumed);
        EXPECT_EQ(msg.hwnd, c.window);
        if (c.command != 0) {
            ASSERT_EQ(main.commands.size(), 1u);
            EXPECT_EQ(main.commands[0], MAKEWPARAM(c.command, 1));
        } else {
            EXPECT_TRUE(main.commands.empty());
        }
    }
}

TEST_F(ShortcutsTest, ARedirectedKeyIsReaddressedAndLeftToTheLoop) {
    HoldModifiers(false, true);
    MSG msg = {panel.Handle(), WM_KEYDOWN, VK_F3, 0};
    EXPECT_FALSE(DispatchShortcutKey(&msg));
    EXPECT_EQ(msg.hwnd, edit.Handle());
    // Dispatched as the loop would: the edit gets it.
    edit.seen.clear();
    DispatchMessageW(&msg);
    EXPECT_TRUE(edit.Saw(WM_KEYDOWN));

    HoldModifiers(false, false);
    msg = {otherEdit.Handle(), WM_KEYDOWN, VK_F3, 0};
    EXPECT_FALSE(DispatchShortcutKey(&msg));
    EXPECT_EQ(msg.hwnd, otherEdit.Handle()) << "the panel is outside this window";
}

TEST_F(ShortcutsTest, OnlyKeyDownsOfAWindowAreLookedAt) {
    HoldModifiers(true, false);
    const MSG messages[] = {{edit.Handle(), WM_KEYUP, 'O', 0},
                            {edit.Handle(), WM_CHAR, 'O', 0},
                            {edit.Handle(), WM_SYSKEYDOWN, 'O', 0},
                            {nullptr, WM_KEYDOWN, 'O', 0}};
    for (MSG msg : messages)
        EXPECT_FALSE(DispatchShortcutKey(&msg)) << msg.message;
    EXPECT_TRUE(main.commands.empty());
    ClearShortcutList();
    MSG msg = {edit.Handle(), WM_KEYDOWN, 'O', 0};
    EXPECT_FALSE(DispatchShortcutKey(&msg)) << "after the table was cleared";
}
