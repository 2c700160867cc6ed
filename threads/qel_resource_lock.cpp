#include "threads/qel_resource_lock.h"

#include <cinttypes>
#include <cstdint>

#include "threads/qel_trace.h"
#include "threads/qel_trace_switch.h"

#define QEL_RL_TRACE(event) \
    QELThrTrace("evt=" event " | m=0x%" PRIxPTR " \n", reinterpret_cast<uintptr_t>(this))

namespace {

// The count word also says whether a writer waits for the readers or holds the lock. Without
// that flag, a reader counts itself in and out with one atomic step each and never touches
// the mutex; with it, readers take the mutex as a writer does, so a writer that holds the
// lock keeps them out and one that waits lets them in. The holder also keeps its nesting
// depth there, so that only its outermost WriteUnlock lets readers past the mutex again.
constexpr int32_t kWriter = 1 << 30;
constexpr int32_t kDepthUnit = 1 << 20;
constexpr int32_t kCountMask = kDepthUnit - 1;
constexpr int32_t kDepthMask = (kWriter - 1) & ~kCountMask;

}  // namespace

QELResourceLock::QELResourceLock() : _mutex(0, 1, 0), _readersGone(0, -1), _readers(0) {}

// Wakes a writer still waiting; the members go after it.
QELResourceLock::~QELResourceLock() { _readersGone.Broadcast(); }

// With tracing on every step takes the mutex, so that its lines come as they always did.
bool QELResourceLock::CountInFast() {
    if (qel::ThreadTraceOn()) return false;
    int32_t state = _readers.load(std::memory_order_relaxed);
    while (!(state & kWriter)) {
        if (_readers.compare_exchange_weak(state, state + 1, std::memory_order_acquire,
                                           std::memory_order_relaxed)) {
            return true;
        }
    }
    return false;
}

// The last reader out wakes a writer that flagged itself.
void QELResourceLock::CountOut() {
    if (_readers.fetch_sub(1, std::memory_order_release) == (kWriter | 1)) {
        _readersGone.Broadcast();
    }
}

void QELResourceLock::ReadLock() {
    QEL_RL_TRACE("readW");
    if (!CountInFast()) {
        _mutex.Lock();  // waits while a writer holds it
        _readers.fetch_add(1, std::memory_order_acquire);
        _mutex.Unlock();
    }
    QEL_RL_TRACE("readS");
}

void QELResourceLock::ReadUnlock() {
    if (!qel::ThreadTraceOn()) {
        CountOut();
        return;
    }
    _mutex.Lock();
    CountOut();
    QEL_RL_TRACE("readU");
    _mutex.Unlock();
}

void QELResourceLock::WriteLock() {
    QEL_RL_TRACE("writW");
    _mutex.Lock();
    int32_t state = _readers.fetch_or(kWriter, std::memory_order_acq_rel);
    while (state & kCountMask) {
        // Reset before the count is read again: a last reader that broadcast earlier has left
        // the count at 0 for that read.
        _readersGone.Reset();
        if ((_readers.load(std::memory_order_acquire) & kCountMask) == 0) break;
        _mutex.Unlock();
        _readersGone.Wait(-1);
        _mutex.Lock();
        // Flagged again: a writer that took the lock meanwhile cleared the flag.
        state = _readers.fetch_or(kWriter, std::memory_order_acq_rel);
    }
    _readers.fetch_add(kDepthUnit, std::memory_order_relaxed);
    QEL_RL_TRACE("writS");
}

// Only the holder changes the depth, so it can be read first.
void QELResourceLock::WriteUnlock() {
    if ((_readers.load(std::memory_order_relaxed) & kDepthMask) == kDepthUnit) {
        _readers.fetch_and(kCountMask, std::memory_order_release);
    } else {
        _readers.fetch_sub(kDepthUnit, std::memory_order_relaxed);
    }
    _mutex.Unlock();
    _readersGone.Broadcast();
}
