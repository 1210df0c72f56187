#include "ui/controls/mvScrollBox.h"

#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowClasses.h"
#include "ui/core/mvApp.h"

#include <uxtheme.h>
#include <vssym32.h>
#include <windowsx.h>
#undef SubclassWindow // a macro of windowsx.h, a member here

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool Unavailable(DWORD state) {
    return (state & STATE_SYSTEM_UNAVAILABLE) != 0;
}

} // namespace

mvScrollBox::mvScrollBox() {
    m_template.ClassName = L"mvScrollBx";
    InitTemplate(248, 79, false, 0);
    for (DWORD& state : m_geometry.states)
        state = STATE_SYSTEM_UNAVAILABLE;
}

mvScrollBox::~mvScrollBox() = default;

int mvScrollBox::OnInitDialog() {
    mvBaseDlg::OnInitDialog();
    m_theme.Assign(OpenThemeData(m_hwnd, L"ScrollBar"));
    ModifyStyle(WS_BORDER | WS_TABSTOP, WS_CLIPCHILDREN | DS_CONTROL);
    ModifyStyleEx(WS_EX_TOOLWINDOW, WS_EX_CONTROLPARENT);
    return TRUE;
}

void mvScrollBox::AttachChild(HWND child, bool faceBackground) {
    const HWND parent = child != nullptr && IsWindow(child) ? GetParent(child) : nullptr;
    if (parent == nullptr)
        return;
    if (m_hwnd == nullptr && !CreateDialogWindow(parent))
        return;
    m_faceBackground = faceBackground;
    SetWindowLongPtrW(m_hwnd, GWLP_ID, GetDlgCtrlID(child));
    SetClassLongPtrW(m_hwnd, GCL_STYLE, GetClassLongPtrW(m_hwnd, GCL_STYLE) & ~CS_DBLCLKS);

    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    const HWND previous = GetWindow(child, GW_HWNDPREV);
    SetWindowPos(m_hwnd, previous != nullptr ? previous : HWND_TOP, rect.left, rect.top,
                 rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOSENDCHANGING | SWP_NOACTIVATE);

    SetParent(child, m_hwnd);
    m_child = child; // its frame change below already concerns the box
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    m_childVScroll = (style & WS_VSCROLL) != 0;
    if ((style & WS_GROUP) != 0)
        ModifyStyle(0, WS_GROUP);

    constexpr DWORD kFrameEx = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE;
    const LONG exStyle = GetWindowLongW(child, GWL_EXSTYLE);
    m_framed = (style & WS_BORDER) != 0 || (exStyle & kFrameEx) != 0;
    SetWindowLongW(child, GWL_STYLE, style & ~WS_BORDER);
    SetWindowLongW(child, GWL_EXSTYLE, exStyle & ~kFrameEx);
    SetWindowPos(child, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    Layout();
    if ((style & WS_VISIBLE) != 0)
        ShowWindow(m_hwnd, SW_SHOWNA);
    if ((style & WS_DISABLED) != 0)
        EnableWindow(m_hwnd, FALSE);
}

bool mvScrollBox::HostChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                                   const std::function<LRESULT()>& process) {
    if (m_hwnd == nullptr || m_child == nullptr)
        return false;
    switch (message) {
    case WM_SETFOCUS:
        RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE);
        return false;
    case WM_ENABLE:
        EnableWindow(m_hwnd, static_cast<BOOL>(wParam));
        return false;
    case WM_SHOWWINDOW:
        if (lParam == 0) // from ShowWindow, not from the parent
            ShowWindow(m_hwnd, wParam != 0 ? SW_SHOWNA : SW_HIDE);
        return false;
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        // The box moves; the child follows through the box's layout.
        SetWindowPos(m_hwnd, pos->hwndInsertAfter, pos->x, pos->y, pos->cx, pos->cy,
                     (pos->flags & ~(SWP_SHOWWINDOW | SWP_HIDEWINDOW)) | SWP_NOACTIVATE);
        pos->flags |= SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
        return false;
    }
    case WM_NCCALCSIZE: {
        // The child keeps no non-client area: the box draws frame and bar.
        NCCALCSIZE_PARAMS saved{};
        const size_t size = wParam != FALSE ? sizeof(NCCALCSIZE_PARAMS) : sizeof(RECT);
        std::memcpy(&saved, reinterpret_cast<void*>(lParam), size);
        process();
        std::memcpy(reinterpret_cast<void*>(lParam), &saved, size);
        SyncStyle();
        *result = 0;
        return true;
    }
    case WM_PAINT:
    case WM_PRINTCLIENT:
        RefreshBars();
        return false;
    case WM_VSCROLL:
        *result = process();
        RefreshBars();
        return true;
    case WM_MOUSEWHEEL:
        process();
        RefreshBars();
        *result = 1;
        return true;
    case WM_NCHITTEST:
        *result = HTCLIENT;
        return true;
    default:
        return false;
    }
}

