// Waiting for a condition in another process: poll it until it holds or the time is up.
#pragma once

#include <windows.h>

namespace ui_driver {

constexpr DWORD kPollIntervalMs = 50;

// Answers whether `done()` held before `timeoutMs` ran out; it is asked at least once.
template <typename Condition>
bool PollUntil(DWORD timeoutMs, Condition done) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollIntervalMs);
    }
}

}  // namespace ui_driver
