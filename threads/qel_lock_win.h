// Recursive lock on a critical section; inline, since every QELMutex operation is one call of it.
#pragma once

#include <windows.h>

#include <new>

namespace qel {

struct PlatformLock {
    CRITICAL_SECTION section;
};

inline PlatformLock* LockCreate() {
    PlatformLock* lock = new (std::nothrow) PlatformLock{};
    if (lock) InitializeCriticalSection(&lock->section);
    return lock;
}

inline void LockDestroy(PlatformLock* lock) {
    DeleteCriticalSection(&lock->section);
    delete lock;
}

inline void LockEnter(PlatformLock* lock) { EnterCriticalSection(&lock->section); }

inline bool LockTryEnter(PlatformLock* lock) {
    return TryEnterCriticalSection(&lock->section) != 0;
}

inline void LockLeave(PlatformLock* lock) { LeaveCriticalSection(&lock->section); }

}  // namespace qel