void mvScrollBox::SyncStyle() {
    if (m_child == nullptr)
        return;
    const bool vscroll = (GetWindowLongW(m_child, GWL_STYLE) & WS_VSCROLL) != 0;
    if (vscroll != m_childVScroll) {
        m_childVScroll = vscroll;
        Layout();
    }
}

RECT mvScrollBox::GetBarInsets() const {
    const int frame = m_framed ? 2 : 0;
    RECT insets{frame, frame, frame, frame};
    const RECT& bar = m_geometry.rects[ScrollPartBar];
    if (!IsEmpty(bar))
        insets.right += bar.right - bar.left - 1;
    return insets;
}

void mvScrollBox::Layout() {
    ComputeBarGeometry();
    PlaceChild();
}

void mvScrollBox::PlaceChild() {
    if (m_hwnd == nullptr || m_child == nullptr)
        return;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const RECT insets = GetBarInsets();
    const RECT want{client.left + insets.left, client.top + insets.top, client.right - insets.right,
                    client.bottom - insets.bottom};
    RECT now{};
    GetWindowRect(m_child, &now);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&now), 2);
    if (std::memcmp(&want, &now, sizeof want) == 0)
        return;
    m_frameValid = false;
    SetWindowPos(m_child, nullptr, want.left, want.top, want.right - want.left,
                 want.bottom - want.top, SWP_NOSENDCHANGING | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool mvScrollBox::ComputeBarGeometry() {
    const ScrollBarGeometry before = m_geometry;
    m_geometry = ScrollBarGeometry{};
    for (DWORD& state : m_geometry.states)
        state = STATE_SYSTEM_UNAVAILABLE;
    if (m_child != nullptr && m_hwnd != nullptr) {
        GetClientRect(m_hwnd, &m_geometry.rects[ScrollPartFocus]);
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        if ((GetWindowLongW(m_child, GWL_STYLE) & WS_VSCROLL) != 0 &&
            GetScrollBarInfo(m_child, OBJID_VSCROLL, &info) && !IsEmpty(info.rcScrollBar)) {
            const int inset = m_framed ? 2 : 0;
            RECT bar = info.rcScrollBar;
            MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&bar), 2);
            const int width = bar.right - bar.left;
            bar.right = m_geometry.rects[ScrollPartFocus].right - inset;
            bar.left = bar.right - width;
            for (int i = 0; i < 6; ++i) {
                m_geometry.rects[i] = bar;
                m_geometry.states[i] = info.rgstate[i];
            }
            RECT* r = m_geometry.rects;
            r[ScrollPartUp].bottom = bar.top + info.dxyLineButton;
            r[ScrollPartDown].top = bar.bottom - info.dxyLineButton;
            RECT& thumb = r[ScrollPartThumb];
            thumb.top = std::max<int>(bar.top + info.xyThumbTop, r[ScrollPartUp].bottom);
            thumb.bottom = std::min<int>(thumb.top + (info.xyThumbBottom - info.xyThumbTop),
                                         r[ScrollPartDown].top);
            const int least = GetSystemMetrics(SM_CYVTHUMB);
            const int room = r[ScrollPartDown].top - r[ScrollPartUp].bottom;
            if (least > 0 && room < least) {
                thumb = r[ScrollPartPageUp] = r[ScrollPartPageDown] = RECT{};
            } else {
                if (least > 0 && RectHeight(thumb) < least) {
                    const int middle = (thumb.top + thumb.bottom) / 2;
                    thumb.top = middle - least / 2;
                    thumb.bottom = thumb.top + least;
                    if (thumb.top < r[ScrollPartUp].bottom)
                        OffsetRect(&thumb, 0, r[ScrollPartUp].bottom - thumb.top);
                    if (thumb.bottom > r[ScrollPartDown].top)
                        OffsetRect(&thumb, 0, r[ScrollPartDown].top - thumb.bottom);
                }
                r[ScrollPartPageUp].top = r[ScrollPartUp].bottom;
                r[ScrollPartPageUp].bottom = thumb.top;
                r[ScrollPartPageDown].top = thumb.bottom;
                r[ScrollPartPageDown].bottom = r[ScrollPartDown].top;
            }
        }
    }
    return std::memcmp(&before, &m_geometry, sizeof before) != 0;
}

