// Stand-ins for what Wine's shell lacks, shared by the tests of the shell
// menu, open with and the menus that use both: a shell context menu of fixed
// entries over a real menu, and recommended programs with their enumeration.
#pragma once

#include "foundation/Handles.h"
#include "ui/core/mvComBase.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <sstream>
#include <string>
#include <vector>

namespace fake {

// The blank-separated words of a text; "_" stands for an empty word.
inline std::vector<std::wstring> Words(const wchar_t* text) {
    std::wistringstream in(text);
    std::vector<std::wstring> words;
    for (std::wstring word; in >> word;)
        words.push_back(word == L"_" ? std::wstring() : word);
    return words;
}

// A shell menu of fixed entries: "-" is a separator, "!x" an entry "x" whose
// verb cannot be read, "x>" an entry "x" with a submenu, anything else an
// entry whose verb and caption are that word.
class ShellMenu : public mvcom_base<IContextMenu> {
public:
    explicit ShellMenu(std::vector<std::wstring> entries) : m_entries(std::move(entries)) {}

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT flags) override {
        ++queries;
        lastFlags = flags;
        UINT offset = 0;
        for (std::wstring entry : m_entries) {
            if (entry == L"-") {
                InsertMenuW(menu, index++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
            } else if (entry.back() == L'>') {
                entry.pop_back();
                HMENU sub = CreatePopupMenu();
                AppendMenuW(sub, MF_STRING, first + 1000, L"inner");
                MENUITEMINFOW info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
                info.wID = first + offset;
                info.hSubMenu = sub;
                info.dwTypeData = entry.data();
                InsertMenuItemW(menu, index++, TRUE, &info);
            } else {
                InsertMenuW(menu, index++, MF_BYPOSITION | MF_STRING, first + offset,
                            entry.c_str());
            }
            ++offset;
        }
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, offset);
    }
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
        invoked.push_back(static_cast<int>(reinterpret_cast<UINT_PTR>(info->lpVerb)));
        return S_OK;
    }
    STDMETHODIMP GetCommandString(UINT_PTR offset, UINT type, UINT*, CHAR* name,
                                  UINT size) override {
        ++verbReads;
        if (type != GCS_VERBW || offset >= m_entries.size() || m_entries[offset] == L"-" ||
            m_entries[offset][0] == L'!')
            return E_FAIL;
        std::wstring verb = m_entries[offset];
        if (verb.back() == L'>')
            verb.pop_back();
        wcsncpy_s(reinterpret_cast<wchar_t*>(name), size, verb.c_str(), _TRUNCATE);
        return S_OK;
    }

    int queries = 0;
    int verbReads = 0;
    UINT lastFlags = 0;
    std::vector<int> invoked;

private:
    std::vector<std::wstring> m_entries;
};

// How many items a data object's shell ID list array names; -1 for none.
inline int IdListCount(IDataObject* object) {
    FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_SHELLIDLIST)), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (object == nullptr || FAILED(object->GetData(&format, &medium)))
        return -1;
    auto* array = static_cast<CIDA*>(GlobalLock(medium.hGlobal));
    int count = array != nullptr ? static_cast<int>(array->cidl) : -1;
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return count;
}

// A recommended program; an empty name is no name. It takes data objects of
// at most `takes` items and records how many each one held.
class Handler : public mvcom_base<IAssocHandler> {
public:
    Handler(std::wstring name, std::wstring program, int takes = 1000, std::wstring icon = {})
        : m_name(std::move(name)), m_program(std::move(program)), m_takes(takes),
          m_icon(std::move(icon)) {}

    STDMETHODIMP GetName(LPWSTR* out) override { return Give(m_program, out); }
    STDMETHODIMP GetUIName(LPWSTR* out) override { return Give(m_name, out); }
    // The icon file given, index 0; none without one.
    STDMETHODIMP GetIconLocation(LPWSTR* path, int* index) override {
        if (m_icon.empty())
            return E_NOTIMPL;
        *index = 0;
        return Give(m_icon, path);
    }
    STDMETHODIMP IsRecommended() override { return S_OK; }
    STDMETHODIMP MakeDefault(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(IDataObject* object) override {
        int count = IdListCount(object);
        invoked.push_back(count);
        return count >= 1 && count <= m_takes ? S_OK : E_FAIL;
    }
    STDMETHODIMP CreateInvoker(IDataObject*, IAssocHandlerInvoker**) override { return E_NOTIMPL; }

    std::vector<int> invoked;
    const std::wstring& Name() const { return m_name; }

private:
    static HRESULT Give(const std::wstring& text, LPWSTR* out) {
        if (text.empty())
            return E_FAIL;
        return SHStrDupW(text.c_str(), out);
    }
    std::wstring m_name, m_program;
    int m_takes;
    std::wstring m_icon;
};

// Hands out the handlers in order; takes over the references it is given.
class Handlers : public mvcom_base<IEnumAssocHandlers> {
public:
    explicit Handlers(std::vector<Handler*> handlers) : m_handlers(std::move(handlers)) {}
    ~Handlers() override {
        for (Handler* handler : m_handlers)
            handler->Release();
    }
    STDMETHODIMP Next(ULONG count, IAssocHandler** out, ULONG* fetched) override {
        if (count != 1 || m_next >= m_handlers.size())
            return S_FALSE;
        out[0] = m_handlers[m_next++];
        out[0]->AddRef();
        if (fetched != nullptr)
            *fetched = 1;
        return S_OK;
    }

private:
    std::vector<Handler*> m_handlers;
    std::size_t m_next = 0;
};

// An open-with source that gives handlers named by the words of `names`
// (program "C:\<name>.exe") for every extension, counts its calls and keeps
// the handlers it made for a look at what they were handed.
struct HandlerSource {
    const wchar_t* names = L"";
    int asked = 0;
    std::vector<ComHandle<Handler>> made;

    static HRESULT Enumerate(const wchar_t*, IEnumAssocHandlers** out, void* context) {
        auto* source = static_cast<HandlerSource*>(context);
        ++source->asked;
        std::vector<Handler*> handlers;
        for (const std::wstring& name : Words(source->names)) {
            auto* handler = new Handler(name, L"C:\\" + name + L".exe");
            handler->AddRef();
            source->made.emplace_back(handler);
            handlers.push_back(handler);
        }
        *out = new Handlers(std::move(handlers));
        return S_OK;
    }
};

} // namespace fake
