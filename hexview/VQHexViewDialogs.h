// The hex viewer's two small dialogs: one number (the offset to jump to, or
// the bytes per line) and the find text with its options and history.
#pragma once

#include "foundation/mvstring.h"
#include "app/shared/VQBaseDlg.h"
#include "app/shared/VQButton.h"
#include "ui/controls/mvEdit.h"

#include <cstdint>
#include <memory>

// Asks for the offset to jump to (column width false; the edit starts
// empty) or the bytes per line (true; the edit shows `value`, and only 1..64
// is accepted). True with the number in `value` on OK.
bool AskHexviewNumber(HWND owner, bool columnWidth, uint64_t& value);

// Asks for the find text, match case and hex, preset with the values given.
// True with the confirmed values on OK; the text is then in the history
// unless DisableHistory is set.
bool AskHexviewFind(HWND owner, mvstring& text, bool& matchCase, bool& hex);

class CVQHexviewJumptoDlg : public CVQBaseDlg {
public:
    CVQHexviewJumptoDlg();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPreInitDialog() override;
    int OnInitDialog() override;
    void Layout() override;
    void UpdateControls() override;
    void SetTexts() override;
    void PaintContent(HDC dc, const RECT* rect) override;

    mvstring m_info;
    mvEdit m_edit;
    CVQButton<mvButton> m_ok;
    CVQButton<mvButton> m_cancel;
    uint64_t m_value = 0;
    bool m_columnWidth = false;

private:
    // The information text's rectangle for the client width.
    RECT InfoRect() const;
    // Reads the edit: true when the value is acceptable; otherwise the
    // error has been shown and the focus is back in the edit.
    bool Accept();
};

// Places a new jump dialog in the slot, deleting the one it held.
CVQHexviewJumptoDlg* MakeHexviewJumptoDlg(std::unique_ptr<CVQHexviewJumptoDlg>& slot);

class CVQHexviewFindDlg : public CVQBaseDlg {
public:
    static constexpr int kClearHistoryId = 10080;

    CVQHexviewFindDlg();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPreInitDialog() override;
    int OnInitDialog() override;
    void Layout() override;
    void UpdateControls() override;
    void SetTexts() override;

    mvACEdit m_edit;
    mvCheckBox m_matchCaseBox;
    mvCheckBox m_hexBox;
    CVQButton<mvButton> m_findNext;
    CVQButton<mvButton> m_cancel;
    CVQButton<mvButton_Link> m_clearHistory;
    mvstring m_text;
    bool m_matchCase = false;
    bool m_hex = false;

private:
    bool Accept();
};
