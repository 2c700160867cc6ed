#include "threads/qel_resource_lock.h"

#include <cinttypes>
#include <cstdint>

#include "threads/qel_trace.h"

#define QEL_RL_TRACE(event) \
    QELThrTrace("evt=" event " | m=0x%" PRIxPTR " \n", reinterpret_cast<uintptr_t>(this))

namespace {

// The count word also says whether a writer waits, so that the last reader wakes writers only
// when there is one: a broadcast on every last unlock would dominate the cost of reading.
constexpr int kWriterWaiting = 1 << 30;
constexpr int kCountMask = kWriterWaiting - 1;

}  // namespace

QELResourceLock::QELResourceLock() : _mutex(0, 1, 0), _readersGone(0, -1), _readers(0) {}

// Wakes a writer still waiting; the members go after it.
QELResourceLock::~QELResourceLock() { _readersGone.Broadcast(); }

void QELResourceLock::ReadLock() {
    QEL_RL_TRACE("readW");
    _mutex.Lock();  // waits while a writer holds it
    ++_readers;
    _mutex.Unlock();
    QEL_RL_TRACE("readS");
}

void QELResourceLock::ReadUnlock() {
    _mutex.Lock();
    --_readers;
    if (_readers == kWriterWaiting) {
        _readers = 0;
        _readersGone.Broadcast();
    }
    QEL_RL_TRACE("readU");
    _mutex.Unlock();
}

// The flag and the reset happen under the mutex and the last reader broadcasts under it, so the
// wake-up cannot fall between the test and the wait.
void QELResourceLock::WriteLock() {
    QEL_RL_TRACE("writW");
    _mutex.Lock();
    while ((_readers & kCountMask) != 0) {
        _readers |= kWriterWaiting;
        _readersGone.Reset();
        _mutex.Unlock();
        _readersGone.Wait(-1);
        _mutex.Lock();
    }
    QEL_RL_TRACE("writS");
}

void QELResourceLock::WriteUnlock() {
    _mutex.Unlock();
    _readersGone.Broadcast();
}
