// One GDI+ bitmap: loaded from a PNG resource or a GDI bitmap, converted
// back to a 32-bit DIB section with alpha, recoloured through a colour
// matrix, and drawn in part or whole.
#pragma once

#include "ui/theme/GdiHolders.h"

#include <windows.h>

// A 5 x 5 row-major colour matrix as GDI+ takes it: rows red, green, blue,
// alpha, translation.
struct mvColorMatrix {
    float m[5][5];
};

// The identity matrix with the alpha row scaled.
mvColorMatrix AlphaMatrix(float alpha);
// The grey matrix of disabled images: luminance weights, alpha 0.6.
const mvColorMatrix& GreyMatrix();

class mvimage {
public:
    mvimage() = default;
    mvimage(const mvimage&) = delete;
    mvimage& operator=(const mvimage&) = delete;
    virtual ~mvimage();

    // The PNG resource of the program's own module. False for a null or
    // empty name, a missing or empty resource, or an undecodable image.
    bool LoadPngResource(const wchar_t* name);
    // Copies the pixels of a bitmap as 32-bit ARGB; a bitmap whose pixels
    // carry no alpha at all is taken as opaque. False for a null bitmap or
    // one without a positive size; a failure after the old bitmap was
    // changed leaves none.
    bool FromHBitmap(HBITMAP bitmap);
    // A copy of the other image's bitmap; false when it holds none.
    bool CopyFrom(const mvimage& other);
    // Writes the part (whole image for null; clipped to the image) into a
    // 32-bit bottom-up DIB section, re-created at the part's size when
    // needed; pixels with alpha 0 become 0. False without a bitmap (the
    // target's bitmap is then deleted).
    bool ToHBitmap(mvGdiBitmap& target, const RECT* source);
    // Draws the source part (whole image for null) into the destination
    // (the source rectangle for null) in pixel units, through the colour
    // matrix when one is given. False without a bitmap or DC.
    bool DrawRect(HDC dc, const RECT* destination, const RECT* source,
                  const mvColorMatrix* matrix = nullptr);
    // Recolours the whole image through the matrix. False without a bitmap.
    bool ApplyColorMatrix(const mvColorMatrix& matrix);
    // Changes the brightness (-255 to 255) with the system's effect, or,
    // where the system lacks effects, by the same offset on every colour
    // channel through a colour matrix. False without a bitmap.
    bool ApplyBrightness(int brightness);
    // Releases the bitmap.
    void Reset();

    bool IsLoaded() const noexcept { return m_bitmap != nullptr; }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }

private:
    void Adopt(void* bitmap);

    void* m_bitmap = nullptr; // GpBitmap, owned
    int m_width = 0;
    int m_height = 0;
};
