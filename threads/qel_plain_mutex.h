// std::mutex as a lock that the thread-safety analysis sees (libstdc++ does not annotate its
// own): for state that a plain, untraced mutex guards. Not exported; header only.
#pragma once

#include <mutex>

#include "threads/qel_thread_annotations.h"

namespace qel {

class QEL_CAPABILITY("mutex") PlainMutex {
  public:
    PlainMutex() = default;
    PlainMutex(const PlainMutex&) = delete;
    PlainMutex& operator=(const PlainMutex&) = delete;

  private:
    friend class PlainLock;
    std::mutex _mutex;
};

// Holds the mutex for its scope; Unlock and Lock let it go and take it again within it.
class QEL_SCOPED_CAPABILITY PlainLock {
  public:
    explicit PlainLock(PlainMutex& mutex) QEL_ACQUIRE(mutex) : _hold(mutex._mutex) {}
    ~PlainLock() QEL_RELEASE() {}
    PlainLock(const PlainLock&) = delete;
    PlainLock& operator=(const PlainLock&) = delete;

    void Unlock() QEL_RELEASE() { _hold.unlock(); }
    void Lock() QEL_ACQUIRE() { _hold.lock(); }

    // For a condition variable's wait. The analysis takes the mutex as held throughout, as it
    // is again when the wait returns; a predicate that reads guarded state says
    // QEL_REQUIRES(that mutex).
    std::unique_lock<std::mutex>& ForWait() { return _hold; }

  private:
    std::unique_lock<std::mutex> _hold;
};

}  // namespace qel
