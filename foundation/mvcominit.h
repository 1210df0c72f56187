// Per-thread COM initialisation, counted so that nested users on one thread
// share a single apartment. Construction acquires, destruction releases.
#pragma once

#include <windows.h>

class mvcominit {
public:
    mvcominit() noexcept { Acquire(); }
    virtual ~mvcominit() { Uninit(); }
    mvcominit(const mvcominit&) = delete;
    mvcominit& operator=(const mvcominit&) = delete;

    // First user of the thread: initialises COM apartment-threaded. Later
    // users only count.
    static void Acquire() noexcept;
    // Mode 0: Acquire. Above 0: count and initialise again. Below 0: Uninit.
    static bool Init(int mode) noexcept;
    // One user less; the last one uninitialises what this class initialised.
    static void Uninit() noexcept;
    // For a thread that may never need COM: the thread's first Acquire (or
    // Init) after this call also counts one user for the thread itself, so
    // that the apartment lives on past that user until EndDeferred. A thread
    // that never asks for COM never starts an apartment, which under Wine
    // would bring up the display.
    static void DeferAcquire() noexcept;
    // Drops the thread's own user if the deferred acquire happened, and
    // stops deferring.
    static void EndDeferred() noexcept;

    // Releases what the calling thread keeps of COM (objects held per
    // thread). Every registered function runs on each thread's last Uninit,
    // before COM is uninitialised: objects released after that, by a
    // thread-exit clean-up or a static destructor, would call into an
    // apartment that no longer exists. A function is registered once however
    // often it is passed; false when the table is full.
    using ThreadRelease = void (*)() noexcept;
    static bool AddThreadRelease(ThreadRelease release) noexcept;

    // The calling thread's count of users and apartment mode
    // (2 = apartment-threaded, 0 = none).
    static int Count() noexcept;
    static int Mode() noexcept;
};
