#include "ui/controls/mvImage.h"

#include "foundation/Handles.h"
#include "ui/theme/GdiplusSession.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <objidl.h>
#include <shlwapi.h>
// GDI+'s headers rely on min and max being visible.
using std::max;
using std::min;
#include <gdiplus.h>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

GpBitmap* AsBitmap(void* bitmap) {
    return static_cast<GpBitmap*>(bitmap);
}

// 0 (Ok) when GDI+ runs; every public operation starts here.
bool GdiplusReady() {
    return GdiplusSession(false) != 0;
}

// The brightness and contrast effect of GDI+.
constexpr GUID kBrightnessContrastEffect = {
    0xD3A1DBE1, 0x8EC4, 0x4C17, {0x9F, 0x4C, 0xEA, 0x97, 0xAD, 0x1C, 0x34, 0x3D}};

} // namespace

mvColorMatrix AlphaMatrix(float alpha) {
    mvColorMatrix matrix = {};
    for (int i = 0; i < 5; ++i)
        matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = alpha;
    return matrix;
}

const mvColorMatrix& GreyMatrix() {
    static const mvColorMatrix grey = {{{0.299f, 0.299f, 0.299f, 0, 0},
                                        {0.587f, 0.587f, 0.587f, 0, 0},
                                        {0.114f, 0.114f, 0.114f, 0, 0},
                                        {0, 0, 0, 0.6f, 0},
                                        {0, 0, 0, 0, 1}}};
    return grey;
}

mvimage::~mvimage() {
    Reset();
}

void mvimage::Reset() {
    if (m_bitmap != nullptr)
        GdipDisposeImage(AsBitmap(m_bitmap));
    m_bitmap = nullptr;
    m_width = m_height = 0;
}

void mvimage::Adopt(void* bitmap) {
    Reset();
    UINT width = 0, height = 0;
    if (bitmap == nullptr || GdipGetImageWidth(AsBitmap(bitmap), &width) != Ok ||
        GdipGetImageHeight(AsBitmap(bitmap), &height) != Ok || width == 0 || height == 0) {
        if (bitmap != nullptr)
            GdipDisposeImage(AsBitmap(bitmap));
        return;
    }
    m_bitmap = bitmap;
    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
}

bool mvimage::LoadPngResource(const wchar_t* name) {
    Reset();
    if (name == nullptr || (!IS_INTRESOURCE(name) && name[0] == 0) || !GdiplusReady())
        return false;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, L"PNG");
    DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    HGLOBAL loaded = size != 0 ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return false;
    ComHandle<IStream> stream(SHCreateMemStream(static_cast<const BYTE*>(bytes), size));
    GpBitmap* decoded = nullptr;
    if (!stream || GdipCreateBitmapFromStream(stream.Get(), &decoded) != Ok || decoded == nullptr)
        return false;
    // A copy that no longer reads from the stream.
    UINT width = 0, height = 0;
    GdipGetImageWidth(decoded, &width);
    GdipGetImageHeight(decoded, &height);
    GpBitmap* copy = nullptr;
    GdipCloneBitmapAreaI(0, 0, static_cast<INT>(width), static_cast<INT>(height),
                         PixelFormat32bppARGB, decoded, &copy);
    GdipDisposeImage(decoded);
    Adopt(copy);
    return IsLoaded();
}

bool mvimage::FromHBitmap(HBITMAP bitmap) {
    BITMAP info = {};
    if (bitmap == nullptr || !GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 ||
        info.bmHeight == 0 || !GdiplusReady())
        return false;
    const int width = info.bmWidth;
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(header.bmiHeader);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    ScreenDC screen(GetDC(nullptr));
    if (GetDIBits(screen.Get(), bitmap, 0, height, pixels.data(), &header, DIB_RGB_COLORS) !=
        height)
        return false;
    // A bitmap without any alpha (a 24-bit bitmap, or 32-bit pixels all of
    // alpha 0) is opaque, not fully transparent.
    if (std::none_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; }))
        for (std::uint32_t& p : pixels)
            p |= 0xFF000000u;
    if (m_bitmap == nullptr || m_width != width || m_height != height) {
        GpBitmap* created = nullptr;
        GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &created);
        Adopt(created);
        if (!IsLoaded())
            return false;
    }
    GpRect all(0, 0, width, height);
    BitmapData data = {};
    if (GdipBitmapLockBits(AsBitmap(m_bitmap), &all, ImageLockModeWrite, PixelFormat32bppARGB,
                           &data) != Ok) {
        Reset();
        return false;
    }
    const size_t row = static_cast<size_t>(width) * 4;
    if (data.Stride == static_cast<INT>(row))
        memcpy(data.Scan0, pixels.data(), row * height);
    else
        for (int y = 0; y < height; ++y)
            memcpy(static_cast<BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                   pixels.data() + static_cast<size_t>(y) * width, row);
    GdipBitmapUnlockBits(AsBitmap(m_bitmap), &data);
    return true;
}

