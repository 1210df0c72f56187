#include "hexview/VQHexViewPanel.h"

#include "foundation/Settings.h"
#include "hexview/HexCopyText.h"
#include "ui/core/Measure.h"
#include "ui/core/WindowClasses.h"
#include "ui/core/mvApp.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>

namespace {

// The small gap of the window library: the margin left of the offsets.
int SmallGap() {
    return UiTheme::Get().fonts.spacing.gap;
}

// The scroll bar's range for files of more rows: its size, nMax - nMin + 1,
// must fit an int (some systems misread the page of a larger one).
constexpr int64_t kScrollRange = INT_MAX - 1;

int64_t CeilDiv(int64_t a, int64_t b) {
    return b > 0 ? (a + b - 1) / b : 0;
}

// The offset label: lower-case digits, zero-padded to `digits`, then "H: ".
void FormatOffsetLabel(uint64_t offset, int digits, char* out) {
    static const char kDigits[] = "0123456789abcdef";
    for (int i = digits - 1; i >= 0; --i, offset >>= 4)
        out[i] = kDigits[offset & 15];
    out[digits] = 'H';
    out[digits + 1] = ':';
    out[digits + 2] = ' ';
}

char TextColumnChar(uint8_t byte) {
    return byte < 0x20 || byte > 0x7E ? '.' : static_cast<char>(byte);
}

} // namespace

ATOM RegisterHexViewPanelClass() {
    WNDCLASSW wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = DefWindowProcW; // bound windows run the library procedure
    wc.hInstance = mvApp::Instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kHexViewPanelClass;
    return RegisterWindowClassCached(&wc);
}

CVQHexViewPanel::CVQHexViewPanel() {
    const RECT drag = GetDragMetrics();
    m_drag.width = drag.left;
    m_drag.height = drag.top;
}

CVQHexViewPanel::~CVQHexViewPanel() {
    // While this class's parts live: destroying the window runs its procedure.
    Detach(true);
}

bool CVQHexViewPanel::CreatePanel(HWND parent, int id) {
    if (RegisterHexViewPanelClass() == 0)
        return false;
    HWND hwnd = CreateWindowExW(0, kHexViewPanelClass, L"",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0,
                                0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                mvApp::Instance(), nullptr);
    if (hwnd == nullptr)
        return false;
    if (!SubclassWindow(hwnd)) {
        DestroyWindow(hwnd);
        return false;
    }
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

void CVQHexViewPanel::OnAttached() {
    m_vertical = Settings().VertSelection.Get();
    m_caretState = -1;
    UpdateColors();
    MeasureFont();
}

void CVQHexViewPanel::MeasureFont() {
    HFONT font = m_font != nullptr ? m_font : static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    m_rowHeight = GetTextHeight(font);
    ScreenDC screen(GetDC(nullptr));
    HGDIOBJ old = SelectObject(screen.Get(), font);
    SIZE digit{};
    GetTextExtentPoint32A(screen.Get(), "0", 1, &digit);
    SelectObject(screen.Get(), old);
    m_charWidth = digit.cx;
}

void CVQHexViewPanel::UpdateColors() {
    const bool focus = m_hwnd != nullptr && GetFocus() == m_hwnd;
    if (SystemLook()) {
        m_textColor = GetSysColor(COLOR_BTNTEXT);
        m_backColor = GetSysColor(COLOR_WINDOW);
        m_selTextColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
        m_selBackColor = focus ? GetSysColor(COLOR_HIGHLIGHT)
                               : BlendColor(GetSysColor(COLOR_HIGHLIGHT),
                                            GetSysColor(COLOR_BTNTEXT), 95);
    } else {
        m_textColor = ThemeColour(ThemeText);
        m_backColor = ThemeColour(ThemeEditBg);
        m_selTextColor = ThemeColour(ThemeText);
        m_selBackColor = ThemeColour(focus ? ThemeButtonPush : ThemeButton);
    }
}

HexSelection CVQHexViewPanel::Selection() const {
    HexSelection s;
    s.anchor = m_anchor;
    s.caret = m_caret;
    s.size = FileSize();
    s.perLine = m_perLine;
    s.block = m_vertical;
    return s;
}

int64_t CVQHexViewPanel::SelectionExtent(int64_t* rows, int64_t* first, int64_t* last) const {
    return Selection().Extent(rows, first, last);
}

int64_t CVQHexViewPanel::VisibleRows() const {
    if (m_hwnd == nullptr || m_rowHeight <= 0)
        return 0;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    return client.bottom / m_rowHeight;
}

int CVQHexViewPanel::OffsetLabelLength() const {
    const int64_t size = FileSize();
    return size <= 0xFFFF ? 7 : size <= 0xFFFFFFFFLL ? 11 : 19;
}

int CVQHexViewPanel::HexColumnLeft() const {
    return 2 * SmallGap() + OffsetLabelLength() * m_charWidth;
}

int CVQHexViewPanel::TextColumnLeft() const {
    return HexColumnLeft() + (3 * m_perLine + 1) * m_charWidth;
}

void CVQHexViewPanel::PostStatusRefresh() const {
    if (m_hwnd != nullptr)
        if (HWND parent = GetParent(m_hwnd))
            PostMessageW(parent, WM_COMMAND, MAKEWPARAM(kHexViewPanelId, kHexViewStatusRefresh),
                         reinterpret_cast<LPARAM>(m_hwnd));
}

void CVQHexViewPanel::Redraw(bool updateNow) {
    if (m_hwnd != nullptr)
        RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | (updateNow ? RDW_UPDATENOW : 0));
}

