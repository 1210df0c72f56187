#include "app/shared/FileOperationSink.h"

#include "foundation/Handles.h"

STDMETHODIMP CVQFileOperationProgressSink::PostRenameItem(DWORD, IShellItem* item,
                                                          LPCWSTR newName, HRESULT,
                                                          IShellItem* created) {
    if (item == nullptr || created == nullptr || newName == nullptr || *newName == 0)
        return S_OK;
    CoTaskMemHandle<wchar_t> path;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path.Put())) || !path)
        return S_OK;
    const mvstring key(path.Get());
    auto it = m_renames.find(key);
    if (it == m_renames.end())
        m_renames.emplace(key, mvstring(newName));
    else
        it->second = newName;
    return S_OK;
}
