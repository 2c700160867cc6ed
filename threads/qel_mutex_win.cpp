#include <windows.h>

#include <new>

#include "threads/qel_platform.h"

namespace qel {

struct PlatformLock {
    CRITICAL_SECTION section;
};

PlatformLock* LockCreate() {
    PlatformLock* lock = new (std::nothrow) PlatformLock{};
    if (lock) InitializeCriticalSection(&lock->section);
    return lock;
}

void LockDestroy(PlatformLock* lock) {
    DeleteCriticalSection(&lock->section);
    delete lock;
}

void LockEnter(PlatformLock* lock) { EnterCriticalSection(&lock->section); }

bool LockTryEnter(PlatformLock* lock) { return TryEnterCriticalSection(&lock->section) != 0; }

void LockLeave(PlatformLock* lock) { LeaveCriticalSection(&lock->section); }

}  // namespace qel
