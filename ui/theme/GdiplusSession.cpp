#include "ui/theme/GdiplusSession.h"

#include "foundation/OptionalProc.h"

#include <atomic>

namespace {

constexpr wchar_t kGdiplus[] = L"Gdiplus.dll";

// Layout of the start-up input record of GDI+ version 1.
struct StartupInput {
    UINT32 version = 1;
    void* debugEventCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};
using StartupFn = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
using ShutdownFn = void(WINAPI*)(ULONG_PTR);

OptionalProc<StartupFn> g_startup(kGdiplus, "GdiplusStartup");
OptionalProc<ShutdownFn> g_shutdown(kGdiplus, "GdiplusShutdown");

std::atomic<ULONG_PTR> g_token{0};
std::atomic<bool> g_started{false}; // set once a start was tried

// Ends at exit a session that the first image or drawing started. Not
// started as the library loads: GDI+ brings the window and graphics
// libraries with it, which a run without windows must not load.
struct SessionOwner {
    ~SessionOwner() { GdiplusSession(true); }
} g_sessionOwner;

template <typename F> void Find(F& slot, const char* name, bool& complete) {
    // Through an integer, as a function address of another type is what
    // the lookup gives.
    slot = reinterpret_cast<F>(reinterpret_cast<uintptr_t>(LoadOptionalProc(kGdiplus, name)));
    complete = complete && slot != nullptr;
}

} // namespace

ULONG_PTR GdiplusSession(bool shutdown) {
    if (shutdown) {
        const ULONG_PTR token = g_token.exchange(0);
        if (token != 0)
            if (ShutdownFn stop = g_shutdown.Get())
                stop(token);
        return 0;
    }
    if (!g_started.exchange(true)) {
        ULONG_PTR token = 0;
        const StartupInput input;
        if (StartupFn start = g_startup.Get(); start && start(&token, &input, nullptr) == 0)
            g_token.store(token);
    }
    return g_token.load();
}

namespace gdip {

const Api* GetApi() {
    static const struct Loaded {
        Api api{};
        bool complete = true;
        Loaded() {
            Find(api.CreateFromHDC, "GdipCreateFromHDC", complete);
            Find(api.DeleteGraphics, "GdipDeleteGraphics", complete);
            Find(api.SetSmoothingMode, "GdipSetSmoothingMode", complete);
            Find(api.CreateSolidFill, "GdipCreateSolidFill", complete);
            Find(api.DeleteBrush, "GdipDeleteBrush", complete);
            Find(api.FillEllipseI, "GdipFillEllipseI", complete);
            Find(api.CreatePath, "GdipCreatePath", complete);
            Find(api.DeletePath, "GdipDeletePath", complete);
            Find(api.AddPathLineI, "GdipAddPathLineI", complete);
            Find(api.AddPathArcI, "GdipAddPathArcI", complete);
            Find(api.ClosePathFigure, "GdipClosePathFigure", complete);
            Find(api.FillPath, "GdipFillPath", complete);
            Find(api.CreatePen1, "GdipCreatePen1", complete);
            Find(api.DeletePen, "GdipDeletePen", complete);
            Find(api.DrawPath, "GdipDrawPath", complete);
        }
    } loaded;
    return loaded.complete && GdiplusSession(false) != 0 ? &loaded.api : nullptr;
}

} // namespace gdip
