// Window timers whose ids come from a process-wide range, so that several
// timer objects on one window never collide. The window receives WM_TIMER
// with the id in wParam.
#pragma once

#include <windows.h>

class mvWndTimer {
public:
    // Ids handed out per window, inclusive.
    static constexpr UINT_PTR kFirstId = 1314;
    static constexpr UINT_PTR kLastId = 2314;

    explicit mvWndTimer(HWND window = nullptr) : m_hwnd(window) {}
    mvWndTimer(const mvWndTimer&) = delete;
    mvWndTimer& operator=(const mvWndTimer&) = delete;
    // Stops every timer this object still owns.
    virtual ~mvWndTimer();

    // Starts the timer, or restarts a running one with the new interval and
    // the same id. False without a window, when all ids of the window are in
    // use, or when the system refuses the timer.
    bool Start(UINT elapse);
    // False when it does not run.
    bool Stop();
    // Moves the timer to another window (stopping it on the old one) and
    // (re)starts it there. Timers of other objects on the old window keep
    // running; those left on a window that no longer exists are forgotten.
    bool Rebind(HWND window, UINT elapse);

    HWND Window() const noexcept { return m_hwnd; }
    UINT_PTR Id() const noexcept { return m_id; }

private:
    friend struct mvWndTimerAccess;

    HWND m_hwnd = nullptr;
    UINT_PTR m_id = 0; // 0: not running
};
