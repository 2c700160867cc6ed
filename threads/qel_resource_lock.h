// Reader/writer lock: readers share, a writer is alone; readers take precedence over a waiting
// writer.
#pragma once

#include <atomic>
#include <cstdint>

#include "threads/qel_export.h"
#include "threads/qel_mutex.h"
#include "threads/qel_waiting_point.h"

class QEL_EXPORT QELResourceLock {
  public:
    QELResourceLock();
    ~QELResourceLock();
    QELResourceLock(const QELResourceLock&) = delete;
    QELResourceLock& operator=(const QELResourceLock&) = delete;

    void ReadLock();
    void ReadUnlock();
    // The writer may also take read locks and nest write locks; a reader must not ask for the
    // write lock.
    void WriteLock();
    void WriteUnlock();

  private:
    bool _CountInFast();
    void _CountOut();

    QELMutex _mutex;
    QELWaitingPoint _readersGone;
    std::atomic<int32_t> _readers;  // read locks held, and whether a writer waits or holds
};
