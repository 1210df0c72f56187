#include "ui/core/mvDialog.h"

#include "ui/core/ProcBarrier.h"
#include "ui/core/WindowPlacement.h"
#include "ui/core/WindowClasses.h"
#include "ui/core/FirstWindow.h"
#include "ui/core/mvApp.h"

#include <cstring>
#include <new>

namespace {

// Modal loops running on this thread, outermost first.
int g_modalDepth = 0;

void Put16(uint8_t* at, uint16_t value) {
    std::memcpy(at, &value, sizeof value);
}

void Put32(uint8_t* at, uint32_t value) {
    std::memcpy(at, &value, sizeof value);
}

uint16_t Get16(const uint8_t* at) {
    uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Writes text into a fixed slot of `chars` characters plus terminator,
// cutting it short or filling with zeros.
void PutFixedText(uint8_t* at, const wchar_t* text, size_t chars) {
    for (size_t i = 0; i <= chars; ++i) {
        const wchar_t ch = (text != nullptr && i < chars) ? *text : 0;
        Put16(at + 2 * i, static_cast<uint16_t>(ch));
        if (text != nullptr && *text != 0)
            ++text;
        else
            text = nullptr;
    }
}

} // namespace

uint16_t mvDialogTemplate::ItemCount() const noexcept {
    return Buffer != nullptr && Size >= kHeaderSize ? Get16(Buffer.get() + 8) : 0;
}

namespace {

INT_PTR InitDialog(HWND hwnd, LPARAM initParameter) {
    mvWnd::BindCreated(hwnd, reinterpret_cast<void*>(initParameter));
    auto* dialog = dynamic_cast<mvDialog*>(mvWnd::FromHandle(hwnd));
    if (dialog == nullptr)
        return TRUE;

    dialog->m_modalResult = 0;
    if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_THICKFRAME) != 0) {
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        dialog->m_minTrack = {rect.right - rect.left, rect.bottom - rect.top};
        if (SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0) == 0)
            dialog->ModifyStyleEx(0, WS_EX_DLGMODALFRAME);
    }
    dialog->OnPreInitDialog();
    RECT before{};
    GetWindowRect(hwnd, &before);
    const int result = dialog->OnInitDialog();
    RECT after{};
    GetWindowRect(hwnd, &after);
    // A dialog that placed or sized itself keeps its place.
    if (EqualRect(&before, &after))
        dialog->CenterWindow();
    return result;
}

} // namespace

INT_PTR CALLBACK mvDlgProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) noexcept {
    if (message == WM_VKEYTOITEM || message == WM_CHARTOITEM)
        return -1;
    if (message != WM_INITDIALOG)
        return FALSE;
    // A failed initialisation leaves the focus to the system.
    return RunBehindBarrier(
        L"dialog initialisation", [&] { return InitDialog(hwnd, lParam); },
        []() -> INT_PTR { return TRUE; });
}

ATOM RegisterDialogTemplateClass(const wchar_t* resourceName, const void* dialogTemplate) {
    if (resourceName == nullptr && dialogTemplate == nullptr)
        return 0;
    const auto* bytes = static_cast<const uint8_t*>(dialogTemplate);
    if (resourceName != nullptr || bytes == nullptr) {
        HINSTANCE instance = mvApp::Instance();
        HRSRC resource = FindResourceW(instance, resourceName, MAKEINTRESOURCEW(5));
        HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
        bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
        if (bytes == nullptr)
            return 0;
    }
    // Header: an extended template says so in its second word.
    const uint8_t* at = bytes + (Get16(bytes + 2) == 0xFFFF ? 26 : 18);
    // Menu: none, an ordinal, or a name.
    const uint16_t menu = Get16(at);
    if (menu == 0x0000) {
        at += 2;
    } else if (menu == 0xFFFF) {
        at += 4;
    } else {
        while (Get16(at) != 0)
            at += 2;
        at += 2;
    }
    const uint16_t classWord = Get16(at);
    if (classWord == 0x0000 || classWord == 0xFFFF)
        return 0;
    // The name is copied out: the template may be unaligned for wchar_t.
    std::wstring name;
    for (; Get16(at) != 0; at += 2)
        name.push_back(static_cast<wchar_t>(Get16(at)));
    return RegisterDialogClass(name.c_str());
}

mvDialog::~mvDialog() {
    m_template.Buffer.reset();
    m_template.Size = 0;
    Detach(true);
}

