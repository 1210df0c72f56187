// The main window's handling of the search's progress messages: the Search
// button, the result count, the status text, the title, the inputs'
// histories and the taskbar button's progress.
#include "app/main/VQDlg.h"

#include "app/main/ListCommands.h"
#include "app/main/SearchProgress.h"
#include "foundation/DisplayText.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"
#include "ui/controls/mvMenu.h"
#include "ui/core/TaskbarProgress.h"

#include <commctrl.h>
#include <commoncontrols.h>

#include <objbase.h>
#include <shobjidl.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

// The taskbar object, made once on the first start; without it the taskbar
// simply shows no progress.
void EnsureTaskbar() {
    static bool tried = false;
    TaskbarProgressTable& table = TaskbarProgressTable::Get();
    if (tried || table.taskbar)
        return;
    tried = true;
    ITaskbarList3* taskbar = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_ALL, IID_ITaskbarList3,
                                   reinterpret_cast<void**>(&taskbar))) &&
        taskbar != nullptr) {
        if (SUCCEEDED(taskbar->HrInit()))
            table.taskbar.Assign(taskbar);
        else
            taskbar->Release();
    }
}

void SetTaskbarState(HWND hwnd, int state) {
    EnsureTaskbar();
    TaskbarProgressTable::Get().entries[hwnd].state = state;
    SetTaskbarProgressState(hwnd);
}

} // namespace

void CVQDlg::OnSearchNotify(WPARAM code, LPARAM value) {
    SearchJob& job = GlobalSearchJob();
    const HWND list = m_list.Handle();
    switch (static_cast<int>(code)) {
    case NotifyStarted:
        // A new job shows its own end: the last one's list redraws now.
        if (m_endToShow) {
            m_endToShow = false;
            if (list != nullptr) {
                SendMessageW(list, WM_SETREDRAW, TRUE, 0);
                InvalidateRect(list, nullptr, TRUE);
            }
        }
        m_searchPanel.UpdateSearchButton();
        m_statusBar.SetState(StatusStarted, value, false);
        // Only a search of folders feeds the inputs' histories, not a load
        // or a search within results.
        if (value == JobSearch) {
            SearchCriteria criteria;
            {
                mvLock held(job.lock);
                criteria = job.criteria;
            }
            m_searchPanel.m_panel.RememberCriteria(criteria);
        }
        SetTaskbarState(m_hwnd, TBPF_INDETERMINATE);
        break;
    case NotifyFinished:
        // Nothing touches the results while the worker may still add to
        // them.
        job.worker.Join();
        m_searchPanel.UpdateSearchButton();
        // The sort repaints every row anyway: without redrawing meanwhile,
        // the new count does not redraw the scroll bars first (a slow
        // synchronous draw in some list views) and all is painted once.
        if (list != nullptr)
            SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        m_listCountTimer.Stop();
        m_list.SetItemCount(ResultList::Count());
        m_statusBar.SetState(StatusSorting, 0, true);
        m_list.SortItems(true);
        if (Settings().GroupColumn.Get() < ColumnNone) {
            m_statusBar.SetState(StatusGrouping, 0, true);
            m_list.BuildGroups(false);
        }
        // The list's new scroll range and the finished state follow in a
        // message of their own: each step takes tens of milliseconds in
        // some list views, and together they would hold the window too
        // long at once.
        m_endToShow = true;
        if (m_progressMessage == 0 ||
            !PostMessageW(m_hwnd, m_progressMessage, kShowSearchEnd, value))
            OnSearchNotify(kShowSearchEnd, value);
        break;
    case kShowSearchEnd:
        if (!m_endToShow)
            break;
        m_endToShow = false;
        if (list != nullptr) {
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list, nullptr, TRUE);
        }
        m_statusBar.SetState(StatusFinished, value, false);
        ClearTaskbarProgress(m_hwnd);
        UpdateStatus();
        if (list != nullptr)
            SetFocus(list);
        break;
    case NotifyPauseChanged: {
        m_statusBar.SetState(NotifyPauseChanged, value, false);
        // A paused search lists all it has found, without waiting for the
        // next count of its progress.
        if (value != 0)
            FollowItemCount(false);
        auto& entries = TaskbarProgressTable::Get().entries;
        const auto entry = entries.find(m_hwnd);
        if (entry != entries.end()) {
            entry->second.paused = PausedSearchKind() != JobIdle;
            SetTaskbarProgressState(m_hwnd);
        }
        break;
    }
    case NotifyItemsAdded:
        FollowItemCount(job.IsRunning());
        break;
    case NotifyStatus:
        if (value != 0)
            m_statusBar.SetState(StatusText, value, false);
        break;
    case NotifyItemChanged:
        RedrawReportedItem(list, reinterpret_cast<const FoundItem*>(value));
        break;
    case NotifyCriteriaLoaded:
        m_searchPanel.SetCriteria(nullptr);
        if (list != nullptr)
            SetFocus(list);
        break;
    case NotifyFoldersChanged: {
        mvstring folders;
        {
            mvLock held(job.lock);
            folders = job.folder_text;
        }
        const mvstring title = MakeSearchTitle(folders, 1);
        if (!title.empty()) {
            mvstring text = title;
            text += L" - Velquin";
            SetWindowTextW(m_hwnd, text.c_str());
        }
        break;
    }
    default:
        break;
    }
}

