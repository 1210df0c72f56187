#include "ui/dialogs/mvMessageBox.h"

#include "foundation/Handles.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/core/Measure.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowPlacement.h"
#include "ui/core/mvApp.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace {

constexpr int kFirstButtonId = 1001;

// Button id -> (default caption, custom caption).
struct CaptionTable {
    std::map<int, std::pair<mvstring, mvstring>> captions;
    bool filled = false;
};

CaptionTable& Captions() {
    static CaptionTable table;
    return table;
}

void FillCaptions() {
    CaptionTable& table = Captions();
    if (table.filled)
        return;
    table.captions.clear();
    if (!InitButtonTexts()) {
        static const wchar_t* const kBuiltIn[] = {L"OK",      L"Cancel",     L"&Abort",   L"&Retry",
                                                  L"&Ignore", L"&Yes",       L"&No",      L"&Close",
                                                  L"Help",    L"&Try Again", L"&Continue"};
        for (int id = 1; id <= 11; ++id)
            table.captions[id] = {kBuiltIn[id - 1], mvstring()};
    }
    table.filled = true;
}

mvstring CaptionOf(int id) {
    FillCaptions();
    const auto it = Captions().captions.find(id);
    if (it == Captions().captions.end())
        return {};
    return it->second.second.empty() ? it->second.first : it->second.second;
}

mvstring CustomCaptionOf(int id) {
    FillCaptions();
    const auto it = Captions().captions.find(id);
    return it != Captions().captions.end() ? it->second.second : mvstring();
}

SIZE DialogUnits(int x, int y, HFONT font) {
    const std::uint64_t packed = DialogUnitsToPixels(PackXY(x, y), font);
    return {PackedX(packed), PackedY(packed)};
}

// The caption: the application's name, else the program's file name.
mvstring BoxCaption() {
    mvstring caption;
    if (const mvApp* app = mvApp::Get())
        caption = app->m_name;
    if (caption.empty()) {
        wchar_t path[MAX_PATH] = {};
        if (GetModuleFileNameW(nullptr, path, MAX_PATH) != 0)
            caption = PathFindFileNameW(path);
    }
    caption.StripMenuText(false, 0, 0);
    return caption;
}

} // namespace

MessageBoxButtonSet GetButtonSet(UINT type) {
    switch (type & 0xF) {
    case MB_OK:
        return {{IDOK, 0, 0}, 1};
    case MB_OKCANCEL:
        return {{IDCANCEL, IDOK, 0}, 2};
    case MB_ABORTRETRYIGNORE:
        return {{IDIGNORE, IDRETRY, IDABORT}, 3};
    case MB_YESNOCANCEL:
        return {{IDCANCEL, IDNO, IDYES}, 3};
    case MB_YESNO:
        return {{IDNO, IDYES, 0}, 2};
    case MB_RETRYCANCEL:
        return {{IDCANCEL, IDRETRY, 0}, 2};
    case MB_CANCELTRYCONTINUE:
        return {{IDCONTINUE, IDTRYAGAIN, IDCANCEL}, 3};
    case 9:
        return {{IDCONTINUE, 0, 0}, 1};
    default:
        return {};
    }
}

bool InitButtonTexts() {
    HMODULE user32 = GetModuleHandleW(L"User32.dll");
    if (user32 == nullptr)
        return false;
    CaptionTable& table = Captions();
    for (int id = 1; id <= 11; ++id) {
        wchar_t text[260] = {};
        const int length = LoadStringW(user32, static_cast<UINT>(799 + id), text, 260);
        if (length < 1 || length > 63)
            return false;
        table.captions[id].first = mvstring(text, static_cast<mvstring::size_type>(length));
    }
    return true;
}

mvstring SetButtonText(int id, const wchar_t* text) {
    FillCaptions();
    const auto it = Captions().captions.find(id);
    if (it == Captions().captions.end())
        return {};
    if (text != nullptr)
        it->second.second = text;
    return CaptionOf(id);
}

void SetMessageBoxButtonTexts(const wchar_t* ok, const wchar_t* cancel, const wchar_t* yes,
                              const wchar_t* no, const wchar_t* cont, const wchar_t* abort,
                              const wchar_t* retry, const wchar_t* ignore,
                              const wchar_t* tryAgain) {
    const std::pair<int, const wchar_t*> texts[] = {
        {IDOK, ok},       {IDCANCEL, cancel}, {IDYES, yes},
        {IDNO, no},       {IDCONTINUE, cont}, {IDABORT, abort},
        {IDRETRY, retry}, {IDIGNORE, ignore}, {IDTRYAGAIN, tryAgain}};
    for (const auto& [id, text] : texts)
        SetButtonText(id, text != nullptr ? text : L"");
}

