// Whether a lock is free for another thread: what a reader on the UI thread
// would meet at this moment. Asked from the thread that might hold it, the
// answer is not blurred by a critical section's re-entry by its owner.
#pragma once

#include <windows.h>

#include <thread>

inline bool IsFreeForOthers(CRITICAL_SECTION* section) {
    bool free = false;
    std::thread probe([&] {
        if (TryEnterCriticalSection(section)) {
            LeaveCriticalSection(section);
            free = true;
        }
    });
    probe.join();
    return free;
}
