#include "ui/core/mvApp.h"

#include "foundation/ModulePath.h"
#include "ui/core/ToolTipWindow.h"

#include <commctrl.h>
#include <shlwapi.h>

namespace {

mvApp* g_app = nullptr;
mvBaseApp* g_baseApp = nullptr;

// True when the submenu is reachable from the menu through submenu items;
// false for null arguments.
bool MenuContains(HMENU menu, HMENU submenu) {
    if (menu == nullptr || submenu == nullptr)
        return false;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const HMENU sub = GetSubMenu(menu, i);
        if (sub != nullptr && (sub == submenu || MenuContains(sub, submenu)))
            return true;
    }
    return false;
}

bool IsRelayedMouseMessage(UINT message) {
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_NCMOUSEMOVE:
        return true;
    default:
        return false;
    }
}

} // namespace

mvApp::mvApp(const wchar_t* name) : m_instance(GetModuleHandleW(nullptr)), m_name(name) {
    g_app = this;
    if (m_name.empty()) {
        mvstring path = GetModulePath(L"");
        m_name = PathFindFileNameW(path.c_str());
        PathRemoveExtensionW(m_name.data());
        m_name.resize(wcslen(m_name.c_str()));
    }
}

mvApp::~mvApp() {
    // A later object may already have taken the place.
    if (g_app == this)
        g_app = nullptr;
}

int mvApp::PreTranslateMessage(MSG*) {
    return 0;
}

mvApp* mvApp::Get() noexcept {
    return g_app;
}

HINSTANCE mvApp::Instance() noexcept {
    return g_app && g_app->m_instance ? g_app->m_instance : GetModuleHandleW(nullptr);
}

mvWnd* mvApp::MainWindow() noexcept {
    return g_app ? g_app->m_mainWnd : nullptr;
}

mvBaseApp::mvBaseApp(const wchar_t* name) : mvApp(name) {
    g_baseApp = this;
}

mvBaseApp::~mvBaseApp() {
    if (g_baseApp == this)
        g_baseApp = nullptr;
}

int mvBaseApp::PreTranslateMessage(MSG* msg) {
    HWND toolTip = ProgramToolTipWindow();
    if (msg != nullptr && toolTip != nullptr && IsWindow(toolTip) && msg->hwnd != toolTip &&
        IsRelayedMouseMessage(msg->message))
        SendMessageW(toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return 0;
}

void mvBaseApp::NotePopupMenu(HMENU menu) {
    if (menu != m_popupMenu && !MenuContains(m_popupMenu, menu))
        m_popupMenu = menu;
}

mvBaseApp* mvBaseApp::Get() noexcept {
    // Only while the application object is this one.
    return g_baseApp != nullptr && g_app == g_baseApp ? g_baseApp : nullptr;
}