int ShowMessageBox(const wchar_t* text, UINT type) {
    std::unique_ptr<mvMessageBox> box(new (std::nothrow) mvMessageBox());
    if (!box || !box->m_template.Buffer)
        return -1;
    box->m_type = type;
    box->m_text = text != nullptr ? text : L"";
    const auto start = box->m_text.view().find_first_not_of(L"\r\n");
    box->m_text.erase(0, start == std::wstring_view::npos ? box->m_text.length() : start);
    box->m_caption = BoxCaption();
    box->m_checkText = nullptr;
    box->m_checked = false;
    return static_cast<int>(box->DoModal(nullptr));
}

int ShowMessageBoxYesNoCancel(const wchar_t* text, const wchar_t* yes, const wchar_t* no) {
    // The captions the language gave stay in force for every later box.
    const mvstring savedYes = CustomCaptionOf(IDYES);
    const mvstring savedNo = CustomCaptionOf(IDNO);
    SetButtonText(IDYES, yes != nullptr ? yes : L"");
    SetButtonText(IDNO, no != nullptr ? no : L"");
    const int result = ShowMessageBox(text, MB_YESNOCANCEL | MB_ICONINFORMATION);
    SetButtonText(IDYES, savedYes.c_str());
    SetButtonText(IDNO, savedNo.c_str());
    return result;
}

// mvMessageBox

mvMessageBox::mvMessageBox() {
    m_template.ClassName = L"mvMsgBox00";
    if (!InitTemplate(188, 106, true, 4))
        return;
    constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP;
    const int xs[] = {7, 67, 131};
    for (int i = 0; i < 3; ++i)
        AppendTemplateItem(kStyle, 0, xs[i], 85, 50, 14, static_cast<WORD>(kFirstButtonId + i),
                           0x0080);
    AppendTemplateItem(kStyle | BS_AUTOCHECKBOX | BS_TOP | BS_MULTILINE, 0, 0, 0, 0, 0, kCheckBoxId,
                       0x0080);
}

mvMessageBox::~mvMessageBox() {
    m_countDown.Stop();
}

bool mvMessageBox::IconCellReserved() const {
    return (m_type & 0xF0) != 0x80;
}

SIZE mvMessageBox::IconCell() const {
    const std::uint64_t size = UiTheme::Get().icons.GetSize(StockInfoLarge);
    return {PackedX(size), PackedY(size)};
}

void mvMessageBox::OnPreInitDialog() {
    for (int i = 0; i < 3; ++i)
        m_buttons[i].SubclassDlgItem(m_hwnd, kFirstButtonId + i);
    m_checkBox.SubclassDlgItem(m_hwnd, kCheckBoxId);
}

int mvMessageBox::OnInitDialog() {
    mvBaseDlg::OnInitDialog();
    UINT kind = m_type & 0xF0;
    if (kind == 0) {
        switch (m_type & 0xF) {
        case MB_OK:
        case 9:
            kind = MB_ICONINFORMATION;
            break;
        case MB_OKCANCEL:
            kind = MB_ICONWARNING;
            break;
        case MB_YESNOCANCEL:
        case MB_YESNO:
            kind = MB_ICONQUESTION;
            break;
        default:
            break;
        }
    }
    mvsysicon& icons = UiTheme::Get().icons;
    switch (kind) {
    case MB_ICONERROR:
        m_icon = icons.GetIcon(StockErrorLarge);
        break;
    case MB_ICONQUESTION:
        m_icon = icons.GetIcon(StockQuestionLarge);
        break;
    case MB_ICONWARNING:
        m_icon = icons.GetIcon(StockWarningLarge);
        break;
    case MB_ICONINFORMATION:
        m_icon = icons.GetIcon(StockInfoLarge);
        break;
    default:
        m_icon = nullptr;
        break;
    }
    SetWindowTextW(m_hwnd, m_caption.c_str());
    LayoutBox(SetupButtons());

    m_countDown.Stop();
    m_countDown.ticks = 0;
    const HWND button = m_countDownButton != 0 ? GetDlgItem(m_hwnd, m_countDownButton) : nullptr;
    if (m_countDownSeconds != 0 && button != nullptr &&
        (GetWindowLongW(button, GWL_STYLE) & WS_VISIBLE) != 0) {
        m_countDown.savedCaption = GetWindowTextString(button);
        UpdateCountdownText(button);
        m_countDown.Rebind(m_hwnd, 1000);
    }
    return FALSE; // the default button has the focus
}

