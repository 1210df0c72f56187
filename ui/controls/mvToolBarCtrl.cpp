#include "ui/controls/mvToolBarCtrl.h"

#include "ui/core/ComctlVersion.h"
#include "ui/theme/DrawPrimitives.h"
#include "ui/core/Measure.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/WindowHolders.h"
#include "ui/controls/mvImage.h"

#include <windowsx.h>
#undef SubclassWindow // a macro of windowsx.h, a member here

#include <algorithm>
#include <vector>

namespace {

// The pixels of a bitmap as 32-bit rows, top row first; empty on failure.
std::vector<std::uint32_t> TopDownPixels(HBITMAP bitmap, int width, int height) {
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO header = {};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    ScreenDC screen(GetDC(nullptr));
    if (GetDIBits(screen.Get(), bitmap, 0, height, pixels.data(), &header, DIB_RGB_COLORS) !=
        height)
        pixels.clear();
    return pixels;
}

// An icon whose colour bitmap has no alpha is shaped by its mask alone: the
// colour with the mask made into alpha (set mask bits transparent), so that
// the grey and hot forms keep the icon's shape. False when the colour has
// alpha of its own or the pixels cannot be read.
bool ColourWithMaskAlpha(HBITMAP colour, HBITMAP mask, int width, int height, mvGdiBitmap& out) {
    const std::vector<std::uint32_t> pixels = TopDownPixels(colour, width, height);
    if (pixels.empty() ||
        std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; }))
        return false;
    const std::vector<std::uint32_t> shape = TopDownPixels(mask, width, height);
    if (shape.empty() || out.CreateDIB(width, height, nullptr) == nullptr || out.Bits() == nullptr)
        return false;
    auto* bits = static_cast<std::uint32_t*>(out.Bits());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(y) * width + x;
            bits[static_cast<size_t>(height - 1 - y) * width + x] = // bottom-up
                (shape[at] & 0xFFFFFF) != 0 ? 0 : pixels[at] | 0xFF000000u;
        }
    GdiFlush();
    return true;
}

} // namespace

mvToolBarCtrl::~mvToolBarCtrl() {
    if (m_hwnd != nullptr) {
        m_toolTip.Detach(false);
        for (UINT message : {TB_SETIMAGELIST, TB_SETDISABLEDIMAGELIST, TB_SETHOTIMAGELIST})
            DefaultProc(message, 0, 0);
    }
    Detach(false);
}

bool mvToolBarCtrl::Create(HWND parent) {
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    if (!mvWnd::Create(L"", parent, 1001, 0, 0, 0, 0, 0x50000901, 0, TOOLBARCLASSNAMEW) ||
        m_hwnd == nullptr)
        return false;
    const HFONT font = UiTheme::Get().fonts.normal.Get();
    SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(m_hwnd, TB_SETEXTENDEDSTYLE, 0, 0x91);
    SendMessageW(m_hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    if (const auto tip = reinterpret_cast<HWND>(SendMessageW(m_hwnd, TB_GETTOOLTIPS, 0, 0));
        tip != nullptr && m_toolTip.SubclassWindow(tip)) {
        m_toolTip.m_font = font;
        SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SendMessageW(m_hwnd, TB_SETMAXTEXTROWS, 0, 0);
    if (SendMessageW(m_hwnd, CCM_GETVERSION, 0, 0) < 5)
        SendMessageW(m_hwnd, CCM_SETVERSION, 5, 0);
    SetIndent(5);
    return true;
}

void mvToolBarCtrl::SetIndent(int pixels) {
    SendMessageW(m_hwnd, TB_SETINDENT, pixels, 0);
}

bool mvToolBarCtrl::OwnsList(LPARAM list) const {
    auto* given = reinterpret_cast<HIMAGELIST>(list);
    return given != nullptr &&
           (given == m_normal.Get() || given == m_disabled.Get() || given == m_hot.Get());
}

void mvToolBarCtrl::CreateImageLists(int width, int height, bool force) {
    if (m_normal && !force)
        return;
    if (m_hwnd != nullptr) {
        for (UINT message : {TB_SETIMAGELIST, TB_SETDISABLEDIMAGELIST, TB_SETHOTIMAGELIST})
            DefaultProc(message, 0, 0);
    }
    m_normal.Reset();
    m_disabled.Reset();
    m_hot.Reset();
    if (width <= 0 || height <= 0)
        return;
    for (ImageListHandle* list : {&m_normal, &m_disabled, &m_hot})
        list->Assign(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 4, 4));
    if (m_hwnd != nullptr && m_normal) {
        SendMessageW(m_hwnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_normal.Get()));
        SendMessageW(m_hwnd, TB_SETDISABLEDIMAGELIST, 0,
                     reinterpret_cast<LPARAM>(m_disabled.Get()));
        SendMessageW(m_hwnd, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(m_hot.Get()));
    }
}