int mvScrollBox::HitTest(POINT point) const {
    constexpr DWORD kOthers = ~DWORD(STATE_SYSTEM_PRESSED);
    for (int part = ScrollPartUp; part <= ScrollPartDown; ++part)
        if (PtInRect(&m_geometry.rects[part], point) && (m_geometry.states[part] & kOthers) == 0)
            return part;
    if (PtInRect(&m_geometry.rects[ScrollPartBar], point) &&
        (m_geometry.states[ScrollPartBar] & kOthers) == 0)
        return ScrollPartBar;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    return PtInRect(&client, point) ? ScrollPartFocus : ScrollPartNone;
}

bool mvScrollBox::UpdateHotPart(const POINT* point) {
    const int before = m_hot;
    POINT local{};
    bool over = true; // a mouse message of the box is over it
    if (point != nullptr) {
        local = *point;
    } else {
        POINT screen{};
        GetCursorPos(&screen);
        local = screen;
        ScreenToClient(m_hwnd, &local);
        const HWND under = WindowFromPoint(screen);
        over = under == m_hwnd || (under != nullptr && under == m_child);
    }
    const HWND capture = GetCapture();
    const bool captured = capture != nullptr && (capture == m_hwnd || capture == m_child);
    if (captured) {
        if (m_hot < ScrollPartUp || m_hot > ScrollPartDown)
            m_hot = HitTest(local);
    } else {
        m_hot = over ? HitTest(local) : ScrollPartNone;
        const HWND focus = GetFocus();
        if (m_hot == ScrollPartNone && focus != nullptr && (focus == m_hwnd || focus == m_child))
            m_hot = ScrollPartFocus;
    }
    return m_hot != before;
}

void mvScrollBox::Redraw() {
    if (m_hwnd == nullptr)
        return;
    m_frameValid = false;
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_NOCHILDREN | RDW_INVALIDATE);
}

void mvScrollBox::RefreshBars() {
    if (m_hwnd == nullptr)
        return;
    const bool geometry = ComputeBarGeometry();
    // A bar that came or went changes the room the child gets; a move made
    // while the child was being framed may have been overridden.
    PlaceChild();
    const bool hot = UpdateHotPart();
    if (geometry || hot)
        Redraw();
}

void mvScrollBox::DragThumb(int y) {
    const int thumbHeight = RectHeight(m_drag.thumb);
    const int top = std::clamp(y - m_drag.grab, m_drag.trackTop,
                               std::max(m_drag.trackTop, m_drag.trackBottom - thumbHeight));
    if (top == m_drag.thumb.top || m_drag.child == nullptr)
        return;
    OffsetRect(&m_drag.thumb, 0, top - m_drag.thumb.top);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(m_drag.child, SB_VERT, &info))
        return;
    const int span = m_drag.trackBottom - m_drag.trackTop - thumbHeight;
    const int last = info.nMax - static_cast<int>(info.nPage) + 1;
    int position = info.nMin;
    if (span > 0)
        position = static_cast<int>(
            std::lround(double(last - info.nMin) * (top - m_drag.trackTop) / span));
    position = std::clamp(position, info.nMin, std::max(info.nMin, last));
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(m_drag.child, SB_VERT, &info, FALSE);
    PostMessageW(m_drag.child, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, position), 0);
}

void mvScrollBox::EndThumbDrag() {
    if (m_drag.capture != nullptr && GetCapture() == m_hwnd) {
        ReleaseCapture();
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS | SIF_POS;
        GetScrollInfo(m_drag.child, SB_VERT, &info);
        PostMessageW(m_drag.child, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, info.nTrackPos), 0);
    }
    m_drag = Drag{};
}