int mvMessageBox::SetupButtons() {
    const MessageBoxButtonSet set = GetButtonSet(m_type);
    for (int slot = 0; slot < 3; ++slot) {
        // The rightmost slot is the third template button.
        const HWND button = GetDlgItem(m_hwnd, kFirstButtonId + 2 - slot);
        if (button == nullptr)
            continue;
        const int id = set.ids[slot];
        if (id != 0) {
            SetWindowLongPtrW(button, GWLP_ID, id);
            SetWindowTextW(button, CaptionOf(id).c_str());
            ShowWindow(button, SW_SHOW);
        } else {
            SetWindowTextW(button, L"");
            ShowWindow(button, SW_HIDE);
        }
    }
    if (set.count > 0) {
        const int d = static_cast<int>((m_type >> 8) & 0xF);
        int slot = set.count - d - 1;
        if (slot < 0 || slot > 2 || set.ids[slot] == 0)
            slot = set.count - 1;
        const int id = set.ids[slot];
        SendMessageW(m_hwnd, DM_SETDEFID, static_cast<WPARAM>(id), 0);
        if (const HWND button = GetDlgItem(m_hwnd, id))
            SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
    }
    if (const HWND check = GetDlgItem(m_hwnd, kCheckBoxId)) {
        if (m_checkText != nullptr) {
            SetWindowTextW(check, m_checkText);
            SendMessageW(check, BM_SETCHECK, m_checked ? BST_CHECKED : BST_UNCHECKED, 0);
            ShowWindow(check, SW_SHOW);
        } else {
            ShowWindow(check, SW_HIDE);
        }
    }
    return set.count;
}

SIZE mvMessageBox::MeasureText(const RECT& rect) {
    constexpr UINT kFlags =
        DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_EDITCONTROL;
    const ScreenDC dc(GetDC(m_hwnd));
    SIZE result{0, 0};
    if (!dc)
        return result;
    const int gap = UiTheme::Get().fonts.spacing.gap;
    const HGDIOBJ old = SelectObject(dc.Get(), UiTheme::Get().fonts.large.Get());
    RECT main = {0, 0, RectWidth(rect), 0};
    if (!m_mainInstruction.empty())
        DrawTextW(dc.Get(), m_mainInstruction.c_str(), -1, &main, kFlags);
    SelectObject(dc.Get(), m_font != nullptr ? m_font : UiTheme::Get().fonts.normal.Get());
    RECT text = {0, 0, RectWidth(rect), 0};
    DrawTextW(dc.Get(), m_text.empty() ? L"hy" : m_text.c_str(), -1, &text, kFlags);
    SelectObject(dc.Get(), old);
    result.cx = std::max<int>(m_mainInstruction.empty() ? 0L : RectWidth(main), RectWidth(text));
    result.cy = RectHeight(text) + (m_mainInstruction.empty() ? 0 : RectHeight(main) + gap);
    return result;
}

int mvMessageBox::FitCaptionWidth(int maxWidth) {
    if (m_caption.empty() || m_hwnd == nullptr)
        return 0;
    RECT window{};
    GetWindowRect(m_hwnd, &window);
    if (RectWidth(window) >= maxWidth)
        return maxWidth;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    TITLEBARINFO title{};
    title.cbSize = sizeof title;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) ||
        !GetTitleBarInfo(m_hwnd, &title))
        return 0;
    GdiHandle<HFONT> font(CreateFontIndirectW(&metrics.lfCaptionFont));
    const ScreenDC dc(GetDC(m_hwnd));
    if (!font || !dc)
        return 0;
    const HGDIOBJ old = SelectObject(dc.Get(), font.Get());
    RECT text{};
    DrawTextW(dc.Get(), m_caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc.Get(), old);
    return RectWidth(text) + metrics.iCaptionWidth + RectWidth(window) -
           RectWidth(title.rcTitleBar) + 10;
}

