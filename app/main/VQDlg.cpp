#include "app/main/VQDlg.h"

#include "app/main/JobState.h"
#include "app/main/ListCommands.h"
#include "app/main/ShellContextMenu.h"
#include "app/shared/VQAboutDlg.h"
#include "foundation/HexViewerCommand.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "search/CommandLineRun.h"
#include "search/Notifier.h"
#include "search/ResultList.h"
#include "search/SavedSearchFile.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"
#include "ui/controls/ListColumns.h"
#include "ui/core/ComctlVersion.h"
#include "ui/core/MainWindowPlacement.h"
#include "ui/core/mvApp.h"
#include "ui/core/Shortcuts.h"
#include "ui/dialogs/FontDialog.h"
#include "ui/dialogs/mvMessageBox.h"
#include "ui/theme/UiTheme.h"
#include "panel/ShellRegistration.h"
#include "panel/VQExportDlg.h"
#include "panel/VQSetupHexViewDlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

namespace {

// The frame of a resizable window that can be minimised and maximised.
constexpr DWORD kMainFrameStyles = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// The bottom-right corner that answers as a size grip, in pixels.
constexpr int kGripSize = 10;
constexpr DWORD kSlideMs = 100;
// A burst of selection changes refreshes the status bar once.
constexpr UINT kStatusRefreshMs = 100;
// The pages the help menu and the about box open.
constexpr wchar_t kHomePage[] = L"https://velquin.morvik.net/";
constexpr wchar_t kDonatePage[] = L"https://velquin.morvik.net/donate";

int Width(const RECT& rect) {
    return rect.right - rect.left;
}

int Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

RECT WindowRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

// The window's own visibility, whether or not its parent is shown yet.
bool HasVisibleStyle(HWND hwnd) {
    return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool PanelOnRight() {
    return Settings().SearchPanelRight.Get() != 0;
}

} // namespace

// ---------------------------------------------------------------------------
// The main window.

CVQDlg::CVQDlg() {
    InitTemplate(400, 200, true, 4);
    ModifyTemplateStyle(0, kMainFrameStyles);
    // The frame is painted here (WM_PAINT), natively under the system look.
    m_customPaint = 0;
}

CVQDlg::~CVQDlg() {
    // The children go with the window, while the member objects still live.
    Detach(true);
}

bool CVQDlg::PaintsItself() {
    return !(IsThemedComctl() && SystemLook());
}

HWND CVQDlg::ToolBarWindow() const noexcept {
    return m_toolBar.Handle() != nullptr ? m_toolBar.Handle() : m_toolBar.m_toolBar.Handle();
}

int CVQDlg::OnInitDialog() {
    mvsysicon& icons = UiTheme::Get().icons;
    if (HICON bigIcon = icons.GetIcon(AppIconLarge))
        SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    if (HICON smallIcon = icons.GetIcon(AppIconSmall))
        SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    SetWindowTextW(m_hwnd, L"Velquin");

    m_dropTarget.Register(m_hwnd);
    m_menus.Build(m_hwnd, false);
    m_toolBar.Create(m_hwnd);
    m_list.Create(m_hwnd);
    CreateStatusBar();
    VQSettings& settings = Settings();
    if (HWND bar = ToolBarWindow())
        ShowWindow(bar, settings.Toolbar.Get() ? SW_SHOW : SW_HIDE);
    if (m_statusBar.m_hwnd != nullptr)
        ShowWindow(m_statusBar.m_hwnd, settings.StatusBar.Get() ? SW_SHOW : SW_HIDE);

    CreatePanelHost();
    UpdateMinSize();
    if (m_searchPanel.m_hwnd != nullptr)
        ShowWindow(m_searchPanel.m_hwnd, SW_SHOW);
    AutoShowSearchPanel(nullptr, true);

    CVQBaseDlg::OnInitDialog();
    // The base's initialisation starts from no limits.
    UpdateMinSize();
    MainWindowPlacement(false, m_hwnd, m_minTrack.cx, m_minTrack.cy);
    // The placement maximises only a shown window: the modal run shows this
    // one after its initialisation.
    if (settings.MainWndMax.Get())
        PostMessageW(m_hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    AddShortcuts();
    SetViewMode(kCommandViewModeFirst + settings.LisViewMode.Get(), true);
    UpdateStatus();

    // The notifier registers its message at the first window it serves.
    GlobalNotifier().Attach(m_hwnd);
    m_progressMessage = GlobalNotifier().message;
    if (GlobalStartupOptions().flags & StartupLoaded) {
        OnSearchNotify(NotifyItemsAdded, 0);
        m_list.SortItems(false);
    }
    return TRUE;
}

void CVQDlg::CreateStatusBar() {
    HWND bar = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 0, 0,
                               m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMainStatusBarId)),
                               mvApp::Instance(), nullptr);
    if (bar == nullptr)
        return;
    SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()), 0);
    if (!m_statusBar.Attach(bar)) {
        DestroyWindow(bar);
        return;
    }
    // Again, now that the bar sizes itself to its font.
    SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()), 0);
    m_statusBar.SetMessageTimeout(kStatusMessageMs);
    m_statusBar.SetState(0, 0, false);
}

