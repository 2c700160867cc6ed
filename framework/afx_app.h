// Application object: the process entry constructs nothing itself, it calls the one CWinApp's
// InitInstance and ends the process when that returns FALSE.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp {
  public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up; FALSE means: do not run a message loop, exit.
    virtual BOOL InitInstance();
    // Runs when the process is about to exit; its result is the exit status.
    virtual int ExitInstance();
    // The message loop, for applications that return TRUE from InitInstance.
    virtual int Run();

    HINSTANCE _hInstance = nullptr;
    CWnd* _pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
