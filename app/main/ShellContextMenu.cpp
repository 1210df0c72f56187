#include "app/main/ShellContextMenu.h"

#include "app/shared/IdLists.h"
#include "foundation/HexViewerCommand.h"
#include "foundation/Language.h"
#include "foundation/Paths.h"
#include "search/FoundItem.h"

#include <shellapi.h>
#include <shlobj.h>

namespace {

// How the merge treats a shell entry, by its verb.
enum class VerbAction { Keep, Delete, Rename, Cut, Copy, Remove, OpenContaining };

VerbAction ActionOfVerb(const mvstring& verb) {
    static constexpr struct {
        const wchar_t* verb;
        VerbAction action;
    } kVerbs[] = {
        {L"delete", VerbAction::Delete},
        {L"rename", VerbAction::Rename},
        {L"cut", VerbAction::Cut},
        {L"copy", VerbAction::Copy},
        {L"properties", VerbAction::Remove},
        {L"paste", VerbAction::Remove},
        {L"opencontaining", VerbAction::OpenContaining},
    };
    if (verb.empty())
        return VerbAction::Keep;
    for (const auto& entry : kVerbs)
        if (mvstring::EqualsNoCase(verb.view(), entry.verb))
            return entry.action;
    return VerbAction::Keep;
}

struct MenuItemFacts {
    bool separator = false;
    UINT id = 0;
    bool valid = false;
};

MenuItemFacts ReadItem(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
    MenuItemFacts facts;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info))
        return facts;
    facts.valid = true;
    facts.separator = (info.fType & MFT_SEPARATOR) != 0;
    facts.id = info.wID;
    return facts;
}

bool IsSeparatorAt(HMENU menu, int position) {
    return position >= 0 && ReadItem(menu, position).separator;
}

// The context menu of items of one folder through that folder's UI object:
// what the shell does for an item array, done by hand for shells whose item
// arrays give none. Null unless every item parses.
IContextMenu* ParentFolderContextMenu(const std::vector<const FoundItem*>& items) {
    IdListVector lists;
    BuildIdListVector(lists, items);
    // A menu for part of the selection would act on fewer files than shown.
    if (lists.empty() || lists.size() != items.size())
        return nullptr;
    ComHandle<IShellFolder> parent;
    if (FAILED(SHBindToParent(lists[0], IID_IShellFolder, reinterpret_cast<void**>(parent.Put()),
                              nullptr)) ||
        !parent)
        return nullptr;
    std::vector<LPCITEMIDLIST> children;
    children.reserve(lists.size());
    for (std::size_t i = 0; i < lists.size(); ++i)
        children.push_back(ILFindLastID(lists[i]));
    IContextMenu* menu = nullptr;
    if (FAILED(parent.Get()->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                           children.data(), IID_IContextMenu, nullptr,
                                           reinterpret_cast<void**>(&menu))))
        return nullptr;
    return menu;
}

} // namespace

mvstring GetShellVerb(IContextMenu* shell, UINT id) {
    if (shell == nullptr || !IsShellCommand(id))
        return {};
    wchar_t verb[96] = {};
    if (FAILED(shell->GetCommandString(id - kShellCommandFirst, GCS_VERBW, nullptr,
                                       reinterpret_cast<char*>(verb), 95)))
        return {};
    verb[95] = L'\0';
    return mvstring(verb);
}

bool MergeShellMenu(mvMenu& menu, IContextMenu* shell, bool oneFile) {
    HMENU handle = menu.Handle();
    if (handle == nullptr)
        return false;
    int deletePosition = -1;
    UINT openFolderId = 0;
    mvstring openFolderText;
    int count = GetMenuItemCount(handle);
    for (int i = 0; i < count; ++i) {
        MenuItemFacts item = ReadItem(handle, i);
        if (!item.valid)
            continue;
        bool previousSeparator = IsSeparatorAt(handle, i - 1);
        bool remove = false;
        if (item.separator) {
            remove = i == 0 || i == count - 1 || previousSeparator;
        } else if (IsShellCommand(item.id)) {
            switch (ActionOfVerb(GetShellVerb(shell, item.id))) {
            case VerbAction::Delete:
                menu.SetItem(i, GetLangText(L"menu_file", L"delete").c_str(), kCommandDelete, true);
                deletePosition = i;
                break;
            case VerbAction::Rename:
                menu.SetItem(i, GetLangText(L"menu_file", L"rename").c_str(), kCommandRename, true);
                // Delete and rename stand together when only a separator
                // parts them.
                if (previousSeparator && deletePosition >= 0 && deletePosition == i - 2) {
                    menu.DeleteItem(i - 1);
                    --count;
                    --i;
                }
                break;
            case VerbAction::Cut:
                menu.SetItem(i, GetLangText(L"menu_edit", L"cut").c_str(), kCommandCut, true);
                break;
            case VerbAction::Copy:
                menu.SetItem(i, GetLangText(L"menu_edit", L"copy").c_str(), kCommandCopy, true);
                break;
            case VerbAction::Remove:
                remove = true;
                break;
            case VerbAction::OpenContaining:
                openFolderId = item.id;
                openFolderText = menu.GetItemText(i);
                remove = true;
                break;
            case VerbAction::Keep:
                break;
            }
        }
        if (remove && menu.DeleteItem(i)) {
            --count;
            --i;
        }
    }
    // A separator the deletions left last goes too.
    count = GetMenuItemCount(handle);
    if (count > 0 && IsSeparatorAt(handle, count - 1))
        menu.DeleteItem(count - 1);

    int insertAt = GetMenuItemCount(handle);
    if (menu.AppendItem(kCommandProperties, GetLangText(L"menu_file", L"properties").c_str(),
                        nullptr)) {
        // Properties always stands apart, also below an empty shell menu.
        int properties = GetMenuItemCount(handle) - 1;
        if (!IsSeparatorAt(handle, properties - 1))
            menu.InsertItem(properties, 0, nullptr, nullptr);
        insertAt = GetMenuItemCount(handle) - 2;
        if (insertAt < 0)
            insertAt = 0;
    }
    if (oneFile) {
        mvstring hexView = GetHexViewAppName();
        hexView.StripMenuText(false, 0, 0);
        menu.InsertItem(insertAt, kCommandHexView, hexView.c_str(), nullptr);
    }
    if (openFolderText.empty())
        openFolderText = GetLangText(L"menu_file", L"openfolder");
    menu.InsertItem(insertAt, openFolderId != 0 ? openFolderId : kCommandOpenFolder,
                    openFolderText.c_str(), nullptr);
    if (insertAt > 0 && !IsSeparatorAt(handle, insertAt - 1))
        menu.InsertItem(insertAt, 0, nullptr, nullptr);
    return true;
}

