// The hex view: one file shown as rows of an offset column, a hex column and
// a text column, read through the content matcher's sliding window so that a
// file of any size opens at once. The panel owns the view state (rows, top
// row, caret, selection anchor, bytes per line, block mode), paints the rows
// that show, keeps the scroll bar and the system caret in step, watches the
// file for changes while it is shown, and tells its parent (WM_COMMAND with
// id 1003 and code 0xF0) when the status figures may have changed. Keys and
// the mouse are in VQHexViewInput.cpp, the copy and find jobs in
// VQHexViewJobs.cpp. UI thread only, except for a running job (see there).
#pragma once

#include "hexview/HexSelection.h"
#include "search/VQ_WordsSearch.h"
#include "ui/core/mvWnd.h"
#include "ui/core/mvWndTimer.h"
#include "ui/theme/BufferedPaint.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// The panel's window class, registered by RegisterHexViewPanelClass.
inline constexpr wchar_t kHexViewPanelClass[] = L"VQHexViewPanel";
// The panel's control id and the notification code of its status refresh.
inline constexpr int kHexViewPanelId = 1003;
inline constexpr WORD kHexViewStatusRefresh = 0xF0;

// Registers "VQHexViewPanel" once per process (double clicks, no background
// brush, arrow cursor). 0 on failure.
ATOM RegisterHexViewPanelClass();

// What the panel has to tell about its file beside the figures.
enum class HexFileNotice {
    None,
    Changed,    // size or contents changed since it was opened; shown as now
    Unreadable, // a read failed (locked, or cut short): rows are missing
    Deleted,    // the file's name is gone; the bytes shown are the open copy
};

class CVQHexViewPanel : public mvWnd, public mvtheme_control, public VQ_WordsSearch {
public:
    // The period of the check for a changed file while one is shown.
    static constexpr UINT kWatchPeriodMs = 1000;

    CVQHexViewPanel();
    ~CVQHexViewPanel() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override;
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    // Creates the panel as child `id` of the parent and binds it. False when
    // the class or the window cannot be made.
    bool CreatePanel(HWND parent, int id = kHexViewPanelId);

    // Opens the file (closing the one shown, quietly), places the caret and
    // selection (SetPosition) and sets the owner's title. False when the file
    // cannot be opened: the view is then empty.
    bool OpenFile(HWND owner, const mvstring& path, int64_t offset, int32_t count);
    // The same with an offset in unsigned form: any value past the file's
    // end lands on its last byte, however large.
    bool OpenFileAt(HWND owner, const mvstring& path, bool hasOffset, uint64_t offset,
                    uint32_t count);
    // Closes the file; unless quiet, repaints and posts the status refresh.
    // The owner's title becomes "HexView".
    void CloseFile(HWND owner, bool quiet);
    // Caret at the offset (past the end: the last byte), or with a count the
    // count bytes from there selected up to the file's end. Without an
    // offset the caret goes to the start.
    void SetPosition(bool hasOffset, uint64_t offset, uint32_t count);

    // Bytes per line: the value (1..64, else 16) from now on; a change with a
    // file open returns caret, anchor and top row to the start. The current
    // value comes back.
    uint8_t ColumnWidth(bool get, uint8_t value);
    bool VertSelection(bool get, bool value);
    // Selected byte count (0: none), rows touched, first and last offset.
    int64_t SelectionExtent(int64_t* rows = nullptr, int64_t* first = nullptr,
                            int64_t* last = nullptr) const;
    bool IsSelected(int64_t offset) const { return Selection().IsSelected(offset); }
    HexSelection Selection() const;

    // The row rectangle (mode 2) or the byte's hex cells (mode 0); false when
    // the byte's row is not in view.
    bool ByteRect(int64_t offset, RECT& rect, int mode) const;
    // The byte under a client point, -1 without rows.
    int64_t HitTest(POINT point) const;
    // Scrolls so that the offset's row shows (at the top when asked).
    void ScrollToOffset(int64_t offset, bool toTop, bool noRedraw);
    void UpdateScrollBar();
    void UpdateCaret(bool recreate);
    void UpdateColors();
    void Redraw(bool updateNow);
    // A scroll-bar code, or kWheelCode with the wheel's notches.
    static constexpr int kWheelCode = 255;
    void OnVScroll(int code, int notches);

