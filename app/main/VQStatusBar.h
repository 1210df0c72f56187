// The main window's status bar: the job's state with the folder being
// searched (and a state icon before it), and at the right the number of
// results and the selection's count and size. The main window writes the
// three counters and calls SetState on the job's notifications.
#pragma once

#include "foundation/mvstring.h"
#include "ui/controls/mvStatusBar.h"

#include <windows.h>

#include <cstdint>

class mvimage;

// The job state the bar shows (StatusState).
enum StatusState : std::uint8_t {
    StatusReady = 0,
    StatusSearching = 1,
    StatusLoading = 2,
    StatusPaused = 3,
};

// The codes of SetState beside the job's notification codes.
enum StatusCode : int {
    StatusStarted = 1,
    StatusFinished = 2,
    StatusText = 5,
    StatusSorting = 9,
    StatusGrouping = 10,
};

class CVQStatusBar : public mvStatusBar {
public:
    // Texts cut in their middle, so that a long folder keeps both ends.
    void DrawPartText(HDC dc, const RECT* rect, const mvstring& text) override;
    // The count and selection parts at the right, then the state icon at
    // the left; narrows the rectangle left for the main text.
    void DrawContent(HDC dc, RECT* textRect) override;

    // Recomputes the main text from the global job's state and applies the
    // code: 1 started, 2 finished (`argument` non-zero: cancelled, shown
    // for a while), 5 the folder text (`argument`: const wchar_t*), 9
    // sorting, 10 grouping. Redraws when visible, at once with `redrawNow`.
    void SetState(int code, LPARAM argument, bool redrawNow);
    // "Ready", unless a job runs.
    void ShowReady();

    // The 24-pixel icon strip the state icons come from (the program's own,
    // UiResources, until another is set); not owned.
    void SetIconStrip(mvimage* strip) { m_strip = strip; }

    // The texts of the two right-hand parts; empty when the part is not
    // shown.
    mvstring CountText() const;
    mvstring SelectionText() const;

    std::int32_t itemCount = 0;      // results shown; negative hides the part
    std::int32_t selectedCount = 0;
    std::int64_t selectionSize = -1; // bytes; -1 unknown
    mvstring extraText;              // placeholder %0 of the state text
    std::uint8_t statusState = StatusReady;

private:
    // Draws a part's text in the rightmost slice of `area` and takes the
    // slice off it.
    void DrawPart(HDC dc, RECT* area, const mvstring& text, COLORREF separator);

    mvimage* m_strip = nullptr;
};

// The strip cell of a state's icon; -1 for none (ready).
int StatusIconIndex(std::uint8_t state);
