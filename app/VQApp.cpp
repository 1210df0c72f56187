#include "app/VQApp.h"

#include "foundation/ShutdownFlag.h"
#include "foundation/mvcominit.h"
#include "search/IconLoader.h"
#include "search/Notifier.h"
#include "search/SearchJob.h"
#include "ui/core/Shortcuts.h"

#include <shellapi.h>

#include <clocale>
#include <string>

namespace {

constexpr wchar_t kHelpPage[] = L"https://velquin.morvik.net/help";
constexpr DWORD kThreadStopWaitMs = 500;

} // namespace

CVQApp::CVQApp() : mvApp(L"Velquin") {
    // Case rules and classes of the run-time follow the user, as the regular
    // expressions expect.
    setlocale(LC_ALL, "");
}

bool CVQApp::Run() {
    ProcessCommandLine(m_options);
    ReportCommandLine();
    if (m_options.flags & StartupOut) {
        // No window, OLE or COM on this thread: the run has written its file.
        StopThreads();
        return false;
    }
    // The windows' apartment. Not before: under Wine an apartment registers
    // a window class, which brings up the display for a windowless run too.
    mvcominit::Acquire();
    if (!(m_options.flags & StartupHexView)) {
        // The main window does not exist yet: the program ends as it would
        // once that window has closed.
        StopThreads();
    }
    mvcominit::Uninit();
    return false;
}

void CVQApp::StopThreads() {
    ShutdownFlag.store(1);
    StopIconLoaderThread();
    StopNotifierThread();
    GlobalSearchJob().StopAndWait(kThreadStopWaitMs);
}

void CVQApp::ReportCommandLine() {
    if (m_options.flags & StartupOut)
        m_exitCode = m_options.out_result;
    std::string lines;
    for (const mvstring& message : m_options.messages)
        lines += "Velquin: " + WideToUtf8(message) + "\n";
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (!lines.empty() && error && error != INVALID_HANDLE_VALUE)
        WriteFile(error, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

int CVQApp::PreTranslateMessage(MSG* msg) {
    return DispatchShortcutKey(msg) ? 1 : 0;
}

void CVQApp::OnHelp(UINT, WPARAM, LPARAM) {
    ShellExecuteW(nullptr, nullptr, kHelpPage, nullptr, nullptr, SW_SHOWNORMAL);
}
