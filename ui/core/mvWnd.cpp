#include "ui/core/mvWnd.h"

#include "ui/core/ProcBarrier.h"
#include "ui/core/WindowClasses.h"
#include "ui/core/FirstWindow.h"
#include "ui/core/mvApp.h"

#include <commctrl.h>

#include <vector>

namespace {

// The objects inside their own creation call on this thread, innermost
// first (a window may create others while it is being created).
thread_local mvWnd::CreationScope* t_creating = nullptr;
// The process-wide map, and whether it is gone at process exit.
const mvWndMap* g_globalMap = nullptr;
bool g_mapGone = false;

bool IsControlColour(UINT message) {
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

// Offers the owner-draw, notify and command messages to the sending child's
// object. True when the child handled it; `result` then holds the answer.
bool Reflect(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item == nullptr || item->CtlType == ODT_MENU)
            return false;
        mvWnd* child = mvWnd::FromHandle(item->hwndItem);
        if (child == nullptr)
            return false;
        child->m_drawItemUnhandled = false;
        child->OnReflectDrawItem(item);
        result = TRUE;
        return !child->m_drawItemUnhandled;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item == nullptr || item->CtlType == ODT_MENU || item->CtlID == 0)
            return false;
        mvWnd* child = mvWnd::FromHandle(FindChildById(hwnd, static_cast<int>(item->CtlID)));
        if (child == nullptr)
            return false;
        child->m_measureItemUnhandled = false;
        child->OnReflectMeasureItem(item);
        result = TRUE;
        return !child->m_measureItemUnhandled;
    }
    case WM_COMPAREITEM: {
        auto* item = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam);
        mvWnd* child = item != nullptr ? mvWnd::FromHandle(item->hwndItem) : nullptr;
        if (child == nullptr)
            return false;
        child->m_compareItemUnhandled = false;
        result = child->OnReflectCompareItem(item);
        return !child->m_compareItemUnhandled;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header == nullptr || header->idFrom == 0)
            return false;
        mvWnd* child = mvWnd::FromHandle(header->hwndFrom);
        return child != nullptr && child->OnReflectNotify(header, &result);
    }
    case WM_COMMAND: {
        if (LOWORD(wParam) == 0)
            return false;
        mvWnd* child = mvWnd::FromHandle(reinterpret_cast<HWND>(lParam));
        if (child == nullptr || !child->OnReflectCommand(HIWORD(wParam)))
            return false;
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

} // namespace

LRESULT CALLBACK mvWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (hwnd == nullptr)
        return 0;
    mvWnd* wnd = mvWnd::FromHandle(hwnd);
    if (wnd == nullptr && message == WM_NCCREATE && lParam != 0) {
        mvWnd::BindCreated(hwnd, reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        wnd = mvWnd::FromHandle(hwnd);
    }
    if (wnd == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);

    // Read before the handler runs: it may free the object.
    const WNDPROC previous = wnd->m_prevProc;
    LRESULT result = RunBehindBarrier(
        L"window procedure",
        [&]() -> LRESULT {
            if (message == WM_SETFONT) {
                wnd->m_font = reinterpret_cast<HFONT>(wParam);
                SendToChildren(hwnd, WM_SETFONT, wParam, lParam);
            }
            // Decided before the object sees the message: its handler may end
            // the application object's interest in it.
            const bool quitAfter = message == WM_DESTROY && IsMainWindow(hwnd);

            LRESULT answer = 0;
            if (!Reflect(hwnd, message, wParam, lParam, answer))
                answer = wnd->WindowProc(message, wParam, lParam);

            if (IsControlColour(message)) {
                if (mvWnd* control = mvWnd::FromHandle(reinterpret_cast<HWND>(lParam)))
                    control->OnReflectCtlColor(reinterpret_cast<HDC>(wParam), &answer);
            }
            if (quitAfter)
                PostQuitMessage(0);
            return answer;
        },
        [&]() -> LRESULT {
            return previous != nullptr && previous != mvWndProc
                       ? CallWindowProcW(previous, hwnd, message, wParam, lParam)
                       : DefWindowProcW(hwnd, message, wParam, lParam);
        });
    if (message == WM_NCDESTROY) {
        // Looked up again: the object may have gone while handling the message.
        // Outside the barrier, so that a failed handler still unbinds.
        if (mvWnd* still = mvWnd::FromHandle(hwnd))
            still->Detach(false);
    }
    return result;
}

