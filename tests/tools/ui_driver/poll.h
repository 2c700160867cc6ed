// Waiting for a condition in another process: poll it until it holds or the time is up.
#pragma once

#include <windows.h>

namespace ui_driver {

constexpr DWORD kPollIntervalMs = 50;

// Answers whether `done()` held before `timeoutMs` ran out; it is asked at least once.
template <typename Condition>
bool PollUntil(DWORD timeoutMs, Condition done) {
    // Elapsed time by unsigned difference, which stays right across the counter's wrap.
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollIntervalMs);
    }
}

}  // namespace ui_driver
