#include "app/shared/VQBaseDlg.h"

#include "ui/theme/BufferedPaint.h"

LRESULT CVQBaseDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_customPaint != 0) {
        switch (message) {
        case WM_PAINT:
            PaintUpdatedClient(m_hwnd, *this, m_font);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            break;
        }
    }
    return mvBaseDlg::WindowProc(message, wParam, lParam);
}
