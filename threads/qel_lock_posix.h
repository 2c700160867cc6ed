// Recursive lock on a pthread mutex; inline, since every QELMutex operation is one call of it.
#pragma once

#include <pthread.h>

#include <new>

#include "threads/qel_thread_annotations.h"

namespace qel {

struct QEL_CAPABILITY("mutex") PlatformLock {
    pthread_mutex_t mutex;
};

inline PlatformLock* LockCreate() {
    PlatformLock* lock = new (std::nothrow) PlatformLock;
    if (!lock) return nullptr;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    const int failed = pthread_mutex_init(&lock->mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (failed) {
        delete lock;
        return nullptr;
    }
    return lock;
}

inline void LockDestroy(PlatformLock* lock) {
    pthread_mutex_destroy(&lock->mutex);
    delete lock;
}

// The analysis does not see the pthread mutex underneath, hence no analysis of these three.
inline void LockEnter(PlatformLock* lock) QEL_ACQUIRE(lock) QEL_NO_THREAD_SAFETY_ANALYSIS {
    pthread_mutex_lock(&lock->mutex);
}

inline bool LockTryEnter(PlatformLock* lock)
    QEL_TRY_ACQUIRE(true, lock) QEL_NO_THREAD_SAFETY_ANALYSIS {
    return pthread_mutex_trylock(&lock->mutex) == 0;
}

inline void LockLeave(PlatformLock* lock) QEL_RELEASE(lock) QEL_NO_THREAD_SAFETY_ANALYSIS {
    pthread_mutex_unlock(&lock->mutex);
}

}  // namespace qel
