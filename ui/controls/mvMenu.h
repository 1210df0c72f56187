// Menus that follow the colour theme: a wrapper of one menu handle (a menu
// bar or a pop-up) that draws its items itself unless the system look is on
// or the menu is plain, and the process-wide registry that finds the wrapper
// of any menu handle. UI thread only.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>
#include <uxtheme.h>

#include <map>
#include <vector>

class mvMenu {
public:
    // A plain menu is never owner-drawn.
    explicit mvMenu(bool plain = false);
    mvMenu(const mvMenu&) = delete;
    mvMenu& operator=(const mvMenu&) = delete;
    // Destroy().
    virtual ~mvMenu();

    // Customisation points. Widths and heights in pixels.
    // Not (system look or plain).
    virtual bool IsOwnerDraw() const;
    // Text height of the item font + 12.
    virtual int GetItemHeight();
    // 4 x the item font's average character width.
    virtual int GetAccelGap();
    // The UI font, or its bold variant.
    virtual HFONT GetFont(bool bold);
    // A check mark in a square of the item height at the rectangle's left
    // end, unless `measureOnly`. The item height either way.
    virtual int DrawCheckMark(HDC dc, const RECT& rect, UINT state, bool radio, bool measureOnly);
    // A right-pointing arrow in a square of the rectangle's height at its
    // right end, unless `measureOnly`. The item height either way.
    virtual int DrawSubmenuArrow(HDC dc, const RECT& rect, UINT state, HMENU submenu,
                                 bool measureOnly);
    // Bar items: the whole text centred. Pop-up items: the text's first
    // tab-separated part on the left and, with two or more parts, the last on
    // the right. The width the text needs.
    virtual int DrawItemText(HDC dc, const RECT& rect, const mvstring& text, UINT state,
                             bool measureOnly);
    virtual HBRUSH GetBackgroundBrush();
    virtual void OnDrawItem(DRAWITEMSTRUCT* item);
    virtual void OnMeasureItem(MEASUREITEMSTRUCT* item);

    // A new menu bar or pop-up replacing the held menu. False when the menu
    // cannot be created.
    bool CreateMenuBar();
    bool CreatePopup();
    // Holds and registers the handle in place of the held menu. False (after
    // letting the held menu go) for a null handle.
    bool Attach(HMENU menu, bool notOwned);
    // Deletes the viewing wrappers of the submenus, unregisters the handle
    // and destroys it when owned.
    void Destroy();

    // Every item operation is false, null or 0 without a handle.
    // A string item, a submenu item (identifier = the submenu's handle) or,
    // with id 0 and no submenu, a separator, before `position`. A given
    // submenu takes this menu's look.
    bool InsertItem(UINT position, UINT id, const wchar_t* text, HMENU submenu);
    // The same at the end, leaving the submenu's look alone.
    bool AppendItem(UINT id, const wchar_t* text, HMENU submenu);
    // A new pop-up appended under the text; its wrapper (this menu's plain
    // flag and look), or null.
    mvMenu* AddSubMenu(const wchar_t* text);
    // Sets the id (when non-zero) and the text (when not empty). False by
    // command for item 0.
    bool SetItem(UINT item, const wchar_t* text, UINT id, bool byPosition);
    // Deletes the item and the viewing wrapper of its submenu.
    bool DeleteItem(UINT position);
    // The registered wrapper of the submenu at the position, made and
    // registered (not owned) when there is none; null without a submenu.
    mvMenu* GetSubMenu(UINT position);
    mvstring GetItemText(UINT position) const;
    // Whether an item of this level (not deeper) has the command; false for 0.
    bool ContainsCommand(UINT id) const;
    // Depth-first: the first submenu whose own level holds the command.
    mvMenu* FindSubMenuWithCommand(UINT id);
    // Enables or greys the submenu entry that leads to the command (not the
    // command). False when no submenu holds it.
    bool EnableSubMenuOf(UINT id, bool enable);
    bool CheckItem(UINT id, bool checked, bool radio);
    bool CheckRadioItem(UINT first, UINT last, UINT id, bool radio);
    // This menu's default item, else the first submenu (recursively) that
    // accepts it.
    bool SetDefaultItem(UINT id);
    // Tracks the menu as a pop-up at the screen point; the command arrives
    // as WM_COMMAND at the window. 0 without a handle.
    BOOL TrackPopup(int x, int y, HWND window);
    // Copies the other menu's items; a menu with items is re-created first as
    // the other's kind. False at the first failure.
    bool CopyFrom(const mvMenu& other);

