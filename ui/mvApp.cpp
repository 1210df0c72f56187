#include "ui/mvApp.h"

#include "foundation/ModulePath.h"
#include "ui/mvWnd.h"

#include <commctrl.h>
#include <shlwapi.h>

namespace {

mvApp* g_app = nullptr;

} // namespace

mvApp::mvApp(const wchar_t* name) : m_instance(GetModuleHandleW(nullptr)), m_name(name) {
    g_app = this;
    if (m_name.empty()) {
        mvstring path = GetModulePath(L"");
        m_name = PathFindFileNameW(path.c_str());
        PathRemoveExtensionW(m_name.data());
        m_name.resize(wcslen(m_name.c_str()));
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
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

bool mvApp::IsMainWindow(HWND hwnd) noexcept {
    const mvWnd* main = MainWindow();
    return hwnd != nullptr && main != nullptr && main->m_hwnd == hwnd;
}