void CVQDlg::CreatePanelHost() {
    if (m_searchPanel.m_hwnd != nullptr)
        return;
    // The start-up folder goes into the folder box, and a search asked for
    // on the command line starts as the window comes up.
    m_searchPanel.m_startup = &GlobalStartupOptions();
    if (!m_searchPanel.BuildTemplate(200, 200) || !m_searchPanel.CreateDialogWindow(m_hwnd))
        return;
    HWND host = m_searchPanel.m_hwnd;
    // Tab order: the panel comes just before the list.
    HWND before = m_list.m_hwnd != nullptr ? GetWindow(m_list.m_hwnd, GW_HWNDPREV) : nullptr;
    SetWindowPos(host, before != nullptr && before != host ? before : HWND_TOP, 0, 0,
                 Settings().SearchPanelWidth.Get(), Height(WindowRect(host)),
                 SWP_NOMOVE | SWP_NOACTIVATE);
}

void CVQDlg::AddShortcuts() {
    const struct {
        UINT key;
        uint16_t modifiers;
        WORD command;
    } keys[] = {
        {'O', kShortcutCtrl, kCommandOpen},
        {'S', kShortcutCtrl, kCommandSave},
        {VK_F3, kShortcutCtrl, kCommandSearch},
        {VK_PAUSE, 0, kCommandPause},
    };
    for (const auto& key : keys) {
        ShortcutEntry entry;
        entry.Target = m_hwnd;
        entry.VirtualKey = static_cast<uint16_t>(key.key);
        entry.Modifiers = key.modifiers;
        entry.Action = kShortcutSendCommand;
        entry.Command = key.command;
        AddShortcut(entry);
    }
}

