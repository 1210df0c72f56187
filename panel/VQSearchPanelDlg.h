// The host of the search panel at the side of the main window: the panel
// above the Search split button, a three-pixel splitter on the edge facing
// the results, the Search button's menu (start or stop, search in results,
// undo) and the criteria operations the main window calls. UI thread only.
#pragma once

#include "panel/VQSearchPanel.h"
#include "search/CommandLineRun.h"
#include "search/SearchCriteria.h"
#include "search/SearchJob.h"
#include "app/shared/VQBaseDlg.h"

#include <windows.h>

#include <cstddef>

inline constexpr int kSearchCommand = 10018;
inline constexpr int kSearchInResultsCommand = 10023;
inline constexpr int kUndoSearchInResultsCommand = 10024;
inline constexpr int kSplitterWidth = 3;

// The states of the Search button's menu items.
struct SearchMenuState {
    bool stopText = false;      // 10018 reads "stopsearch"
    bool searchEnabled = false; // 10018
    bool withinEnabled = false; // 10023
    bool undoEnabled = false;   // 10024
    std::size_t undo = 0;       // shown after the undo text when positive
};

// The menu for the worker's state (alive or not, its kind), the number of
// results and of undo steps. A worker still alive after its kind was cleared
// (a stop on its way) allows nothing until it has ended.
SearchMenuState GetSearchMenuState(bool workerAlive, JobKind kind, std::size_t results,
                                   std::size_t undo);
// The same for the global job.
SearchMenuState GetSearchMenuState();
// Gives the three items of the Search button's menu their texts and states.
void ApplySearchMenuState(mvMenu& menu, const SearchMenuState& state);

// The clamps of criteria read from the controls: out-of-range choices (a
// combo without selection reads -1) become the defaults.
void ClampCriteria(SearchCriteria& criteria);

class CVQSearchPanelDlg : public CVQBaseDlg {
public:
    CVQSearchPanelDlg();
    ~CVQSearchPanelDlg() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPreInitDialog() override;
    int OnInitDialog() override;
    void Layout() override;
    void SetTexts() override;
    void PaintContent(HDC dc, const RECT* rect) override;

    // An embedded template of cx x cy dialog units holding the Search
    // button; the main window may instead add the button to a template of
    // its own. False when the buffer cannot be had.
    bool BuildTemplate(int cx, int cy);

    // Shows the criteria (null: the global job's); false without a window.
    bool SetCriteria(const SearchCriteria* criteria);
    // Reads the criteria from the controls, clamped; false without a window.
    bool GetCriteria(SearchCriteria& criteria) const;
    // The Search caption for the running state, then the panel's state.
    void UpdateSearchButton();
    // The minimum width; unless `flag`, also the minimum height and, unless
    // flag has bit 0x80, the maximum width (main window client width less
    // the minimum). 0 and outputs 0 without the Search button.
    int GetPreferredSize(unsigned char flag, int* maxWidth, int* minHeight);

    // The start-up folder and flags, set by the main window before creation.
    const StartupOptions* m_startup = nullptr;

    CVQSearchPanel m_panel;
    PanelSplitButton m_search;
    int m_minWidth = 0;
    int m_minHeight = 0;
    int m_maxWidth = 0;

private:
    // True when the panel stands at the main window's right side.
    static bool PanelOnRight();
    void ShowSearchMenu();
};
