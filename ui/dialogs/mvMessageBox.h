// The program's own themed message box: a text and a standard MB_ type in,
// the standard button identifier out, with button captions from a
// process-wide table the application fills from the language file.
// UI thread only.
#pragma once

#include "foundation/mvstring.h"
#include "ui/core/mvBaseDlg.h"
#include "ui/controls/mvButtonKinds.h"
#include "ui/core/mvWndTimer.h"

#include <windows.h>

// The buttons of a type's set (its low four bits), slot 0 the rightmost.
struct MessageBoxButtonSet {
    int ids[3] = {0, 0, 0};
    int count = 0;
};
MessageBoxButtonSet GetButtonSet(UINT type);

// The caption in force for a button id after storing `text` as its custom
// caption (null: only reads; empty: back to the default). Empty for an id
// without a caption.
mvstring SetButtonText(int id, const wchar_t* text);
// Custom captions for OK, Cancel, Yes, No, Continue, Abort, Retry, Ignore and
// Try Again; null or empty keeps the default caption.
void SetMessageBoxButtonTexts(const wchar_t* ok, const wchar_t* cancel, const wchar_t* yes,
                              const wchar_t* no, const wchar_t* cont, const wchar_t* abort,
                              const wchar_t* retry, const wchar_t* ignore, const wchar_t* tryAgain);
// The system's own captions for ids 1 to 11 as the defaults; false at the
// first one the system does not give.
bool InitButtonTexts();

// Shows the box modally; the id of the button that ended it, or -1 when the
// box could not be made.
int ShowMessageBox(const wchar_t* text, UINT type);
// A Yes/No/Cancel box with its own Yes and No captions for this one box.
int ShowMessageBoxYesNoCancel(const wchar_t* text, const wchar_t* yes, const wchar_t* no);

class mvMessageBox : public mvBaseDlg {
public:
    static constexpr int kCheckBoxId = 1004;

    mvMessageBox();
    ~mvMessageBox() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Ctrl+C copies the main instruction and the text; never consumes.
    int PreTranslateMessage(MSG* msg) override;
    // Binds the three buttons and the check box of the template.
    void OnPreInitDialog() override;
    int OnInitDialog() override;
    void PaintContent(HDC dc, const RECT* rect) override;

    // Sizes the box for the text and places `buttons` buttons.
    void LayoutBox(int buttons);
    // The wider of the main instruction and the text at the rectangle's
    // width, by their height.
    SIZE MeasureText(const RECT& rect);
    // The width the caption needs in the title bar; 0 when unknown.
    int FitCaptionWidth(int maxWidth);

    UINT m_type = MB_OK;
    HICON m_icon = nullptr;
    mvstring m_caption;
    mvstring m_mainInstruction;
    mvstring m_text;
    const wchar_t* m_checkText = nullptr;
    bool m_checked = false;
    mvButton m_buttons[3];
    mvCheckBox m_checkBox;

    // The countdown: a button pressed by itself after some seconds.
    class CountDown : public mvWndTimer {
    public:
        ~CountDown() override = default;
        mvstring savedCaption;
        int ticks = 0;
    } m_countDown;
    int m_countDownSeconds = 0;
    int m_countDownButton = 0;
    int m_countDownCheck = 0;

private:
    int SetupButtons();
    bool IconCellReserved() const;
    SIZE IconCell() const;
    void UpdateCountdownText(HWND button);
};