int mvToolBarCtrl::AddToList(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
    if (IsThemedComctl() || mask != nullptr)
        return ImageList_Add(list, image, mask);
    return ImageList_AddMasked(list, image, 0);
}

int mvToolBarCtrl::AddBitmap(HBITMAP image, HBITMAP mask) {
    if (image == nullptr || !m_normal || !m_disabled || !m_hot)
        return -1;
    mvimage grey, hot;
    if (!grey.FromHBitmap(image) || !hot.CopyFrom(grey) || !grey.ApplyColorMatrix(GreyMatrix()) ||
        !hot.ApplyBrightness(-25))
        return -1;
    mvGdiBitmap greyBits, hotBits;
    if (!grey.ToHBitmap(greyBits, nullptr) || !hot.ToHBitmap(hotBits, nullptr))
        return -1;
    const int before = ImageList_GetImageCount(m_normal.Get());
    const int index = AddToList(m_normal.Get(), image, mask);
    if (index < 0)
        return -1;
    if (AddToList(m_disabled.Get(), greyBits.Get(), mask) < 0 ||
        AddToList(m_hot.Get(), hotBits.Get(), mask) < 0) {
        // Leave the lists as they were.
        while (ImageList_GetImageCount(m_normal.Get()) > before)
            ImageList_Remove(m_normal.Get(), before);
        for (HIMAGELIST list : {m_disabled.Get(), m_hot.Get()})
            while (ImageList_GetImageCount(list) > before)
                ImageList_Remove(list, before);
        return -1;
    }
    return index;
}

int mvToolBarCtrl::AddIcon(HICON icon) {
    if (m_hwnd == nullptr || icon == nullptr)
        return -1;
    const std::uint64_t size = GetIconSize(icon);
    if (PackedX(size) <= 0 || PackedY(size) <= 0)
        return -1;
    CreateImageLists(PackedX(size), PackedY(size), false);
    if (!m_normal)
        return -1;
    // The icon goes in at the lists' size and comes back out as bitmaps to
    // derive its grey and hot forms from; the entry made for that goes
    // again, so that the new entry takes its index.
    const int entry = ImageList_ReplaceIcon(m_normal.Get(), -1, icon);
    if (entry < 0)
        return -1;
    int added = -1;
    ICONINFO info = {};
    if (const IconHandle sized(ImageList_GetIcon(m_normal.Get(), entry, ILD_NORMAL));
        sized && GetIconInfo(sized.Get(), &info)) {
        const GdiHandle<HBITMAP> colour(info.hbmColor), mask(info.hbmMask);
        mvGdiBitmap shaped;
        if (colour) {
            int cx = 0, cy = 0;
            ImageList_GetIconSize(m_normal.Get(), &cx, &cy);
            const HBITMAP image = ColourWithMaskAlpha(colour.Get(), mask.Get(), cx, cy, shaped)
                                      ? shaped.Get()
                                      : colour.Get();
            added = AddBitmap(image, IsThemedComctl() ? mask.Get() : nullptr);
        }
    }
    ImageList_Remove(m_normal.Get(), entry);
    return added < 0 ? -1 : entry;
}

int mvToolBarCtrl::AddButton(int command, int image, const wchar_t* text, BYTE style, BYTE state) {
    if (m_hwnd == nullptr)
        return -1;
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = state;
    button.fsStyle = style;
    button.iString = reinterpret_cast<INT_PTR>(text);
    if (command == 0) {
        button.fsStyle = BTNS_SEP;
        button.fsState = 0;
        if (image < 0)
            button.iBitmap = 0;
    }
    const int count = static_cast<int>(SendMessageW(m_hwnd, TB_BUTTONCOUNT, 0, 0));
    if (!SendMessageW(m_hwnd, TB_INSERTBUTTONW, count, reinterpret_cast<LPARAM>(&button)))
        return -1;
    return count;
}

bool mvToolBarCtrl::SetButtonText(int command, const wchar_t* text) {
    if (m_hwnd == nullptr || command == 0)
        return false;
    TBBUTTONINFOW info = {sizeof(info)};
    info.dwMask = TBIF_TEXT;
    info.pszText = const_cast<wchar_t*>(text != nullptr ? text : L"");
    return SendMessageW(m_hwnd, TB_SETBUTTONINFOW, command, reinterpret_cast<LPARAM>(&info)) != 0;
}

