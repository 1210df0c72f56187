// The export dialog: which result columns to export and in which order,
// then a file chosen in the save dialog, written as CSV or HTML with every
// current result. A write that fails says so and keeps the dialog open.
// Modal; UI thread only.
#pragma once

#include "app/shared/VQBaseDlg.h"
#include "app/shared/VQButton.h"
#include "foundation/mvstring.h"
#include "panel/VQCheckListCtrl.h"

#include <windows.h>

#include <cstdint>
#include <vector>

inline constexpr int kExportMoveUpId = 1045;
inline constexpr int kExportMoveDownId = 1046;
inline constexpr int kExportResetId = 1047;
inline constexpr int kExportAllId = 1048;
inline constexpr int kExportVisibleId = 1049;

class CVQExportDlg : public CVQBaseDlg {
public:
    CVQExportDlg();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPreInitDialog() override;
    // The columns in the stored order with the stored checks; then the size
    // from the info text and the rows, centred over the owner.
    int OnInitDialog() override;
    void Layout() override;
    // OK with a checked column; up and down with a selection that can move.
    void UpdateControls() override;
    void SetTexts() override;
    // The info text above the list.
    void PaintContent(HDC dc, const RECT* rect) override;

    // Asks for the file and writes it. False when nothing was written: no
    // checked column, the save dialog cancelled, or a failed write (which an
    // error box reports; a file already at that path stays as it was).
    bool DoExport();
    // The column ids of the rows in list order, and of the checked ones.
    std::vector<std::uint8_t> RowIds(bool checkedOnly) const;

    mvstring m_info;
    int m_infoHeight = 0;
    CVQCheckListCtrl m_list;
    CVQButton<mvButton> m_all;
    CVQButton<mvButton> m_visible;
    CVQButton<mvButton> m_up;
    CVQButton<mvButton> m_down;
    CVQButton<mvButton> m_reset;
    CVQButton<mvButton> m_ok;
    CVQButton<mvButton> m_cancel;
};
