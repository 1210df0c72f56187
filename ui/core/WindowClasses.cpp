#include "ui/core/WindowClasses.h"

#include "foundation/mvini.h"

#include <map>

namespace {

using AtomCache = mvstrmap<ATOM>;

AtomCache& LibraryClasses() {
    static AtomCache cache;
    return cache;
}
AtomCache& DialogClasses() {
    static AtomCache cache;
    return cache;
}

mvstring ClassKey(const wchar_t* name) {
    if (IS_INTRESOURCE(name)) {
        wchar_t number[16];
        wsprintfW(number, L"%u", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
        return number;
    }
    return name;
}

// The cached ATOM of the name, or the result of `registerClass`, cached
// when it is not 0.
template <typename F>
ATOM CachedRegistration(AtomCache& cache, const mvstring& key, F registerClass) {
    if (const auto found = cache.find(key); found != cache.end())
        return found->second;
    const ATOM atom = registerClass();
    if (atom != 0)
        cache[key] = atom;
    return atom;
}

HINSTANCE ModuleInstance() {
    return GetModuleHandleW(nullptr);
}

} // namespace

ATOM RegisterWindowClassCached(const WNDCLASSW* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr)
        return 0;
    return CachedRegistration(LibraryClasses(), ClassKey(windowClass->lpszClassName),
                              [&] { return RegisterClassW(windowClass); });
}

ATOM RegisterDialogClass(const wchar_t* name) {
    if (name == nullptr || *name == 0)
        return 0;
    return CachedRegistration(DialogClasses(), name, [&]() -> ATOM {
        WNDCLASSW wc{};
        if (!GetClassInfoW(nullptr, L"#32770", &wc))
            return 0;
        wc.hInstance = ModuleInstance();
        wc.lpszClassName = name;
        return RegisterClassW(&wc);
    });
}

HCURSOR GetHandCursor() {
    static std::map<ULONG_PTR, HCURSOR> cursors;
    const ULONG_PTR id = reinterpret_cast<ULONG_PTR>(IDC_HAND);
    HCURSOR& cursor = cursors[id];
    if (cursor == nullptr)
        cursor = LoadCursorW(nullptr, IDC_HAND);
    return cursor;
}
