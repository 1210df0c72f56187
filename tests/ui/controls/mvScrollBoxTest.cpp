#include "ui/controls/mvScrollBox.h"

#include "ProbeWnd.h"
#include "ScopedLook.h"

#include <gtest/gtest.h>

TEST(mvScrollBox, AChildWithoutScrollBarFillsTheBoxLessItsFrame) {
    ScopedLook look(false);
    ProbeWnd host;
    ASSERT_TRUE(CreateTopLevel(host));
    struct Case {
        DWORD style;
        DWORD exStyle;
        int frame;
    } cases[] = {{WS_BORDER, 0, 2}, {0, WS_EX_CLIENTEDGE, 2}, {0, 0, 0}};
    for (const Case& c : cases) {
        const HWND child =
            CreateWindowExW(c.exStyle, L"STATIC", L"", WS_CHILD | WS_VISIBLE | c.style, 10, 20, 100,
                            50, host.m_hwnd, reinterpret_cast<HMENU>(77), nullptr, nullptr);
        mvScrollBox box;
        box.AttachChild(child, false);
        ASSERT_NE(box.m_hwnd, nullptr);
        EXPECT_EQ(GetParent(child), box.m_hwnd);
        EXPECT_EQ(GetDlgCtrlID(box.m_hwnd), 77);
        EXPECT_EQ(box.m_framed, c.frame != 0);
        RECT boxRect{}, childRect{};
        GetWindowRect(box.m_hwnd, &boxRect);
        MapWindowPoints(nullptr, host.m_hwnd, reinterpret_cast<POINT*>(&boxRect), 2);
        EXPECT_EQ(boxRect.left, 10);
        EXPECT_EQ(boxRect.top, 20);
        EXPECT_EQ(boxRect.right - boxRect.left, 100);
        GetWindowRect(child, &childRect);
        MapWindowPoints(nullptr, box.m_hwnd, reinterpret_cast<POINT*>(&childRect), 2);
        EXPECT_EQ(childRect.left, c.frame);
        EXPECT_EQ(childRect.top, c.frame);
        EXPECT_EQ(childRect.right, 100 - c.frame);
        EXPECT_EQ(childRect.bottom, 50 - c.frame);
        EXPECT_EQ(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
        EXPECT_EQ(GetWindowLongW(child, GWL_STYLE) & WS_BORDER, 0);
        const RECT& bar = box.Geometry().rects[ScrollPartBar];
        EXPECT_TRUE(bar.right <= bar.left) << "no bar drawn";
    }
}
