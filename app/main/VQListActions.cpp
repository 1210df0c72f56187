// What the user does to results through the shell from the list: rename in
// place, drag out, cut and copy, the shell's move, copy, delete and rename,
// properties and the containing folders. Every action works on the
// selection, anchor first, and the rows follow what happened on disk.

#include "app/main/VQListCtrl.h"

#include "app/shared/ClipboardFormats.h"
#include "app/shared/DragImage.h"
#include "app/shared/FileDataObjects.h"
#include "app/shared/IdLists.h"
#include "app/shared/VQDropSource.h"
#include "app/shared/VQUiResources.h"
#include "foundation/Handles.h"
#include "foundation/Language.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "foundation/ShutdownFlag.h"
#include "foundation/mvLock.h"
#include "search/FolderList.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "ui/dialogs/mvMessageBox.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr wchar_t kCutPasteMessage[] = L"WM_Velquin_CUTPASTENOTIFY";

// Flags the shell's file-operation object knows beyond the older call's.
constexpr DWORD kFlagShowElevationPrompt = 0x00040000; // FOFX_SHOWELEVATIONPROMPT
constexpr DWORD kFlagNoMinimizeBox = 0x01000000;       // FOFX_NOMINIMIZEBOX
constexpr DWORD kFlagPreserveExtensions = 0x00200000;  // FOFX_PRESERVEFILEEXTENSIONS

FolderOpener g_folderOpener = nullptr;

std::vector<const FoundItem*> AsConst(const std::vector<FoundItem*>& items) {
    return {items.begin(), items.end()};
}

mvstring FullPath(const FoundItem& item) {
    return PathJoin(item.folder.view(), item.name.view());
}

IShellFolder* DesktopFolder() {
    thread_local ComHandle<IShellFolder> desktop;
    if (!desktop)
        SHGetDesktopFolder(desktop.Put());
    return desktop.Get();
}

bool ShiftHeld() {
    return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
}

// The system's words for an error code, without the line break at the end.
mvstring SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    mvstring message;
    if (length != 0 && text != nullptr)
        message = mvstring(TrimText(std::wstring_view(text, length)));
    if (text != nullptr)
        LocalFree(text);
    if (message.empty())
        message = mvstring(L"0x") + mvstring(std::to_wstring(code));
    return message;
}

