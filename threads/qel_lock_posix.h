// Recursive lock on a pthread mutex; inline, since every QELMutex operation is one call of it.
#pragma once

#include <pthread.h>

#include <new>

namespace qel {

struct PlatformLock {
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

inline void LockEnter(PlatformLock* lock) { pthread_mutex_lock(&lock->mutex); }

inline bool LockTryEnter(PlatformLock* lock) { return pthread_mutex_trylock(&lock->mutex) == 0; }

inline void LockLeave(PlatformLock* lock) { pthread_mutex_unlock(&lock->mutex); }

}  // namespace qel