void CVQHexViewPanel::CountRows() {
    m_rows = CeilDiv(FileSize(), m_perLine);
}

void CVQHexViewPanel::AfterStateChange() {
    UpdateScrollBar();
    Redraw(false);
    UpdateCaret(false);
    PostStatusRefresh();
}

void CVQHexViewPanel::SetNotice(HexFileNotice notice) {
    if (m_notice == notice)
        return;
    m_notice = notice;
    PostStatusRefresh();
}

// --- files ---------------------------------------------------------------

bool CVQHexViewPanel::OpenFile(HWND owner, const mvstring& path, int64_t offset, int32_t count) {
    return OpenFileAt(owner, path, offset >= 0, offset >= 0 ? static_cast<uint64_t>(offset) : 0,
                      count > 0 ? static_cast<uint32_t>(count) : 0);
}

bool CVQHexViewPanel::OpenFileAt(HWND owner, const mvstring& path, bool hasOffset,
                                 uint64_t offset, uint32_t count) {
    CloseFile(nullptr, true);
    const bool opened = !path.empty() && Reader().Open(path) != -1;
    if (opened) {
        m_path = path;
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileInformationByHandle(Reader().Handle(), &info))
            m_writeTime = info.ftLastWriteTime;
        if (m_hwnd != nullptr)
            m_watchTimer.Rebind(m_hwnd, kWatchPeriodMs);
    }
    SetPosition(hasOffset, offset, count);
    if (owner != nullptr) {
        mvstring title;
        if (opened) {
            title = PathFindFileNameW(path.c_str());
            if (!title.empty())
                title += L" - ";
        }
        title += L"Hex&View";
        SetWindowTextW(owner, title.StripMenuText(false, 0, 0).c_str());
    }
    return opened;
}

void CVQHexViewPanel::CloseFile(HWND owner, bool quiet) {
    Reader().CloseFile();
    m_watchTimer.Stop();
    m_path.clear();
    m_notice = HexFileNotice::None;
    m_caret = 0;
    m_top = 0;
    m_rows = 0;
    m_anchor = -1;
    m_findText.clear();
    if (!quiet)
        AfterStateChange();
    if (owner != nullptr)
        SetWindowTextW(owner, mvstring(L"Hex&View").StripMenuText(false, 0, 0).c_str());
}