void CVQDlg::UpdateStatus() {
    VQSettings& settings = Settings();
    std::vector<FoundItem*> selection;
    const std::int64_t size =
        m_list.GetSelectedItems(selection, static_cast<int>(settings.MaxItemContextMenu));
    const HWND toolBar = m_toolBar.m_toolBar.Handle();
    if (toolBar != nullptr)
        for (const WORD id : {kCommandOpen, kCommandCopy, kCommandCut, kCommandDelete})
            SendMessageW(toolBar, TB_ENABLEBUTTON, id, !selection.empty());

    int icon = m_menus.SetSelection(selection);
    if (!settings.UpdateTBOpenBtn.Get())
        icon = -1;
    if (toolBar != nullptr && icon != m_toolBar.OpenButtonImage)
        ShowOpenButtonIcon(icon);

    const HWND list = m_list.Handle();
    if (list == nullptr)
        return;
    const auto items = static_cast<std::int32_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const auto selected = static_cast<std::int32_t>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
    bool changed = false;
    if (items >= 0 && items != m_statusBar.itemCount) {
        m_statusBar.itemCount = items;
        changed = true;
    }
    if (selected >= 0 && selected != m_statusBar.selectedCount) {
        m_statusBar.selectedCount = selected;
        changed = true;
    }
    if (size >= -1 && size != m_statusBar.selectionSize) {
        m_statusBar.selectionSize = size;
        changed = true;
    }
    if (changed && m_statusBar.Handle() != nullptr && IsWindowVisible(m_statusBar.Handle()))
        InvalidateRect(m_statusBar.Handle(), nullptr, FALSE);
}

void CVQDlg::ShowOpenButtonIcon(int icon) {
    mvToolBarCtrl& bar = m_toolBar.m_toolBar;
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_IMAGE;
    if (icon < 0) {
        info.iImage = 0;
        SendMessageW(bar.Handle(), TB_SETBUTTONINFOW, kCommandOpen, reinterpret_cast<LPARAM>(&info));
        m_toolBar.OpenButtonImage = -1;
        return;
    }
    IImageList* images = GlobalShellTypeCache().GetImageList(m_toolBar.ButtonSize < 25 ? SHIL_SMALL
                                                                                     : SHIL_LARGE);
    HICON handle = nullptr;
    if (images == nullptr || FAILED(images->GetIcon(icon, ILD_TRANSPARENT, &handle)) ||
        handle == nullptr)
        return;
    const IconHandle iconHolder(handle);
    // The toolbar keeps one spare image at the end of its lists for this.
    for (HIMAGELIST imageList : {bar.m_normal.Get(), bar.m_hot.Get(), bar.m_disabled.Get()})
        if (imageList != nullptr && ImageList_GetImageCount(imageList) > 0)
            ImageList_Remove(imageList, ImageList_GetImageCount(imageList) - 1);
    const int image = bar.AddIcon(iconHolder.Get());
    if (image < 0)
        return;
    info.iImage = image;
    SendMessageW(bar.Handle(), TB_SETBUTTONINFOW, kCommandOpen, reinterpret_cast<LPARAM>(&info));
    m_toolBar.OpenButtonImage = icon;
    InvalidateRect(bar.Handle(), nullptr, FALSE);
}

