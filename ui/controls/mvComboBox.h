// Combo boxes: mvComboBox wraps a native "ComboBox" window. In the system look
// the native control draws its items and only the closed control's frame
// follows the visual styles; in the library's own colours the combo must be
// an owner-drawn combo with strings, and since that style cannot change on a
// live window the combo is re-created whenever the look changes, its items
// and settings carried over and the new window announced to the parent with
// the registered message "WM_MVCOMBOBOX_RECREATED" (wParam = control id).
// mvComboBoxEx wraps an extended combo box, whose inner combo draws the item
// images. UI thread only.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvstring.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/core/WindowHolders.h"
#include "ui/controls/mvEdit.h"
#include "ui/core/mvWnd.h"

#include <windows.h>
#include <commctrl.h>

class mvComboBox : public mvWnd, public mvtheme_control {
public:
    // The combo's drop-down list window.
    class _ListBox : public mvWnd {
    public:
        explicit _ListBox(mvComboBox* combo) : m_combo(combo) {}
        ~_ListBox() override;
        // WM_HELP goes to the application's help; in the own colours the
        // list's border is painted after the native non-client painting.
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

        mvComboBox* m_combo;
    };

    mvComboBox();
    ~mvComboBox() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override;
    // Draws a list item (or the selection field) in the current look.
    void OnReflectDrawItem(DRAWITEMSTRUCT* item) override;
    // The item heights are set from the font instead.
    void OnReflectMeasureItem(MEASUREITEMSTRUCT*) override {}
    // Keeps the order of insertion: compares the two indexes.
    int OnReflectCompareItem(COMPAREITEMSTRUCT* item) override;
    // No background brush for an owner-drawn combo: it paints itself.
    void OnReflectCtlColor(HDC dc, LRESULT* result) override;
    // Paints the closed control.
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;

    virtual bool HasImages() const { return false; }
    // True when the window's owner-draw styles do not suit the current look.
    virtual bool NeedsRecreate() const;
    // Draws what stands left of the item text and moves the rectangle's left
    // edge past it; `item` is null for the closed control.
    virtual void DrawItemContent(HDC dc, RECT* rect, const DRAWITEMSTRUCT* item) {}
    // The text of the item; empty for none.
    virtual mvstring ItemText(int index) const;

    // Replaces the window by one with the styles of the current look,
    // carrying items and settings over (item data are not). False, leaving
    // the object without a window, when the new window cannot be made.
    bool Recreate();
    bool IsOwnerDrawnFixed() const;
    // The registered "WM_MVCOMBOBOX_RECREATED".
    static UINT RecreatedMessage();

    _ListBox m_list;
    mvEdit m_edit; // the edit part, bound only by users of the control
    ThemeHandle m_theme;
    bool m_themeOpened = false;
    LRESULT m_uiState = 0;
    int m_dropHeight = 0; // drop-down height in pixels; 0 until measured
    // The cue last set, kept for controls that cannot report it back.
    mvstring m_cue;

private:
    void SetItemHeights();
    void Refresh();
    HTHEME Theme();
};

// Creates a "ComboBox" child with the style plus WS_VSCROLL, as high as the
// rectangle or, when that height is not positive, a third of the parent's
// monitor; sets the UI font and binds the object. False on failure.
bool CreateComboBoxWindow(mvComboBox& combo, HWND parent, int id, const RECT& rect, DWORD style);

// An extended combo box (an image per item); its inner combo draws them.
class mvComboBoxEx : public mvWnd, public mvtheme_control {
public:
    class _ComboBox : public mvComboBox {
    public:
        explicit _ComboBox(mvComboBoxEx* owner) : m_owner(owner) {}
        ~_ComboBox() override;
        bool HasImages() const override { return true; }
        void DrawItemContent(HDC dc, RECT* rect, const DRAWITEMSTRUCT* item) override;
        // Asked of the extended combo, which may ask its parent.
        mvstring ItemText(int index) const override;

        mvComboBoxEx* m_owner;
        ImageListHandle m_images; // also set in the extended combo
        int m_imageCx = 0;
        int m_imageCy = 0;
    };

    mvComboBoxEx() : m_combo(this) {}
    ~mvComboBoxEx() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override;
    void Draw(HDC, const RECT*, LPARAM) override {}

    // Takes ownership of the image list and gives it to the window; null
    // removes and destroys the list held.
    void SetImageList(HIMAGELIST images);
    HWND EditWindow() const;

    _ComboBox m_combo;
};

// Creates a "ComboBoxEx32" child (style plus WS_VSCROLL, height as for
// CreateComboBoxWindow), sets the UI font and binds the object. False on
// failure.
bool CreateComboBoxExWindow(mvComboBoxEx& combo, HWND parent, int id, const RECT& rect,
                            DWORD style);
