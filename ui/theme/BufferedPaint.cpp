#include "ui/theme/BufferedPaint.h"

#include "foundation/OptionalProc.h"
#include "foundation/TextMetrics.h"
#include "ui/theme/UiTheme.h"
#include "ui/core/mvApp.h"

#include <algorithm>
#include <map>

namespace {

const BufferedPaintApi* g_apiOverride = nullptr;
LONG g_liveObjects = 0;

template <typename F> void Load(const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(LoadOptionalProc(L"UxTheme.dll", name)));
}

const BufferedPaintApi& SystemApi() {
    static const BufferedPaintApi api = [] {
        BufferedPaintApi loaded{};
        Load("BufferedPaintInit", loaded.Init);
        Load("BufferedPaintUnInit", loaded.UnInit);
        Load("BeginBufferedAnimation", loaded.BeginAnimation);
        Load("BufferedPaintRenderAnimation", loaded.RenderAnimation);
        Load("EndBufferedAnimation", loaded.EndAnimation);
        Load("BufferedPaintStopAllAnimations", loaded.StopAllAnimations);
        return loaded;
    }();
    return api;
}

// The text metrics of the UI fonts, forgotten when the normal UI font
// changes.
struct TextMetricsCache {
    std::map<HFONT, std::pair<int, int>> metrics; // height, average width
    HFONT normalFont = nullptr;
};

TextMetricsCache& MetricsCache() {
    static TextMetricsCache cache;
    return cache;
}

int Measure(HFONT font, int* averageWidth) {
    int width = 0;
    int height = 0;
    const ScreenDC screen(GetDC(nullptr));
    if (screen) {
        const HGDIOBJ old = SelectObject(screen.Get(), font);
        height = MeasureAverageChar(screen.Get(), &width);
        SelectObject(screen.Get(), old);
    }
    if (averageWidth != nullptr)
        *averageWidth = width;
    return height;
}

} // namespace

const BufferedPaintApi& GetBufferedPaintApi() {
    return g_apiOverride != nullptr ? *g_apiOverride : SystemApi();
}

void SetBufferedPaintApi(const BufferedPaintApi* api) {
    g_apiOverride = api;
}

void BufferedPaintStopAllAnimationsDyn(HWND hwnd) {
    const BufferedPaintApi& api = GetBufferedPaintApi();
    if (api.StopAllAnimations != nullptr && hwnd != nullptr)
        api.StopAllAnimations(hwnd);
}

// --- mvMemDC ---

bool mvMemDC::CreateBitmap(HDC target, int cx, int cy) {
    return (m_dib ? m_bitmap.CreateDIB(cx, cy, target)
                  : m_bitmap.CreateCompatible(cx, cy, target)) != nullptr;
}

HDC mvMemDC::Prepare(HDC target, int cx, int cy) {
    if (!m_dc) {
        Release();
        m_dc.Assign(CreateCompatibleDC(target));
        if (!m_dc)
            return nullptr;
        if (target != nullptr)
            SelectObject(m_dc.Get(), GetCurrentObject(target, OBJ_FONT));
        SetBkMode(m_dc.Get(), TRANSPARENT);
        if (!CreateBitmap(target, std::max(cx, 1), std::max(cy, 1))) {
            m_dc.Reset();
            return nullptr;
        }
        m_previous = SelectObject(m_dc.Get(), m_bitmap.Get());
    }
    if (cx <= 0 || cy <= 0)
        return m_dc.Get();
    if (m_bitmap.Width() >= cx && m_bitmap.Height() >= cy) {
        m_used = {cx, cy};
        return m_dc.Get();
    }
    // Grows in each dimension on its own, so that a control that gets wider
    // but lower keeps its height and is not re-created at every change.
    mvGdiBitmap larger;
    const int width = std::max(cx, m_bitmap.Width());
    const int height = std::max(cy, m_bitmap.Height());
    if ((m_dib ? larger.CreateDIB(width, height, target)
               : larger.CreateCompatible(width, height, target)) == nullptr) {
        Release();
        return nullptr;
    }
    SelectObject(m_dc.Get(), larger.Get());
    m_bitmap = std::move(larger);
    m_used = {cx, cy};
    return m_dc.Get();
}

void mvMemDC::Release() {
    if (m_dc && m_previous != nullptr)
        SelectObject(m_dc.Get(), m_previous);
    m_previous = nullptr;
    m_bitmap.Reset();
    m_dc.Reset();
    m_used = {};
}

// --- mvabdraw ---

mvabdraw::mvabdraw() {
    if (InterlockedIncrement(&g_liveObjects) == 1) {
        const BufferedPaintApi& api = GetBufferedPaintApi();
        if (api.Init != nullptr)
            api.Init();
    }
}

mvabdraw::~mvabdraw() {
    if (InterlockedDecrement(&g_liveObjects) == 0) {
        const BufferedPaintApi& api = GetBufferedPaintApi();
        if (api.UnInit != nullptr)
            api.UnInit();
    }
    m_memDC.Release();
}

void mvabdraw::PaintBuffered(HWND hwnd, HDC target, const RECT* rect, LPARAM param,
                             bool noAnimation) {
    if (target == nullptr || rect == nullptr)
        return;
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    HDC memory = m_memDC.Prepare(target, width, height);
    if (m_frameValid && !noAnimation && AnimatePaint(hwnd, target, rect, param))
        return;
    if (memory == nullptr) {
        Draw(target, rect, param);
        return;
    }
    SelectObject(memory, GetCurrentObject(target, OBJ_FONT));
    const RECT origin = {0, 0, width, height};
    Draw(memory, &origin, param);
    BitBlt(target, rect->left, rect->top, width, height, memory, 0, 0, SRCCOPY);
    m_frameValid = true;
}