IContextMenu* GetSameFolderContextMenu(const std::vector<const FoundItem*>& items) {
    if (items.empty())
        return nullptr;
    const SharedText& folder = items.back()->folder;
    for (const FoundItem* item : items)
        if (item->folder.view() != folder.view())
            return nullptr;
    ComHandle<IShellItemArray> array(CreateShellItemArray(items));
    if (array) {
        IContextMenu* menu = nullptr;
        if (SUCCEEDED(array.Get()->BindToHandler(nullptr, BHID_SFUIObject, IID_IContextMenu,
                                                 reinterpret_cast<void**>(&menu))) &&
            menu != nullptr)
            return menu;
    }
    return ParentFolderContextMenu(items);
}

HRESULT InvokeShellCommand(IContextMenu* shell, HWND window, UINT id) {
    if (shell == nullptr || !IsShellCommand(id))
        return E_INVALIDARG;
    CMINVOKECOMMANDINFOEX info{};
    info.cbSize = sizeof(info);
    info.fMask = CMIC_MASK_UNICODE | CMIC_MASK_PTINVOKE;
    if (GetAsyncKeyState(VK_CONTROL) < 0)
        info.fMask |= CMIC_MASK_CONTROL_DOWN;
    if (GetAsyncKeyState(VK_SHIFT) < 0)
        info.fMask |= CMIC_MASK_SHIFT_DOWN;
    info.hwnd = window;
    info.lpVerb = MAKEINTRESOURCEA(id - kShellCommandFirst);
    info.lpVerbW = MAKEINTRESOURCEW(id - kShellCommandFirst);
    info.nShow = SW_SHOWNORMAL;
    GetCursorPos(&info.ptInvoke);
    return shell->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
}

void ShellContextMenu::Build(const std::vector<const FoundItem*>& selection, bool useShell) {
    Build(selection, useShell, GetAsyncKeyState(VK_SHIFT) < 0);
}

void ShellContextMenu::Build(const std::vector<const FoundItem*>& selection, bool useShell,
                             bool shift) {
    if (!useShell) {
        // Forgotten too, so that the menu comes back for the same selection
        // once the setting is on again.
        Reset();
        return;
    }
    if (selection.empty())
        return;
    if (m_built && m_shift == shift)
        return;
    if (!m_built)
        Release();
    m_built = true;
    if (!m_menu.CreatePopup())
        return;
    if (!m_shell) {
        if (m_source != nullptr)
            m_shell.Assign(m_source(selection, m_sourceContext));
        if (!m_shell)
            m_shell.Assign(GetSameFolderContextMenu(selection));
        if (!m_shell)
            return;
        m_shell2.Reset();
        m_shell3.Reset();
        m_shell.Get()->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(m_shell2.Put()));
        m_shell.Get()->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(m_shell3.Put()));
    }
    m_shift = shift;
    UINT flags = CMF_CANRENAME | (shift ? CMF_EXTENDEDVERBS : 0);
    m_shell.Get()->QueryContextMenu(m_menu.Handle(), 0, kShellCommandFirst, kShellCommandLast,
                                    flags);
    bool oneFile = selection.size() == 1 && !selection.front()->IsFolder();
    MergeShellMenu(m_menu, m_shell.Get(), oneFile);
}

void ShellContextMenu::Release() {
    m_shell3.Reset();
    m_shell2.Reset();
    m_shell.Reset();
    m_menu.Destroy();
}

void ShellContextMenu::Reset() {
    Release();
    m_built = false;
    m_shift = false;
}

bool ShellContextMenu::Invoke(HWND window, UINT id, bool selectionEmpty) {
    if (!m_shell || !IsShellCommand(id) || selectionEmpty)
        return false;
    InvokeShellCommand(m_shell.Get(), window, id);
    return true;
}

bool ShellContextMenu::Relay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (m_shell3) {
        LRESULT answer = 0;
        if (m_shell3.Get()->HandleMenuMsg2(message, wParam, lParam, &answer) == S_OK) {
            result = answer;
            return true;
        }
    }
    if (m_shell2) {
        if (m_shell2.Get()->HandleMenuMsg(message, wParam, lParam) == S_OK) {
            result = 0;
            return true;
        }
    }
    return false;
}
