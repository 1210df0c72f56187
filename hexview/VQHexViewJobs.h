// The hex view's copy and find jobs: each runs on a thread of its own while
// the UI thread waits up to two seconds, then shows a small cancel dialog
// over the disabled viewer window and pumps its messages until the job ends
// or is cancelled. The UI thread leaves the panel's file reader and
// selection alone meanwhile, and the panel does not paint.
#pragma once

#include "foundation/Handles.h"
#include "foundation/WorkerThread.h"
#include "hexview/HexCopyText.h"
#include "hexview/VQHexViewPanel.h"
#include "app/shared/VQBaseDlg.h"
#include "app/shared/VQButton.h"

#include <cstdint>

class CVQHexViewPanel::_workThread {
public:
    enum Kind : uint8_t { Copy = 1, Find = 2 };
    // How long the UI waits before the cancel dialog shows.
    static constexpr DWORD kQuietWaitMs = 2000;

    _workThread(Kind kind, CVQHexViewPanel* panel) : kind(kind), panel(panel) {}
    ~_workThread() { Release(); }
    _workThread(const _workThread&) = delete;
    _workThread& operator=(const _workThread&) = delete;

    // Runs the job; its outputs are in the record afterwards.
    void RunWithCancel();
    // Stops the thread without waiting for it.
    void Release() { worker.Stop(0); }

    // The cancel dialog: a text, a Cancel button and the job's title.
    class _cancelDlg : public CVQBaseDlg {
    public:
        explicit _cancelDlg(_workThread* job);
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
        int OnInitDialog() override;
        void PaintContent(HDC dc, const RECT* rect) override;

        CVQButton<mvButton> cancelButton;
        bool cancelled = false;
        _workThread* job;
    };

    WorkerThread worker;
    Kind kind;
    CVQHexViewPanel* panel;
    // Find: the match's offset (-1 none) and length.
    int64_t value = -1;
    int32_t extra = 0;
    // Copy: what to write and where; how the fill ended.
    HexCopyPlan plan;
    uint8_t* text = nullptr;
    HexCopyEnd copyEnd = HexCopyEnd::Stopped;
    // Set by a test to see the cancel dialog of a job that would end at once.
    DWORD holdMs = 0;

private:
    static DWORD WINAPI ThreadProc(void* parameter);
    static bool StopRequested(void* parameter);
};

// The clipboard format of a copy: UTF-16 text for the plan's unicode case,
// else 8-bit text.
UINT HexCopyFormat(const HexCopyPlan& plan);

// Puts the filled memory on the clipboard, owned by the window: opened,
// emptied, set and closed at once. The memory is the clipboard's on success
// and freed on failure.
bool SetClipboardText(HWND owner, UINT format, GlobalMemory memory);
