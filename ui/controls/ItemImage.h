// The image of one result row: the view modes of the results list, the
// shell image list each of them shows, and the painting of an item's
// thumbnail or icon with its overlay. The search side says what the image
// is made of; this is where it is drawn. UI thread only.
#pragma once

#include <windows.h>
#include <commctrl.h>

// View-mode codes of the results list.
enum ViewMode : int {
    ViewSmallIcons = 0,
    ViewIcons = 1,
    ViewLargeIcons = 2,
    ViewList = 3,
    ViewDetails = 4,
    ViewTiles = 5,
};

// The shell image list (SHIL_) the view shows: small icons for the list,
// details and any unknown view; tiles the extra-large list when the shell
// has one, else the large.
int ImageListForView(int view, bool hasExtraLarge) noexcept;

// Paints the thumbnail (centred in the rectangle) when there is one, else
// the icon of the list, then the overlay (-1: none) over either; a cut item
// half transparent. Nothing without a device context, nor an icon or overlay
// without a list.
void DrawItemImage(HDC dc, const RECT& rect, HIMAGELIST list, int icon, int overlay,
                   HBITMAP thumbnail, bool cut);
