#include "app/main/OpenWith.h"

#include "app/shared/FileDataObjects.h"
#include "app/shared/IdLists.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "search/FoundItem.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <limits>

namespace {

mvstring ItemPath(const FoundItem& item) {
    return PathJoin(item.folder.view(), item.name.view());
}

// How many results one open command opens one by one.
std::size_t OpenLimit() {
    int limit = Settings().MaxItemOpen;
    if (limit < 0)
        return 1;
    return limit == 0 ? std::numeric_limits<std::size_t>::max() : static_cast<std::size_t>(limit);
}

// Opens the items after the first in order while `more` holds for each,
// until the limit counts the first one too.
template <typename More>
void OpenFollowing(const std::vector<const FoundItem*>& selection, ResultOpener& opener,
                   More more) {
    std::size_t limit = OpenLimit();
    std::size_t opened = 1;
    for (std::size_t i = 1; i < selection.size() && opened < limit; ++i) {
        if (!more(*selection[i]))
            break;
        opener.Execute(*selection[i]);
        ++opened;
    }
}

// The system's cached image index of an icon file; looked up at run time,
// as not every shell exports it by name: some export only the unsuffixed
// name, which takes a wide path on every system that has the W form.
int CachedImageIndex(const wchar_t* path, int index) {
    using Function = int(WINAPI*)(PCWSTR, int, UINT);
    static Function function = [] {
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        if (shell == nullptr)
            return Function{};
        FARPROC found = GetProcAddress(shell, "Shell_GetCachedImageIndexW");
        if (found == nullptr)
            found = GetProcAddress(shell, "Shell_GetCachedImageIndex");
        return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
    }();
    return function != nullptr ? function(path, index, 0) : -1;
}

mvstring HandlerText(IAssocHandler* handler, bool uiName) {
    CoTaskMemHandle<wchar_t> text;
    HRESULT hr = uiName ? handler->GetUIName(text.Put()) : handler->GetName(text.Put());
    if (FAILED(hr) || !text)
        return {};
    return mvstring(text.Get());
}

// The shell's enumeration of the programs recommended for an extension.
HRESULT ShellHandlers(const wchar_t* ext, IEnumAssocHandlers** out, void*) {
    return SHAssocEnumHandlers(ext, ASSOC_FILTER_RECOMMENDED, out);
}

// Whether the result's file or folder is still there.
bool StillThere(const FoundItem& item) {
    return GetFileAttributesW(ItemPath(item).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

void OpenWithHandler::MoveAssign(OpenWithHandler& other) noexcept {
    handler = std::move(other.handler);
    name = std::move(other.name);
    other.name.clear();
    icon = other.icon;
    other.icon = -1;
}

mvstring GetDefaultProgram(const FoundItem& file) {
    CoTaskMemHandle<ITEMIDLIST> list(
        ParsePathToIdList(ItemPath(file).view(), file.attr, file.size));
    if (!list)
        return {};
    ComHandle<IShellItem> item;
    if (FAILED(SHCreateItemFromIDList(list.Get(), IID_IShellItem,
                                      reinterpret_cast<void**>(item.Put()))))
        return {};
    ComHandle<IQueryAssociations> associations;
    if (FAILED(item.Get()->BindToHandler(nullptr, BHID_AssociationArray, IID_IQueryAssociations,
                                         reinterpret_cast<void**>(associations.Put()))))
        return {};
    DWORD length = 0;
    HRESULT hr =
        associations.Get()->GetString(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, nullptr, nullptr, &length);
    if (hr == E_POINTER || length == 0)
        return {};
    std::wstring program(length, L'\0');
    if (FAILED(associations.Get()->GetString(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, nullptr,
                                             program.data(), &length)))
        return {};
    program.resize(wcsnlen(program.c_str(), program.size()));
    return mvstring(std::move(program));
}

int OpenWithList::Rebuild(const std::vector<const FoundItem*>& selection) {
    Clear();
    if (selection.empty() || selection.front()->IsFolder() || selection.front()->ext.empty())
        return -1;
    mvstring program = GetDefaultProgram(*selection.front());
    ComHandle<IEnumAssocHandlers> handlers;
    HandlerSource source = m_source != nullptr ? m_source : &ShellHandlers;
    if (FAILED(source(selection.front()->ext.c_str(), handlers.Put(), m_sourceContext)) ||
        !handlers)
        return -1;
    return Fill(handlers.Get(), program);
}

int OpenWithList::Fill(IEnumAssocHandlers* handlers, const mvstring& defaultProgram) {
    Clear();
    std::size_t defaultAt = 0;
    while (handlers != nullptr && m_handlers.size() < kMaxOpenWithHandlers) {
        ComHandle<IAssocHandler> handler;
        ULONG fetched = 0;
        if (handlers->Next(1, handler.Put(), &fetched) != S_OK || !handler)
            break;
        OpenWithHandler entry;
        entry.name = HandlerText(handler.Get(), true);
        if (entry.name.empty())
            continue;
        CoTaskMemHandle<wchar_t> iconPath;
        int iconIndex = 0;
        if (handler.Get()->GetIconLocation(iconPath.Put(), &iconIndex) == S_OK && iconPath)
            entry.icon = CachedImageIndex(iconPath.Get(), iconIndex);
        if (mvstring::EqualsNoCase(HandlerText(handler.Get(), false).view(), defaultProgram.view()))
            defaultAt = m_handlers.size();
        entry.handler = std::move(handler);
        m_handlers.push_back(std::move(entry));
    }
    if (defaultAt > 0)
        std::rotate(m_handlers.begin(), m_handlers.begin() + static_cast<std::ptrdiff_t>(defaultAt),
                    m_handlers.begin() + static_cast<std::ptrdiff_t>(defaultAt) + 1);
    return m_handlers.empty() ? -1 : m_handlers.front().icon;
}

bool OpenWithList::Invoke(std::size_t index, const std::vector<const FoundItem*>& selection) const {
    if (index >= m_handlers.size() || selection.empty() || !m_handlers[index].handler)
        return false;
    IdListVector lists;
    BuildIdListVector(lists, selection);
    if (lists.empty())
        return false;
    IAssocHandler* handler = m_handlers[index].handler.Get();
    {
        ComHandle<IDataObject> object(CVQDataObject_FromPidls(lists));
        if (!object)
            return false;
        if (SUCCEEDED(handler->Invoke(object.Get())))
            return true;
    }
    if (lists.size() == 1)
        return false;
    // Some programs take one file only.
    IdListVector first;
    first.Add(ILClone(lists[0]));
    lists.Free();
    ComHandle<IDataObject> object(CVQDataObject_FromPidls(first));
    return object && SUCCEEDED(handler->Invoke(object.Get()));
}

bool ResultOpener::Execute(const FoundItem& item) {
    return ResultItem_ShellExecute(item);
}

bool ResultOpener::OpenWithDialog(const FoundItem& item) {
    return ResultItem_OpenWithDialog(item);
}

PERCEIVED ResultOpener::PerceivedType(const mvstring& ext) {
    PERCEIVED type = PERCEIVED_TYPE_UNSPECIFIED;
    PERCEIVEDFLAG flags = 0;
    if (FAILED(AssocGetPerceivedType(ext.c_str(), &type, &flags, nullptr)))
        return PERCEIVED_TYPE_UNSPECIFIED;
    return type;
}

const wchar_t* ExecuteClass(const FoundItem& item) {
    if (item.IsFolder())
        return L"Folder";
    return item.ext.empty() ? L"Unknown" : nullptr;
}

bool ResultItem_ShellExecute(const FoundItem& item) {
    mvstring path = ItemPath(item);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    info.lpClass = ExecuteClass(item);
    if (info.lpClass != nullptr)
        info.fMask = SEE_MASK_CLASSNAME;
    return ShellExecuteExW(&info) != FALSE;
}

bool ResultItem_OpenWithDialog(const FoundItem& item) {
    mvstring path = ItemPath(item);
    OPENASINFO info{};
    info.pcszFile = path.c_str();
    info.oaifInFlags = OAIF_EXEC;
    return SHOpenWithDialog(nullptr, &info) == S_OK;
}

bool OpenItems(const std::vector<const FoundItem*>& selection, ResultOpener& opener) {
    if (selection.empty() || selection.front()->IsFolder() || selection.front()->ext.empty())
        return false;
    const mvstring& ext = selection.front()->ext;
    bool mixed = std::any_of(selection.begin() + 1, selection.end(), [&](const FoundItem* item) {
        return !mvstring::EqualsNoCase(item->ext.view(), ext.view());
    });
    if (!opener.Execute(*selection.front()))
        return false;
    if (!mixed)
        OpenFollowing(selection, opener, [](const FoundItem&) { return true; });
    return true;
}

bool OpenDefault(const std::vector<const FoundItem*>& selection, const OpenWithList& list,
                 ResultOpener& opener) {
    if (selection.empty())
        return false;
    const FoundItem& first = *selection.front();
    if (first.IsFolder()) {
        if (opener.Execute(first))
            OpenFollowing(selection, opener, [](const FoundItem& item) { return item.IsFolder(); });
        return true;
    }
    if (first.ext.empty()) {
        opener.Execute(first);
        return true;
    }
    if (opener.PerceivedType(first.ext) == PERCEIVED_TYPE_APPLICATION) {
        if (opener.Execute(first))
            OpenFollowing(selection, opener, [&](const FoundItem& item) {
                return !item.IsFolder() && !item.ext.empty() &&
                       opener.PerceivedType(item.ext) == PERCEIVED_TYPE_APPLICATION;
            });
        return true;
    }
    if (list.empty() && OpenItems(selection, opener))
        return true;
    if (list.Invoke(0, selection))
        return true;
    // A file deleted since the search has nothing to choose a program for;
    // the shell has told why it did not open.
    if (StillThere(first))
        opener.OpenWithDialog(first);
    return false;
}
