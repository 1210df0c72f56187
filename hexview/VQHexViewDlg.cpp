#include "hexview/VQHexViewDlg.h"

#include "app/shared/VQAboutDlg.h"
#include "app/shared/VQFileDialog.h"
#include "app/shared/VQUiResources.h"
#include "foundation/Language.h"
#include "foundation/ModulePath.h"
#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "hexview/VQHexViewDialogs.h"
#include "ui/core/WindowPlacement.h"
#include "ui/dialogs/FontDialog.h"
#include "ui/theme/UiTheme.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <windowsx.h>

namespace {

enum Command : WORD {
    CmdOpen = 10001,
    CmdOpenNewWindow = 10002,
    CmdClose = 10016,
    CmdFind = 10018,
    CmdJumpTo = 10022,
    CmdFindNext = 10023,
    CmdExit = 10025,
    CmdCopyAsHex = 10026,
    CmdCopy = 10027,
    CmdSelectAll = 10030,
    CmdBytesPerLine = 10032,
    CmdStatusBar = 10033,
    CmdVertSelection = 10036,
    CmdFont = 10087,
    CmdAbout = 10155,
    CmdHelp = 1058,
};

// The corner square that sizes the window, in pixels.
constexpr int kGripSquare = 10;

void EnableCommand(HMENU menu, UINT id, bool enable) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
}

} // namespace

CVQHexViewDlg::CVQHexViewDlg(const mvstring& path, bool hasOffset, uint64_t offset,
                             uint32_t count)
    : m_statusBar(&m_panel), m_startPath(path), m_startHasOffset(hasOffset),
      m_startOffset(offset), m_startCount(count) {
    InitTemplate(420, 260, true, 1);
    ModifyTemplateStyle(0, WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    AppendTemplateItem(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, 0,
                       kStatusBarId, 0x0082);
    RegisterHexViewPanelClass();
}

CVQHexViewDlg::~CVQHexViewDlg() {
    // The children go with the window, while their objects still live.
    Detach(true);
}

HFONT CVQHexViewDlg::PanelFont() const {
    return m_chosenFont ? m_chosenFont.Get() : UiResources().HexViewerFont();
}

int CVQHexViewDlg::OnInitDialog() {
    m_statusBar.SubclassDlgItem(m_hwnd, kStatusBarId);
    m_panel.CreatePanel(m_hwnd, kHexViewPanelId);
    CVQBaseDlg::OnInitDialog();
    mvMenu& bar = UiResources().HexViewerMenuBar();
    if (bar.Handle() != nullptr) {
        mvMenuMap::Get().Insert(bar.Handle(), m_hwnd);
        SetMenu(m_hwnd, bar.Handle());
    }
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(UiTheme::Get().icons.GetIcon(AppIconLarge)));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(UiTheme::Get().icons.GetIcon(AppIconSmall)));
    if (HFONT font = PanelFont())
        SendMessageW(m_panel.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    FitToFont();
    DragAcceptFiles(m_hwnd, TRUE);
    RECT placed{Settings().WndPos_L, Settings().WndPos_T, Settings().WndPos_R,
                Settings().WndPos_B};
    bool maximized = Settings().WndMax;
    WindowPlacement(m_hwnd, &placed, &maximized, false);
    m_panel.ColumnWidth(false, Settings().BytesPerLine);
    m_panel.OpenFileAt(m_hwnd, m_startPath, m_startHasOffset, m_startOffset, m_startCount);
    Layout();
    SetFocus(m_panel.Handle());
    return FALSE; // the focus is set
}