    // The key handler of the keyboard and of the window's menu commands.
    // Always false, so that WM_KEYDOWN still reaches default processing.
    bool OnKey(UINT key, bool shift, bool ctrl);

    // Copies the selection to the clipboard (as hex digits when asked),
    // asking first when it is larger than HexviewMaxCopyMB. True when the
    // clipboard got the text.
    bool CopySelectionToClipboard(bool asHex);
    // The find dialog, then Find next with its text. False when cancelled.
    bool FindWithDialog();
    // Finds the find text from the caret on, wrapping to the start, and
    // selects the match; an empty find text asks for one first.
    void FindNext();
    // Sets the find text and options and builds the matcher's pattern.
    void SetFindText(const mvstring& text, bool ignoreCase, bool hex);

    // Compares the open file with what is shown: a changed size or write
    // time shows the file as it is now, a vanished name or a failed query
    // says so. Done by the watch timer; true when something changed.
    bool CheckFile();

    // Sends the status refresh to the parent.
    void PostStatusRefresh() const;

    int64_t FileSize() const { return const_cast<CVQHexViewPanel*>(this)->Reader().Size(); }
    bool HasFile() const { return const_cast<CVQHexViewPanel*>(this)->Reader().HasFile(); }
    int CharWidth() const noexcept { return m_charWidth; }
    int RowHeight() const noexcept { return m_rowHeight; }
    // Rows wholly visible: client height / row height.
    int64_t VisibleRows() const;
    // Characters of the offset column's label (4, 8 or 16 digits + "H: ").
    int OffsetLabelLength() const;
    // Left edges of the hex and text columns.
    int HexColumnLeft() const;
    int TextColumnLeft() const;
    HexFileNotice Notice() const noexcept { return m_notice; }
    const mvstring& Path() const noexcept { return m_path; }

    // The job record of a copy or find on its own thread, and its cancel
    // dialog (VQHexViewJobs.h).
    class _workThread;

    // Drag tracking of the mouse (VQHexViewInput.cpp).
    struct DragTracker {
        int width = 4;
        int height = 4;
        POINT start = {};
        bool dragging = false;
    };

    DragTracker m_drag;
    mvWndTimer m_scrollTimer; // auto-scroll of a drag held outside the view
    mvWndTimer m_watchTimer;  // CheckFile while a file is shown
    mvstring m_findText;
    bool m_ignoreCase = false;
    bool m_findHex = false;
    COLORREF m_textColor = 0, m_backColor = 0, m_selTextColor = 0, m_selBackColor = 0;
    int m_charWidth = 0;
    int m_rowHeight = 0;
    int64_t m_rows = 0;
    int64_t m_top = 0;
    int64_t m_anchor = -1;
    int64_t m_caret = 0;
    int16_t m_caretState = -1; // -1 no caret, 0 hidden, 1 shown
    bool m_vertical = false;
    uint8_t m_perLine = 16;
    // While a copy or find job runs on its thread, the panel neither paints
    // nor reads the file.
    bool m_jobRunning = false;
    // Tests: each job's thread first sleeps this long, so that its cancel
    // dialog shows however quick the job.
    DWORD m_testJobHoldMs = 0;

private:
    // Character width and row height of the current font.
    void MeasureFont();
    // Rows of the file at the current width.
    void CountRows();
    // The refreshes after the view state changed.
    void AfterStateChange();
    void SetNotice(HexFileNotice notice);
    // Draws `count` characters of one colour starting at cell `cell` of the
    // column at x.
    void DrawRun(HDC dc, int x, int y, int cell, const char* text, int count, COLORREF fore,
                 COLORREF back);
    // Input (VQHexViewInput.cpp).
    LRESULT OnMouse(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // Jump dialog, then the caret to the offset.
    void JumpWithDialog();

    mvstring m_path;
    FILETIME m_writeTime = {};
    HexFileNotice m_notice = HexFileNotice::None;
    std::vector<char> m_rowText; // the row's texts, reused between rows
    std::vector<int> m_advance;  // one cell width per character
};
