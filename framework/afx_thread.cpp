#include "framework/afx_thread.h"

#include <process.h>

namespace {

struct StartRecord {
    CWinThread* thread;
    AFX_THREADPROC function;
    LPVOID parameter;
};

unsigned __stdcall ThreadEntry(void* raw) {
    StartRecord start = *static_cast<StartRecord*>(raw);
    delete static_cast<StartRecord*>(raw);
    const UINT result = start.function(start.parameter);
    CloseHandle(start.thread->_hThread);
    delete start.thread;
    return result;
}

}  // namespace

CWinThread* AfxBeginThread(AFX_THREADPROC function, LPVOID parameter, int priority, UINT stackSize,
                           DWORD createFlags, LPSECURITY_ATTRIBUTES security) {
    auto* thread = new CWinThread;
    auto* start = new StartRecord{thread, function, parameter};
    // Created suspended so that the record is complete before the thread can delete it.
    unsigned id = 0;
    const uintptr_t handle =
        _beginthreadex(security, stackSize, &ThreadEntry, start, CREATE_SUSPENDED, &id);
    if (handle == 0) {
        delete start;
        delete thread;
        return nullptr;
    }
    thread->_hThread = reinterpret_cast<HANDLE>(handle);
    thread->_nThreadID = id;
    SetThreadPriority(thread->_hThread, priority);
    if (!(createFlags & CREATE_SUSPENDED)) ResumeThread(thread->_hThread);
    return thread;
}
