#include "app/main/VQToolBarCtrl.h"

#include "app/shared/VQUiResources.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/WordLists.h"
#include "search/ShellTypeCache.h"
#include "ui/controls/mvImage.h"
#include "ui/theme/GdiHolders.h"
#include "ui/theme/UiTheme.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

namespace {

// One toolbar button: command 0 a separator; a view-mode button takes its
// text from the view-mode names.
struct ButtonRow {
    int command;
    int image;
    const wchar_t* section;
    const wchar_t* key;
    int viewMode; // -1: not a view-mode button
    BYTE style;
    BYTE state;
};

constexpr BYTE kCheckGroup = BTNS_CHECKGROUP;
constexpr BYTE kOn = TBSTATE_ENABLED;

constexpr ButtonRow kButtons[] = {
    {10001, 0, L"menu_file", L"open", -1, BTNS_BUTTON, kOn},
    {0, 0, nullptr, nullptr, -1, BTNS_SEP, 0},
    {10027, 2, L"menu_edit", L"copy", -1, BTNS_BUTTON, kOn},
    {10026, 1, L"menu_edit", L"cut", -1, BTNS_BUTTON, 0},
    {10016, 3, L"menu_file", L"delete", -1, BTNS_BUTTON, 0},
    {0, 0, nullptr, nullptr, -1, BTNS_SEP, 0},
    {10041, 5, L"menu_view", L"lv_details", 4, kCheckGroup, kOn},
    {10040, 6, L"menu_view", L"lv_list", 3, kCheckGroup, kOn},
    {10042, 11, L"menu_view", L"lv_tiles", 5, kCheckGroup, kOn},
    {10037, 7, L"menu_view", L"lv_smallicon", 0, kCheckGroup, kOn},
    {10038, 8, L"menu_view", L"lv_icon", 1, kCheckGroup, kOn},
    {10039, 9, L"menu_view", L"lv_largeicon", 2, kCheckGroup, kOn},
    {0, 0, nullptr, nullptr, -1, BTNS_SEP, 0},
    {1058, 13, L"menu_help", L"help", -1, BTNS_BUTTON, kOn},
};

mvstring ButtonText(const ButtonRow& row, const std::vector<ViewModeEntry>& modes) {
    if (row.viewMode >= 0) {
        for (const ViewModeEntry& mode : modes)
            if (mode.Mode == row.viewMode)
                return mode.Name;
    }
    return GetLangText(row.section, row.key);
}

int SmallSystemIconSize() {
    ShellTypeCache& cache = GlobalShellTypeCache();
    cache.Init();
    return cache.IconSize(SHIL_SMALL);
}

} // namespace

int ChooseToolbarStrip(int setting, int smallIconSize) {
    if (setting != 0)
        return setting > 24 ? 32 : 24;
    // The small icons' scale applied to the 24-pixel cell: 125 % (20-pixel
    // icons) already needs the larger strip.
    int x = smallIconSize;
    if (x > 16)
        x = x * 24 / 16;
    return x > 28 ? 32 : 24;
}

CVQToolBarCtrl::~CVQToolBarCtrl() {
    // The toolbar is a sibling of the rebar's window only by parenthood;
    // it goes first, then the rebar.
    m_toolBar.Detach(true);
}

bool CVQToolBarCtrl::Create(HWND parent, const mvimage* strip24, const mvimage* strip32) {
    ButtonSize = ChooseToolbarStrip(Settings().ToolbarIconSize, SmallSystemIconSize());
    const mvimage* strip = ButtonSize == 32 ? strip32 : strip24;
    if (!m_toolBar.Create(parent))
        return false;
    const HWND bar = m_toolBar.Handle();
    SendMessageW(bar, TB_SETSTYLE, 0, SendMessageW(bar, TB_GETSTYLE, 0, 0) | CCS_NOPARENTALIGN);

    mvimage copy;
    mvGdiBitmap bitmap;
    const bool hasStrip = strip != nullptr && strip->IsLoaded() && strip->Width() > 0 &&
                          strip->Height() > 0 && copy.CopyFrom(*strip) &&
                          copy.ToHBitmap(bitmap, nullptr);
    if (hasStrip) {
        const int cell = std::min(copy.Width(), copy.Height());
        m_toolBar.CreateImageLists(cell, cell, true);
        m_toolBar.AddBitmap(bitmap.Get(), nullptr);
    }

    std::vector<ViewModeEntry> modes;
    GetViewModeNames(modes);
    for (const ButtonRow& row : kButtons) {
        const mvstring text = row.command != 0 ? ButtonText(row, modes) : mvstring();
        m_toolBar.AddButton(row.command, row.image, row.command != 0 ? text.c_str() : nullptr,
                            row.style, row.state);
    }
    SendMessageW(bar, TB_AUTOSIZE, 0, 0);

    // A spare copy of the open icon: the main window puts the icon of the
    // selected file's program in its place.
    if (hasStrip) {
        mvGdiBitmap cell;
        const RECT first = {0, 0, ButtonSize, ButtonSize};
        if (copy.ToHBitmap(cell, &first)) {
            std::vector<BYTE> blank(static_cast<size_t>(ButtonSize) * ButtonSize / 8 + 64, 0);
            const GdiHandle<HBITMAP> mask(CreateBitmap(ButtonSize, ButtonSize, 1, 1, blank.data()));
            ICONINFO info = {TRUE, 0, 0, mask.Get(), cell.Get()};
            const HICON icon = CreateIconIndirect(&info);
            if (icon != nullptr) {
                SpareOpenImage = m_toolBar.AddIcon(icon);
                DestroyIcon(icon);
            }
        }
    }
    OpenButtonImage = -1;

    INITCOMMONCONTROLSEX init = {sizeof init, ICC_COOL_CLASSES};
    InitCommonControlsEx(&init);
    constexpr DWORD kRebarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                  RBS_AUTOSIZE | CCS_NODIVIDER | CCS_TOP;
    if (!mvWnd::Create(L"", parent, kToolBarRebarId, 0, 0, 0, 0, kRebarStyle, 0, REBARCLASSNAMEW))
        return false;
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(UiTheme::Get().fonts.normal.Get()),
                 FALSE);
    if (SendMessageW(Handle(), CCM_GETVERSION, 0, 0) < 5)
        SendMessageW(Handle(), CCM_SETVERSION, 5, 0);
    REBARBANDINFOW band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE;
    band.fStyle = RBBS_BREAK;
    band.hwndChild = bar;
    band.cxMinChild = 1;
    band.cyMinChild = band.cyChild =
        LOWORD(SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0)) + 6;
    SendMessageW(Handle(), RB_INSERTBANDW, 0, reinterpret_cast<LPARAM>(&band));
    return true;
}

bool CVQToolBarCtrl::Create(HWND parent) {
    VQUiResources& resources = UiResources();
    return Create(parent, &resources.SmallIcons(), &resources.LargeIcons());
}

void CVQToolBarCtrl::UpdateTexts() {
    std::vector<ViewModeEntry> modes;
    GetViewModeNames(modes);
    for (const ButtonRow& row : kButtons)
        if (row.command != 0)
            m_toolBar.SetButtonText(row.command, ButtonText(row, modes).c_str());
}
