#include "ui/core/mvWndTimer.h"

#include "foundation/mvLock.h"

#include <cstdint>
#include <map>

namespace {

struct Registry {
    mvCriticalSection lock;
    std::map<uint64_t, mvWndTimer*> owners;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

uint64_t WindowBits(HWND hwnd) {
    return static_cast<uint64_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd))) << 32;
}

uint64_t KeyOf(HWND hwnd, UINT_PTR id) {
    return WindowBits(hwnd) | static_cast<uint32_t>(id);
}

} // namespace

// Changes the object's fields for the registry, which holds its lock.
struct mvWndTimerAccess {
    static void Forget(mvWndTimer& timer) {
        timer.m_hwnd = nullptr;
        timer.m_id = 0;
    }
};

mvWndTimer::~mvWndTimer() {
    Registry& registry = TheRegistry();
    mvLock lock(registry.lock);
    for (auto it = registry.owners.begin(); it != registry.owners.end();) {
        if (it->second == this) {
            KillTimer(m_hwnd, static_cast<UINT_PTR>(static_cast<uint32_t>(it->first)));
            it = registry.owners.erase(it);
        } else {
            ++it;
        }
    }
}

bool mvWndTimer::Start(UINT elapse) {
    if (m_hwnd == nullptr)
        return false;
    Registry& registry = TheRegistry();
    mvLock lock(registry.lock);
    if (m_id != 0) {
        auto it = registry.owners.find(KeyOf(m_hwnd, m_id));
        if (it == registry.owners.end() || it->second != this)
            return false;
        return SetTimer(m_hwnd, m_id, elapse, nullptr) != 0;
    }
    for (UINT_PTR id = kFirstId; id <= kLastId; ++id) {
        const uint64_t key = KeyOf(m_hwnd, id);
        if (registry.owners.count(key) != 0)
            continue;
        if (SetTimer(m_hwnd, id, elapse, nullptr) == 0)
            return false;
        registry.owners[key] = this;
        m_id = id;
        return true;
    }
    return false;
}

bool mvWndTimer::Stop() {
    Registry& registry = TheRegistry();
    mvLock lock(registry.lock);
    if (m_hwnd == nullptr || m_id == 0)
        return false;
    KillTimer(m_hwnd, m_id);
    auto it = registry.owners.find(KeyOf(m_hwnd, m_id));
    if (it != registry.owners.end() && it->second == this)
        registry.owners.erase(it);
    m_hwnd = nullptr;
    m_id = 0;
    return true;
}

bool mvWndTimer::Rebind(HWND window, UINT elapse) {
    if (m_hwnd != nullptr && m_hwnd != window) {
        Registry& registry = TheRegistry();
        mvLock lock(registry.lock);
        const HWND old = m_hwnd;
        const bool oldGone = !IsWindow(old);
        const uint64_t first = WindowBits(old);
        const uint64_t last = first | 0xFFFFFFFFu;
        for (auto it = registry.owners.lower_bound(first);
             it != registry.owners.end() && it->first <= last;) {
            mvWndTimer* owner = it->second;
            if (owner != this && !oldGone) {
                ++it;
                continue;
            }
            // Only this object's timer, unless the window is gone and every
            // entry of it is stale.
            if (!oldGone)
                KillTimer(old, static_cast<UINT_PTR>(static_cast<uint32_t>(it->first)));
            if (owner->m_hwnd == old)
                mvWndTimerAccess::Forget(*owner);
            it = registry.owners.erase(it);
        }
        m_hwnd = nullptr;
        m_id = 0;
    }
    if (window != nullptr && m_hwnd == nullptr)
        m_hwnd = window;
    return Start(elapse);
}