void mvMessageBox::LayoutBox(int buttons) {
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const int mx = spacing.outerMargin.cx;
    const int my = spacing.outerMargin.cy;
    const HFONT font = m_font != nullptr ? m_font : UiTheme::Get().fonts.normal.Get();
    const int s = DialogUnits(4, 0, font).cx;
    const SIZE button = DialogUnits(50, 14, font);
    const int bw = button.cx, bh = button.cy;
    const int maxText = DialogUnits(278, 0, font).cx;

    RECT window{}, client{};
    GetWindowRect(m_hwnd, &window);
    GetClientRect(m_hwnd, &client);
    MapWindowPoints(m_hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int frameLeft = client.left - window.left, frameRight = window.right - client.right;
    const int frameTop = client.top - window.top, frameBottom = window.bottom - client.bottom;

    RECT work{};
    HWND anchor = GetParent(m_hwnd);
    if (anchor == nullptr)
        anchor = GetWindow(m_hwnd, GW_OWNER);
    if (anchor == nullptr)
        if (const mvWnd* main = mvApp::MainWindow())
            anchor = main->Handle();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (anchor != nullptr &&
        GetMonitorInfoW(MonitorFromWindow(anchor, MONITOR_DEFAULTTOPRIMARY), &monitor))
        work = monitor.rcWork;
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);

    const bool reserved = IconCellReserved();
    const SIZE cell = reserved ? IconCell() : SIZE{0, 0};
    const int reduce = 4 * mx + (reserved ? cell.cx + mx : 0) + frameLeft + frameRight;
    const int workWidth = RectWidth(work);
    const int candidates[] = {maxText, workWidth * 5 / 8, workWidth * 3 / 4, workWidth * 7 / 8};
    const int available = RectHeight(work) - frameTop - frameBottom - 4 * my - bh;
    SIZE text{0, 0};
    for (int candidate : candidates) {
        const int width = candidate - reduce;
        if (width <= 0)
            continue;
        text = MeasureText(RECT{0, 0, width, 0});
        const int wide = std::min(3 * static_cast<int>(text.cy), maxText);
        if (text.cx < wide)
            text = MeasureText(RECT{0, 0, wide, 0});
        if (text.cy <= available)
            break;
    }

    int w = std::max(static_cast<int>(text.cx), buttons * bw + mx + (buttons - 1) * s);
    int a = std::max(static_cast<int>(cell.cy), static_cast<int>(text.cy));
    const HWND check = GetDlgItem(m_hwnd, kCheckBoxId);
    SIZE checkSize{0, 0};
    if (m_checkText != nullptr && check != nullptr) {
        const int limit = maxText + (reserved ? cell.cx + 2 * mx : mx);
        const ScreenDC dc(GetDC(nullptr));
        const HGDIOBJ old = SelectObject(dc.Get(), font);
        RECT box{0, 0, limit - 2 * GetSystemMetrics(SM_CXMENUCHECK), 0};
        DrawTextW(dc.Get(), m_checkText, -1, &box, DT_CALCRECT | DT_WORDBREAK);
        SelectObject(dc.Get(), old);
        checkSize = {RectWidth(box) + 2 * GetSystemMetrics(SM_CXMENUCHECK),
                     std::max<int>(RectHeight(box), GetSystemMetrics(SM_CYMENUCHECK))};
        w = std::max<int>(w, static_cast<int>(checkSize.cx) - (reserved ? cell.cx + mx : 0) - mx);
        a += checkSize.cy + my;
    }

    RECT size{0, 0, reserved ? w + 5 * mx + cell.cx : w + 4 * mx, a + 4 * my + bh};
    AdjustWindowRectEx(&size, static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(m_hwnd, GWL_EXSTYLE)));
    const int width = std::max(RectWidth(size), std::min(FitCaptionWidth(maxText), maxText));
    SetWindowPos(m_hwnd, nullptr, 0, 0, width, RectHeight(size),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    RECT inner{};
    GetClientRect(m_hwnd, &inner);
    InflateRect(&inner, -(3 * mx / 2), -my);
    for (int slot = 0; slot < 3; ++slot) {
        const HWND item =
            slot < buttons ? GetDlgItem(m_hwnd, GetButtonSet(m_type).ids[slot]) : nullptr;
        if (item != nullptr)
            SetWindowPos(item, nullptr, inner.right - (slot + 1) * bw - slot * s, inner.bottom - bh,
                         bw, bh, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (check != nullptr && m_checkText != nullptr)
        SetWindowPos(check, nullptr, inner.left, inner.bottom - bh - my - checkSize.cy,
                     RectWidth(inner), checkSize.cy, SWP_NOZORDER | SWP_NOACTIVATE);

    const HWND owner = GetWindow(m_hwnd, GW_OWNER);
    HWND over = owner;
    if (owner == nullptr && !IsMainWindow(m_hwnd))
        if (const mvWnd* main = mvApp::MainWindow())
            over = main->Handle();
    CenterWindowOver(m_hwnd, over);
}

void mvMessageBox::PaintContent(HDC dc, const RECT* rect) {
    const LayoutSpacing& spacing = UiTheme::Get().fonts.spacing;
    const int mx = spacing.outerMargin.cx, my = spacing.outerMargin.cy;
    RECT content = *rect;
    content.left += 2 * mx;
    content.right -= 2 * mx;
    content.top += my;
    content.bottom -= my;
    int cellHeight = 0;
    if (m_icon != nullptr) {
        const SIZE cell = IconCell();
        DrawIconEx(dc, content.left, content.top, m_icon, cell.cx, cell.cy, 0, nullptr, DI_NORMAL);
        content.left += cell.cx + mx;
        cellHeight = cell.cy;
    }
    constexpr UINT kFlags = DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK;
    auto draw = [&](const mvstring& text, HFONT font, int extra) {
        const HGDIOBJ old = SelectObject(dc, font);
        RECT measured{0, 0, RectWidth(content), 0};
        DrawTextW(dc, text.c_str(), -1, &measured, kFlags | DT_CALCRECT);
        RECT place = content;
        if (RectHeight(measured) < cellHeight)
            place.top += (cellHeight - RectHeight(measured)) / 2;
        DrawTextW(dc, text.c_str(), -1, &place, kFlags);
        SelectObject(dc, old);
        content.top += RectHeight(measured) + extra;
    };
    if (!m_mainInstruction.empty())
        draw(m_mainInstruction, UiTheme::Get().fonts.large.Get(), spacing.gap);
    draw(m_text, m_font != nullptr ? m_font : UiTheme::Get().fonts.normal.Get(), 0);
}

void mvMessageBox::UpdateCountdownText(HWND button) {
    const int left = std::max(m_countDownSeconds - m_countDown.ticks, 0);
    const mvstring text = m_countDown.savedCaption + L" (" + mvstring(std::to_wstring(left)) + L")";
    SetWindowTextW(button, text.c_str());
}

LRESULT mvMessageBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDCANCEL) {
            int result = 0;
            switch (m_type & 0xF) {
            case MB_ABORTRETRYIGNORE:
                result = IDABORT;
                break;
            case MB_YESNO:
                result = IDNO;
                break;
            case MB_OK:
                result = IDOK;
                break;
            case 9:
                result = IDCONTINUE;
                break;
            default:
                break;
            }
            const HMENU system = GetSystemMenu(m_hwnd, FALSE);
            const UINT close =
                system != nullptr ? GetMenuState(system, SC_CLOSE, MF_BYCOMMAND) : UINT(-1);
            if (result != 0 && close != UINT(-1) && (close & (MF_GRAYED | MF_DISABLED)) == 0) {
                EndDialog(result);
                return 0;
            }
            break;
        }
        if (id != kCheckBoxId && HIWORD(wParam) == BN_CLICKED) {
            EndDialog(id);
            return 0;
        }
        break;
    }
    case WM_ERASEBKGND:
        if (wParam != 0)
            return 1;
        break;
    case WM_PAINT:
        PaintUpdatedClient(m_hwnd, *this, m_font);
        return 0;
    case WM_TIMER:
        if (wParam == m_countDown.Id() && wParam != 0) {
            if (m_countDown.ticks < m_countDownSeconds - 1) {
                m_countDown.ticks = m_countDown.ticks < 0 ? 1 : m_countDown.ticks + 1;
                if (const HWND button = GetDlgItem(m_hwnd, m_countDownButton))
                    UpdateCountdownText(button);
            } else {
                m_countDown.Stop();
                m_countDown.ticks = 0;
                if (const HWND check = GetDlgItem(m_hwnd, kCheckBoxId))
                    SendMessageW(check, BM_SETCHECK, static_cast<WPARAM>(m_countDownCheck), 0);
                EndDialog(m_countDownButton);
            }
            return 0;
        }
        break;
    case WM_DESTROY:
        if (const HWND check = GetDlgItem(m_hwnd, kCheckBoxId))
            m_checked = SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        m_countDown.Stop();
        break;
    default:
        break;
    }
    return mvBaseDlg::WindowProc(message, wParam, lParam);
}

int mvMessageBox::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN || msg->wParam != 'C' ||
        (GetAsyncKeyState(VK_CONTROL) & 0x8000) == 0)
        return 0;
    if (m_mainInstruction.empty() && m_text.empty())
        return 0;
    mvstring text = m_mainInstruction;
    if (!m_mainInstruction.empty() && !m_text.empty())
        text += L"\r\n";
    text += m_text;
    if (!OpenClipboard(m_hwnd))
        return 0;
    EmptyClipboard();
    const size_t bytes = (text.length() + 1) * sizeof(wchar_t);
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes)) {
        if (void* data = GlobalLock(block)) {
            std::memcpy(data, text.c_str(), bytes);
            GlobalUnlock(block);
            if (SetClipboardData(CF_UNICODETEXT, block) == nullptr)
                GlobalFree(block);
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
    return 0;
}
