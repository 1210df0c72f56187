#include "app/VQApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CVQApp& app = TheApp();
    app.Run();
    // A thread that did not end still uses the process-wide objects (the
    // settings, the language, the caches): the process ends here, which
    // ends that thread first, instead of destroying those objects under it
    // on the way out. Everything the program keeps is already written.
    if (app.ThreadsOutlived())
        ExitProcess(static_cast<UINT>(app.m_exitCode));
    return app.m_exitCode;
}
