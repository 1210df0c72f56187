#include "app/VQApp.h"

#include "app/main/VQDlg.h"
#include "app/shared/VQUiResources.h"
#include "hexview/VQHexViewDlg.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/mvcominit.h"
#include "search/IconLoader.h"
#include "search/Notifier.h"
#include "search/PropertyTexts.h"
#include "search/SearchJob.h"
#include "ui/core/Shortcuts.h"
#include "ui/dialogs/mvMessageBox.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <clocale>
#include <limits>
#include <memory>
#include <string>

namespace {

constexpr wchar_t kHelpPage[] = L"https://velquin.morvik.net/help";
constexpr wchar_t kLanguageFailure[] =
    L"Failed to load language file!\r\n\r\nPlease re-download Velquin.";
constexpr DWORD kThreadStopWaitMs = 500;
// Every class the windows use: the list view and the other classic
// controls, the date pickers, the extended combo box and the rebar.
constexpr DWORD kWindowControlClasses = 0x5FF;

} // namespace

CVQApp::CVQApp() : mvBaseApp(L"Velquin") {
    // Case rules and classes of the run-time follow the user, as the regular
    // expressions expect.
    setlocale(LC_ALL, "");
}

bool CVQApp::Run() {
    StartupOptions& options = GlobalStartupOptions();
    ProcessCommandLine(options);
    ReportCommandLine();
    if (options.flags & StartupOut) {
        // No window, OLE or COM on this thread: the run has written its file.
        m_threadsOutlived = !StopThreads();
        return false;
    }
    // For the results list's paste and cut notices between the program's
    // windows; here, not at start, so that a run without windows never loads
    // the window library.
    RegisterWindowMessageW(L"WM_Velquin_CUTPASTENOTIFY");
    // The windows' apartment. Not before: under Wine an apartment registers
    // a window class, which brings up the display for a windowless run too.
    mvcominit::Acquire();
    // The list's column titles are the system's where the language has none;
    // asked on this thread, which has COM now.
    SetSystemColumnTitleLister(&ListPropertyColumns);
    INITCOMMONCONTROLSEX controls = {sizeof controls, kWindowControlClasses};
    InitCommonControlsEx(&controls);
    if (!SetLanguage(Settings().Language.Get())) {
        ShowMessageBox(kLanguageFailure, MB_ICONERROR);
    } else {
        SetButtonTexts();
        OleInitialize(nullptr);
        UiResources().SetHexViewerOnly((options.flags & StartupHexView) != 0);
        UiResources().Init(false);
        if (options.flags & StartupHexView) {
            // Only the hex viewer's window, which ends the program as it
            // closes; no search thread ran, so none is stopped, and OLE
            // stays until the process ends.
            RunHexViewer(options);
        } else {
            RunMainWindow();
        }
    }
    mvcominit::Uninit();
    return false;
}

void CVQApp::SetButtonTexts() {
    static const wchar_t* const kKeys[] = {L"ok",    L"cancel", L"yes",    L"no",      L"continue",
                                           L"abort", L"retry",  L"ignore", L"tryagain"};
    mvstring texts[std::size(kKeys)];
    for (size_t i = 0; i < std::size(kKeys); ++i)
        texts[i] = GetLangText(L"global", kKeys[i]);
    SetMessageBoxButtonTexts(texts[0].c_str(), texts[1].c_str(), texts[2].c_str(),
                             texts[3].c_str(), texts[4].c_str(), texts[5].c_str(),
                             texts[6].c_str(), texts[7].c_str(), texts[8].c_str());
}

void CVQApp::RunHexViewer(const StartupOptions& options) {
    // A selection longer than the view can hold is cut to what a count of
    // bytes can say; the viewer clamps it to the file.
    const auto count = static_cast<uint32_t>(
        std::clamp<int64_t>(options.length, 0, std::numeric_limits<uint32_t>::max()));
    CVQHexViewDlg viewer(options.path, options.offset != 0, options.offset, count);
    m_mainWnd = &viewer;
    viewer.DoModal(nullptr);
    m_mainWnd = nullptr;
}

void CVQApp::RunMainWindow() {
    {
        auto window = std::make_unique<CVQDlg>();
        m_mainWnd = window.get();
        window->DoModal(nullptr);
        m_mainWnd = nullptr;
    }
    // A search still running is stopped only now, with the window gone.
    m_threadsOutlived = !StopThreads();
    // Cut or copied items stay on the clipboard after the program has ended.
    UiResources().FlushClipboard();
    OleUninitialize();
}

bool CVQApp::StopThreads() {
    // Before the stops: a loop deep in a walk, a content read or a sort sees
    // it even before its own stop request.
    ShutdownFlag.store(1);
    const bool loader = StopIconLoaderThread();
    const bool notifier = StopNotifierThread();
    SearchJob& job = GlobalSearchJob();
    job.StopAndWait(kThreadStopWaitMs);
    return loader && notifier && !job.worker.IsRunning();
}

void CVQApp::ReportCommandLine() {
    const StartupOptions& options = GlobalStartupOptions();
    if (options.flags & StartupOut)
        m_exitCode = options.out_result;
    std::string lines;
    for (const mvstring& message : options.messages)
        lines += "Velquin: " + WideToUtf8(message) + "\n";
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (!lines.empty() && error && error != INVALID_HANDLE_VALUE)
        WriteFile(error, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

int CVQApp::PreTranslateMessage(MSG* msg) {
    if (DispatchShortcutKey(msg))
        return 1;
    return mvBaseApp::PreTranslateMessage(msg);
}

void CVQApp::OnHelp(UINT, WPARAM, LPARAM) {
    ShellExecuteW(nullptr, nullptr, kHelpPage, nullptr, nullptr, SW_SHOWNORMAL);
}
