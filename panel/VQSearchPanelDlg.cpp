#include "panel/VQSearchPanelDlg.h"

#include "app/shared/VQUiResources.h"
#include "foundation/Language.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "search/ResultList.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

#include <windowsx.h>

#include <string>

namespace {

constexpr WORD kButtonClass = 0x0080;

const LayoutSpacing& Spacing() {
    return UiTheme::Get().fonts.spacing;
}

SIZE WindowSize(HWND hwnd) {
    RECT rect{};
    if (hwnd != nullptr)
        GetWindowRect(hwnd, &rect);
    return SIZE{RectWidth(rect), RectHeight(rect)};
}

} // namespace

SearchMenuState GetSearchMenuState(bool workerAlive, JobKind kind, std::size_t results,
                                   std::size_t undo) {
    SearchMenuState state;
    state.undo = undo;
    if (workerAlive && kind == JobIdle)
        return state; // stopping: nothing until the worker has ended
    const JobKind running = workerAlive ? kind : JobIdle;
    state.stopText = running == JobSearch;
    state.searchEnabled = running == JobIdle || running == JobSearch;
    state.withinEnabled = (running == JobIdle || running == JobSearchInResults) && results > 0;
    state.undoEnabled = running == JobIdle && undo > 0;
    return state;
}

SearchMenuState GetSearchMenuState() {
    SearchJob& job = GlobalSearchJob();
    const int count = ResultList::Count(job);
    return GetSearchMenuState(job.IsRunning(), static_cast<JobKind>(job.kind.load()),
                              count > 0 ? static_cast<std::size_t>(count) : 0, job.undo.size());
}

void ApplySearchMenuState(mvMenu& menu, const SearchMenuState& state) {
    menu.SetItem(kSearchCommand,
                 GetLangText(L"menu_file", state.stopText ? L"stopsearch" : L"startsearch").c_str(),
                 0, false);
    mvstring undo = GetLangText(L"menu_file", L"undosir");
    if (state.undo > 0) {
        const std::wstring count = std::to_wstring(state.undo);
        undo += L"\t[";
        undo += std::wstring_view(count);
        undo += L"]";
    }
    menu.SetItem(kUndoSearchInResultsCommand, undo.c_str(), 0, false);
    const struct {
        UINT id;
        bool enabled;
    } items[] = {{kSearchCommand, state.searchEnabled},
                 {kSearchInResultsCommand, state.withinEnabled},
                 {kUndoSearchInResultsCommand, state.undoEnabled}};
    for (const auto& item : items)
        EnableMenuItem(menu.Handle(), item.id,
                       MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_DISABLED | MF_GRAYED));
}

void ClampCriteria(SearchCriteria& c) {
    auto clamp = [](std::int32_t& value, std::uint32_t last, std::int32_t fallback) {
        if (static_cast<std::uint32_t>(value) > last)
            value = fallback;
    };
    clamp(c.name_opt, 4, NameAllPatterns);
    clamp(c.word_opt, 4, WordAny);
    clamp(c.size_mode, 3, 0);
    for (std::int32_t* op : {&c.size_logic1, &c.size_logic2, &c.date_logic1, &c.date_logic2})
        clamp(*op, 5, OpNone);
    clamp(c.date_mode, 2, 0);
    clamp(c.date_part, 2, 0);
}

CVQSearchPanelDlg::CVQSearchPanelDlg() {
    m_search.m_dialogUnits = {55, 14};
}

CVQSearchPanelDlg::~CVQSearchPanelDlg() {
    Detach(true);
}

bool CVQSearchPanelDlg::PanelOnRight() {
    return Settings().SearchPanelRight.Get() != 0;
}

bool CVQSearchPanelDlg::BuildTemplate(int cx, int cy) {
    return InitTemplate(cx, cy, false, 1) &&
           AppendTemplateItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 55, 14,
                              kSearchCommand, kButtonClass);
}

void CVQSearchPanelDlg::OnPreInitDialog() {
    m_search.SubclassDlgItem(m_hwnd, kSearchCommand);
}

