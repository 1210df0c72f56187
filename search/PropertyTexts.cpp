#include "search/PropertyTexts.h"

#include "foundation/Handles.h"
#include "foundation/OptionalProc.h"
#include "foundation/Paths.h"
#include "foundation/mvcominit.h"

#include <shlobj.h>

#include <iterator>

namespace {

// Linking the property system's exports directly would make the program
// depend on functions some systems lack; it is looked up instead.
using GetPropertySystemProc = HRESULT(WINAPI*)(REFIID, void**);
OptionalProc<GetPropertySystemProc> g_getPropertySystem(L"propsys.dll", "PSGetPropertySystem");

// What each thread keeps: its property system (asked for once) and the
// shell item of the last path it asked for. Held in fiber-local storage; the
// COM objects are released by the thread's last leaving of COM
// (ReleaseThreadObjects), the rest when the thread ends.
struct ThreadState {
    ComHandle<IPropertySystem> system;
    bool asked = false;
    std::uint32_t changes = 0;
    mvstring path;
    ComHandle<IShellItem2> item;
};

void WINAPI FreeThreadState(void* state) {
    delete static_cast<ThreadState*>(state);
}

DWORD StateSlot() {
    static const DWORD slot = FlsAlloc(&FreeThreadState);
    return slot;
}

// The calling thread's state, made on first use when `make` is set.
ThreadState* FindState(bool make) {
    const DWORD slot = StateSlot();
    if (slot == FLS_OUT_OF_INDEXES) {
        // Without a slot each thread keeps its state for the life of the
        // process.
        thread_local ThreadState* leaked = new ThreadState;
        return leaked;
    }
    auto* state = static_cast<ThreadState*>(FlsGetValue(slot));
    if (!state && make) {
        state = new ThreadState;
        FlsSetValue(slot, state);
    }
    return state;
}

// Runs on the thread's last leaving of COM, while COM still runs: the
// property system is asked for again should the thread use COM once more.
void ReleaseThreadObjects() noexcept {
    ThreadState* state = FindState(false);
    if (!state)
        return;
    state->item.Reset();
    state->path.clear();
    if (state->system) {
        state->system.Reset();
        state->asked = false;
        ++state->changes;
    }
}

ThreadState& State() {
    static const bool registered = mvcominit::AddThreadRelease(&ReleaseThreadObjects);
    (void)registered;
    return *FindState(true);
}

} // namespace

IPropertySystem* GetPropertySystem() {
    ThreadState& cache = State();
    if (!cache.asked) {
        cache.asked = true;
        // The module is held for the life of the process: COM may unload a
        // library it loaded itself when a thread leaves COM, which would
        // leave every thread's property system dangling.
        static const HMODULE held = LoadLibraryW(L"propsys.dll");
        (void)held;
        // What a failing call leaves in the out slot is not a pointer to own.
        void* system = nullptr;
        if (GetPropertySystemProc proc = g_getPropertySystem.Get())
            if (SUCCEEDED(proc(__uuidof(IPropertySystem), &system)))
                cache.system.Assign(static_cast<IPropertySystem*>(system));
    }
    return cache.system.Get();
}

bool ListPropertyColumns(std::vector<mvstring>& titles) {
    static const PROPERTYKEY kColumns[] = {
        {kStorageFormatId, 10}, // System.ItemNameDisplay
        kKeySize,
        {kStorageFormatId, 4}, // System.ItemTypeText
        kKeyDateModified,
        {{0xDABD30ED, 0x0043, 0x4789, {0xA7, 0xF8, 0xD0, 0x13, 0xA4, 0x73, 0x66, 0x22}},
         100}, // System.ItemFolderPathDisplayNarrow
        kKeyDateCreated,
        kKeyDateAccessed,
        kKeyFileAttributes,
        {{0xE4F10A3C, 0x49E6, 0x405D, {0x82, 0x88, 0xA2, 0x3B, 0xD4, 0xEE, 0xAA, 0x6C}},
         100}, // System.FileExtension
    };
    titles.clear();
    IPropertySystem* system = GetPropertySystem();
    ComHandle<IPropertyDescriptionList> list;
    UINT count = 0;
    if (!system ||
        FAILED(system->EnumeratePropertyDescriptions(PDEF_SYSTEM, __uuidof(IPropertyDescriptionList),
                                                     reinterpret_cast<void**>(list.Put()))) ||
        !list || FAILED(list.Get()->GetCount(&count)))
        return false;
    titles.assign(std::size(kColumns), mvstring());
    for (UINT i = 0; i < count; ++i) {
        ComHandle<IPropertyDescription> description;
        PROPERTYKEY key{};
        if (FAILED(list.Get()->GetAt(i, __uuidof(IPropertyDescription),
                               reinterpret_cast<void**>(description.Put()))) ||
            !description || FAILED(description.Get()->GetPropertyKey(&key)))
            continue;
        for (size_t column = 0; column < std::size(kColumns); ++column) {
            if (!IsEqualPropertyKey(key, kColumns[column]))
                continue;
            CoTaskMemHandle<wchar_t> name;
            if (SUCCEEDED(description.Get()->GetDisplayName(name.Put())) && name && name.Get()[0] != 0)
                titles[column] = name.Get();
        }
    }
    for (const mvstring& title : titles)
        if (title.empty()) {
            titles.clear();
            return false;
        }
    return true;
}

