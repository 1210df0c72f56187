// The floor for the program's start: a bare Win32 program that shows one
// empty top-level window and runs a message loop until it is closed. Built
// like the program (same toolchain, static run-time, GUI subsystem).
// Built with BARE_WINDOW_LIBRARIES, it first brings up what every window of
// the program stands on before any code of ours runs: OLE (drag and drop,
// the clipboard), the common controls and the shell library. That is the
// floor the system sets for the program's start; the plain build is the
// floor of a window alone.
#include <windows.h>
#ifdef BARE_WINDOW_LIBRARIES
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#endif

namespace {

LRESULT CALLBACK BareProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef BARE_WINDOW_LIBRARIES
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x5FF};
    if (!InitCommonControlsEx(&controls))
        return 1;
    // Any call into the shell library loads it and what it stands on.
    SHFILEINFOW info{};
    SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                   SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME);
#endif
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = BareProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"BareWindow";
    if (!RegisterClassW(&windowClass))
        return 1;
    HWND hwnd = CreateWindowExW(0, windowClass.lpszClassName, L"Bare window",
                                WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 1000, 700,
                                nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr)
        return 1;
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
