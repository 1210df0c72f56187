// The main window's commands that do more than toggle a view: clearing the
// input histories, switching the language, the options, searching within the
// results and undoing it, and loading and saving searches. They run on the UI
// thread inside the dispatch of WM_COMMAND.
#include "app/main/VQDlg.h"

#include "app/main/JobState.h"
#include "app/shared/VQFileDialog.h"
#include "app/shared/VQUiResources.h"
#include "foundation/DisplayText.h"
#include "foundation/History.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SavedSearchFile.h"
#include "search/SearchJob.h"
#include "panel/VQOptionsDlg.h"
#include "ui/dialogs/mvMessageBox.h"
#include "ui/theme/UiTheme.h"

#include <iterator>

namespace {

constexpr wchar_t kSearchFileExtension[] = L"velquin";
constexpr wchar_t kSearchFilePattern[] = L"*.velquin";
constexpr DWORD kCriteriaOnlyCheckId = 1021;

// The system's words for an error, without the line end it comes with;
// empty for no error or none known.
mvstring ErrorText(DWORD error) {
    if (error == ERROR_SUCCESS)
        return mvstring();
    wchar_t text[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text, static_cast<DWORD>(std::size(text)), nullptr);
    mvstring result(std::wstring_view(text, length));
    while (!result.empty() && (result.view().back() == L'\r' || result.view().back() == L'\n' ||
                               result.view().back() == L' '))
        result.resize(result.length() - 1);
    return result;
}

void ShowFileError(const wchar_t* key, const mvstring& path, const mvstring& reason = mvstring()) {
    ShowMessageBox(GetLangText(L"menu_file", key, path.view(), reason.view()).c_str(), MB_ICONERROR);
}

// The captions of the message boxes' buttons in the current language.
void ApplyButtonTexts() {
    static const wchar_t* const kKeys[] = {L"ok",    L"cancel", L"yes",    L"no",      L"continue",
                                           L"abort", L"retry",  L"ignore", L"tryagain"};
    mvstring texts[std::size(kKeys)];
    for (std::size_t i = 0; i < std::size(kKeys); ++i)
        texts[i] = GetLangText(L"global", kKeys[i]);
    SetMessageBoxButtonTexts(texts[0].c_str(), texts[1].c_str(), texts[2].c_str(),
                             texts[3].c_str(), texts[4].c_str(), texts[5].c_str(),
                             texts[6].c_str(), texts[7].c_str(), texts[8].c_str());
}

} // namespace

