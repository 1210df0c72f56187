// The themed toolbar: it keeps its own normal, disabled and hot image lists,
// deriving the disabled image by a grey colour matrix and the hot image by a
// brightness change, refuses image and string sources from outside, paints
// its buttons, separators and drop-down arrows in the theme colours, and
// draws its tooltip as the library's tooltip.
#pragma once

#include "foundation/Handles.h"
#include "ui/theme/BufferedPaint.h"
#include "ui/controls/ToolTip.h"
#include "ui/core/WindowHolders.h"
#include "ui/core/mvWnd.h"

#include <windows.h>
#include <commctrl.h>

class mvToolBarCtrl : public mvWnd, public mvtheme_control {
public:
    mvToolBarCtrl() = default;
    // A window that outlives the object keeps its tooltip and lets go of the
    // image lists destroyed with the object.
    ~mvToolBarCtrl() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override { m_pressedDropDown = -1; }
    // Paints the visible separators in the theme colours.
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;
    // Custom drawing of the buttons in the theme colours.
    bool OnReflectNotify(NMHDR* header, LRESULT* result) override;
    virtual void SetIndent(int pixels);

    // The toolbar child (id 1001) with its styles, font and indent 5; its
    // tooltip window is bound to m_toolTip.
    bool Create(HWND parent);
    // Makes the three lists at the size (unless the normal list exists and
    // `force` is off) and hands them to the window.
    void CreateImageLists(int width, int height, bool force);
    // Adds a strip of images to the three lists; the index of the first in
    // the normal list, or -1 (the lists then stay as they were).
    int AddBitmap(HBITMAP image, HBITMAP mask);
    // Adds the icon, at the lists' size, with its grey and hot forms (the
    // lists are made at the icon's size when missing). Its index, or -1
    // without window or icon, for an icon without a positive size, or when
    // an image cannot be added (the lists then stay as they were).
    int AddIcon(HICON icon);
    // Appends a button (command 0: a separator); its index, or -1.
    int AddButton(int command, int image, const wchar_t* text, BYTE style, BYTE state);
    bool SetButtonText(int command, const wchar_t* text);

    // The drop-down part of the button at the index (client coordinates);
    // empty when the control cannot give it.
    RECT DropDownPart(int index) const;
    // True when the point (client coordinates) lies in the drop-down part
    // of the button.
    bool InDropDownPart(int index, POINT point) const;

    int m_pressedDropDown = -1;
    ImageListHandle m_normal;
    ImageListHandle m_disabled;
    ImageListHandle m_hot;
    mvToolTipCtrl m_toolTip;

private:
    bool OwnsList(LPARAM list) const;
    // Adds one image with its mask (or masked by black) to a list.
    int AddToList(HIMAGELIST list, HBITMAP image, HBITMAP mask);
    // The face, frame (kNoColor: none) and text colours of an item state.
    struct ItemColours {
        COLORREF face;
        COLORREF border;
        COLORREF text;
    };
    static ItemColours ColoursFor(UINT itemState);
    // The drop-down part of the item after its native painting.
    void DrawDropDownPart(NMTBCUSTOMDRAW* draw, ItemColours colours);
};