void CVQHexViewDlg::Layout() {
    if (m_panel.Handle() == nullptr)
        return;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    int bottom = client.bottom;
    if (Settings().HexviewStatusBar) {
        RECT bar{};
        GetWindowRect(m_statusBar.Handle(), &bar);
        const int height = bar.bottom - bar.top;
        bottom -= height;
        SetWindowPos(m_statusBar.Handle(), nullptr, 0, bottom, client.right, height,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    } else {
        ShowWindow(m_statusBar.Handle(), SW_HIDE);
    }
    SetWindowPos(m_panel.Handle(), nullptr, 0, 0, client.right, bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVQHexViewDlg::FitToFont() {
    RECT bar{};
    GetWindowRect(m_statusBar.Handle(), &bar);
    RECT minimum{0, 0, 16 * m_panel.CharWidth(),
                 2 * m_panel.RowHeight() + (bar.bottom - bar.top)};
    AdjustWindowRectEx(&minimum, static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_EXSTYLE)));
    m_minTrack = {minimum.right - minimum.left, minimum.bottom - minimum.top};
    RECT window{};
    GetWindowRect(m_hwnd, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    if (width < m_minTrack.cx || height < m_minTrack.cy)
        SetWindowPos(m_hwnd, nullptr, 0, 0, std::max<int>(width, m_minTrack.cx),
                     std::max<int>(height, m_minTrack.cy),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

mvstring CVQHexViewDlg::AskFilePath() {
    CVQFileDialogPtr dialog;
    if (!MakeFileDialog(dialog))
        return {};
    dialog->AddFilter(GetLangText(L"global", L"filetype_all"), L"*.*", true);
    if (!dialog->Show(m_hwnd) || dialog->m_results.empty())
        return {};
    return dialog->m_results.front();
}

void CVQHexViewDlg::PickFont() {
    LOGFONTW font{};
    GetObjectW(PanelFont(), sizeof font, &font);
    if (!ChooseFontDialog(&font, 4, 24, m_hwnd, CF_FIXEDPITCHONLY | CF_NOVECTORFONTS))
        return;
    Settings().LoadSaveHexviewFont(font, true);
    GdiHandle<HFONT> chosen(CreateFontIndirectW(&font));
    if (!chosen)
        return;
    m_chosenFont = std::move(chosen);
    SendMessageW(m_panel.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_chosenFont.Get()), TRUE);
    FitToFont();
}

void CVQHexViewDlg::SavePlacement() {
    RECT rect{};
    bool maximized = false;
    if (!WindowPlacement(m_hwnd, &rect, &maximized, true))
        return;
    Settings().WndPos_L.Set(rect.left);
    Settings().WndPos_T.Set(rect.top);
    Settings().WndPos_R.Set(rect.right);
    Settings().WndPos_B.Set(rect.bottom);
    Settings().WndMax.Set(maximized);
    Settings().SaveGroup(4);
}

void CVQHexViewDlg::UpdateMenu(HMENU menu) {
    const bool file = m_panel.HasFile(), bytes = m_panel.FileSize() > 0;
    EnableCommand(menu, CmdClose, file);
    EnableCommand(menu, CmdCopy, m_panel.SelectionExtent() > 0);
    EnableCommand(menu, CmdCopyAsHex, m_panel.SelectionExtent() > 0);
    for (UINT id : {CmdFind, CmdFindNext, CmdJumpTo, CmdSelectAll})
        EnableCommand(menu, id, bytes);
    CheckMenuItem(menu, CmdStatusBar,
                  MF_BYCOMMAND | (Settings().HexviewStatusBar ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, CmdVertSelection,
                  MF_BYCOMMAND | (m_panel.VertSelection(true, false) ? MF_CHECKED : MF_UNCHECKED));
}

bool CVQHexViewDlg::OnCommand(WORD id) {
    switch (id) {
    case CmdHelp:
        SendMessageW(m_hwnd, WM_HELP, 0, 0);
        return true;
    case CmdOpen: {
        const mvstring path = AskFilePath();
        if (!path.empty())
            m_panel.OpenFile(m_hwnd, path, 0, 0);
        return true;
    }
    case CmdOpenNewWindow: {
        const mvstring path = AskFilePath();
        if (path.empty())
            return true;
        wchar_t quoted[MAX_PATH + 2] = {};
        wcsncpy(quoted, path.c_str(), MAX_PATH - 1);
        PathQuoteSpacesW(quoted);
        const mvstring parameters = mvstring(L" /hexview ") + quoted;
        ShellExecuteW(nullptr, nullptr, GetModulePath(L"").c_str(), parameters.c_str(), nullptr,
                      SW_SHOWNORMAL);
        return true;
    }
    case CmdClose:
        m_panel.CloseFile(m_hwnd, false);
        return true;
    case CmdFind:
        m_panel.OnKey('F', false, true);
        return true;
    case CmdJumpTo:
        m_panel.OnKey('G', false, true);
        return true;
    case CmdFindNext:
        m_panel.OnKey(VK_F3, false, false);
        return true;
    case CmdExit:
        m_modalResult = 2;
        EndDialog(2);
        PostMessageW(m_hwnd, WM_NULL, 0, 0);
        return true;
    case CmdCopyAsHex:
        m_panel.OnKey('C', true, true);
        return true;
    case CmdCopy:
        m_panel.OnKey('C', false, true);
        return true;
    case CmdSelectAll:
        m_panel.OnKey('A', false, true);
        return true;
    case CmdBytesPerLine: {
        uint64_t value = m_panel.ColumnWidth(true, 0);
        if (AskHexviewNumber(m_hwnd, true, value)) {
            Settings().BytesPerLine.Set(static_cast<uint8_t>(value));
            m_panel.ColumnWidth(false, static_cast<uint8_t>(value));
        }
        return true;
    }
    case CmdStatusBar:
        Settings().HexviewStatusBar.Set(!Settings().HexviewStatusBar);
        Layout();
        return true;
    case CmdVertSelection:
        Settings().VertSelection.Set(!m_panel.VertSelection(true, false));
        m_panel.VertSelection(false, Settings().VertSelection);
        RedrawWindow(m_statusBar.Handle(), nullptr, nullptr, RDW_INVALIDATE);
        return true;
    case CmdFont:
        PickFont();
        return true;
    case CmdAbout: {
        CVQAboutDlg about;
        about.DoModal(m_hwnd);
        return true;
    }
    default:
        return false;
    }
}

LRESULT CVQHexViewDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kHexViewPanelId && HIWORD(wParam) == kHexViewStatusRefresh) {
            if (IsWindowVisible(m_statusBar.Handle())) {
                m_statusBar.ShowNotice();
                RedrawWindow(m_statusBar.Handle(), nullptr, nullptr, RDW_INVALIDATE);
            }
        } else if (HIWORD(wParam) == 0 || HIWORD(wParam) == 1) {
            OnCommand(LOWORD(wParam));
        }
        break;
    case WM_INITMENUPOPUP:
        UpdateMenu(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_DROPFILES: {
        auto drop = reinterpret_cast<HDROP>(wParam);
        if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
            wchar_t path[MAX_PATH * 4] = {};
            DragQueryFileW(drop, 0, path, MAX_PATH * 4);
            if (GetPathKind(path) == 1)
                m_panel.OpenFile(m_hwnd, path, 0, 0);
        }
        DragFinish(drop); // the drop's memory is ours to free
        return 0;
    }
    case WM_NCHITTEST: {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(m_hwnd, &at);
        RECT client{};
        GetClientRect(m_hwnd, &client);
        if (!IsZoomed(m_hwnd) && at.x >= client.right - kGripSquare && at.x < client.right &&
            at.y >= client.bottom - kGripSquare && at.y < client.bottom)
            return HTBOTTOMRIGHT;
        break;
    }
    case WM_DESTROY:
        if (IsWindow(m_hwnd))
            SavePlacement();
        break;
    }
    return CVQBaseDlg::WindowProc(message, wParam, lParam);
}
