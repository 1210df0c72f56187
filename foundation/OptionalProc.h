// System functions that may be missing on the running system, looked up by
// name at run time.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

// The function's address in the module (found loaded, else loaded and kept),
// trying the name and then the name with "W" appended. Null when a name is
// empty, the module cannot be had or the function is not there.
FARPROC LoadOptionalProc(const wchar_t* moduleName, const char* functionName);

// The cached result of one LoadOptionalProc: not looked up yet, missing, or
// the address. Safe to use from several threads: a lookup may run twice, but
// both find the same address, published with a release store.
template <typename F> class OptionalProc {
public:
    constexpr OptionalProc(const wchar_t* moduleName, const char* functionName) noexcept
        : m_module(moduleName), m_function(functionName) {}
    OptionalProc(const OptionalProc&) = delete;
    OptionalProc& operator=(const OptionalProc&) = delete;

    // The function, or null when it is missing.
    F Get() noexcept {
        uintptr_t state = m_state.load(std::memory_order_acquire);
        if (state == kNotLookedUp) {
            FARPROC proc = LoadOptionalProc(m_module, m_function);
            state = proc ? reinterpret_cast<uintptr_t>(proc) : kMissing;
            m_state.store(state, std::memory_order_release);
        }
        return state == kMissing ? nullptr : reinterpret_cast<F>(state);
    }
    bool IsLookedUp() const noexcept {
        return m_state.load(std::memory_order_acquire) != kNotLookedUp;
    }

private:
    static constexpr uintptr_t kNotLookedUp = 0;
    static constexpr uintptr_t kMissing = 1;
    const wchar_t* m_module;
    const char* m_function;
    std::atomic<uintptr_t> m_state{kNotLookedUp};
};
