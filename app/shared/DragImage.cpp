#include "app/shared/DragImage.h"

#include "foundation/Handles.h"
#include "search/FoundItem.h"
#include "search/ShellTypeCache.h"
#include "ui/controls/ItemImage.h"
#include "ui/core/WindowHolders.h"
#include "ui/theme/UiTheme.h"

#include <shlguid.h>
#include <shlobj.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

std::wstring CountText(std::size_t count) {
    return std::to_wstring(count);
}

// The shell's drag helper of this thread, made on first use.
IDragSourceHelper2* ThreadDragHelper() {
    thread_local ComHandle<IDragSourceHelper2> helper;
    thread_local bool tried = false;
    if (!tried) {
        tried = true;
        if (SUCCEEDED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_ALL,
                                       IID_IDragSourceHelper2,
                                       reinterpret_cast<void**>(helper.Put()))))
            helper.Get()->SetFlags(DSH_ALLOWDROPDESCRIPTIONTEXT);
    }
    return helper.Get();
}

void FillRect(HDC dc, const RECT& rect, int colour) {
    ::FillRect(dc, &rect, GetSysColorBrush(colour));
}

void PaintBadge(HDC dc, const DragImageLayout& layout, std::size_t count, HFONT font) {
    const std::wstring text = CountText(count);
    const HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    if (layout.badgeFilled) {
        FillRect(dc, layout.badge, COLOR_HIGHLIGHT);
        const GdiHandle<HBRUSH> frame(CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHTTEXT)));
        FrameRect(dc, &layout.badge, frame.Get());
    }
    RECT all{0, 0, layout.side, layout.side};
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    if (!layout.badgeFilled) {
        RECT shadow = all;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DDKSHADOW));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &shadow, format);
    }
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &all, format);
    SelectObject(dc, oldFont);
}

SIZE TextExtent(HDC dc, HFONT font, const std::wstring& text) {
    SIZE extent{};
    const HGDIOBJ old = SelectObject(dc, font);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    return extent;
}

} // namespace

DragImageLayout LayoutDragImage(int iconSize, std::size_t count, SIZE countText) {
    DragImageLayout layout;
    const int s = iconSize;
    const int c = s + 18;
    layout.side = c;
    layout.offset = {c / 2, c / 2 + s / 2};
    const int shown = static_cast<int>(std::min(count, kDragImageItems));
    const int shift = 2 * ((std::max(shown, 1) - 1) / 2);
    int at = (c - s) / 2 - shift;
    for (int i = 0; i < shown; ++i, at += 2)
        layout.squares.push_back({at, at, at + s, at + s});
    if (count >= 2) {
        int width = countText.cx + 8;
        const int height = countText.cy + 8;
        width = std::max(width, height);
        const int left = (c - width) / 2, top = (c - height) / 2;
        layout.badge = {left, top, left + width, top + height};
        layout.badgeFilled = s - 4 >= width;
    }
    return layout;
}

HBITMAP PaintDragImage(int iconSize, HIMAGELIST list, const std::vector<ItemImageParts>& images,
                       std::size_t count, HFONT font, DragImageLayout* painted) {
    const ScreenDC screen(GetDC(nullptr));
    const MemoryDC dc(CreateCompatibleDC(screen.Get()));
    if (!dc)
        return nullptr;
    const DragImageLayout layout =
        LayoutDragImage(iconSize, count, TextExtent(dc.Get(), font, CountText(count)));
    GdiHandle<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), layout.side, layout.side));
    if (!bitmap)
        return nullptr;
    const HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
    const RECT all{0, 0, layout.side, layout.side};
    if (const ThemeHandle theme(OpenThemeData(nullptr, L"DRAGDROP")); theme)
        DrawThemeBackground(theme.Get(), dc.Get(), DD_IMAGEBG, 0, &all, nullptr);
    // The squares go from the last shown item to the first, so the first
    // lies on top.
    const std::size_t shown = std::min(layout.squares.size(), images.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const ItemImageParts& image = images[shown - 1 - i];
        DrawItemImage(dc.Get(), layout.squares[i], list, image.icon, image.overlay,
                      image.thumbnail, false);
    }
    if (count >= 2)
        PaintBadge(dc.Get(), layout, count, font);
    SelectObject(dc.Get(), old);
    if (painted != nullptr)
        *painted = layout;
    return bitmap.Release();
}

bool MakeDragImage(IDataObject* data, const std::vector<const FoundItem*>& items) {
    IDragSourceHelper2* helper = ThreadDragHelper();
    if (helper == nullptr || items.empty())
        return false;
    ShellTypeCache& cache = GlobalIconLoadQueue().Cache();
    cache.Init();
    int list = SHIL_EXTRALARGE;
    int size = cache.IconSize(list);
    if (size == 0) {
        list = SHIL_LARGE;
        size = cache.IconSize(list);
    }
    if (size == 0)
        return false;
    std::vector<ItemImageParts> images;
    for (std::size_t i = 0; i < items.size() && i < kDragImageItems; ++i)
        images.push_back(GetItemImageParts(*items[i], list, cache));
    DragImageLayout layout;
    GdiHandle<HBITMAP> bitmap(
        PaintDragImage(size, reinterpret_cast<HIMAGELIST>(cache.GetImageList(list)), images,
                       items.size(), UiTheme::Get().fonts.normal.Get(), &layout));
    if (!bitmap)
        return false;
    SHDRAGIMAGE image{};
    image.sizeDragImage = {layout.side, layout.side};
    image.ptOffset = layout.offset;
    image.hbmpDragImage = bitmap.Get();
    image.crColorKey = CLR_NONE;
    if (FAILED(helper->InitializeFromBitmap(&image, data)))
        return false;
    // The helper owns the bitmap once it took it.
    (void)bitmap.Release();
    return true;
}