mvWnd::~mvWnd() {
    Detach(true);
}

LRESULT mvWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HELP) {
        if (mvApp* app = mvApp::Get())
            app->OnHelp(message, wParam, lParam);
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT mvWnd::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_prevProc != nullptr && m_prevProc != mvWndProc)
        return CallWindowProcW(m_prevProc, m_hwnd, message, wParam, lParam);
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

int mvWnd::IsDialogMessage(MSG*) {
    return 0;
}

int mvWnd::PreTranslateMessage(MSG*) {
    return 0;
}

void mvWnd::OnReflectDrawItem(DRAWITEMSTRUCT*) {
    m_drawItemUnhandled = true;
}

void mvWnd::OnReflectMeasureItem(MEASUREITEMSTRUCT*) {
    m_measureItemUnhandled = true;
}

int mvWnd::OnReflectCompareItem(COMPAREITEMSTRUCT* item) {
    m_compareItemUnhandled = true;
    if (item->itemID1 == item->itemID2)
        return 0;
    return item->itemID1 < item->itemID2 ? -1 : 1;
}

bool mvWnd::OnReflectNotify(NMHDR*, LRESULT* result) {
    *result = 0;
    return false;
}

bool mvWnd::OnReflectCommand(UINT) {
    return false;
}

bool mvWnd::SubclassDlgItem(HWND parent, int id) {
    if (m_hwnd != nullptr || parent == nullptr || id == 0)
        return false;
    HWND child = GetDlgItem(parent, id);
    return child != nullptr && SubclassWindow(child);
}

bool mvWnd::SubclassWindow(HWND hwnd) {
    if (m_hwnd != nullptr || m_prevProc != nullptr)
        return false;
    const bool attached = Attach(hwnd);
    OnAttached();
    return attached;
}

bool mvWnd::Attach(HWND hwnd) {
    if (hwnd == nullptr)
        return false;
    if (hwnd == m_hwnd)
        return true;
    if (m_hwnd != nullptr || m_prevProc != nullptr)
        return false;
    // Two objects on one window would each think the window theirs.
    if (FromHandle(hwnd) != nullptr)
        return false;
    if (auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)))
        m_font = font;
    auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    if (current != mvWndProc) {
        m_prevProc = current;
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mvWndProc));
    }
    m_hwnd = hwnd;
    mvWndMap::Get().Insert(hwnd, this);
    return true;
}

void mvWnd::Detach(bool destroy) {
    HWND hwnd = m_hwnd;
    if (hwnd == nullptr)
        return;
    if (IsWindow(hwnd)) {
        // WM_NCDESTROY unbinds this object on the way.
        if (destroy)
            DestroyWindow(hwnd);
        if (IsWindow(hwnd) && m_prevProc != nullptr &&
            reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == mvWndProc)
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
    }
    mvWndMap::Get().Remove(hwnd, this);
    m_hwnd = nullptr;
    m_prevProc = nullptr;
    m_font = nullptr;
    m_minTrack = {};
}

bool mvWnd::Create(const wchar_t* windowName, HWND parent, UINT_PTR menuOrId, int x, int y, int cx,
                   int cy, DWORD style, DWORD exStyle, const wchar_t* className) {
    if (m_hwnd != nullptr)
        return false;
    HINSTANCE instance = mvApp::Instance();
    if (instance == nullptr)
        return false;
    if (className == nullptr || *className == 0)
        className = L"mvWnd";
    PrepareFirstWindow();
    WNDCLASSW info = {};
    bool registeredHere = false;
    if (!GetClassInfoW(instance, className, &info)) {
        if (RegisterAppWindowClass(className) == 0)
            return false;
        registeredHere = true;
    }
    HWND hwnd = nullptr;
    {
        const CreationScope creating(this);
        hwnd = CreateWindowExW(exStyle, className, windowName, style, x, y, cx, cy, parent,
                               reinterpret_cast<HMENU>(menuOrId), instance, creating.Parameter());
    }
    if (hwnd == nullptr)
        return false;
    if (!registeredHere && info.lpfnWndProc != mvWndProc) {
        const bool attached = Attach(hwnd);
        OnAttached();
        return attached;
    }
    return m_hwnd == hwnd;
}

