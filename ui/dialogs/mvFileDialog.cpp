#include "ui/dialogs/mvFileDialog.h"

#include "foundation/Handles.h"
#include "foundation/OptionalProc.h"
#include "foundation/Paths.h"
#include "ui/core/mvApp.h"
#include "ui/core/mvWnd.h"

#include <shlobj.h>

#include <algorithm>

namespace {

constexpr DWORD kLegacyBufferChars = 16380;

using CreateItemProc = HRESULT(WINAPI*)(PCWSTR, IBindCtx*, REFIID, void**);
OptionalProc<CreateItemProc> g_createItem(L"shell32.dll", "SHCreateItemFromParsingName");

int CALLBACK BrowseFolderCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) noexcept {
    if (message == BFFM_INITIALIZED && data != 0) {
        SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
        HWND parent = GetParent(hwnd);
        RECT own = {}, over = {};
        if (parent != nullptr && GetWindowRect(hwnd, &own) && GetWindowRect(parent, &over)) {
            int x = over.left + (over.right - over.left) / 2 - (own.right - own.left) / 2;
            int y = over.top + (over.bottom - over.top) / 2 - (own.bottom - own.top) / 2;
            SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    return message == BFFM_VALIDATEFAILEDW ? 1 : 0;
}

} // namespace

HRESULT CreateItemFromParsingName(PCWSTR path, IBindCtx* bindContext, REFIID iid, void** out) {
    CreateItemProc create = g_createItem.Get();
    return create != nullptr ? create(path, bindContext, iid, out) : 1;
}

HWND DialogOwnerWindow(HWND owner) {
    if (owner == nullptr) {
        mvWnd* main = mvApp::MainWindow();
        if (main == nullptr || main->Handle() == nullptr)
            return nullptr;
        owner = GetLastActivePopup(main->Handle());
        if (owner == nullptr)
            owner = main->Handle();
    }
    while (owner != nullptr && (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD) != 0)
        owner = GetParent(owner);
    return owner;
}

void mvFileDialog::SetDefaultExtension(std::wstring_view text) {
    m_defaultExtension = mvstring(TrimText(text, L".\r\n\t"));
}

void mvFileDialog::AddFilter(const mvstring& description, const mvstring& pattern,
                             bool clearFirst) {
    if (clearFirst)
        m_filters.clear();
    if (!description.empty() && !pattern.empty())
        m_filters.emplace_back(description, pattern);
}

int mvFileDialog::ClampedFilterIndex() const {
    if (m_filters.empty())
        return 0;
    return std::clamp(m_filterIndex, 0, static_cast<int>(m_filters.size()) - 1);
}

mvstring mvFileDialog::SplitInitialPath() {
    m_folder.clear();
    if (m_initialPath.empty())
        return {};
    if (m_initialPath[m_initialPath.size() - 1] == L'\\') {
        m_folder = m_initialPath;
        return {};
    }
    std::wstring_view path = m_initialPath;
    size_t slash = path.find_last_of(L'\\');
    mvstring name(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
    if (!name.empty())
        m_folder = PathParent(path);
    return name;
}

bool mvFileDialog::Show(HWND owner) {
    m_results.clear();
    owner = DialogOwnerWindow(owner);
    if (m_legacyMode)
        return ShowLegacy(owner);
    ComHandle<IFileDialog> dialog;
    bool open = m_folderMode || !m_saveMode;
    HRESULT hr =
        open ? CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, reinterpret_cast<void**>(dialog.Put()))
             : CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileSaveDialog, reinterpret_cast<void**>(dialog.Put()));
    if (FAILED(hr) || !dialog)
        return ShowLegacy(owner);
    if (!Configure(dialog.Get()) || !OnBeforeShow(dialog.Get()))
        return false;
    if (dialog.Get()->Show(owner) != S_OK)
        return false;
    OnAfterShow(dialog.Get());
    return ReadResults(dialog.Get());
}

bool mvFileDialog::Configure(IFileDialog* dialog) {
    if (!m_title.empty())
        dialog->SetTitle(m_title.c_str());
    if (!m_defaultExtension.empty())
        dialog->SetDefaultExtension(m_defaultExtension.c_str());
    if (!m_filters.empty()) {
        std::vector<COMDLG_FILTERSPEC> specs;
        for (const auto& [description, pattern] : m_filters)
            specs.push_back({description.c_str(), pattern.c_str()});
        dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
        dialog->SetFileTypeIndex(ClampedFilterIndex() + 1);
    }
    mvstring name = SplitInitialPath();
    if (!name.empty())
        dialog->SetFileName(name.c_str());
    if (!m_folder.empty()) {
        ComHandle<IShellItem> item;
        if (FAILED(CreateItemFromParsingName(m_folder.c_str(), nullptr, IID_IShellItem,
                                             reinterpret_cast<void**>(item.Put())))) {
            CoTaskMemHandle<ITEMIDLIST> idList;
            SFGAOF attributes = 0;
            if (SUCCEEDED(SHParseDisplayName(m_folder.c_str(), nullptr, idList.Put(),
                                             SFGAO_FILESYSTEM, &attributes)))
                SHCreateShellItem(nullptr, nullptr, idList.Get(), item.Put());
        }
        if (item)
            dialog->SetFolder(item.Get());
    }
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options)))
        return true;
    options &= ~FOS_HIDEPINNEDPLACES;
    options |= FOS_FORCEFILESYSTEM;
    if (m_folderMode)
        options |= FOS_PICKFOLDERS;
    else
        options &= ~FOS_PICKFOLDERS;
    if (m_saveMode && !m_folderMode)
        options |= FOS_OVERWRITEPROMPT;
    else
        options |= FOS_PATHMUSTEXIST | FOS_FILEMUSTEXIST;
    if (m_multiSelect && !m_saveMode && !m_folderMode)
        options |= FOS_ALLOWMULTISELECT;
    dialog->SetOptions(options);
    return true;
}