bool mvimage::CopyFrom(const mvimage& other) {
    Reset();
    if (!other.IsLoaded())
        return false;
    GpBitmap* copy = nullptr;
    GdipCloneBitmapAreaI(0, 0, other.m_width, other.m_height, PixelFormat32bppARGB,
                         AsBitmap(other.m_bitmap), &copy);
    Adopt(copy);
    return IsLoaded();
}

bool mvimage::ToHBitmap(mvGdiBitmap& target, const RECT* source) {
    if (!IsLoaded()) {
        target.Reset();
        return false;
    }
    RECT part = source != nullptr ? *source : RECT{0, 0, m_width, m_height};
    const RECT image = {0, 0, m_width, m_height};
    if (!IntersectRect(&part, &part, &image))
        return false;
    const int width = part.right - part.left;
    const int height = part.bottom - part.top;
    if (!target || target.Width() != width || target.Height() != height)
        if (target.CreateDIB(width, height, nullptr) == nullptr || target.Bits() == nullptr)
            return false;
    GpRect area(part.left, part.top, width, height);
    BitmapData data = {};
    if (GdipBitmapLockBits(AsBitmap(m_bitmap), &area, ImageLockModeRead, PixelFormat32bppARGB,
                           &data) != Ok)
        return false;
    auto* bits = static_cast<std::uint32_t*>(target.Bits());
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(
            static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride);
        std::uint32_t* to = bits + static_cast<size_t>(height - 1 - y) * width; // bottom-up
        for (int x = 0; x < width; ++x)
            to[x] = (from[x] >> 24) == 0 ? 0 : from[x];
    }
    GdipBitmapUnlockBits(AsBitmap(m_bitmap), &data);
    GdiFlush();
    return true;
}

bool mvimage::DrawRect(HDC dc, const RECT* destination, const RECT* source,
                       const mvColorMatrix* matrix) {
    if (!IsLoaded() || dc == nullptr)
        return false;
    const RECT from = source != nullptr ? *source : RECT{0, 0, m_width, m_height};
    const RECT to = destination != nullptr ? *destination : from;
    GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) != Ok)
        return false;
    GdipSetPageUnit(graphics, UnitPixel);
    GpImageAttributes* attributes = nullptr;
    if (matrix != nullptr && GdipCreateImageAttributes(&attributes) == Ok)
        GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeDefault, TRUE,
                                          reinterpret_cast<const ColorMatrix*>(matrix), nullptr,
                                          ColorMatrixFlagsDefault);
    GpStatus status =
        GdipDrawImageRectRectI(graphics, AsBitmap(m_bitmap), to.left, to.top, to.right - to.left,
                               to.bottom - to.top, from.left, from.top, from.right - from.left,
                               from.bottom - from.top, UnitPixel, attributes, nullptr, nullptr);
    if (attributes != nullptr)
        GdipDisposeImageAttributes(attributes);
    GdipDeleteGraphics(graphics);
    return status == Ok;
}

bool mvimage::ApplyColorMatrix(const mvColorMatrix& matrix) {
    if (!IsLoaded())
        return false;
    // Drawn through the matrix into a fresh bitmap of the same size.
    GpBitmap* result = nullptr;
    if (GdipCreateBitmapFromScan0(m_width, m_height, 0, PixelFormat32bppARGB, nullptr, &result) !=
        Ok)
        return false;
    GpGraphics* graphics = nullptr;
    GpImageAttributes* attributes = nullptr;
    bool ok =
        GdipGetImageGraphicsContext(result, &graphics) == Ok &&
        GdipCreateImageAttributes(&attributes) == Ok &&
        GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeDefault, TRUE,
                                          reinterpret_cast<const ColorMatrix*>(&matrix), nullptr,
                                          ColorMatrixFlagsDefault) == Ok &&
        GdipSetCompositingMode(graphics, CompositingModeSourceCopy) == Ok &&
        GdipDrawImageRectRectI(graphics, AsBitmap(m_bitmap), 0, 0, m_width, m_height, 0, 0, m_width,
                               m_height, UnitPixel, attributes, nullptr, nullptr) == Ok;
    if (attributes != nullptr)
        GdipDisposeImageAttributes(attributes);
    if (graphics != nullptr)
        GdipDeleteGraphics(graphics);
    if (!ok) {
        GdipDisposeImage(result);
        return false;
    }
    Adopt(result);
    return IsLoaded();
}

bool mvimage::ApplyBrightness(int brightness) {
    if (!IsLoaded())
        return false;
    CGpEffect* effect = nullptr;
    if (GdipCreateEffect(kBrightnessContrastEffect, &effect) == Ok && effect != nullptr) {
        BrightnessContrastParams params = {brightness, 0};
        bool ok = GdipSetEffectParameters(effect, &params, sizeof(params)) == Ok &&
                  GdipBitmapApplyEffect(AsBitmap(m_bitmap), effect, nullptr, FALSE, nullptr,
                                        nullptr) == Ok;
        GdipDeleteEffect(effect);
        if (ok)
            return true;
    }
    mvColorMatrix shift = AlphaMatrix(1.0f);
    for (int channel = 0; channel < 3; ++channel)
        shift.m[4][channel] = static_cast<float>(brightness) / 255.0f;
    return ApplyColorMatrix(shift);
}