namespace {

bool ChangeLong(HWND hwnd, int index, DWORD remove, DWORD add) {
    if (hwnd == nullptr)
        return false;
    const auto old = static_cast<DWORD>(GetWindowLongW(hwnd, index));
    const DWORD changed = (old & ~remove) | add;
    if (changed == old)
        return false;
    SetWindowLongW(hwnd, index, static_cast<LONG>(changed));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return true;
}

} // namespace

bool mvWnd::ModifyStyle(DWORD remove, DWORD add) {
    return ChangeLong(m_hwnd, GWL_STYLE, remove, add);
}

bool mvWnd::ModifyStyleEx(DWORD remove, DWORD add) {
    return ChangeLong(m_hwnd, GWL_EXSTYLE, remove, add);
}

mvWnd* mvWnd::FromHandle(HWND hwnd) {
    return hwnd != nullptr ? mvWndMap::Get().Find(hwnd) : nullptr;
}

mvWnd::CreationScope::CreationScope(mvWnd* wnd) : m_wnd(wnd), m_outer(t_creating) {
    t_creating = this;
}

mvWnd::CreationScope::~CreationScope() {
    t_creating = m_outer;
}

bool mvWnd::BindCreated(HWND hwnd, void* creationParameter) {
    if (hwnd == nullptr || creationParameter == nullptr)
        return false;
    // The parameter is compared, never followed, until it is known to be
    // an object that is creating its window.
    for (const CreationScope* scope = t_creating; scope != nullptr; scope = scope->m_outer) {
        if (scope->Parameter() != creationParameter)
            continue;
        mvWnd* wnd = scope->m_wnd;
        if (wnd->m_hwnd != nullptr || FromHandle(hwnd) != nullptr)
            return false;
        return wnd->Attach(hwnd);
    }
    return false;
}

mvWndMap::~mvWndMap() {
    std::vector<mvWnd*> bound;
    for (const auto& entry : m_map)
        bound.push_back(entry.second);
    for (mvWnd* wnd : bound)
        wnd->Detach(false);
    m_map.clear();
    if (this == g_globalMap)
        g_mapGone = true;
}

mvWnd* mvWndMap::Find(HWND hwnd) const {
    // Messages can still arrive while the process exits.
    if (g_mapGone)
        return nullptr;
    auto it = m_map.find(hwnd);
    return it != m_map.end() ? it->second : nullptr;
}

void mvWndMap::Insert(HWND hwnd, mvWnd* wnd) {
    if (g_mapGone)
        return;
    m_map[hwnd] = wnd;
}

void mvWndMap::Remove(HWND hwnd, const mvWnd* wnd) {
    if (g_mapGone)
        return;
    auto it = m_map.find(hwnd);
    if (it != m_map.end() && it->second == wnd)
        m_map.erase(it);
}

mvWndMap& mvWndMap::Get() {
    static mvWndMap map;
    g_globalMap = &map;
    return map;
}

void SendToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, message, wParam, lParam);
}

void PostToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        PostMessageW(child, message, wParam, lParam);
}

HWND FindChildById(HWND parent, int id) {
    if (parent == nullptr)
        return nullptr;
    if (HWND direct = GetDlgItem(parent, id)) {
        HWND deeper = FindChildById(direct, id);
        return deeper != nullptr ? deeper : direct;
    }
    for (HWND child = GetTopWindow(parent); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (HWND found = FindChildById(child, id))
            return found;
    }
    return nullptr;
}

ATOM RegisterAppWindowClass(const wchar_t* name) {
    if (name == nullptr || *name == 0)
        return 0;
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = mvWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    return RegisterWindowClassCached(&wc);
}

bool IsMainWindow(HWND hwnd) noexcept {
    const mvWnd* main = mvApp::MainWindow();
    return hwnd != nullptr && main != nullptr && main->m_hwnd == hwnd;
}

mvstring GetWindowTextString(HWND hwnd) {
    if (!IsWindow(hwnd))
        return {};
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0)
        return {};
    mvstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}
