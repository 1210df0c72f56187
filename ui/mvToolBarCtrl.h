// The themed toolbar: it keeps its own normal, disabled and hot image lists,
// deriving the disabled image by a grey colour matrix and the hot image by a
// brightness change, and refuses image and string sources from outside.
#pragma once

#include "foundation/Handles.h"
#include "ui/BufferedPaint.h"
#include "ui/mvWnd.h"

#include <windows.h>
#include <commctrl.h>

class mvToolBarCtrl : public mvWnd, public mvtheme_control {
public:
    mvToolBarCtrl() = default;
    ~mvToolBarCtrl() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnAttached() override { m_pressedDropDown = -1; }
    // Paints the visible separators in the theme colours.
    void Draw(HDC dc, const RECT* rect, LPARAM param) override;
    // Custom drawing of the buttons in the theme colours.
    bool OnReflectNotify(NMHDR* header, LRESULT* result) override;
    virtual void SetIndent(int pixels);

    // The toolbar child (id 1001) with its styles, font and indent 5.
    bool Create(HWND parent);
    // Makes the three lists at the size (unless the normal list exists and
    // `force` is off) and hands them to the window.
    void CreateImageLists(int width, int height, bool force);
    // Adds a strip of images to the three lists; the index of the first in
    // the normal list, or -1 (the lists then stay as they were).
    int AddBitmap(HBITMAP image, HBITMAP mask);
    // Appends a button (command 0: a separator); its index, or -1.
    int AddButton(int command, int image, const wchar_t* text, BYTE style, BYTE state);
    bool SetButtonText(int command, const wchar_t* text);

    // True when the point (client coordinates) lies in the drop-down part
    // of the button; a rectangle the control cannot give counts as none.
    bool InDropDownPart(int index, POINT point) const;

    int m_pressedDropDown = -1;
    ImageListHandle m_normal;
    ImageListHandle m_disabled;
    ImageListHandle m_hot;

private:
    bool OwnsList(LPARAM list) const;
    // Adds one image with its mask (or masked by black) to a list.
    int AddToList(HIMAGELIST list, HBITMAP image, HBITMAP mask);
};