namespace {

void Enable(HMENU menu, UINT id, bool enable) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_DISABLED | MF_GRAYED));
}

} // namespace

void CVQDlg::OnInitMenuPopup(HMENU handle) {
    mvMenu* menu = handle != nullptr ? mvMenuMap::Get().Find(handle) : nullptr;
    if (menu == nullptr)
        return;
    m_menus.UpdateFileMenu();
    const HWND list = m_list.Handle();
    const int selected = list != nullptr ? static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
    const int items = list != nullptr ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
    SearchJob& job = GlobalSearchJob();
    const int kind = job.IsRunning() ? static_cast<int>(job.kind.load()) : static_cast<int>(JobIdle);
    // A worker told to stop that has not ended yet still holds the results.
    const bool idle = !job.IsRunning();
    mvMenu* file = m_menus.GetMenu(0);
    const bool oneFile =
        selected == 1 && !m_menus.selection.empty() && !m_menus.selection.front()->IsFolder();
    VQSettings& settings = Settings();

    if (file != nullptr && file->Handle() == handle) {
        EnableMenuItem(handle, 0, MF_BYPOSITION | (selected > 0 ? MF_ENABLED : MF_GRAYED));
        EnableMenuItem(handle, 1, MF_BYPOSITION | (oneFile ? MF_ENABLED : MF_GRAYED));
    }
    Enable(handle, kCommandHexView, oneFile);
    for (const UINT id : {kCommandOpenFolder, kCommandRename, kCommandDelete, kCommandProperties,
                          kCommandCut, kCommandCopy, kCommandCopyToFolder, kCommandMoveToFolder})
        Enable(handle, id, selected > 0);

    const auto text = [&](UINT id, const wchar_t* key, const mvstring& suffix = mvstring()) {
        if (!menu->ContainsCommand(id))
            return;
        mvstring caption = GetLangText(L"menu_file", key);
        caption += suffix;
        menu->SetItem(id, caption.c_str(), id, false);
    };
    Enable(handle, kCommandLoad, (idle || kind == JobLoadFile) && kind != JobSearch &&
                                     kind != JobSearchInResults);
    text(kCommandLoad, kind == JobLoadFile ? L"stopload" : L"loadsearch");
    Enable(handle, kCommandSave, idle);
    Enable(handle, kCommandExport, idle && items > 0);
    Enable(handle, kCommandSearch, idle || kind == JobSearch);
    text(kCommandSearch, kind == JobSearch ? L"stopsearch" : L"startsearch");
    Enable(handle, kCommandSearchInResults, (idle && items > 0) || kind == JobSearchInResults);
    text(kCommandSearchInResults, kind == JobSearchInResults ? L"stopsir" : L"searchinresult");
    std::size_t undoSize = 0;
    {
        mvLock held(job.lock);
        undoSize = job.undo.size();
    }
    Enable(handle, kCommandUndo, idle && undoSize > 0);
    text(kCommandUndo, L"undosir",
         undoSize > 0 ? mvstring(L"\t[" + std::to_wstring(undoSize) + L"]") : mvstring());
    Enable(handle, kCommandPause, kind != JobIdle);
    text(kCommandPause, PausedSearchKind() != JobIdle ? L"resume" : L"pause");

    const ColumnSettings& columns = settings.Columns;
    for (int column = 0; column < kListColumnCount; ++column)
        menu->CheckItem(kCommandColumnFirst + column, columns.Records[column].Hidden == 0, false);
    menu->CheckRadioItem(kCommandSortFirst, kCommandSortNone, kCommandSortFirst + settings.SortColumn.Get(), true);
    const bool sorted = settings.SortColumn.Get() < ColumnNone;
    Enable(handle, kCommandSortNone + 2, sorted);
    Enable(handle, kCommandSortNone + 3, sorted);
    menu->CheckItem(kCommandSortNone + 2, sorted && !settings.SortDescending.Get(), true);
    menu->CheckItem(kCommandSortNone + 3, sorted && settings.SortDescending.Get(), true);
    menu->CheckRadioItem(kCommandGroupFirst, kCommandGroupNone, kCommandGroupFirst + settings.GroupColumn.Get(),
                         true);
    const bool grouped = settings.GroupColumn.Get() < ColumnNone;
    Enable(handle, kCommandGroupNone + 2, grouped);
    Enable(handle, kCommandGroupNone + 3, grouped);
    menu->CheckItem(kCommandGroupNone + 2, grouped && !settings.GroupDescending.Get(), true);
    menu->CheckItem(kCommandGroupNone + 3, grouped && settings.GroupDescending.Get(), true);
    menu->CheckItem(kCommandToolbar, ToolBarWindow() != nullptr && IsWindowVisible(ToolBarWindow()),
                    false);
    menu->CheckItem(kCommandStatusBar,
                    m_statusBar.Handle() != nullptr && IsWindowVisible(m_statusBar.Handle()), false);
    menu->CheckRadioItem(kCommandViewModeFirst, kCommandViewModeFirst + kLastViewMode,
                         kCommandViewModeFirst + settings.LisViewMode.Get(), true);
    menu->EnableSubMenuOf(kCommandSortFirst, idle);
    menu->EnableSubMenuOf(kCommandGroupFirst, idle);
    menu->CheckItem(kCommandPanelLeft, settings.SearchPanelRight.Get() == 0, false);
    menu->CheckItem(kCommandPanelRight, settings.SearchPanelRight.Get() != 0, false);
    menu->CheckItem(kCommandPanelAutoHide, settings.SearchPanelAutoHide.Get(), false);
    Enable(handle, kCommandOptions, idle);
    menu->CheckItem(kCommandAutoSaveDefault, settings.AutoSaveDefSearch.Get(), false);

    const std::vector<LanguageInfo>& languages = ListLanguages();
    const mvstring& current = Language().CurrentFile();
    UINT checked = 0;
    for (std::size_t i = 0; i < languages.size() && i < 64; ++i)
        if (!current.empty() &&
            CompareStringOrdinal(languages[i].FileName.c_str(), -1, current.c_str(), -1, TRUE) ==
                CSTR_EQUAL)
            checked = kCommandLanguageFirst + static_cast<UINT>(i);
    if (menu->ContainsCommand(kCommandLanguageFirst))
        menu->CheckRadioItem(kCommandLanguageFirst, kCommandLanguageLast, checked, false);

    // What has no handler yet is seen to be unavailable.
    GreyUnhandledCommands(handle, [](UINT id) { return CVQDlg::HandlesCommand(id); });
}