    // The theme's background brush and owner-draw flags, when owner-drawn.
    void ApplyLook();
    // After a theme change: a menu whose items are owner-drawn while owner
    // drawing is now off is re-created as a copy (a bar re-attached to its
    // window), then the look applied and a bar redrawn.
    void ApplyTheme();
    // After a UI font change: re-created as a copy, when owner-drawn.
    void Rebuild();

    HMENU Handle() const noexcept { return m_menu; }
    bool IsPlain() const noexcept { return m_plain; }
    void SetPlain(bool plain) noexcept { m_plain = plain; }
    bool IsOwned() const noexcept { return m_menu != nullptr && !m_notOwned; }
    // Registered as a window's menu bar.
    bool IsBar() const;

protected:
    // Sets or clears MFT_OWNERDRAW on the items that differ, recursing into
    // the submenus of changed items.
    void SetOwnerDrawFlags();
    bool CopyItems(const mvMenu& other);
    // Replaces the handle with a copy of itself, re-attaching a bar.
    bool Recreate();
    void ReleaseHandle();
    // Holds a new owned menu in place of the held one.
    bool Adopt(HMENU menu);
    bool InsertAt(UINT position, UINT id, const wchar_t* text, HMENU submenu);

    friend class mvMenuMap;

    HMENU m_menu = nullptr;
    bool m_notOwned = false;
    bool m_plain = false;
};

// The registry: every wrapper by its handle, and the menu bars with the
// window each is attached to.
class mvMenuMap {
public:
    mvMenuMap();
    mvMenuMap(const mvMenuMap&) = delete;
    mvMenuMap& operator=(const mvMenuMap&) = delete;
    // Destroys the owned handles and deletes the viewing wrappers.
    ~mvMenuMap();

    static mvMenuMap& Get();

    mvMenu* Find(HMENU menu) const;
    // The first registered menu with an item (any position) of that id.
    mvMenu* FindByItemId(UINT id) const;
    // Enters a menu bar and its window; a null handle is ignored. The caller
    // attaches it with SetMenu.
    void Insert(HMENU bar, HWND window);
    // The window of a registered bar, or null.
    HWND BarWindow(HMENU bar) const;

    void Register(HMENU menu, mvMenu* wrapper);
    void Unregister(HMENU menu, const mvMenu* wrapper);
    void RemoveBar(HMENU bar);
    // The wrappers that own their handles.
    std::vector<mvMenu*> OwningWrappers() const;

private:
    std::map<HMENU, mvMenu*> m_menus;
    std::map<HMENU, HWND> m_bars;
};

inline void RegisterMenuBar(HMENU bar, HWND window) {
    mvMenuMap::Get().Insert(bar, window);
}

// ApplyTheme for every owning wrapper (after a colour theme was applied).
void ApplyThemeToMenus();
// Rebuild for every owning wrapper when the UI font differs from the one the
// menus last saw.
void RefreshMenusForFont();

// The menus' "Menu" visual-style data, opened again (the previous closed);
// the main window calls it when the system's visual style changes. Null when
// the system has none.
HTHEME ReopenMenuTheme();

// The shared off-screen DC for item painting, its bitmap at least
// width x height; null when it cannot be made.
HDC GetMenuMemDC(int width, int height);