void CVQHexViewPanel::SetPosition(bool hasOffset, uint64_t offset, uint32_t count) {
    CountRows();
    m_caret = 0;
    m_top = 0;
    m_anchor = -1;
    const int64_t size = FileSize();
    if (hasOffset && size > 0) {
        // Unsigned and clamped before any sum: no offset or count, however
        // large, can wrap around.
        const uint64_t last = static_cast<uint64_t>(size) - 1;
        const uint64_t at = std::min(offset, last);
        if (count > 0) {
            const uint64_t room = static_cast<uint64_t>(size) - at;
            m_anchor = static_cast<int64_t>(at);
            m_caret = static_cast<int64_t>(at + std::min<uint64_t>(count, room) - 1);
        } else {
            m_caret = static_cast<int64_t>(at);
        }
        ScrollToOffset(m_caret, false, false);
    }
    AfterStateChange();
}

bool CVQHexViewPanel::CheckFile() {
    if (!HasFile() || m_jobRunning)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(Reader().Handle(), &info)) {
        SetNotice(HexFileNotice::Unreadable);
        return false;
    }
    const int64_t size = static_cast<int64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    const bool changed = size != FileSize() ||
                         CompareFileTime(&info.ftLastWriteTime, &m_writeTime) != 0;
    if (!changed) {
        if (info.nNumberOfLinks == 0 || GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES)
            SetNotice(HexFileNotice::Deleted);
        else if (m_notice == HexFileNotice::Unreadable)
            Redraw(false); // try the rows again: a lock may have gone
        return false;
    }
    // Show the file as it is now: its new size, and no byte of the old window.
    m_writeTime = info.ftLastWriteTime;
    Reader().Attach(Reader().Handle());
    Reader().ClearWindow();
    CountRows();
    const int64_t now = FileSize();
    m_caret = std::clamp<int64_t>(m_caret, 0, std::max<int64_t>(now - 1, 0));
    if (m_anchor >= now)
        m_anchor = -1;
    m_notice = HexFileNotice::Changed;
    AfterStateChange();
    return true;
}

// --- geometry ------------------------------------------------------------

uint8_t CVQHexViewPanel::ColumnWidth(bool get, uint8_t value) {
    if (get)
        return m_perLine;
    if (value < 1 || value > 64)
        value = 16;
    if (value == m_perLine)
        return m_perLine;
    m_perLine = value;
    if (HasFile()) {
        CountRows();
        m_caret = 0;
        m_top = 0;
        m_anchor = -1;
        AfterStateChange();
    }
    return m_perLine;
}

bool CVQHexViewPanel::VertSelection(bool get, bool value) {
    if (!get && value != m_vertical) {
        m_vertical = value;
        Redraw(false);
    }
    return m_vertical;
}

bool CVQHexViewPanel::ByteRect(int64_t offset, RECT& rect, int mode) const {
    if (!HasFile() || m_rowHeight <= 0 || offset < 0)
        return false;
    const int64_t row = offset / m_perLine;
    if (row < m_top || row >= m_rows)
        return false;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    if (row - m_top > CeilDiv(client.bottom, m_rowHeight))
        return false;
    rect.top = static_cast<LONG>((row - m_top) * m_rowHeight);
    rect.bottom = rect.top + m_rowHeight;
    if (mode == 2) {
        rect.left = 0;
        rect.right = client.right;
    } else {
        rect.left = HexColumnLeft() + static_cast<LONG>(offset % m_perLine) * 3 * m_charWidth;
        rect.right = rect.left + 3 * m_charWidth;
    }
    return true;
}

int64_t CVQHexViewPanel::HitTest(POINT point) const {
    if (m_rows <= 0 || m_rowHeight <= 0 || m_charWidth <= 0)
        return -1;
    int64_t row = m_top + point.y / m_rowHeight;
    if (point.y < 0)
        --row;
    row = std::clamp<int64_t>(row, 0, m_rows - 1);
    const int h = HexColumnLeft(), t = TextColumnLeft(), w = m_charWidth, n = m_perLine;
    const int x = static_cast<int>(point.x);
    int column = n - 1;
    if (x <= h)
        column = 0;
    else if (x < t)
        column = std::min((x - h + w) / (3 * w), n - 1);
    else if (x <= t + n * w)
        column = std::min((x - t) / w, n - 1);
    return std::min(row * n + column, FileSize() - 1);
}

