#include <windows.h>

#include "threads/qel_platform.h"

namespace qel {

// The event handle itself stands for the platform event.
PlatformEvent* EventCreate(bool signalled) {
    return reinterpret_cast<PlatformEvent*>(CreateEventW(nullptr, TRUE, signalled, nullptr));
}

void EventDestroy(PlatformEvent* event) { CloseHandle(reinterpret_cast<HANDLE>(event)); }

void EventSet(PlatformEvent* event) { SetEvent(reinterpret_cast<HANDLE>(event)); }

void EventReset(PlatformEvent* event) { ResetEvent(reinterpret_cast<HANDLE>(event)); }

void EventPulse(PlatformEvent* event) { PulseEvent(reinterpret_cast<HANDLE>(event)); }

bool EventWait(PlatformEvent* event, int ms) {
    const DWORD limit = ms == -1 ? INFINITE : static_cast<DWORD>(ms < 0 ? 0 : ms);
    return WaitForSingleObject(reinterpret_cast<HANDLE>(event), limit) != WAIT_TIMEOUT;
}

}  // namespace qel
