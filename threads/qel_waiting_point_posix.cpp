#include <pthread.h>
#include <time.h>

#include <cstdint>
#include <new>

#include "threads/qel_platform.h"

namespace qel {

// A manual-reset event on a condition variable. Every Set or Pulse starts a new generation, so
// a waiter released by it passes even if a Reset comes before it wakes.
struct PlatformEvent {
    pthread_mutex_t mutex;
    pthread_cond_t changed;
    bool signalled;
    uint64_t generation;
};

PlatformEvent* EventCreate(bool signalled) {
    PlatformEvent* event = new (std::nothrow) PlatformEvent;
    if (!event) return nullptr;
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    const bool ok = pthread_mutex_init(&event->mutex, nullptr) == 0 &&
                    pthread_cond_init(&event->changed, &attributes) == 0;
    pthread_condattr_destroy(&attributes);
    if (!ok) {
        delete event;
        return nullptr;
    }
    event->signalled = signalled;
    event->generation = 0;
    return event;
}

void EventDestroy(PlatformEvent* event) {
    pthread_cond_destroy(&event->changed);
    pthread_mutex_destroy(&event->mutex);
    delete event;
}

namespace {

void Release(PlatformEvent* event, bool staySignalled) {
    pthread_mutex_lock(&event->mutex);
    event->signalled = staySignalled;
    ++event->generation;
    pthread_cond_broadcast(&event->changed);
    pthread_mutex_unlock(&event->mutex);
}

void UnlockOnCancel(void* mutex) { pthread_mutex_unlock(static_cast<pthread_mutex_t*>(mutex)); }

timespec Deadline(int ms) {
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000;
    if (deadline.tv_nsec >= 1000000000) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000;
    }
    return deadline;
}

}  // namespace

void EventSet(PlatformEvent* event) { Release(event, true); }

void EventPulse(PlatformEvent* event) { Release(event, false); }

void EventReset(PlatformEvent* event) {
    pthread_mutex_lock(&event->mutex);
    event->signalled = false;
    pthread_mutex_unlock(&event->mutex);
}

// A cancellation point, so that a thread ended by another one can leave a wait.
bool EventWait(PlatformEvent* event, int ms) {
    const timespec deadline = ms == -1 ? timespec{} : Deadline(ms < 0 ? 0 : ms);
    bool passed = true;
    pthread_mutex_lock(&event->mutex);
    pthread_cleanup_push(UnlockOnCancel, &event->mutex);
    const uint64_t generation = event->generation;
    while (!event->signalled && event->generation == generation) {
        if (ms == -1) {
            pthread_cond_wait(&event->changed, &event->mutex);
        } else if (pthread_cond_timedwait(&event->changed, &event->mutex, &deadline) != 0) {
            passed = event->signalled || event->generation != generation;
            break;
        }
    }
    pthread_cleanup_pop(1);
    return passed;
}

}  // namespace qel
