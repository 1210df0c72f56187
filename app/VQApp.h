// The application object: the whole life of the program from the command
// line to the shut-down of its threads.
#pragma once

#include "search/CommandLineRun.h"
#include "ui/core/mvApp.h"

class CVQApp : public mvBaseApp {
public:
    CVQApp();

    // Runs the program: the command line (which may already run a whole
    // windowless search), COM and OLE for this thread, the language, then
    // the main window (or only the hex viewer) in the one modal loop, and at
    // the end the threads stopped in order. Returns false: the program's
    // outcome is its exit code.
    bool Run();

    // Keyboard shortcuts first, then the tooltip relay; 1 when the message
    // was consumed.
    int PreTranslateMessage(MSG* msg) override;
    // Opens the online help page.
    void OnHelp(UINT message, WPARAM wParam, LPARAM lParam) override;

    const StartupOptions& Options() const noexcept { return GlobalStartupOptions(); }
    // True when a worker, the notifier or the icon loader was still running
    // after its wait at the end: the process must then end without
    // destroying the objects that thread still uses.
    bool ThreadsOutlived() const noexcept { return m_threadsOutlived; }

private:
    // Sets the shutdown flag, then stops the icon loader, the notifier and
    // the search worker, waiting at most 500 ms for each. False when one of
    // them is still running after its wait.
    bool StopThreads();
    // The message boxes' button captions from the language.
    void SetButtonTexts();
    // The main window in the modal loop, then the threads stopped, the
    // program's own clipboard data kept for after the end, OLE ended.
    void RunMainWindow();
    // Only the hex viewer's window on the command line's file, offset and
    // length, in the modal loop.
    void RunHexViewer(const StartupOptions& options);
    // The windowless run's exit code; on standard error, the one-line reason
    // it failed, or the arguments a run with a window leaves unused.
    void ReportCommandLine();

    bool m_threadsOutlived = false;
};

// The one application object, built before the entry point.
CVQApp& TheApp();
