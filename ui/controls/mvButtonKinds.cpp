#include "ui/controls/mvButtonKinds.h"

#include "foundation/Handles.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowClasses.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

namespace {

// The check glyph's size and the gap between glyph and text, per font.
struct CheckGlyph {
    HFONT font = nullptr;
    int width = 13;
    int height = 13;
    int gap = 3;
};

CheckGlyph& GlyphCache() {
    static CheckGlyph glyph;
    return glyph;
}

const CheckGlyph& MeasureGlyph(HWND hwnd, HFONT font, HDC given) {
    CheckGlyph& glyph = GlyphCache();
    if (given == nullptr && glyph.font == font && font != nullptr)
        return glyph;
    const ScreenDC own(given == nullptr ? GetDC(nullptr) : nullptr);
    const HDC dc = given != nullptr ? given : own.Get();
    if (dc == nullptr)
        return glyph;
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE zero{};
    GetTextExtentPoint32W(dc, L"0", 1, &zero);
    glyph.gap = zero.cx / 2;
    if (SystemLook()) {
        SIZE size{};
        const HTHEME theme = OpenThemeData(hwnd, L"Button");
        if (theme != nullptr &&
            SUCCEEDED(GetThemePartSize(theme, dc, BP_CHECKBOX, 1, nullptr, TS_TRUE, &size))) {
            glyph.width = size.cx;
            glyph.height = size.cy;
        } else {
            glyph.width = 13 * GetDeviceCaps(dc, LOGPIXELSX) / 96;
            glyph.height = 13 * GetDeviceCaps(dc, LOGPIXELSY) / 96;
        }
        if (theme != nullptr)
            CloseThemeData(theme);
    } else {
        const int text = mvtheme_control::GetTextHeight(font);
        glyph.width = glyph.height = text > 12 ? text : 13;
    }
    SelectObject(dc, old);
    glyph.font = font;
    return glyph;
}

// Fills the face with the state's background and sets up the text; the
// state, or null when there is nothing to draw on.
const ButtonPaintState* BeginFace(HDC dc, const RECT* area, LPARAM param) {
    if (dc == nullptr || area == nullptr || param == 0)
        return nullptr;
    const auto* state = reinterpret_cast<const ButtonPaintState*>(param);
    FillSolidRect(dc, *area, state->back);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, state->text);
    return state;
}

} // namespace

UINT SplitButtonMessage() {
    // Registered at the first use, by a window: a run without windows never
    // loads the window library.
    static const UINT message = RegisterWindowMessageW(L"WM_MVBUTTON_SPLIT");
    return message;
}

// mvCheckBox

mvCheckBox::~mvCheckBox() {
    if (m_hwnd != nullptr)
        RemovePropW(m_hwnd, kAutoRadioProperty);
}

bool mvCheckBox::IsRadioType() const {
    const DWORD type = m_style & 0xF;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool mvCheckBox::IsCheckType() const {
    const DWORD type = m_style & 0xF;
    return (type >= BS_CHECKBOX && type <= BS_AUTO3STATE) || type == BS_AUTORADIOBUTTON;
}

bool mvCheckBox::UsesNativeDrawing() const {
    if (IsCheckType())
        return SystemLook();
    return mvButton::UsesNativeDrawing();
}

void mvCheckBox::UpdateRadioProperty() {
    if ((m_style & 0xF) == BS_AUTORADIOBUTTON)
        SetPropW(m_hwnd, kAutoRadioProperty, reinterpret_cast<HANDLE>(9));
    else
        RemovePropW(m_hwnd, kAutoRadioProperty);
}

void mvCheckBox::OnAttached() {
    m_check = static_cast<int>(SendMessageW(m_hwnd, BM_GETCHECK, 0, 0));
    mvButton::OnAttached();
    if (!IsCheckType()) {
        m_style = (m_style & ~DWORD(0xF)) | BS_AUTOCHECKBOX;
        ApplyDrawingMode();
    }
    UpdateRadioProperty();
    MeasureGlyph(m_hwnd, m_font, nullptr);
}

LRESULT mvCheckBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool ownerDrawn = IsOwnerDrawn();
    switch (message) {
    case BM_GETCHECK:
        if (ownerDrawn)
            return m_check;
        break;
    case BM_GETSTATE:
        if (ownerDrawn)
            return mvButton::WindowProc(message, wParam, lParam) | m_check;
        break;
    case BM_SETCHECK:
        if (ownerDrawn) {
            const DWORD type = m_style & 0xF;
            int state = m_check;
            if (wParam <= 1)
                state = static_cast<int>(wParam);
            else if (wParam == 2)
                state = type == BS_3STATE || type == BS_AUTO3STATE ? 2 : 1;
            if (state != m_check) {
                m_check = state;
                Refresh();
            }
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemovePropW(m_hwnd, kAutoRadioProperty);
        break;
    default:
        break;
    }
    const LRESULT result = mvButton::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_SYSCOLORCHANGE:
        if (!IsOwnerDrawn())
            SendMessageW(m_hwnd, BM_SETCHECK, static_cast<WPARAM>(m_check), 0);
        MeasureGlyph(m_hwnd, m_font, nullptr);
        break;
    case WM_SETFONT:
    case WM_THEMECHANGED:
        if (const ScreenDC dc(GetDC(m_hwnd)); dc)
            MeasureGlyph(m_hwnd, m_font, dc.Get());
        break;
    case WM_STYLECHANGED:
        UpdateRadioProperty();
        break;
    case BM_SETCHECK:
        if (!IsOwnerDrawn())
            m_check = static_cast<int>(SendMessageW(m_hwnd, BM_GETCHECK, 0, 0));
        break;
    default:
        break;
    }
    return result;
}

