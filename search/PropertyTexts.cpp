#include "search/PropertyTexts.h"

#include "foundation/Handles.h"
#include "foundation/OptionalProc.h"

namespace {

// Linking the property system's exports directly would make the program
// depend on functions some systems lack; it is looked up instead.
using GetPropertySystemProc = HRESULT(WINAPI*)(REFIID, void**);
OptionalProc<GetPropertySystemProc> g_getPropertySystem(L"propsys.dll", "PSGetPropertySystem");

struct ThreadPropertySystem {
    ComHandle<IPropertySystem> system;
    bool asked = false;
};
thread_local ThreadPropertySystem t_propertySystem;

} // namespace

IPropertySystem* GetPropertySystem() {
    ThreadPropertySystem& cache = t_propertySystem;
    if (!cache.asked) {
        cache.asked = true;
        // What a failing call leaves in the out slot is not a pointer to own.
        void* system = nullptr;
        if (GetPropertySystemProc proc = g_getPropertySystem.Get())
            if (SUCCEEDED(proc(__uuidof(IPropertySystem), &system)))
                cache.system.Assign(static_cast<IPropertySystem*>(system));
    }
    return cache.system.Get();
}

void SetThreadPropertySystem(IPropertySystem* system) {
    ThreadPropertySystem& cache = t_propertySystem;
    if (system)
        system->AddRef();
    cache.system.Assign(system);
    cache.asked = system != nullptr;
}

void FormatPropertyValue(const PROPERTYKEY& key, const PROPVARIANT& value,
                         PROPDESC_FORMAT_FLAGS flags, mvstring& out) {
    out.clear();
    IPropertySystem* system = GetPropertySystem();
    if (!system)
        return;
    CoTaskMemHandle<wchar_t> text;
    if (SUCCEEDED(system->FormatForDisplayAlloc(key, value, flags, text.Put())) && text)
        out = text.Get();
}

void FormatSizeProperty(std::uint64_t size, mvstring& out, bool kb) {
    PROPVARIANT value{};
    value.vt = VT_UI8;
    value.uhVal.QuadPart = size;
    FormatPropertyValue(kKeySize, value, kb ? PDFF_ALWAYSKB : PDFF_DEFAULT, out);
}

void FormatAttributesProperty(std::uint32_t attributes, mvstring& out) {
    PROPVARIANT value{};
    value.vt = VT_UI4;
    value.ulVal = attributes & ~static_cast<std::uint32_t>(FILE_ATTRIBUTE_NORMAL);
    FormatPropertyValue(kKeyFileAttributes, value, PDFF_DEFAULT, out);
}
