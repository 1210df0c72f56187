// Handles what waits in the test thread's queue, for the tests that drive
// real windows.
#pragma once

#include <windows.h>

// Dispatches every waiting message, `rounds` times with a pause of
// `pauseMs` after each, so that what the handled messages post in turn (and
// what other threads send meanwhile) is handled too.
inline void PumpMessages(int rounds = 1, DWORD pauseMs = 0) {
    MSG msg;
    for (int round = 0; round < rounds; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (pauseMs > 0)
            Sleep(pauseMs);
    }
}