bool mvCheckBox::OnReflectCommand(UINT code) {
    if (code != BN_CLICKED || !IsOwnerDrawn())
        return false;
    switch (m_style & 0xF) {
    case BS_AUTOCHECKBOX:
        m_check = m_check == 1 ? 0 : 1;
        break;
    case BS_AUTO3STATE:
        m_check = (m_check + 1) % 3;
        break;
    case BS_AUTORADIOBUTTON: {
        m_check = 1;
        const HWND parent = GetParent(m_hwnd);
        for (HWND w = GetNextDlgGroupItem(parent, m_hwnd, FALSE); w != nullptr && w != m_hwnd;
             w = GetNextDlgGroupItem(parent, w, FALSE)) {
            if (GetPropW(w, kAutoRadioProperty) == reinterpret_cast<HANDLE>(9))
                SendMessageW(w, BM_SETCHECK, BST_UNCHECKED, 0);
        }
        break;
    }
    default:
        break;
    }
    Refresh();
    return false;
}

void mvCheckBox::GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) {
    mvButton::GetColors(item, state);
    if (!IsCheckType() && !IsRadioType())
        return;
    state.back = ThemeColour(ThemeBase);
    state.fill = ThemeColour(state.disabled ? ThemeButton : ThemeEditBg);
    state.mark = state.disabled || state.hot ? state.border : ThemeColour(ThemeIcon);
}

