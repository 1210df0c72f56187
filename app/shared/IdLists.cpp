#include "app/shared/IdLists.h"

#include "foundation/Handles.h"
#include "foundation/Paths.h"
#include "search/FoundItem.h"
#include "ui/core/mvComBase.h"

#include <new>

namespace {

// The find data the shell takes for a path instead of asking the file
// system: only attributes and size are filled in.
class FileSystemBindData : public mvcom_base<IFileSystemBindData> {
public:
    FileSystemBindData() { m_data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL; }
    STDMETHODIMP SetFindData(const WIN32_FIND_DATAW* data) override {
        if (data == nullptr)
            return E_POINTER;
        m_data = *data;
        return S_OK;
    }
    STDMETHODIMP GetFindData(WIN32_FIND_DATAW* data) override {
        if (data == nullptr)
            return E_POINTER;
        *data = m_data;
        return S_OK;
    }

private:
    WIN32_FIND_DATAW m_data{};
};

// What one thread parses with; made on its first parse and released when
// the thread ends.
struct ThreadBinding {
    bool tried = false;
    ComHandle<FileSystemBindData> data;
    ComHandle<IBindCtx> context;

    IBindCtx* Context(std::uint32_t attributes, std::uint64_t size) {
        if (!tried) {
            tried = true;
            Make();
        }
        if (!context)
            return nullptr;
        WIN32_FIND_DATAW find{};
        find.dwFileAttributes = attributes;
        find.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        find.nFileSizeLow = static_cast<DWORD>(size);
        data.Get()->SetFindData(&find);
        return context.Get();
    }

private:
    void Make() {
        data.Assign(new (std::nothrow) FileSystemBindData);
        if (!data || FAILED(CreateBindCtx(0, context.Put())))
            return;
        // Creation mode tells the parser not to require the item to exist.
        BIND_OPTS options{sizeof(BIND_OPTS), 0, STGM_CREATE, 0};
        if (FAILED(context.Get()->SetBindOptions(&options)) ||
            FAILED(context.Get()->RegisterObjectParam(const_cast<wchar_t*>(STR_FILE_SYS_BIND_DATA),
                                                      data.Get())))
            context.Reset();
    }
};

thread_local ThreadBinding t_binding;

} // namespace

IdListVector& IdListVector::operator=(IdListVector&& other) noexcept {
    if (this != &other) {
        Free();
        m_lists = std::move(other.m_lists);
    }
    return *this;
}

void IdListVector::Add(ITEMIDLIST* list) {
    if (list == nullptr)
        return;
    try {
        m_lists.push_back(list);
    } catch (...) {
        CoTaskMemFree(list);
    }
}

void IdListVector::Clear() noexcept {
    for (ITEMIDLIST* list : m_lists)
        CoTaskMemFree(list);
    m_lists.clear();
}

void IdListVector::Free() noexcept {
    Clear();
    m_lists.shrink_to_fit();
}

ITEMIDLIST* ParsePathToIdList(std::wstring_view path, std::uint32_t attributes,
                              std::uint64_t size, IShellFolder* folder) {
    if (path.empty())
        return nullptr;
    mvstring text(path);
    IBindCtx* context = t_binding.Context(attributes, size);
    ITEMIDLIST* list = nullptr;
    HRESULT hr;
    if (folder != nullptr)
        hr = folder->ParseDisplayName(nullptr, context, text.data(), nullptr, &list, nullptr);
    else
        hr = SHParseDisplayName(text.c_str(), context, &list, 0, nullptr);
    if (FAILED(hr)) {
        CoTaskMemFree(list);
        return nullptr;
    }
    return list;
}

void BuildIdListVector(IdListVector& lists, const std::vector<const FoundItem*>& items,
                       IShellFolder* folder) {
    lists.Clear();
    lists.reserve(items.size());
    for (const FoundItem* item : items) {
        const mvstring path = folder != nullptr ? item->name : PathJoin(item->folder, item->name);
        lists.Add(ParsePathToIdList(path, item->attr, item->size, folder));
    }
}

IShellItemArray* CreateShellItemArray(const std::vector<const FoundItem*>& items) {
    IdListVector lists;
    BuildIdListVector(lists, items);
    if (lists.empty())
        return nullptr;
    IShellItemArray* array = nullptr;
    if (FAILED(SHCreateShellItemArrayFromIDLists(static_cast<UINT>(lists.size()),
                                                 const_cast<PCIDLIST_ABSOLUTE_ARRAY>(lists.data()),
                                                 &array)))
        return nullptr;
    return array;
}
