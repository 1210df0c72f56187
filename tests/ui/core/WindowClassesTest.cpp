#include "ui/core/WindowClasses.h"

#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

WNDCLASSW PlainClass(const wchar_t* name) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    return wc;
}

} // namespace

TEST(WindowClasses, RegisteredOnceIgnoringCase) {
    const WNDCLASSW first = PlainClass(L"VqTestCachedClass");
    const ATOM atom = RegisterWindowClassCached(&first);
    ASSERT_NE(atom, 0);
    // A second registration would fail; the cache answers instead.
    const WNDCLASSW other = PlainClass(L"VQTESTCACHEDCLASS");
    EXPECT_EQ(RegisterWindowClassCached(&other), atom);
    EXPECT_EQ(RegisterWindowClassCached(&first), atom);

    // An atom given as the name is keyed by its number.
    const WNDCLASSW byAtom = PlainClass(MAKEINTATOM(atom));
    EXPECT_EQ(RegisterWindowClassCached(&byAtom), 0); // the class exists already

    const WNDCLASSW unnamed = PlainClass(nullptr);
    EXPECT_EQ(RegisterWindowClassCached(&unnamed), 0);
    EXPECT_EQ(RegisterWindowClassCached(nullptr), 0);
}

TEST(WindowClasses, FailureIsNotRemembered) {
    // Registered behind the cache's back: the cached call fails ...
    const WNDCLASSW wc = PlainClass(L"VqTestTakenClass");
    ASSERT_NE(RegisterClassW(&wc), 0);
    EXPECT_EQ(RegisterWindowClassCached(&wc), 0);
    // ... and succeeds once the name is free, so the failure was not kept.
    ASSERT_TRUE(UnregisterClassW(wc.lpszClassName, wc.hInstance));
    EXPECT_NE(RegisterWindowClassCached(&wc), 0);
}

TEST(WindowClasses, DialogClasses) {
    EXPECT_EQ(RegisterDialogClass(L""), 0);

    WNDCLASSW info{};
    WNDCLASSW system{};
    ASSERT_TRUE(GetClassInfoW(nullptr, L"#32770", &system));
    const ATOM dialog = RegisterDialogClass(L"VqTestDialogClass");
    ASSERT_NE(dialog, 0);
    EXPECT_EQ(RegisterDialogClass(L"VQTESTDIALOGCLASS"), dialog);
    ASSERT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), L"VqTestDialogClass", &info));
    EXPECT_EQ(info.lpfnWndProc, system.lpfnWndProc);
    EXPECT_EQ(info.cbWndExtra, system.cbWndExtra);
}

TEST(WindowClasses, HandCursorIsLoadedOnce) {
    const HCURSOR hand = GetHandCursor();
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(GetHandCursor(), hand);
    EXPECT_EQ(hand, LoadCursorW(nullptr, IDC_HAND));
}
