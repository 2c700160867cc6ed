// What became of one piece of a download, and the rules that say which faults are worth
// asking again: a flaky line or a busy server is, a missing file or a wrong answer is not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/network_timeouts.h"
#include "engine/step_result.h"

struct PieceOutcome {
    enum Kind {
        kDone,       // every byte asked for came
        kShort,      // fewer came: the rest is asked for next
        kTransient,  // a fault that may not happen again: asked again after a pause
        kFatal,      // the download ends
        kCancelled,  // the user confirmed Cancel
    };
    Kind kind = kDone;
    int32_t clientResult = 0;  // the HTTP client's result for this piece's request
    std::wstring cause;        // the fault in a few words for the log; empty when `failure` says it
    std::wstring failure;      // the line the download logs when it fails of this; may be empty
    int32_t result = kStepFailed;              // the download's result when it fails of this
    std::optional<uint32_t> retryAfterSeconds;  // the server's Retry-After, when it sent one
};

// A client result other than success: transient or fatal, with its cause.
PieceOutcome FailedRequest(int32_t clientResult);

// The pause before the try-th retry (1 for the first) of a piece.
uint32_t RetryDelayMs(const NetworkLimits& limits, int retry,
                      std::optional<uint32_t> retryAfterSeconds);

// Milliseconds as the log shows them: "2", "0.25".
std::wstring Seconds(uint32_t milliseconds);
