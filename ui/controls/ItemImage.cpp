#include "ui/controls/ItemImage.h"

#include "ui/controls/mvImage.h"

#include <shellapi.h>

int ImageListForView(int view, bool hasExtraLarge) noexcept {
    switch (view) {
    case ViewIcons:
        return SHIL_LARGE;
    case ViewLargeIcons:
        return SHIL_EXTRALARGE;
    case ViewTiles:
        return hasExtraLarge ? SHIL_EXTRALARGE : SHIL_LARGE;
    default:
        return SHIL_SMALL;
    }
}

void DrawItemImage(HDC dc, const RECT& rect, HIMAGELIST list, int icon, int overlay,
                   HBITMAP thumbnail, bool cut) {
    if (dc == nullptr)
        return;
    const UINT style = cut ? ILD_BLEND50 : ILD_NORMAL;
    const int cx = rect.right - rect.left;
    const int cy = rect.bottom - rect.top;
    if (thumbnail != nullptr) {
        mvimage image;
        if (image.FromHBitmap(thumbnail)) {
            const int left = rect.left + cx / 2 - image.Width() / 2;
            const int top = rect.top + cy / 2 - image.Height() / 2;
            const RECT to = {left, top, left + image.Width(), top + image.Height()};
            const mvColorMatrix half = AlphaMatrix(0.5f);
            image.DrawRect(dc, &to, nullptr, cut ? &half : nullptr);
        }
    } else if (list != nullptr) {
        ImageList_DrawEx(list, icon, dc, rect.left, rect.top, cx, cy, CLR_NONE, CLR_NONE, style);
    }
    if (overlay >= 0 && list != nullptr)
        ImageList_DrawEx(list, overlay, dc, rect.left, rect.top, cx, cy, CLR_NONE, CLR_NONE, style);
}
