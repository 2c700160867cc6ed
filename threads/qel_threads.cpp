#include "threads/qel_threads.h"

#include <atomic>
#include <cinttypes>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "threads/qel_first_thread.h"
#include "threads/qel_mutex.h"
#include "threads/qel_platform.h"
#include "threads/qel_thread_annotations.h"
#include "threads/qel_trace.h"
#include "threads/qel_trace_switch.h"
#include "threads/qel_waiting_point.h"

namespace qel {

struct ThreadStart {
    long (*function)(void*);
    void* data;
    QELThreads* owner;
};

// Status, id and return code are also read without the state mutex, hence atomic.
struct ThreadState {
    explicit ThreadState(bool adopt) : adopted(adopt) {}

    QELThreads* owner = nullptr;
    // Its function is set and read under the mutex; its data and owner do not change.
    ThreadStart* start QEL_PT_GUARDED_BY(mutex) = nullptr;
    std::atomic<uint32_t> threadId{0};
    PlatformThread* handle QEL_GUARDED_BY(mutex) = nullptr;
    bool joining QEL_GUARDED_BY(mutex) = false;   // a Join waits on the handle; it alone closes it
    bool adopted QEL_GUARDED_BY(mutex);           // stands for a thread it did not start
    bool bodyRuns QEL_GUARDED_BY(mutex) = false;  // the thread Run started has not left its body
    std::atomic<uint32_t> status{QEL_THR_CONSTRUCTED};
    std::atomic<int32_t> returnCode{1};
    QELWaitingPoint startPoint{0, -1};
    QELMutex mutex{0, 0, 0};
};

}  // namespace qel

namespace {

using qel::ThreadState;

uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }

class QEL_SCOPED_CAPABILITY StateLock {
  public:
    explicit StateLock(ThreadState* state) QEL_ACQUIRE(state->mutex) : _mutex(state->mutex) {
        _mutex.Lock();
    }
    ~StateLock() QEL_RELEASE() { _mutex.Unlock(); }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

  private:
    QELMutex& _mutex;
};

void SetBits(ThreadState* state, uint32_t set, uint32_t clear) {
    uint32_t status = state->status.load();
    while (!state->status.compare_exchange_weak(status, (status & ~clear) | set)) {
    }
}

// The state whose body the calling thread runs.
thread_local ThreadState* t_body = nullptr;

// The calling thread has left its body of `state` and touches the state no more, so Run may
// start the next body.
void LeaveBody(ThreadState* state) QEL_REQUIRES(state->mutex) {
    if (t_body != state) return;
    t_body = nullptr;
    state->bodyRuns = false;
}

// Leaves the body however it ends: by returning, or unwound by a cancel from another thread.
struct BodyScope {
    ThreadState* state;
    ~BodyScope() {
        if (t_body != state) return;
        StateLock hold(state);
        LeaveBody(state);
    }
};

}  // namespace

QELThreads::QELThreads(const char* name, void* data, int mark, int, int adopt) : _state(nullptr) {
    qel::RunFirstConstruction();
    ThreadState* state = new (std::nothrow) ThreadState(adopt != 0);
    if (!state) return;
    state->owner = this;
    state->start = new (std::nothrow) qel::ThreadStart{nullptr, data, this};
    if (!state->start) {
        delete state;
        return;
    }
    _state = state;
    if (name) {
        QELThrTrace("evt=tcreat | thr=0x%" PRIxPTR " | nam=%s\n", Address(this), name);
    } else {
        QELThrTrace("evt=tcreat | thr=0x%" PRIxPTR " | nam='anonymous'\n", Address(this));
    }
    QELListThreads::AddThread(this);
    if (adopt) {
        SetBits(state, QEL_THR_RUNNING, 0);
        state->threadId = qel::CurrentThreadId();
    }
    if (mark) SetBits(state, QEL_THR_MARKED, 0);
}

QELThreads::~QELThreads() {
    ThreadState* state = _state;
    if (!state) return;
    {
        StateLock hold(state);
        QELThrTrace("evt=tdel | thr=0x%" PRIxPTR "\n", Address(this));
        delete state->start;
        _state = nullptr;
        if (state->handle) qel::ThreadClose(state->handle);
        QELListThreads::RemoveThread(this);
    }
    delete state;
}

int QELThreads::Run(unsigned int) {
    ThreadState* state = _state;
    if (!state) return 1;
    StateLock hold(state);
    // A body stopped from another thread may run on until it reaches a cancellation point.
    if ((state->status & (QEL_THR_STARTING | QEL_THR_RUNNING)) || state->bodyRuns) return 1;
    SetBits(state, QEL_THR_STARTING, QEL_THR_ENDED | QEL_THR_JOINED);
    state->startPoint.Reset();
    // A previous run that was never joined lets its thread go.
    if (state->handle && !state->joining) qel::ThreadClose(state->handle);
    uint32_t id = 0;
    state->handle = qel::ThreadCreate(&QELThreads::InitThreads, state->start, &id);
    if (!state->handle) {
        SetBits(state, 0, QEL_THR_STARTING);
        return -1;
    }
    state->bodyRuns = true;
    state->threadId = id;
    return 0;
}

