// What the thread running a request shares with a thread that watches it: a stop asked from
// outside, seen within one wait slice, and the bytes received so far, to judge the rate by.
#pragma once

#include <atomic>
#include <cstdint>

struct QELHttpWatch {
    std::atomic<bool> stop{false};
    std::atomic<int64_t> received{0};
};

// Every wait of a driver for the network is cut into slices of this length, so that a stop is
// answered soon whatever the time-outs are.
constexpr uint32_t kHttpWaitSliceMs = 100;
