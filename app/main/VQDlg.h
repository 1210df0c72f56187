// The main window: a resizable top-level dialog with the toolbar at the top,
// the search panel docked at the left or right (or sliding in over the list
// when it hides itself), the results list in the remaining area and the
// status bar at the bottom. UI thread only.
#pragma once

#include "search/SearchCriteria.h"
#include "ui/controls/mvStatusBar.h"
#include "ui/controls/mvToolBarCtrl.h"
#include "app/shared/VQBaseDlg.h"
#include "panel/VQSearchPanelDlg.h"

#include <windows.h>
#include <commctrl.h>

// Ids of the main window's children and of its commands.
inline constexpr int kMainToolBarId = 1001;
inline constexpr int kMainStatusBarId = 1002;
inline constexpr int kMainListId = 1003;
inline constexpr WORD kCommandOpen = 10001;
inline constexpr WORD kCommandSearch = 10018;
inline constexpr WORD kCommandPause = 10020;
inline constexpr WORD kCommandSave = 10021;

// The status message time-out of the main window's bar.
inline constexpr int kStatusMessageMs = 5000;

class CVQDlg : public CVQBaseDlg {
public:
    CVQDlg();
    ~CVQDlg() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The panel follows the mouse over every child while it hides itself.
    // Passes every message on (0).
    int PreTranslateMessage(MSG* msg) override;
    int OnInitDialog() override;
    // Places the children: toolbar, status bar, panel at its side, list in
    // the rest.
    void Layout() override;
    // The separator line below the toolbar.
    void PaintContent(HDC dc, const RECT* rect) override;

    // Recomputes the minimum track size from the bars, one line of text and
    // twice the panel's minimum width, and enlarges the window when it is
    // smaller. Nothing without the toolbar.
    void UpdateMinSize();
    // Creates the panel host when missing, recomputes the minimum size, lays
    // out unless told not to, shows the panel and applies the auto-hide
    // state.
    void ShowSearchPanel(bool noLayout);
    // Slides the panel in or out by where the point (screen; null: the
    // cursor) is; with `force` also when auto-hide is off. True when the
    // panel's visibility changed.
    bool AutoShowSearchPanel(const POINT* screenPoint, bool force);

    // The window that holds the toolbar (the toolbar itself until a rebar
    // carries it); null before it is made.
    HWND ToolBarWindow() const noexcept { return m_toolBar.m_hwnd; }

    // Members in construction order; each is later replaced by the
    // program's own class of the same part.
    mvToolBarCtrl m_toolBar; // id 1001
    CVQSearchPanelDlg m_searchPanel; // the panel host with the Search button 10018
    mvWnd m_list;            // id 1003, the owner-data results list
    mvStatusBar m_statusBar; // id 1002
    bool m_zeroSize = false; // WM_SIZE reported an empty client area

private:
    // The first search window of the panel, in the z-order right before the
    // list, at the saved width.
    void CreatePanelHost();
    void CreateList();
    void CreateStatusBar();
    void AddShortcuts();
    // Command 10018: stops a running search, else starts one with the
    // panel's criteria once the panel finds them good.
    void SearchOrStop();
    // A progress message of the search's notifier (codes 1 to 8; others do
    // nothing): the Search button, counts, status, title, taskbar progress.
    void OnSearchNotify(WPARAM code, LPARAM value);
    // The status bar's text for a job state code (1 started, 2 finished
    // with `value` 1 when stopped, 3 pause changed, 5 the folder text).
    void SetStatusState(int code, LPARAM value);
    // A cell text of the results list: name, size, type, dates, folder,
    // attributes or extension by the column id.
    void FillListText(NMLVDISPINFOW& info);
    // The list shows the job's current count of results.
    void ShowResultCount();
    // Saves placement, panel width and (when asked to) the default search.
    void SaveOnDestroy();
    // True when the frame is painted here rather than natively.
    static bool PaintsItself();

    UINT m_progressMessage = 0;
    mvstring m_cellText; // the last cell text handed to the list
};