void CVQDlg::ClearHistory(bool ask) {
    if (ask && ShowMessageBox(GetLangText(L"menu_tools", L"warn_clearhistory").c_str(),
                              MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    CVQSearchPanel& panel = m_searchPanel.m_panel;
    panel.m_names.Clear();
    panel.m_words.Clear();
    panel.m_folders.ClearHistory();
    ::ClearHistory(HistoryNames | HistoryWords | HistoryFolders);
    m_statusBar.SetPartText(GetLangText(L"menu_tools", L"info_clearhistory").c_str(),
                            UiTheme::Get().icons.GetIcon(StockInfoSmall));
    if (m_statusBar.Handle() != nullptr)
        InvalidateRect(m_statusBar.Handle(), nullptr, FALSE);
}

void CVQDlg::OnLanguageCommand(UINT id) {
    if (id < kCommandLanguageFirst || id > kCommandLanguageLast)
        return;
    const std::size_t index = id - kCommandLanguageFirst;
    const std::vector<LanguageInfo>& languages = ListLanguages();
    if (index >= languages.size())
        return;
    // Copied: the list belongs to the language object that is reloaded.
    const mvstring fileName = languages[index].FileName;
    const mvstring& current = Language().CurrentFile();
    if (!fileName.empty() && !current.empty() &&
        CompareStringOrdinal(fileName.c_str(), -1, current.c_str(), -1, TRUE) == CSTR_EQUAL)
        return;
    // A file that does not load leaves the previous texts in force; the
    // setting then names the file still in use.
    SetLanguage(fileName);
    Settings().Language.Set(Language().CurrentFile());
    ApplyButtonTexts();

    m_toolBar.UpdateTexts();
    if (m_searchPanel.m_hwnd != nullptr) {
        m_searchPanel.SetTexts();
        m_searchPanel.m_panel.LoadBrowseText(true);
        RedrawWindow(m_searchPanel.m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    m_list.UpdateTexts();
    m_statusBar.ShowReady();
    m_menus.Build(m_hwnd, true);
    UiResources().Init(true);
}

void CVQDlg::ShowOptions() {
    // A worker told to stop that has not ended yet still adds to the
    // results that a changed option would re-sort.
    if (IsGlobalJobBusy())
        return;
    VQSettings& settings = Settings();
    const bool foldersOnTop = settings.KeepFoldersOnTop.Get();
    const bool noHistory = settings.DisableHistory.Get();
    const bool openButton = settings.UpdateTBOpenBtn.Get();
    {
        CVQOptionsDlg dialog;
        if (dialog.DoModal(m_hwnd) != IDOK)
            return;
    }
    m_list.ApplyGridLines();
    if (settings.DisableHistory.Get() != noHistory) {
        if (settings.DisableHistory.Get() &&
            ShowMessageBox(GetLangText(L"menu_tools", L"ask_clearhistory").c_str(), MB_YESNO) == IDYES)
            ClearHistory(false);
        m_searchPanel.m_panel.FillHistory();
    }
    if (settings.KeepFoldersOnTop.Get() != foldersOnTop)
        m_list.SortItems(false);
    if (settings.UpdateTBOpenBtn.Get() != openButton)
        UpdateStatus();
}

bool CVQDlg::OnSearchInResults(UINT id) {
    SearchJob& job = GlobalSearchJob();
    // A worker told to stop that has not ended yet still holds the results:
    // nothing but stopping a search within results while one runs.
    if (IsGlobalJobBusy()) {
        if (job.kind.load() != JobSearchInResults || id != kCommandSearchInResults)
            return false;
        job.StopAndWait(0);
        return true;
    }

    if (id == kCommandUndo) {
        {
            mvLock held(job.lock);
            if (job.undo.empty())
                return false;
        }
        m_list.ClearItems();
        UpdateStatus();
        bool restored = false;
        {
            mvLock held(job.lock);
            restored = !job.IsRunning() && !job.undo.empty();
            if (restored) {
                ResultsSnapshot& top = job.undo.back();
                job.criteria.Assign(top.criteria);
                job.results = std::move(top.results);
                ++job.results_resets;
                job.undo.pop_back();
                job.RenumberResults();
            }
        }
        if (!restored) {
            // A job started meanwhile: the list shows what it holds.
            OnSearchNotify(NotifyItemsAdded, 0);
            return false;
        }
        m_searchPanel.SetCriteria(&job.criteria);
        OnSearchNotify(NotifyItemsAdded, 0);
        m_statusBar.SetState(StatusSorting, 0, true);
        m_list.SortItems(false);
        m_statusBar.SetState(0, 0, false);
        return true;
    }
    if (id != kCommandSearchInResults)
        return false;

    SearchCriteria criteria;
    if (!m_searchPanel.GetCriteria(criteria))
        return false;
    const auto unchanged = [&] {
        mvLock held(job.lock);
        return criteria.Equals(job.criteria, true);
    };
    if (unchanged())
        return false;
    m_list.ClearItems();
    UpdateStatus();
    int count = 0;
    {
        mvLock held(job.lock);
        count = static_cast<int>(job.results.size());
    }
    if (count <= 0 || unchanged()) {
        OnSearchNotify(NotifyItemsAdded, 0);
        return false;
    }
    {
        mvLock held(job.lock);
        ResultsSnapshot snapshot;
        snapshot.criteria.Assign(job.criteria);
        snapshot.results = job.results;
        job.undo.push_back(std::move(snapshot));
        job.criteria.Assign(criteria);
    }
    if (!job.StartWorker(JobSearchInResults, &SearchJob::Run)) {
        OnSearchNotify(NotifyItemsAdded, 0);
        return false;
    }
    return true;
}

bool CVQDlg::LoadOrSaveSearch(UINT id) {
    CVQFileDialogPtr dialog;
    if (!MakeFileDialog(dialog))
        return false;
    SearchJob& job = GlobalSearchJob();

    if (id == kCommandLoad) {
        if (IsGlobalJobBusy()) {
            if (job.kind.load() != JobLoadFile)
                return false;
            job.StopAndWait(0);
            return true;
        }
        dialog->SetDefaultExtension(kSearchFileExtension);
        dialog->AddFilter(GetLangText(L"global", L"filetype_result"), kSearchFilePattern, true);
        dialog->AddFilter(GetLangText(L"global", L"filetype_all"), L"*.*");
        if (!dialog->Show(m_hwnd) || dialog->m_results.empty())
            return false;
        const mvstring path = dialog->m_results.front();
        // The results shown stay until the file is known to give new ones:
        // a damaged file, or one of a later version, would leave nothing.
        switch (CheckSearchFile(path)) {
        case SearchFileCheck::Good:
            break;
        case SearchFileCheck::Unreadable:
            ShowFileError(L"err_loadread", path, ErrorText(GetLastError()));
            return false;
        case SearchFileCheck::Newer:
            ShowFileError(L"err_loadnewer", path);
            return false;
        case SearchFileCheck::Damaged:
        default:
            ShowFileError(L"err_loaddamaged", path);
            return false;
        }
        SetWindowTextW(m_hwnd, L"Velquin");
        const SearchCriteria defaults;
        m_searchPanel.SetCriteria(&defaults);
        m_list.ClearItems();
        UpdateStatus();
        return OpenSearchFile(path, false);
    }

    if (id != kCommandSave || IsGlobalJobBusy())
        return false;
    SearchCriteria saved;
    mvstring folderText;
    {
        mvLock held(job.lock);
        saved.Assign(job.criteria);
        folderText = job.folder_text;
    }
    SearchCriteria panel;
    const bool read = m_searchPanel.GetCriteria(panel);
    if (saved.folders.empty()) {
        if (read && !panel.folders.empty())
            ShowMessageBox(GetLangText(L"menu_file", L"err_nosearch").c_str(), MB_ICONERROR);
        return false;
    }
    if (read && !panel.Equals(saved, false) &&
        ShowMessageBox(GetLangText(L"menu_file", L"warn_sichange").c_str(),
                       MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return false;

    dialog->m_saveMode = true;
    dialog->SetDefaultExtension(kSearchFileExtension);
    dialog->AddFilter(GetLangText(L"global", L"filetype_result"), kSearchFilePattern, true);
    dialog->SetFileName(MakeSearchTitle(folderText, 0));
    dialog->m_checkId = kCriteriaOnlyCheckId;
    dialog->m_checkLabel = GetLangText(L"menu_file", L"savesearch_sionly");
    if (!dialog->Show(m_hwnd) || dialog->m_results.empty())
        return false;
    const mvstring path = dialog->m_results.front();

    m_statusBar.SetPartText(GetLangText(L"status", L"saving").c_str(), nullptr);
    if (m_statusBar.Handle() != nullptr)
        RedrawWindow(m_statusBar.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_INVALIDATE);
    SetLastError(ERROR_SUCCESS);
    const bool written = SaveSearchFile(job, path, dialog->m_checked != FALSE);
    const DWORD error = GetLastError();
    m_statusBar.SetPartText(nullptr, nullptr);
    if (m_statusBar.Handle() != nullptr)
        InvalidateRect(m_statusBar.Handle(), nullptr, FALSE);
    // The writer puts the file in place only when it is complete: whatever
    // was there before is still there.
    if (!written)
        ShowFileError(L"err_savesearch", path, ErrorText(error));
    return written;
}
