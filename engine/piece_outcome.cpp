#include "engine/piece_outcome.h"

#include <algorithm>
#include <cwchar>

#include "http/http_types.h"

namespace {

// WinInet's own numbers for a reset and an aborted connection, and for its time-out.
constexpr int32_t kInetConnectionReset = static_cast<int32_t>(0x80072EFF);
constexpr int32_t kInetConnectionAborted = static_cast<int32_t>(0x80072EFE);
constexpr int32_t kInetTimeout = static_cast<int32_t>(0x80072EE2);

bool IsTransientStatus(int status) {
    switch (status) {
        case 408: case 429: case 500: case 502: case 503: case 504: return true;
        default: return false;
    }
}

// The cause of a transport fault that another try may not meet again; null for the others.
const wchar_t* TransientCause(int32_t result) {
    switch (result) {
        case kHttpCannotConnect:
        case kHttpDisconnected:  // the socket driver's "could not connect"
            return L"connection refused";
        case kInetConnectionReset:
        case kInetConnectionAborted:
            return L"connection reset";
        // The connection was closed, or went silent, before the whole answer came.
        case kHttpReadFailed:
        case kHttpReadShort:
        case kHttpNoAvailable:
        case kHttpSendFailed:
        // WinInet's answer to a connection dropped before the head; a redirect without a
        // Location is refused with it too, and so is asked again before it fails.
        case kHttpInvalidResponse:
            return L"connection lost";
        case kHttpTimeout:
        case kInetTimeout:
            return L"time-out";
        default:
            return nullptr;
    }
}

}  // namespace

PieceOutcome FailedRequest(int32_t clientResult) {
    PieceOutcome outcome;
    outcome.clientResult = clientResult;
    outcome.kind = PieceOutcome::kFatal;
    // The client answers a final status outside 2xx with its negative.
    if (clientResult <= -100 && clientResult >= -999) {
        outcome.cause = L"HTTP " + std::to_wstring(-clientResult);
        if (IsTransientStatus(-clientResult)) outcome.kind = PieceOutcome::kTransient;
    } else if (const wchar_t* cause = TransientCause(clientResult)) {
        outcome.cause = cause;
        outcome.kind = PieceOutcome::kTransient;
    } else {
        wchar_t code[32];
        std::swprintf(code, 32, L"error 0x%08X", static_cast<uint32_t>(clientResult));
        outcome.cause = code;
    }
    return outcome;
}

uint32_t RetryDelayMs(const NetworkLimits& limits, int retry,
                      std::optional<uint32_t> retryAfterSeconds) {
    if (retryAfterSeconds) {
        const uint64_t asked = static_cast<uint64_t>(*retryAfterSeconds) * 1000;
        return static_cast<uint32_t>(std::min<uint64_t>(asked, limits.longestRetryAfterMs));
    }
    const int doublings = std::clamp(retry - 1, 0, 16);
    return limits.firstRetryDelayMs << doublings;
}

std::wstring Seconds(uint32_t milliseconds) {
    std::wstring text = std::to_wstring(milliseconds / 1000);
    if (const uint32_t rest = milliseconds % 1000; rest != 0) {
        wchar_t fraction[8];
        std::swprintf(fraction, 8, L".%03u", rest);
        text += fraction;
        text.erase(text.find_last_not_of(L'0') + 1);
    }
    return text;
}
