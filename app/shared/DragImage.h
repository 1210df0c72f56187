// The picture that follows the cursor when results are dragged out: up to
// four item images stacked two pixels apart, the first on top, with the
// number of items on a badge when there are several. UI thread only.
#pragma once

#include "search/IconLoader.h"

#include <windows.h>
#include <commctrl.h>
#include <objidl.h>

#include <cstddef>
#include <vector>

struct FoundItem;

// How many item images a drag image shows at most.
inline constexpr std::size_t kDragImageItems = 4;

struct DragImageLayout {
    int side = 0;              // the bitmap is a square of this side
    POINT offset{};            // where in it the cursor holds the image
    std::vector<RECT> squares; // icon squares in drawing order: the last shown item's first
    RECT badge{};              // the count's box; empty below two items
    bool badgeFilled = false;  // a filled, framed box; else the count is only shadowed
};

// The layout for icons of `iconSize` pixels, `count` items and the extent
// of the count's text in the font it is drawn with.
DragImageLayout LayoutDragImage(int iconSize, std::size_t count, SIZE countText);

// The drag image of `count` items, of which `images` are the first shown
// (at most kDragImageItems), painted from `list` with the count in `font`
// into a new bitmap compatible with the screen; `layout` (optional) gets
// the layout it was painted by. Null on failure.
HBITMAP PaintDragImage(int iconSize, HIMAGELIST list, const std::vector<ItemImageParts>& images,
                       std::size_t count, HFONT font, DragImageLayout* layout = nullptr);

// Hands the drag image of the items to the shell's drag helper for `data`,
// from the system image list of the process-wide type cache. False when
// there is no helper or icon size, or the helper refuses the bitmap.
bool MakeDragImage(IDataObject* data, const std::vector<const FoundItem*>& items);