void mvCheckBox::Draw(HDC dc, const RECT* area, LPARAM param) {
    const ButtonPaintState* face = BeginFace(dc, area, param);
    if (face == nullptr)
        return;
    const ButtonPaintState& state = *face;
    RECT work = *area;
    InflateRect(&work, -2, -3);
    const CheckGlyph& glyph = MeasureGlyph(m_hwnd, m_font, nullptr);
    const bool right =
        (m_style & BS_LEFTTEXT) != 0 || (GetWindowLongW(m_hwnd, GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
    RECT box{};
    RECT text = work;
    if (right) {
        box.left = work.right - glyph.width;
        text.right = box.left - glyph.gap;
    } else {
        box.left = work.left;
        text.left = work.left + glyph.width + glyph.gap;
    }
    box.right = box.left + glyph.width;
    const DWORD vertical = m_style & 0xC00;
    box.top = vertical == BS_TOP      ? work.top
              : vertical == BS_BOTTOM ? work.bottom - glyph.height
                                      : work.top + (RectHeight(work) - glyph.height) / 2;
    box.bottom = box.top + glyph.height;
    if (IsRadioType()) {
        FillCircle(dc, box.left, box.top, glyph.width, state.mark);
        FillCircle(dc, box.left + 1, box.top + 1, glyph.width - 2, state.fill);
        if (m_check != 0) {
            const int inset = glyph.width / 4;
            FillCircle(dc, box.left + inset, box.top + inset, glyph.width - 2 * inset, state.mark);
        }
    } else {
        const int kind = m_check == 1 ? MarkCheck : m_check == 2 ? MarkSquare : MarkNone;
        DrawButtonFace(dc, &box, state.fill, state.mark, state.mark, kind, 1.0);
    }

    UINT flags = DT_EDITCONTROL | DT_EXPANDTABS | m_extraTextFlags;
    const DWORD horizontal = m_style & 0x300;
    flags |= horizontal == BS_CENTER ? DT_CENTER : horizontal == BS_RIGHT ? DT_RIGHT : DT_LEFT;
    const bool multiline = (m_style & BS_MULTILINE) != 0;
    flags |= multiline ? DT_WORDBREAK : DT_SINGLELINE;
    if (vertical == BS_BOTTOM)
        flags |= DT_BOTTOM;
    else if (vertical != BS_TOP)
        flags |= DT_VCENTER;
    if (!state.showPrefix)
        flags |= DT_HIDEPREFIX;
    RECT measured = text;
    DrawTextW(dc, m_caption.c_str(), -1, &measured,
              (flags & ~(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
    if (multiline && vertical != BS_TOP) {
        const int shift = vertical == BS_BOTTOM ? text.bottom - measured.bottom
                                                : (RectHeight(text) - RectHeight(measured)) / 2;
        OffsetRect(&measured, 0, shift);
        RECT place = text;
        place.top = measured.top;
        DrawTextW(dc, m_caption.c_str(), -1, &place, flags & ~(DT_VCENTER | DT_BOTTOM));
    } else {
        DrawTextW(dc, m_caption.c_str(), -1, &text, flags);
        if (!multiline && vertical != BS_TOP)
            OffsetRect(&measured, 0,
                       vertical == BS_BOTTOM ? text.bottom - measured.bottom
                                             : (RectHeight(text) - RectHeight(measured)) / 2);
    }
    if (state.focusRect) {
        InflateRect(&measured, 1, 1);
        IntersectRect(&measured, &measured, area);
        DrawFocusDots(dc, &measured, state.text);
    }
}

void mvCheckBox::AutoSize() {
    if (!m_autoSize || m_hwnd == nullptr)
        return;
    RECT rect{};
    GetWindowRect(m_hwnd, &rect);
    MapWindowPoints(nullptr, GetParent(m_hwnd), reinterpret_cast<POINT*>(&rect), 2);
    const CheckGlyph& glyph = MeasureGlyph(m_hwnd, m_font, nullptr);
    const int width = std::max<int>(RectWidth(rect), glyph.width + glyph.gap + 6);
    const ScreenDC dc(GetDC(m_hwnd));
    if (!dc)
        return;
    const HGDIOBJ old = SelectObject(dc.Get(), m_font);
    RECT text{0, 0, width - glyph.width - glyph.gap - 6, 0};
    DrawTextW(dc.Get(), m_caption.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL);
    SelectObject(dc.Get(), old);
    const int line = mvtheme_control::GetTextHeight(m_font);
    const int height = std::max(RectHeight(text) + 8, std::max(glyph.height, line) + 6);
    if (width == RectWidth(rect) && height == RectHeight(rect))
        return;
    SetWindowPos(m_hwnd, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOSENDCHANGING | SWP_NOACTIVATE | SWP_NOZORDER);
}

// mvButton_Link

mvButton_Link::~mvButton_Link() = default;

LRESULT mvButton_Link::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR) {
        if (const HCURSOR hand = GetHandCursor()) {
            SetCursor(hand);
            return 1;
        }
    }
    return mvButton::WindowProc(message, wParam, lParam);
}

void mvButton_Link::GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) {
    mvButton::GetColors(item, state);
    if (SystemLook()) {
        state.text = GetSysColor(state.disabled ? COLOR_GRAYTEXT : COLOR_HOTLIGHT);
        state.back = GetSysColor(COLOR_BTNFACE);
        state.border = GetSysColor(COLOR_BTNTEXT);
    } else {
        state.text = ThemeColour(state.disabled ? ThemeTextGray : ThemeLink);
        state.back = ThemeColour(ThemeBase);
        state.border = ThemeColour(ThemeText);
    }
}

UINT mvButton_Link::PrefixFlags(const ButtonPaintState& state) const {
    if (m_prefixMode == 0)
        return DT_NOPREFIX;
    if (m_prefixMode == 1 || !state.showPrefix)
        return DT_HIDEPREFIX;
    return 0;
}

void mvButton_Link::Draw(HDC dc, const RECT* area, LPARAM param) {
    const ButtonPaintState* face = BeginFace(dc, area, param);
    if (face == nullptr)
        return;
    const ButtonPaintState& state = *face;
    RECT text = *area;
    InflateRect(&text, -1, -1);
    const UINT flags = DT_END_ELLIPSIS | DT_SINGLELINE | DT_EXPANDTABS | PrefixFlags(state);
    RECT measured = text;
    DrawTextW(dc, m_caption.c_str(), -1, &measured, flags | DT_CALCRECT);
    DrawTextW(dc, m_caption.c_str(), -1, &text, flags);
    measured.right = std::min(measured.right, text.right);
    FillSolidRect(dc, RECT{measured.left, measured.bottom - 1, measured.right, measured.bottom},
                  state.text);
    if (state.focusRect)
        DrawFocusDots(dc, area, state.border);
}

void mvButton_Link::AutoSize() {
    if (!m_autoSize || m_hwnd == nullptr)
        return;
    const ScreenDC dc(GetDC(m_hwnd));
    if (!dc)
        return;
    const HGDIOBJ old = SelectObject(dc.Get(), m_font);
    RECT text{0, 0, 32000, 32000};
    DrawTextW(dc.Get(), m_caption.c_str(), -1, &text,
              DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | (m_prefixMode == 0 ? DT_NOPREFIX : 0));
    SelectObject(dc.Get(), old);
    InflateRect(&text, 1, 1);
    RECT rect{};
    GetWindowRect(m_hwnd, &rect);
    MapWindowPoints(nullptr, GetParent(m_hwnd), reinterpret_cast<POINT*>(&rect), 2);
    const int cx = RectWidth(text), cy = RectHeight(text);
    const DWORD horizontal = m_style & 0x300, vertical = m_style & 0xC00;
    const int x = horizontal == BS_CENTER  ? rect.left + (RectWidth(rect) - cx) / 2
                  : horizontal == BS_RIGHT ? rect.right - cx
                                           : rect.left;
    const int y = vertical == BS_VCENTER  ? rect.top + (RectHeight(rect) - cy) / 2
                  : vertical == BS_BOTTOM ? rect.bottom - cy
                                          : rect.top;
    if (x != rect.left || y != rect.top || cx != RectWidth(rect) || cy != RectHeight(rect))
        SetWindowPos(m_hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// mvButton_Dropdown

RECT mvButton_Dropdown::ArrowRect() const {
    RECT client{};
    if (m_hwnd != nullptr)
        GetClientRect(m_hwnd, &client);
    const int width = std::max(RectHeight(client) / 2, m_arrowSize + 12);
    return RECT{client.right - width, client.top, client.right, client.bottom};
}

bool mvButton_Dropdown::HitArrow() const {
    if (!m_releasedByMouse || m_hwnd == nullptr)
        return false;
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(m_hwnd, &cursor);
    const RECT arrow = ArrowRect();
    return PtInRect(&arrow, cursor) != FALSE;
}

void mvButton_Dropdown::GetColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) {
    mvButton::GetColors(item, state);
    state.fill = m_arrowColor < 0x1000000 && !state.disabled ? m_arrowColor : state.text;
}

void mvButton_Dropdown::Draw(HDC dc, const RECT* area, LPARAM param) {
    if (dc == nullptr || area == nullptr || param == 0)
        return;
    const ButtonPaintState& given = *reinterpret_cast<const ButtonPaintState*>(param);
    RECT arrow = ArrowRect();
    OffsetRect(&arrow, area->left, area->top);
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(m_hwnd, &cursor);
    const RECT local = ArrowRect();
    const bool overArrow = PtInRect(&local, cursor) != FALSE && given.hot;
    // The face without caption or focus rectangle.
    ButtonPaintState face = given;
    face.focusRect = false;
    if (overArrow)
        face.back = ThemeColour(ThemeButton);
    const mvstring caption = std::move(m_caption);
    m_caption.clear();
    mvButton::Draw(dc, area, reinterpret_cast<LPARAM>(&face));
    m_caption = caption;

    const bool system = SystemLook();
    RECT content = *area;
    content.right = arrow.left;
    if (system && !m_theme) {
        InflateRect(&content, -4, -4);
    } else if (system) {
        RECT themed{};
        RECT whole = *area;
        if (SUCCEEDED(GetThemeBackgroundContentRect(m_theme.Get(), dc, BP_PUSHBUTTON, PBS_NORMAL,
                                                    &whole, &themed))) {
            content = themed;
            content.right = arrow.left - 1;
        } else {
            InflateRect(&content, -2, -2);
        }
    } else {
        InflateRect(&content, -2, -2);
        RECT inner = arrow;
        InflateRect(&inner, -1, -1);
        FillSolidRect(dc, inner, overArrow ? given.back : ThemeColour(ThemeButton));
    }
    const bool divider = m_dividerMode == 0 || (m_dividerMode == 1 && (given.hot || given.pushed));
    if (divider) {
        if (system) {
            const RECT line{arrow.left, content.top, arrow.left + 1, content.bottom};
            FillSolidRect(dc, line, GetSysColor(COLOR_BTNSHADOW));
            if (!m_theme)
                FillSolidRect(dc, RECT{line.left + 1, line.top, line.right + 1, line.bottom},
                              GetSysColor(COLOR_BTNHIGHLIGHT));
        } else {
            DrawFrameRect(dc, &arrow, given.border, SideLeft, 1, 0);
        }
    }
    DrawArrowGlyph(dc, &arrow, given.fill, given.fill, m_arrowSize, false);
    if (given.focusRect)
        DrawFocusDots(dc, &content, given.text);
    if (system && !m_theme && given.pushed)
        OffsetRect(&content, 1, 1);
    SetTextColor(dc, given.text);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, m_caption.c_str(), -1, &content, CaptionFlags(given));
}

// mvButton_Group

void mvButton_Group::SetExpanded(bool expanded) {
    OnExpandedChanging(expanded);
    m_expanded = expanded;
    Refresh();
}

bool mvButton_Group::OnReflectCommand(UINT code) {
    if (code == BN_CLICKED)
        SetExpanded(!m_expanded);
    return false;
}

int mvButton_Group::GetContentBottom() const {
    RECT own{};
    if (m_hwnd != nullptr)
        GetWindowRect(m_hwnd, &own);
    if (m_expanded && !m_children.empty() && m_children.back() != nullptr) {
        RECT last{};
        GetWindowRect(m_children.back(), &last);
        return last.bottom - own.top;
    }
    return RectHeight(own);
}

void mvButton_Group::GetFramedColors(const DRAWITEMSTRUCT& item, ButtonPaintState& state) {
    GetColors(item, state);
    const bool emphasised = state.hot || state.pushed || m_expanded;
    m_sides = 15;
    const bool disabled = state.disabled;
    if (SystemLook()) {
        state.text = GetSysColor(disabled     ? COLOR_GRAYTEXT
                                 : m_expanded ? COLOR_WINDOW
                                              : COLOR_HOTLIGHT);
        state.back = BlendColor(GetSysColor(disabled     ? COLOR_BTNFACE
                                            : m_expanded ? COLOR_HOTLIGHT
                                                         : COLOR_WINDOW),
                                GetSysColor(COLOR_BTNFACE), 85);
        state.border = GetSysColor(emphasised && !disabled ? COLOR_HOTLIGHT : COLOR_BTNSHADOW);
        state.mark = GetSysColor(disabled     ? COLOR_GRAYTEXT
                                 : m_expanded ? COLOR_WINDOW
                                              : COLOR_3DDKSHADOW);
    } else {
        state.text = ThemeColour(disabled ? ThemeTextGray : m_expanded ? ThemeText : ThemeLink);
        state.back = ThemeColour(disabled     ? ThemeButtonDisable
                                 : m_expanded ? ThemeButtonPush
                                              : ThemeButton);
        state.border = ThemeColour(emphasised && !disabled ? ThemeBorderActive : ThemeBorder);
        state.mark = ThemeColour(disabled ? ThemeTextGray : m_expanded ? ThemeText : ThemeIcon);
    }
    if (!emphasised)
        state.border = BlendColor(state.border, state.back, 60);
    state.fill = state.border;
}

void mvButton_Group::DrawExpandGlyph(HDC dc, RECT& rect, const ButtonPaintState& state) {
    const int side = RectHeight(rect);
    const RECT square{rect.right - side, rect.top, rect.right, rect.bottom};
    DrawChevron(dc, &square, state.mark, ChevronVertical, !m_expanded, side > 26 ? 0.4 : 0.5);
    rect.right -= side;
    rect.left += 4;
}

void mvButton_Group::Draw(HDC dc, const RECT* area, LPARAM param) {
    if (dc == nullptr || area == nullptr || param == 0)
        return;
    const ButtonPaintState& state = *reinterpret_cast<const ButtonPaintState*>(param);
    RECT rect = *area;
    FillSolidRect(dc, rect, state.back);
    const unsigned order[] = {SideLeft, SideTop, SideRight, SideBottom};
    for (unsigned side : order) {
        if ((m_sides & side) == 0)
            continue;
        RECT line = rect;
        if (side == SideLeft)
            line.right = line.left + 1;
        else if (side == SideRight)
            line.left = line.right - 1;
        else if (side == SideTop)
            line.bottom = line.top + 1;
        else
            line.top = line.bottom - 1;
        const bool vertical = side == SideLeft || side == SideRight;
        FillGradient(dc, &line, state.border, state.fill, vertical);
    }
    InflateRect(&rect, -1, -1);
    if (state.focusRect)
        DrawFocusDots(dc, &rect, state.text);
    InflateRect(&rect, -1, -1);
    DrawCaptionExtras(dc, rect, state);
    SetTextColor(dc, state.text);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, m_caption.c_str(), -1, &rect, CaptionFlags(state) | DT_END_ELLIPSIS);
}
