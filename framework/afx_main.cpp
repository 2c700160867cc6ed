// Process entry of a GUI program built on the framework.
#include "framework/afx_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->_hInstance = instance;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