// Paths one after another, each ended by a zero, the list by one more.
std::wstring ZeroSeparated(const std::vector<mvstring>& paths) {
    std::wstring list;
    for (const mvstring& path : paths) {
        list.append(path.view());
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    return list;
}

// The older call handles one rename per call and numbers nothing: with
// several items, a name taken in the folder gets " (2)", " (3)" ... before
// its extension, as the shell does when asked to rename on a collision.
mvstring FreeName(const mvstring& folder, const mvstring& name) {
    if (GetFileAttributesW(PathJoin(folder.view(), name.view()).c_str()) == INVALID_FILE_ATTRIBUTES)
        return name;
    const wchar_t* ext = PathExtension(name.c_str());
    const std::wstring_view stem(name.c_str(), static_cast<size_t>(ext - name.c_str()));
    for (int n = 2; n < 10000; ++n) {
        mvstring candidate(stem);
        candidate += std::wstring_view(L" (" + std::to_wstring(n) + L")");
        candidate += ext;
        if (GetFileAttributesW(PathJoin(folder.view(), candidate.view()).c_str()) ==
            INVALID_FILE_ATTRIBUTES)
            return candidate;
    }
    return name;
}

// Moves, copies, deletes or renames through the older one-call operation,
// with the flags it shares with the file-operation object; renames are
// reported to the sink as the object would report them.
bool RunOlderOperation(HWND owner, int kind, DWORD flags, const std::vector<const FoundItem*>& items,
                       const mvstring& text, CVQFileOperationProgressSink& sink, DWORD& error) {
    const auto oldFlags = static_cast<FILEOP_FLAGS>(flags & 0xFFFF);
    std::vector<mvstring> paths;
    for (const FoundItem* item : items) {
        mvstring path = FullPath(*item);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    if (paths.empty())
        return false;
    if (kind != 4) {
        const std::wstring from = ZeroSeparated(paths);
        const std::wstring to = kind == 3 ? std::wstring() : ZeroSeparated({text});
        SHFILEOPSTRUCTW operation{};
        operation.hwnd = owner;
        operation.wFunc = kind == 1 ? FO_MOVE : kind == 2 ? FO_COPY : FO_DELETE;
        operation.pFrom = from.c_str();
        operation.pTo = kind == 3 ? nullptr : to.c_str();
        operation.fFlags = oldFlags;
        const int result = SHFileOperationW(&operation);
        error = result == 0 ? 0 : static_cast<DWORD>(result);
        return true;
    }
    bool any = false;
    for (const FoundItem* item : items) {
        const mvstring from = FullPath(*item);
        if (from.empty())
            continue;
        mvstring name = text;
        if (items.size() > 1) {
            // Several items keep their own extensions and take free names.
            if ((flags & kFlagPreserveExtensions) && !item->IsFolder()) {
                const wchar_t* typed = PathExtension(name.c_str());
                name = mvstring(std::wstring_view(name.c_str(), static_cast<size_t>(typed - name.c_str())));
                name += PathExtension(item->name.c_str());
            }
            name = FreeName(mvstring(item->folder.view()), name);
        }
        const mvstring to = PathJoin(item->folder.view(), name.view());
        ComHandle<IShellItem> before;
        SHCreateItemFromParsingName(from.c_str(), nullptr, IID_IShellItem,
                                    reinterpret_cast<void**>(before.Put()));
        const std::wstring fromList = ZeroSeparated({from});
        const std::wstring toList = ZeroSeparated({to});
        SHFILEOPSTRUCTW operation{};
        operation.hwnd = owner;
        operation.wFunc = FO_RENAME;
        operation.pFrom = fromList.c_str();
        operation.pTo = toList.c_str();
        operation.fFlags = static_cast<FILEOP_FLAGS>(oldFlags & ~FOF_RENAMEONCOLLISION);
        const int result = SHFileOperationW(&operation);
        any = true;
        if (result != 0 || operation.fAnyOperationsAborted) {
            error = result != 0 ? static_cast<DWORD>(result) : ERROR_CANCELLED;
            continue;
        }
        ComHandle<IShellItem> after;
        SHCreateItemFromParsingName(to.c_str(), nullptr, IID_IShellItem,
                                    reinterpret_cast<void**>(after.Put()));
        if (before && after)
            sink.PostRenameItem(0, before.Get(), name.c_str(), S_OK, after.Get());
    }
    return any;
}

} // namespace

FolderOpener SetFolderOpener(FolderOpener opener) {
    const FolderOpener previous = g_folderOpener;
    g_folderOpener = opener;
    return previous;
}

DWORD CheckFileName(std::wstring_view name) {
    if (TrimText(name).empty())
        return ERROR_INVALID_NAME;
    if (name.size() > 255) // the longest name of one entry
        return ERROR_FILENAME_EXCED_RANGE;
    for (wchar_t c : name)
        if (c < 32 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos)
            return ERROR_INVALID_NAME;
    if (name.back() == L'.' || name.back() == L' ')
        return ERROR_INVALID_NAME;
    // Device names stay devices with any extension.
    std::wstring_view stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.remove_suffix(1);
    static constexpr const wchar_t* kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"COM1",
                                                  L"COM2", L"COM3", L"COM4", L"COM5", L"COM6",
                                                  L"COM7", L"COM8", L"COM9", L"LPT1", L"LPT2",
                                                  L"LPT3", L"LPT4", L"LPT5", L"LPT6", L"LPT7",
                                                  L"LPT8", L"LPT9"};
    for (const wchar_t* device : kDevices) {
        const std::wstring_view d(device);
        if (stem.size() == d.size() &&
            CompareStringOrdinal(stem.data(), static_cast<int>(stem.size()), d.data(),
                                 static_cast<int>(d.size()), TRUE) == CSTR_EQUAL)
            return ERROR_INVALID_NAME;
    }
    return 0;
}