LRESULT mvScrollBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    const bool barEnabled = !Unavailable(m_geometry.states[ScrollPartBar]);
    switch (message) {
    case WM_MOUSEMOVE: {
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        bool changed = UpdateHotPart(&point);
        if (m_drag.capture != nullptr) {
            const RECT before = m_drag.thumb;
            DragThumb(point.y);
            changed = changed || std::memcmp(&before, &m_drag.thumb, sizeof before) != 0;
        }
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hwnd, 0};
        TrackMouseEvent(&track);
        if (changed)
            Redraw();
        return 0;
    }
    case WM_MOUSELEAVE:
        if (UpdateHotPart())
            Redraw();
        return 0;
    case WM_LBUTTONDOWN: {
        if (!barEnabled || m_child == nullptr)
            return 0;
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        UpdateHotPart(&point);
        if (m_hot == ScrollPartThumb) {
            SetCapture(m_hwnd);
            m_drag.trackTop = m_geometry.rects[ScrollPartUp].bottom;
            m_drag.trackBottom = m_geometry.rects[ScrollPartDown].top;
            m_drag.thumb = m_geometry.rects[ScrollPartThumb];
            m_drag.grab = point.y - m_drag.thumb.top;
            m_drag.capture = m_hwnd;
            m_drag.child = m_child;
        } else if (m_hot >= ScrollPartUp && m_hot <= ScrollPartDown) {
            POINT screen = point;
            ClientToScreen(m_hwnd, &screen);
            PostMessageW(m_child, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(screen.x, screen.y));
        }
        Redraw();
        return 0;
    }
    case WM_LBUTTONUP:
        EndThumbDrag();
        Redraw();
        return 0;
    case WM_LBUTTONDBLCLK:
        PostMessageW(m_hwnd, WM_LBUTTONDOWN, wParam, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        if (barEnabled && m_child != nullptr)
            PostMessageW(m_child, message, wParam, lParam);
        return 0;
    case WM_SETTEXT:
    case WM_GETTEXT:
        return m_child != nullptr ? SendMessageW(m_child, message, wParam, lParam) : 0;
    case WM_CONTEXTMENU:
        PostMessageW(GetParent(m_hwnd), message, wParam, lParam);
        return 0;
    case WM_COMMAND:
        if (m_child != nullptr && reinterpret_cast<HWND>(lParam) == m_child &&
            LOWORD(wParam) == GetDlgCtrlID(m_child)) {
            PostMessageW(GetParent(m_hwnd), message, wParam, lParam);
            return 0;
        }
        break;
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
        if (PaintBufferedMessage(m_hwnd, *this, m_font, message, wParam,
                                 !(m_childVScroll && barEnabled), &result))
            return result;
        break;
    case WM_THEMECHANGED:
        m_theme.Assign(OpenThemeData(m_hwnd, L"ScrollBar"));
        break;
    case WM_DESTROY:
        m_theme.Reset();
        break;
    default:
        break;
    }
    return mvBaseDlg::WindowProc(message, wParam, lParam);
}

void mvScrollBox::PaintContent(HDC dc, const RECT* rect) {
    const bool system = SystemLook();
    COLORREF fill;
    if (m_faceBackground)
        fill = system ? GetSysColor(COLOR_BTNFACE) : ThemeColour(ThemeBase);
    else
        fill = system ? GetSysColor(COLOR_WINDOW) : ThemeColour(ThemeEditBg);
    FillSolidRect(dc, *rect, fill);
    if (m_framed) {
        const bool active = m_hotBorder && m_hot != ScrollPartNone;
        const COLORREF frame = system ? GetSysColor(active ? COLOR_HOTLIGHT : COLOR_BTNSHADOW)
                                      : ThemeColour(active ? ThemeBorderActive : ThemeBorder);
        DrawFrameRect(dc, rect, frame, SideAll, 1, 0);
    }
    RECT bar = m_geometry.rects[ScrollPartBar];
    if (IsEmpty(bar))
        return;
    InflateRect(&bar, 0, 1);
    if (!system)
        DrawBarFlat(dc, bar);
    else if (m_theme)
        DrawBarThemed(dc, bar);
    else
        DrawBarClassic(dc, bar);
}

