#include "ui/dialogs/FontDialog.h"

#include "ui/dialogs/mvFileDialog.h"

#include <commdlg.h>

namespace {

HHOOK g_centerHook = nullptr;
// The window the hook centred and its place, checked once more when it is
// activated: some systems ignore a place set in the creation hook.
HWND g_centred = nullptr;
POINT g_centre = {};

LRESULT CALLBACK CenterOnOwnerHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
    HHOOK hook = g_centerHook;
    if (code == HCBT_ACTIVATE && g_centred != nullptr &&
        reinterpret_cast<HWND>(wParam) == g_centred) {
        RECT now = {};
        if (GetWindowRect(g_centred, &now) && (now.left != g_centre.x || now.top != g_centre.y))
            SetWindowPos(g_centred, nullptr, g_centre.x, g_centre.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        LRESULT result = CallNextHookEx(hook, code, wParam, lParam);
        RemoveCenterHook();
        return result;
    }
    if (code != HCBT_CREATEWND || g_centred != nullptr)
        return CallNextHookEx(hook, code, wParam, lParam);
    auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    RECT owner = {};
    if ((create->style & WS_CHILD) != 0 || create->hwndParent == nullptr ||
        !GetWindowRect(create->hwndParent, &owner))
        return CallNextHookEx(hook, code, wParam, lParam);
    create->x = owner.left + (owner.right - owner.left) / 2 - create->cx / 2;
    create->y = owner.top + (owner.bottom - owner.top) / 2 - create->cy / 2;
    g_centred = reinterpret_cast<HWND>(wParam);
    g_centre = {create->x, create->y};
    return CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace

bool InstallCenterHook() {
    if (g_centerHook == nullptr)
        g_centerHook = SetWindowsHookExW(WH_CBT, CenterOnOwnerHook, nullptr, GetCurrentThreadId());
    return g_centerHook != nullptr;
}

void RemoveCenterHook() {
    if (g_centerHook != nullptr)
        UnhookWindowsHookEx(g_centerHook);
    g_centerHook = nullptr;
    g_centred = nullptr;
}

bool ChooseFontDialog(LOGFONTW* font, int minSize, int maxSize, HWND owner, DWORD extraFlags) {
    LOGFONTW copy = {};
    if (font != nullptr)
        copy = *font;
    CHOOSEFONTW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.lpLogFont = &copy;
    choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_FORCEFONTEXIST | extraFlags;
    if (minSize != 0 || maxSize != 0) {
        choose.Flags |= CF_LIMITSIZE;
        choose.nSizeMin = minSize;
        choose.nSizeMax = maxSize;
    }
    choose.hwndOwner = DialogOwnerWindow(owner);
    InstallCenterHook();
    BOOL ok = ChooseFontW(&choose);
    RemoveCenterHook();
    if (ok && font != nullptr)
        *font = copy;
    return ok != FALSE;
}