bool mvabdraw::AnimatePaint(HWND hwnd, HDC target, const RECT* rect, LPARAM param) {
    if (hwnd == nullptr || rect == nullptr)
        return false;
    const BufferedPaintApi& api = GetBufferedPaintApi();
    if (api.RenderAnimation != nullptr && api.RenderAnimation(hwnd, target))
        return true;
    HDC memory = m_memDC.Dc();
    if (!m_frameValid || memory == nullptr || target == memory || api.BeginAnimation == nullptr ||
        api.EndAnimation == nullptr)
        return false;

    BP_ANIMATIONPARAMS animation = {sizeof animation, 0, BPAS_LINEAR, 200};
    HDC from = nullptr;
    HDC to = nullptr;
    HANIMATIONBUFFER buffer = api.BeginAnimation(hwnd, target, rect, BPBF_COMPATIBLEBITMAP, nullptr,
                                                 &animation, &from, &to);
    if (buffer == nullptr)
        return false;
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;
    if (from != nullptr)
        BitBlt(from, rect->left, rect->top, width, height, memory, 0, 0, SRCCOPY);
    if (to != nullptr) {
        SelectObject(to, GetCurrentObject(target, OBJ_FONT));
        SetBkMode(to, TRANSPARENT);
        // The animation's DCs use the target's coordinates.
        Draw(to, rect, param);
        BitBlt(memory, 0, 0, width, height, to, rect->left, rect->top, SRCCOPY);
    }
    api.EndAnimation(buffer, TRUE);
    return true;
}

// --- mvtheme_control ---

ThemedMenuHooks& GetThemedMenuHooks() {
    static ThemedMenuHooks hooks;
    return hooks;
}

mvtheme_control::mvtheme_control() {
    m_memDC.m_dib = true;
}

bool mvtheme_control::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    LRESULT* result) {
    switch (message) {
    case WM_DESTROY:
        BufferedPaintStopAllAnimationsDyn(hwnd);
        m_frameValid = false;
        return false;
    case WM_SIZE:
    case WM_KILLFOCUS:
    case WM_SETFONT:
        BufferedPaintStopAllAnimationsDyn(hwnd);
        m_frameValid = false;
        if (hwnd != nullptr && IsWindowVisible(hwnd))
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE);
        return false;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        const ThemedMenuHooks& hooks = GetThemedMenuHooks();
        if (item == nullptr || item->CtlType != ODT_MENU || hooks.DrawItem == nullptr ||
            !hooks.DrawItem(item))
            return false;
        *result = TRUE;
        return true;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        const ThemedMenuHooks& hooks = GetThemedMenuHooks();
        if (item != nullptr && item->CtlType == ODT_MENU && hooks.MeasureItem != nullptr) {
            mvBaseApp* app = mvBaseApp::Get();
            hooks.MeasureItem(item, app != nullptr ? app->m_popupMenu : nullptr);
        }
        *result = TRUE;
        return true;
    }
    case WM_INITMENUPOPUP:
        if (mvBaseApp* app = mvBaseApp::Get())
            app->NotePopupMenu(reinterpret_cast<HMENU>(wParam));
        return false;
    case WM_UNINITMENUPOPUP:
        if (mvBaseApp* app = mvBaseApp::Get())
            app->m_popupMenu = nullptr;
        return false;
    default:
        return false;
    }
}

int mvtheme_control::GetTextHeight(HFONT font, int* averageWidth) {
    const UiFonts& fonts = UiTheme::Get().fonts;
    const bool uiFont = font != nullptr && (font == fonts.normal.Get() ||
                                            font == fonts.bold.Get() || font == fonts.large.Get());
    if (!uiFont)
        return Measure(font, averageWidth);
    TextMetricsCache& cache = MetricsCache();
    if (cache.normalFont != fonts.normal.Get()) {
        cache.metrics.clear();
        cache.normalFont = fonts.normal.Get();
    }
    auto it = cache.metrics.find(font);
    if (it == cache.metrics.end()) {
        int width = 0;
        const int height = Measure(font, &width);
        it = cache.metrics.emplace(font, std::make_pair(height, width)).first;
    }
    if (averageWidth != nullptr)
        *averageWidth = it->second.second;
    return it->second.first;
}

bool PaintUpdatedClient(HWND hwnd, mvabdraw& face, HFONT font) {
    RECT update{};
    if (!GetUpdateRect(hwnd, &update, FALSE))
        return false;
    mvPaintDC paint(hwnd, font);
    RECT client{};
    GetClientRect(hwnd, &client);
    face.PaintBuffered(hwnd, paint.Dc(), &client, 0, true);
    return true;
}

bool PaintBufferedMessage(HWND hwnd, mvabdraw& face, HFONT font, UINT message, WPARAM wParam,
                          bool noAnimation, LRESULT* result) {
    RECT client{};
    GetClientRect(hwnd, &client);
    *result = 0;
    switch (message) {
    case WM_PAINT: {
        mvPaintDC paint(hwnd, font);
        face.PaintBuffered(hwnd, paint.Dc(), &client, 0, noAnimation);
        return true;
    }
    case WM_ERASEBKGND:
        *result = 1;
        return wParam != 0;
    case WM_PRINTCLIENT:
        face.Draw(reinterpret_cast<HDC>(wParam), &client, 0);
        return true;
    default:
        return false;
    }
}
