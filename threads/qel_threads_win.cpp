#include <windows.h>

#include <cstdint>
#include <new>

#include "threads/qel_platform.h"

namespace qel {

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

// The thread handle itself stands for the platform thread.
PlatformThread* ThreadCreate(long (*entry)(void*), void* arg, uint32_t* id) {
    Launch* launch = new (std::nothrow) Launch{entry, arg};
    if (!launch) return nullptr;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &Trampoline, launch, 0, &threadId);
    if (!thread) {
        delete launch;
        return nullptr;
    }
    *id = threadId;
    return reinterpret_cast<PlatformThread*>(thread);
}

// A thread cannot wait for its own end: it fails as pthread_join does, instead of waiting forever.
bool ThreadWait(PlatformThread* thread) {
    const HANDLE handle = reinterpret_cast<HANDLE>(thread);
    if (GetThreadId(handle) == ::GetCurrentThreadId()) {
        SetLastError(ERROR_POSSIBLE_DEADLOCK);
        return false;
    }
    return WaitForSingleObject(handle, INFINITE) != WAIT_FAILED;
}

void ThreadClose(PlatformThread* thread) { CloseHandle(reinterpret_cast<HANDLE>(thread)); }

void ThreadExitSelf(long code) { ExitThread(static_cast<DWORD>(code)); }

void ThreadStop(PlatformThread* thread, long code) {
    TerminateThread(reinterpret_cast<HANDLE>(thread), static_cast<DWORD>(code));
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
