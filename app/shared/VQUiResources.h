// What several windows of the program share: the icon strips, the search
// panel's pop-up menus, the hex viewer's menu bar and font, and the slot of
// the program's own data object on the clipboard. One process-wide object,
// built empty before the entry point and filled by Init. UI thread only.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvstring.h"
#include "ui/controls/mvImage.h"
#include "ui/controls/mvMenu.h"

#include <windows.h>
#include <objidl.h>

#include <vector>

// Resource ids of the icon strips (PNG, square cells side by side: icon i
// spans x = i * height to (i + 1) * height) and of the application icon.
inline constexpr int kSmallIconStripId = 129; // 24-pixel cells
inline constexpr int kLargeIconStripId = 130; // 32-pixel cells
inline constexpr int kAppIconId = 128;

class VQUiResources {
public:
    VQUiResources();
    VQUiResources(const VQUiResources&) = delete;
    VQUiResources& operator=(const VQUiResources&) = delete;
    ~VQUiResources();

    // First build (rebuild false), once before the first window: common
    // control classes, themes (ForceTheme of advconf.ini picks one by name,
    // ignoring case), the application icon into the icon cache, the icon
    // strips, the UI font of config.ini, the tooltip's width and delay; then,
    // like every rebuild after a language change, the language-dependent
    // part: the search panel's four pop-ups (not in a hex-viewer-only run),
    // the hex viewer's font and menu bar. A missing resource leaves its icon
    // or strip empty; missing texts give empty captions.
    void Init(bool rebuild);

    // The run shows only the hex viewer: the search panel's pop-ups are not
    // built. Set by the application from its start-up switches before Init.
    void SetHexViewerOnly(bool only) noexcept { m_hexViewerOnly = only; }
    bool HexViewerOnly() const noexcept { return m_hexViewerOnly; }

    // The program's own data object put on the clipboard by a cut or copy.
    // The slot holds a reference of its own, so the object lives as long as
    // the slot names it, whatever its creator does; null empties the slot.
    void SetClipboardObject(IDataObject* object);
    IDataObject* ClipboardObject() const noexcept { return m_clipboardObject.Get(); }
    // At exit: when the object in the slot is still the clipboard's content,
    // the clipboard is flushed so that the data outlives the process. The
    // slot is emptied either way. True when it flushed.
    bool FlushClipboard();

    mvimage& SmallIcons() noexcept { return m_smallIcons; }
    mvimage& LargeIcons() noexcept { return m_largeIcons; }
    mvMenu& QuickSizeMenu() noexcept { return m_quickSizeMenu; }
    mvMenu& QuickDateMenu() noexcept { return m_quickDateMenu; }
    mvMenu& BrowseMenu() noexcept { return m_browseMenu; }
    mvMenu& SearchButtonMenu() noexcept { return m_searchButtonMenu; }
    mvMenu& HexViewerMenuBar() noexcept { return m_hexViewerBar; }
    // Null until Init made it; owned.
    HFONT HexViewerFont() const noexcept { return m_hexViewerFont.Get(); }

private:
    void ApplyForcedTheme();
    void LoadAppIcon();
    void SetUpToolTips();
    void BuildSearchPanelMenus();
    void BuildHexViewerMenuBar();

    ComHandle<IDataObject> m_clipboardObject;
    mvimage m_smallIcons;
    mvimage m_largeIcons;
    mvMenu m_quickSizeMenu{true};
    mvMenu m_quickDateMenu{true};
    mvMenu m_browseMenu{true};
    mvMenu m_searchButtonMenu{true};
    mvMenu m_hexViewerBar;
    GdiHandle<HFONT> m_hexViewerFont;
    bool m_hexViewerOnly = false;
};

// The process-wide object, built at the first call.
VQUiResources& UiResources();

// The width a combo box's drop-down list needs for the texts in the combo's
// own font: the widest text, the small spacing on both sides and the
// combo's drop-down button. 0 for a non-window.
int ComboDropWidth(HWND combo, const std::vector<mvstring>& texts);