bool RunShellFileOperation(HWND owner, int kind, DWORD flags,
                           const std::vector<const FoundItem*>& items, const mvstring& text,
                           CVQFileOperationProgressSink& sink, DWORD& error) {
    error = 0;
    if (kind < 1 || kind > 4 || items.empty())
        return false;
    ComHandle<IShellItemArray> array(CreateShellItemArray(items));
    if (!array)
        return false;
    ComHandle<IShellItem> destination;
    if (kind == 1 || kind == 2) {
        if (text.empty() ||
            FAILED(SHCreateItemFromParsingName(text.c_str(), nullptr, IID_IShellItem,
                                               reinterpret_cast<void**>(destination.Put()))))
            return false;
    }
    ComHandle<IFileOperation> operation;
    if (FAILED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation,
                                reinterpret_cast<void**>(operation.Put()))))
        return false;
    IFileOperation* op = operation.Get();
    // Some shells make the object but carry out nothing with it: each step
    // that answers "not implemented" hands the whole operation to the older
    // call.
    bool older = false;
    auto step = [&](HRESULT hr) {
        if (hr == E_NOTIMPL)
            older = true;
        return SUCCEEDED(hr);
    };
    if (!step(op->SetOperationFlags(flags)) && !older)
        return false;
    if (!older && !step(op->SetOwnerWindow(owner)) && !older)
        return false;
    if (!older) {
        HRESULT hr = E_FAIL;
        switch (kind) {
        case 1:
            hr = op->MoveItems(array.Get(), destination.Get());
            break;
        case 2:
            hr = op->CopyItems(array.Get(), destination.Get());
            break;
        case 3:
            hr = op->DeleteItems(array.Get());
            break;
        default:
            hr = op->RenameItems(array.Get(), text.c_str());
            break;
        }
        if (!step(hr) && !older)
            return false;
    }
    const bool enabled = owner != nullptr && IsWindowEnabled(owner);
    if (enabled)
        EnableWindow(owner, FALSE);
    bool done = false;
    if (older) {
        done = RunOlderOperation(owner, kind, flags, items, text, sink, error);
    } else {
        DWORD cookie = 0;
        const bool advised = kind == 4 && SUCCEEDED(op->Advise(&sink, &cookie));
        // The shell shows its own errors while it works: nothing is left
        // to tell afterwards.
        op->PerformOperations();
        if (advised)
            op->Unadvise(cookie);
        done = true;
    }
    if (enabled)
        EnableWindow(owner, TRUE);
    return done;
}

bool CVQListCtrl::OnBeginLabelEdit(NMLVDISPINFOW* info) {
    const int index = info->item.iItem;
    const FoundItem* item = index >= 0 ? ResultList::ItemAt(index) : nullptr;
    const auto edit = reinterpret_cast<HWND>(SendMessageW(Handle(), LVM_GETEDITCONTROL, 0, 0));
    IShellFolder* desktop = DesktopFolder();
    if (item == nullptr || edit == nullptr || desktop == nullptr)
        return true;
    SHLimitInputEdit(edit, desktop);
    if (!item->IsFolder()) {
        // The name's part before its extension, as the shell offers it.
        wchar_t text[MAX_PATH * 2] = {};
        GetWindowTextW(edit, text, static_cast<int>(std::size(text)));
        PathRemoveExtensionW(text);
        SendMessageW(edit, EM_SETSEL, 0, static_cast<LPARAM>(wcslen(text)));
        // Some list views select the whole text after asking: the posted
        // selection comes after theirs.
        PostMessageW(edit, EM_SETSEL, 0, static_cast<LPARAM>(wcslen(text)));
    }
    return false;
}

bool CVQListCtrl::OnEndLabelEdit(NMLVDISPINFOW* info) {
    if (info->item.pszText == nullptr)
        return false;
    const mvstring text(TrimText(info->item.pszText, L" \r\n\t"));
    const FoundItem* item = ResultList::ItemAt(info->item.iItem);
    if (item != nullptr && text.size() == item->name.size() &&
        CompareStringOrdinal(text.c_str(), static_cast<int>(text.size()), item->name.c_str(),
                             static_cast<int>(item->name.size()), TRUE) == CSTR_EQUAL)
        return false;
    // A name the file system would refuse keeps the old one, and the user
    // learns why before the shell is asked.
    if (const DWORD refused = CheckFileName(text.view())) {
        ShowMessageBox(GetLangText(L"menu_file", L"err_rename", text.view(),
                                   SystemMessage(refused).view())
                           .c_str(),
                       MB_ICONERROR);
        return false;
    }
    FileOperation(Handle(), 4, text);
    return true;
}