void CVQDlg::FollowItemCount(bool paced) {
    const int found = ResultList::Count();
    const int count = std::max(found, 0);
    if (found >= 0 && count != m_statusBar.itemCount) {
        m_statusBar.itemCount = count;
        // Painted with the window's next paint, not within this report: a
        // paint at once holds the report's sender that much longer.
        if (m_statusBar.Handle() != nullptr && IsWindowVisible(m_statusBar.Handle()))
            InvalidateRect(m_statusBar.Handle(), nullptr, FALSE);
    }
    const HWND list = m_list.Handle();
    if (list == nullptr)
        return;
    const auto shown = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (shown == count) {
        m_listCountTimer.Stop();
        return;
    }
    using Clock = std::chrono::steady_clock;
    const auto Ms = [](Clock::time_point at) {
        return std::chrono::duration<double, std::milli>(at.time_since_epoch()).count();
    };
    const Clock::time_point now = Clock::now();
    const DWORD wait = paced ? m_listCountPace.WaitMs(list, shown, count, Ms(now)) : 0;
    // The first count put off sets the timer, later ones find it set; one
    // that no timer would bring is taken now.
    if (wait > 0 && (m_listCountTimer.Id() != 0 || m_listCountTimer.Rebind(m_hwnd, wait)))
        return;
    m_listCountTimer.Stop();
    m_list.SetItemCount(count);
    m_listCountPace.Taken(Ms(now), Ms(Clock::now()) - Ms(now));
}