// --- scrolling -----------------------------------------------------------

void CVQHexViewPanel::ScrollToOffset(int64_t offset, bool toTop, bool noRedraw) {
    if (m_rows <= 0)
        return;
    const int64_t row = std::clamp<int64_t>(offset / m_perLine, 0, m_rows - 1);
    if (row < m_top) {
        m_top = row;
    } else {
        const int64_t visible = VisibleRows();
        if (visible >= m_rows)
            return;
        if (row < m_top + visible && row < m_rows - 1 && !toTop)
            return;
        int64_t target = toTop ? row : row - visible + 1;
        target = std::min(target, m_rows - visible);
        if (target == m_rows - visible)
            target = m_rows - visible + 1;
        if (target == m_top)
            return;
        m_top = target;
    }
    if (!noRedraw)
        Redraw(false);
    UpdateScrollBar();
}

void CVQHexViewPanel::UpdateScrollBar() {
    if (m_hwnd == nullptr)
        return;
    const int64_t visible = VisibleRows();
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    const int64_t nMax = std::min(m_rows, kScrollRange);
    if (nMax <= visible) {
        m_top = 0;
        info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        SetScrollInfo(m_hwnd, SB_VERT, &info, TRUE);
        ShowScrollBar(m_hwnd, SB_VERT, FALSE);
        return;
    }
    m_top = std::clamp<int64_t>(m_top, 0, m_rows - visible + 1);
    int64_t pos;
    if (m_rows <= kScrollRange)
        pos = m_top;
    else // the 32-bit range stands for all rows
        pos = std::min<int64_t>(static_cast<int64_t>(static_cast<double>(m_top) /
                                                     static_cast<double>(m_rows) * kScrollRange),
                                kScrollRange + 1 - visible);
    EnableScrollBar(m_hwnd, SB_VERT, ESB_ENABLE_BOTH);
    ShowScrollBar(m_hwnd, SB_VERT, TRUE);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = static_cast<int>(nMax);
    info.nPage = static_cast<UINT>(visible);
    info.nPos = static_cast<int>(pos);
    SetScrollInfo(m_hwnd, SB_VERT, &info, TRUE);
}

void CVQHexViewPanel::OnVScroll(int code, int notches) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL | SIF_TRACKPOS;
    if (!GetScrollInfo(m_hwnd, SB_VERT, &info) || info.nMax <= 0)
        return;
    // The page is the view's, not the bar's, which a system may have cut.
    const int64_t page = VisibleRows(), rows = m_rows;
    const int64_t lastTop = std::max<int64_t>(rows - page + 1, 0);
    const int64_t old = m_top;
    // A thumb position back to a top row; above 2^31 rows it is scaled.
    auto fromPosition = [&](int64_t pos) {
        pos = std::clamp<int64_t>(pos, 0, std::max<int64_t>(info.nMax - page + 1, 0));
        if (page + pos >= info.nMax)
            return lastTop;
        if (rows <= kScrollRange)
            return std::min(pos, lastTop);
        return std::min(static_cast<int64_t>(static_cast<double>(pos) / info.nMax *
                                             static_cast<double>(rows)),
                        lastTop);
    };
    switch (code) {
    case SB_LINEUP:
        m_top = std::max<int64_t>(m_top - 1, 0);
        break;
    case SB_LINEDOWN:
        m_top = std::min(m_top + 1, lastTop);
        break;
    case SB_PAGEUP:
        m_top = std::max<int64_t>(m_top - page, 0);
        break;
    case SB_PAGEDOWN:
        m_top = std::min(m_top + page, lastTop);
        break;
    case SB_TOP:
        m_top = 0;
        break;
    case SB_BOTTOM:
        m_top = lastTop;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        m_top = fromPosition(info.nTrackPos);
        break;
    case kWheelCode: {
        static const int64_t lines = [] {
            UINT value = 0;
            if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &value, 0) || value == 0)
                value = 3;
            return value == WHEEL_PAGESCROLL ? int64_t{-1} : int64_t{value};
        }();
        const int64_t step = notches * (lines < 0 ? page : lines);
        if (step == 0)
            return;
        // Counted in rows, so that a notch moves the same few rows in a file
        // of any size.
        m_top = std::clamp<int64_t>(m_top + step, 0, lastTop);
        break;
    }
    default:
        return;
    }
    UpdateScrollBar();
    if (m_top != old) {
        Redraw(false);
        UpdateCaret(false);
    }
}

