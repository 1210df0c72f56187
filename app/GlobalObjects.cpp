// The process-wide objects, built here before the entry point in a fixed
// order. Each is reached through its accessor, which builds it on first use;
// touching them in this order from one translation unit fixes the order
// whatever the linker does. Those that a worker thread uses (the shell type
// cache, the notifier, the search job, and the icon queue, built at the first
// image request) are never destroyed: a thread that outlived its stop at exit
// still finds them alive.
#include "app/VQApp.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "search/Notifier.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"
#include "ui/core/mvWnd.h"

namespace {

// The window map exists before the application object that refers to it.
[[maybe_unused]] const bool g_windowMap = (mvWndMap::Get(), true);

} // namespace

CVQApp& TheApp() {
    static CVQApp app;
    return app;
}

namespace {

[[maybe_unused]] const bool g_app = (TheApp(), true);
[[maybe_unused]] const bool g_shellTypes = (GlobalShellTypeCache(), true);
// Its progress message is registered when the main window attaches to it.
[[maybe_unused]] const bool g_notifier = (GlobalNotifier(), true);
[[maybe_unused]] const bool g_searchJob = (GlobalSearchJob(), true);
// English texts from Lang\english.ini beside the program; a missing file is
// noticed when the windows need the texts.
[[maybe_unused]] const bool g_language = (InitLanguage(), true);
// Reads advconf.ini, config.ini, uistates.ini and hexview.ini now, before any
// thread starts.
[[maybe_unused]] const bool g_settings = (Settings(), true);
// Not the shared UI resources (icon strips, pop-up menus, clipboard slot):
// a menu object opens the menu theme as it is made, which would bring up
// the display in a windowless run too. They are built at their first use,
// by the start-up routine before the first window.

} // namespace
