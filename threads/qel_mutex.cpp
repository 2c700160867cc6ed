#include "threads/qel_mutex.h"

#include <cinttypes>
#include <cstdint>

#include "threads/qel_platform.h"
#include "threads/qel_trace.h"
#include "threads/qel_trace_switch.h"

using qel::PlatformLock;

// Untraced until the trace configuration is known.
void (QELMutex::*QELMutex::LockF)() = &QELMutex::LockM;
void (QELMutex::*QELMutex::UnlockF)() = &QELMutex::UnlockM;
int (QELMutex::*QELMutex::TryLockF)() = &QELMutex::TryLockM;

QELMutex QELMutex::_mutexGlobal(0, 0, 0);

namespace {

// Once per process, before the first mutex exists: the trace decides which forms LockF & co. use.
bool SelectLockFunctions() {
    if (QELThrTraceInit()) {
        QELMutex::LockF = &QELMutex::Lock;
        QELMutex::UnlockF = &QELMutex::Unlock;
        QELMutex::TryLockF = &QELMutex::TryLock;
    }
    return true;
}

}  // namespace

QELMutex::QELMutex(int lockNow, int, int defer) : _data(nullptr) {
    static const bool selected = SelectLockFunctions();
    (void)selected;
    if (defer) return;
    _Initialize(0, 0);
    if (lockNow) LockM();
}

QELMutex::~QELMutex() {
    PlatformLock* lock = _data.exchange(nullptr);
    if (lock) qel::LockDestroy(lock);
}

void QELMutex::_Initialize(int useGlobal, int) {
    const bool guarded = useGlobal && this != &_mutexGlobal;
    if (guarded) (_mutexGlobal.*LockF)();
    if (!_data.load(std::memory_order_acquire)) {
        // Compare-and-swap also covers creations that run unguarded (the global mutex itself).
        PlatformLock* created = qel::LockCreate();
        PlatformLock* expected = nullptr;
        if (created && !_data.compare_exchange_strong(expected, created)) {
            qel::LockDestroy(created);
        }
    }
    if (guarded) (_mutexGlobal.*UnlockF)();
}

// Creation on first use, under the global mutex.
PlatformLock* QELMutex::CreatedLock() {
    _Initialize(1, 0);
    return _data.load(std::memory_order_acquire);
}

// The common case, an existing lock and no trace, is one test before the platform call.
void QELMutex::Lock() {
    PlatformLock* lock = _data.load(std::memory_order_acquire);
    if (lock && !qel::ThreadTraceOn()) return qel::LockEnter(lock);
    LockCreatingOrTraced();
}

void QELMutex::LockCreatingOrTraced() {
    PlatformLock* lock = _data.load(std::memory_order_acquire);
    if (!lock) lock = CreatedLock();
    if (!qel::ThreadTraceOn()) {
        if (lock) qel::LockEnter(lock);
        return;
    }
    if (!lock) {
        QELThrTrace("_Data NULL !!\n");
        return;
    }
    qel::LockEnter(lock);
    QELThrTrace("evt=lockS | m=0x%" PRIxPTR " \n", reinterpret_cast<uintptr_t>(this));
}

void QELMutex::LockM() {
    PlatformLock* lock = _data.load(std::memory_order_acquire);
    if (!lock) lock = CreatedLock();
    if (lock) qel::LockEnter(lock);
}

// Unlock and UnlockM are one operation; neither traces.
void QELMutex::Unlock() {
    PlatformLock* lock = _data.load(std::memory_order_acquire);
    if (lock) qel::LockLeave(lock);
}

void QELMutex::UnlockM() { Unlock(); }

int QELMutex::TryLock() { return TryLockM(); }

int QELMutex::TryLockM() {
    PlatformLock* lock = _data.load(std::memory_order_acquire);
    if (!lock) lock = CreatedLock();
    return lock && qel::LockTryEnter(lock) ? 0 : 1;
}

int QELMutex::IsCreated() { return _data.load(std::memory_order_acquire) ? 1 : 0; }

QELSmartMutex::QELSmartMutex(int defer) : QELMutex(0, 1, defer) {}