// --- caret ---------------------------------------------------------------

void CVQHexViewPanel::UpdateCaret(bool recreate) {
    if (m_hwnd == nullptr)
        return;
    if (m_caretState == 1) {
        HideCaret(m_hwnd);
        m_caretState = 0;
    }
    if (GetFocus() == m_hwnd && HasFile()) {
        RECT cell{};
        if (m_caret < 0 || !ByteRect(m_caret, cell, 0))
            return;
        if (m_caretState == -1 || recreate) {
            CreateCaret(m_hwnd, nullptr, 2 * m_charWidth, m_rowHeight);
            m_caretState = 0;
        }
        SetCaretPos(cell.left, cell.top);
        ShowCaret(m_hwnd);
        m_caretState = 1;
    } else if (m_caretState != -1) {
        DestroyCaret();
        m_caretState = -1;
    }
}

// --- painting ------------------------------------------------------------

void CVQHexViewPanel::DrawRun(HDC dc, int x, int y, int cell, const char* text, int count,
                              COLORREF fore, COLORREF back) {
    if (count <= 0)
        return;
    RECT r{x + cell * m_charWidth, y, x + (cell + count) * m_charWidth, y + m_rowHeight};
    SetTextColor(dc, fore);
    SetBkColor(dc, back);
    // Every character gets exactly one cell, so the columns stay aligned
    // whatever the font's own advances.
    ExtTextOutA(dc, r.left, y, ETO_CLIPPED | ETO_OPAQUE, &r, text, static_cast<UINT>(count),
                m_advance.data());
}