int CVQSearchPanelDlg::OnInitDialog() {
    RECT client{};
    GetClientRect(m_hwnd, &client);
    if (m_panel.CreatePanel(m_hwnd, 0, client, WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)) {
        m_panel.ModifyStyleEx(0, WS_EX_CONTROLPARENT);
        SetWindowPos(m_panel.Handle(), HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    CVQBaseDlg::OnInitDialog();
    GetPreferredSize(0, nullptr, nullptr);
    SendMessageW(m_hwnd, DM_SETDEFID, kSearchCommand, 0);
    m_initialized = true;
    SetCriteria(nullptr);
    if (m_startup != nullptr) {
        if (!m_startup->path.empty() && GetPathKind(m_startup->path) == 2)
            SetWindowTextW(m_panel.m_folders.Handle(), m_startup->path.c_str());
        if ((m_startup->flags & StartupRunNow) != 0)
            PostMessageW(m_hwnd, WM_COMMAND, kSearchCommand, 0);
    }
    return 1;
}

void CVQSearchPanelDlg::SetTexts() {
    if (m_search.Handle() != nullptr)
        SetWindowTextW(m_search.Handle(), GetLangText(L"search_panel", L"search").c_str());
    m_panel.LoadBrowseText(false);
}

bool CVQSearchPanelDlg::SetCriteria(const SearchCriteria* criteria) {
    if (m_hwnd == nullptr)
        return false;
    if (criteria != nullptr) {
        m_panel.LoadFromCriteria(*criteria);
    } else {
        const SearchCriteria copy(GlobalSearchJob().criteria);
        m_panel.LoadFromCriteria(copy);
    }
    Layout();
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return true;
}

bool CVQSearchPanelDlg::GetCriteria(SearchCriteria& criteria) const {
    if (m_hwnd == nullptr)
        return false;
    m_panel.SaveToCriteria(criteria);
    ClampCriteria(criteria);
    return true;
}

void CVQSearchPanelDlg::UpdateSearchButton() {
    if (m_search.Handle() != nullptr) {
        const bool running = IsSearchRunning();
        const mvstring caption =
            running ? GetLangText(L"global", L"cancel") : GetLangText(L"search_panel", L"search");
        SetWindowTextW(m_search.Handle(), caption.c_str());
    }
    m_panel.UpdateState();
    if (m_hwnd != nullptr)
        RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

int CVQSearchPanelDlg::GetPreferredSize(unsigned char flag, int* maxWidth, int* minHeight) {
    if (maxWidth != nullptr)
        *maxWidth = 0;
    if (minHeight != nullptr)
        *minHeight = 0;
    if (m_search.Handle() == nullptr)
        return 0;
    const SIZE button = WindowSize(m_search.Handle());
    if (flag == 0) {
        m_minWidth = 3 * Spacing().innerSpacing.cx + 2 * button.cx;
        m_minHeight = 3 * Spacing().innerSpacing.cy + 2 * button.cy;
    }
    if (flag == 0 || (flag & 0x80) == 0) {
        RECT main{};
        if (HWND parent = GetParent(m_hwnd))
            GetClientRect(parent, &main);
        m_maxWidth = RectWidth(main) - m_minWidth;
    }
    if (maxWidth != nullptr)
        *maxWidth = m_maxWidth;
    if (minHeight != nullptr)
        *minHeight = m_minHeight;
    return m_minWidth;
}

void CVQSearchPanelDlg::Layout() {
    if (!m_initialized || m_panel.Handle() == nullptr)
        return;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    if (client.bottom <= 0)
        return;
    const SIZE button = WindowSize(m_search.Handle());
    RECT rect = client;
    rect.bottom -= 2 * Spacing().innerSpacing.cy + button.cy;
    if (PanelOnRight())
        rect.left += kSplitterWidth;
    else
        rect.right -= kSplitterWidth;
    // In the own colours the scroll box around the panel is what moves.
    HWND outer = m_panel.m_box.Child() == m_panel.Handle() && m_panel.m_box.Handle() != nullptr
                     ? m_panel.m_box.Handle()
                     : m_panel.Handle();
    SetWindowPos(outer, nullptr, rect.left, rect.top, RectWidth(rect), RectHeight(rect),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    m_panel.Layout();
    if (m_panel.m_contentHeight > 0 && m_panel.m_contentHeight < RectHeight(rect)) {
        rect.bottom = rect.top + m_panel.m_contentHeight;
        SetWindowPos(outer, nullptr, 0, 0, RectWidth(rect), RectHeight(rect),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (m_search.Handle() != nullptr)
        SetWindowPos(m_search.Handle(), nullptr, rect.right - Spacing().innerSpacing.cx - button.cx,
                     rect.bottom + Spacing().innerSpacing.cy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVQSearchPanelDlg::PaintContent(HDC dc, const RECT*) {
    if (dc == nullptr)
        return;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const bool right = PanelOnRight();
    const bool system = SystemLook();
    RECT strip = client;
    if (right)
        strip.right = strip.left + kSplitterWidth;
    else
        strip.left = strip.right - kSplitterWidth;
    FillSolidRect(dc, strip,
                  right ? (system ? GetSysColor(COLOR_BTNFACE) : ThemeColour(ThemeBase))
                        : (system ? GetSysColor(COLOR_WINDOW) : ThemeColour(ThemeEditBg)));
    const COLORREF line = system ? GetSysColor(COLOR_BTNSHADOW) : ThemeColour(ThemeButton);
    RECT edge = strip;
    if (right) {
        edge.right = edge.left + 1;
    } else {
        edge.left = client.right - kSplitterWidth;
        edge.right = edge.left + 1;
    }
    FillSolidRect(dc, edge, line);
    if (m_panel.Handle() != nullptr &&
        (GetWindowLongW(m_panel.Handle(), GWL_STYLE) & WS_VSCROLL) != 0 && m_search.Handle()) {
        RECT button{};
        GetWindowRect(m_search.Handle(), &button);
        MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&button), 2);
        RECT rule = client;
        if (right)
            rule.left += kSplitterWidth;
        else
            rule.right -= kSplitterWidth;
        rule.top = button.top - Spacing().innerSpacing.cy;
        rule.bottom = rule.top + 1;
        FillSolidRect(dc, rule, line);
    }
}

void CVQSearchPanelDlg::ShowSearchMenu() {
    mvMenu& menu = UiResources().SearchButtonMenu();
    if (menu.Handle() == nullptr)
        return;
    ApplySearchMenuState(menu, GetSearchMenuState());
    RECT button{};
    GetWindowRect(m_search.Handle(), &button);
    HWND main = GetParent(m_hwnd);
    menu.TrackPopup(button.right - RectWidth(m_search.ArrowRect()), button.bottom,
                    main != nullptr ? main : m_hwnd);
}

LRESULT CVQSearchPanelDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (lParam != 0)
            if (HWND main = GetParent(m_hwnd))
                PostMessageW(main, WM_SIZE, 0, 0);
        break;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (m_minWidth > 0)
            info->ptMinTrackSize.x = m_minWidth;
        if (m_minHeight > 0)
            info->ptMinTrackSize.y = m_minHeight;
        if (m_maxWidth > 0)
            info->ptMaxTrackSize.x = m_maxWidth;
        return 0;
    }
    case WM_NCHITTEST: {
        RECT window{};
        GetWindowRect(m_hwnd, &window);
        const int x = GET_X_LPARAM(lParam);
        const int y = GET_Y_LPARAM(lParam);
        if (y >= window.top && y < window.bottom) {
            if (PanelOnRight() && x >= window.left && x < window.left + kSplitterWidth)
                return HTLEFT;
            if (!PanelOnRight() && x < window.right && x >= window.right - kSplitterWidth)
                return HTRIGHT;
        }
        break;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kSearchCommand) {
            if (m_search.HitArrow())
                ShowSearchMenu();
            else if (HWND main = GetParent(m_hwnd))
                SendMessageW(main, WM_COMMAND, wParam, lParam);
        }
        break;
    default:
        break;
    }
    const LRESULT result = CVQBaseDlg::WindowProc(message, wParam, lParam);
    if (message == WM_SETFONT)
        GetPreferredSize(0, nullptr, nullptr);
    return result;
}
