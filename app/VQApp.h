// The application object: the whole life of the program from the command
// line to the shut-down of its threads.
#pragma once

#include "search/CommandLineRun.h"
#include "ui/core/mvApp.h"

class CVQApp : public mvApp {
public:
    CVQApp();

    // Runs the program: COM for this thread, the command line (which may
    // already run a whole windowless search), then the windows, and at the
    // end the threads stopped in order. Returns false: the program's outcome
    // is its exit code.
    bool Run();

    // Keyboard shortcuts first; 1 when the message was consumed.
    int PreTranslateMessage(MSG* msg) override;
    // Opens the online help page.
    void OnHelp(UINT message, WPARAM wParam, LPARAM lParam) override;

    const StartupOptions& Options() const noexcept { return m_options; }

private:
    // Sets the shutdown flag, then stops the notifier and the search worker,
    // waiting at most 500 ms for each.
    void StopThreads();
    // The windowless run's exit code; on standard error, the one-line reason
    // it failed, or the arguments a run with a window leaves unused.
    void ReportCommandLine();

    StartupOptions m_options;
};

// The one application object, built before the entry point.
CVQApp& TheApp();
