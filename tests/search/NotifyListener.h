// A hidden window on the test thread that records the progress messages a
// notifier sends to it.
#pragma once

#include "search/Notifier.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct Received {
    int code;
    std::wstring text; // the status text of code 5, else the value as text
    bool operator==(const Received&) const = default;
};

class Listener {
public:
    std::vector<Received> got;
    std::function<void(int code)> onMessage;

    Listener() {
        static ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Listener::Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"VelquinNotifierTestListener";
            return RegisterClassW(&wc);
        }();
        EXPECT_NE(0, atom);
        m_window = CreateWindowExW(0, L"VelquinNotifierTestListener", L"", 0, 0, 0, 0, 0,
                                   HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Listener() { DestroyWindow(m_window); }
    HWND Window() const { return m_window; }

    // Lets the notifier deliver until `count` messages arrived, then a little
    // longer so that any message too many shows up as well.
    void Pump(size_t count) {
        DWORD end = GetTickCount() + 5000;
        DWORD quiet = 0;
        while (GetTickCount() < end) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            if (got.size() >= count) {
                if (quiet == 0)
                    quiet = GetTickCount() + 150;
                else if (GetTickCount() > quiet)
                    return;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Listener*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && msg == RegisterWindowMessageW(kNotifyMessageName)) {
            int code = static_cast<int>(wp);
            self->got.push_back({code, code == NotifyStatus
                                           ? std::wstring(reinterpret_cast<const wchar_t*>(lp))
                                           : std::to_wstring(lp)});
            if (self->onMessage)
                self->onMessage(code);
            return 0;
        }
        return DefWindowProcW(window, msg, wp, lp);
    }
    HWND m_window = nullptr;
};

// Waits up to 5 s until another thread is sending to a window of this one
// (which handles no message meanwhile).
inline bool WaitForIncomingSend() {
    for (int i = 0; i < 500; ++i, Sleep(10))
        if ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0)
            return true;
    return false;
}

// Stops the notifier and waits for its thread longer than Stop itself does,
// so that a slow machine does not fail the test. A send to a window of this
// thread that began before the stop is handled meanwhile: the thread cannot
// end before that send returns.
inline bool Ended(NotifierQueue& block) {
    block.Stop();
    return block.worker.Join(5000);
}