void CVQHexViewPanel::Draw(HDC dc, const RECT* rect, LPARAM) {
    FillSolidRect(dc, *rect, m_backColor);
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, m_textColor);
    if (!HasFile() || m_jobRunning || m_rowHeight <= 0 || m_charWidth <= 0)
        return;
    HFONT font = m_font != nullptr ? m_font : static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    HGDIOBJ oldFont = SelectObject(dc, font);

    const int n = m_perLine, label = OffsetLabelLength();
    const int digits = label - 3;
    const int labelLeft = rect->left + 2 * SmallGap();
    const int hexLeft = rect->left + HexColumnLeft(), textLeft = rect->left + TextColumnLeft();
    const int64_t size = FileSize();
    const HexSelection selection = Selection();
    const bool focus = GetFocus() == m_hwnd;
    m_rowText.resize(static_cast<size_t>(label + 4 * n + 1));
    m_advance.assign(static_cast<size_t>(3 * n + label + 1), m_charWidth);
    char* labelText = m_rowText.data();
    char* hex = labelText + label;
    char* text = hex + 3 * n;

    bool failed = false;
    int64_t offset = m_top * n;
    for (int y = rect->top; y < rect->bottom && offset < size; y += m_rowHeight) {
        int32_t count = n;
        const uint8_t* bytes = Reader().Read(offset, count, true);
        if (!bytes || count <= 0) {
            failed = true;
            break;
        }
        FormatOffsetLabel(digits == 4 ? offset & 0xFFFF
                                      : digits == 8 ? offset & 0xFFFFFFFF : offset,
                          digits, labelText);
        DrawRun(dc, labelLeft, y, 0, labelText, label, m_textColor, m_backColor);
        for (int i = 0; i < count; ++i) {
            WriteHexDigits(bytes + i, 1, hex + 3 * i);
            hex[3 * i + 2] = ' ';
            text[i] = TextColumnChar(bytes[i]);
        }
        int32_t a = -1, b = -1;
        selection.RunInRow(offset, count, a, b);
        if (a < 0) {
            DrawRun(dc, hexLeft, y, 0, hex, 3 * count, m_textColor, m_backColor);
            DrawRun(dc, textLeft, y, 0, text, count, m_textColor, m_backColor);
        } else {
            DrawRun(dc, hexLeft, y, 0, hex, 3 * a, m_textColor, m_backColor);
            DrawRun(dc, hexLeft, y, 3 * a, hex + 3 * a, 3 * (b - a) + 2, m_selTextColor,
                    m_selBackColor);
            DrawRun(dc, hexLeft, y, 3 * b + 2, hex + 3 * b + 2, 3 * (count - b) - 2, m_textColor,
                    m_backColor);
            DrawRun(dc, textLeft, y, 0, text, a, m_textColor, m_backColor);
            DrawRun(dc, textLeft, y, a, text + a, b - a + 1, m_selTextColor, m_selBackColor);
            DrawRun(dc, textLeft, y, b + 1, text + b + 1, count - b - 1, m_textColor,
                    m_backColor);
        }
        if (focus && m_caret >= offset && m_caret < offset + count) {
            // The caret's mark in the text column: the colours in force
            // there, inverted.
            const int i = static_cast<int>(m_caret - offset);
            const bool selected = m_anchor >= 0;
            const COLORREF fore = selected ? m_selTextColor : m_textColor;
            const COLORREF back = selected ? m_selBackColor : m_backColor;
            DrawRun(dc, textLeft, y, i, text + i, 1, fore ^ 0xFFFFFF, back ^ 0xFFFFFF);
        }
        if (count < n) {
            failed = offset + count < size; // cut short: the file shrank
            break;
        }
        offset += n;
    }
    SelectObject(dc, oldFont);
    if (failed)
        SetNotice(HexFileNotice::Unreadable);
    else if (m_notice == HexFileNotice::Unreadable)
        SetNotice(HexFileNotice::None);
}

// --- messages ------------------------------------------------------------

LRESULT CVQHexViewPanel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    bool handled = false;
    result = OnMouse(message, wParam, lParam, handled);
    if (handled)
        return result;
    switch (message) {
    case WM_PAINT:
        // What is shown is the file as it is now, never an older window.
        CheckFile();
        [[fallthrough]];
    case WM_PRINTCLIENT:
        PaintBufferedMessage(m_hwnd, *this, m_font, message, wParam, true, &result);
        return result;
    case WM_ERASEBKGND:
        if (wParam != 0)
            return 1;
        break;
    case WM_SIZE:
        UpdateScrollBar();
        UpdateCaret(false);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        UpdateColors();
        Redraw(false);
        UpdateCaret(false);
        break;
    case WM_SETFONT:
        result = mvWnd::WindowProc(message, wParam, lParam);
        MeasureFont();
        if (HasFile()) {
            UpdateScrollBar();
            Redraw(false);
            UpdateCaret(true);
        }
        return result;
    case WM_SYSCOLORCHANGE:
        UpdateColors();
        m_frameValid = false;
        Redraw(false);
        break;
    case WM_DESTROY:
        if (m_caretState != -1) {
            DestroyCaret();
            m_caretState = -1;
        }
        break;
    case WM_TIMER:
        if (m_watchTimer.Id() != 0 && wParam == m_watchTimer.Id()) {
            CheckFile();
            return 0;
        }
        break;
    case WM_KEYDOWN:
        OnKey(static_cast<UINT>(wParam), GetKeyState(VK_SHIFT) < 0,
              (GetKeyState(VK_CONTROL) & 0x8000) != 0);
        break;
    case WM_GETDLGCODE:
        result = mvWnd::WindowProc(message, wParam, lParam);
        return wParam == VK_TAB ? result : result | DLGC_WANTALLKEYS;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), 0);
        break;
    }
    return mvWnd::WindowProc(message, wParam, lParam);
}