bool mvFileDialog::AddResultItem(IShellItem* item) {
    CoTaskMemHandle<wchar_t> name;
    if (item == nullptr || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, name.Put())) || !name)
        return false;
    if (name.Get()[0] != 0)
        m_results.emplace_back(name.Get());
    return true;
}

bool mvFileDialog::ReadResults(IFileDialog* dialog) {
    UINT index = 0;
    dialog->GetFileTypeIndex(&index);
    m_chosenFilterIndex = static_cast<int>(index) - 1;
    m_results.clear();
    ComHandle<IFileOpenDialog> open;
    if (SUCCEEDED(
            dialog->QueryInterface(IID_IFileOpenDialog, reinterpret_cast<void**>(open.Put())))) {
        ComHandle<IShellItemArray> items;
        ComHandle<IEnumShellItems> walk;
        if (SUCCEEDED(open.Get()->GetResults(items.Put())) &&
            SUCCEEDED(items.Get()->EnumItems(walk.Put()))) {
            for (;;) {
                ComHandle<IShellItem> item;
                if (walk.Get()->Next(1, item.Put(), nullptr) != S_OK)
                    break;
                AddResultItem(item.Get());
            }
            return !m_results.empty();
        }
    }
    ComHandle<IShellItem> item;
    if (SUCCEEDED(dialog->GetResult(item.Put())))
        AddResultItem(item.Get());
    return !m_results.empty();
}

bool mvFileDialog::ShowLegacy(HWND owner) {
    if (m_folderMode)
        return BrowseForFolder(owner);
    OPENFILENAMEW ofn = {};
    FillOpenFileName(ofn, owner);
    BOOL ok = m_saveMode ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    return ok && ReadLegacyResult(ofn);
}

void mvFileDialog::FillOpenFileName(OPENFILENAMEW& ofn, HWND owner) {
    ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.Flags = OFN_LONGNAMES | OFN_EXPLORER | OFN_HIDEREADONLY;
    if (m_saveMode)
        ofn.Flags |= OFN_OVERWRITEPROMPT;
    else
        ofn.Flags |=
            OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | (m_multiSelect ? OFN_ALLOWMULTISELECT : 0);
    if (!m_defaultExtension.empty())
        ofn.lpstrDefExt = m_defaultExtension.c_str();
    if (!m_title.empty())
        ofn.lpstrTitle = m_title.c_str();
    m_fileBuffer.assign(kLegacyBufferChars + 1, 0);
    mvstring name = SplitInitialPath();
    std::copy_n(name.c_str(), std::min<size_t>(name.size(), kLegacyBufferChars - 1),
                m_fileBuffer.begin());
    ofn.lpstrFile = m_fileBuffer.data();
    ofn.nMaxFile = kLegacyBufferChars;
    if (!m_folder.empty())
        ofn.lpstrInitialDir = m_folder.c_str();
    m_filterBuffer.clear();
    for (const auto& [description, pattern] : m_filters) {
        m_filterBuffer.insert(m_filterBuffer.end(), description.c_str(),
                              description.c_str() + description.size() + 1);
        m_filterBuffer.insert(m_filterBuffer.end(), pattern.c_str(),
                              pattern.c_str() + pattern.size() + 1);
    }
    if (!m_filters.empty()) {
        m_filterBuffer.push_back(0);
        ofn.lpstrFilter = m_filterBuffer.data();
        ofn.nFilterIndex = ClampedFilterIndex() + 1;
    }
}

bool mvFileDialog::ReadLegacyResult(const OPENFILENAMEW& ofn) {
    m_chosenFilterIndex = static_cast<int>(ofn.nFilterIndex) - 1;
    m_results.clear();
    if (ofn.nFileOffset == 0 || ofn.lpstrFile == nullptr)
        return false;
    const wchar_t* buffer = ofn.lpstrFile;
    if (buffer[ofn.nFileOffset - 1] != 0) {
        if (buffer[0] != 0)
            m_results.emplace_back(buffer);
        return !m_results.empty();
    }
    mvstring folder(buffer);
    for (const wchar_t* name = buffer + folder.size() + 1;
         name < buffer + ofn.nMaxFile && *name != 0; name += wcslen(name) + 1)
        m_results.push_back(PathJoin(folder, name));
    return !m_results.empty();
}

bool mvFileDialog::BrowseForFolder(HWND owner) {
    m_results.clear();
    m_chosenFilterIndex = 0;
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = m_title.empty() ? nullptr : m_title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_VALIDATE | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseFolderCallback;
    info.lParam = m_initialPath.empty() ? 0 : reinterpret_cast<LPARAM>(m_initialPath.c_str());
    CoTaskMemHandle<ITEMIDLIST> idList(SHBrowseForFolderW(&info));
    if (!idList)
        return false;
    std::vector<wchar_t> path(kLegacyBufferChars, 0);
    if (SHGetPathFromIDListW(idList.Get(), path.data()) && path[0] != 0)
        m_results.emplace_back(path.data());
    return m_results.size() == 1;
}