void mvScrollBox::DrawBarFlat(HDC dc, const RECT& bar) {
    const bool disabled = Unavailable(m_geometry.states[ScrollPartBar]);
    const bool hover = m_hot != ScrollPartNone && m_hot != ScrollPartFocus;
    const bool captured = GetCapture() == m_hwnd || (m_child && GetCapture() == m_child);
    FillSolidRect(dc, bar, ThemeColour(ThemeBase));
    const COLORREF normal = ThemeColour(hover ? ThemeBorder : ThemeButton);
    const COLORREF active = ThemeColour(disabled ? ThemeButton : ThemeIcon);
    if (!disabled) {
        const bool pressed = captured && m_hot == ScrollPartThumb;
        RECT thumb =
            pressed && m_drag.capture != nullptr ? m_drag.thumb : m_geometry.rects[ScrollPartThumb];
        InflateRect(&thumb, -2, 0);
        if (!IsEmpty(thumb))
            FillSolidRect(dc, thumb, pressed ? active : normal);
    }
    for (int part : {ScrollPartUp, ScrollPartDown}) {
        const RECT& arrow = m_geometry.rects[part];
        const COLORREF colour = captured && m_hot == part ? active : normal;
        DrawArrowGlyph(dc, &arrow, colour, colour, arrow.right - arrow.left - 8,
                       part == ScrollPartUp);
    }
}

void mvScrollBox::DrawBarThemed(HDC dc, const RECT& bar) {
    const HTHEME theme = m_theme.Get();
    const bool disabled = Unavailable(m_geometry.states[ScrollPartBar]);
    const bool hover = m_hot != ScrollPartNone && m_hot != ScrollPartFocus;
    const bool captured = GetCapture() == m_hwnd || (m_child && GetCapture() == m_child);
    const int track = disabled ? 4 : hover ? 2 : 1;
    DrawThemeBackground(theme, dc, SBP_UPPERTRACKVERT, track, &bar, nullptr);
    DrawThemeBackground(theme, dc, SBP_LOWERTRACKVERT, track, &bar, nullptr);
    if (!disabled) {
        const RECT& thumb = m_geometry.rects[ScrollPartThumb];
        const int state = captured && m_hot == ScrollPartThumb ? 3
                          : m_hot == ScrollPartThumb           ? 2
                          : hover                              ? 5
                                                               : 1;
        DrawThemeBackground(theme, dc, SBP_THUMBBTNVERT, state, &thumb, nullptr);
        DrawThemeBackground(theme, dc, SBP_GRIPPERVERT, state, &thumb, nullptr);
    }
    const int base[] = {1, 5}; // up and down arrow states start here
    for (int i = 0; i < 2; ++i) {
        const int part = i == 0 ? ScrollPartUp : ScrollPartDown;
        int state = base[i];
        if (disabled)
            state = base[i] + 3;
        else if (captured && m_hot == part)
            state = base[i] + 2;
        else if (m_hot == part)
            state = base[i] + 1;
        else if (hover)
            state = 17 + i;
        DrawThemeBackground(theme, dc, SBP_ARROWBTN, state, &m_geometry.rects[part], nullptr);
    }
}

void mvScrollBox::DrawBarClassic(HDC dc, const RECT& bar) {
    const bool disabled = Unavailable(m_geometry.states[ScrollPartBar]);
    const bool captured = GetCapture() == m_hwnd || (m_child && GetCapture() == m_child);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(m_hwnd), WM_CTLCOLORSCROLLBAR,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(m_hwnd)));
    FillRect(dc, &bar, brush != nullptr ? brush : GetSysColorBrush(COLOR_SCROLLBAR));
    if (!disabled) {
        RECT thumb = m_geometry.rects[ScrollPartThumb];
        if (!IsEmpty(thumb))
            DrawFrameControl(dc, &thumb, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
    }
    for (int part : {ScrollPartUp, ScrollPartDown}) {
        RECT arrow = m_geometry.rects[part];
        UINT state = (part == ScrollPartUp ? DFCS_SCROLLUP : DFCS_SCROLLDOWN) | DFCS_ADJUSTRECT;
        if (disabled)
            state |= DFCS_INACTIVE;
        else if (captured && m_hot == part)
            state |= DFCS_PUSHED;
        DrawFrameControl(dc, &arrow, DFC_SCROLL, state);
    }
}
