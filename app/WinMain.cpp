#include "app/VQApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CVQApp& app = TheApp();
    app.Run();
    return app.m_exitCode;
}
