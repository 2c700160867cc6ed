#include <windows.h>

#include <cstdint>
#include <new>

#include "threads/qel_platform.h"

namespace qel {

// The id is kept beside the handle: asking a handle for its thread's id needs a newer system.
struct PlatformThread {
    HANDLE handle;
    DWORD id;
};

namespace {

struct Launch {
    long (*entry)(void*);
    void* arg;
};

DWORD WINAPI Trampoline(LPVOID param) {
    const Launch launch = *static_cast<Launch*>(param);
    delete static_cast<Launch*>(param);
    return static_cast<DWORD>(launch.entry(launch.arg));
}

}  // namespace

PlatformThread* ThreadCreate(long (*entry)(void*), void* arg, uint32_t* id) {
    PlatformThread* thread = new (std::nothrow) PlatformThread{nullptr, 0};
    Launch* launch = thread ? new (std::nothrow) Launch{entry, arg} : nullptr;
    if (launch) thread->handle = CreateThread(nullptr, 0, &Trampoline, launch, 0, &thread->id);
    if (!launch || !thread->handle) {
        delete launch;
        delete thread;
        return nullptr;
    }
    *id = thread->id;
    return thread;
}

// A thread cannot wait for its own end: it fails as pthread_join does, instead of waiting forever.
bool ThreadWait(PlatformThread* thread) {
    if (thread->id == ::GetCurrentThreadId()) {
        SetLastError(ERROR_POSSIBLE_DEADLOCK);
        return false;
    }
    return WaitForSingleObject(thread->handle, INFINITE) != WAIT_FAILED;
}

void ThreadClose(PlatformThread* thread) {
    CloseHandle(thread->handle);
    delete thread;
}

void ThreadExitSelf(long code) { ExitThread(static_cast<DWORD>(code)); }

bool ThreadStop(PlatformThread* thread, long code) {
    return TerminateThread(thread->handle, static_cast<DWORD>(code)) != 0;
}

uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

long ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<long>(info.dwNumberOfProcessors);
}

long LastError() { return static_cast<long>(GetLastError()); }

NoCancelScope::NoCancelScope() : _previous(0) {}

NoCancelScope::~NoCancelScope() {}

}  // namespace qel