long QELThreads::InitThreads(void* startRecord) {
    auto* start = static_cast<qel::ThreadStart*>(startRecord);
    if (!start || !start->owner || !start->owner->_state) return 0;
    QELThreads* owner = start->owner;
    ThreadState* state = owner->_state;
    QELThrTrace("evt=trun \n");
    {
        StateLock hold(state);  // also waits until Run has stored the handle
        SetBits(state, QEL_THR_RUNNING, 0);
        state->startPoint.Broadcast();
        SetBits(state, 0, QEL_THR_STARTING);
        t_body = state;
    }
    BodyScope body{state};
    const long result = owner->Begin(start->data);
    owner->End(result);
    return result;
}

long QELThreads::Begin(void* data) {
    ThreadState* state = _state;
    if (!state) return -1;
    long (*function)(void*);
    {
        StateLock hold(state);
        function = state->start->function;
    }
    return function ? function(data) : 0;
}

long QELThreads::SetFunction(long (*function)(void*)) {
    ThreadState* state = _state;
    if (!state) return -1;
    StateLock hold(state);
    state->start->function = function;
    return 0;
}

void QELThreads::Join() {
    ThreadState* state = _state;
    if (!state) return;
    qel::PlatformThread* handle = nullptr;
    {
        StateLock hold(state);
        const uint32_t status = state->status;
        SetBits(state, QEL_THR_JOINED, 0);
        if (!(status & (QEL_THR_STARTING | QEL_THR_RUNNING)) && (status & QEL_THR_JOINED)) return;
        // One joiner waits on the handle. It stays stored meanwhile, so that End and Kill can
        // still stop the thread; a second joiner finds none.
        if (!state->joining) {
            handle = state->handle;
            state->joining = handle != nullptr;
        }
    }
    QELThrTrace("evt=tjoin | thr=0x%" PRIxPTR "\n", Address(this));
    if (handle) {
        const bool waited = qel::ThreadWait(handle);
        const long error = waited ? 0 : qel::LastError();
        {
            StateLock hold(state);
            if (state->handle == handle) state->handle = nullptr;  // Run may have stored a new one
            state->joining = false;
        }
        qel::ThreadClose(handle);
        if (!waited) {
            QELThrTraceAlways("status = WAIT FAILED\n");
            QELThrTraceAlways("ERROR = 0x%lx %ld\n", error, error);
        }
    } else {
        QELThrTraceAlways("null thread handle in Join \n");
    }
    QELThrTrace("evt=ejoin | thr=0x%" PRIxPTR "\n", Address(this));
}

void QELThreads::End(long code) { Stop(code, true); }

void QELThreads::Kill(long code) { Stop(code, false); }

void QELThreads::Stop(long code, bool traced) {
    ThreadState* state = _state;
    if (!state) return;
    uint32_t id;
    bool adopted;
    {
        StateLock hold(state);
        if (!(state->status & QEL_THR_RUNNING)) return;
        id = state->threadId;
        state->returnCode = static_cast<int32_t>(code);
        SetBits(state, QEL_THR_ENDED, QEL_THR_RUNNING);
        if (traced) QELThrTrace("evt=tend | thr=0x%" PRIxPTR " | tid=%-d \n", Address(this), id);
        if (id != qel::CurrentThreadId()) {
            // Under the mutex, so that Join cannot close the handle meanwhile.
            if (state->handle && qel::ThreadStop(state->handle, code)) state->bodyRuns = false;
            return;
        }
        adopted = state->adopted;
        LeaveBody(state);
    }
    // A thread started by Run ends here, whoever holds its handle; an adopted one goes on.
    if (!adopted) qel::ThreadExitSelf(code);
}

unsigned long QELThreads::IsRunning() { return _state ? (_state->status & QEL_THR_RUNNING) : 0; }

unsigned long QELThreads::GetStatus() { return _state ? _state->status.load() : 0; }

unsigned long QELThreads::GetThreadId() { return _state ? _state->threadId.load() : 0xFFFFFFFFul; }

long QELThreads::GetThreadReturnCode() {
    if (IsRunning() || !_state) return 1;
    return _state->returnCode;
}

void QELThreads::EmitTrace(char* message) {
    QELThrTrace("evt=msg | thr=0x%" PRIxPTR " | msg=%s\n", Address(this), message);
}

unsigned long QELThreads::GetCurrentThreadId() { return qel::CurrentThreadId(); }

QELThreads* QELThreads::GetCurrentThread() {
    return QELListThreads::FindThread(GetCurrentThreadId());
}

QELThreads* QELThreads::GetMainThread() {
    qel::RunFirstConstruction();
    // The nested construction finds the first-construction step done, so this cannot recurse.
    static QELThreads* const mainThread =
        new (std::nothrow) QELThreads("MainThread", nullptr, 0, -1, -1);
    return mainThread;
}

int QELThreads::IsMultiThreadingAllowed() {
    static const int allowed = [] {
        const char* value = std::getenv("QELSysMultiThreading");
        return value && std::strcmp(value, "FALSE") == 0 ? 0 : -1;
    }();
    return allowed;
}

long QELThreads::GetProcessorsNumber() {
    return IsMultiThreadingAllowed() ? qel::ProcessorCount() : 1;
}