LRESULT CVQListCtrl::OnBeginDrag(NMLISTVIEW*) {
    std::vector<FoundItem*> selection;
    GetSelectedItems(selection, 0);
    if (selection.empty())
        return 0;
    const std::vector<const FoundItem*> items = AsConst(selection);
    ComHandle<CVQDataObject> data(new (std::nothrow) CVQDataObject());
    if (!data || !FillHDrop(data.Get(), items))
        return 0;
    MakeDragImage(data.Get(), items);
    // Not every shell takes a null source; ours behaves as the default one.
    ComHandle<CVQDropSource> source(new (std::nothrow) CVQDropSource());
    if (!source)
        return 0;
    // The effect out-value is optional, but not every shell takes a null
    // one.
    DWORD dropped = DROPEFFECT_NONE;
    const HRESULT hr = SHDoDragDrop(Handle(), data.Get(), source.Get(),
                                    DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &dropped);
    DWORD effect = 0;
    if (hr == DRAGDROP_S_DROP &&
        ReadDataObjectDword(data.Get(), GetClipboardFormatId(kLogicalPerformedDropEffect), effect) &&
        (effect & DROPEFFECT_MOVE))
        RefreshItems(selection);
    return 0;
}

void CVQListCtrl::CopyToClipboard(bool cut) {
    const HWND list = Handle();
    if (list == nullptr || SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) <= 0)
        return;
    if (!CutList.empty())
        ResultList::SetItemsState(CutList, ItemNormal);
    GetSelectedItems(CutList, 0);
    if (CutList.empty())
        return;
    ComHandle<CVQDataObject> data(CreateFileDataObject(AsConst(CutList)));
    if (!data) {
        CutList.clear();
        return;
    }
    if (cut) {
        data.Get()->SetNotify(list, RegisterWindowMessageW(kCutPasteMessage));
        WriteDataObjectDword(data.Get(), kPreferredDropEffect, DROPEFFECT_MOVE);
    }
    if (FAILED(OleSetClipboard(data.Get()))) {
        // Nothing reached the clipboard: no item is shown as cut.
        CutList.clear();
        return;
    }
    UiResources().SetClipboardObject(data.Get());
    if (cut) {
        ResultList::SetItemsState(CutList, ItemCut);
        for (const FoundItem* item : CutList)
            RedrawItem(item);
        return;
    }
    // A copy leaves its data on the clipboard at once; the slot then holds
    // nothing that the exit's flush would look for.
    OleFlushClipboard();
    UiResources().SetClipboardObject(nullptr);
    CutList.clear();
}

void CVQListCtrl::RefreshItems(std::vector<FoundItem*>& items) {
    std::set<int> vanished;
    for (auto it = items.begin(); it != items.end();) {
        const FoundItem* item = *it;
        const mvstring path = item != nullptr ? ExpandPath(FullPath(*item)) : mvstring();
        if (!path.empty() && PathFileExistsW(path.c_str())) {
            ++it;
            continue;
        }
        const int index = ResultList::IndexOf(*it);
        if (index >= 0)
            vanished.insert(index);
        it = items.erase(it);
    }
    if (vanished.empty())
        return;
    SearchJob& job = GlobalSearchJob();
    {
        mvLock lock(job.lock);
        for (auto index = vanished.rbegin(); index != vanished.rend(); ++index) {
            if (IsShuttingDown())
                return;
            if (static_cast<size_t>(*index) >= job.results.size())
                continue;
            job.results[static_cast<size_t>(*index)]->state.store(ItemRemoved);
            job.results.erase(job.results.begin() + *index);
        }
        job.RenumberResults();
    }
    ResultGroups& table = m_callback.groups;
    const HWND list = Handle();
    if (!table.groups.empty() && !IsShuttingDown()) {
        for (auto index = vanished.rbegin(); index != vanished.rend(); ++index) {
            for (ResultGroup& group : table.groups) {
                auto& entries = group.items;
                entries.erase(std::remove(entries.begin(), entries.end(), *index), entries.end());
                for (std::int32_t& entry : entries)
                    if (entry > *index)
                        --entry;
            }
            if (static_cast<size_t>(*index) < table.item_map.size())
                table.item_map.erase(table.item_map.begin() + *index);
        }
        for (size_t i = 0; list != nullptr && i < table.groups.size(); ++i) {
            mvstring caption;
            table.GetCaption(static_cast<int>(i), caption);
            LVGROUP group{};
            group.cbSize = sizeof group;
            group.mask = LVGF_HEADER | LVGF_ITEMS;
            group.pszHeader = caption.data();
            group.cItems = static_cast<UINT>(table.groups[i].items.size());
            SendMessageW(list, LVM_SETGROUPINFO, i, reinterpret_cast<LPARAM>(&group));
        }
    }
    if (list == nullptr)
        return;
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(ResultList::Count(job)), 0);
    SetAllRowsSelected(list, false, false);
}

