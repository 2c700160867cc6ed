#include "framework/afx_app.h"

namespace {
CWinApp* theOnlyApp = nullptr;
}

CWinApp::CWinApp() { theOnlyApp = this; }

CWinApp::~CWinApp() {
    if (theOnlyApp == this) theOnlyApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return ExitInstance();
}

CWinApp* AfxGetApp() { return theOnlyApp; }

HINSTANCE AfxGetInstanceHandle() {
    return theOnlyApp && theOnlyApp->_hInstance ? theOnlyApp->_hInstance
                                                : GetModuleHandleW(nullptr);
}
