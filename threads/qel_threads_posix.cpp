#include <errno.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdint>
#include <new>

#include "threads/qel_platform.h"

namespace qel {

struct PlatformThread {
    pthread_t thread;
    bool joined;
};

namespace {

// Handed to the new thread, which reports its id before it runs the entry.
struct Launch {
    long (*entry)(void*);
    void* arg;
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t reported = PTHREAD_COND_INITIALIZER;
    uint32_t id = 0;
};

void* Trampoline(void* param) {
    auto* launch = static_cast<Launch*>(param);
    long (*entry)(void*) = launch->entry;
    void* arg = launch->arg;
    pthread_mutex_lock(&launch->mutex);
    launch->id = CurrentThreadId();
    pthread_cond_signal(&launch->reported);
    pthread_mutex_unlock(&launch->mutex);  // the creator frees launch from here on
    return reinterpret_cast<void*>(entry(arg));
}

}  // namespace

PlatformThread* ThreadCreate(long (*entry)(void*), void* arg, uint32_t* id) {
    PlatformThread* thread = new (std::nothrow) PlatformThread{pthread_t(), false};
    if (!thread) return nullptr;
    Launch launch;
    launch.entry = entry;
    launch.arg = arg;
    if (pthread_create(&thread->thread, nullptr, &Trampoline, &launch) != 0) {
        delete thread;
        return nullptr;
    }
    NoCancelScope noCancel;
    pthread_mutex_lock(&launch.mutex);
    while (launch.id == 0) pthread_cond_wait(&launch.reported, &launch.mutex);
    pthread_mutex_unlock(&launch.mutex);
    pthread_cond_destroy(&launch.reported);
    pthread_mutex_destroy(&launch.mutex);
    *id = launch.id;
    return thread;
}

// Waiting for oneself fails before pthread_join, whose answer (EDEADLK) is not guaranteed.
bool ThreadWait(PlatformThread* thread) {
    if (pthread_equal(thread->thread, pthread_self())) {
        errno = EDEADLK;
        return false;
    }
    NoCancelScope noCancel;
    const int failed = pthread_join(thread->thread, nullptr);
    if (failed) {
        errno = failed;
        return false;
    }
    thread->joined = true;
    return true;
}

// A thread that was not joined is let go.
void ThreadClose(PlatformThread* thread) {
    if (!thread->joined) pthread_detach(thread->thread);
    delete thread;
}

void ThreadExitSelf(long code) { pthread_exit(reinterpret_cast<void*>(code)); }

// No way to stop another thread at once: it stops at its next cancellation point.
bool ThreadStop(PlatformThread* thread, long) {
    pthread_cancel(thread->thread);
    return false;
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(gettid()); }

long ProcessorCount() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? count : 1;
}

long LastError() { return errno; }

NoCancelScope::NoCancelScope() { pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &_previous); }

NoCancelScope::~NoCancelScope() { pthread_setcancelstate(_previous, nullptr); }

}  // namespace qel
