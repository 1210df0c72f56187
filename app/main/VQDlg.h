// The main window: a resizable top-level dialog with the toolbar at the top,
// the search panel docked at the left or right (or sliding in over the list
// when it hides itself), the results list in the remaining area and the
// status bar at the bottom. UI thread only.
#pragma once

#include "app/main/Commands.h"
#include "app/main/SearchProgress.h"
#include "app/main/VQDlgMenus.h"
#include "app/main/VQListCtrl.h"
#include "app/main/VQStatusBar.h"
#include "app/main/VQToolBarCtrl.h"
#include "app/shared/VQBaseDlg.h"
#include "app/shared/VQDropTarget.h"
#include "panel/VQSearchPanelDlg.h"
#include "search/SearchCriteria.h"
#include "ui/core/mvWndTimer.h"

#include <windows.h>
#include <commctrl.h>

// Ids of the main window's children and of its commands.
inline constexpr int kMainToolBarId = 1001;
inline constexpr int kMainStatusBarId = 1002;
inline constexpr int kMainListId = 1003;

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

    // The window that holds the toolbar (the rebar; the toolbar itself when
    // no rebar could be made); null before it is made.
    HWND ToolBarWindow() const noexcept;

    // --- Progress, menu state and status (VQDlgProgress.cpp) ---
    // A progress message of the search's notifier (codes 1 to 8, and
    // kShowSearchEnd that the window posts itself; others do nothing): the
    // Search button, counts, status, title, taskbar progress, histories,
    // sorting and grouping at the end.
    void OnSearchNotify(WPARAM code, LPARAM value);
    static constexpr int kShowSearchEnd = 100;
    // Enables, checks and titles the items of a menu of the window as it
    // opens, by the selection and the job's state.
    void OnInitMenuPopup(HMENU menu);
    // The selection's toolbar buttons, the Open button's icon and the
    // status bar's counters.
    void UpdateStatus();

    // --- Dispatch (VQDlg.cpp) ---
    // View mode `id` - 10037 in the list, the setting and the toolbar.
    void SetViewMode(UINT id, bool force);
    void InvertSelection();
    // Whether the window carries the command out; a menu item whose command
    // it does not is greyed, never silently ignored.
    static bool HandlesCommand(UINT id);

    // --- Shell menus and open with (VQDlgShell.cpp) ---
    // The context menu of the list (the columns submenu over its header),
    // at a screen point; (-1, -1) for the keyboard. Other windows get none.
    void ShowContextMenu(HWND window, int x, int y);
    // Commands that act on the menus' selection: open, open with, the
    // handlers and the shell's verbs. True when the command was carried out.
    bool OnSelectionCommand(WPARAM wParam);
    // Hands a message to the shell context menu's handler while it shows;
    // true with its result when the handler took it.
    bool RelayShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // --- Main window commands (VQDlgCommands.cpp) ---
    // Empties the input histories, after asking when `ask`.
    void ClearHistory(bool ask);
    // Switches to language `id` - 10088 and rebuilds every text.
    void OnLanguageCommand(UINT id);
    // The options dialog; nothing while a job runs.
    void ShowOptions();
    // 10023 search within results (or stop it), 10024 undo; true when
    // started, stopped or undone.
    bool OnSearchInResults(UINT id);
    // 10019 load a saved search (or stop the load), 10021 save the shown
    // search; true when started, stopped or written.
    bool LoadOrSaveSearch(UINT id);
    // 10016 delete, 10028 copy to a folder, 10029 move to a folder.
    void OnFileOperation(UINT id);

    // Members in construction order.
    CVQToolBarCtrl m_toolBar;         // the rebar 1001 with the toolbar
    CVQSearchPanelDlg m_searchPanel;  // the panel host with the Search button 10018
    CVQListCtrl m_list;               // 1003, the owner-data results list
    CVQStatusBar m_statusBar;         // 1002
    CVQDropTarget m_dropTarget;       // shows the drag image over the window
    CVQDlgMenus m_menus;              // menu bar, pop-ups, selection, shell menu
    bool m_zeroSize = false;          // WM_SIZE reported an empty client area
    mvWndTimer m_statusTimer;         // the 100 ms status refresh
    mvWndTimer m_listCountTimer;      // a count the list has yet to take
    ListCountPace m_listCountPace;

private:
    // The first search window of the panel, in the z-order right before the
    // list, at the saved width.
    void CreatePanelHost();
    void CreateStatusBar();
    void AddShortcuts();
    // WM_COMMAND; true when the command was handled here, with the result;
    // false lets it on to the selection's commands and the dialog base.
    bool OnCommand(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Command 10018: stops a running search, else starts one with the
    // panel's criteria once the panel finds them good.
    void SearchOrStop();
    // The status refresh now when one is pending.
    void FlushStatusTimer();
    // Shows the results' count in the status bar and in the list; `paced`
    // lets the list take it later (see ListCountPace), by a timer when no
    // later count comes first.
    void FollowItemCount(bool paced);
    // The Open button shows icon `icon` of the shell's image list, or its
    // own image for -1.
    void ShowOpenButtonIcon(int icon);
    // Saves placement, panel width and (when asked to) the default search.
    void SaveOnDestroy();
    // True when the frame is painted here rather than natively.
    static bool PaintsItself();

    UINT m_progressMessage = 0;
    // The end of a job has been handled up to its sort; a posted progress
    // message with code kShowSearchEnd shows it, unless a new job begins
    // first.
    bool m_endToShow = false;
};
