// Drives a modal system dialog from a helper thread: waits until the UI
// thread shows a dialog window, then acts on it (types a path, presses a
// button) while the UI thread sits in the dialog's own loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

// The first visible top-level window of the thread of the class (the system
// dialog class unless named; the program's own dialogs are "mvThemeWnd");
// null when none.
inline HWND FindThreadDialog(DWORD thread, const wchar_t* className = L"#32770") {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (IsWindowVisible(hwnd) && _wcsicmp(name, s->className) == 0) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first visible descendant of the class (an empty class: any) whose id
// is `id` (0: any id).
inline HWND FindDescendant(HWND parent, const wchar_t* className, int id) {
    struct Search {
        const wchar_t* className;
        int id;
        HWND found;
    } search{className, id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (IsWindowVisible(hwnd) &&
                (s->className[0] == 0 || _wcsicmp(name, s->className) == 0) &&
                (s->id == 0 || GetDlgCtrlID(hwnd) == s->id)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class DialogDriver {
public:
    // Starts waiting (up to 20 s) for a dialog of the calling thread, of the
    // window class named.
    explicit DialogDriver(std::function<void(HWND)> act, const wchar_t* className = L"#32770")
        : m_thread([this, ui = GetCurrentThreadId(), act = std::move(act),
                    className = std::wstring(className)] {
              for (int i = 0; i < 400; ++i) {
                  HWND dialog = FindThreadDialog(ui, className.c_str());
                  if (dialog != nullptr) {
                      Sleep(300); // let the dialog finish its set-up
                      m_dialog = dialog;
                      act(dialog);
                      return;
                  }
                  Sleep(50);
              }
          }) {}
    ~DialogDriver() { Join(); }
    void Join() {
        if (m_thread.joinable())
            m_thread.join();
    }
    // The dialog acted on; null when none appeared.
    HWND Dialog() const { return m_dialog; }

private:
    HWND m_dialog = nullptr;
    std::thread m_thread;
};

// Types the text into the dialog's first visible edit and presses its OK
// button (the button may sit in an inner dialog).
inline void TypeAndConfirm(HWND dialog, const std::wstring& text) {
    if (!text.empty())
        if (HWND edit = FindDescendant(dialog, L"Edit", 0))
            SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    HWND ok = FindDescendant(dialog, L"Button", IDOK);
    if (ok != nullptr)
        PostMessageW(GetParent(ok), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ok));
}

// Presses the dialog's Cancel button.
inline void Cancel(HWND dialog) {
    HWND cancel = FindDescendant(dialog, L"Button", IDCANCEL);
    PostMessageW(cancel != nullptr ? GetParent(cancel) : dialog, WM_COMMAND,
                 MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
}
