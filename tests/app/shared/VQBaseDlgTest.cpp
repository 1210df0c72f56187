#include "app/shared/VQBaseDlg.h"

#include "ui/ScopedLook.h"

#include <gtest/gtest.h>

namespace {

// A dialog that counts the paints of its own content.
class CountingDialog : public CVQBaseDlg {
public:
    explicit CountingDialog(bool customPaint) {
        m_customPaint = customPaint ? 1 : 0;
        InitTemplate(160, 80, true, 1);
    }
    void PaintContent(HDC, const RECT*) override { ++painted; }

    int painted = 0;
};

} // namespace

// The flag makes a dialog paint its content under the system look as well,
// where the library dialog leaves the window to the system.
TEST(CVQBaseDlg, TheCustomPaintFlagPaintsTheContentInEveryLook) {
    struct Case {
        bool customPaint;
        bool systemLook;
        bool paintsContent;
    } cases[] = {
        {true, true, true},
        {true, false, true},
        {false, true, false},
        {false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flag " << c.customPaint << " system look "
                                        << c.systemLook);
        ScopedLook look(c.systemLook);
        CountingDialog dialog(c.customPaint);
        ASSERT_TRUE(dialog.CreateDialogWindow(nullptr));
        ShowWindow(dialog.m_hwnd, SW_SHOWNOACTIVATE);
        InvalidateRect(dialog.m_hwnd, nullptr, TRUE);
        UpdateWindow(dialog.m_hwnd);
        EXPECT_EQ(dialog.painted > 0, c.paintsContent);
        if (c.customPaint) {
            HDC dc = GetDC(dialog.m_hwnd);
            EXPECT_EQ(SendMessageW(dialog.m_hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0),
                      1);
            ReleaseDC(dialog.m_hwnd, dc);
            // Nothing to paint: no painting, still answered.
            const int before = dialog.painted;
            EXPECT_EQ(SendMessageW(dialog.m_hwnd, WM_PAINT, 0, 0), 0);
            EXPECT_EQ(dialog.painted, before);
        }
        DestroyWindow(dialog.m_hwnd);
    }
}