void CVQDlg::Layout() {
    const bool zeroSize = m_zeroSize;
    m_zeroSize = false;
    HWND bar = ToolBarWindow();
    if (bar == nullptr || IsIconic(m_hwnd))
        return;
    RECT area{};
    GetClientRect(m_hwnd, &area);
    const int clientWidth = Width(area);
    if (!zeroSize)
        SendMessageW(bar, WM_SIZE, 0, 0);
    if (HasVisibleStyle(bar)) {
        // Its bottom edge: a toolbar keeps a small offset from the top.
        RECT barRect = WindowRect(bar);
        MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&barRect), 2);
        area.top = std::max(area.top + Height(barRect), barRect.bottom);
    }
    if (PaintsItself())
        area.top += 1; // the separator line
    if (HWND status = m_statusBar.m_hwnd) {
        const int height = Height(WindowRect(status));
        if (!zeroSize)
            SetWindowPos(status, nullptr, area.left, area.bottom - height, Width(area), height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        if (HasVisibleStyle(status))
            area.bottom -= height;
    }
    if (HWND host = m_searchPanel.m_hwnd) {
        const int minWidth = m_searchPanel.m_minWidth;
        const int maxWidth = clientWidth - minWidth;
        m_searchPanel.m_maxWidth = maxWidth;
        int width = Width(WindowRect(host));
        const bool right = PanelOnRight();
        if (!zeroSize) {
            if (width < minWidth)
                width = minWidth;
            else if (width > maxWidth)
                width = maxWidth;
            SetWindowPos(host, nullptr, right ? area.right - width : area.left, area.top, width,
                         Height(area), SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (!Settings().SearchPanelAutoHide.Get()) {
            if (right)
                area.right -= width;
            else
                area.left += width;
        }
    }
    if (m_list.m_hwnd != nullptr)
        SetWindowPos(m_list.m_hwnd, nullptr, area.left, area.top, std::max(0, Width(area)),
                     std::max(0, Height(area)), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVQDlg::UpdateMinSize() {
    HWND bar = ToolBarWindow();
    if (bar == nullptr)
        return;
    int height = Height(WindowRect(bar)) + mvtheme_control::GetTextHeight(m_font != nullptr
                                                                               ? m_font
                                                                               : UiTheme::Get().fonts.normal.Get());
    if (m_statusBar.m_hwnd != nullptr)
        height += Height(WindowRect(m_statusBar.m_hwnd));
    RECT frame{};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_EXSTYLE)));
    int width = Width(frame);
    height += Height(frame);
    if (m_searchPanel.m_hwnd != nullptr && GetDlgItem(m_searchPanel.m_hwnd, kCommandSearch)) {
        width += 2 * m_searchPanel.m_minWidth;
        height += m_searchPanel.m_minHeight;
    }
    m_minTrack = {width, height};
    const RECT rect = WindowRect(m_hwnd);
    if (Width(rect) < width || Height(rect) < height)
        SetWindowPos(m_hwnd, nullptr, 0, 0, std::max(Width(rect), width),
                     std::max(Height(rect), height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVQDlg::ShowSearchPanel(bool noLayout) {
    CreatePanelHost();
    UpdateMinSize();
    if (!noLayout)
        Layout();
    if (m_searchPanel.m_hwnd == nullptr)
        return;
    ShowWindow(m_searchPanel.m_hwnd, SW_SHOW);
    AutoShowSearchPanel(nullptr, true);
    if (!noLayout)
        SendMessageW(m_searchPanel.m_hwnd, WM_SIZE, 0, 0);
}

bool CVQDlg::AutoShowSearchPanel(const POINT* screenPoint, bool force) {
    HWND host = m_searchPanel.m_hwnd;
    const bool autoHide = Settings().SearchPanelAutoHide.Get();
    if (host == nullptr || (!force && !autoHide))
        return false;
    POINT point{};
    if (screenPoint != nullptr)
        point = *screenPoint;
    else
        GetCursorPos(&point);
    const bool visible = (GetWindowLongW(host, GWL_STYLE) & WS_VISIBLE) != 0;
    const bool right = PanelOnRight();
    bool wanted = true;
    const HWND focus = GetFocus();
    if (autoHide && !(focus != nullptr && (focus == host || IsChild(host, focus)))) {
        RECT zone = WindowRect(host);
        if (!visible) {
            const int strip = 2 * GetSystemMetrics(SM_CXVSCROLL);
            if (right)
                zone.left = zone.right - strip;
            else
                zone.right = zone.left + strip;
        }
        wanted = PtInRect(&zone, point) != FALSE;
    }
    if (wanted == visible)
        return false;
    if (wanted) {
        AnimateWindow(host, kSlideMs, AW_SLIDE | (right ? AW_HOR_NEGATIVE : AW_HOR_POSITIVE));
        RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    } else {
        AnimateWindow(host, kSlideMs,
                      AW_HIDE | AW_SLIDE | (right ? AW_HOR_POSITIVE : AW_HOR_NEGATIVE));
    }
    ShowWindow(host, wanted ? SW_SHOW : SW_HIDE);
    return true;
}

int CVQDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE && Settings().SearchPanelAutoHide.Get() &&
        m_searchPanel.m_hwnd != nullptr) {
        POINT point{static_cast<short>(LOWORD(msg->lParam)), static_cast<short>(HIWORD(msg->lParam))};
        ClientToScreen(msg->hwnd, &point);
        AutoShowSearchPanel(&point, false);
    }
    return 0;
}

void CVQDlg::PaintContent(HDC dc, const RECT* rect) {
    if (!PaintsItself() || rect == nullptr)
        return;
    int top = rect->top;
    HWND bar = ToolBarWindow();
    if (Settings().Toolbar.Get() && bar != nullptr) {
        RECT barRect = WindowRect(bar);
        MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&barRect), 2);
        top = barRect.bottom;
    }
    const RECT line{rect->left, top, rect->right, top + 1};
    SetBkColor(dc, SystemLook() ? GetSysColor(COLOR_BTNSHADOW) : ThemeColour(ThemeButton));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &line, nullptr, 0, nullptr);
}

