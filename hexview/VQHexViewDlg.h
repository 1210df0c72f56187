// The hex viewer's own top-level window: the menu bar, the hex view panel
// filling the client area and the status bar along the bottom. It turns the
// menu commands into panel operations, opens files from the file dialog or
// dropped on it, starts further viewers as processes of their own, and keeps
// its placement, status bar, bytes per line, block mode and font in
// hexview.ini. UI thread only.
#pragma once

#include "app/shared/VQBaseDlg.h"
#include "foundation/Handles.h"
#include "hexview/VQHexViewPanel.h"
#include "hexview/VQHexViewStatusBar.h"

#include <cstdint>

class CVQHexViewDlg : public CVQBaseDlg {
public:
    static constexpr int kStatusBarId = 1002;

    // The file to open at start and where (hasOffset false: the start).
    CVQHexViewDlg(const mvstring& path = {}, bool hasOffset = false, uint64_t offset = 0,
                  uint32_t count = 0);
    ~CVQHexViewDlg() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnInitDialog() override;
    void Layout() override;

    // The smallest window: 16 characters by 2 rows, the status bar, the menu
    // and the frame; a smaller window grows to it.
    void FitToFont();
    // The font of the panel: the shared hex viewer font, or the one chosen
    // in this window.
    HFONT PanelFont() const;

    CVQHexViewPanel m_panel;
    CVQHexViewStatusBar m_statusBar;

private:
    // A command of the menu bar (or its shortcut); false when not one.
    bool OnCommand(WORD id);
    // The file dialog; the first chosen path, empty when cancelled.
    mvstring AskFilePath();
    void PickFont();
    void SavePlacement();
    void UpdateMenu(HMENU menu);

    mvstring m_startPath;
    bool m_startHasOffset;
    uint64_t m_startOffset;
    uint32_t m_startCount;
    GdiHandle<HFONT> m_chosenFont; // after the Font command
};
