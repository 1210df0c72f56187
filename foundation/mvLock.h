// Critical sections: an owner that creates and deletes one, and a scoped
// lock that enters one and leaves it at most once.
#pragma once

#include <windows.h>

class mvCriticalSection {
public:
    mvCriticalSection() noexcept { InitializeCriticalSection(&m_section); }
    ~mvCriticalSection() { DeleteCriticalSection(&m_section); }
    mvCriticalSection(const mvCriticalSection&) = delete;
    mvCriticalSection& operator=(const mvCriticalSection&) = delete;

    CRITICAL_SECTION* Get() noexcept { return &m_section; }
    operator CRITICAL_SECTION*() noexcept { return &m_section; }

private:
    CRITICAL_SECTION m_section;
};

// Enters the section on construction; Unlock leaves it early, and the end of
// the lock (also during stack unwinding) leaves it only if still held.
class mvLock {
public:
    explicit mvLock(CRITICAL_SECTION* section) noexcept : m_section(section) {
        if (m_section) {
            EnterCriticalSection(m_section);
            m_held = true;
        }
    }
    ~mvLock() { Unlock(); }
    mvLock(const mvLock&) = delete;
    mvLock& operator=(const mvLock&) = delete;

    void Unlock() noexcept {
        if (m_section && m_held)
            LeaveCriticalSection(m_section);
        m_held = false;
    }
    bool IsHeld() const noexcept { return m_held; }

private:
    CRITICAL_SECTION* m_section;
    bool m_held = false;
};
