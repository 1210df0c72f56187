#include "foundation/mvLock.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

// Whether another thread could enter the section right now.
bool FreeForOthers(CRITICAL_SECTION* section) {
    bool entered = false;
    std::thread other([&] {
        entered = TryEnterCriticalSection(section);
        if (entered)
            LeaveCriticalSection(section);
    });
    other.join();
    return entered;
}

} // namespace

TEST(mvLock, HoldsUntilUnlockAndLeavesOnlyOnce) {
    mvCriticalSection section;
    EnterCriticalSection(section); // held once by this thread already
    {
        mvLock lock(section);
        EXPECT_TRUE(lock.IsHeld());
        lock.Unlock();
        EXPECT_FALSE(lock.IsHeld());
        lock.Unlock();
        EXPECT_FALSE(FreeForOthers(section));
    } // the end of the lock must not leave a second time
    EXPECT_FALSE(FreeForOthers(section));
    LeaveCriticalSection(section);
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(mvLock, LeavesWhenAnExceptionPasses) {
    mvCriticalSection section;
    try {
        mvLock lock(section);
        EXPECT_FALSE(FreeForOthers(section));
        throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(FreeForOthers(section));
}
