#include <pthread.h>

#include <new>

#include "threads/qel_platform.h"

namespace qel {

struct PlatformLock {
    pthread_mutex_t mutex;
};

PlatformLock* LockCreate() {
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

void LockDestroy(PlatformLock* lock) {
    pthread_mutex_destroy(&lock->mutex);
    delete lock;
}

void LockEnter(PlatformLock* lock) { pthread_mutex_lock(&lock->mutex); }

bool LockTryEnter(PlatformLock* lock) { return pthread_mutex_trylock(&lock->mutex) == 0; }

void LockLeave(PlatformLock* lock) { pthread_mutex_unlock(&lock->mutex); }

}  // namespace qel
