// Recursive lock on a critical section; inline, since every QELMutex operation is one call of it.
#pragma once

#include <windows.h>

#include <new>

#include "threads/qel_thread_annotations.h"

namespace qel {

struct QEL_CAPABILITY("mutex") PlatformLock {
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

// The analysis does not see the critical section underneath, hence no analysis of these three.
inline void LockEnter(PlatformLock* lock) QEL_ACQUIRE(lock) QEL_NO_THREAD_SAFETY_ANALYSIS {
    EnterCriticalSection(&lock->section);
}

inline bool LockTryEnter(PlatformLock* lock)
    QEL_TRY_ACQUIRE(true, lock) QEL_NO_THREAD_SAFETY_ANALYSIS {
    return TryEnterCriticalSection(&lock->section) != 0;
}

inline void LockLeave(PlatformLock* lock) QEL_RELEASE(lock) QEL_NO_THREAD_SAFETY_ANALYSIS {
    LeaveCriticalSection(&lock->section);
}

}  // namespace qel
