// Recursive mutex created on first use, its one-argument form and the process global mutex.
#pragma once

#include <atomic>

#include "threads/qel_export.h"
#include "threads/qel_thread_annotations.h"

namespace qel {
struct PlatformLock;
}

// A null platform lock is a valid mutex: it is created by the first Lock or TryLock, so a
// zero-filled or deferred QELMutex costs nothing until used.
class QEL_EXPORT QEL_CAPABILITY("mutex") QELMutex {
  public:
    // lockNow: return holding the mutex (ignored when creation is deferred); defer: create on
    // first use.
    QELMutex(int lockNow = 0, int ignored = 0, int defer = 0);
    ~QELMutex();
    QELMutex(const QELMutex&) = delete;
    QELMutex& operator=(const QELMutex&) = delete;

    void Lock() QEL_ACQUIRE();  // traced
    void Unlock() QEL_RELEASE();
    // 0 taken (also when already held by the caller), 1 not taken.
    int TryLock() QEL_TRY_ACQUIRE(0);
    int IsCreated();  // 1 once the platform lock exists

    // Built during static initialisation; held only while another mutex's lock is created.
    static QELMutex _mutexGlobal;
    // Traced or untraced forms, chosen once per process from the trace configuration.
    static void (QELMutex::*LockF)();
    static void (QELMutex::*UnlockF)();
    static int (QELMutex::*TryLockF)();

  private:
    void _Initialize(int useGlobal, int ignored);
    void LockM() QEL_ACQUIRE();
    void UnlockM() QEL_RELEASE();
    int TryLockM() QEL_TRY_ACQUIRE(0);
    qel::PlatformLock* CreatedLock();
    void LockCreatingOrTraced() QEL_ACQUIRE();

    std::atomic<qel::PlatformLock*> _data;
};

class QEL_EXPORT QELSmartMutex : public QELMutex {
  public:
    explicit QELSmartMutex(int defer = 0);
};

// Operation 1 locks the one anonymous process mutex (1; -1 if it was destroyed while waiting,
// nothing then held), 2 unlocks it (0), 8 destroys it (0; the next call creates a new one).
// A name, a non-zero reserved value or another operation gives -1.
QEL_EXPORT int QELSysMTGlobalMutex(int operation, const char* name = nullptr, int reserved = 0);
