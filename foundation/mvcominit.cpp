#include "foundation/mvcominit.h"

#include <objbase.h>

#include <atomic>

namespace {

struct ComState {
    int count = 0; // users of COM on this thread
    int mode = 0;  // 2 = apartment-threaded, 0 = none
    // Successful CoInitializeEx calls not yet undone. Only these are matched
    // with CoUninitialize: a call refused because the thread already lives in
    // another apartment must not uninitialise someone else's COM.
    int initialised = 0;
    bool deferred = false; // DeferAcquire: the next first user also counts the thread
    bool held = false;     // the thread's own user is counted
};

thread_local ComState t_com;

// A fixed table: registration may come from any thread at any time, and the
// threads read it without a lock.
constexpr int kMaxReleases = 8;
std::atomic<mvcominit::ThreadRelease> g_releases[kMaxReleases];

void RunThreadReleases() noexcept {
    for (auto& slot : g_releases)
        if (mvcominit::ThreadRelease release = slot.load())
            release();
}

void InitApartment() noexcept {
    t_com.mode = 2;
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) // S_OK and S_FALSE both need their CoUninitialize
        ++t_com.initialised;
    if (t_com.deferred && !t_com.held) {
        t_com.held = true;
        ++t_com.count;
    }
}

} // namespace

void mvcominit::Acquire() noexcept {
    if (t_com.count++ > 0)
        return;
    InitApartment();
}

bool mvcominit::Init(int mode) noexcept {
    if (mode == 0) {
        Acquire();
    } else if (mode > 0) {
        ++t_com.count;
        InitApartment();
    } else {
        Uninit();
    }
    return true;
}

void mvcominit::Uninit() noexcept {
    if (t_com.count == 0)
        return;
    if (--t_com.count > 0)
        return;
    RunThreadReleases();
    t_com.mode = 0;
    for (; t_com.initialised > 0; --t_com.initialised)
        CoUninitialize();
}

bool mvcominit::AddThreadRelease(ThreadRelease release) noexcept {
    for (auto& slot : g_releases) {
        ThreadRelease expected = nullptr;
        if (slot.compare_exchange_strong(expected, release) || expected == release)
            return true;
    }
    return false;
}

void mvcominit::DeferAcquire() noexcept {
    t_com.deferred = true;
}

void mvcominit::EndDeferred() noexcept {
    t_com.deferred = false;
    if (t_com.held) {
        t_com.held = false;
        Uninit();
    }
}

int mvcominit::Count() noexcept {
    return t_com.count;
}
int mvcominit::Mode() noexcept {
    return t_com.mode;
}
