// Worker threads started the framework's way: a plain function and one pointer argument.
#pragma once

#include <windows.h>

using AFX_THREADPROC = UINT(__cdecl*)(LPVOID);

// The started thread. It deletes itself when its function returns, so callers that keep it
// must not use it afterwards.
class CWinThread {
  public:
    HANDLE _hThread = nullptr;
    DWORD _nThreadID = 0;
};

// Starts function(parameter) on a new thread; nullptr when the thread could not be created.
CWinThread* AfxBeginThread(AFX_THREADPROC function, LPVOID parameter,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
