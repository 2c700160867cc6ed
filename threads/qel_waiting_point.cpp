#include "threads/qel_waiting_point.h"

#include <cinttypes>
#include <cstdint>
#include <new>

#include "threads/qel_platform.h"
#include "threads/qel_trace.h"
#include "threads/qel_trace_switch.h"

namespace qel {

struct WaitingPointData {
    PlatformEvent* event;
    unsigned mode;
};

}  // namespace qel

namespace {

constexpr unsigned kPulseMode = 2;

uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }

}  // namespace

QELWaitingPoint::QELWaitingPoint(int pulse, int startReset) : _data(nullptr) {
    static const int traceReady = QELThrTraceInit();
    (void)traceReady;
    _data = new (std::nothrow) qel::WaitingPointData{nullptr, pulse ? kPulseMode : 0u};
    if (!_data) return;
    _data->event = qel::EventCreate(startReset == 0);
    QELThrTrace("evt=crewp| wp=0x%" PRIxPTR " | dat=0x%" PRIxPTR " \n", Address(this),
                Address(_data));
}

QELWaitingPoint::~QELWaitingPoint() {
    if (!_data) return;
    if (_data->event) qel::EventDestroy(_data->event);
    QELThrTrace("evt=delwp | wp=0x%" PRIxPTR " | dat=0x%" PRIxPTR " \n", Address(this),
                Address(_data));
    delete _data;
    _data = nullptr;
}

long QELWaitingPoint::Wait(int ms) {
    if (!_data) return -1;
    // A failed event creation passes every wait: only a time-out counts as failure.
    if (!_data->event) return 0;
    return qel::EventWait(_data->event, ms) ? 0 : -1;
}

void QELWaitingPoint::Broadcast() {
    if (!_data) return;
    QELThrTrace("evt=bcast | wp=0x%" PRIxPTR " \n", Address(this));
    if (!_data->event) return;
    if (_data->mode & kPulseMode) {
        qel::EventPulse(_data->event);
    } else {
        qel::EventSet(_data->event);
    }
}

void QELWaitingPoint::Reset() {
    if (!_data) return;
    QELThrTrace("evt=reset | wp=0x%" PRIxPTR " \n", Address(this));
    if (_data->event) qel::EventReset(_data->event);
}
