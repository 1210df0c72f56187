// Buffered painting of owner-drawn windows: each face is drawn into an
// off-screen memory DC and copied to the screen in one block; when the
// window's state changes, the new face cross-fades from the previous one
// through the system's buffered animation. mvtheme_control adds the message
// handling every themed window shares. UI thread only.
#pragma once

#include "foundation/Handles.h"
#include "ui/theme/GdiHolders.h"

#include <windows.h>
#include <uxtheme.h>

// The buffered-paint functions of UxTheme.dll, looked up by name once; a
// missing one is null.
struct BufferedPaintApi {
    HRESULT(WINAPI* Init)();
    HRESULT(WINAPI* UnInit)();
    HANIMATIONBUFFER(WINAPI* BeginAnimation)
    (HWND, HDC, const RECT*, BP_BUFFERFORMAT, BP_PAINTPARAMS*, BP_ANIMATIONPARAMS*, HDC*, HDC*);
    BOOL(WINAPI* RenderAnimation)(HWND, HDC);
    HRESULT(WINAPI* EndAnimation)(HANIMATIONBUFFER, BOOL);
    HRESULT(WINAPI* StopAllAnimations)(HWND);
};

// The functions in use: the system's, or those a test put in their place.
const BufferedPaintApi& GetBufferedPaintApi();
// Replaces the functions (null: the system's again). Some systems give no
// animation at all; tests use this to reach both branches.
void SetBufferedPaintApi(const BufferedPaintApi* api);
// Stops the buffered animations of the window; nothing when unavailable.
void BufferedPaintStopAllAnimationsDyn(HWND hwnd);

// The off-screen surface: a memory DC and its bitmap, which only grows.
class mvMemDC {
public:
    mvMemDC() = default;
    mvMemDC(const mvMemDC&) = delete;
    mvMemDC& operator=(const mvMemDC&) = delete;
    ~mvMemDC() { Release(); }

    // A memory DC (made like `target`, with its font and a transparent
    // background) whose bitmap is at least cx x cy. Null when the DC or the
    // bitmap cannot be had; everything is then released.
    HDC Prepare(HDC target, int cx, int cy);
    // Gives the bitmap and the DC back.
    void Release();

    HDC Dc() const noexcept { return m_dc.Get(); }
    const mvGdiBitmap& Bitmap() const noexcept { return m_bitmap; }
    SIZE Used() const noexcept { return m_used; }

    bool m_dib = false; // 32-bit DIB section instead of a compatible bitmap

private:
    bool CreateBitmap(HDC target, int cx, int cy);

    MemoryDC m_dc;
    mvGdiBitmap m_bitmap;
    HGDIOBJ m_previous = nullptr;
    SIZE m_used = {};
};

class mvabdraw {
public:
    mvabdraw();
    mvabdraw(const mvabdraw&) = delete;
    mvabdraw& operator=(const mvabdraw&) = delete;
    virtual ~mvabdraw();

    // Paints a running animation's frame, or starts a cross-fade from the
    // last face to the new one. False when nothing was animated.
    virtual bool AnimatePaint(HWND hwnd, HDC target, const RECT* rect, LPARAM param);
    // Draws the face into the DC over the rectangle.
    virtual void Draw(HDC dc, const RECT* rect, LPARAM param) = 0;

    // Draws the face off-screen and copies it to the target at the
    // rectangle, cross-fading from the last face unless `noAnimation`.
    void PaintBuffered(HWND hwnd, HDC target, const RECT* rect, LPARAM param, bool noAnimation);

    mvMemDC m_memDC;
    // The memory DC holds the last face drawn, so the next state change
    // can cross-fade from it.
    bool m_frameValid = false;
};

// Draws and measures the owner-drawn menu items of themed windows; set by
// the menu code (null: menus are left to the system).
struct ThemedMenuHooks {
    bool (*DrawItem)(DRAWITEMSTRUCT* item) = nullptr;
    void (*MeasureItem)(MEASUREITEMSTRUCT* item, HMENU currentPopup) = nullptr;
};
ThemedMenuHooks& GetThemedMenuHooks();

class mvtheme_control : public mvabdraw {
public:
    mvtheme_control();

    // The handling all themed windows share: a resize, focus loss, font
    // change or destruction stops the animations and forgets the last face;
    // owner-drawn menu items are drawn and measured; the pop-up menu being
    // shown is remembered. True when handled; `result` is then the answer.
    bool HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // The text height of the font (average letter width into `averageWidth`
    // when given); the three UI fonts are measured once.
    static int GetTextHeight(HFONT font, int* averageWidth = nullptr);
};

// WM_PAINT of a window that paints its whole client area through its face:
// only when the window has an update region. False when it had none.
bool PaintUpdatedClient(HWND hwnd, mvabdraw& face, HFONT font);

// Buffered painting of the client area, an erase that leaves the painting
// to it, and printing into a given DC. False for other messages.
bool PaintBufferedMessage(HWND hwnd, mvabdraw& face, HFONT font, UINT message, WPARAM wParam,
                          bool noAnimation, LRESULT* result);
