// The about box: the application icon, the program's name and version, a
// link naming its maker, the copyright text of the language, and the help,
// close and donate buttons. Help, donate and the link only tell the window
// that opened the box, which opens the page. Modal; UI thread only.
#pragma once

#include "app/shared/VQBaseDlg.h"
#include "app/shared/VQButton.h"
#include "foundation/mvstring.h"

#include <windows.h>

// Control ids; the opener gets WM_COMMAND with the first three.
inline constexpr int kAboutHelpId = 1058;
inline constexpr int kAboutDonateId = 1059;
inline constexpr int kAboutLinkId = 1060;

class CVQAboutDlg : public CVQBaseDlg {
public:
    CVQAboutDlg();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPreInitDialog() override;
    // Sizes the box from its content, centres it over the owner and puts
    // the focus on the close button.
    int OnInitDialog() override;
    void Layout() override;
    void SetTexts() override;
    void PaintContent(HDC dc, const RECT* rect) override;

    // "Velquin" and the version of the program's version block in three
    // parts; the name alone when the program has none.
    static mvstring TitleText();

    CVQButton<mvButton> m_help;
    CVQButton<mvButton> m_close;
    CVQButton<mvButton> m_donate;
    CVQButton<mvButton_Link> m_link;

private:
    // The application icon and its size (0 x 0 without one).
    HICON Icon(SIZE* size) const;
    // The icon's rectangle: at the margins' corner.
    RECT IconRect() const;
    // Blinks the icon: five frames 200 ms apart, the icon in the second and
    // fourth, then the normal paint.
    void BlinkIcon();
};

// The first three dot-separated parts of a version text ("1.0.3.0" gives
// "1.0.3"); a text with fewer parts stays whole.
mvstring ShortVersion(const mvstring& version);
