// The main window's handling of the search's progress messages: the Search
// button, the result count, the status text, the title, the inputs'
// histories and the taskbar button's progress.
#include "app/main/VQDlg.h"

#include "app/main/SearchProgress.h"
#include "foundation/DisplayText.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SearchJob.h"
#include "search/SortOrder.h"
#include "ui/core/TaskbarProgress.h"

#include <objbase.h>
#include <shobjidl.h>

#include <string>

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

void CVQDlg::SetStatusState(int code, LPARAM value) {
    SearchJob& job = GlobalSearchJob();
    switch (code) {
    case NotifyStarted:
        m_statusBar.SetText(GetLangText(L"status", value == JobLoadFile ? L"loading" : L"searching",
                                        job.folder_text));
        break;
    case NotifyFinished:
        if (value != 0)
            m_statusBar.SetText(GetLangText(L"status", L"canceled"));
        else
            ShowResultCount();
        break;
    case NotifyPauseChanged:
        if (value != 0)
            m_statusBar.SetText(GetLangText(L"status", L"paused", job.folder_text));
        else
            SetStatusState(NotifyStarted, job.kind.load());
        break;
    case NotifyStatus:
        if (value != 0)
            m_statusBar.SetText(GetLangText(L"status", L"searching",
                                            reinterpret_cast<const wchar_t*>(value)));
        break;
    default:
        break;
    }
}

void CVQDlg::OnSearchNotify(WPARAM code, LPARAM value) {
    SearchJob& job = GlobalSearchJob();
    switch (static_cast<int>(code)) {
    case NotifyStarted:
        m_searchPanel.UpdateSearchButton();
        SetStatusState(NotifyStarted, value);
        // Only a search of folders feeds the inputs' histories, not a load
        // or a search within results.
        if (value == JobSearch) {
            const SearchCriteria criteria(job.criteria);
            m_searchPanel.m_panel.RememberCriteria(criteria);
        }
        SetTaskbarState(m_hwnd, TBPF_INDETERMINATE);
        break;
    case NotifyFinished: {
        // Nothing touches the results while the worker may still add to
        // them.
        job.worker.Join();
        m_searchPanel.UpdateSearchButton();
        if (m_list.m_hwnd != nullptr)
            SendMessageW(m_list.m_hwnd, LVM_SETITEMCOUNT, ResultList::Count(), 0);
        m_statusBar.SetText(GetLangText(L"status", L"sorting"));
        if (ResultList::Resort(SortOrder::FromSettings()) && m_list.m_hwnd != nullptr)
            InvalidateRect(m_list.m_hwnd, nullptr, FALSE);
        SetStatusState(NotifyFinished, value);
        ClearTaskbarProgress(m_hwnd);
        if (m_list.m_hwnd != nullptr)
            SetFocus(m_list.m_hwnd);
        break;
    }
    case NotifyPauseChanged: {
        SetStatusState(NotifyPauseChanged, value);
        auto& entries = TaskbarProgressTable::Get().entries;
        const auto entry = entries.find(m_hwnd);
        if (entry != entries.end()) {
            entry->second.paused = PausedSearchKind() != JobIdle;
            SetTaskbarProgressState(m_hwnd);
        }
        break;
    }
    case NotifyItemsAdded:
        if (m_list.m_hwnd != nullptr)
            SendMessageW(m_list.m_hwnd, LVM_SETITEMCOUNT, ResultList::Count(), LVSICF_NOSCROLL);
        break;
    case NotifyStatus:
        SetStatusState(NotifyStatus, value);
        break;
    case NotifyItemChanged:
        RedrawReportedItem(m_list.m_hwnd, reinterpret_cast<const FoundItem*>(value));
        break;
    case NotifyCriteriaLoaded:
        m_searchPanel.SetCriteria(nullptr);
        if (m_list.m_hwnd != nullptr)
            SetFocus(m_list.m_hwnd);
        break;
    case NotifyFoldersChanged: {
        const mvstring title = MakeSearchTitle(job.folder_text, 1);
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
