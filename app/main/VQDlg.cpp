#include "app/main/VQDlg.h"

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
#include "ui/theme/UiTheme.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// The frame of a resizable window that can be minimised and maximised.
constexpr DWORD kMainFrameStyles = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// The bottom-right corner that answers as a size grip, in pixels.
constexpr int kGripSize = 10;
constexpr DWORD kSlideMs = 100;

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

int CVQDlg::OnInitDialog() {
    mvsysicon& icons = UiTheme::Get().icons;
    if (HICON bigIcon = icons.GetIcon(AppIconLarge))
        SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    if (HICON smallIcon = icons.GetIcon(AppIconSmall))
        SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    SetWindowTextW(m_hwnd, L"Velquin");

    m_toolBar.Create(m_hwnd);
    CreateList();
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
    if (m_list.m_hwnd != nullptr)
        SendMessageW(m_list.m_hwnd, LVM_SETVIEW, LV_VIEW_DETAILS, 0);
    m_statusBar.SetText(GetLangText(L"status", L"ready"));

    // The notifier registers its message at the first window it serves.
    GlobalNotifier().Attach(m_hwnd);
    m_progressMessage = GlobalNotifier().message;
    if (GlobalStartupOptions().flags & StartupLoaded)
        ShowResultCount();
    return TRUE;
}

void CVQDlg::CreateList() {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT |
                        LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
    if (!m_list.Create(L"", m_hwnd, kMainListId, 0, 0, 0, 0, style, 0, WC_LISTVIEWW))
        return;
    SendMessageW(m_list.m_hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
    std::vector<mvstring> titles;
    GetColumnTitles(titles, true);
    ApplyToList(Settings().Columns, m_list.m_hwnd, titles);
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
    if (job.IsRunning() && job.kind.load() != JobIdle) {
        job.worker.Stop(0);
        return;
    }
    // A bad input is named next to its field; no search runs that would
    // silently find nothing.
    SearchCriteria criteria;
    if (!m_searchPanel.GetCriteria(criteria) || !m_searchPanel.m_panel.ValidateInput())
        return;
    if (m_list.m_hwnd != nullptr)
        SendMessageW(m_list.m_hwnd, LVM_SETITEMCOUNT, 0, 0);
    StartSearch(criteria);
}

void CVQDlg::ShowResultCount() {
    const int count = ResultList::Count();
    if (m_list.m_hwnd != nullptr)
        SendMessageW(m_list.m_hwnd, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL);
    m_statusBar.SetText(
        GetLangText(L"status", count == 1 ? L"oneitem" : L"items", std::to_wstring(count)));
}

void CVQDlg::FillListText(NMLVDISPINFOW& info) {
    if (!(info.item.mask & LVIF_TEXT) || info.item.pszText == nullptr || info.item.cchTextMax <= 0)
        return;
    info.item.pszText[0] = 0;
    const FoundItem* item = ResultList::ItemAt(info.item.iItem);
    if (item == nullptr)
        return;
    static const ItemText kTimes[] = {ItemText::Modified, ItemText::Created, ItemText::Accessed};
    switch (info.item.iSubItem) {
    case 0:
        m_cellText = item->name;
        break;
    case 1:
        item->GetText(ItemText::Size, m_cellText);
        break;
    case 2:
        m_cellText = GlobalShellTypeCache().GetTypeName(item->ext, item->attr);
        break;
    case 3:
    case 5:
    case 6:
        item->GetText(kTimes[info.item.iSubItem == 3 ? 0 : info.item.iSubItem - 4], m_cellText);
        break;
    case 4:
        m_cellText = mvstring(item->folder.view());
        break;
    case 7:
        m_cellText = item->AttributeText();
        break;
    case 8:
        m_cellText = item->ext;
        break;
    default:
        return;
    }
    lstrcpynW(info.item.pszText, m_cellText.c_str(), info.item.cchTextMax);
}

void CVQDlg::SaveOnDestroy() {
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
    case WM_COMMAND:
        if (LOWORD(wParam) == kCommandSearch) {
            SearchOrStop();
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && header->hwndFrom == m_list.m_hwnd &&
            header->code == LVN_GETDISPINFOW) {
            FillListText(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
            return 0;
        }
        break;
    }
    case WM_DESTROY:
        SaveOnDestroy();
        break;
    default:
        break;
    }
    const LRESULT result = CVQBaseDlg::WindowProc(message, wParam, lParam);
    if (message == WM_SETFONT && m_initialized)
        UpdateMinSize();
    return result;
}