RECT mvToolBarCtrl::DropDownPart(int index) const {
    RECT part = {};
    if (!SendMessageW(m_hwnd, TB_GETITEMDROPDOWNRECT, index, reinterpret_cast<LPARAM>(&part)))
        part = {};
    return part;
}

bool mvToolBarCtrl::InDropDownPart(int index, POINT point) const {
    const RECT part = DropDownPart(index);
    return PtInRect(&part, point) != FALSE;
}

LRESULT mvToolBarCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(m_hwnd, message, wParam, lParam, &result))
        return result;
    switch (message) {
    case TB_ADDBITMAP:
    case TB_ADDSTRINGA:
    case TB_ADDSTRINGW:
        return -1;
    case TB_SETBITMAPSIZE:
    case TB_SETTOOLTIPS:
    case TB_REPLACEBITMAP:
        return 0;
    case TB_ADDBUTTONSA:
    case TB_ADDBUTTONSW:
    case TB_INSERTBUTTONA:
    case TB_INSERTBUTTONW: {
        // No string pool: a text given as a pool index becomes no text, in
        // a copy, since the caller's buttons may be read-only.
        const auto* buttons = reinterpret_cast<const TBBUTTON*>(lParam);
        const int count =
            message == TB_ADDBUTTONSA || message == TB_ADDBUTTONSW ? static_cast<int>(wParam) : 1;
        auto pooled = [](const TBBUTTON& b) { return b.iString > 0 && b.iString < 0x10000; };
        if (buttons == nullptr || count <= 0 || std::none_of(buttons, buttons + count, pooled))
            break;
        std::vector<TBBUTTON> copy(buttons, buttons + count);
        for (TBBUTTON& button : copy)
            if (pooled(button))
                button.iString = 0;
        return mvWnd::WindowProc(message, wParam, reinterpret_cast<LPARAM>(copy.data()));
    }
    case TB_SETIMAGELIST:
    case TB_SETHOTIMAGELIST:
    case TB_SETDISABLEDIMAGELIST:
    case TB_SETPRESSEDIMAGELIST:
        if (!OwnsList(lParam))
            return 0;
        break;
    case WM_SETFONT:
        if (m_toolTip.Handle() != nullptr)
            SendMessageW(m_toolTip.Handle(), WM_SETFONT, wParam, lParam);
        break;
    case WM_PAINT:
        if (!SystemLook()) {
            // The separators go over what the control painted.
            const LRESULT painted = mvWnd::WindowProc(message, wParam, lParam);
            const WindowDC dc(m_hwnd);
            RECT client = {};
            GetClientRect(m_hwnd, &client);
            Draw(dc.Dc(), &client, 0);
            return painted;
        }
        break;
    case WM_SYSCOLORCHANGE:
        if (UiTheme::Get().IsThemeChange(message, lParam))
            InvalidateRect(m_hwnd, nullptr, TRUE);
        break;
    case WM_NCCALCSIZE:
        return 0;
    case WM_LBUTTONDOWN:
        if (!SystemLook()) {
            m_pressedDropDown = -1;
            if (SendMessageW(m_hwnd, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_DRAWDDARROWS) {
                POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                const int index = static_cast<int>(
                    SendMessageW(m_hwnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
                TBBUTTON button = {};
                if (index >= 0 &&
                    SendMessageW(m_hwnd, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) &&
                    (button.fsStyle & BTNS_DROPDOWN) && InDropDownPart(index, point))
                    m_pressedDropDown = index;
            }
        }
        break;
    case WM_LBUTTONUP:
        m_pressedDropDown = -1;
        break;
    }
    return mvWnd::WindowProc(message, wParam, lParam);
}

void mvToolBarCtrl::Draw(HDC dc, const RECT*, LPARAM) {
    const UiTheme& ui = UiTheme::Get();
    const int count = static_cast<int>(SendMessageW(m_hwnd, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTONINFOW info = {sizeof(info)};
        info.dwMask = TBIF_BYINDEX | TBIF_STATE | TBIF_STYLE;
        if (SendMessageW(m_hwnd, TB_GETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info)) < 0 ||
            !(info.fsStyle & BTNS_SEP) || (info.fsState & TBSTATE_HIDDEN))
            continue;
        RECT item = {};
        SendMessageW(m_hwnd, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
        FillSolidRect(dc, item, ui.Color(ThemeBase));
        const int x = (item.left + item.right) / 2;
        FillSolidRect(dc, RECT{x, item.top, x + 1, item.bottom}, ui.Color(ThemeBorder));
    }
}

mvToolBarCtrl::ItemColours mvToolBarCtrl::ColoursFor(UINT itemState) {
    ItemColours colours = {ThemeColour(ThemeBase), kNoColor, ThemeColour(ThemeText)};
    if (itemState & CDIS_DISABLED) {
        colours.text = ThemeColour(ThemeTextGray);
    } else if (itemState & (CDIS_SELECTED | CDIS_CHECKED)) {
        colours.face = ThemeColour(ThemeButtonOver);
        colours.border = ThemeColour(ThemeBorderActive);
    } else if (itemState & CDIS_HOT) {
        colours.face = ThemeColour(ThemeButton);
        colours.border = ThemeColour(ThemeBorder);
    }
    return colours;
}

void mvToolBarCtrl::DrawDropDownPart(NMTBCUSTOMDRAW* draw, ItemColours colours) {
    NMCUSTOMDRAW& item = draw->nmcd;
    TBBUTTONINFOW info = {sizeof(info)};
    info.dwMask = TBIF_STYLE;
    if (!(SendMessageW(m_hwnd, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_DRAWDDARROWS) ||
        SendMessageW(m_hwnd, TB_GETBUTTONINFOW, item.dwItemSpec, reinterpret_cast<LPARAM>(&info)) <
            0 ||
        !(info.fsStyle & BTNS_DROPDOWN) || (info.fsStyle & BTNS_WHOLEDROPDOWN))
        return;
    const int index = static_cast<int>(SendMessageW(m_hwnd, TB_COMMANDTOINDEX, item.dwItemSpec, 0));
    if (index >= 0 && index == m_pressedDropDown) {
        if (item.uItemState & CDIS_HOT) {
            colours.face = ThemeColour(ThemeButtonOver);
            colours.border = ThemeColour(ThemeBorderActive);
        } else {
            m_pressedDropDown = -1;
        }
    }
    const RECT part = DropDownPart(index);
    if (IsRectEmpty(&part))
        return;
    FillSolidRect(item.hdc, part, colours.face);
    if (IsDrawnColor(colours.border))
        DrawFrameRect(item.hdc, &part, colours.border, SideAll, 1, 0);
    DrawArrowGlyph(item.hdc, &part, colours.text, colours.text,
                   std::min<int>(RectWidth(part) - 2, 7), false);
}

bool mvToolBarCtrl::OnReflectNotify(NMHDR* header, LRESULT* result) {
    if (header->code != static_cast<UINT>(NM_CUSTOMDRAW))
        return false;
    auto* draw = reinterpret_cast<NMTBCUSTOMDRAW*>(header);
    *result = 0;
    if (SystemLook())
        return true;
    NMCUSTOMDRAW& item = draw->nmcd;
    switch (item.dwDrawStage) {
    case CDDS_PREPAINT:
        FillSolidRect(item.hdc, item.rc, ThemeColour(ThemeBase));
        *result = CDRF_NOTIFYITEMDRAW;
        return true;
    case CDDS_ITEMPREPAINT: {
        const ItemColours colours = ColoursFor(item.uItemState);
        if (item.uItemState & CDIS_DISABLED) {
            // Drawn from the grey list, without the control's own dimming.
            if (m_disabled)
                DefaultProc(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_disabled.Get()));
            item.uItemState &= ~CDIS_DISABLED;
        }
        FillSolidRect(item.hdc, item.rc, colours.face);
        if (IsDrawnColor(colours.border))
            DrawFrameRect(item.hdc, &item.rc, colours.border, SideAll, 1, 0);
        draw->clrText = colours.text;
        draw->clrTextHighlight = colours.text;
        draw->clrMark = colours.face;
        *result = 0xDB0010;
        return true;
    }
    case CDDS_ITEMPOSTPAINT: {
        TBBUTTONINFOW info = {sizeof(info)};
        info.dwMask = TBIF_STATE;
        SendMessageW(m_hwnd, TB_GETBUTTONINFOW, item.dwItemSpec, reinterpret_cast<LPARAM>(&info));
        if (!(info.fsState & TBSTATE_ENABLED) && !(item.uItemState & CDIS_DISABLED)) {
            item.uItemState |= CDIS_DISABLED;
            if (m_normal)
                DefaultProc(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_normal.Get()));
        }
        DrawDropDownPart(draw, ColoursFor(item.uItemState));
        return true;
    }
    }
    return true;
}
