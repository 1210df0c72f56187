// The process-wide application object of the window library: module
// instance, main window, application name, the first pre-filter of every
// message in the modal loop, and the help handler of every library window.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

class mvWnd;

class mvApp {
public:
    // Becomes the process's application object. An empty name means the
    // program file's name without its extension. Touches nothing of the
    // display: the common controls wait for the first window.
    explicit mvApp(const wchar_t* name);
    mvApp(const mvApp&) = delete;
    mvApp& operator=(const mvApp&) = delete;
    virtual ~mvApp();

    // Non-zero consumes the message before the dialog sees it.
    virtual int PreTranslateMessage(MSG* msg);
    // WM_HELP of every library window.
    virtual void OnHelp(UINT message, WPARAM wParam, LPARAM lParam) {}

    // The application object, or null when there is none.
    static mvApp* Get() noexcept;
    // The application's instance, else the module of the process.
    static HINSTANCE Instance() noexcept;
    // The main window, or null (no application object or no main window).
    // IsMainWindow (ui/mvWnd.h) compares a handle with it.
    static mvWnd* MainWindow() noexcept;

    HINSTANCE m_instance = nullptr;
    // Its destruction ends the program; its WM_CLOSE destroys it.
    mvWnd* m_mainWnd = nullptr;
    mvstring m_name;
    int m_exitCode = 0;
};

// The application base of the program: relays mouse messages to the
// program's one tooltip and remembers the pop-up menu being shown.
class mvBaseApp : public mvApp {
public:
    explicit mvBaseApp(const wchar_t* name);
    ~mvBaseApp() override;

    // Sends mouse moves and button presses (not double clicks) meant for
    // other windows to the program's tooltip, when it exists, as
    // TTM_RELAYEVENT; consumes nothing.
    int PreTranslateMessage(MSG* msg) override;

    // The application object as this class, or null.
    static mvBaseApp* Get() noexcept;

    // Remembers the menu as the pop-up being shown, unless it is a submenu
    // of the one remembered (or that one itself).
    void NotePopupMenu(HMENU menu);

    // The pop-up menu most recently announced to a themed window.
    HMENU m_popupMenu = nullptr;
};
