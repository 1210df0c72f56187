#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

TEST(WindowHolders, WindowIsDestroyedWithItsHolder) {
    HWND raw = nullptr;
    {
        WindowHandle window(CreateWindowExW(0, L"STATIC", L"held", WS_POPUP, 0, 0, 10, 10, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(window);
        raw = window.Get();
        EXPECT_TRUE(IsWindow(raw));
    }
    EXPECT_FALSE(IsWindow(raw));
}
