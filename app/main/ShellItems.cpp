#include "app/main/ShellItems.h"

#include "app/shared/IdLists.h"
#include "search/FoundItem.h"

#include <shlobj.h>

bool ResultsFolderView::Create(HWND parent) {
    Destroy();
    if (FAILED(CoCreateInstance(CLSID_ExplorerBrowser, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IExplorerBrowser,
                                reinterpret_cast<void**>(m_browser.Put()))) ||
        !m_browser)
        return false;
    IExplorerBrowser* browser = m_browser.Get();
    browser->SetOptions(static_cast<EXPLORER_BROWSER_OPTIONS>(
        EBO_NAVIGATEONCE | EBO_NOWRAPPERWINDOW | EBO_NOBORDER | EBO_NOPERSISTVIEWSTATE));
    RECT empty{};
    FOLDERSETTINGS settings{FVM_DETAILS,
                            FWF_NOWEBVIEW | FWF_NOENUMREFRESH | FWF_NOHEADERINALLVIEWS};
    if (FAILED(browser->Initialize(parent, &empty, &settings))) {
        m_browser.Reset();
        return false;
    }
    ComHandle<IFolderView2> view;
    bool ok = SUCCEEDED(browser->FillFromObject(nullptr, EBF_NONE)) &&
              SUCCEEDED(browser->GetCurrentView(IID_IFolderView2,
                                                reinterpret_cast<void**>(view.Put()))) &&
              view &&
              SUCCEEDED(view.Get()->GetFolder(IID_IResultsFolder,
                                              reinterpret_cast<void**>(m_folder.Put()))) &&
              m_folder;
    if (!ok) {
        Destroy();
        return false;
    }
    ComHandle<IOleWindow> window;
    HWND viewWindow = nullptr;
    if (SUCCEEDED(
            view.Get()->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(window.Put()))) &&
        SUCCEEDED(window.Get()->GetWindow(&viewWindow)) && viewWindow != nullptr)
        ShowWindow(viewWindow, SW_HIDE);
    return true;
}

void ResultsFolderView::Destroy() {
    m_folder.Reset();
    if (m_browser)
        m_browser.Get()->Destroy();
    m_browser.Reset();
}

IContextMenu* ResultsFolderView::GetItemsContextMenu(const std::vector<const FoundItem*>& items) {
    if (!m_browser || !m_folder)
        return nullptr;
    IResultsFolder* folder = m_folder.Get();
    folder->RemoveAll();
    IdListVector parsed;
    BuildIdListVector(parsed, items);
    std::vector<CoTaskMemHandle<ITEMIDLIST>> added;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        CoTaskMemHandle<ITEMIDLIST> inFolder;
        if (SUCCEEDED(folder->AddIDList(parsed[i], inFolder.Put())) && inFolder)
            added.push_back(std::move(inFolder));
    }
    if (added.empty())
        return nullptr;
    ComHandle<IShellFolder> shellFolder;
    if (FAILED(
            folder->QueryInterface(IID_IShellFolder, reinterpret_cast<void**>(shellFolder.Put()))))
        return nullptr;
    std::vector<LPCITEMIDLIST> children;
    for (const auto& list : added)
        children.push_back(list.Get());
    IContextMenu* menu = nullptr;
    if (FAILED(shellFolder.Get()->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                                children.data(), IID_IContextMenu, nullptr,
                                                reinterpret_cast<void**>(&menu))))
        return nullptr;
    return menu;
}

IContextMenu* ResultsFolderView::ItemsMenu(const std::vector<const FoundItem*>& items, void* view) {
    return view != nullptr ? static_cast<ResultsFolderView*>(view)->GetItemsContextMenu(items)
                           : nullptr;
}