bool mvDialog::ReserveTemplateItems(int n) {
    const size_t count = m_template.ItemCount();
    const size_t wanted = count + static_cast<size_t>(n > 0 ? n : 0);
    if (m_template.Buffer != nullptr && m_template.Capacity() >= wanted)
        return true;
    const size_t slots = (wanted + 3) / 4 * 4;
    const size_t size = mvDialogTemplate::kHeaderSize + mvDialogTemplate::kItemSize * slots;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size]());
    if (buffer == nullptr) {
        m_template.Buffer.reset();
        m_template.Size = 0;
        return false;
    }
    if (m_template.Buffer != nullptr)
        std::memcpy(buffer.get(), m_template.Buffer.get(), m_template.Size);
    m_template.Buffer = std::move(buffer);
    m_template.Size = size;
    return true;
}

bool mvDialog::InitTemplate(int cx, int cy, bool topLevel, int reserve) {
    m_template.Buffer.reset();
    m_template.Size = 0;
    if (!ReserveTemplateItems(reserve))
        return false;
    uint8_t* header = m_template.Buffer.get();
    Put32(header + 0,
          topLevel ? mvDialogTemplate::kTopLevelStyle : mvDialogTemplate::kEmbeddedStyle);
    Put32(header + 4, 0);
    Put16(header + 8, 0);
    Put16(header + 10, 0);
    Put16(header + 12, 0);
    Put16(header + 14, static_cast<uint16_t>(cx));
    Put16(header + 16, static_cast<uint16_t>(cy));
    Put16(header + 18, 0);
    PutFixedText(header + 20, m_template.ClassName, 10);
    Put16(header + 42, 0);
    Put16(header + 44, m_template.PointSize);
    PutFixedText(header + 46, m_template.FaceName, 8);
    return true;
}

bool mvDialog::AppendTemplateItem(DWORD style, DWORD exStyle, int x, int y, int cx, int cy, WORD id,
                                  WORD classOrdinal) {
    if (m_template.Buffer == nullptr || !ReserveTemplateItems(1))
        return false;
    const uint16_t count = m_template.ItemCount();
    uint8_t* item = m_template.Buffer.get() + mvDialogTemplate::kHeaderSize +
                    mvDialogTemplate::kItemSize * count;
    Put32(item + 0, style);
    Put32(item + 4, exStyle);
    Put16(item + 8, static_cast<uint16_t>(x));
    Put16(item + 10, static_cast<uint16_t>(y));
    Put16(item + 12, static_cast<uint16_t>(cx));
    Put16(item + 14, static_cast<uint16_t>(cy));
    Put16(item + 16, id);
    Put16(item + 18, 0xFFFF);
    Put16(item + 20, classOrdinal);
    Put16(item + 22, 0);
    Put16(item + 24, 0);
    Put16(item + 26, 0);
    Put16(m_template.Buffer.get() + 8, static_cast<uint16_t>(count + 1));
    return true;
}

DWORD mvDialog::TemplateStyle() const noexcept {
    if (m_template.Buffer == nullptr || m_template.Size < mvDialogTemplate::kHeaderSize)
        return 0;
    uint32_t style;
    std::memcpy(&style, m_template.Buffer.get(), sizeof style);
    return style;
}

bool mvDialog::ModifyTemplateStyle(DWORD remove, DWORD add) {
    if (m_template.Buffer == nullptr || m_template.Size < mvDialogTemplate::kHeaderSize)
        return false;
    Put32(m_template.Buffer.get(), (TemplateStyle() & ~remove) | add);
    return true;
}

bool mvDialog::CreateDialogWindow(HWND owner) {
    if (m_hwnd != nullptr || m_prevProc != nullptr)
        return false;
    HINSTANCE instance = mvApp::Instance();
    if (instance == nullptr)
        return false;
    const wchar_t* resource = m_resourceId != 0 ? MAKEINTRESOURCEW(m_resourceId) : nullptr;
    if (resource == nullptr && m_template.Buffer == nullptr)
        return false;
    PrepareFirstWindow();
    RegisterDialogTemplateClass(resource, resource != nullptr ? nullptr : m_template.Buffer.get());
    HWND hwnd = nullptr;
    {
        const CreationScope creating(this);
        const auto parameter = reinterpret_cast<LPARAM>(creating.Parameter());
        hwnd = resource != nullptr
                   ? CreateDialogParamW(instance, resource, owner, mvDlgProc, parameter)
                   : CreateDialogIndirectParamW(
                         instance, reinterpret_cast<const DLGTEMPLATE*>(m_template.Buffer.get()),
                         owner, mvDlgProc, parameter);
    }
    if (hwnd == nullptr)
        return false;
    if (m_hwnd != hwnd) {
        // Created but not ours: nothing half-made is kept.
        DestroyWindow(hwnd);
        return false;
    }
    return true;
}

