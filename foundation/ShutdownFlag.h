// The one process-wide end signal. It is 0 while the program runs and is set
// to 1, once and for good, when the main window has closed; every background
// loop (search worker, notifier, icon loader, content reads, the result sort
// and grouping) ends when it sees it, even before its own stop request.
#pragma once

#include <atomic>
#include <cstdint>

inline std::atomic<std::int32_t> ShutdownFlag{0};

// True once the program has begun to shut down.
inline bool IsShuttingDown() noexcept {
    return ShutdownFlag.load(std::memory_order_relaxed) != 0;
}
