#include "app/shared/ClipboardFormats.h"

#include "foundation/Handles.h"
#include "foundation/mvLock.h"

#include <cstring>
#include <map>
#include <string>

namespace {

struct FormatRegistry {
    mvCriticalSection lock;
    std::map<std::wstring, std::uint16_t> ids;
};

// Built on first use (the language makes that thread-safe).
FormatRegistry& Registry() {
    static FormatRegistry registry;
    return registry;
}

FORMATETC ContentFormat(std::uint16_t format) {
    return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

} // namespace

std::uint16_t GetClipboardFormatId(const wchar_t* name) {
    if (name == nullptr || *name == 0)
        return 0;
    FormatRegistry& registry = Registry();
    mvLock guard(registry.lock);
    auto it = registry.ids.find(name);
    if (it == registry.ids.end())
        it = registry.ids.emplace(name, static_cast<std::uint16_t>(RegisterClipboardFormatW(name)))
                 .first;
    return it->second;
}

bool ReadDataObjectDword(IDataObject* object, std::uint16_t format, DWORD& value) {
    value = 0;
    if (object == nullptr || format == 0)
        return false;
    FORMATETC request = ContentFormat(format);
    STGMEDIUM medium{};
    if (FAILED(object->GetData(&request, &medium)))
        return false;
    bool ok = false;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal != nullptr &&
        GlobalSize(medium.hGlobal) >= sizeof(DWORD)) {
        if (const void* bytes = GlobalLock(medium.hGlobal)) {
            value = *static_cast<const DWORD*>(bytes);
            ok = true;
            GlobalUnlock(medium.hGlobal);
        }
    }
    ReleaseStgMedium(&medium);
    return ok;
}

bool StoreGlobalBlock(IDataObject* object, std::uint16_t format, std::size_t size,
                      void (*fill)(BYTE* bytes, const void* context), const void* context) {
    if (object == nullptr || format == 0)
        return false;
    GlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    if (!block)
        return false;
    auto* bytes = static_cast<BYTE*>(GlobalLock(block.Get()));
    if (bytes == nullptr)
        return false;
    fill(bytes, context);
    GlobalUnlock(block.Get());
    FORMATETC stored = ContentFormat(format);
    STGMEDIUM medium{TYMED_HGLOBAL};
    medium.hGlobal = block.Get();
    if (object->SetData(&stored, &medium, TRUE) != S_OK)
        return false;
    // The object released the block on taking its copy.
    (void)block.Release();
    return true;
}

bool WriteDataObjectDword(IDataObject* object, const wchar_t* formatName, DWORD value) {
    return StoreGlobalBlock(object, GetClipboardFormatId(formatName), sizeof(DWORD),
                            [&](BYTE* bytes) { std::memcpy(bytes, &value, sizeof value); });
}