INT_PTR mvDialog::DoModal(HWND owner) {
    if (m_hwnd != nullptr || m_prevProc != nullptr)
        return -1;
    if (owner == nullptr) {
        if (mvWnd* main = mvApp::MainWindow(); main != nullptr && main->m_hwnd != nullptr) {
            owner = GetLastActivePopup(main->m_hwnd);
            if (owner == nullptr)
                owner = main->m_hwnd;
        }
    }
    while (owner != nullptr && (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD) != 0)
        owner = GetParent(owner);
    bool reenable = false;
    if (owner != nullptr && owner != GetDesktopWindow() && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        reenable = true;
    }

    m_modalResult = 0;
    if (!CreateDialogWindow(owner)) {
        if (reenable)
            EnableWindow(owner, TRUE);
        return -1;
    }
    const HWND hwnd = m_hwnd;
    const bool isMain = IsMainWindow(hwnd);
    ShowWindow(hwnd, SW_SHOW);

    ++g_modalDepth;
    MSG msg{};
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Every enclosing loop must end too, or the program is left
            // waiting with no window.
            if (g_modalDepth > 1)
                PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1)
            break;
        mvApp* app = mvApp::Get();
        if ((app != nullptr && app->PreTranslateMessage(&msg) != 0) ||
            PreTranslateMessage(&msg) != 0)
            continue;
        if (IsDialogMessage(&msg) == 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (m_modalResult != 0)
            break;
        // A dialog destroyed from outside can never end its run; the main
        // window's destruction ends it through WM_QUIT instead.
        if (!isMain && !IsWindow(hwnd))
            break;
    }
    --g_modalDepth;

    if (reenable)
        EnableWindow(owner, TRUE);
    if (owner != nullptr && GetActiveWindow() == hwnd)
        SetActiveWindow(owner);
    if (m_hwnd != nullptr)
        DestroyWindow(m_hwnd);
    return m_modalResult;
}

bool mvDialog::EndDialog(INT_PTR code) {
    if (m_hwnd == nullptr)
        return false;
    m_modalResult = code != 0 ? code : IDCANCEL;
    PostMessageW(m_hwnd, WM_NULL, 0, 0);
    return true;
}

bool mvDialog::CenterWindow() {
    if (m_hwnd == nullptr)
        return false;
    HWND over = GetWindow(m_hwnd, GW_OWNER);
    if (over == nullptr && !IsMainWindow(m_hwnd)) {
        if (mvWnd* main = mvApp::MainWindow())
            over = main->m_hwnd;
    }
    return CenterWindowOver(m_hwnd, over);
}

int mvDialog::IsDialogMessage(MSG* msg) {
    return m_hwnd != nullptr ? ::IsDialogMessageW(m_hwnd, msg) : 0;
}

LRESULT mvDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        if (IsMainWindow(m_hwnd)) {
            DestroyWindow(m_hwnd);
            return 0;
        }
        m_modalResult = IDCANCEL;
        PostMessageW(m_hwnd, WM_NULL, 0, 0);
        break;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font);
    case WM_COMMAND: {
        const WORD id = LOWORD(wParam);
        const LONG style = GetWindowLongW(m_hwnd, GWL_STYLE);
        if ((id != IDOK && id != IDCANCEL) || (style & WS_CHILD) != 0)
            break;
        HWND control = GetDlgItem(m_hwnd, id);
        const bool usable = control != nullptr &&
                            (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0 &&
                            IsWindowEnabled(control);
        const bool isMain = IsMainWindow(m_hwnd);
        if (usable || (id == IDCANCEL && !isMain && (style & WS_SYSMENU) != 0)) {
            EndDialog(id);
            if (isMain) {
                DestroyWindow(m_hwnd);
                return 0;
            }
        }
        break;
    }
    case WM_HELP:
        if (mvApp* app = mvApp::Get())
            app->OnHelp(message, wParam, lParam);
        return 0;
    default:
        break;
    }
    const LRESULT result = DefaultProc(message, wParam, lParam);
    if (message == WM_GETMINMAXINFO && m_minTrack.cx != 0 && m_minTrack.cy != 0)
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {m_minTrack.cx, m_minTrack.cy};
    return result;
}
