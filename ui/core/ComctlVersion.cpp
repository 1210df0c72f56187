#include "ui/core/ComctlVersion.h"

#include "foundation/OptionalProc.h"

#include <shlwapi.h>
#include <uxtheme.h>

#include <atomic>

namespace {

std::atomic<DWORD> g_major{0}; // 0: not asked yet

DWORD AskComctlMajorVersion() {
    static OptionalProc<DLLGETVERSIONPROC> getVersion(L"comctl32.dll", "DllGetVersion");
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    const DLLGETVERSIONPROC ask = getVersion.Get();
    if (ask == nullptr || FAILED(ask(&info)))
        return 0;
    return info.dwMajorVersion;
}

} // namespace

bool IsThemedComctl() {
    if (!IsAppThemed())
        return false;
    DWORD major = g_major.load();
    if (major == 0) {
        major = AskComctlMajorVersion();
        // A failed question is kept as version 1 so that it is not asked again.
        g_major.store(major != 0 ? major : 1);
    }
    return major >= 6;
}

void SetComctlMajorVersion(DWORD major) {
    g_major.store(major);
}
