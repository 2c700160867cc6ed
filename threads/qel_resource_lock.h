// Reader/writer lock: readers share, a writer is alone; readers take precedence over a waiting
// writer.
#pragma once

#include <atomic>
#include <cstdint>

#include "threads/qel_export.h"
#include "threads/qel_mutex.h"
#include "threads/qel_thread_annotations.h"
#include "threads/qel_waiting_point.h"

class QEL_EXPORT QEL_CAPABILITY("resource lock") QELResourceLock {
  public:
    QELResourceLock();
    ~QELResourceLock();
    QELResourceLock(const QELResourceLock&) = delete;
    QELResourceLock& operator=(const QELResourceLock&) = delete;

    void ReadLock() QEL_ACQUIRE_SHARED();
    void ReadUnlock() QEL_RELEASE_SHARED();
    // The writer may also take read locks and nest write locks; a reader must not ask for the
    // write lock.
    void WriteLock() QEL_ACQUIRE();
    void WriteUnlock() QEL_RELEASE();

  private:
    bool CountInFast();
    void CountOut();

    QELMutex _mutex;
    QELWaitingPoint _readersGone;
    std::atomic<int32_t> _readers;  // read locks held, and whether a writer waits or holds
};