void CVQListCtrl::FileOperation(HWND owner, int kind, const mvstring& text) {
    if (kind < 1 || kind > 4)
        return;
    std::vector<FoundItem*> selection;
    GetSelectedItems(selection, 0);
    if (selection.empty())
        return;
    if ((kind == 1 || kind == 2) && text.empty())
        return;
    DWORD flags = FOF_NOCONFIRMMKDIR | kFlagShowElevationPrompt | kFlagNoMinimizeBox;
    if (kind == 3)
        flags |= ShiftHeld() ? FOF_WANTNUKEWARNING : FOF_ALLOWUNDO;
    else
        flags |= FOF_ALLOWUNDO;
    if (kind == 4 && selection.size() > 1)
        flags |= kFlagPreserveExtensions | FOF_RENAMEONCOLLISION;
    if (owner == nullptr)
        owner = Handle();
    CVQFileOperationProgressSink sink;
    DWORD error = 0;
    if (!RunShellFileOperation(owner, kind, flags, AsConst(selection), text, sink, error))
        return;
    if (kind == 1 || kind == 3) {
        // Whatever the operation reported, only the rows whose files are
        // gone leave: a move or delete that stopped half-way keeps the rest.
        RefreshItems(selection);
        return;
    }
    if (kind != 4)
        return;
    bool renamed = false;
    {
        SearchJob& job = GlobalSearchJob();
        mvLock lock(job.lock);
        for (FoundItem* item : selection) {
            const auto found = sink.Renames().find(FullPath(*item));
            if (found == sink.Renames().end())
                continue;
            // The type column follows the extension; the icon is looked up
            // again for the new type.
            item->name = found->second;
            item->ext = item->IsFolder() ? mvstring() : mvstring(PathExtension(item->name.c_str()));
            item->icon.store(-1);
            item->overlay.store(-1);
            renamed = true;
        }
    }
    for (const FoundItem* item : selection)
        RedrawItem(item);
    if (!renamed && error != 0 && error != ERROR_CANCELLED && selection.size() == 1)
        ShowMessageBox(GetLangText(L"menu_file", L"err_rename", text.view(),
                                   SystemMessage(error).view())
                           .c_str(),
                       MB_ICONERROR);
}

void CVQListCtrl::ShowProperties() {
    std::vector<FoundItem*> selection;
    GetSelectedItems(selection, 0);
    if (selection.empty())
        return;
    PathList paths;
    BuildPathListFromItems(AsConst(selection), paths);
    ComHandle<CVQDataObject> data(CreatePathListDataObject(paths));
    if (data)
        SHMultiFileProperties(data.Get(), 0);
}

void CVQListCtrl::OpenContainingFolder() {
    std::vector<FoundItem*> selection;
    GetSelectedItems(selection, 0);
    if (selection.empty())
        return;
    std::map<mvstring, std::vector<const FoundItem*>, mvmap_nocasecompare> folders;
    for (const FoundItem* item : selection)
        folders[mvstring(item->folder.view())].push_back(item);
    const int setting = Settings().MaxItemOpen;
    // 0 opens every folder; a negative limit opens the first one only.
    std::size_t limit = setting == 0 ? folders.size() : setting < 0 ? 1 : static_cast<size_t>(setting);
    IShellFolder* desktop = DesktopFolder();
    if (desktop == nullptr)
        return;
    const FolderOpener open = g_folderOpener != nullptr ? g_folderOpener : &SHOpenFolderAndSelectItems;
    for (const auto& [folderText, items] : folders) {
        if (limit == 0)
            break;
        CoTaskMemHandle<ITEMIDLIST> folderList(
            ParsePathToIdList(folderText.view(), FILE_ATTRIBUTE_DIRECTORY, 0));
        if (!folderList)
            continue;
        ComHandle<IShellFolder> folder;
        if (FAILED(desktop->BindToObject(folderList.Get(), nullptr, IID_IShellFolder,
                                         reinterpret_cast<void**>(folder.Put()))))
            continue;
        IdListVector children;
        BuildIdListVector(children, items, folder.Get());
        if (children.empty())
            continue;
        open(folderList.Get(), static_cast<UINT>(children.size()),
             const_cast<PCUITEMID_CHILD_ARRAY>(children.data()), 0);
        --limit;
    }
}