void CVQDlg::SearchOrStop() {
    SearchJob& job = GlobalSearchJob();
    if (job.IsRunning()) {
        // A worker that was told to stop may still be reading: its results
        // are neither cleared nor replaced until it has ended.
        if (job.kind.load() != JobIdle)
            job.StopAndWait(0);
        return;
    }
    if (m_searchPanel.m_hwnd == nullptr)
        return;
    // A bad input is named next to its field; no search runs that would
    // silently find nothing.
    SearchCriteria criteria;
    if (!m_searchPanel.GetCriteria(criteria) || criteria.folders.empty() ||
        !m_searchPanel.m_panel.ValidateInput())
        return;
    SetWindowTextW(m_hwnd, L"Velquin");
    m_list.ClearItems();
    UpdateStatus();
    GlobalStartupOptions().path.clear();
    StartSearch(criteria);
}

void CVQDlg::SaveOnDestroy() {
    m_statusTimer.Stop();
    m_listCountTimer.Stop();
    m_dropTarget.Revoke();
    MainWindowPlacement(true, m_hwnd);
    VQSettings& settings = Settings();
    if (m_searchPanel.m_hwnd != nullptr)
        settings.SearchPanelWidth.Set(Width(WindowRect(m_searchPanel.m_hwnd)));
    if (settings.AutoSaveDefSearch.Get()) {
        SearchCriteria criteria;
        if (m_searchPanel.GetCriteria(criteria))
            SaveDefaultSearch(&criteria);
    }
}

void CVQDlg::SetViewMode(UINT id, bool force) {
    if (id < kCommandViewModeFirst || id > kCommandViewModeFirst + kLastViewMode)
        return;
    m_list.SetViewMode(static_cast<int>(id - kCommandViewModeFirst), force);
    SendMessageW(m_toolBar.m_toolBar.Handle(), TB_CHECKBUTTON,
                 kCommandViewModeFirst + Settings().LisViewMode.Get(), TRUE);
}

void CVQDlg::InvertSelection() {
    m_list.InvertSelection();
}

void CVQDlg::FlushStatusTimer() {
    if (m_statusTimer.Stop())
        UpdateStatus();
}

