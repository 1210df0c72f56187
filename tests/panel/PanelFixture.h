// A real search panel in a hidden top-level window, in the system look or
// the own colours, with the English texts and the configuration folders in a
// temporary folder (so that its histories are the test's own).
#pragma once

#include "foundation/ConfigFiles.h"
#include "foundation/Language.h"
#include "panel/VQSearchPanel.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"
#include "ui/ProbeWnd.h"
#include "ui/ScopedLook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

// The English texts for one test, the previous language back afterwards.
class ScopedEnglish {
public:
    ScopedEnglish() : m_saved(Language()) {
        // The source tree as this process sees it: a drive path under Wine.
        std::wstring path = L"" VELQUIN_SOURCE_DIR L"/lang/english.ini";
        if (path.front() == L'/')
            path.insert(0, L"Z:");
        for (wchar_t& ch : path)
            if (ch == L'/')
                ch = L'\\';
        EXPECT_TRUE(Language().SetLanguageFile(mvstring(path)));
    }
    ~ScopedEnglish() { Language() = m_saved; }

private:
    VQ_MLang m_saved;
};

// Configuration files (history.ini among them) in a folder of the test's.
class ScopedConfigFolders {
public:
    ScopedConfigFolders() { SetConfigBaseFolders(m_dir / L"prog", m_dir / L"appdata"); }
    ~ScopedConfigFolders() { SetConfigBaseFolders(L"", L""); }
    const TempDir& Dir() const { return m_dir; }

private:
    TempDir m_dir;
};

// The global job's worker alive on a routine that waits for the test to let
// it end: a search in progress as far as any window can tell.
class HeldWorker {
public:
    explicit HeldWorker(JobKind kind) {
        s_release = false;
        started = GlobalSearchJob().StartWorker(kind, Wait);
    }
    ~HeldWorker() { Release(); }
    // Lets the worker end and waits for it.
    void Release() {
        s_release = true;
        GlobalSearchJob().worker.Stop(INFINITE);
    }
    bool started = false;

private:
    static DWORD WINAPI Wait(void*) {
        while (!s_release)
            Sleep(5);
        return 0;
    }
    static inline std::atomic<bool> s_release{false};
};

// Sends the messages waiting for the thread's windows.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// The host of the panel: lays the panel out when asked to (WM_SIZE 0, 0), as
// the panel's real host does.
class LayoutHost : public ProbeWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SIZE && wParam == 0 && lParam == 0 && panel != nullptr)
            panel->Layout();
        return ProbeWnd::WindowProc(message, wParam, lParam);
    }
    CVQSearchPanel* panel = nullptr;
};

// The panel in a hidden 400 x 700 host, laid out, with the default criteria
// loaded. The history setting is the caller's.
struct PanelWindow {
    explicit PanelWindow(bool systemLook = true, int height = 700) : look(systemLook) {
        EXPECT_TRUE(
            host.Create(L"host", nullptr, 0, 0, 0, 420, height + 40, WS_OVERLAPPEDWINDOW, 0, L""));
        EXPECT_TRUE(panel.CreatePanel(host.m_hwnd, 1, RECT{0, 0, 300, height}, WS_VISIBLE));
        host.panel = &panel;
        panel.LoadFromCriteria(SearchCriteria());
        panel.Layout();
    }
    // Clicks the control as the user would, through its window.
    static void Click(const mvWnd& control) { SendMessageW(control.Handle(), BM_CLICK, 0, 0); }
    // Chooses a combo entry as the user would: the parent hears of it.
    void Choose(mvWnd& combo, int index) {
        SendMessageW(combo.Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(panel.Handle(), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(combo.Handle()), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo.Handle()));
    }
    SearchCriteria Read() const {
        SearchCriteria criteria;
        panel.SaveToCriteria(criteria);
        return criteria;
    }

    ScopedEnglish english;
    ScopedLook look;
    LayoutHost host;
    CVQSearchPanel panel;
};