void SetThreadPropertySystem(IPropertySystem* system) {
    ThreadState& cache = State();
    if (system)
        system->AddRef();
    cache.system.Assign(system);
    cache.asked = system != nullptr;
    ++cache.changes;
}

std::uint32_t PropertySystemChanges() {
    return State().changes;
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

IShellItem2* GetShellItem(const mvstring& path) {
    ThreadState& cache = State();
    if (path.empty())
        return nullptr;
    if (cache.item && cache.path == path)
        return cache.item.Get();
    // The new item is made before the old one goes, so that the two are
    // never mistaken for each other.
    void* item = nullptr;
    if (FAILED(SHCreateItemFromParsingName(ShellPathForm(path).c_str(), nullptr,
                                           __uuidof(IShellItem2), &item)))
        item = nullptr;
    cache.item.Assign(static_cast<IShellItem2*>(item));
    cache.path = item ? path : mvstring();
    return cache.item.Get();
}

bool GetItemPropertyTexts(const mvstring& path, std::vector<mvstring>& lines) {
    lines.clear();
    IPropertySystem* system = GetPropertySystem();
    IShellItem2* item = system ? GetShellItem(path) : nullptr;
    if (!item)
        return false;
    ComHandle<IPropertyDescriptionList> list;
    if (FAILED(item->GetPropertyDescriptionList(kKeyTileInfo, __uuidof(IPropertyDescriptionList),
                                                reinterpret_cast<void**>(list.Put()))) ||
        !list)
        return false;
    UINT count = 0;
    if (FAILED(list.Get()->GetCount(&count)))
        count = 0;
    for (UINT i = 0; i < count && i < 2; ++i) {
        ComHandle<IPropertyDescription> description;
        PROPERTYKEY key;
        if (FAILED(list.Get()->GetAt(i, __uuidof(IPropertyDescription),
                                     reinterpret_cast<void**>(description.Put()))) ||
            !description || FAILED(description.Get()->GetPropertyKey(&key)))
            continue;
        if (IsEqualPropertyKey(key, kKeyRating))
            continue;
        PROPVARIANT value;
        PropVariantInit(&value);
        if (SUCCEEDED(item->GetProperty(key, &value))) {
            mvstring text;
            FormatPropertyValue(key, value, PDFF_DEFAULT, text);
            if (!text.empty())
                lines.push_back(std::move(text));
        }
        PropVariantClear(&value);
    }
    return true;
}

void AppendInfoTipPathLine(mvstring& tip, const mvstring& pathLine) {
    if (pathLine.empty())
        return;
    size_t end = tip.size();
    while (end > 0 && (tip[end - 1] == L'\r' || tip[end - 1] == L'\n' || tip[end - 1] == L'\t'))
        --end;
    tip.resize(end);
    tip += L"\r\n";
    tip += pathLine;
}

mvstring GetItemInfoTip(const mvstring& path) {
    mvstring tip;
    IShellItem2* item = GetShellItem(path);
    if (!item)
        return tip;
    // The shell folder's UI object of the item answers for its tip.
    static constexpr GUID kBindUiObject = {
        0x3981E225, 0xF559, 0x11D3, {0x8E, 0x3A, 0x00, 0xC0, 0x4F, 0x68, 0x37, 0xD5}};
    static constexpr GUID kQueryInfoId = {
        0x00021500, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    ComHandle<IQueryInfo> info;
    if (SUCCEEDED(item->BindToHandler(nullptr, kBindUiObject, kQueryInfoId,
                                      reinterpret_cast<void**>(info.Put()))) &&
        info) {
        CoTaskMemHandle<wchar_t> text;
        if (SUCCEEDED(info.Get()->GetInfoTip(QITIPF_DEFAULT, text.Put())) && text)
            tip = text.Get();
    }
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(item->GetProperty(kKeyItemPathDisplayNarrow, &value))) {
        mvstring pathLine;
        FormatPropertyValue(kKeyItemPathDisplayNarrow, value, PDFF_PREFIXNAME, pathLine);
        AppendInfoTipPathLine(tip, pathLine);
    }
    PropVariantClear(&value);
    return tip;
}