namespace {

void OpenWebPage(const wchar_t* address) {
    ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

// Toggles a setting and writes it through.
void Toggle(BoolSetting& setting) {
    setting.Set(!setting.Get());
}

void ShowWindowIf(HWND hwnd, bool show) {
    if (hwnd != nullptr)
        ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
}

} // namespace

bool CVQDlg::OnCommand(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const UINT id = LOWORD(wParam);
    *result = 0;
    // A command may act on the selection: the menus take the current one
    // first, even within the 100 ms after it changed.
    FlushStatusTimer();
    VQSettings& settings = Settings();
    if (IsListCommand(id)) {
        if (id >= kCommandViewModeFirst && id <= kCommandViewModeFirst + kLastViewMode)
            SetViewMode(id, false);
        else
            DispatchListCommand({&m_list, &m_statusBar, &m_toolBar}, id);
        return true;
    }
    if (id >= kCommandLanguageFirst && id <= kCommandLanguageLast) {
        OnLanguageCommand(id);
        return true;
    }
    // The clipboard keys edit the label while one is being edited.
    if (HWND edit = m_list.GetEditControl()) {
        const UINT editMessage = id == kCommandDelete ? WM_CLEAR
                                 : id == kCommandCut  ? WM_CUT
                                 : id == kCommandCopy ? WM_COPY
                                                      : 0;
        if (editMessage != 0) {
            PostMessageW(edit, editMessage, 0, 0);
            return true;
        }
    }
    switch (id) {
    case IDCANCEL:
        // Escape ends a label edit and never closes the window.
        if (m_list.GetEditControl() != nullptr)
            SendMessageW(m_list.Handle(), LVM_CANCELEDITLABEL, 0, 0);
        return true;
    case kCommandHelp:
        SendMessageW(m_hwnd, WM_HELP, 0, 0);
        return true;
    case kCommandDonatePage:
        OpenWebPage(kDonatePage);
        return true;
    case kCommandHomePage:
        OpenWebPage(kHomePage);
        return true;
    case kCommandOpen:
        // Enter, a double click and the toolbar run what the File menu
        // offers first: the shell's own open verb or the program's open.
        if ((HIWORD(wParam) == 0xFFFF && lParam == reinterpret_cast<LPARAM>(&GlobalSearchJob())) ||
            (lParam != 0 && reinterpret_cast<HWND>(lParam) == m_toolBar.m_toolBar.Handle())) {
            m_menus.UpdateFileMenu();
            mvMenu* file = m_menus.GetMenu(0);
            UINT first = 0;
            if (file != nullptr && MenuItemKind(file->Handle(), 0, &first, nullptr) == 0 &&
                first != 0) {
                PostMessageW(m_hwnd, WM_COMMAND, first, 0);
                return true;
            }
        }
        return false;
    case kCommandHexView:
        if (FoundItem* item = m_list.GetFocusedItem()) {
            mvstring path(item->folder.view());
            if (!path.empty() && path.view().back() != L'\\')
                path += L"\\";
            path += item->name;
            settings.OpenInHexViewer(path, item->wsoffset > 0 ? item->wsoffset : 0, item->wslen);
        }
        return false;
    case kCommandRename: {
        const int index = AnchorIndex(m_list.Handle());
        if (index >= 0) {
            SetFocus(m_list.Handle());
            SendMessageW(m_list.Handle(), LVM_EDITLABELW, index, 0);
        }
        return false;
    }
    case kCommandSearch:
        SearchOrStop();
        return false;
    case kCommandPause: {
        SearchJob& job = GlobalSearchJob();
        if (!job.IsRunning() || job.kind.load() == JobIdle)
            return false;
        const bool paused = PausedSearchKind() != JobIdle;
        job.worker.SetPaused(!paused);
        const bool now = PausedSearchKind() != JobIdle;
        if (now != paused)
            PostNotify(NotifyPauseChanged, now ? 1 : 0);
        return false;
    }
    case kCommandExport:
        if (!IsGlobalJobBusy()) {
            CVQExportDlg dialog;
            dialog.DoModal(m_hwnd);
        }
        return false;
    case kCommandExit:
        PostQuitMessage(0);
        return false;
    case kCommandSelectAll:
        m_list.SelectAll();
        return false;
    case kCommandOpenFolder:
        m_list.OpenContainingFolder();
        return false;
    case kCommandProperties:
        m_list.ShowProperties();
        return false;
    case kCommandCut:
    case kCommandCopy:
        m_list.CopyToClipboard(id == kCommandCut);
        return false;
    case kCommandDelete:
    case kCommandCopyToFolder:
    case kCommandMoveToFolder:
        OnFileOperation(id);
        return false;
    case kCommandToolbar:
        Toggle(settings.Toolbar);
        ShowWindowIf(ToolBarWindow(), settings.Toolbar.Get());
        Layout();
        return false;
    case kCommandStatusBar:
        Toggle(settings.StatusBar);
        ShowWindowIf(m_statusBar.Handle(), settings.StatusBar.Get());
        Layout();
        return false;
    case kCommandPanelLeft:
    case kCommandPanelRight: {
        const bool right = id == kCommandPanelRight;
        if (PanelOnRight() != right) {
            settings.SearchPanelRight.Set(right ? 1 : 0);
            ShowSearchPanel(false);
        }
        return false;
    }
    case kCommandPanelAutoHide: {
        Toggle(settings.SearchPanelAutoHide);
        const HWND focus = GetFocus();
        if (settings.SearchPanelAutoHide.Get() && m_searchPanel.m_hwnd != nullptr &&
            focus != nullptr && (focus == m_searchPanel.m_hwnd || IsChild(m_searchPanel.m_hwnd, focus)))
            SetFocus(m_list.Handle());
        ShowSearchPanel(false);
        return false;
    }
    case kCommandRegisterFileType:
    case kCommandRegisterFolderVerbs: {
        const bool fileType = id == kCommandRegisterFileType;
        const int answer = ShowMessageBoxYesNoCancel(
            GetLangText(L"shell", fileType ? L"filetype_info" : L"cm_info").c_str(),
            GetLangText(L"shell", fileType ? L"filetype_reg" : L"cm_add").c_str(),
            GetLangText(L"shell", fileType ? L"filetype_dereg" : L"cm_remove").c_str());
        if (answer == IDYES || answer == IDNO) {
            const bool add = answer == IDYES;
            const bool done = fileType ? RegisterFileType(add) : RegisterFolderVerbs(add);
            if (!done)
                ShowMessageBox(GetLangText(L"shell", L"err_register").c_str(), MB_ICONERROR);
        }
        return false;
    }
    case kCommandSaveDefaultSearch:
        if (ShowMessageBox(GetLangText(L"defsearch", L"ask_save").c_str(), MB_YESNO) == IDYES) {
            SearchCriteria criteria;
            if (m_searchPanel.GetCriteria(criteria))
                SaveDefaultSearch(&criteria);
        }
        return false;
    case kCommandResetDefaultSearch:
        if (ShowMessageBox(GetLangText(L"defsearch", L"ask_reset").c_str(), MB_YESNO) == IDYES) {
            SearchCriteria criteria;
            DeleteDefaultSearch(&criteria);
            m_searchPanel.SetCriteria(&criteria);
        }
        return false;
    case kCommandAutoSaveDefault:
        Toggle(settings.AutoSaveDefSearch);
        return false;
    case kCommandClearHistory:
        ClearHistory(true);
        return false;
    case kCommandOptions:
        ShowOptions();
        return false;
    case kCommandSearchInResults:
    case kCommandUndo:
        OnSearchInResults(id);
        return false;
    case kCommandLoad:
    case kCommandSave:
        LoadOrSaveSearch(id);
        return false;
    case kCommandHexViewSetup: {
        CVQSetupHexViewDlg dialog;
        if (dialog.DoModal(m_hwnd) != 0) {
            const mvstring name = GetHexViewAppName();
            for (int which = 0; which <= 2; ++which)
                if (mvMenu* menu = m_menus.GetMenu(which))
                    menu->SetItem(kCommandHexView, name.c_str(), kCommandHexView, false);
        }
        return false;
    }
    case kCommandFont: {
        LOGFONTW font{};
        GetObjectW(UiTheme::Get().fonts.normal.Get(), sizeof font, &font);
        if (ChooseFontDialog(&font, 5, 16, m_hwnd, 0)) {
            settings.LoadSaveListFont(font, true);
            UiTheme::Get().fonts.Create(font, 1.45);
        }
        return false;
    }
    case kCommandCommandLineHelp:
        ShowMessageBox(GetLangText(L"menu_help", L"info_cmdline").c_str(), MB_ICONINFORMATION);
        return false;
    case kCommandAbout: {
        CVQAboutDlg dialog;
        dialog.DoModal(m_hwnd);
        return false;
    }
    default:
        return false;
    }
}

bool CVQDlg::HandlesCommand(UINT id) {
    if (IsListCommand(id) || (id >= kCommandLanguageFirst && id <= kCommandLanguageLast))
        return true;
    // Open with, its handlers and the shell's verbs act on the selection
    // (OnSelectionCommand).
    if ((id >= kCommandOpenWith && id <= kCommandOpenWithLast) || IsShellCommand(id))
        return true;
    switch (id) {
    case kCommandHelp:
    case kCommandDonatePage:
    case kCommandHomePage:
    case kCommandOpen:
    case kCommandOpenWith:
    case kCommandHexView:
    case kCommandRename:
    case kCommandSearch:
    case kCommandPause:
    case kCommandExport:
    case kCommandExit:
    case kCommandToolbar:
    case kCommandStatusBar:
    case kCommandPanelLeft:
    case kCommandPanelRight:
    case kCommandPanelAutoHide:
    case kCommandRegisterFileType:
    case kCommandRegisterFolderVerbs:
    case kCommandSaveDefaultSearch:
    case kCommandResetDefaultSearch:
    case kCommandAutoSaveDefault:
    case kCommandClearHistory:
    case kCommandOptions:
    case kCommandSearchInResults:
    case kCommandUndo:
    case kCommandLoad:
    case kCommandSave:
    case kCommandHexViewSetup:
    case kCommandFont:
    case kCommandCommandLineHelp:
    case kCommandAbout:
    case kCommandOpenFolder:
    case kCommandProperties:
    case kCommandCut:
    case kCommandCopy:
    case kCommandDelete:
    case kCommandCopyToFolder:
    case kCommandMoveToFolder:
        return true;
    default:
        return false;
    }
}

LRESULT CVQDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == m_progressMessage && m_progressMessage != 0) {
        OnSearchNotify(wParam, lParam);
        return 0;
    }
    switch (message) {
    case WM_SIZE:
        m_zeroSize = lParam == 0;
        break;
    case WM_PAINT:
        if (PaintsItself()) {
            PaintUpdatedClient(m_hwnd, *this, m_font);
            return 0;
        }
        return DefaultProc(message, wParam, lParam);
    case WM_ERASEBKGND:
        if (PaintsItself()) {
            // A transparent child (the flat toolbar) has its background
            // erased by its parent: the frame's own background is painted
            // with the rest of the frame.
            const auto dc = reinterpret_cast<HDC>(wParam);
            if (dc != nullptr && WindowFromDC(dc) != m_hwnd) {
                RECT client{};
                GetClientRect(m_hwnd, &client);
                SetBkColor(dc, SystemLook() ? GetSysColor(COLOR_BTNFACE) : ThemeColour(ThemeBase));
                ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
            }
            return 1;
        }
        break;
    case WM_NCHITTEST: {
        const LRESULT hit = CVQBaseDlg::WindowProc(message, wParam, lParam);
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(m_hwnd, &point);
        RECT client{};
        GetClientRect(m_hwnd, &client);
        if (hit == HTCLIENT && point.x >= client.right - kGripSize &&
            point.y >= client.bottom - kGripSize)
            return HTBOTTOMRIGHT;
        return hit;
    }
    case WM_COMMAND: {
        LRESULT result = 0;
        if (OnCommand(wParam, lParam, &result))
            return result;
        break;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && header->hwndFrom == m_list.Handle() &&
            header->code == LVN_ITEMCHANGED && !m_list.ChangingManyRows())
            m_statusTimer.Rebind(m_hwnd, kStatusRefreshMs);
        break;
    }
    case WM_TIMER:
        if (wParam == m_statusTimer.Id() && m_statusTimer.Window() == m_hwnd) {
            m_statusTimer.Stop();
            UpdateStatus();
        }
        if (wParam == m_listCountTimer.Id() && m_listCountTimer.Window() == m_hwnd) {
            m_listCountTimer.Stop();
            FollowItemCount(false);
        }
        break;
    case WM_CONTEXTMENU:
        FlushStatusTimer();
        ShowContextMenu(reinterpret_cast<HWND>(wParam), static_cast<short>(LOWORD(lParam)),
                        static_cast<short>(HIWORD(lParam)));
        break;
    case WM_INITMENUPOPUP:
        if (m_list.GetEditControl() != nullptr)
            SendMessageW(m_list.Handle(), LVM_CANCELEDITLABEL, 0, 0);
        FlushStatusTimer();
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_DESTROY:
        SaveOnDestroy();
        break;
    default:
        break;
    }
    // The shell's context menu draws its own items while it shows.
    LRESULT relayed = 0;
    if (RelayShellMenuMessage(message, wParam, lParam, &relayed))
        return relayed;
    if (message == WM_COMMAND && !m_menus.selection.empty() && OnSelectionCommand(wParam))
        return 0;
    const LRESULT result = CVQBaseDlg::WindowProc(message, wParam, lParam);
    if (message == WM_SETFONT && m_initialized)
        UpdateMinSize();
    return result;
}
